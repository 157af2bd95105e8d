// The collective procedures of ptfit: the data and parameter broadcasts,
// the stop flag of an early end, the replica exchange within a ladder, the
// histogram and model files summed over all processes, and the block
// report's combined sums. Each must be reached by every process of its
// communicator at the same point of the run.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <ostream>

#include "global.h"
#include "result_writer.h"

namespace ptfit {

// Gives every process process 0's `flag` (0: go on; otherwise the run
// ends). Only called with more than one process.
int32_t share_stop(int32_t flag);

// Process 0's modeltype, ndata and simdata to every other process.
void bcastdata(const Global& g, Data& d, std::ostream& out);

// Process 0's parameter names and ranges and its run configuration to every
// other process, which makes its own table with the defaults.
void bcastparams(Global& g, RunConfig& c);

// One exchange attempt between the subranks i1 (lower level, the decider)
// and i2 of the ladder `subcomm`; every process of the ladder calls it with
// the same pair. Returns -1 (not in the pair), 0 (rejected) or 1 (the two
// swapped temperatures). Every process of the ladder ends with the
// decider's temperingorder. A bad pair prints three lines and ends the job.
int32_t evalexchange(Global& g,
                     RunConfig& c,
                     Data& d,
                     MPI_Comm subcomm,
                     int32_t i1,
                     int32_t i2,
                     int32_t& ncall,
                     std::ostream& out);

// The histograms of all processes summed; process 0 queues one file per
// varied parameter and "chi2.bin" on `writer` (a file that cannot be
// opened is reported on `out` at once and counted in g.write_failures).
void plotbins(Global& g, ResultWriter& writer, std::ostream& out);

// The mean parameters over all processes; process 0 queues
// "reconstructed" on `writer`.
void special_plotbins(Global& g,
                      const Data& d,
                      ResultWriter& writer,
                      std::ostream& out);

// The block report after block k, with its sums over all processes;
// process 0 prints it.
void block_report(
    const Global& g, const RunConfig& c, Data& d, int32_t k, std::ostream& out);

}  // namespace ptfit
