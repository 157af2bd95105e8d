// The collective steps of a run that can be resumed (--resume): finding the
// checkpoints to resume from and restoring every process's state, the id
// of a fresh run, and the agreement of all processes on a failure.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "checkpoint.h"
#include "global.h"
#include "status.h"

namespace ptfit {

// At start-up, after the parameter listing. Every process reads its two
// checkpoint files (a damaged one gets a note on `out` and counts as
// missing); process 0 chooses the set (checkpoint_set.h) and compares the
// fingerprint of its checkpoint with `now`; then every process restores
// its state, the block, the run id and the file lengths, and checks that
// the chi-square of the restored values is the one recorded. Process 0's
// `now` takes the checkpoint's seed, which a run without --seed continues.
// `resumed` false: no checkpoint at all, the run starts afresh. A stop, the
// same on every process, when the set cannot be resumed or does not fit this
// run (the messages are printed: process 0's " error: cannot resume: ...", or
// that of the process whose checkpoint failed).
Status resume_from_checkpoints(Global& g,
                               RunConfig& c,
                               Data& d,
                               Fingerprint& now,
                               LoopState& loop,
                               FileLengths& lengths,
                               bool& resumed,
                               std::ostream& out);

// A fresh run's id, drawn by process 0 and given to every process.
uint64_t share_run_id(const Global& g);

// True on every process when `ok` is true on all of them.
bool all_ok(bool ok);

}  // namespace ptfit
