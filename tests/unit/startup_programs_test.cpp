// The startup programs over the simulated system: every location listed, and Disable, Enable and
// Delete in both stores leaving exactly the expected bytes, or nothing changed at all.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/journal_file.h"
#include "platform/sim/startup_folders.h"
#include "platform/sim/system_info.h"
#include "platform/sim/wide_registry.h"
#include "startup/actions.h"
#include "startup/locations.h"

namespace velqor::startup {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegistryView;
using platform::WideValue;
namespace sim = platform::sim;

constexpr char16_t kRun[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kUserApproved[] =
    u"HKCU||Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

class StartupProgramsTest : public ::testing::Test {
 protected:
  StartupProgramsTest() {
    system_.AddFile(u"C:\\Program Files\\App\\app.exe");
    system_.AddFile(u"C:\\Windows\\system32\\rundll32.exe");
    system_.AddFile(u"C:\\Windows\\system32\\shell32.dll");
  }

  void Seed(LocationId id, std::u16string name, std::u16string command,
            std::uint32_t type = platform::kRegSz) {
    const Location& location = LocationOf(id);
    ASSERT_EQ(registry_.WriteValue(location.root, location.view, location.key,
                                   {std::move(name), type, BytesOf(command)}),
              platform::kSuccess);
  }
  std::u16string Folder(platform::StartupFolder folder) {
    std::u16string path;
    EXPECT_EQ(folders_.FolderPath(folder, path), platform::kSuccess);
    return path;
  }
  void SeedShortcut(platform::StartupFolder folder, const std::u16string& name,
                    platform::ShortcutTarget target) {
    ASSERT_EQ(folders_.WriteShortcut(Folder(folder) + u"\\" + name, target), platform::kSuccess);
  }

  // Each entry as "<location>|<name>|<command>|<status>".
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (const Entry& entry : ListEntries(platform_)) {
      rows.push_back(std::string(LocationOf(entry.location).name) + "|" + Utf8(entry.name) + "|" +
                     Utf8(entry.command) + "|" + StatusText(entry.status));
    }
    return rows;
  }

  // What changed between two snapshots: "+key" added, "-key" removed, "~key" changed.
  template <typename Map>
  static std::map<std::u16string, std::string> Diff(const Map& before, const Map& after) {
    std::map<std::u16string, std::string> changes;
    for (const auto& [key, value] : before) {
      const auto it = after.find(key);
      if (it == after.end())
        changes[u"-" + key] = "";
      else if (!(it->second == value))
        changes[u"~" + key] = "";
    }
    for (const auto& [key, value] : after) {
      if (before.count(key) == 0) changes[u"+" + key] = "";
    }
    return changes;
  }
  std::map<std::u16string, std::string> RegistryDiff(
      const std::map<std::u16string, WideValue>& before) {
    return Diff(before, registry_.Snapshot());
  }

  void UseWindowsXp() { system_.SetVersion({5, 1, 2600}); }

  sim::SimWideRegistry registry_;
  sim::SimStartupFolders folders_;
  sim::SimSystemInfo system_;
  StartupPlatform platform_{registry_, folders_, system_};
};

TEST_F(StartupProgramsTest, EveryLocationIsListedWithItsEntries) {
  Seed(LocationId::kUserRun, u"App \u00e9\u2603", u"\"%ProgramFiles%\\App\\app.exe\" /tray",
       platform::kRegExpandSz);
  Seed(LocationId::kUserRunOnce, u"Once", u"C:\\Program Files\\App\\app.exe /once");
  Seed(LocationId::kMachineRun, u"Gone", u"C:\\Gone\\gone.exe");
  Seed(LocationId::kMachineRunOnce, u"Setup", u"rundll32.exe shell32.dll,Entry");
  Seed(LocationId::kMachineRun32, u"Old", u"C:\\Program Files\\App\\app.exe");
  Seed(LocationId::kMachineRunOnce32, u"Old once", u"C:\\Program Files\\App\\app.exe");
  Seed(LocationId::kUserPolicyRun, u"Policy", u"rundll32.exe missing.dll,Entry");
  Seed(LocationId::kMachinePolicyRun, u"Machine policy", u"C:\\Program Files\\App\\app");
  SeedShortcut(platform::StartupFolder::kCurrentUser, u"App.lnk",
               {u"C:\\Program Files\\App\\app.exe", u"-s"});
  ASSERT_EQ(folders_.WriteFile(Folder(platform::StartupFolder::kCurrentUser) + u"\\desktop.ini",
                               "[.ShellClassInfo]"),
            platform::kSuccess);
  ASSERT_EQ(folders_.WriteFile(Folder(platform::StartupFolder::kCurrentUser) + u"\\Broken.lnk",
                               "not a shortcut"),
            platform::kSuccess);
  SeedShortcut(platform::StartupFolder::kAllUsers, u"Gone.lnk", {u"C:\\Gone\\gone.exe", u""});

  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        "Registry: current user, Run|App \xC3\xA9\xE2\x98\x83|"
                        "\"%ProgramFiles%\\App\\app.exe\" /tray|Enabled",
                        "Registry: current user, RunOnce|Once|C:\\Program Files\\App\\app.exe "
                        "/once|Enabled",
                        "Registry: all users, Run|Gone|C:\\Gone\\gone.exe|File not found",
                        "Registry: all users, RunOnce|Setup|rundll32.exe shell32.dll,Entry|Enabled",
                        "Registry: all users, Run (32-bit)|Old|C:\\Program Files\\App\\app.exe|"
                        "Enabled",
                        "Registry: all users, RunOnce (32-bit)|Old once|C:\\Program "
                        "Files\\App\\app.exe|Enabled",
                        "Registry: current user, policy Run|Policy|rundll32.exe "
                        "missing.dll,Entry|File not found",
                        "Registry: all users, policy Run|Machine policy|C:\\Program "
                        "Files\\App\\app|Enabled",
                        "Startup folder: current user|App.lnk|\"C:\\Program "
                        "Files\\App\\app.exe\" -s|Enabled",
                        "Startup folder: current user|Broken.lnk||File not found",
                        "Startup folder: all users|Gone.lnk|C:\\Gone\\gone.exe|File not found",
                    }));

  // On 32-bit Windows there is no 32-bit view to list; a missing Startup folder lists nothing.
  sim::SimWideRegistry one_view(false);
  ASSERT_EQ(one_view.WriteValue(kHkeyLocalMachine, RegistryView::kNative, kRun,
                                {u"Only", platform::kRegSz, BytesOf(u"x.exe")}),
            platform::kSuccess);
  folders_.RemoveFolder(Folder(platform::StartupFolder::kAllUsers));
  StartupPlatform thirty_two{one_view, folders_, system_};
  std::vector<std::string> locations;
  for (const Entry& entry : ListEntries(thirty_two)) {
    locations.push_back(LocationOf(entry.location).name);
  }
  EXPECT_EQ(locations,
            (std::vector<std::string>{"Registry: all users, Run", "Startup folder: current user",
                                      "Startup folder: current user"}));
}

