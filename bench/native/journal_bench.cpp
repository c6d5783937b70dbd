// The change journal: reading a file of many commands, the Changes window filled from it, and the
// recorder's own work around each change over the simulated registry and disk (no flush costs
// here; those are the real disk's).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "journal/changes_window.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/sim/journal_file.h"
#include "platform/sim/registry.h"
#include "platform/sim/ui.h"

namespace velqor::bench {
namespace {

constexpr char kKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

// A journal of `commands` commands of thirteen values each, as Boost leaves them.
std::string JournalOf(std::int64_t commands) {
  std::string text;
  for (std::int64_t c = 1; c <= commands; ++c) {
    const auto sequence = static_cast<std::uint64_t>(c);
    text += journal::EncodeRecord(
        journal::BeginRecord{sequence, 1, "2026-01-01T00:00:00Z", 0, "Internet Speed"});
    for (std::uint32_t v = 1; v <= 13; ++v) {
      const std::string name = "Value" + std::to_string(v);
      text += journal::EncodeRecord(journal::BeforeRecord{
          sequence, 1, v, platform::kHkeyLocalMachine, kKey, name, journal::RegValue{1, "64"}});
      text += journal::EncodeRecord(
          journal::AfterRecord{sequence, 1, v, 0, journal::RegValue{1, std::string("128\0", 4)}});
    }
    text += journal::EncodeRecord(journal::EndRecord{sequence, 1, 13});
  }
  return text;
}

void BM_JournalRead(benchmark::State& state) {
  const std::string text = JournalOf(state.range(0));
  std::size_t commands = 0;
  while (state.KeepRunning()) {
    const journal::Contents contents = journal::ParseJournal(text);
    commands = contents.commands.size();
    benchmark::DoNotOptimize(commands);
  }
  if (commands != static_cast<std::size_t>(state.range(0))) {
    state.SkipWithError("not every command was read");
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}

// The open Changes window read again from a journal of that many commands: the file read and
// parsed, every command a row.
void BM_ChangesWindowFill(benchmark::State& state) {
  platform::sim::SimRegistry registry;
  platform::sim::SimDisk disk;
  disk.SetFile(platform::sim::SimJournalFile::kFileName, JournalOf(state.range(0)));
  platform::sim::SimJournalFile file(disk);
  journal::JournalWriter writer(file);
  journal::Recorder recorder(registry, writer);
  platform::sim::HeadlessUi ui;
  journal::ChangesWindow changes(ui, recorder);
  changes.Show();
  platform::Window* window = changes.window();
  while (state.KeepRunning()) {
    changes.Reload();
  }
  if (window == nullptr ||
      window->ItemCount(changes.controls().lstCommands) != static_cast<int>(state.range(0))) {
    state.SkipWithError("not every command was listed");
  }
}

// Thirteen values written, as one command, with the recorder in front or without it.
void WriteThirteen(platform::Registry& registry, std::uint32_t round) {
  platform::KeyHandle key = 0;
  static_cast<void>(
      registry.CreateKey(platform::kHkeyLocalMachine, kKey, platform::kKeySetValue, key));
  for (std::uint32_t v = 1; v <= 13; ++v) {
    const std::string name = "Value" + std::to_string(v);
    registry.SetValue(key, name, platform::kRegDword, reinterpret_cast<const std::uint8_t*>(&round),
                      4);
  }
  registry.CloseKey(key);
}

void BM_ThirteenWritesBare(benchmark::State& state) {
  platform::sim::SimRegistry registry;
  std::uint32_t round = 0;
  while (state.KeepRunning()) {
    WriteThirteen(registry, ++round);
  }
}

void BM_ThirteenWritesRecorded(benchmark::State& state) {
  platform::sim::SimRegistry registry;
  platform::sim::SimDisk disk;
  platform::sim::SimJournalFile file(disk);
  journal::JournalWriter writer(file);
  journal::Recorder recorder(registry, writer);
  std::uint32_t round = 0;
  while (state.KeepRunning()) {
    const journal::CommandScope scope(recorder, "Internet Speed");
    WriteThirteen(recorder, ++round);
  }
  if (!recorder.recording()) {
    state.SkipWithError("the journal stopped recording");
  }
}

// The median of five runs each, interleaved: the ratios compare sizes measured side by side.
BENCHMARK(BM_JournalRead)
    ->Arg(50)
    ->Arg(500)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ChangesWindowFill)
    ->Arg(50)
    ->Arg(500)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ThirteenWritesBare)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ThirteenWritesRecorded)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace velqor::bench
