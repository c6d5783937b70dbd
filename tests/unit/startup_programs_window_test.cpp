// The startup programs window as a user meets it from the Tools menu: what it lists, and that each
// command acts on the selected entry whatever the sort.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/sim/platform.h"
#include "startup/startup_programs.h"

namespace velqor::startup {
namespace {

using platform::kHkeyLocalMachine;
using platform::sim::HeadlessWindow;

class StartupProgramsWindowTest : public ::testing::Test {
 protected:
  StartupProgramsWindowTest() {
    sim_.system.AddFile(u"C:\\Program Files\\App\\app.exe");
    sim_.ui.SetProgramFolder("C:\\Velqor");
  }

  void Seed(LocationId id, std::u16string name, std::u16string command,
            std::uint32_t type = platform::kRegSz) {
    const Location& location = LocationOf(id);
    ASSERT_EQ(sim_.wide_registry.WriteValue(location.root, location.view, location.key,
                                            {std::move(name), type, BytesOf(command)}),
              platform::kSuccess);
  }

  HeadlessWindow& Open() {
    form_.Load();
    EXPECT_TRUE(sim_.ui.FindWindow("Form1")->ChooseMenu("stp"));
    HeadlessWindow* w = sim_.ui.FindWindow("frmStartupPrograms");
    EXPECT_NE(w, nullptr);
    return *w;
  }
  platform::ControlId List() { return form_.startup_programs()->list(); }

  // The rows as shown, cells joined by '|'.
  std::vector<std::string> Shown(HeadlessWindow& w) {
    std::vector<std::string> rows;
    for (int i = 0; i < w.ItemCount(List()); ++i) {
      std::string text;
      for (const std::string& cell : w.RowAt(List(), i).cells)
        text += (text.empty() ? "" : "|") + cell;
      rows.push_back(text);
    }
    return rows;
  }
  int RowNamed(HeadlessWindow& w, const std::string& name) {
    for (int i = 0; i < w.ItemCount(List()); ++i) {
      if (w.RowAt(List(), i).cells[0] == name) return i;
    }
    ADD_FAILURE() << name << " is not listed";
    return -1;
  }

