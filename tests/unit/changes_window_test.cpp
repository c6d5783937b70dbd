// The Changes and Current settings windows over the simulated registry, disk and headless UI: what
// they show, and the undo and export a user starts from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal/changes_window.h"
#include "journal/current_settings.h"
#include "journal/undo.h"
#include "platform/sim/journal_file.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/ui.h"
#include "tweaks/catalogue.h"

namespace velqor::journal {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::HeadlessWindow;

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr char kUserDesktop[] = "HKEY_CURRENT_USER\\Control Panel\\Desktop\\";

struct ChangesWindowTest : ::testing::Test {
  platform::sim::SimRegistry registry;
  platform::sim::SimDisk disk;
  platform::sim::SimJournalFile file{disk};
  JournalWriter writer{file};
  Recorder recorder{registry, writer};
  platform::sim::HeadlessUi ui;
  int changed = 0;
  ChangesWindow changes{ui, recorder, [this] { ++changed; }};

  // One command that writes each value as text through the recorder.
  void Run(std::string_view name, const std::vector<std::pair<std::string, std::string>>& values,
           platform::KeyHandle root = kHkeyCurrentUser, std::string_view path = kDesktop) {
    const CommandScope scope(recorder, name);
    for (const auto& [value, text] : values) {
      const std::string bytes = text + '\0';
      EXPECT_EQ(WriteState(recorder, root, path, value, RegValue{platform::kRegSz, bytes}),
                platform::kSuccess);
    }
  }
  HeadlessWindow& Open() {
    changes.Show();
    HeadlessWindow* w = ui.FindWindow("frmChanges");
    EXPECT_NE(w, nullptr);
    return *w;
  }
  std::vector<std::string> Cells(HeadlessWindow& w, platform::ControlId list, int row) {
    return w.RowAt(list, row).cells;
  }
};

TEST_F(ChangesWindowTest, ListsCommandsNewestFirstAndEachValueInItsType) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
  registry.SeedDword(kHkeyCurrentUser, kDesktop, "AutoEndTasks", 400);
  registry.Seed(kHkeyCurrentUser, kDesktop, "Bin", 3, {0x01, 0xFF});
  file.SetNow("2026-03-31T23:30:05Z");
  Run("Apply XP Tweak",
      {{"MenuShowDelay", "400"}, {"AutoEndTasks", "0"}, {"Bin", "x"}, {"New", "1"}});
  HeadlessWindow& w = Open();
  const auto& c = changes.controls();
  ASSERT_EQ(w.ItemCount(c.lstCommands), 1);
  Run("Second", {{"MenuShowDelay", "20"}});
  ASSERT_EQ(&Open(), &w) << "shown again, the one window reads the journal again";
  ASSERT_EQ(w.ItemCount(c.lstCommands), 2);
  EXPECT_EQ(Cells(w, c.lstCommands, 0)[1], "Second");
  EXPECT_EQ(Cells(w, c.lstCommands, 1),
            (std::vector<std::string>{"2026-04-01 00:30:05", "Apply XP Tweak", "4", ""}))
      << "local time, across midnight";
  EXPECT_EQ(w.ItemCount(c.lstValues), 0);
  w.SelectRow(c.lstCommands, 1);
  ASSERT_EQ(w.ItemCount(c.lstValues), 4);
  EXPECT_EQ(Cells(w, c.lstValues, 0),
            (std::vector<std::string>{std::string(kUserDesktop) + "MenuShowDelay", "\"100\"",
                                      "\"400\""}));
  EXPECT_EQ(Cells(w, c.lstValues, 1)[1], "400 (0x190)");
  EXPECT_EQ(Cells(w, c.lstValues, 2)[1], "REG_BINARY 01 ff");
  EXPECT_EQ(Cells(w, c.lstValues, 3)[1], "(absent)");
  EXPECT_EQ(w.Text(c.lblStatus), "Journal: " + file.Location());

  // The lists take the room a larger window gives, the buttons keep to the bottom.
  const platform::TwipRect values = w.ControlRect(c.lstValues);
  const platform::TwipRect undo = w.ControlRect(c.cmdUndo);
  ASSERT_TRUE(w.Resize(11400 + 1500, 6960 + 900));
  EXPECT_EQ(w.ControlRect(c.lstValues).width, values.width + 1500);
  EXPECT_EQ(w.ControlRect(c.lstValues).height, values.height + 900);
  EXPECT_EQ(w.ControlRect(c.cmdUndo).top, undo.top + 900);
}

