// Runs the native benchmarks and checks the ratios that have limits; exits 1 when one fails.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ratio_reporter.h"

int main(int argc, char** argv) {
  // The repetitions of the benchmarks compared in a ratio run interleaved, so that a change in
  // the machine's load falls on both sides alike. Flags given on the command line come later and
  // win.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
    return 2;
  }
  velqor::bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  using velqor::bench::RatioCheck;
  // A rebuild must cost in proportion to the number of windows: ten times the windows, at most
  // eleven times the time. The fill guards against growth by the square of the entries, which
  // gives a hundred; its allowance is wider, as 10,000 entries outgrow the caches.
  const std::vector<RatioCheck> checks = {
      {"tracker rebuild, 1000 windows / 100 windows", "BM_TrackerRebuild/1000",
       "BM_TrackerRebuild/100", 11.0},
      {"startup manager fill, 10000 entries / 1000 entries", "BM_StartupFill/machine/10000",
       "BM_StartupFill/machine/1000", 30.0},
      {"journal read, 500 commands / 50 commands", "BM_JournalRead/500", "BM_JournalRead/50", 11.0},
      {"Changes window fill, 500 commands / 50 commands", "BM_ChangesWindowFill/500",
       "BM_ChangesWindowFill/50", 11.0},
  };
  bool all_pass = true;
  std::printf("\n");
  for (const RatioCheck& check : checks) {
    const velqor::bench::RatioResult result = velqor::bench::Evaluate(reporter.times(), check);
    std::printf("%s\n", velqor::bench::Describe(reporter.times(), result).c_str());
    all_pass = all_pass && result.pass;
  }
  return all_pass ? 0 : 1;
}
