// The block loop of every process: nblocks blocks of nmoves moves with
// their exchanges, and at every block end the chain lines, the result
// files, the block report, the time estimate and the exchange ratio, then,
// in a run that can be resumed, the checkpoint.
#pragma once

#include <mpi.h>

#include <cstdint>

#include "chains.h"
#include "checkpoint.h"
#include "checkpoint_writer.h"
#include "fingerprint.h"
#include "global.h"
#include "scatter_file.h"

namespace ptfit {

// What the walk carries besides the shared state.
struct Walk {
  MPI_Comm subcomm = MPI_COMM_NULL;  // the ladder's, with tempering
  ScatterFile scatter;               // process 0's, when `scatter` is T
  ChainWriter chains;
  LoopState loop;            // blocks done, time counted, exchange calls
  bool checkpoints = false;  // a checkpoint at every block end (--resume)
  CheckpointWriter writer;   // the checkpoint under way
  Fingerprint fingerprint;   // of this run, kept in every checkpoint
  bool progress = false;     // the line a block also off a terminal
  // Testing aid: the process ends itself by SIGKILL at the end of block
  // kill_block, before its checkpoint (0: never).
  int32_t kill_block = 0;

  Walk() = default;
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;
};

// Runs the blocks after w.loop.block up to g.nblocks. A resumed run (one
// block or more done) first writes the result files of its last block
// again, from the restored state, as that block end did.
void block_loop(Global& g, RunConfig& c, Data& d, Walk& w);

}  // namespace ptfit
