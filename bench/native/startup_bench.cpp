// The startup manager filling its two lists from a Run key over the simulated registry and the
// headless window: one enumeration, one read and two list rows per entry.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "startup/frm_main.h"
#include "platform/sim/platform.h"

namespace velqor::bench {
namespace {

void SeedRunEntries(SimPlatform& sim, platform::KeyHandle root, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    std::string command = "C:\\Program Files\\Vendor ";
    command.append(n).append("\\tool.exe /background /id=").append(n);
    sim.registry.SeedText(root, startup::kRunSubKey, "Startup program " + n, command);
  }
}

// A fill on a loaded window, from the Run key under `root` as `fill` reads it: clear both lists,
// reopen the key, fill, select row 0.
void BM_StartupFill(benchmark::State& state, platform::KeyHandle root,
                    void (startup::frmMain::*fill)()) {
  const auto entries = static_cast<std::int32_t>(state.range(0));
  SimPlatform sim;
  SeedRunEntries(sim, root, entries);
  startup::frmMain form(sim.platform);
  form.Show();
  while (state.KeepRunning()) {
    (form.*fill)();
  }
  if (form.lEntryCount() != entries || form.sSelName() != "Startup program 0") {
    state.SkipWithError("the lists were not filled with every entry");
  }
  state.SetItemsProcessed(state.iterations() * entries);
  state.counters["per_entry"] = benchmark::Counter(
      static_cast<double>(entries),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The machine-wide list, filled as the window opens; the per-user one, as its option button
// fills it.
BENCHMARK_CAPTURE(BM_StartupFill, machine, platform::kHkeyLocalMachine, &startup::frmMain::LoadRun)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    // The median of five runs: a burst of load from elsewhere on the machine moves one run.
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_StartupFill, user, platform::kHkeyCurrentUser, &startup::frmMain::LoadUserRun)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace velqor::bench
