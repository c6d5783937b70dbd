// The change journal over the simulated registry and disk: what a command leaves in it, what an
// undo puts back byte for byte, and how the file survives crashes, damage, a full disk and a
// second copy of the program.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "booster/booster.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "journal/undo.h"
#include "platform/registry_settings.h"
#include "platform/registry_verbs.h"
#include "platform/sim/journal_file.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/ui.h"

namespace velqor::journal {
namespace {

using platform::KeyHandle;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::SimDisk;
using platform::sim::SimJournalFile;
using platform::sim::SimRegistry;

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

std::string Sz(std::string_view text) {
  return std::string(text) + '\0';
}

// Every value of the registry with its key, sorted, leaving out keys: an undo leaves the keys a
// command created, and values it creates again come last in their key.
std::set<std::string> ValuesOf(const SimRegistry& registry) {
  std::istringstream snapshot(registry.Snapshot());
  std::set<std::string> values;
  std::string key;
  for (std::string line; std::getline(snapshot, line);) {
    if (line.rfind("  ", 0) == 0) {
      values.insert(key + line);
    } else {
      key = line;
    }
  }
  return values;
}

// One copy of the program: its journal file on the shared disk, and its recorder in front of the
// shared registry.
struct Copy {
  Copy(SimRegistry& registry, SimDisk& disk, std::size_t keep = kKeptCommands)
      : file(disk), writer(file, keep), recorder(registry, writer) {}
  Contents Load() {
    Contents contents;
    EXPECT_EQ(writer.Load(contents), platform::kSuccess);
    return contents;
  }
  // Writes one value through the recorder, as the program's writers do.
  platform::Status Set(KeyHandle root, std::string_view path, std::string_view name,
                       std::uint32_t type, std::string_view bytes) {
    KeyHandle key = 0;
    platform::Status status = recorder.CreateKey(root, path, platform::kKeySetValue, key);
    if (status == platform::kSuccess) {
      status =
          recorder.SetValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            static_cast<std::uint32_t>(bytes.size()));
      EXPECT_EQ(recorder.CloseKey(key), platform::kSuccess);
    }
    return status;
  }

