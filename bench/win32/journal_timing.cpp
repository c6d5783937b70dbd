// What the change journal costs on the real disk and registry (run under Wine or on Windows):
// thirteen before-states flushed one by one against all thirteen in one flush, Boost's registry
// work through the recorder against the same work straight on the registry, reading a journal of
// 500 commands against one of 50, and what greying "Undo last change" costs after a command when
// it reads the whole journal against asking the writer. Prints the medians and their ratios, the
// read's with PASS or FAIL against its limit; exits 1 when it is over.
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

// Reading ten times the commands may take at most this many times as long: linear, with room.
constexpr double kReadLimit = 11;

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

// A journal of `commands` commands of thirteen values each, as Boost leaves them.
std::string JournalOf(int commands) {
  std::string text;
  for (int c = 1; c <= commands; ++c) {
    const auto sequence = static_cast<std::uint64_t>(c);
    text += journal::EncodeRecord(
        journal::BeginRecord{sequence, 1, "2026-01-01T00:00:00Z", 0, "Internet Speed"});
    for (std::uint32_t v = 1; v <= 13; ++v) {
      text += journal::EncodeRecord(journal::BeforeRecord{
          sequence, 1, v, platform::kHkeyLocalMachine,
          "System\\CurrentControlSet\\Services\\VxD\\MSTCP", "Value" + std::to_string(v),
          journal::RegValue{1, std::string("64\0", 3)}});
      text += journal::EncodeRecord(
          journal::AfterRecord{sequence, 1, v, 0, journal::RegValue{1, std::string("128\0", 4)}});
    }
    text += journal::EncodeRecord(journal::EndRecord{sequence, 1, 13});
  }
  return text;
}

platform::win32::Win32JournalFile::Options FileIn(const wchar_t* folder) {
  platform::win32::Win32JournalFile::Options options;
  options.folder = folder;
  return options;
}

// Makes `file` hold exactly `text`.
void Fill(platform::JournalFile& file, const std::string& text) {
  std::unique_ptr<platform::JournalLock> lock;
  if (file.Lock(lock) != platform::kSuccess || lock->Replace(text) != platform::kSuccess) {
    std::fprintf(stderr, "could not write the journal\n");
    std::exit(1);
  }
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
  // Emptied first: the journal left by an earlier run would be read again by the recorder.
  Fill(file, {});

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
    Print("the journal stopped recording: the figures above are not the journal's FAIL");
    return 1;
  }
  // Reading: the journal the Changes window and the old greying read, at 50 and 500 commands.
  platform::win32::Win32JournalFile small(FileIn(L"VelqorJournalTiming50"));
  platform::win32::Win32JournalFile full(FileIn(L"VelqorJournalTiming500"));
  Fill(small, JournalOf(50));
  Fill(full, JournalOf(500));
  journal::JournalWriter small_writer(small);
  journal::JournalWriter full_writer(full);
  std::size_t seen = 0;
  const auto load = [&](journal::JournalWriter& w) {
    journal::Contents read;
    const bool ok = w.Load(read) == platform::kSuccess && read.LastUndoable() != nullptr;
    seen = ok ? read.LastUndoable()->sequence : 0;
  };
  const std::vector<double> reads =
      InterleavedMedians(runs, {[&] { load(small_writer); }, [&] { load(full_writer); },
                                [&] { seen = full_writer.LastUndoable().value_or(0); }});
  const RatioLine read_line{"journal read, 500 commands vs 50", reads[1], reads[0], kReadLimit};
  Print(Describe(read_line));
  Print(
      Format("greying Undo last change at 500 commands: reading the journal %.3f ms, asking the "
             "writer %.3f ms",
             reads[1] * 1e3, reads[2] * 1e3));
  std::string small_text;
  std::string full_text;
  const std::vector<double> parts =
      InterleavedMedians(runs, {[&] { static_cast<void>(small.Read(small_text)); },
                                [&] { static_cast<void>(full.Read(full_text)); },
                                [&] { seen = journal::ParseJournal(small_text).commands.size(); },
                                [&] { seen = journal::ParseJournal(full_text).commands.size(); },
                                [&] {
                                  for (int i = 0; i < 10; ++i) {
                                    seen = journal::ParseJournal(small_text).commands.size();
                                  }
                                }});
  Print(Format("of which the file read: 50 commands %.3f ms, 500 commands %.3f ms (ratio %.2f)",
               parts[0] * 1e3, parts[1] * 1e3, parts[1] / parts[0]));
  Print(Format("of which the parse: 50 commands %.3f ms, 500 commands %.3f ms (ratio %.2f)",
               parts[2] * 1e3, parts[3] * 1e3, parts[3] / parts[2]));
  // The same lines in ten small parses as in one large: equal times mean linear work.
  Print(
      Format("the parse of 50 commands ten times in a row: %.3f ms, vs 500 commands once: ratio "
             "%.2f",
             parts[4] * 1e3, parts[3] / parts[4]));
  seen = full_writer.LastUndoable().value_or(0);
  if (seen != 500) {
    Print("the undoable command was not found FAIL");
    return 1;
  }

  std::string contents;
  file.Read(contents);
  Print(Format("journal: %.0f commands in %.0f bytes",
               static_cast<double>(journal::ParseJournal(contents).commands.size()),
               static_cast<double>(contents.size())));
  Print(read_line.pass() ? "all ratios within their limits" : "a ratio is over its limit");
  return read_line.pass() ? 0 : 1;
}
