// A process's checkpoint: its whole state at a block end, from which a
// resumed run goes on as if it had never stopped. The file
// "checkpoint_" RANK holds the newest, "checkpoint_" RANK ".prev" the one
// before, so that a kill while the processes replace theirs still leaves a
// block whose checkpoint every process has.
//
// The file: a frame of 32 bytes (the magic "PTFITCKP", the format version,
// a byte-order marker, the length and the FNV-1a hash of the rest), then
// the run's identity (run id, number of processes, rank, block), its
// fingerprint (fingerprint.h) and the state:
//   the uniform stream (4 words); temperature, chi2cur; nexattempt,
//   nexaccept, the exchange calls, totaltime, the failed writes; the level
//   table; chi2eval, avchi2, sigmachi2, the chi-square histogram's counts;
//   per parameter value, maxstep, ntried, naccepted, neval, avval,
//   sigmaval and its histogram's counts; the lengths of scatter_0 and of
//   the chain file.
// Counts are kept as the runs of bins that are not zero (checkpoint_codec.h);
// the bins' positions follow from the ranges and are not kept, nor is
// anything the start-up makes alike in every run (names, ranges, flags).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fingerprint.h"
#include "global.h"

namespace ptfit {

// What the block loop keeps besides Global and RunConfig.
struct LoopState {
  int32_t block = 0;      // blocks done
  int32_t totaltime = 0;  // whole seconds counted by process 0
  int32_t ncall = 0;      // calls of evalexchange on this process
  uint64_t run_id = 0;    // the run that the checkpoints belong to
};

// The lengths of the files that grow during a run, at a block end; -1 for
// a file that keeps no records (none, or one that failed).
struct FileLengths {
  int64_t scatter = -1;
  int64_t chain = -1;
};

// A checkpoint's identity: the run, its number of processes, the rank of
// the process that wrote it and the block it ends.
struct CheckpointId {
  uint64_t run_id = 0;
  int32_t mpisize = 0;
  int32_t rank = 0;
  int32_t block = 0;
};

// "checkpoint_" and the rank, and the name of the one before.
std::string checkpoint_name(int32_t rank);
std::string previous_checkpoint_name(int32_t rank);

// The bytes of the checkpoint of this process after block loop.block.
std::string encode_checkpoint(const Fingerprint& f,
                              const Global& g,
                              const RunConfig& c,
                              const LoopState& loop,
                              const FileLengths& lengths);

// Checks that `bytes` are a whole checkpoint of this format and byte order
// (frame, length and hash) and reads its identity. False with `why` (words
// such as "its hash does not match: the file is damaged") otherwise.
bool read_checkpoint_id(std::string_view bytes,
                        CheckpointId& id,
                        std::string& why);

// The fingerprint of a whole checkpoint.
bool read_checkpoint_fingerprint(std::string_view bytes,
                                 Fingerprint& f,
                                 std::string& why);

// Restores the state of a whole checkpoint into g, c and loop (the block
// and the run id too) and gives the file lengths it recorded. False with
// `why` when it does not fit the table and ladder that start-up made.
// REQUIRES: start-up made g and c for the checkpoint's fingerprint.
bool read_checkpoint_state(std::string_view bytes,
                           Global& g,
                           RunConfig& c,
                           LoopState& loop,
                           FileLengths& lengths,
                           std::string& why);

// Writes `bytes` as this process's newest checkpoint whole or not at all:
// the newest so far becomes the one before, then the bytes go to a
// temporary file that is synced and renamed into place, and the folder is
// synced. False with `error` when that fails (the one before stays).
bool write_checkpoint(int32_t rank, std::string_view bytes, std::string& error);

// One checkpoint file as found: missing, whole (its bytes and identity), or
// there but no whole checkpoint (`why`).
struct CheckpointFile {
  bool present = false;
  bool whole = false;
  std::string bytes;
  CheckpointId id;
  std::string why;
};

CheckpointFile read_checkpoint_file(const std::string& path);

}  // namespace ptfit
