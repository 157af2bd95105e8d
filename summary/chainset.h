// The chains of a run, rebuilt from the chain files that ptfit writes into
// its working directory ("chain_0", "chain_1", ...: a header line, then one
// tab-separated line per move made at temperature 1 with block, move,
// ladder, process, chi2 and the varied parameters). With exchanges the
// temperature-1 state moves between the processes of a ladder, so a
// ladder's chain is the lines of all files with its number, in the order of
// block and move.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ptsummary {

// The temperature-1 chain of one ladder over the complete blocks:
// `values` holds per move the chi2 and then the parameters' values
// (columns() numbers), in move order.
struct LadderChain {
  int32_t ladder = 0;
  std::vector<double> values;
};

struct ChainSet {
  std::vector<std::string> names;  // the varied parameters, in file order
  int32_t nprocesses = 0;          // chain files chain_0 .. chain_{n-1}
  int32_t nmoves = 0;              // moves a block
  int32_t nblocks = 0;             // blocks complete in every ladder
  int32_t last_block = 0;          // the last block with any line
  std::vector<LadderChain> ladders;
  // chi2 and the parameters
  size_t columns() const { return 1 + names.size(); }
  // samples of each ladder
  size_t length() const { return size_t(nmoves) * size_t(nblocks); }
};

// Reads every chain file of `dir` and rebuilds the chain of each ladder
// over the blocks that all ladders have complete (a running job's last
// block may not be; its lines are left out). False with a one-line `error`
// when the files cannot be read, a line is malformed, a ladder has two
// lines for one move (files of two runs), a file is missing between
// chain_0 and the last one, or no block is complete.
bool read_chains(const std::string& dir, ChainSet& set, std::string& error);

}  // namespace ptsummary