  SimJournalFile file;
  JournalWriter writer;
  Recorder recorder;
};

struct JournalTest : ::testing::Test {
  SimRegistry registry;
  SimDisk disk;
  Copy copy{registry, disk};
  platform::sim::SimScriptHost host{copy.recorder};  // the script verbs through the recorder
};

TEST_F(JournalTest, ACommandRecordsEachChangeInOrderAndNothingElse) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Same", "1");
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Gone", "x");
  registry.DenyWrites(kHkeyLocalMachine);
  registry.SeedDword(kHkeyLocalMachine, kMstcp, "Locked", 7);
  {
    const CommandScope scope(copy.recorder, "Apply XP Tweak");
    const auto shell = host.CreateShell();
    shell->RegWrite("HKCU\\Control Panel\\Desktop\\MenuShowDelay", 400, "REG_SZ");
    shell->RegWrite("HKCU\\Control Panel\\Desktop\\Same", 1, "REG_SZ");  // no change
    shell->RegWrite("HKCU\\Control Panel\\Desktop\\New", 5, "REG_DWORD");
    shell->RegDelete("HKCU\\Control Panel\\Desktop\\Gone");
    EXPECT_THROW(shell->RegDelete("HKCU\\Control Panel\\Desktop\\Missing"), platform::Failure);
    // Opened read-only, then refused: recorded with the registry's answer.
    KeyHandle key = 0;
    ASSERT_EQ(copy.recorder.OpenKey(kHkeyLocalMachine, kMstcp, platform::kKeyQueryValue, key),
              platform::kSuccess);
    EXPECT_EQ(copy.recorder.DeleteValue(key, "Locked"), platform::kAccessDenied);
    EXPECT_EQ(copy.recorder.CloseKey(key), platform::kSuccess);
  }
  const Contents contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 1U);
  const Command& command = contents.commands[0];
  EXPECT_EQ(command.sequence, 1U);
  EXPECT_EQ(command.name, "Apply XP Tweak");
  EXPECT_EQ(command.time, "2026-01-01T00:00:00Z");
  EXPECT_TRUE(command.complete);
  ASSERT_EQ(command.values.size(), 4U);
  const RegValue dword5{platform::kRegDword, std::string("\x05\0\0\0", 4)};
  const RegValue locked{platform::kRegDword, std::string("\x07\0\0\0", 4)};
  const std::vector<ValueChange> expected = {
      {kHkeyCurrentUser, kDesktop, "MenuShowDelay", RegValue{1, Sz("100")},
       ValueState(RegValue{1, Sz("400")}), platform::kSuccess},
      {kHkeyCurrentUser, kDesktop, "New", std::nullopt, ValueState(dword5), platform::kSuccess},
      {kHkeyCurrentUser, kDesktop, "Gone", RegValue{1, Sz("x")}, ValueState(), platform::kSuccess},
      {kHkeyLocalMachine, kMstcp, "Locked", locked, ValueState(locked), platform::kAccessDenied},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(command.values[i].root, expected[i].root);
    EXPECT_EQ(command.values[i].key_path, expected[i].key_path);
    EXPECT_EQ(command.values[i].value_name, expected[i].value_name);
    EXPECT_EQ(command.values[i].before, expected[i].before);
    EXPECT_EQ(command.values[i].after, expected[i].after);
    EXPECT_EQ(command.values[i].status, expected[i].status);
  }
  EXPECT_TRUE(contents.skipped.empty());

  // A command that changes nothing leaves nothing; a change outside any command is one of its own.
  const std::string before = disk.File("changes.txt").value();
  {
    const CommandScope scope(copy.recorder, "Close");
    host.CreateShell()->RegWrite("HKCU\\Control Panel\\Desktop\\Same", 1, "REG_SZ");
  }
  EXPECT_EQ(disk.File("changes.txt"), before);
  EXPECT_EQ(copy.Set(kHkeyCurrentUser, kDesktop, "Same", 1, Sz("2")), platform::kSuccess);
  const Contents after = copy.Load();
  ASSERT_EQ(after.commands.size(), 2U);
  EXPECT_EQ(after.commands[1].name, kUnnamedCommand);
  EXPECT_EQ(after.commands[1].sequence, 2U);
  EXPECT_TRUE(after.commands[1].complete);
  EXPECT_TRUE(copy.recorder.recording());

  // The program's own setting, kept through the recorder, is recorded like any other value.
  platform::RegistrySettingsStore settings(copy.recorder);
  {
    const CommandScope scope(copy.recorder, "Pop-up setting");
    settings.SaveSetting("Velqor", "PopupKiller", "IsActive", "1");
  }
  EXPECT_EQ(settings.GetSetting("Velqor", "PopupKiller", "IsActive"), "1");
  const Command setting = copy.Load().commands.at(2);
  ASSERT_EQ(setting.values.size(), 1U);
  EXPECT_EQ(setting.values[0].key_path, "Software\\Velqor\\PopupKiller");
  EXPECT_EQ(setting.values[0].after, ValueState(RegValue{1, Sz("1")}));
}