TEST_F(StartupProgramsTest, ApprovalValuesDisableAndEnableLeavingEverythingElse) {
  Seed(LocationId::kUserRun, u"App", u"C:\\Program Files\\App\\app.exe");
  Seed(LocationId::kMachineRun32, u"Old", u"C:\\Program Files\\App\\app.exe");
  Seed(LocationId::kUserRunOnce, u"Once", u"C:\\Program Files\\App\\app.exe");
  SeedShortcut(platform::StartupFolder::kAllUsers, u"App.lnk",
               {u"C:\\Program Files\\App\\app.exe", u""});
  system_.SetNow(0x01DA'0203'0405'0607ULL);
  const auto files = folders_.Snapshot();

  auto before = registry_.Snapshot();
  Act(platform_, Action::kDisable, LocationId::kUserRun, u"App");
  EXPECT_EQ(RegistryDiff(before), (std::map<std::u16string, std::string>{
                                      {u"+" + std::u16string(kUserApproved) + u"Run|App", ""}}));
  WideValue approval = registry_.Snapshot().at(std::u16string(kUserApproved) + u"Run|App");
  EXPECT_EQ(approval.type, platform::kRegBinary);
  EXPECT_EQ(approval.bytes, std::string("\x03\0\0\0\x07\x06\x05\x04\x03\x02\xDA\x01", 12));
  EXPECT_EQ(Rows()[0], "Registry: current user, Run|App|C:\\Program Files\\App\\app.exe|Disabled");

  Act(platform_, Action::kEnable, LocationId::kUserRun, u"App");
  approval = registry_.Snapshot().at(std::u16string(kUserApproved) + u"Run|App");
  EXPECT_EQ(approval.bytes, std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(RegistryDiff(before).size(), 1U);
  EXPECT_EQ(Rows()[0], "Registry: current user, Run|App|C:\\Program Files\\App\\app.exe|Enabled");

  // The 32-bit view's entries are approved in Run32, a folder's in StartupFolder, machine-wide.
  before = registry_.Snapshot();
  Act(platform_, Action::kDisable, LocationId::kMachineRun32, u"Old");
  Act(platform_, Action::kDisable, LocationId::kCommonFolder, u"App.lnk");
  const std::u16string machine =
      u"HKLM||Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
  EXPECT_EQ(RegistryDiff(before), (std::map<std::u16string, std::string>{
                                      {u"+" + machine + u"Run32|Old", ""},
                                      {u"+" + machine + u"StartupFolder|App.lnk", ""}}));
  EXPECT_EQ(folders_.Snapshot(), files);

  // What the system's tools write is read as they read it: odd disables, even enables.
  for (const auto& [first, status] : {std::pair{'\x07', "Disabled"}, std::pair{'\x06', "Enabled"},
                                      std::pair{'\x01', "Disabled"}}) {
    ASSERT_EQ(registry_.WriteValue(kHkeyCurrentUser, RegistryView::kNative,
                                   std::u16string(kApprovedKey) + u"\\Run",
                                   {u"App", platform::kRegBinary, std::string(1, first) + "abc"}),
              platform::kSuccess);
    EXPECT_EQ(Rows()[0], std::string("Registry: current user, Run|App|C:\\Program "
                                     "Files\\App\\app.exe|") +
                             status);
  }

  // RunOnce has no approval value: nothing to disable it with, and nothing changes.
  before = registry_.Snapshot();
  EXPECT_THROW(Act(platform_, Action::kDisable, LocationId::kUserRunOnce, u"Once"),
               platform::Failure);
  EXPECT_TRUE(RegistryDiff(before).empty());

  // Delete removes exactly the value, by its exact name, and no key.
  Seed(LocationId::kUserRun, u"app2", u"C:\\Program Files\\App\\app.exe");
  before = registry_.Snapshot();
  EXPECT_THROW(Act(platform_, Action::kDelete, LocationId::kUserRun, u"APP2"), platform::Failure);
  EXPECT_THROW(Act(platform_, Action::kDelete, LocationId::kMachineRun, u"app2"),
               platform::Failure);
  Act(platform_, Action::kDelete, LocationId::kUserRun, u"app2");
  EXPECT_EQ(
      RegistryDiff(before),
      (std::map<std::u16string, std::string>{{u"-HKCU||" + std::u16string(kRun) + u"|app2", ""}}));
  Act(platform_, Action::kDelete, LocationId::kCommonFolder, u"App.lnk");
  EXPECT_EQ(files.size() - 1, folders_.Snapshot().size());
  EXPECT_TRUE(registry_.KeyExists(kHkeyCurrentUser, RegistryView::kNative, kRun));
}

TEST_F(StartupProgramsTest, ConfigurationUtilityRecordsKeepEntriesWithTheirOwnType) {
  UseWindowsXp();
  const std::string expand_bytes = BytesOf(u"%ProgramFiles%\\App\\app.exe /tray");
  Seed(LocationId::kUserRun, u"App", u"%ProgramFiles%\\App\\app.exe /tray", platform::kRegExpandSz);
  const auto registry_before = registry_.Snapshot();

  Act(platform_, Action::kDisable, LocationId::kUserRun, u"App");
  const std::u16string record = u"HKLM||" + std::u16string(kMsConfigRegKey) + u"\\App|";
  const auto after = registry_.Snapshot();
  EXPECT_EQ(RegistryDiff(registry_before), (std::map<std::u16string, std::string>{
                                               {u"-HKCU||" + std::u16string(kRun) + u"|App", ""},
                                               {u"+" + record + u"command", ""},
                                               {u"+" + record + u"hkey", ""},
                                               {u"+" + record + u"inimapping", ""},
                                               {u"+" + record + u"item", ""},
                                               {u"+" + record + u"key", ""}}));
  EXPECT_EQ(after.at(record + u"key").bytes,
            BytesOf(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
  EXPECT_EQ(after.at(record + u"item").bytes, BytesOf(u"App"));
  EXPECT_EQ(after.at(record + u"hkey").bytes, BytesOf(u"HKCU"));
  EXPECT_EQ(after.at(record + u"inimapping").bytes, BytesOf(u"0"));
  EXPECT_EQ(after.at(record + u"command"),
            (WideValue{u"command", platform::kRegExpandSz, expand_bytes}));
  EXPECT_EQ(Rows(), std::vector<std::string>{"Registry: current user, Run|App|"
                                             "%ProgramFiles%\\App\\app.exe /tray|Disabled"});

  // Enable gives the value back with its type and bytes, and the record goes, key and all.
  Act(platform_, Action::kEnable, LocationId::kUserRun, u"App");
  EXPECT_EQ(registry_.Snapshot(), registry_before);
  EXPECT_FALSE(registry_.KeyExists(kHkeyLocalMachine, RegistryView::kNative,
                                   std::u16string(kMsConfigRegKey) + u"\\App"));

  // The 32-bit view is recorded as the utility sees it, through Wow6432Node.
  Seed(LocationId::kMachineRun32, u"App", u"C:\\Program Files\\App\\app.exe");
  Act(platform_, Action::kDisable, LocationId::kMachineRun32, u"App");
  Act(platform_, Action::kDisable, LocationId::kUserRun, u"App");
  EXPECT_EQ(TextOf(registry_.Snapshot().at(record + u"key").bytes),
            u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(TextOf(registry_.Snapshot()
                       .at(u"HKLM||" + std::u16string(kMsConfigRegKey) + u"\\App (2)|hkey")
                       .bytes),
            u"HKCU");
  Act(platform_, Action::kEnable, LocationId::kUserRun, u"App");
  Act(platform_, Action::kEnable, LocationId::kMachineRun32, u"App");
  Act(platform_, Action::kDelete, LocationId::kMachineRun32, u"App");
  EXPECT_EQ(registry_.Snapshot(), registry_before);

  // A Startup folder file goes to the utility's backup folder, byte for byte, and comes back.
  SeedShortcut(platform::StartupFolder::kCurrentUser, u"App.lnk",
               {u"C:\\Program Files\\App\\app.exe", u"-s"});
  const auto files_before = folders_.Snapshot();
  const std::u16string path = Folder(platform::StartupFolder::kCurrentUser) + u"\\App.lnk";
  const std::string shortcut = files_before.at(path);
  Act(platform_, Action::kDisable, LocationId::kUserFolder, u"App.lnk");
  const std::u16string backup = u"C:\\Windows\\pss\\App.lnk.Startup";
  EXPECT_EQ(folders_.Snapshot(), (std::map<std::u16string, std::string>{{backup, shortcut}}));
  const std::u16string folder_record =
      u"HKLM||" + std::u16string(kMsConfigFolderKey) + u"\\" + FolderRecordName(path) + u"|";
  const auto records = registry_.Snapshot();
  EXPECT_EQ(TextOf(records.at(folder_record + u"path").bytes), path);
  EXPECT_EQ(TextOf(records.at(folder_record + u"backup").bytes), backup);
  EXPECT_EQ(TextOf(records.at(folder_record + u"location").bytes), u"Startup");
  EXPECT_EQ(TextOf(records.at(folder_record + u"backupExtension").bytes), u".Startup");
  EXPECT_EQ(TextOf(records.at(folder_record + u"item").bytes), u"App");
  EXPECT_EQ(TextOf(records.at(folder_record + u"command").bytes),
            u"\"C:\\Program Files\\App\\app.exe\" -s");
  EXPECT_EQ(Rows()[1],
            "Startup folder: current user|App.lnk|\"C:\\Program Files\\App\\app.exe\" "
            "-s|Disabled");
  Act(platform_, Action::kEnable, LocationId::kUserFolder, u"App.lnk");
  EXPECT_EQ(folders_.Snapshot(), files_before);
  EXPECT_EQ(registry_.Snapshot(), registry_before);

  // An entry the utility itself disabled (its command a REG_SZ) is enabled as it kept it.
  const std::u16string its = std::u16string(kMsConfigRegKey) + u"\\Tool";
  for (const auto& [name, text] :
       {std::pair{u"key", u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        std::pair{u"item", u"Tool"}, std::pair{u"hkey", u"HKLM"},
        std::pair{u"command", u"C:\\Gone\\tool.exe"}, std::pair{u"inimapping", u"0"}}) {
    ASSERT_EQ(registry_.WriteValue(kHkeyLocalMachine, RegistryView::kNative, its,
                                   {name, platform::kRegSz, BytesOf(text)}),
              platform::kSuccess);
  }
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{
                "Registry: current user, Run|App|%ProgramFiles%\\App\\app.exe /tray|Enabled",
                "Startup folder: current user|App.lnk|\"C:\\Program Files\\App\\app.exe\" "
                "-s|Enabled",
                "Registry: all users, Run|Tool|C:\\Gone\\tool.exe|Disabled"}));
  Act(platform_, Action::kEnable, LocationId::kMachineRun, u"Tool");
  EXPECT_EQ(registry_.Snapshot().at(u"HKLM||" + std::u16string(kRun) + u"|Tool"),
            (WideValue{u"Tool", platform::kRegSz, BytesOf(u"C:\\Gone\\tool.exe")}));
}

TEST_F(StartupProgramsTest, RefusedChangesAreReportedInWordsAndTakeNothingAlong) {
  Seed(LocationId::kMachineRun, u"App", u"C:\\Program Files\\App\\app.exe");
  Seed(LocationId::kUserRun, u"Mine", u"C:\\Program Files\\App\\app.exe", platform::kRegExpandSz);
  SeedShortcut(platform::StartupFolder::kAllUsers, u"All.lnk",
               {u"C:\\Program Files\\App\\app.exe", u""});
  SeedShortcut(platform::StartupFolder::kCurrentUser, u"Mine.lnk",
               {u"C:\\Program Files\\App\\app.exe", u""});
  registry_.DenyWrites(kHkeyLocalMachine);
  folders_.DenyWrites(Folder(platform::StartupFolder::kAllUsers));
  const auto registry_before = registry_.Snapshot();
  const auto files_before = folders_.Snapshot();
  const auto refused = [&](Action action, LocationId location, std::u16string_view name) {
    try {
      Act(platform_, action, location, name);
      ADD_FAILURE() << "not refused";
    } catch (const platform::Failure& failure) {
      EXPECT_STREQ(failure.what(), kNeedsAdministrator);
    }
    EXPECT_EQ(registry_.Snapshot(), registry_before);
    EXPECT_EQ(folders_.Snapshot(), files_before);
  };
  refused(Action::kDisable, LocationId::kMachineRun, u"App");
  refused(Action::kDelete, LocationId::kMachineRun, u"App");
  refused(Action::kDelete, LocationId::kCommonFolder, u"All.lnk");
  // On Windows XP to 7 the store itself is machine-wide.
  UseWindowsXp();
  refused(Action::kDisable, LocationId::kUserRun, u"Mine");
  refused(Action::kDisable, LocationId::kUserFolder, u"Mine.lnk");
  refused(Action::kDisable, LocationId::kCommonFolder, u"All.lnk");

  // A failure after some steps were done takes them back: the record and the backup.
  registry_.DenyWrites(kHkeyLocalMachine, false);
  folders_.FailNext(sim::SimStartupFolders::Operation::kDelete, platform::kSharingViolation);
  EXPECT_THROW(Act(platform_, Action::kDisable, LocationId::kUserFolder, u"Mine.lnk"),
               platform::Failure);
  EXPECT_EQ(registry_.Snapshot(), registry_before);
  EXPECT_EQ(folders_.Snapshot(), files_before);
  EXPECT_FALSE(registry_.KeyExists(
      kHkeyLocalMachine, RegistryView::kNative,
      std::u16string(kMsConfigFolderKey) + u"\\" +
          FolderRecordName(Folder(platform::StartupFolder::kCurrentUser) + u"\\Mine.lnk")));
}

}  // namespace
}  // namespace velqor::startup
