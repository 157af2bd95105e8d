// Which checkpoints a run resumes from. Every process finds its newest and
// its previous checkpoint file; process 0 then chooses, from what all of
// them found, the newest block whose checkpoint every process holds, of
// one run and of this number of processes. A kill while the processes
// replace their files leaves some a block ahead of others: the block
// before is still held by all. No block held by all is a set that cannot
// be resumed (files of different runs or blocks, a file missing).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "checkpoint.h"

namespace ptfit {

// One file of a process as found.
struct SlotFound {
  enum class State : int32_t { kMissing = 0, kWhole = 1, kDamaged = 2 };
  State state = State::kMissing;
  CheckpointId id;  // kWhole
};

// What one process found: [0] its newest file, [1] the one before.
struct Found {
  std::array<SlotFound, 2> slot;
};

Found found_of(const CheckpointFile& newest, const CheckpointFile& before);

// A Found as the integers that process 0 gathers, and back.
constexpr int kFoundWords = 10;
std::array<int64_t, kFoundWords> found_words(const Found& f);
Found found_from_words(const int64_t* words);

struct SetChoice {
  enum class Kind : int32_t { kFresh = 0, kResume = 1, kRefused = 2 };
  Kind kind = Kind::kFresh;
  int32_t block = 0;    // kResume
  uint64_t run_id = 0;  // kResume
  std::string message;  // kRefused: words to follow "cannot resume: "
};

// The choice for a run of found.size() processes: kFresh when no process
// has any checkpoint file; kResume with the newest block held by every
// process (the run and block of one of process 0's files, each process's
// file of its own rank, all of this number of processes); otherwise
// kRefused, saying what the files hold. Damaged files count as missing.
SetChoice choose_checkpoints(const std::vector<Found>& found);

// The slot of `f` that holds block `block` of run `run_id`, or -1.
int slot_holding(const Found& f, uint64_t run_id, int32_t block);

}  // namespace ptfit