TEST_F(JournalTest, UndoPutsBackExactBytesAndCanItselfBeUndone) {
  // Values the program writes as REG_SZ found with other types, odd lengths and non-ASCII bytes.
  const std::vector<std::pair<std::string, RegValue>> seeded = {
      {"Expand", {2, Sz("%SystemRoot%")}},
      {"Binary", {platform::kRegBinary, std::string("\x00\xFF\x10", 3)}},
      {"NoNul", {1, "abc"}},
      {"Empty", {1, ""}},
      {"Big", {1, std::string(4096, '\xE9')}},
      {"caf\xE9", {1, Sz("\xFC\x80")}},
  };
  for (const auto& [name, value] : seeded) {
    registry.Seed(kHkeyCurrentUser, kDesktop, registry.FromAnsi(name), value.type,
                  std::vector<std::uint8_t>(value.bytes.begin(), value.bytes.end()));
  }
  const std::string original = registry.Snapshot();
  {
    const CommandScope scope(copy.recorder, "Apply XP Tweak");
    for (const auto& [name, value] : seeded) {
      EXPECT_EQ(copy.Set(kHkeyCurrentUser, kDesktop, name, 1, Sz("400")), platform::kSuccess);
    }
    EXPECT_EQ(copy.Set(kHkeyCurrentUser, kDesktop, "Created", 4, "\1\0\0\0"), platform::kSuccess);
  }
  const std::string changed = registry.Snapshot();
  ASSERT_NE(changed, original);

  Contents contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 1U);
  EXPECT_TRUE(ChangedSince(registry, contents.commands[0]).empty());
  const UndoOutcome undo = RecordedUndo(copy.recorder, contents.commands[0], UndoMode::kAll);
  EXPECT_EQ(undo.put_back.size(), seeded.size() + 1);
  EXPECT_TRUE(undo.refused.empty());
  EXPECT_EQ(registry.Snapshot(), original);

  contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 2U);
  EXPECT_EQ(contents.commands[1].name, "Undo of 1");
  EXPECT_TRUE(contents.commands[0].undone);
  EXPECT_EQ(contents.LastUndoable(), nullptr) << "an undo is not itself undone by Undo last change";
  RecordedUndo(copy.recorder, contents.commands[1], UndoMode::kAll);
  EXPECT_EQ(registry.Snapshot(), changed);
  contents = copy.Load();
  EXPECT_FALSE(contents.commands[0].undone) << "its undo was undone";
  EXPECT_TRUE(contents.commands[1].undone);
  ASSERT_NE(contents.LastUndoable(), nullptr);
  EXPECT_EQ(contents.LastUndoable()->sequence, 1U);
}

TEST_F(JournalTest, UndoOfBoostAndOfRestoreBringBackTheValuesThatWereThere) {
  registry.SeedKey(kHkeyCurrentUser,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
  platform::sim::HeadlessUi ui;
  ui.SetProgramFolder("C:\\Tools");
  ui.AddFile("C:\\Tools/start.ico");
  ui.AddFile("C:\\Tools/stop.ico");
  auto form = ui.CreateForm({"Form1", "Velqor", 6000, 4000, "", 0});
  platform::ControlSpec button;
  button.kind = platform::ControlKind::kButton;
  button.name = "XPButton2";
  const platform::ControlId boost = form->AddControl(button);
  button.name = "XPButton4";
  const platform::ControlId restore = form->AddControl(button);
  booster::InternetBooster booster(copy.recorder, host, ui);
  // The exit restore of a run that boosted nothing leaves no record once its values are set.
  for (int run = 0; run < 2; ++run) {
    const CommandScope scope(copy.recorder, "Close");
    booster.ExitRestore();
  }
  EXPECT_EQ(copy.Load().commands.size(), 1U);
  registry.SeedText(kHkeyLocalMachine, kMstcp, "DefaultTTL", "64");
  const std::set<std::string> original = ValuesOf(registry);
  {
    const CommandScope scope(copy.recorder, "Internet Speed");
    booster.Boost(*form, boost, restore);
  }
  const std::set<std::string> boosted = ValuesOf(registry);
  {
    const CommandScope scope(copy.recorder, "Restore Settings");
    ui.AnswerNextMessageBox(platform::kIdYes);
    booster.Restore(*form, boost, restore);
  }
  Contents contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 3U);
  EXPECT_EQ(contents.commands[1].values.size(), 13U);
  RecordedUndo(copy.recorder, contents.commands[2], UndoMode::kAll);
  EXPECT_EQ(ValuesOf(registry), boosted);
  RecordedUndo(copy.recorder, contents.commands[1], UndoMode::kAll);
  EXPECT_EQ(registry.FindText(kHkeyLocalMachine, kMstcp, "DefaultTTL"), "64");
  EXPECT_EQ(ValuesOf(registry), original) << "values that were absent are deleted again";
}

