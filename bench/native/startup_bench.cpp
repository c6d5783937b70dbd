// The startup manager filling its two lists from a Run key over the simulated registry and the
// headless window: one enumeration, one read and two list rows per entry.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "startup/frm_main.h"
#include "unit/sim_platform.h"

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

// LoadRun on a loaded window: clear both lists, reopen the key, fill, select row 0.
void BM_StartupFillMachineRun(benchmark::State& state) {
  const auto entries = static_cast<std::int32_t>(state.range(0));
  SimPlatform sim;
  SeedRunEntries(sim, platform::kHkeyLocalMachine, entries);
  startup::frmMain form(sim.platform);
  form.Show();
  while (state.KeepRunning()) {
    form.LoadRun();
  }
  if (form.lEntryCount() != entries || form.sSelName() != "Startup program 0") {
    state.SkipWithError("the lists were not filled with every entry");
  }
  state.SetItemsProcessed(state.iterations() * entries);
  state.counters["per_entry"] = benchmark::Counter(
      static_cast<double>(entries),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The per-user source, chosen by its option button as the user does.
void BM_StartupFillUserRun(benchmark::State& state) {
  const auto entries = static_cast<std::int32_t>(state.range(0));
  SimPlatform sim;
  SeedRunEntries(sim, platform::kHkeyCurrentUser, entries);
  startup::frmMain form(sim.platform);
  form.Show();
  while (state.KeepRunning()) {
    form.LoadUserRun();
  }
  if (form.lEntryCount() != entries) {
    state.SkipWithError("the lists were not filled with every entry");
  }
  state.SetItemsProcessed(state.iterations() * entries);
}

BENCHMARK(BM_StartupFillMachineRun)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    // The median of five runs: a burst of load from elsewhere on the machine moves one run.
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StartupFillUserRun)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace velqor::bench
