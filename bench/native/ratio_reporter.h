// The console reporter of the native benchmarks, which also keeps every run's time so that the
// ratios that have a limit can be checked once all benchmarks have run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velqor::bench {

// A ratio with a limit: time(numerator) / time(denominator) must not exceed `limit`.
struct RatioCheck {
  std::string label;
  std::string numerator;    // a benchmark name as reported, for example "BM_TrackerRebuild/1000"
  std::string denominator;  // likewise
  double limit = 0;
};

// What a check came to; `ratio` is empty when one of the two runs is missing or took no time,
// which counts as a failure (a figure that was not measured cannot pass).
struct RatioResult {
  RatioCheck check;
  std::optional<double> ratio;
  bool pass = false;
};

// Wall-clock seconds per iteration, by benchmark name and arguments ("BM_Fill/10").
using RunTimes = std::map<std::string, double>;

// Compares the ratio of two recorded times with the check's limit.
RatioResult Evaluate(const RunTimes& times, const RatioCheck& check);

// One line: label, the two times, the ratio, the limit and PASS or FAIL.
std::string Describe(const RunTimes& times, const RatioResult& result);

// Prints as the console reporter does and records the time of every run that did not fail. With
// repetitions, the median aggregate replaces the single runs.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: the figures end up in logs and documents more often than on a terminal.
  RecordingReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override;
  const RunTimes& times() const { return times_; }

 private:
  RunTimes times_;
};

}  // namespace velqor::bench