TEST_F(JournalTest, ChangedSinceDecidesWhatAnUndoPutsBackAndRefusalsAreReported) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
  registry.SeedText(kHkeyLocalMachine, kMstcp, "DefaultTTL", "64");
  {
    const CommandScope scope(copy.recorder, "Apply XP Tweak");
    copy.Set(kHkeyCurrentUser, kDesktop, "MenuShowDelay", 1, Sz("400"));
    copy.Set(kHkeyCurrentUser, kDesktop, "Other", 1, Sz("1"));
    copy.Set(kHkeyLocalMachine, kMstcp, "DefaultTTL", 1, Sz("128"));
  }
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Other", "changed by another program");
  const Command command = copy.Load().commands.at(0);
  const std::vector<const ValueChange*> changed = ChangedSince(registry, command);
  ASSERT_EQ(changed.size(), 1U);
  EXPECT_EQ(changed[0]->value_name, "Other");

  // No: only the values not changed since; a refused one is reported, the rest still done.
  registry.DenyWrites(kHkeyLocalMachine);
  UndoOutcome outcome = Undo(registry, command, UndoMode::kOnlyUnchanged);
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "100");
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "Other"), "changed by another program");
  ASSERT_EQ(outcome.left.size(), 1U);
  ASSERT_EQ(outcome.refused.size(), 1U);
  EXPECT_EQ(outcome.refused[0].value->value_name, "DefaultTTL");
  EXPECT_EQ(outcome.refused[0].status, platform::kAccessDenied);
  // Yes: all of them.
  registry.ClearFaults();
  outcome = Undo(registry, command, UndoMode::kAll);
  EXPECT_FALSE(registry.Find(kHkeyCurrentUser, kDesktop, "Other").has_value());
  EXPECT_EQ(registry.FindText(kHkeyLocalMachine, kMstcp, "DefaultTTL"), "64");
  EXPECT_EQ(outcome.put_back.size(), 2U) << "MenuShowDelay was back already";
}

TEST_F(JournalTest, ACrashAtAnyPointLeavesAJournalWhoseUndoIsRight) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "A", "a");
  registry.SeedText(kHkeyCurrentUser, kDesktop, "B", "b");
  const std::string original = registry.Snapshot();
  // The second value's before-state is on the disk, and the copy dies before changing it.
  disk.CrashAfterAppends(2);
  EXPECT_THROW(
      {
        const CommandScope scope(copy.recorder, "Internet Speed");
        copy.Set(kHkeyCurrentUser, kDesktop, "A", 1, Sz("1"));
        copy.Set(kHkeyCurrentUser, kDesktop, "B", 1, Sz("2"));
      },
      platform::sim::SimCrash);
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "B"), "b");
  {
    Copy restarted(registry, disk);
    Contents contents = restarted.Load();
    ASSERT_EQ(contents.commands.size(), 1U);
    EXPECT_FALSE(contents.commands[0].complete);
    ASSERT_EQ(contents.commands[0].values.size(), 2U);
    EXPECT_FALSE(contents.commands[0].values[1].after.has_value());
    RecordedUndo(restarted.recorder, contents.commands[0], UndoMode::kAll);
    EXPECT_EQ(registry.Snapshot(), original);
  }
  // Killed after both changes and before anything more reached the disk.
  {
    Copy killed(registry, disk);
    killed.recorder.BeginCommand("Internet Speed");
    killed.Set(kHkeyCurrentUser, kDesktop, "A", 1, Sz("1"));
    killed.Set(kHkeyCurrentUser, kDesktop, "B", 1, Sz("2"));
  }
  Copy restarted(registry, disk);
  const Contents contents = restarted.Load();
  ASSERT_EQ(contents.commands.size(), 3U);
  EXPECT_EQ(contents.commands[2].sequence, 3U);
  EXPECT_FALSE(contents.commands[2].values[1].after.has_value());
  EXPECT_TRUE(ChangedSince(registry, contents.commands[2]).empty());
  RecordedUndo(restarted.recorder, contents.commands[2], UndoMode::kOnlyUnchanged);
  EXPECT_EQ(registry.Snapshot(), original);
}

