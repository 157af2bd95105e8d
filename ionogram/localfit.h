// Standalone numeric routines of the extractor: a least-squares straight
// line and the flagging of points that stand out above their distant
// surroundings. They share no state with a run (which does not call them).
#pragma once

#include <cstdint>
#include <span>

namespace ionoscan {

// Least-squares line y = a + b x through the points (x(i), y(i)).
// REQUIRES: x.size() == y.size() >= 1 and not all x equal.
void fit(std::span<const double> x,
         std::span<const double> y,
         double& a,
         double& b);

// Replaces y by its residuals from the fitted line, then sets flag(i) = 1
// where the residual exceeds, by more than `thresh` standard deviations of
// the residuals, the mean of the residuals 5 or more places away (on each
// side that has any; the two sides averaged), else 0.
// REQUIRES: x, y and flag of one size, as for fit.
void localmaxima(std::span<const double> x,
                 std::span<double> y,
                 std::span<int32_t> flag,
                 double thresh);

}  // namespace ionoscan
