// The walk of one process between two communications: the first move of
// every parameter at start-up, and one move of the block loop (nskip sweeps
// over the varied parameters, each trial with its acceptance test and step
// adaptation, samples binned in the last sweep).
#pragma once

#include <cstdint>
#include <ostream>

#include "global.h"

namespace ptfit {

// One move per varied parameter, in table order, without acceptance test
// and uncounted, then chi2cur of the result.
void first_moves(Global& g, RunConfig& c, Data& d, std::ostream& out);

// One trial of parameter j (1..nparams): proposal, chi-square, acceptance by
// c.samplingtype at g.temperature, the value kept or restored, the counts
// and step width updated.
void trial(Global& g, RunConfig& c, Data& d, int32_t j, std::ostream& out);

// One move: nskip sweeps over the varied parameters. With `sampling` every
// trial of the last sweep is followed by the binning of the whole state.
void run_move(
    Global& g, RunConfig& c, Data& d, bool sampling, std::ostream& out);

}  // namespace ptfit
