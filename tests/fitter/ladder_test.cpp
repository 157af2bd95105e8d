// Ladder layout, replica exchange decisions and the parameter file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "exchange.h"
#include "startup.h"
#include "tempdir.h"

namespace ptfit {
namespace {

TEST(Ladders, CountsThatDoNotDivideTheProcessesAreRefused) {
  for (int32_t bad : {0, -2, 3, 5}) {
    RunConfig c;
    c.nclones = bad;
    EXPECT_FALSE(layout_ladders(4, c)) << bad;
  }
  RunConfig c;
  c.nclones = 2;
  c.tempering = true;
  c.clones = true;
  ASSERT_TRUE(layout_ladders(6, c));
  EXPECT_EQ(c.ntemperatures, 3);
  EXPECT_TRUE(c.tempering);
  EXPECT_TRUE(c.clones);
  std::vector<std::pair<int32_t, int32_t>> places;
  for (int32_t id = 0; id < 6; ++id) {
    place_in_ladder(id, c);
    places.emplace_back(c.colour, c.subrank);
  }
  EXPECT_EQ(places,
            (std::vector<std::pair<int32_t, int32_t>>{
                {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}));
}

TEST(Ladders, OneLadderClearsClonesAndOneLevelClearsTempering) {
  RunConfig c;
  c.nclones = 1;
  c.clones = true;
  c.tempering = true;
  ASSERT_TRUE(layout_ladders(4, c));
  EXPECT_FALSE(c.clones);
  EXPECT_TRUE(c.tempering);
  c.nclones = 4;
  c.clones = true;
  ASSERT_TRUE(layout_ladders(4, c));
  EXPECT_EQ(c.ntemperatures, 1);
  EXPECT_FALSE(c.tempering);
  EXPECT_TRUE(c.clones);
}

TEST(Ladders, TemperaturesAndTheCycleOfExchangePairs) {
  EXPECT_EQ(start_temperature(2.0, 0), 1.0);
  EXPECT_EQ(start_temperature(1.5, 2), 2.25);
  EXPECT_EQ(start_temperature(0.5, 3), 0.125);
  std::vector<int32_t> levels;
  int32_t level = -1;
  for (int n = 0; n < 7; ++n) levels.push_back(level = next_level(level, 4));
  EXPECT_EQ(levels, (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0}));
  level = -1;
  for (int n = 0; n < 3; ++n) EXPECT_EQ(level = next_level(level, 2), 0);
  EXPECT_EQ(next_level(-1, 1), 0);
}

TEST(Exchange, ProbabilityFavoursTheColderReplicaHoldingTheLowerChi2) {
  // The colder process has the larger chi-square: always swap.
  EXPECT_EQ(exchange_probability(1.0, 50.0, 2.0, 10.0), 1.0);
  // The other way round: exp((0.5 - 0.25) * (10 - 50)) = exp(-10).
  EXPECT_DOUBLE_EQ(exchange_probability(1.0, 10.0, 2.0, 50.0), std::exp(-10.0));
  EXPECT_EQ(exchange_probability(1.0, NAN, 2.0, 1.0), 1.0);
  EXPECT_EQ(exchange_probability(1.0, INFINITY, 2.0, 1.0), 1.0);
  EXPECT_EQ(exchange_probability(1.0, 1.0, 1.0, 1.0), 1.0);
}

TEST(Exchange, SwapKeepsTheLevelTableAPermutation) {
  std::vector<int32_t> order = {0, 1, 2, 3};
  swap_levels(order, 1, 2);
  EXPECT_EQ(order, (std::vector<int32_t>{0, 2, 1, 3}));
  swap_levels(order, 2, 3);
  EXPECT_EQ(order, (std::vector<int32_t>{0, 3, 1, 2}));
  RunConfig c;
  tempering_statistics(c, -1);
  tempering_statistics(c, 0);
  tempering_statistics(c, 1);
  EXPECT_EQ(c.nexattempt, 2);
  EXPECT_EQ(c.nexaccept, 1);
  EXPECT_TRUE(bad_pair(1, 1, 4));
  EXPECT_TRUE(bad_pair(-1, 0, 4));
  EXPECT_TRUE(bad_pair(3, 4, 4));
  EXPECT_FALSE(bad_pair(3, 0, 4));
}

using testsupport::TempDir;

}  // namespace

// A status as a failing expectation shows it.
void PrintTo(const Status& s, std::ostream* os) {
  *os << "{code " << static_cast<int>(s.code) << ", \"" << s.message << "\"";
  if (!s.detail.empty()) *os << ", \"" << s.detail << "\"";
  *os << "}";
}

namespace {

Status dialogue(const std::string& answers,
                int32_t mpisize,
                Global& g,
                RunConfig& c,
                std::string& printed) {
  std::istringstream text(answers);
  textio::LineSource in;
  in.in = &text;
  in.name = "standard input";
  std::ostringstream out;
  const Status s = run_dialogue(in, out, mpisize, g, c);
  printed = out.str();
  return s;
}

TEST(RunDialogue, ReadsParameterFileAndSixConfigurationReads) {
  TempDir dir;
  const std::string params =
      dir.write("p.txt", "'an amp' 1 3 ignored\nper,10\n 20\n");
  Global g;
  RunConfig c;
  std::string printed;
  const std::string answers = "2 0\n'" + params +
                              "'\n5 100\n 2 1 extra\n1\n250.5\n"
                              "T 10 1.5\nT 2\nF\n";
  ASSERT_TRUE(dialogue(answers, 4, g, c, printed).ok());
  EXPECT_EQ(printed,
            " enter number of parameters\n"
            " enter filename to read parameter details\n");
  ASSERT_EQ(g.fitparams.size(), 2u);
  EXPECT_EQ(g.fitparams[0].name, "an amp              ");
  EXPECT_EQ(g.fitparams[1].name, "per                 ");
  EXPECT_EQ(g.fitparams[1].range, (std::array<double, 2>{10, 20}));
  EXPECT_EQ(g.fitparams[0].vary, 1);
  EXPECT_EQ(g.nblocks, 5);
  EXPECT_EQ(g.nmoves, 100);
  EXPECT_EQ(g.nskip, 2);
  EXPECT_EQ(c.statistics_start, 1);
  EXPECT_EQ(c.samplingtype, 1);
  EXPECT_EQ(c.chi2max, 250.5);
  EXPECT_TRUE(c.tempering);
  EXPECT_EQ(c.nexchange, 10);
  EXPECT_EQ(c.tempratio, 1.5);
  EXPECT_TRUE(c.clones);
  EXPECT_EQ(c.nclones, 2);
  EXPECT_FALSE(c.scatter);

  // A single process never tempers and has one ladder of one level.
  Global g1;
  RunConfig c1;
  ASSERT_TRUE(dialogue(answers, 1, g1, c1, printed).ok());
  EXPECT_FALSE(c1.tempering);
  EXPECT_FALSE(c1.clones);
  EXPECT_EQ(c1.nclones, 1);
  EXPECT_EQ(c1.ntemperatures, 1);
}

TEST(RunDialogue, MissingShortAndUnreadableParameterFiles) {
  TempDir dir;
  Global g;
  RunConfig c;
  std::string printed;
  const std::string missing = dir.path + "/none.txt";
  EXPECT_EQ(dialogue("1 0\n'" + missing + "'\n", 1, g, c, printed),
            Status::stop("error reading from paramsfile " + missing,
                         "ptfit: cannot open the parameter file " + missing +
                             ": No such file or directory"));

  // A directory is no parameter file either.
  EXPECT_EQ(dialogue("1 0\n'" + dir.path + "'\n", 1, g, c, printed),
            Status::stop("error reading from paramsfile " + dir.path,
                         "ptfit: cannot open the parameter file " + dir.path +
                             ": Is a directory"));

  const std::string shortfile = dir.write("short.txt", "a 1 2\nb 3\n");
  const Status ended =
      Status::stop("error: paramsfile " + shortfile + " ended before its time");
  EXPECT_EQ(dialogue("2 0\n'" + shortfile + "'\n", 1, g, c, printed), ended);
  EXPECT_TRUE(g.fitparams.empty());

  // A count far beyond the file ends the same way without building a table.
  EXPECT_EQ(dialogue("2000000000 0\n'" + shortfile + "'\n", 1, g, c, printed),
            ended);

  const std::string bad = dir.write("bad.txt", "a one 2\n");
  const Status unreadable = dialogue("1 0\n'" + bad + "'\n", 1, g, c, printed);
  EXPECT_EQ(unreadable.code, Status::Code::kInputError);
  EXPECT_TRUE(unreadable.message.starts_with(bad + ", line 1"))
      << unreadable.message;
  // An answer that is no number, and answers that end early.
  EXPECT_EQ(dialogue("x\n", 1, g, c, printed).code, Status::Code::kInputError);
  const std::string good = dir.write("good.txt", "a 1 2\n");
  EXPECT_EQ(
      dialogue("1 0\n'" + good + "'\n5 100 2 1\n1\n", 1, g, c, printed).code,
      Status::Code::kInputError);
}

TEST(InitParameters, BinPositionsSpanTheRangeAndValueStartsAtTheCentre) {
  Global g;
  RunConfig c;
  c.chi2max = 9999.0;
  Fitparam p = new_fitparam();
  p.range = {-1.0, 2.0};
  p.avval = 5;
  hist_count(p, 3) = 7;
  g.fitparams.push_back(p);
  g.avchi2 = 3;
  init_parameters(g, c);
  Fitparam& q = g.fitparams[0];
  EXPECT_EQ(hist_pos(q, 1), -1.0);
  EXPECT_EQ(hist_pos(q, kNbins), 2.0);
  EXPECT_EQ(hist_count(q, 3), 0.0);
  EXPECT_EQ(q.value, 0.5);
  EXPECT_EQ(q.maxstep, 0.03);
  EXPECT_EQ(q.avval, 0.0);
  EXPECT_EQ(g.avchi2, 0.0);
  EXPECT_EQ(g.chi2bin[1], 1.0);
  EXPECT_EQ(g.chi2bin[kNbins - 1], 9999.0);
}

}  // namespace
}  // namespace ptfit
