// ptfit's command line. Besides the suite's --help and --version, a run
// takes three options:
//   --seed N    the streams of the processes come from N (a non-negative
//               integer below 2^64) and the process number instead of the
//               clock, so that a run repeats exactly;
//   --resume    the run continues from the newest complete set of
//               checkpoints in the working directory (or starts afresh
//               when there is none) and writes a checkpoint at every
//               block end;
//   --progress  process 0's line a block on standard error even when it is
//               no terminal (under mpirun it is a pipe).
// `--seed=N` is the same as `--seed N`; an option given twice counts once,
// the last value of --seed winning. Anything else is refused as by every
// program of the suite.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "command_line.h"

namespace ptfit {

struct PtfitOptions {
  textio::CommandLine::Ask ask = textio::CommandLine::Ask::kRun;
  std::string refusal;  // kRefused: what is said after "ptfit: "
  bool seeded = false;  // --seed was given
  uint64_t seed = 0;
  bool resume = false;
  bool progress = false;
};

// Reads argv[1] to argv[argc - 1] in order. --help or --version ends the
// reading and asks for that; the first argument that is no option of ptfit,
// or a --seed without a fitting value, makes the line refused.
PtfitOptions read_options(int argc, const char* const* argv);

// The value of --seed: true with `seed` set when `text` is a decimal
// non-negative integer below 2^64 (digits only); false with the words of
// the refusal otherwise.
bool read_seed(std::string_view text, uint64_t& seed, std::string& refusal);

// The testing aid PTFIT_TEST_KILL=K: every process ends itself by SIGKILL
// at the end of block K, before its checkpoint. The block from `text`, or
// 0 (never) when it is null or no positive integer.
int32_t read_kill_point(const char* text);

}  // namespace ptfit
