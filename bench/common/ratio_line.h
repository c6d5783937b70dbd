// Medians and the line that compares a ratio with its limit, shared by the Windows harness and
// tested natively.
#pragma once

#include <string>
#include <vector>

namespace velqor::bench {

// The median of the samples; 0 for none.
double Median(std::vector<double> samples);

// Two medians measured alike, then compared: `ours` / `baseline` must not exceed `limit`. A
// baseline of 0 (nothing measured) never passes.
struct RatioLine {
  std::string label;
  double ours = 0;      // seconds
  double baseline = 0;  // seconds
  double limit = 0;
  bool pass() const { return baseline > 0 && ours / baseline <= limit; }
};

// "label: 1.234 ms / 0.987 ms = 1.25 (limit 1.50) PASS"
std::string Describe(const RatioLine& line);

}  // namespace velqor::bench
