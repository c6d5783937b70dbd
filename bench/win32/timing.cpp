#include "timing.h"

#include <windows.h>

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

std::vector<double> InterleavedMedians(int count, const std::vector<std::function<void()>>& tasks) {
  std::vector<std::vector<double>> samples(tasks.size());
  for (int i = 0; i < count; ++i) {
    for (std::size_t t = 0; t < tasks.size(); ++t) {
      const Stopwatch watch;
      tasks[t]();
      samples[t].push_back(watch.Seconds());
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& s : samples) {
    medians.push_back(Median(std::move(s)));
  }
  return medians;
}

void Print(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Format(const char* format, double a, double b, double c) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace velqor::bench
