// The Windows harness's medians and ratio lines, which decide its PASS and FAIL.
#include <gtest/gtest.h>

#include <vector>

#include "common/ratio_line.h"

namespace velqor::bench {
namespace {

TEST(RatioLine, MedianOfOddEvenUnsortedAndNoSamples) {
  EXPECT_EQ(Median({}), 0);
  EXPECT_EQ(Median({7}), 7);
  EXPECT_EQ(Median({9, 1, 5}), 5);
  EXPECT_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_EQ(Median({1, 100, 2, 2, 3}), 2) << "one slow run does not move the median";
}

RatioLine Line(const char* label, double ours, double baseline, double limit) {
  RatioLine line;
  line.label = label;
  line.ours = ours;
  line.baseline = baseline;
  line.limit = limit;
  return line;
}

TEST(RatioLine, PassesUpToItsLimitAndNeverWithoutABaseline) {
  const RatioLine at = Line("at", 1.5e-3, 1e-3, 1.5);
  EXPECT_TRUE(at.pass());
  EXPECT_EQ(Describe(at), "at: 1.500 ms / 1.000 ms = 1.50 (limit 1.50) PASS");
  const RatioLine over = Line("over", 1.6e-3, 1e-3, 1.5);
  EXPECT_FALSE(over.pass());
  EXPECT_EQ(Describe(over), "over: 1.600 ms / 1.000 ms = 1.60 (limit 1.50) FAIL");
  const RatioLine faster = Line("faster", 0.5e-3, 1e-3, 1.3);
  EXPECT_TRUE(faster.pass());
  EXPECT_EQ(Describe(faster), "faster: 0.500 ms / 1.000 ms = 0.50 (limit 1.30) PASS");
  const RatioLine none = Line("no baseline", 1e-3, 0, 4);
  EXPECT_FALSE(none.pass());
  EXPECT_EQ(Describe(none), "no baseline: 1.000 ms / 0.000 ms = 0.00 (limit 4.00) FAIL");
}

}  // namespace
}  // namespace velqor::bench
