#include "timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace velqor::bench {

namespace {

long long Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Frequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart);
}

}  // namespace

Stopwatch::Stopwatch() : start_(Now()) {}

void Stopwatch::Restart() {
  start_ = Now();
}

double Stopwatch::Seconds() const {
  static const double frequency = Frequency();
  return static_cast<double>(Now() - start_) / frequency;
}

double Median(std::vector<double> samples) {
  if (samples.empty()) {
    return 0;
  }
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double MedianOf(int count, const std::function<void()>& task) {
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const Stopwatch watch;
    task();
    samples.push_back(watch.Seconds());
  }
  return Median(samples);
}

MedianPair Interleaved(int count, const std::function<void()>& ours,
                       const std::function<void()>& baseline) {
  std::vector<double> a;
  std::vector<double> b;
  for (int i = 0; i < count; ++i) {
    Stopwatch watch;
    ours();
    a.push_back(watch.Seconds());
    watch.Restart();
    baseline();
    b.push_back(watch.Seconds());
  }
  return {Median(a), Median(b)};
}

std::string Describe(const RatioLine& line) {
  char text[512];
  const double ratio = line.baseline > 0 ? line.ours / line.baseline : 0;
  std::snprintf(text, sizeof text, "%s: %.3f ms / %.3f ms = %.2f (limit %.2f) %s",
                line.label.c_str(), line.ours * 1e3, line.baseline * 1e3, ratio, line.limit,
                line.pass() ? "PASS" : "FAIL");
  return text;
}

void Print(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace velqor::bench
