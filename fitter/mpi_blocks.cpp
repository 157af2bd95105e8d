// The block loop.
#include "mpi_blocks.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "block_progress.h"
#include "blockloop.h"
#include "exchange.h"
#include "freeform_out.h"
#include "lineout.h"
#include "mpi_comm.h"
#include "mpi_ptfit.h"
#include "progress.h"
#include "report.h"
#include "result_writer.h"
#include "results.h"
#include "seed.h"

namespace ptfit {

namespace {

// Process 0 prints the lines of the result files that the writer could not
// write and counts them in g.write_failures (the run ends with status 1).
void report_failed_writes(Global& g, const std::vector<std::string>& lines) {
  put_lines(std::cout, lines);
  g.write_failures += static_cast<int32_t>(lines.size());
}

// A write that failed at a block end: said, and counted.
void report_failure(Global& g, const std::string& line) {
  put_line(std::cout, line);
  ++g.write_failures;
}

// The moves of block k, with their chain lines, scatter records and
// exchanges.
void run_block(Global& g, RunConfig& c, Data& d, Walk& w, int32_t k) {
  const bool sampling = k > c.statistics_start;
  int32_t level = -1;
  int32_t sincex = 0;
  for (int32_t n = 1; n <= g.nmoves; ++n) {
    sincex += 1;
    level = next_level(level, c.ntemperatures);
    run_move(g, c, d, sampling, std::cout);
    if (g.temperature == 1.0) chain_record(w.chains, k, n, c.chi2cur, g);
    // Only process 0 has a scatter file; the records of another process
    // at temperature 1 are dropped.
    if (c.scatter && w.scatter.open && g.temperature == 1.0) {
      scatter_append(w.scatter, scatter_record(g, c.chi2cur) + '\n');
    }
    if (c.tempering && sincex == c.nexchange) {
      sincex = 0;
      const int32_t outcome = evalexchange(g,
                                           c,
                                           d,
                                           w.subcomm,
                                           c.temperingorder[level],
                                           c.temperingorder[level + 1],
                                           w.loop.ncall,
                                           std::cout);
      tempering_statistics(c, outcome);
    }
  }
}

// The result files of a block end after statistics_start, summed over the
// processes; process 0 queues them on `writer`.
void result_files(Global& g, Data& d, ResultWriter& writer) {
  plotbins(g, writer, std::cout);
  special_plotbins(g, d, writer, std::cout);
  if (g.mpiid == 0) start_writing(writer);
  barrier();
}

// This process's checkpoint after block w.loop.block, once the one before
// is written: made now, written on the checkpoint thread after the chain
// lines and scatter records it counts are synced. A failure is said and
// counted at the next block end; the checkpoint before stays.
void write_block_checkpoint(Global& g, const RunConfig& c, Walk& w) {
  for (const std::string& line : finish_checkpoint(w.writer)) {
    report_failure(g, line);
  }
  if (w.kill_block == w.loop.block) {
    std::fflush(nullptr);
    std::raise(SIGKILL);
  }
  const std::string scatter = scatter_name(g.mpiid);
  if (!scatter_block_end(w.scatter)) {
    report_failure(g,
                   textio::free_line("error writing file " + scatter + ": " +
                                     w.scatter.error));
  }
  FileLengths lengths;
  std::vector<SyncedFile> files;
  if (w.scatter.in_place && w.scatter.open) {
    lengths.scatter = w.scatter.length;
    files.emplace_back(w.scatter.fd, scatter);
  }
  lengths.chain = chain_length(w.chains);
  if (lengths.chain >= 0) files.emplace_back(w.chains.fd, w.chains.path);
  start_checkpoint(w.writer,
                   g.mpiid,
                   encode_checkpoint(w.fingerprint, g, c, w.loop, lengths),
                   std::move(files));
}

}  // namespace

void block_loop(Global& g, RunConfig& c, Data& d, Walk& w) {
  const bool root = g.mpiid == 0;
  // Process 0's result files are made and written while the next block
  // runs.
  ResultWriter writer;
  std::FILE* shown = w.progress ? stderr : textio::progress_stream();
  const BlockProgress progress =
      block_progress_start(root ? shown : nullptr, w.loop.block);
  if (w.loop.block > 0 && w.loop.block > c.statistics_start) {
    barrier();
    result_files(g, d, writer);
  }
  for (int32_t k = w.loop.block + 1; k <= g.nblocks; ++k) {
    TickReading start;
    if (root) start = read_tick_clock();
    run_block(g, c, d, w, k);
    const std::string chain_error = chain_block_end(w.chains);
    if (!chain_error.empty()) report_failure(g, chain_error);
    barrier();
    if (k > c.statistics_start) {
      // The previous block end's files are written by now (or reported).
      if (root) report_failed_writes(g, finish_writing(writer));
      result_files(g, d, writer);
    }
    block_report(g, c, d, k, std::cout);
    barrier();
    if (root) {
      const TickReading now = read_tick_clock();
      w.loop.totaltime =
          add_block_time(w.loop.totaltime,
                         ticks_between(start.count, now.count, now.max),
                         now.rate);
      put_lines(std::cout, time_lines(w.loop.totaltime, k, g.nblocks));
      block_progress_report(progress, k, g.nblocks, g.nmoves);
    }
    barrier();
    if (c.tempering && g.mpisize > 1 && root) {
      put_line(std::cout,
               exchange_ratio_line(g.mpiid, c.nexaccept, c.nexattempt));
    }
    w.loop.block = k;
    if (w.checkpoints) write_block_checkpoint(g, c, w);
  }
  if (root) report_failed_writes(g, finish_writing(writer));
  for (const std::string& line : finish_checkpoint(w.writer)) {
    report_failure(g, line);
  }
}

}  // namespace ptfit
