#include "ratio_reporter.h"

#include <cstdio>

namespace velqor::bench {

namespace {

std::optional<double> Lookup(const RunTimes& times, const std::string& name) {
  const auto it = times.find(name);
  if (it == times.end()) {
    return std::nullopt;
  }
  return it->second;
}

std::string Seconds(std::optional<double> seconds) {
  if (!seconds) {
    return "(not measured)";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.3f us", *seconds * 1e6);
  return text;
}

// The name without the options (min time, real time) that the reporter appends.
std::string ShortName(const benchmark::BenchmarkReporter::Run& run) {
  const benchmark::BenchmarkName& name = run.run_name;
  return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
}

}  // namespace

RatioResult Evaluate(const RunTimes& times, const RatioCheck& check) {
  RatioResult result{check, std::nullopt, false};
  const std::optional<double> top = Lookup(times, check.numerator);
  const std::optional<double> bottom = Lookup(times, check.denominator);
  if (top && bottom && *bottom > 0) {
    result.ratio = *top / *bottom;
    result.pass = *result.ratio <= check.limit;
  }
  return result;
}

std::string Describe(const RunTimes& times, const RatioResult& result) {
  char ratio[32] = "n/a";
  if (result.ratio) {
    std::snprintf(ratio, sizeof ratio, "%.2f", *result.ratio);
  }
  char limit[32];
  std::snprintf(limit, sizeof limit, "%.2f", result.check.limit);
  return result.check.label + ": " + Seconds(Lookup(times, result.check.numerator)) + " / " +
         Seconds(Lookup(times, result.check.denominator)) + " = " + ratio + " (limit " + limit +
         ") " + (result.pass ? "PASS" : "FAIL");
}

void RecordingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred || run.iterations == 0) {
      continue;
    }
    const double per_iteration = run.real_accumulated_time / static_cast<double>(run.iterations);
    if (run.run_type == Run::RT_Iteration) {
      // The first single run stands until a median arrives.
      times_.emplace(ShortName(run), per_iteration);
    } else if (run.aggregate_name == "median") {
      times_[ShortName(run)] = per_iteration;
    }
  }
}

}  // namespace velqor::bench
