// The journal over the startup programs' places: each Disable, Enable and Delete is one command,
// its lines read back, and its undo gives back the exact registry values and file bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal/display.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "journal/undo.h"
#include "platform/sim/journal_file.h"
#include "platform/sim/registry.h"
#include "platform/sim/startup_folders.h"
#include "platform/sim/system_info.h"
#include "platform/sim/wide_registry.h"
#include "startup/actions.h"

namespace velqor::journal {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegistryView;
using startup::Action;
using startup::LocationId;

class Bracket : public startup::CommandBracket {
 public:
  explicit Bracket(Recorder& recorder) : recorder_(recorder) {}
  void Begin(std::string_view name) override { recorder_.BeginCommand(name); }
  void End() override { recorder_.EndCommand(); }

 private:
  Recorder& recorder_;
};

struct JournalStartupPlacesTest : ::testing::Test {
  JournalStartupPlacesTest() {
    system.AddFile(u"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(folders.FolderPath(platform::StartupFolder::kCurrentUser, user_folder),
              platform::kSuccess);
  }

  // Acts through the recorder, then undoes the command it recorded, and says what it undid.
  void ActAndUndo(Action action, LocationId location, std::u16string_view name) {
    SCOPED_TRACE(startup::Utf8(name));
    const auto registry_before = wide.Snapshot();
    const auto files_before = folders.Snapshot();
    startup::Act(parts, action, location, name, &bracket);
    EXPECT_TRUE(wide.Snapshot() != registry_before || folders.Snapshot() != files_before);
    Contents contents;
    ASSERT_EQ(writer.Load(contents), platform::kSuccess);
    ASSERT_FALSE(contents.commands.empty());
    const Command& command = contents.commands.back();
    EXPECT_EQ(command.name, startup::ActionName(action));
    EXPECT_TRUE(contents.skipped.empty());
    const UndoOutcome outcome = RecordedUndo(recorder, command, UndoMode::kOnlyUnchanged);
    EXPECT_TRUE(outcome.refused.empty());
    EXPECT_EQ(wide.Snapshot(), registry_before);
    EXPECT_EQ(folders.Snapshot(), files_before);
  }

  platform::sim::SimRegistry registry;
  platform::sim::SimDisk disk;
  platform::sim::SimJournalFile file{disk};
  JournalWriter writer{file};
  platform::sim::SimWideRegistry wide;
  platform::sim::SimStartupFolders folders;
  platform::sim::SimSystemInfo system;
  Recorder recorder{registry, writer};
  bool recording_all = (recorder.RecordAlso(wide, folders), true);
  startup::StartupPlatform parts{*recorder.wide(), *recorder.folders(), system};
  Bracket bracket{recorder};
  std::u16string user_folder;
};

TEST_F(JournalStartupPlacesTest, EachActionIsOneCommandWhoseUndoGivesBackExactBytes) {
  const std::string expand = startup::BytesOf(u"%ProgramFiles%\\App\\app.exe");
  ASSERT_EQ(wide.WriteValue(kHkeyCurrentUser, RegistryView::kNative,
                            u"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            {u"App \u2603", platform::kRegExpandSz, expand}),
            platform::kSuccess);
  ASSERT_EQ(wide.WriteValue(kHkeyLocalMachine, RegistryView::k32Bit,
                            u"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            {u"Old", platform::kRegSz, startup::BytesOf(u"app.exe")}),
            platform::kSuccess);
  const std::string shortcut("L\0\0\0\x01\x14\x02\0odd bytes\xFF\r\n", 20);
  ASSERT_EQ(folders.WriteFile(user_folder + u"\\App.lnk", shortcut), platform::kSuccess);

  // Windows 10: the approval values; then a delete of each kind of place.
  ActAndUndo(Action::kDisable, LocationId::kUserRun, u"App \u2603");
  ActAndUndo(Action::kDisable, LocationId::kUserFolder, u"App.lnk");
  ActAndUndo(Action::kDelete, LocationId::kUserRun, u"App \u2603");
  ActAndUndo(Action::kDelete, LocationId::kMachineRun32, u"Old");
  ActAndUndo(Action::kDelete, LocationId::kUserFolder, u"App.lnk");

  // Windows XP: a disable moves the entry into the configuration utility's store, and its undo
  // gives back the value (still REG_EXPAND_SZ) and the shortcut's exact bytes.
  system.SetVersion({5, 1, 2600});
  ActAndUndo(Action::kDisable, LocationId::kUserRun, u"App \u2603");
  ActAndUndo(Action::kDisable, LocationId::kUserFolder, u"App.lnk");
  startup::Act(parts, Action::kDisable, LocationId::kUserRun, u"App \u2603");
  ActAndUndo(Action::kEnable, LocationId::kUserRun, u"App \u2603");
  ActAndUndo(Action::kDelete, LocationId::kUserRun, u"App \u2603");

  // The lines name each place in words.
  Contents contents;
  ASSERT_EQ(writer.Load(contents), platform::kSuccess);
  std::vector<std::string> places;
  for (const Command& command : contents.commands) {
    for (const ValueChange& value : command.values) {
      places.push_back(Where(registry, value));
      places.push_back(DescribeState(registry, value, value.before));
    }
  }
  const auto has = [&](const std::string& text) {
    return std::find(places.begin(), places.end(), text) != places.end();
  };
  EXPECT_TRUE(has(
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\App \xE2\x98\x83"));
  EXPECT_TRUE(has(
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Old (32-bit view)"));
  EXPECT_TRUE(has(startup::Utf8(user_folder) + "\\App.lnk"));
  EXPECT_TRUE(has("\"%ProgramFiles%\\App\\app.exe\""));
  EXPECT_TRUE(has("file of 20 bytes"));
}

TEST(JournalFormat, WideAndFileLinesRoundTripAndOldLinesReadAsBefore) {
  BeforeRecord wide{7,
                    2,
                    3,
                    kHkeyLocalMachine,
                    "Software\\Run",
                    "N\xC3\xA9|",
                    RegValue{2, std::string("a\0", 2)},
                    PlaceKind::kWideRegistry,
                    RegistryView::k32Bit};
  BeforeRecord file{
      7, 2, 4, 0, "C:\\S\\a.lnk", "", RegValue{0, std::string("\0\r\n%", 4)}, PlaceKind::kFile};
  BeforeRecord gone = file;
  gone.before.reset();
  for (const BeforeRecord& record : {wide, file, gone}) {
    const std::string line = EncodeRecord(record);
    EXPECT_EQ(DecodeRecord(line.substr(0, line.size() - 2)), Record(record)) << line;
  }
  EXPECT_TRUE(EncodeRecord(wide).starts_with("W|7|2|3|HKLM|32|Software\\Run|N%C3%A9%7C|2:a%00|"));
  EXPECT_TRUE(EncodeRecord(file).starts_with("F|7|2|4|C:\\S\\a.lnk|0:%00%0D%0A%25|"));
  // A line of the registry as every earlier version wrote it.
  const std::string old = EncodeRecord(BeforeRecord{1, 0, 1, kHkeyCurrentUser, "K", "V", {}});
  EXPECT_TRUE(old.starts_with("B|1|0|1|HKCU|K|V|-|"));
  // A file's state carries no type, and a view is 64 or 32.
  std::string bad = "F|7|2|4|C:\\a|1:x";
  EXPECT_FALSE(DecodeRecord(bad + "|" + [&] {
    char crc[9];
    std::snprintf(crc, sizeof(crc), "%08x", static_cast<unsigned>(Crc32(bad)));
    return std::string(crc);
  }()));
}

}  // namespace
}  // namespace velqor::journal