TEST_F(JournalTest, PlannedChangesTakeOneFlushAndOnlyTheChangedValuesStay) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "A", "a");
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Same", "1");
  const auto plan = [](std::string_view a, std::string_view b) {
    return std::vector<PlannedChange>{
        {kHkeyCurrentUser, kDesktop, "A", RegValue{1, Sz(a)}},
        {kHkeyCurrentUser, kDesktop, "B", RegValue{1, Sz(b)}},
        {kHkeyCurrentUser, kDesktop, "Same", RegValue{1, Sz("1")}},
        {kHkeyCurrentUser, kDesktop, "Left alone", ValueState()},
    };
  };
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Left alone", "kept");
  {
    const CommandScope scope(copy.recorder, "Internet Speed");
    copy.recorder.Prepare(plan("1", "2"));
    copy.Set(kHkeyCurrentUser, kDesktop, "A", 1, Sz("1"));
    copy.Set(kHkeyCurrentUser, kDesktop, "B", 1, Sz("2"));
    copy.Set(kHkeyCurrentUser, kDesktop, "Same", 1, Sz("1"));
  }
  EXPECT_EQ(disk.flushes(), 1U) << "the before-states, all at once; the rest need none";
  Contents contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 1U);
  ASSERT_EQ(contents.commands[0].values.size(), 2U) << "planned values left alone are dropped";
  EXPECT_EQ(contents.commands[0].values[1].value_name, "B");
  EXPECT_EQ(contents.commands[0].values[1].after, ValueState(RegValue{1, Sz("2")}));

  // Killed after the prepared flush and the first change: both values may have changed.
  const std::set<std::string> before = ValuesOf(registry);
  {
    Copy killed(registry, disk);
    killed.recorder.BeginCommand("Internet Speed");
    killed.recorder.Prepare(plan("x", "y"));
    killed.Set(kHkeyCurrentUser, kDesktop, "A", 1, Sz("x"));
  }
  Copy restarted(registry, disk);
  contents = restarted.Load();
  ASSERT_EQ(contents.commands.size(), 2U);
  ASSERT_EQ(contents.commands[1].values.size(), 3U);
  RecordedUndo(restarted.recorder, contents.commands[1], UndoMode::kAll);
  EXPECT_EQ(ValuesOf(registry), before);
}

TEST_F(JournalTest, DamagedLinesAreSkippedAndReportedAndTheOthersStillWork) {
  for (const char* name : {"One", "Two", "Three"}) {
    const CommandScope scope(copy.recorder, name);
    copy.Set(kHkeyCurrentUser, kDesktop, name, 1, Sz("x"));
  }
  std::string text = disk.File("changes.txt").value();
  // Edit the first command's value name by hand, and tear the last line as a crash would.
  const std::size_t edited = text.find("|One|-");
  ASSERT_NE(edited, std::string::npos);
  text[edited + 3] = 'f';
  text.resize(text.size() - 5);
  disk.SetFile("changes.txt", text);
  Contents contents = copy.Load();
  ASSERT_EQ(contents.skipped.size(), 3U);
  EXPECT_EQ(contents.skipped[0].number, 2U);  // the edited before-state
  EXPECT_EQ(contents.skipped[1].number, 3U);  // its after-state, now without a value
  EXPECT_EQ(contents.skipped[2].reason, "cut short");
  ASSERT_EQ(contents.commands.size(), 3U);
  EXPECT_TRUE(contents.commands[0].values.empty());
  EXPECT_FALSE(contents.commands[2].complete);
  RecordedUndo(copy.recorder, contents.commands[1], UndoMode::kAll);
  EXPECT_FALSE(registry.Find(kHkeyCurrentUser, kDesktop, "Two").has_value());

  // What is appended after the torn line is not swallowed by it.
  contents = Copy(registry, disk).Load();
  ASSERT_EQ(contents.commands.size(), 4U);
  EXPECT_EQ(contents.commands[3].name, "Undo of 2");
  EXPECT_TRUE(contents.commands[3].complete);
  EXPECT_TRUE(contents.commands[1].undone);
}

