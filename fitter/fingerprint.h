// What makes a run the run it is: its answers (the dialogue's, as the
// run's start-up left them), the data of its window and its parameter
// table. A checkpoint carries the fingerprint of its run, and a resumed
// run must have the same one: a checkpoint of another run must not be
// continued with other answers, data or ranges.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "checkpoint_codec.h"
#include "global.h"

namespace ptfit {

struct ParamRecord {
  std::string name;  // 20 characters, as the table holds it
  double low = 0;
  double high = 0;
};

struct Fingerprint {
  // Every answer by the name the usage gives it, and its value: integers
  // in full, reals in the free-form spelling (every bit), logicals T or F,
  // names as answered without trailing blanks.
  std::vector<std::pair<std::string, std::string>> answers;
  std::string seed;   // the number of --seed, or "clock"
  int32_t ndata = 0;  // points in the window
  uint64_t data = 0;  // hash of the model type, ndata and every bit of simdata
  std::vector<ParamRecord> params;
};

// The fingerprint of this process's run; `seed` as in Fingerprint. Only
// process 0 holds the dialogue's names and window; the others leave them
// empty.
Fingerprint fingerprint_of(const Global& g,
                           const RunConfig& c,
                           const Data& d,
                           const std::string& seed);

// What keeps the run `now` from continuing a checkpoint of the run `there`,
// as words to follow "cannot resume: ", e.g. "the answer nblocks is 10 in
// the checkpoint and 12 now"; "" when nothing does. A run without --seed
// may continue any seed; with it, only its own.
std::string fingerprint_difference(const Fingerprint& there,
                                   const Fingerprint& now);

void put_fingerprint(ByteWriter& w, const Fingerprint& f);
Fingerprint get_fingerprint(ByteReader& r);

}  // namespace ptfit
