// Checkpoints: the state restored bit for bit, damaged files told apart,
// the choice of the block to resume from, what keeps another run from
// resuming a checkpoint, and the scatter file cut back to a checkpoint.
#include "checkpoint.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "checkpoint_set.h"
#include "scatter_file.h"
#include "startup.h"
#include "tempdir.h"

namespace ptfit {
namespace {

// Two parameters and a ladder of 3 levels, made as start-up makes them.
struct State {
  Global g;
  RunConfig c;
  Data d;
  State() {
    for (const char* name : {"amp", "phase"}) {
      Fitparam p = new_fitparam();
      p.name.replace(0, std::string(name).size(), name);
      p.range = {0, 10};
      g.fitparams.push_back(p);
    }
    g.nparams = 2;
    g.mpisize = 4;
    g.mpiid = 3;
    c.chi2max = 100;
    c.tempering = true;
    c.temperingorder = {0, 1, 2};
    init_parameters(g, c);
    d.modeltype = 2;
    d.ndata = 2;
    d.simdata = {0, 1, 5, 6, 1, 1};
  }
};

uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

TEST(Checkpoint, TheWholeStateComesBackBitForBit) {
  State a;
  a.g.rng.s[2] = 0x123456789abcdefULL;
  a.g.temperature = 1.5;
  a.c.chi2cur = 0.1;
  a.c.nexattempt = 7;
  a.c.nexaccept = 3;
  a.c.temperingorder = {2, 0, 1};
  a.g.chi2eval = 11;
  a.g.avchi2 = 1.0 / 3;
  a.g.write_failures = 1;
  a.g.chi2bin[kNbins + 9999] = 2;
  Fitparam& p = a.g.fitparams[1];
  p.value = 6.25;
  p.maxstep = 1e-300;
  p.ntried = 5;
  p.naccepted = 2;
  p.neval = 4;
  p.sigmaval = -0.0;
  // Runs of bins at both ends, a -0.0 and a NaN among them.
  for (int b : {1, 2, 3, 500, 9999}) hist_count(p, b) = b * 0.5;
  hist_count(p, 4) = -0.0;
  hist_count(p, 10000) = std::nan("");
  const LoopState loop{4, 1234, 9, 77};
  const FileLengths lengths{1000, -1};
  const Fingerprint f = fingerprint_of(a.g, a.c, a.d, "42");
  const std::string bytes = encode_checkpoint(f, a.g, a.c, loop, lengths);
  // Sparse: far less than the 2 x 10,000 counts.
  EXPECT_LT(bytes.size(), 1000u);

  CheckpointId id;
  std::string why;
  ASSERT_TRUE(read_checkpoint_id(bytes, id, why)) << why;
  EXPECT_EQ(id.run_id, 77u);
  EXPECT_EQ(id.mpisize, 4);
  EXPECT_EQ(id.rank, 3);
  EXPECT_EQ(id.block, 4);
  Fingerprint back;
  ASSERT_TRUE(read_checkpoint_fingerprint(bytes, back, why));
  EXPECT_EQ(fingerprint_difference(back, f), "");

  State b;
  LoopState loop2;
  FileLengths lengths2;
  ASSERT_TRUE(read_checkpoint_state(bytes, b.g, b.c, loop2, lengths2, why))
      << why;
  EXPECT_EQ(encode_checkpoint(f, b.g, b.c, loop2, lengths2), bytes);
  for (int i = 0; i < 2 * kNbins; ++i) {
    ASSERT_EQ(bits(b.g.fitparams[1].histogram[i]), bits(p.histogram[i])) << i;
    ASSERT_EQ(bits(b.g.chi2bin[i]), bits(a.g.chi2bin[i])) << i;
  }
  EXPECT_EQ(loop2.totaltime, 1234);
  EXPECT_EQ(lengths2.scatter, 1000);
  EXPECT_EQ(lengths2.chain, -1);
}

TEST(Checkpoint, DamagedCutOrForeignBytesAreNoCheckpoint) {
  State a;
  const std::string bytes = encode_checkpoint(
      fingerprint_of(a.g, a.c, a.d, "clock"), a.g, a.c, LoopState{}, {});
  CheckpointId id;
  std::string why;
  std::string damaged = bytes;
  damaged[damaged.size() - 3] ^= 4;
  EXPECT_FALSE(read_checkpoint_id(damaged, id, why));
  EXPECT_EQ(why, "its hash does not match: the file is damaged");
  EXPECT_FALSE(read_checkpoint_id(bytes.substr(0, bytes.size() - 1), id, why));
  EXPECT_EQ(why.rfind("it holds ", 0), 0u) << why;
  std::string order = bytes;
  std::swap(order[12], order[15]);
  EXPECT_FALSE(read_checkpoint_id(order, id, why));
  EXPECT_EQ(why, "it was written on a machine of another byte order");
  EXPECT_FALSE(read_checkpoint_id("chain_0 text", id, why));
  EXPECT_EQ(why, "it is no checkpoint of ptfit");

  // A whole checkpoint of another ladder or table does not fit.
  State b;
  b.c.temperingorder = {0, 1};
  LoopState loop;
  FileLengths lengths;
  EXPECT_FALSE(read_checkpoint_state(bytes, b.g, b.c, loop, lengths, why));
  EXPECT_EQ(why, "its level table does not fit this run's ladder");
}

// What a process found: its newest and previous file as (run, block), run
// 0 for a missing file and -1 for a damaged one.
Found found(int32_t rank,
            std::pair<int64_t, int32_t> newest,
            std::pair<int64_t, int32_t> before = {0, 0}) {
  Found f;
  const std::pair<int64_t, int32_t> files[2] = {newest, before};
  for (int i = 0; i < 2; ++i) {
    if (files[i].first == 0) continue;
    f.slot[i].state = files[i].first < 0 ? SlotFound::State::kDamaged
                                         : SlotFound::State::kWhole;
    f.slot[i].id = {uint64_t(files[i].first), 3, rank, files[i].second};
  }
  return found_from_words(found_words(f).data());  // as gathered
}

TEST(CheckpointSet, TheNewestBlockThatEveryProcessHolds) {
  using Kind = SetChoice::Kind;
  // Nothing anywhere: a fresh start.
  EXPECT_EQ(choose_checkpoints({found(0, {0, 0}), found(1, {0, 0})}).kind,
            Kind::kFresh);
  struct Case {
    std::vector<Found> found;
    Kind kind;
    int32_t block;
    std::string message;
  };
  const std::string afresh =
      " (remove the files checkpoint_* to start the run afresh)";
  const std::vector<Case> cases = {
      {{found(0, {5, 3}, {5, 2}), found(1, {5, 3}, {5, 2}), found(2, {5, 3})},
       Kind::kResume,
       3,
       ""},
      // Killed while replacing: process 1 is a block behind, or between
      // its two renames; process 2's newest is damaged.
      {{found(0, {5, 3}, {5, 2}),
        found(1, {5, 2}, {5, 1}),
        found(2, {0, 0}, {5, 2})},
       Kind::kResume,
       2,
       ""},
      {{found(0, {5, 3}, {5, 2}),
        found(1, {-1, 0}, {5, 2}),
        found(2, {5, 3}, {5, 2})},
       Kind::kResume,
       2,
       ""},
      {{found(0, {5, 5}, {5, 4}), found(1, {5, 1}), found(2, {6, 5}, {6, 4})},
       Kind::kRefused,
       0,
       "no block has a checkpoint of every process (process 0: blocks 5 and "
       "4; process 1: block 1; process 2: blocks 5 of another run and 4 of "
       "another run)" +
           afresh},
      {{found(0, {0, 0}), found(1, {5, 1}), found(2, {5, 1})},
       Kind::kRefused,
       0,
       "process 0 has no whole checkpoint, other processes have checkpoint "
       "files" +
           afresh},
  };
  for (const Case& c : cases) {
    const SetChoice got = choose_checkpoints(c.found);
    EXPECT_EQ(got.kind, c.kind) << got.message;
    EXPECT_EQ(got.block, c.block);
    EXPECT_EQ(got.message, c.message);
  }
  // Checkpoints of 3 processes, 2 now.
  EXPECT_EQ(choose_checkpoints({found(0, {5, 1}), found(1, {5, 1})}).message,
            "the checkpoints are of a run of 3 processes, this run has 2");
}

TEST(Fingerprint, AnotherRunIsToldByWhatDiffers) {
  State a;
  const Fingerprint f = fingerprint_of(a.g, a.c, a.d, "42");
  State b;
  b.g.nblocks = 12;
  EXPECT_EQ(fingerprint_difference(f, fingerprint_of(b.g, b.c, b.d, "42")),
            "the answer nblocks is 0 in the checkpoint and 12 now");
  // Without --seed any seed goes on; with it, only the same.
  EXPECT_EQ(fingerprint_difference(f, fingerprint_of(a.g, a.c, a.d, "clock")),
            "");
  EXPECT_EQ(fingerprint_difference(f, fingerprint_of(a.g, a.c, a.d, "7")),
            "--seed 7 asks for another run: the checkpoint's was seeded with "
            "42");
  State c;
  c.d.simdata[3] = std::nextafter(6.0, 7.0);
  EXPECT_EQ(fingerprint_difference(f, fingerprint_of(c.g, c.c, c.d, "42")),
            "the data of the window differ: 2 points in the checkpoint and 2 "
            "now, of other values");
  State e;
  e.g.fitparams[0].range[1] = 11;
  EXPECT_EQ(fingerprint_difference(f, fingerprint_of(e.g, e.c, e.d, "42")),
            "the parameter file differs: parameter 1 (amp) has the range "
            "0.0000000000000000 to 10.000000000000000 in the checkpoint and "
            "0.0000000000000000 to 11.000000000000000 now");
}

TEST(ScatterFile, InPlaceItIsCutBackToTheLengthOfACheckpoint) {
  testsupport::TempDir dir;
  const std::string path = dir.at("scatter_0");
  ScatterFile f;
  ASSERT_TRUE(scatter_open(f, path, true, "head\n")) << f.error;
  scatter_append(f, "one\n");
  ASSERT_TRUE(scatter_block_end(f));
  EXPECT_EQ(f.length, 9);
  scatter_append(f, "two\n");
  ASSERT_TRUE(scatter_block_end(f));
  ASSERT_TRUE(scatter_close(f));
  EXPECT_EQ(dir.read("scatter_0"), "head\none\ntwo\n");

  ScatterFile g;
  ASSERT_TRUE(scatter_reopen(g, path, 9)) << g.error;
  scatter_append(g, "three\n");
  ASSERT_TRUE(scatter_close(g));
  EXPECT_EQ(dir.read("scatter_0"), "head\none\nthree\n");

  ScatterFile h;
  EXPECT_FALSE(scatter_reopen(h, path, 100));
  EXPECT_EQ(h.error,
            path + " holds 15 bytes, fewer than the 100 of the checkpoint");
}

}  // namespace
}  // namespace ptfit
