// The browser window tracker's rebuild over the simulated shell: every registration or
// revocation of a shell window detaches every sink and attaches a fresh one to every window, so
// the cost of one rebuild must grow in proportion to the number of windows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "popup/ie_windows.h"
#include "popup/popup_killer.h"
#include "platform/sim/platform.h"

namespace velqor::bench {
namespace {

void BM_TrackerRebuild(benchmark::State& state) {
  const auto windows = static_cast<std::int32_t>(state.range(0));
  SimPlatform sim;
  for (std::int32_t i = 0; i < windows; ++i) {
    // Browsers with documents and folder windows without, as a real shell lists them; handles
    // are spread out the way window handles are, so keys are of varying length.
    const std::int32_t hwnd = 0x10000 + i * 0x2F;
    if (i % 4 == 3) {
      sim.browser.OpenFolder(hwnd, /*notify=*/false);
    } else {
      sim.browser.OpenBrowser(hwnd, /*has_forward_history=*/false, /*notify=*/false);
    }
  }
  popup::PopupKiller killer(sim.platform);
  std::shared_ptr<popup::cIEWindows> tracker;
  killer.CreateTracker(tracker);
  if (tracker == nullptr || tracker->Count() != windows) {
    state.SkipWithError("the tracker did not attach to every window");
    return;
  }
  while (state.KeepRunning()) {
    tracker->RefreshIE();
  }
  if (tracker->Count() != windows) {
    state.SkipWithError("a rebuild lost windows");
  }
  state.SetItemsProcessed(state.iterations() * windows);
  state.counters["per_window"] = benchmark::Counter(
      static_cast<double>(windows),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TrackerRebuild)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    // The median of five runs: a burst of load from elsewhere on the machine moves one run.
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace velqor::bench
