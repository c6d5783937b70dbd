#include "common/ratio_line.h"

#include <algorithm>
#include <cstdio>

namespace velqor::bench {

double Median(std::vector<double> samples) {
  if (samples.empty()) {
    return 0;
  }
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

std::string Describe(const RatioLine& line) {
  char text[512];
  const double ratio = line.baseline > 0 ? line.ours / line.baseline : 0;
  std::snprintf(text, sizeof text, "%s: %.3f ms / %.3f ms = %.2f (limit %.2f) %s",
                line.label.c_str(), line.ours * 1e3, line.baseline * 1e3, ratio, line.limit,
                line.pass() ? "PASS" : "FAIL");
  return text;
}

}  // namespace velqor::bench
