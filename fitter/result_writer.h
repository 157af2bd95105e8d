// Process 0's result files of a block end, made and written on a thread of
// their own while the next block runs: the texts come from copies taken at
// the block end, each file goes to a temporary file opened then and is
// renamed over its target in the order queued, so the files are the same,
// byte for byte, as when written on the spot. The thread makes no MPI call
// and prints nothing.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "atomic_file.h"

namespace ptfit {

// One queued file: its temporary file and the maker of its text.
struct PendingFile {
  textio::AtomicFile file;
  std::function<std::string()> text;
};

struct ResultWriter {
  std::vector<PendingFile> queued;   // of the next start_writing
  std::vector<PendingFile> writing;  // owned by the thread while it runs
  std::vector<std::string> failed;   // lines of the files that failed
  std::thread thread;

  ResultWriter() = default;
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;
  // Waits for the files being written (an exception leaving the run).
  ~ResultWriter();
};

// Opens the temporary file beside `path` at once and queues `text` to be
// made and written there. When the file cannot be opened nothing is queued
// and the line " error writing file PATH: reason" comes back to be printed
// now; otherwise an empty string.
std::string queue_result(ResultWriter& w,
                         const std::string& path,
                         std::function<std::string()> text);

// Makes and writes the queued files, in order, on the writer's thread.
// REQUIRES: finish_writing since the last start_writing.
void start_writing(ResultWriter& w);

// Waits for the files being written, if any, and returns the lines of those
// that could not be written (" error writing file PATH: reason").
std::vector<std::string> finish_writing(ResultWriter& w);

}  // namespace ptfit
