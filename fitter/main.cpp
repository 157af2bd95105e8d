// ptfit: parallel-tempering fit of periodic models to a window of a series
// file, run as one MPI job. This file holds the order of the run: start-up,
// the block loop and the end; the work is done by the procedures it calls.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "atomic_file.h"
#include "block_progress.h"
#include "blockloop.h"
#include "chains.h"
#include "exchange.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "getdata.h"
#include "global.h"
#include "lineout.h"
#include "moves.h"
#include "mpi_comm.h"
#include "mpi_ptfit.h"
#include "options.h"
#include "progress.h"
#include "report.h"
#include "result_writer.h"
#include "results.h"
#include "seed.h"
#include "startup.h"
#include "status.h"
#include "usage.h"

namespace ptfit {

namespace {

// Process 0 prints the lines of the result files that the writer could not
// write and counts them in g.write_failures (the run ends with status 1).
void report_failed_writes(Global& g, const std::vector<std::string>& lines) {
  put_lines(std::cout, lines);
  g.write_failures += static_cast<int32_t>(lines.size());
}

// The stop flag that process 0 broadcasts after a phase that ended with
// `code` (0: the run goes on), and the code it stands for.
int32_t stop_flag(Status::Code code) { return static_cast<int32_t>(code); }
Status::Code stop_code(int32_t flag) { return static_cast<Status::Code>(flag); }

// The exit status of a run that ends with `code`: 0 when it goes on to its
// end, 2 when input could not be read, 1 for every other early end.
int exit_status(Status::Code code) {
  switch (code) {
    case Status::Code::kOk:
      return 0;
    case Status::Code::kInputError:
      return 2;
    default:
      return 1;
  }
}

// Process 0's status of a phase, told to every process: process 0 keeps
// its own, the others get its code. With one process there is no one to
// tell.
Status agree_on(const Global& g, Status s) {
  if (g.mpisize == 1) return s;
  const int32_t flag = share_stop(stop_flag(s.code));
  if (g.mpiid != 0) s.code = stop_code(flag);
  return s;
}

// Ends the run early on this process: prints the message of `s` (a stop's
// on standard output, an input error's diagnostic on standard error), waits
// for every process and returns the exit status.
int end_early(const Status& s) {
  if (!s.message.empty()) {
    if (s.code == Status::Code::kInputError) {
      complain(s.message);
    } else {
      put_line(std::cout, textio::free_line(s.message));
    }
  }
  if (!s.detail.empty()) complain(s.detail);
  barrier();
  return exit_status(s.code);
}

// Process 0's run dialogue and the start-up checks of what it read.
Status read_run(Global& g,
                RunConfig& c,
                const Data& d,
                textio::LineSource& in) {
  const Status s = run_dialogue(in, std::cout, g.mpisize, g, c);
  if (!s.ok()) return s;
  std::string message;
  if (!check_nparams(d.modeltype, g.nparams, message) ||
      !check_ranges(g, message) || !check_parameters(d.modeltype, g, message) ||
      !check_samplingtype(c.samplingtype, message) ||
      !check_run_config(c, message)) {
    return Status::stop(message);
  }
  return s;
}

// The replicas' walk: nblocks blocks of nmoves moves, with exchanges,
// result files, block reports and time estimates.
void block_loop(Global& g,
                RunConfig& c,
                Data& d,
                MPI_Comm subcomm,
                textio::AtomicFile* scatter,
                ChainWriter& chains,
                const PtfitOptions& o) {
  const bool root = g.mpiid == 0;
  int32_t totaltime = 0;
  int32_t ncall = 0;
  // Process 0's result files are made and written while the next block
  // runs.
  ResultWriter writer;
  std::FILE* shown = o.progress ? stderr : textio::progress_stream();
  const BlockProgress progress = block_progress_start(root ? shown : nullptr);
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
      if (g.temperature == 1.0) chain_record(chains, k, n, c.chi2cur, g);
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
    const std::string chain_error = chain_block_end(chains);
    if (!chain_error.empty()) {
      put_line(std::cout, chain_error);
      ++g.write_failures;
    }
    barrier();
    if (sampling) {
      // The previous block end's files are written by now (or reported).
      if (root) report_failed_writes(g, finish_writing(writer));
      plotbins(g, writer, std::cout);
      special_plotbins(g, d, writer, std::cout);
      if (root) start_writing(writer);
      barrier();
    }
    block_report(g, c, d, k, std::cout);
    barrier();
    if (root) {
      const TickReading now = read_tick_clock();
      totaltime = add_block_time(
          totaltime, ticks_between(start.count, now.count, now.max), now.rate);
      put_lines(std::cout, time_lines(totaltime, k, g.nblocks));
      block_progress_report(progress, k, g.nblocks, g.nmoves);
    }
    barrier();
    if (c.tempering && g.mpisize > 1 && root) {
      put_line(std::cout,
               exchange_ratio_line(g.mpiid, c.nexaccept, c.nexattempt));
    }
  }
  if (root) report_failed_writes(g, finish_writing(writer));
}

// The start temperature of this process, 1 without tempering; with
// tempering its place in its ladder, the ladder's communicator (returned),
// the level table and the exchange counts.
MPI_Comm join_ladder(Global& g, RunConfig& c) {
  g.temperature = 1.0;
  if (!c.tempering) return MPI_COMM_NULL;
  place_in_ladder(g.mpiid, c);
  MPI_Comm subcomm = split_world(c.colour, c.subrank);
  c.temperingorder.resize(c.ntemperatures);
  for (int32_t l = 0; l < c.ntemperatures; ++l) c.temperingorder[l] = l;
  g.temperature = start_temperature(c.tempratio, c.subrank);
  c.nexattempt = 0;
  c.nexaccept = 0;
  return subcomm;
}

// Opens the scatter file of process g.mpiid and writes its header; false
// (with a message, counted in g.write_failures) when it cannot be opened.
bool open_scatter(Global& g, textio::AtomicFile& file) {
  if (!textio::atomic_open(file, scatter_name(g.mpiid))) {
    put_line(std::cout,
             textio::free_line("error opening file " + scatter_name(g.mpiid) +
                               ": " + file.error));
    ++g.write_failures;
    return false;
  }
  textio::atomic_write(file, scatter_header(g));
  return true;
}

// Replaces the chain files of an earlier run (process 0 removes those of
// processes this run does not have) and opens this process's; says so when
// it cannot (counted in g.write_failures), and the run goes on without it.
void open_chains(Global& g, const RunConfig& c, ChainWriter& chains) {
  if (g.mpiid == 0) remove_stale_chains(g.mpisize);
  if (!chain_open(chains, g, c)) {
    put_line(std::cout,
             textio::free_line("error opening file " + chain_name(g.mpiid) +
                               ": " + chains.error));
    ++g.write_failures;
  }
}

// The whole run of one process; returns its exit status.
int run(Global& g, RunConfig& c, Data& d, const PtfitOptions& o) {
  const bool root = g.mpiid == 0;
  textio::LineSource in = textio::stdin_source();
  if (root) put_line(std::cout, nprocesses_line(g.mpisize));

  Status s = agree_on(g, root ? readdata(g, d, in, std::cout) : Status());
  if (!s.ok()) return end_early(s);
  if (g.mpisize > 1) {
    bcastdata(g, d, std::cout);
    barrier();
  }

  s = agree_on(g, root ? read_run(g, c, d, in) : Status());
  if (!s.ok()) return end_early(s);
  barrier();

  if (g.mpisize > 1) bcastparams(g, c);
  if (!layout_ladders(g.mpisize, c)) {
    return end_early(Status::stop(kLadderError));
  }
  barrier();

  MPI_Comm subcomm = join_ladder(g, c);

  barrier();
  if (root)
    put_line(std::cout, textio::free_line("initializing parameter details"));
  init_parameters(g, c);
  if (root) put_lines(std::cout, parameter_listing(g));

  barrier();
  if (o.seeded) {
    seed_from(g.rng, o.seed, g.mpiid);
  } else {
    seed(g.rng, g.mpiid);
  }
  first_moves(g, c, d, std::cout);
  put_line(std::cout, initial_chi2_line(g.mpiid, c.chi2cur));
  barrier();

  textio::AtomicFile scatter_file;
  const bool scatter_open = c.scatter && root && open_scatter(g, scatter_file);
  ChainWriter chains;
  open_chains(g, c, chains);

  block_loop(
      g, c, d, subcomm, scatter_open ? &scatter_file : nullptr, chains, o);

  if (c.tempering) {
    c.temperingorder.clear();
    free_comm(subcomm);
  }
  if (scatter_open && !textio::atomic_commit(scatter_file)) {
    put_line(std::cout,
             textio::free_line("error writing file " + scatter_name(g.mpiid) +
                               ": " + scatter_file.error));
    ++g.write_failures;
  }
  d.simdata.clear();
  g.fitparams.clear();
  barrier();
  // The run went to its end; a result or chain file that could not be
  // written on any process still fails it, on every process.
  const int32_t failures =
      g.mpisize > 1 ? sum_all(g.write_failures) : g.write_failures;
  Status end;
  if (failures > 0) {
    end = Status::stop("error: " + std::to_string(failures) +
                       " writes of result files failed (see above)");
    if (root) put_line(std::cout, textio::free_line(end.message));
  }
  return exit_status(end.code);
}

}  // namespace

}  // namespace ptfit

int main(int argc, char** argv) {
  const ptfit::PtfitOptions o = ptfit::read_options(argc, argv);
  // Under a file size limit a write must fail (and be reported), not kill
  // the process.
  std::signal(SIGXFSZ, SIG_IGN);
  ptfit::line_buffered_output();
  ptfit::Global g;
  ptfit::RunConfig c;
  ptfit::Data d;
  ptfit::mpi_start(&argc, &argv, g.mpiid, g.mpisize);
  if (o.ask != textio::CommandLine::Ask::kRun) {
    // Every process has the same command line: process 0 answers it, and
    // all end alike before any collective step.
    int answered = o.ask == textio::CommandLine::Ask::kRefused ? 2 : 0;
    if (g.mpiid == 0) {
      answered = o.ask == textio::CommandLine::Ask::kRefused
                     ? textio::refuse_argument("ptfit", o.refusal)
                     : textio::answer_command_line(
                           {o.ask, {}}, "ptfit", ptfit::kUsage);
    }
    ptfit::mpi_stop();
    return answered;
  }
  int status = 0;
  try {
    status = ptfit::run(g, c, d, o);
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
