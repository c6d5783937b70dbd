// What the change journal costs on the real disk and registry (run under Wine or on Windows):
// thirteen before-states flushed one by one against all thirteen in one flush, and Boost's
// registry work through the recorder against the same work straight on the registry. Prints the
// medians and their ratios.
//
// Usage: velqor_journal_timing [runs]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "journal/format.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/win32/journal_file.h"
#include "platform/win32/registry.h"
#include "registry_baseline.h"
#include "timing.h"

namespace velqor::bench {
namespace {

platform::win32::Win32JournalFile::Options BenchFile() {
  platform::win32::Win32JournalFile::Options options;
  options.folder = L"VelqorJournalTiming";
  return options;
}

std::string BeforeLine(std::uint32_t index) {
  return journal::EncodeRecord(journal::BeforeRecord{
      1, 1, index, platform::kHkeyLocalMachine, "System\\CurrentControlSet\\Services\\VxD\\MSTCP",
      "Value" + std::to_string(index), journal::RegValue{1, std::string("64\0", 3)}});
}

// Thirteen lines, each appended under its own exclusive access and flushed.
void FlushEach(platform::JournalFile& file) {
  for (std::uint32_t i = 1; i <= 13; ++i) {
    std::unique_ptr<platform::JournalLock> lock;
    if (file.Lock(lock) != platform::kSuccess ||
        lock->Append(BeforeLine(i), platform::Flush::kNow) != platform::kSuccess) {
      std::fprintf(stderr, "append failed\n");
      std::exit(1);
    }
  }
}

// Thirteen lines under one exclusive access, each appended and flushed.
void FlushEachOneLock(platform::JournalFile& file) {
  std::unique_ptr<platform::JournalLock> lock;
  if (file.Lock(lock) != platform::kSuccess) {
    std::fprintf(stderr, "lock failed\n");
    std::exit(1);
  }
  for (std::uint32_t i = 1; i <= 13; ++i) {
    if (lock->Append(BeforeLine(i), platform::Flush::kNow) != platform::kSuccess) {
      std::fprintf(stderr, "append failed\n");
      std::exit(1);
    }
  }
}

// The same thirteen lines in one append and one flush.
void FlushOnce(platform::JournalFile& file) {
  std::string text;
  for (std::uint32_t i = 1; i <= 13; ++i) {
    text += BeforeLine(i);
  }
  std::unique_ptr<platform::JournalLock> lock;
  if (file.Lock(lock) != platform::kSuccess ||
      lock->Append(text, platform::Flush::kNow) != platform::kSuccess) {
    std::fprintf(stderr, "append failed\n");
    std::exit(1);
  }
}

platform::KeyHandle Root(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser;
}

// Boost's steps as the program makes them: the key opened or created for the write alone.
void Run(platform::Registry& registry, const std::vector<Write>& writes) {
  for (const Write& w : writes) {
    platform::KeyHandle key = 0;
    const platform::Status status =
        w.create ? registry.CreateKey(Root(w.root), w.key, platform::kKeySetValue, key)
                 : registry.OpenKey(Root(w.root), w.key, platform::kKeySetValue, key);
    if (status != platform::kSuccess) {
      continue;
    }
    if (!w.key_only) {
      registry.SetValue(key, w.name, w.type, w.bytes.data(),
                        static_cast<std::uint32_t>(w.bytes.size()));
    }
    registry.CloseKey(key);
  }
}

}  // namespace
}  // namespace velqor::bench

int main(int argc, char** argv) {
  using namespace velqor;
  using namespace velqor::bench;
  const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
  platform::win32::Win32JournalFile file(BenchFile());

  const std::vector<double> flushes = InterleavedMedians(
      runs, {[&] { FlushEach(file); }, [&] { FlushEachOneLock(file); }, [&] { FlushOnce(file); }});
  Print(Format("13 before-states, a flush each: %.3f ms, under one lock %.3f ms", flushes[0] * 1e3,
               flushes[1] * 1e3));
  Print(Format("13 before-states in one flush: %.3f ms; a flush each costs %.1f times that",
               flushes[2] * 1e3, flushes[0] / flushes[2]));

  // Each run starts from the values absent, so that every write is a change to record.
  const std::vector<Write> writes = BoostWrites();
  platform::win32::Win32Registry registry;
  journal::JournalWriter writer(file);
  journal::Recorder recorder(registry, writer);
  std::vector<journal::PlannedChange> plan;
  for (const Write& w : writes) {
    if (!w.key_only) {
      plan.push_back({Root(w.root), w.key, w.name,
                      journal::RegValue{w.type, std::string(w.bytes.begin(), w.bytes.end())}});
    }
  }
  Stopwatch watch;
  std::vector<double> bare;
  std::vector<double> each;
  std::vector<double> prepared;
  for (int i = 0; i < runs; ++i) {
    DeleteValues(writes);
    watch.Restart();
    Run(registry, writes);
    bare.push_back(watch.Seconds());
    DeleteValues(writes);
    watch.Restart();
    {
      const journal::CommandScope scope(recorder, "Internet Speed");
      Run(recorder, writes);
    }
    each.push_back(watch.Seconds());
    DeleteValues(writes);
    watch.Restart();
    {
      const journal::CommandScope scope(recorder, "Internet Speed");
      recorder.Prepare(plan);
      Run(recorder, writes);
    }
    prepared.push_back(watch.Seconds());
  }
  DeleteValues(writes);
  const double base = Median(bare);
  Print(
      Format("Boost's registry work: bare %.3f ms, recorded with a flush per value %.3f ms "
             "(ratio %.2f)",
             base * 1e3, Median(each) * 1e3, Median(each) / base));
  Print(Format("Boost's registry work, before-states prepared in one flush: %.3f ms (ratio %.2f)",
               Median(prepared) * 1e3, Median(prepared) / base));
  if (!recorder.recording()) {
    Print("the journal stopped recording: the figures above are not the journal's");
    return 1;
  }
  std::string contents;
  file.Read(contents);
  Print(Format("journal: %.0f commands in %.0f bytes",
               static_cast<double>(journal::ParseJournal(contents).commands.size()),
               static_cast<double>(contents.size())));
  return 0;
}