TEST_F(JournalTest, TheFileKeepsTheNewest500CommandsAndTwoCopiesShareIt) {
  const auto run = [&](int from, int to) {
    for (int i = from; i <= to; ++i) {
      const CommandScope scope(copy.recorder, "Command");
      copy.Set(kHkeyCurrentUser, kDesktop, "N", 4, std::string(reinterpret_cast<char*>(&i), 4));
    }
  };
  run(1, 501);
  Contents contents = copy.Load();
  ASSERT_EQ(contents.commands.size(), 500U);
  EXPECT_EQ(contents.commands.front().sequence, 2U) << "the 501st command drops the oldest";
  EXPECT_EQ(contents.commands.back().sequence, 501U);
  EXPECT_EQ(disk.replaces(), 0U) << "the file is not rewritten for each command";
  run(502, 551);
  EXPECT_EQ(disk.replaces(), 1U);
  EXPECT_EQ(ParseJournal(disk.File("changes.txt").value()).commands.size(), 500U);
  contents = copy.Load();
  EXPECT_EQ(contents.commands.front().sequence, 52U);
  EXPECT_TRUE(contents.skipped.empty());

  // Two copies with commands open at once: their lines mix, their records do not.
  Copy other(registry, disk);
  {
    const CommandScope first(copy.recorder, "Apply XP Tweak");
    copy.Set(kHkeyCurrentUser, kDesktop, "A", 1, Sz("1"));
    {
      const CommandScope second(other.recorder, "Internet Speed");
      other.Set(kHkeyCurrentUser, kDesktop, "B", 1, Sz("2"));
    }
    copy.Set(kHkeyCurrentUser, kDesktop, "C", 1, Sz("3"));
  }
  const Contents mixed = other.Load();
  ASSERT_EQ(mixed.commands.size(), 500U);
  const Command& a = mixed.commands[498];
  const Command& b = mixed.commands[499];
  EXPECT_EQ(a.sequence, 552U);
  EXPECT_EQ(b.sequence, 553U);
  ASSERT_EQ(a.values.size(), 2U);
  EXPECT_EQ(a.values[1].value_name, "C");
  ASSERT_EQ(b.values.size(), 1U);
  EXPECT_TRUE(a.complete && b.complete);
  EXPECT_FALSE(disk.locked());
}

// What greys "Undo last change" is kept in memory, and must say what reading the file would.
TEST_F(JournalTest, TheUndoableCommandKeptInMemoryFollowsTheFileWhoeverWritesIt) {
  Copy mine(registry, disk, /*keep=*/3);
  Copy other(registry, disk);
  const auto expect = [&](std::optional<std::uint64_t> wanted, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(mine.writer.LastUndoable(), wanted);  // first: Load would refresh what it keeps
    const Contents contents = mine.Load();
    const Command* last = contents.LastUndoable();
    EXPECT_EQ(last != nullptr ? std::optional(last->sequence) : std::nullopt, wanted);
  };
  const auto run = [](Copy& copy, const char* name) {
    const CommandScope scope(copy.recorder, "Command");
    copy.Set(kHkeyCurrentUser, kDesktop, name, 1, Sz(name));
  };
  const auto undo = [](Copy& copy, std::uint64_t sequence) {
    const Contents contents = copy.Load();
    RecordedUndo(copy.recorder, *contents.Find(sequence), UndoMode::kAll);
  };
  expect(std::nullopt, "no file");
  run(mine, "A");
  run(mine, "B");
  expect(2, "this copy's commands");
  run(other, "C");
  expect(3, "another copy's command");
  undo(other, 3);
  expect(2, "another copy's undo");
  undo(mine, 2);
  expect(std::nullopt, "the one left is older than the three shown");
  run(mine, "D");
  expect(6, "this copy's command after a read");
  undo(other, 6);
  expect(std::nullopt, "undone by another copy");
  undo(mine, 7);
  expect(6, "an undo undone");
  disk.SetFile("changes.txt", disk.File("changes.txt").value() + "damaged by hand\r\n");
  expect(6, "a hand's edit");
  disk.SetFile("changes.txt", "");
  expect(std::nullopt, "emptied by hand");
}

