// Timing for the Windows harness: a performance-counter stopwatch and medians of runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/ratio_line.h"

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

// Runs each task once per round, in turn, for `count` rounds, and gives the median of each.
std::vector<double> InterleavedMedians(int count, const std::vector<std::function<void()>>& tasks);

// Prints one line to the console and to the report (stdout, flushed at once, so that a run
// killed half-way still shows what it measured).
void Print(const std::string& line);

// printf-style text of up to three figures, for Print.
std::string Format(const char* format, double a, double b = 0, double c = 0);

// Handles every message waiting for this thread, so that what was asked of a window is done.
void Pump();

}  // namespace velqor::bench
