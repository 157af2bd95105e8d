// ptfit: parallel-tempering fit of periodic models to a window of a series
// file, run as one MPI job. This file holds the order of the run: start-up,
// the start of the walk (fresh, or resumed from checkpoints), the block loop
// (mpi_blocks.cpp) and the end; the work is done by the procedures it
// calls.
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "atomic_file.h"
#include "blockloop.h"
#include "chains.h"
#include "checkpoint.h"
#include "exchange.h"
#include "fingerprint.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "getdata.h"
#include "global.h"
#include "lineout.h"
#include "moves.h"
#include "mpi_blocks.h"
#include "mpi_checkpoint.h"
#include "mpi_comm.h"
#include "mpi_ptfit.h"
#include "options.h"
#include "report.h"
#include "results.h"
#include "scatter_file.h"
#include "seed.h"
#include "startup.h"
#include "status.h"
#include "usage.h"

namespace ptfit {

namespace {

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

// Opens the files of a fresh walk: process 0's scatter file (in place when
// the run writes checkpoints) and this process's chain file, replacing an
// earlier run's (process 0 removes the chain files of processes this run
// does not have). The earlier run's checkpoints of this process go too:
// they describe files that are now replaced, and a later --resume must not
// graft that run onto this one. A file that cannot be made is said and
// counted in g.write_failures, and the run goes on without it.
void open_files(Global& g, const RunConfig& c, Walk& w) {
  const bool root = g.mpiid == 0;
  std::error_code ignored;
  std::filesystem::remove(checkpoint_name(g.mpiid), ignored);
  std::filesystem::remove(previous_checkpoint_name(g.mpiid), ignored);
  if (c.scatter && root &&
      !scatter_open(
          w.scatter, scatter_name(g.mpiid), w.checkpoints, scatter_header(g))) {
    put_line(std::cout,
             textio::free_line("error opening file " + scatter_name(g.mpiid) +
                               ": " + w.scatter.error));
    ++g.write_failures;
  }
  if (root) remove_stale_chains(g.mpisize);
  if (!chain_open(w.chains, g, c)) {
    put_line(std::cout,
             textio::free_line("error opening file " + chain_name(g.mpiid) +
                               ": " + w.chains.error));
    ++g.write_failures;
  }
}

// A resumed walk's files, cut back to the lengths that its checkpoints
// recorded (-1: the file kept no records then, and keeps none now). True
// on every process when every process could.
bool reopen_files(Global& g,
                  const RunConfig& c,
                  Walk& w,
                  const FileLengths& lengths) {
  std::string error;
  if (lengths.scatter >= 0 &&
      !scatter_reopen(w.scatter, scatter_name(g.mpiid), lengths.scatter)) {
    error = w.scatter.error;
  }
  if (error.empty() && lengths.chain >= 0 &&
      !chain_reopen(w.chains, g, c, lengths.chain)) {
    error = w.chains.error;
  }
  if (!error.empty()) {
    put_line(std::cout, textio::free_line("error: cannot resume: " + error));
  }
  return all_ok(error.empty());
}

// Removes what the kill of an earlier attempt may have left: the temporary
// files of this process's checkpoint and, on process 0, of the result
// files.
void remove_left_temporaries(const Global& g) {
  textio::remove_left_temporaries(checkpoint_name(g.mpiid));
  if (g.mpiid != 0) return;
  for (const Fitparam& p : g.fitparams) {
    textio::remove_left_temporaries(histogram_name(p));
  }
  for (const char* name : {"chi2.bin", "reconstructed", "scatter_0"}) {
    textio::remove_left_temporaries(name);
  }
}

// The start of the walk. With --resume and checkpoints to resume from: the
// state of their block and the files cut back to it. Otherwise a fresh
// walk: the stream seeded (from --seed or the clock), the first moves and
// the initial chi-square lines, new files. A stop when the checkpoints
// cannot be resumed (the messages are printed).
Status start_walk(
    Global& g, RunConfig& c, Data& d, const PtfitOptions& o, Walk& w) {
  const bool root = g.mpiid == 0;
  w.checkpoints = o.resume;
  w.progress = o.progress;
  if (o.resume) {
    w.fingerprint =
        fingerprint_of(g, c, d, o.seeded ? std::to_string(o.seed) : "clock");
    bool resumed = false;
    FileLengths lengths;
    const Status s = resume_from_checkpoints(
        g, c, d, w.fingerprint, w.loop, lengths, resumed, std::cout);
    if (!s.ok()) return s;
    remove_left_temporaries(g);
    if (resumed) {
      if (!reopen_files(g, c, w, lengths)) return Status::stop("");
      if (root) put_line(std::cout, resumed_line(w.loop.block, g.nblocks));
      barrier();
      return {};
    }
    if (root) put_line(std::cout, textio::free_line(kFreshStart));
    w.loop.run_id = share_run_id(g);
  }
  if (o.seeded) {
    seed_from(g.rng, o.seed, g.mpiid);
  } else {
    seed(g.rng, g.mpiid);
  }
  first_moves(g, c, d, std::cout);
  put_line(std::cout, initial_chi2_line(g.mpiid, c.chi2cur));
  barrier();
  open_files(g, c, w);
  return {};
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

  Walk w;
  w.subcomm = join_ladder(g, c);
  w.kill_block = read_kill_point(std::getenv("PTFIT_TEST_KILL"));

  barrier();
  if (root)
    put_line(std::cout, textio::free_line("initializing parameter details"));
  init_parameters(g, c);
  if (root) put_lines(std::cout, parameter_listing(g));

  barrier();
  s = start_walk(g, c, d, o, w);
  if (!s.ok()) return end_early(s);

  block_loop(g, c, d, w);

  if (c.tempering) {
    c.temperingorder.clear();
    free_comm(w.subcomm);
  }
  if (!scatter_close(w.scatter)) {
    put_line(std::cout,
             textio::free_line("error writing file " + scatter_name(g.mpiid) +
                               ": " + w.scatter.error));
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