  SimPlatform sim_;
  app::Form1 form_{sim_.platform};
};

TEST_F(StartupProgramsWindowTest, ListsEveryLocationAndActsOnTheSelectedEntryWhateverTheSort) {
  Seed(LocationId::kUserRun, u"B \u00e9\u2603", u"%ProgramFiles%\\App\\app.exe",
       platform::kRegExpandSz);
  Seed(LocationId::kMachineRun, u"C", u"C:\\Gone\\gone.exe");
  Seed(LocationId::kMachineRun32, u"A", u"C:\\Program Files\\App\\app.exe");
  std::u16string folder;
  ASSERT_EQ(sim_.startup_folders.FolderPath(platform::StartupFolder::kCurrentUser, folder),
            platform::kSuccess);
  ASSERT_EQ(sim_.startup_folders.WriteShortcut(folder + u"\\D.lnk",
                                               {u"C:\\Program Files\\App\\app.exe", u""}),
            platform::kSuccess);
  sim_.system.SetVariable(u"ProgramFiles", u"C:\\Program Files");

  HeadlessWindow& w = Open();
  EXPECT_EQ(w.Caption(), "Velqor Startup programs");
  EXPECT_EQ(Shown(w),
            (std::vector<std::string>{
                "B \xC3\xA9\xE2\x98\x83|%ProgramFiles%\\App\\app.exe|Registry: current user, "
                "Run|Enabled",
                "C|C:\\Gone\\gone.exe|Registry: all users, Run|File not found",
                "A|C:\\Program Files\\App\\app.exe|Registry: all users, Run (32-bit)|Enabled",
                "D.lnk|\"C:\\Program Files\\App\\app.exe\"|Startup folder: current user|Enabled",
            }));

  // Sorted by name, descending: the rows move, and each command follows the row's key.
  ASSERT_TRUE(w.ClickHeader(List(), 0));
  ASSERT_TRUE(w.ClickHeader(List(), 0));
  EXPECT_EQ(w.RowAt(List(), 0).cells[0], "D.lnk");
  ASSERT_TRUE(w.SelectRow(List(), RowNamed(w, "B \xC3\xA9\xE2\x98\x83")));
  ASSERT_TRUE(w.ClickByName("cmdDisable"));
  EXPECT_EQ(w.RowAt(List(), RowNamed(w, "B \xC3\xA9\xE2\x98\x83")).cells[3], "Disabled");
  EXPECT_EQ(w.SortColumn(List()), 0);
  EXPECT_FALSE(w.SortAscending(List()));
  ASSERT_TRUE(w.ChooseMenu("mnuEnable"));
  EXPECT_EQ(w.RowAt(List(), RowNamed(w, "B \xC3\xA9\xE2\x98\x83")).cells[3], "Enabled");

  // Delete asks, naming the entry and its location; No keeps it, Yes removes it alone.
  ASSERT_TRUE(w.SelectRow(List(), RowNamed(w, "A")));
  const auto registry = sim_.wide_registry.Snapshot();
  sim_.ui.AnswerNextMessageBox(platform::kIdNo);
  ASSERT_TRUE(w.ClickByName("cmdDelete"));
  ASSERT_NE(sim_.ui.last_message_box(), nullptr);
  EXPECT_EQ(sim_.ui.last_message_box()->prompt,
            "Delete \"A\" from \"Registry: all users, Run (32-bit)\"?");
  EXPECT_EQ(sim_.wide_registry.Snapshot(), registry);
  sim_.ui.AnswerNextMessageBox(platform::kIdYes);
  ASSERT_TRUE(w.ClickByName("cmdDelete"));
  EXPECT_EQ(sim_.wide_registry.Snapshot().size(), registry.size() - 1);
  EXPECT_EQ(Shown(w).size(), 3U);
  EXPECT_EQ(w.RowAt(List(), 0).cells[0], "D.lnk");

  // Open file location shows a shortcut itself in Explorer, and a value's program.
  ASSERT_TRUE(w.SelectRow(List(), RowNamed(w, "D.lnk")));
  ASSERT_TRUE(w.PressShortcut("F5"));
  ASSERT_TRUE(w.ClickByName("cmdOpen"));
  ASSERT_TRUE(w.SelectRow(List(), RowNamed(w, "C")));
  ASSERT_TRUE(w.ChooseMenu("mnuOpen"));
  const auto started = sim_.launcher.StartedCommands();
  ASSERT_GE(started.size(), 2U);
  EXPECT_EQ(started[started.size() - 2], "explorer /select,\"" + Utf8(folder) + "\\D.lnk\"");
  EXPECT_EQ(started.back(), "explorer /select,\"C:\\Gone\\gone.exe\"");
}

TEST_F(StartupProgramsWindowTest, TheListsContextMenuIsGreyedAsTheButtonsAndActsOnTheRowClicked) {
  for (const char16_t* name : {u"Alpha", u"Beta", u"Gamma"})
    Seed(LocationId::kUserRun, name, u"C:\\Program Files\\App\\app.exe");
  HeadlessWindow& w = Open();
  // The menu's entries, each greyed or not as its button is.
  const auto greyed_as_buttons = [&] {
    const std::vector<std::string> buttons = {"cmdDisable", "cmdEnable", "cmdDelete",
                                              "cmdOpen",    "",          "cmdRefresh"};
    ASSERT_EQ(w.context_menu().size(), buttons.size());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (!buttons[i].empty()) {
        EXPECT_EQ(w.context_menu()[i].enabled, w.IsEnabled(w.Id(buttons[i]))) << buttons[i];
      }
    }
  };
  ASSERT_TRUE(w.RightClick(List()));
  greyed_as_buttons();
  EXPECT_FALSE(w.IsEnabled(w.Id("cmdDelete"))) << "nothing is selected";
  EXPECT_TRUE(w.IsEnabled(w.Id("cmdRefresh")));

