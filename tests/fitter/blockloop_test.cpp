// One move of the walk: trials in every sweep, samples only in the last.
#include "blockloop.h"

#include <gtest/gtest.h>

#include <sstream>

#include "startup.h"

namespace ptfit {
namespace {

TEST(Move, EverySweepTriesEveryVariedParameterButOnlyTheLastOneBins) {
  Global g;
  RunConfig c;
  Data d;  // model type 0: chi-square 0, every trial accepted
  for (int j = 0; j < 3; ++j) {
    Fitparam p = new_fitparam();
    p.range = {0.0, 1.0};
    p.vary = j == 1 ? 0 : 1;
    g.fitparams.push_back(p);
  }
  g.nparams = 3;
  g.nskip = 3;
  c.chi2max = 1.0;
  init_parameters(g, c);
  std::ostringstream out;
  first_moves(g, c, d, out);
  EXPECT_EQ(g.fitparams[0].ntried, 0);  // the first move is not counted

  run_move(g, c, d, true, out);
  EXPECT_EQ(g.fitparams[0].ntried, 3);
  EXPECT_EQ(g.fitparams[0].naccepted, 3);
  EXPECT_EQ(g.fitparams[1].ntried, 0);
  EXPECT_EQ(g.fitparams[1].value, 0.5);
  // Two varied parameters: two samples of the whole state in the last
  // sweep, each covering both of them.
  EXPECT_EQ(g.chi2eval, 2);
  EXPECT_EQ(g.fitparams[0].neval, 2);
  EXPECT_EQ(g.fitparams[2].neval, 2);
  EXPECT_EQ(g.fitparams[1].neval, 0);

  run_move(g, c, d, false, out);  // before statistics start
  EXPECT_EQ(g.chi2eval, 2);
  EXPECT_EQ(g.fitparams[2].ntried, 6);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace ptfit
