// The heap sort with a companion array: its order of equal keys, and
// agreement with a plain sort on the keys for both key types.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "sort2.h"

namespace ionoscan {
namespace {

TEST(Sort2, AllKeysEqualMoveTheFirstIndexToTheEnd) {
  for (int32_t n : {2, 3, 7, 64}) {
    std::vector<double> a(n, 0.0);
    std::vector<int32_t> b(n);
    std::iota(b.begin(), b.end(), 1);
    sort2(n, a.data(), b.data());
    std::vector<int32_t> want(n);
    std::iota(want.begin(), want.end(), 2);
    want.back() = 1;
    EXPECT_EQ(b, want) << n;
  }
}

TEST(Sort2, TiesGoAsTheHeapLeavesThem) {
  std::vector<double> a = {3, 1, 2, 3, 1};
  std::vector<int32_t> b = {1, 2, 3, 4, 5};
  sort2(5, a.data(), b.data());
  EXPECT_EQ(a, (std::vector<double>{1, 1, 2, 3, 3}));
  EXPECT_EQ(b, (std::vector<int32_t>{5, 2, 3, 4, 1}));

  std::vector<int32_t> ia = {3, 1, 2, 3, 1};
  std::vector<int32_t> ib = {1, 2, 3, 4, 5};
  isort(5, ia.data(), ib.data());
  EXPECT_EQ(ia, (std::vector<int32_t>{1, 1, 2, 3, 3}));
  EXPECT_EQ(ib, (std::vector<int32_t>{5, 2, 3, 4, 1}));
}

TEST(Sort2, FewerThanTwoEntriesStayAsTheyAre) {
  double a = 5;
  int32_t b = 9;
  sort2(1, &a, &b);
  sort2(0, &a, &b);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 9);
}

TEST(Sort2, SortsAnyKeysAndCarriesTheirIndices) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 200; ++trial) {
    const int32_t n = 2 + static_cast<int32_t>(rng() % 300);
    std::vector<double> a(n);
    std::vector<int32_t> ia(n), b(n), ib(n);
    for (int32_t k = 0; k < n; ++k) {
      ia[k] = static_cast<int32_t>(rng() % 8);  // many ties
      a[k] = ia[k] * 0.5;
    }
    std::iota(b.begin(), b.end(), 1);
    std::iota(ib.begin(), ib.end(), 1);
    const std::vector<double> keys = a;
    sort2(n, a.data(), b.data());
    isort(n, ia.data(), ib.data());
    ASSERT_TRUE(std::is_sorted(a.begin(), a.end()));
    for (int32_t k = 0; k < n; ++k) ASSERT_EQ(keys[b[k] - 1], a[k]);
    std::vector<int32_t> seen = b;
    std::sort(seen.begin(), seen.end());
    for (int32_t k = 0; k < n; ++k) ASSERT_EQ(seen[k], k + 1);
    // One procedure for both key types: the same keys, the same order.
    ASSERT_EQ(ib, b);
  }
}

}  // namespace
}  // namespace ionoscan
