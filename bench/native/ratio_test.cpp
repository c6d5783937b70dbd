// The ratio checks: a figure that was not measured never passes, and the limit itself passes.
#include <gtest/gtest.h>

#include <string>

#include "ratio_reporter.h"

namespace velqor::bench {
namespace {

TEST(RatioCheck, ComparesTheRatioWithItsLimitAndFailsWhatWasNotMeasured) {
  const RunTimes times = {{"BM_A/1000", 11e-3}, {"BM_A/100", 1e-3}, {"BM_Zero/1", 0.0}};
  struct Row {
    RatioCheck check;
    bool has_ratio;
    bool pass;
  };
  const Row rows[] = {
      {{"at the limit", "BM_A/1000", "BM_A/100", 11.0}, true, true},
      {{"over the limit", "BM_A/1000", "BM_A/100", 10.9}, true, false},
      {{"inverted", "BM_A/100", "BM_A/1000", 0.1}, true, true},
      {{"numerator missing", "BM_B/1000", "BM_A/100", 100.0}, false, false},
      {{"denominator missing", "BM_A/1000", "BM_B/100", 100.0}, false, false},
      {{"denominator took no time", "BM_A/1000", "BM_Zero/1", 1e9}, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.check.label);
    const RatioResult result = Evaluate(times, row.check);
    EXPECT_EQ(result.ratio.has_value(), row.has_ratio);
    EXPECT_EQ(result.pass, row.pass);
  }
  EXPECT_NEAR(*Evaluate(times, rows[0].check).ratio, 11.0, 1e-9);
}

TEST(RatioCheck, DescriptionNamesBothTimesTheRatioAndTheVerdict) {
  const RunTimes times = {{"BM_A/1000", 2.5e-3}, {"BM_A/100", 0.5e-3}};
  const std::string pass =
      Describe(times, Evaluate(times, {"scale", "BM_A/1000", "BM_A/100", 11.0}));
  EXPECT_EQ(pass, "scale: 2500.000 us / 500.000 us = 5.00 (limit 11.00) PASS");
  const std::string missing =
      Describe(times, Evaluate(times, {"gone", "BM_C/1", "BM_A/100", 11.0}));
  EXPECT_EQ(missing, "gone: (not measured) / 500.000 us = n/a (limit 11.00) FAIL");
}

}  // namespace
}  // namespace velqor::bench