TEST_F(JournalTest, WhenTheJournalCannotBeWrittenTheChangeStillGoesAhead) {
  const auto run = [&](Copy& by, std::string_view value) {
    const CommandScope scope(by.recorder, "Apply XP Tweak");
    EXPECT_EQ(by.Set(kHkeyCurrentUser, kDesktop, "V", 1, Sz(value)), platform::kSuccess);
    EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "V"), value);
  };
  struct Fault {
    const char* what;
    std::function<void()> inject;
    platform::Status status;
  };
  const std::vector<Fault> faults = {
      {"folder refused", [&] { disk.RefuseFolder(); }, platform::kAccessDenied},
      {"file held by another program", [&] { disk.HoldFile(); }, platform::kSharingViolation},
      {"disk full", [&] { disk.SetSpaceLeft(30); }, platform::kDiskFull},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    Copy by(registry, disk);
    fault.inject();
    run(by, fault.what);
    EXPECT_FALSE(by.recorder.recording());
    EXPECT_EQ(by.recorder.failure(), fault.status);
    EXPECT_TRUE(by.recorder.TakeFailureNotice());
    run(by, "again");
    EXPECT_FALSE(by.recorder.TakeFailureNotice()) << "the user is told once per run";
    disk.RefuseFolder(false);
    disk.HoldFile(false);
    disk.SetSpaceLeft(std::nullopt);
  }
  // The line the full disk cut short is skipped; the next copy's records are whole.
  Copy next(registry, disk);
  run(next, "recorded");
  const Contents contents = next.Load();
  ASSERT_EQ(contents.skipped.size(), 1U);
  ASSERT_EQ(contents.commands.size(), 1U);
  EXPECT_TRUE(contents.commands[0].complete);
  EXPECT_TRUE(next.recorder.recording());
}

TEST(JournalExport, BeforeStatesAsARegFile) {
  Command command;
  const auto value = [](KeyHandle root, std::string path, std::string name, ValueState before,
                        platform::Status status = platform::kSuccess) {
    return ValueChange{root,         std::move(path), std::move(name), std::move(before),
                       ValueState(), status};
  };
  command.values = {
      value(kHkeyLocalMachine, kMstcp, "DefaultTTL", RegValue{1, Sz("64")}),
      value(kHkeyLocalMachine, kMstcp, "DefaultTTL", RegValue{1, Sz("128")}),  // its second change
      value(kHkeyLocalMachine, kMstcp, "Refused", std::nullopt, platform::kAccessDenied),
      value(kHkeyCurrentUser, kDesktop, "Absent", std::nullopt),
      value(kHkeyCurrentUser, kDesktop, "", RegValue{1, Sz("a\"b\\c\xE9")}),
      value(kHkeyCurrentUser, kDesktop, "Dword", RegValue{4, std::string("\x90\x01\0\0", 4)}),
      value(kHkeyCurrentUser, kDesktop, "NoNul", RegValue{1, "ab"}),
      value(kHkeyCurrentUser, kDesktop, "Bin", RegValue{3, std::string(30, '\x11')}),
      value(kHkeyLocalMachine, kMstcp, "Expand", RegValue{2, ""}),
  };
  EXPECT_EQ(ExportBeforeStates(command),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]\r\n"
            "\"DefaultTTL\"=\"64\"\r\n"
            "\"Expand\"=hex(2):\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
            "\"Absent\"=-\r\n"
            "@=\"a\\\"b\\\\c\xE9\"\r\n"
            "\"Dword\"=dword:00000190\r\n"
            "\"NoNul\"=hex(1):61,62\r\n"
            "\"Bin\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\r\n"
            "  11,11,11,11,11,11,11,11\r\n"
            "\r\n");
}

}  // namespace
}  // namespace velqor::journal
