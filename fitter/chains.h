// The chain files: every process records its state after each move that it
// makes at temperature 1 in a file of its own, "chain_" and its rank, so
// that the temperature-1 chain of every ladder can be rebuilt in move order
// from the files of all processes (exchanges move temperature 1 between the
// processes of a ladder). A tab-separated text: the header
//   block move ladder process chi2 NAME...
// (one NAME per varied parameter, in table order), then one line per move
// in the free-form spelling of every value, which reads back to the
// identical bits.
//
// The walk only copies the numbers of a line into a buffer; a thread of the
// process's own spells them and writes whole lines, a buffer at a time,
// while the walk goes on. At every block end the process waits until each
// line so far is in the file, so the files are complete when a block ends
// and a reader of a running job sees whole lines only. The thread makes no
// MPI call and prints nothing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "global.h"

namespace ptfit {

// The lines of one block handed to the thread: per line the move, chi2 and
// the varied parameters' values; `used` of the `raw` values are filled.
struct ChainChunk {
  int32_t block = 0;
  std::vector<double> raw;
  size_t used = 0;
};

struct ChainWriter {
  // Set before the thread starts, read-only afterwards.
  std::string path;
  int fd = -1;
  int32_t nvalues = 0;         // varied parameters
  std::vector<size_t> varied;  // their places in the parameter table
  std::string ids;             // "\tLADDER\tPROCESS\t"
  // The walk's side.
  bool active = false;  // lines are recorded
  ChainChunk current;
  // Shared with the thread, under `lock`.
  std::mutex lock;
  std::condition_variable wake;  // work for the thread, or its end
  std::condition_variable idle;  // the thread has written a chunk
  std::deque<ChainChunk> queue;
  std::vector<ChainChunk> spare;  // written, kept for their memory
  bool busy = false;
  bool stop = false;
  std::string error;  // the first failure; the file ends before it
  bool reported = false;
  std::thread thread;

  ChainWriter() = default;
  ChainWriter(const ChainWriter&) = delete;
  ChainWriter& operator=(const ChainWriter&) = delete;
  // Ends the thread (after it wrote what it holds) and closes the file.
  ~ChainWriter();
};

// The chain file name of a process: "chain_" and its rank.
std::string chain_name(int32_t mpiid);

// The header line (with its newline): block, move, ladder, process, chi2
// and the names of the varied parameters without trailing blanks.
std::string chain_header(const Global& g);

// The ladder whose temperature-1 chain this process's lines belong to: its
// `colour` with tempering; without tempering every process walks alone at
// temperature 1 and is a ladder of its own, numbered by its rank. So are
// the processes of a ladder whose temperature ratio gives more than one
// level the temperature 1.
int32_t chain_ladder(int32_t mpiid, const RunConfig& c);

// The spelling of a column's last value, which the next line reuses when
// the value has not changed.
struct Spelled {
  bool valid = false;
  uint64_t bits = 0;  // of the value spelled
  uint8_t length = 0;
  char text[32];
};

// Room that chain_lines needs per line with `nvalues` varied parameters
// and `ids` of length `nids`.
size_t chain_line_room(int32_t nvalues, size_t nids);

// Writes the lines of `nlines` records (move, chi2, values; stride 2 +
// nvalues) of block `block` at `out` (chain_line_room each) and returns
// the end. `last` (1 + nvalues entries) carries the last spellings from
// one call to the next.
char* chain_lines(char* out,
                  int32_t block,
                  const std::string& ids,
                  const double* raw,
                  size_t nlines,
                  int32_t nvalues,
                  std::vector<Spelled>& last);

// Creates or replaces the chain file of process g.mpiid in the working
// directory, writes its header and starts the writing thread. False, with
// w.error, when the file cannot be made; nothing is recorded then.
bool chain_open(ChainWriter& w, const Global& g, const RunConfig& c);

// Opens the existing chain file of process g.mpiid, cuts it back to
// `length` bytes (what a checkpoint recorded) and starts the writing
// thread; the lines to come follow them. False, with w.error, when the file
// cannot be opened or holds fewer bytes; nothing is recorded then.
bool chain_reopen(ChainWriter& w,
                  const Global& g,
                  const RunConfig& c,
                  int64_t length);

// The bytes in the file, or -1 when no lines are recorded (the file could
// not be made or failed). REQUIRES: right after chain_block_end.
int64_t chain_length(const ChainWriter& w);

// Records the state after move `move` of block `block`.
// REQUIRES: the process is at temperature 1.
void chain_record(
    ChainWriter& w, int32_t block, int32_t move, double chi2, const Global& g);

// At a block end: hands over the block's last lines and waits until every
// line so far is in the file. Returns " error
// writing file chain_N: reason" once when the file failed (it then ends with
// the last whole line written before the failure, and nothing more is
// recorded), else "".
std::string chain_block_end(ChainWriter& w);

// Removes the chain files of an earlier run with more processes from the
// working directory ("chain_K", K >= mpisize), so that the folder holds the
// chains of one run.
void remove_stale_chains(int32_t mpisize);

}  // namespace ptfit
