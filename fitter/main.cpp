// ptfit: parallel-tempering fit of periodic models to a window of a series
// file, run as one MPI job. This file holds the order of the run: start-up,
// the block loop and the end; the work is done by the procedures it calls.
#include <exception>
#include <iostream>
#include <string>

#include "atomic_file.h"
#include "blockloop.h"
#include "exchange.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "getdata.h"
#include "global.h"
#include "lineout.h"
#include "moves.h"
#include "mpi_comm.h"
#include "mpi_ptfit.h"
#include "report.h"
#include "results.h"
#include "seed.h"
#include "startup.h"

namespace ptfit {

namespace {

// Stop flags shared by process 0 (0 goes on).
constexpr int32_t kStopOrderly = 1;
constexpr int32_t kStopInputError = 2;

int32_t stop_flag(Ending e) {
  switch (e) {
    case Ending::kGoOn:
      return 0;
    case Ending::kStop:
      return kStopOrderly;
    case Ending::kInputError:
      return kStopInputError;
  }
  return kStopOrderly;
}

// Process 0's flag to all processes; with one process there is no one to
// tell.
int32_t agree_on_stop(const Global& g, int32_t flag) {
  return g.mpisize > 1 ? share_stop(flag) : flag;
}

// The exit status of a run that ends early with `flag`.
int end_early(int32_t flag) {
  barrier();
  return flag == kStopInputError ? 2 : 0;
}

// Process 0's data dialogue and data input; the stop flag of its outcome.
int32_t read_data(Global& g, Data& d, textio::LineSource& in) {
  const ReadDataResult r = readdata(g, d, in, std::cout);
  switch (r.outcome) {
    case ReadOutcome::kOk:
      return 0;
    case ReadOutcome::kInputError:
      complain(r.diagnostic);
      return kStopInputError;
    case ReadOutcome::kNoData:
    case ReadOutcome::kStop:
      return kStopOrderly;
  }
  return kStopOrderly;
}

// Process 0's run dialogue and the start-up checks of what it read.
int32_t read_run(Global& g,
                 RunConfig& c,
                 const Data& d,
                 textio::LineSource& in) {
  const Ending e = run_dialogue(in, std::cout, g.mpisize, g, c);
  if (e != Ending::kGoOn) return stop_flag(e);
  std::string message;
  if (!check_nparams(d.modeltype, g.nparams, message) ||
      !check_samplingtype(c.samplingtype, message)) {
    put_line(std::cout, textio::free_line(message));
    return kStopOrderly;
  }
  return 0;
}

// The replicas' walk: nblocks blocks of nmoves moves, with exchanges,
// result files, block reports and time estimates.
void block_loop(Global& g,
                RunConfig& c,
                Data& d,
                MPI_Comm subcomm,
                textio::AtomicFile* scatter) {
  const bool root = g.mpiid == 0;
  int32_t totaltime = 0;
  int32_t ncall = 0;
  for (int32_t k = 1; k <= g.nblocks; ++k) {
    int32_t level = -1;
    TickReading start;
    if (root) start = read_tick_clock();
    int32_t sincex = 0;
    const bool sampling = k > c.statistics_start;
    for (int32_t n = 1; n <= g.nmoves; ++n) {
      sincex += 1;
      level = next_level(level, c.ntemperatures);
      run_move(g, c, d, sampling, std::cout);
      // Only process 0 has a scatter file; the records of another process
      // at temperature 1 are dropped.
      if (c.scatter && scatter != nullptr && g.temperature == 1.0) {
        textio::atomic_write(*scatter, scatter_record(g, c.chi2cur) + '\n');
      }
      if (c.tempering && sincex == c.nexchange) {
        sincex = 0;
        const int32_t outcome = evalexchange(g,
                                             c,
                                             d,
                                             subcomm,
                                             c.temperingorder[level],
                                             c.temperingorder[level + 1],
                                             ncall,
                                             std::cout);
        tempering_statistics(c, outcome);
      }
    }
    barrier();
    if (sampling) {
      plotbins(g, std::cout);
      special_plotbins(g, d, std::cout);
      barrier();
    }
    block_report(g, c, d, k, std::cout);
    barrier();
    if (root) {
      const TickReading now = read_tick_clock();
      totaltime = add_block_time(
          totaltime, ticks_between(start.count, now.count, now.max), now.rate);
      put_lines(std::cout, time_lines(totaltime, k, g.nblocks));
    }
    barrier();
    if (c.tempering && g.mpisize > 1 && root) {
      put_line(std::cout,
               exchange_ratio_line(g.mpiid, c.nexaccept, c.nexattempt));
    }
  }
}

// The whole run of one process; returns its exit status.
int run(Global& g, RunConfig& c, Data& d) {
  const bool root = g.mpiid == 0;
  textio::LineSource in = textio::stdin_source();
  if (root) put_line(std::cout, nprocesses_line(g.mpisize));

  int32_t flag = root ? read_data(g, d, in) : 0;
  flag = agree_on_stop(g, flag);
  if (flag != 0) return end_early(flag);
  if (g.mpisize > 1) {
    bcastdata(g, d, std::cout);
    barrier();
  }

  flag = root ? read_run(g, c, d, in) : 0;
  flag = agree_on_stop(g, flag);
  if (flag != 0) return end_early(flag);
  barrier();

  if (g.mpisize > 1) bcastparams(g, c);
  if (!layout_ladders(g.mpisize, c)) {
    put_line(std::cout, textio::free_line(kLadderError));
    return end_early(kStopOrderly);
  }
  barrier();

  g.temperature = 1.0;
  MPI_Comm subcomm = MPI_COMM_NULL;
  if (c.tempering) {
    place_in_ladder(g.mpiid, c);
    subcomm = split_world(c.colour, c.subrank);
    c.temperingorder.resize(c.ntemperatures);
    for (int32_t l = 0; l < c.ntemperatures; ++l) c.temperingorder[l] = l;
    g.temperature = start_temperature(c.tempratio, c.subrank);
    c.nexattempt = 0;
    c.nexaccept = 0;
  }

  barrier();
  if (root)
    put_line(std::cout, textio::free_line("initializing parameter details"));
  init_parameters(g, c);
  if (root) put_lines(std::cout, parameter_listing(g));

  barrier();
  seed(g.rng, g.mpiid);
  first_moves(g, c, d, std::cout);
  put_line(std::cout, initial_chi2_line(g.mpiid, c.chi2cur));
  barrier();

  textio::AtomicFile scatter_file;
  bool scatter_open = false;
  if (c.scatter && root) {
    scatter_open = textio::atomic_open(scatter_file, scatter_name(g.mpiid));
    if (scatter_open) {
      textio::atomic_write(scatter_file, scatter_header(g));
    } else {
      put_line(std::cout,
               textio::free_line("error opening file " + scatter_name(g.mpiid) +
                                 ": " + scatter_file.error));
    }
  }

  block_loop(g, c, d, subcomm, scatter_open ? &scatter_file : nullptr);

  if (c.tempering) {
    c.temperingorder.clear();
    free_comm(subcomm);
  }
  if (scatter_open && !textio::atomic_commit(scatter_file)) {
    put_line(std::cout,
             textio::free_line("error writing file " + scatter_name(g.mpiid) +
                               ": " + scatter_file.error));
  }
  d.simdata.clear();
  g.fitparams.clear();
  barrier();
  return 0;
}

}  // namespace

}  // namespace ptfit

int main(int argc, char** argv) {
  ptfit::line_buffered_output();
  ptfit::Global g;
  ptfit::RunConfig c;
  ptfit::Data d;
  ptfit::mpi_start(&argc, &argv, g.mpiid, g.mpisize);
  int status = 0;
  try {
    status = ptfit::run(g, c, d);
  } catch (const std::exception& e) {
    // Out of memory or the like on one process: end the whole job rather
    // than leave the others waiting.
    ptfit::complain(std::string("ptfit: ") + e.what());
    ptfit::mpi_abort(1);
  }
  std::cout.flush();
  ptfit::mpi_stop();
  return status;
}
