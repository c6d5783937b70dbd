// Timing for the Windows harness: a performance-counter stopwatch, medians, and the line that
// compares a ratio with its limit.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velqor::bench {

// Seconds since construction (or the last Restart), from QueryPerformanceCounter.
class Stopwatch {
 public:
  Stopwatch();
  void Restart();
  double Seconds() const;

 private:
  long long start_ = 0;
};

// The median of the samples; 0 for none.
double Median(std::vector<double> samples);

// Runs `task` `count` times and gives the median wall-clock time of one run in seconds.
double MedianOf(int count, const std::function<void()>& task);

// Runs `ours` and `baseline` alternately `count` times each and gives both medians, so that a
// change in the machine's load during the run falls on both alike.
struct MedianPair {
  double ours = 0;
  double baseline = 0;
};
MedianPair Interleaved(int count, const std::function<void()>& ours,
                       const std::function<void()>& baseline);

// Two medians measured alike, then compared: `ours` / `baseline` must not exceed `limit`.
struct RatioLine {
  std::string label;
  double ours = 0;      // seconds
  double baseline = 0;  // seconds
  double limit = 0;
  bool pass() const { return baseline > 0 && ours / baseline <= limit; }
};

// "label: ours 1.234 ms / baseline 0.987 ms = 1.25 (limit 1.50) PASS"
std::string Describe(const RatioLine& line);

// Prints one line to the console and to the report (stdout, flushed at once, so that a run
// killed half-way still shows what it measured).
void Print(const std::string& line);

}  // namespace velqor::bench