TEST_F(ChangesWindowTest, UndoAsksAboutValuesChangedSinceAndReportsRefusals) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
  registry.SeedText(kHkeyLocalMachine, kMstcp, "DefaultTTL", "64");
  {
    const CommandScope scope(recorder, "Internet Speed");
    for (const auto& [root, path, name, text] :
         {std::tuple{kHkeyCurrentUser, kDesktop, "MenuShowDelay", "400"},
          std::tuple{kHkeyCurrentUser, kDesktop, "Other", "1"},
          std::tuple{kHkeyLocalMachine, kMstcp, "DefaultTTL", "128"}}) {
      ASSERT_EQ(WriteState(recorder, root, path, name, RegValue{1, std::string(text) + '\0'}),
                platform::kSuccess);
    }
  }
  registry.SeedText(kHkeyCurrentUser, kDesktop, "Other", "by another program");
  HeadlessWindow& w = Open();
  const auto& c = changes.controls();

  w.ClickByName("cmdUndo");  // nothing selected
  EXPECT_EQ(ui.last_message_box()->prompt, "Choose a command in the list first.");
  w.SelectRow(c.lstCommands, 0);
  const std::string before = registry.Snapshot();
  ui.AnswerNextMessageBox(platform::kIdCancel);
  w.ClickByName("cmdUndo");
  const platform::sim::MessageBoxRecord asked = *ui.last_message_box();
  EXPECT_EQ(asked.style & 0x0F, platform::kMbYesNoCancel);
  EXPECT_NE(asked.prompt.find(std::string(kUserDesktop) + "Other\n"), std::string::npos);
  EXPECT_EQ(asked.prompt.find("MenuShowDelay"), std::string::npos) << asked.prompt;
  EXPECT_EQ(registry.Snapshot(), before) << "Cancel changes nothing";
  EXPECT_EQ(w.ItemCount(c.lstCommands), 1);

  // No: the others only, and the refused machine-wide one is named; the rest is done.
  registry.DenyWrites(kHkeyLocalMachine);
  ui.AnswerNextMessageBox(platform::kIdNo);
  w.ClickByName("cmdUndo");
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "100");
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "Other"), "by another program");
  const std::string report = ui.last_message_box()->prompt;
  EXPECT_NE(
      report.find("HKEY_LOCAL_MACHINE\\" + std::string(kMstcp) + "\\DefaultTTL: access denied (5)"),
      std::string::npos)
      << report;
  EXPECT_NE(report.find("The other values were put back."), std::string::npos);
  ASSERT_EQ(w.ItemCount(c.lstCommands), 2);
  EXPECT_EQ(Cells(w, c.lstCommands, 0)[1], "Undo of 1");
  EXPECT_EQ(Cells(w, c.lstCommands, 0)[2], "1");
  EXPECT_EQ(Cells(w, c.lstCommands, 1)[3], "undone");
  EXPECT_EQ(w.Selection(c.lstCommands), 0) << "the undo is selected";
  EXPECT_EQ(changed, 1);

  // An undone command is not undone twice; the undo itself can be, and Yes puts back all.
  w.SelectRow(c.lstCommands, 1);
  w.ClickByName("cmdUndo");
  EXPECT_NE(ui.last_message_box()->prompt.find("undone already"), std::string::npos);
  w.SelectRow(c.lstCommands, 0);
  registry.ClearFaults();
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "5");
  ui.AnswerNextMessageBox(platform::kIdYes);
  w.ClickByName("cmdUndo");
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "400");
  EXPECT_EQ(Cells(w, c.lstCommands, 0)[1], "Undo of 2");
}

TEST_F(ChangesWindowTest, ExportWritesTheBeforeStatesWhereTheUserChose) {
  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
  Run("Apply XP Tweak", {{"MenuShowDelay", "400"}, {"New", "1"}});
  HeadlessWindow& w = Open();
  w.SelectRow(changes.controls().lstCommands, 0);
  ui.AnswerNextSaveAs(std::nullopt);
  w.ClickByName("cmdExport");
  EXPECT_EQ(ui.save_as_dialogs().back().request.default_extension, "reg");
  ui.AnswerNextSaveAs("C:\\backup.reg");
  w.ClickByName("cmdExport");
  EXPECT_EQ(disk.File("C:\\backup.reg"),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
            "\"MenuShowDelay\"=\"100\"\r\n\"New\"=-\r\n\r\n");
  EXPECT_EQ(ui.message_boxes().size(), 0U);
  disk.RefuseUserFiles();
  ui.AnswerNextSaveAs("C:\\refused.reg");
  w.ClickByName("cmdExport");
  EXPECT_EQ(ui.last_message_box()->prompt,
            "The file C:\\refused.reg could not be written: access denied (5).");
}

