// A block end's checkpoint, written on a thread of its own while the next
// block runs: the files whose lengths it records (scatter_0, the chain
// file) are synced to disk first, then the checkpoint is written whole
// (checkpoint.h). The next block end, or the end of the run, waits for it,
// so at most one is under way; a kill meanwhile leaves the checkpoint
// before, which every process still holds. The thread makes no MPI call
// and prints nothing.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ptfit {

// A file to sync before the checkpoint: its descriptor and name.
using SyncedFile = std::pair<int, std::string>;

struct CheckpointWriter {
  int32_t rank = 0;
  std::string bytes;              // the checkpoint under way
  std::vector<SyncedFile> files;  // synced before it is written
  std::vector<std::string> failed;
  std::thread thread;

  CheckpointWriter() = default;
  CheckpointWriter(const CheckpointWriter&) = delete;
  CheckpointWriter& operator=(const CheckpointWriter&) = delete;
  // Waits for the checkpoint under way (an exception leaving the run).
  ~CheckpointWriter();
};

// Starts writing `bytes` as the checkpoint of process `rank` once `files`
// are synced. REQUIRES: finish_checkpoint since the last start.
void start_checkpoint(CheckpointWriter& w,
                      int32_t rank,
                      std::string bytes,
                      std::vector<SyncedFile> files);

// Waits for the checkpoint under way, if any, and returns the lines of what
// failed (" error writing file NAME: reason"); a checkpoint whose files
// could not be synced is not written.
std::vector<std::string> finish_checkpoint(CheckpointWriter& w);

}  // namespace ptfit