  // Sorted by name, descending; the row right-clicked is selected, and Delete acts on it.
  ASSERT_TRUE(w.ClickHeader(List(), 0));
  ASSERT_TRUE(w.ClickHeader(List(), 0));
  ASSERT_TRUE(w.RightClick(List(), RowNamed(w, "Beta")));
  EXPECT_EQ(w.Text(List()), "Beta");
  greyed_as_buttons();
  EXPECT_FALSE(w.IsEnabled(w.Id("cmdEnable"))) << "Beta is enabled";
  EXPECT_FALSE(w.ChooseContextEntry("mnuEnable")) << "a greyed entry cannot be chosen";
  EXPECT_EQ(sim_.ui.last_message_box(), nullptr);
  ASSERT_TRUE(w.RightClick(List(), RowNamed(w, "Beta")));
  sim_.ui.AnswerNextMessageBox(platform::kIdYes);
  ASSERT_TRUE(w.ChooseContextEntry("mnuDelete"));
  EXPECT_EQ(sim_.ui.last_message_box()->prompt,
            "Delete \"Beta\" from \"Registry: current user, Run\"?");
  ASSERT_EQ(Shown(w).size(), 2U);
  EXPECT_EQ(w.RowAt(List(), 0).cells[0], "Gamma");
  EXPECT_EQ(w.RowAt(List(), 1).cells[0], "Alpha");
  EXPECT_FALSE(w.IsEnabled(w.Id("cmdDisable"))) << "the deleted row took the selection with it";
  EXPECT_FALSE(w.IsMenuEntryEnabled("mnuDisable"));

  // Disabled from the menu, the entry can be enabled but not disabled again.
  ASSERT_TRUE(w.RightClick(List(), RowNamed(w, "Alpha")));
  ASSERT_TRUE(w.ChooseContextEntry("mnuDisable"));
  EXPECT_EQ(w.RowAt(List(), RowNamed(w, "Alpha")).cells[3], "Disabled");
  EXPECT_FALSE(w.IsEnabled(w.Id("cmdDisable")));
  EXPECT_TRUE(w.IsMenuEntryEnabled("mnuEnable"));
  ASSERT_TRUE(w.ClickOffRows(List()));
  EXPECT_FALSE(w.IsEnabled(w.Id("cmdEnable"))) << "a click off the rows leaves none to act on";
  EXPECT_FALSE(w.IsMenuEntryEnabled("mnuEnable"));
}

TEST_F(StartupProgramsWindowTest, RefusedRightsAreToldInWordsAndChangeNothing) {
  Seed(LocationId::kMachineRun, u"Tool", u"C:\\Program Files\\App\\app.exe");
  HeadlessWindow& w = Open();
  sim_.wide_registry.DenyWrites(kHkeyLocalMachine);
  const auto registry = sim_.wide_registry.Snapshot();
  for (const bool xp : {false, true}) {
    sim_.system.SetVersion(xp ? platform::WindowsVersion{5, 1, 2600}
                              : platform::WindowsVersion{10, 0, 19045});
    for (const char* command : {"cmdDisable", "cmdDelete"}) {
      SCOPED_TRACE(std::string(command) + (xp ? " on XP" : " on 10"));
      ASSERT_TRUE(w.SelectRow(List(), RowNamed(w, "Tool")) || w.Selection(List()) >= 0);
      sim_.ui.AnswerNextMessageBox(platform::kIdYes);
      ASSERT_TRUE(w.ClickByName(command));
      EXPECT_EQ(sim_.ui.last_message_box()->prompt, kNeedsAdministrator);
      EXPECT_EQ(sim_.wide_registry.Snapshot(), registry);
      EXPECT_EQ(Shown(w).size(), 1U);
    }
  }
  // With nothing selected the user is told so, and nothing is asked.
  w.ClearItems(List());
  ASSERT_TRUE(w.ClickByName("cmdDelete"));
  EXPECT_EQ(sim_.ui.last_message_box()->prompt, kMsgNoEntry);
}

}  // namespace
}  // namespace velqor::startup