TEST_F(ChangesWindowTest, DamagedLinesAndAJournalNotWrittenAreReported) {
  Run("One", {{"A", "1"}});
  Run("Two", {{"B", "1"}});
  std::string text = disk.File("changes.txt").value();
  text[text.find("|A|") + 1] = 'Z';  // edited by hand
  disk.SetFile("changes.txt", text);
  disk.RefuseFolder();
  Run("Three", {{"C", "1"}});
  ASSERT_FALSE(recorder.recording());
  disk.RefuseFolder(false);
  HeadlessWindow& w = Open();
  const std::string status = w.Text(changes.controls().lblStatus);
  EXPECT_NE(status.find("Changes are not being recorded and cannot be undone"), std::string::npos)
      << status;
  EXPECT_NE(status.find("2 damaged lines were skipped: line 2 ("), std::string::npos) << status;
  EXPECT_EQ(w.ItemCount(changes.controls().lstCommands), 2) << "the other records stay usable";
}

TEST(CurrentSettings, EachValueItsStateFromTheCommandsTablesAndRefresh) {
  platform::sim::SimRegistry registry;
  platform::sim::SimScriptHost host(registry);
  platform::sim::HeadlessUi ui;
  tweaks::ApplyTweaks(host, {1, 0, 1, 0, 1, 0, 1, 0});
  registry.SeedText(kHkeyCurrentUser, kDesktop, "HungAppTimeout", "777");
  registry.SeedText(kHkeyLocalMachine, kMstcp, "DefaultTTL", "128");
  CurrentSettingsWindow window(ui, registry);
  const std::string before = registry.Snapshot();
  window.Show();
  HeadlessWindow& w = *ui.FindWindow("frmCurrentSettings");
  const platform::ControlId list = w.Find("lstSettings");
  ASSERT_EQ(w.ItemCount(list), 9 + 13);
  auto row = [&](int i) { return w.RowAt(list, i).cells; };
  EXPECT_EQ(row(4), (std::vector<std::string>{
                        "Increase speed for Menu drop", std::string(kUserDesktop) + "MenuShowDelay",
                        "\"20\"", "\"20\"", "\"400\"", "tweaked", "at the next log-on"}));
  EXPECT_EQ(row(1)[1],
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
            "AlwaysUnloadDLL\\(Default)");
  EXPECT_EQ(row(1)[5], "ordinary");
  EXPECT_EQ(row(3)[5], "other");
  EXPECT_EQ(row(7)[2], "100 (0x64)");
  EXPECT_EQ(row(7)[5], "tweaked") << "the service time-out is a number when tweaked";
  EXPECT_EQ(row(9)[0], "Internet Speed: syncmode5");
  EXPECT_EQ(row(9)[4], "4 (0x4)");
  EXPECT_EQ(row(9)[5], "absent");
  EXPECT_EQ(row(11)[0], "Internet Speed: DefaultTTL");
  EXPECT_EQ(row(11)[4], "(deleted)");
  EXPECT_EQ(row(11)[5], "tweaked");
  EXPECT_EQ(registry.Snapshot(), before) << "it never writes";

  registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "400");
  EXPECT_EQ(row(4)[5], "tweaked") << "read when the window opens";
  w.SelectRow(list, 4);
  ASSERT_TRUE(w.PressShortcut("F5"));
  EXPECT_EQ(row(4)[5], "ordinary");
  EXPECT_EQ(w.Selection(list), 4) << "the selection stays";
  registry.DenyKey(kHkeyCurrentUser, kDesktop, platform::kKeyQueryValue);
  ASSERT_TRUE(w.ClickByName("cmdRefresh"));
  EXPECT_EQ(row(4)[2], "(unreadable: access denied (5))");
  EXPECT_EQ(row(4)[5], "other");
}

}  // namespace
}  // namespace velqor::journal
