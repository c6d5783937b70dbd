// The startup manager window over the simulated registry and the headless UI.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/registry.h"
#include "platform/sim/ui.h"
#include "platform/ui.h"
#include "startup/frm_main.h"
#include "platform/sim/platform.h"

namespace velqor::startup {
namespace {

using platform::ControlId;
using platform::KeyHandle;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::HeadlessWindow;
using platform::sim::SimRegistry;

constexpr KeyHandle kMachine = kHkeyLocalMachine;
constexpr KeyHandle kUser = kHkeyCurrentUser;

// One value that a test put into the registry, so that the registry it should end with can be
// rebuilt without the values that were meant to go.
struct Seeded {
  KeyHandle root;
  std::string path;
  std::string name;  // empty with is_key: the key alone
  std::uint32_t type;
  std::string bytes;
  bool is_key = false;
};

class StartupManager : public ::testing::Test {
 protected:
  SimPlatform sim;
  frmMain form{sim.platform};
  std::vector<Seeded> seeded;

  HeadlessWindow& W() {
    auto* w = dynamic_cast<HeadlessWindow*>(form.window());
    if (w == nullptr) {
      throw std::logic_error("the startup manager is not loaded");
    }
    return *w;
  }
  const frmMain::Controls& Ids() const { return form.controls(); }
  const std::vector<platform::sim::MessageBoxRecord>& Boxes() { return sim.ui.message_boxes(); }

  void PutIn(KeyHandle root, const std::string& path, const std::string& name,
             const std::string& bytes, std::uint32_t type) {
    sim.registry.Seed(root, path, name, type,
                      std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    seeded.push_back({root, path, name, type, bytes});
  }
  void Put(KeyHandle root, const std::string& name, const std::string& bytes,
           std::uint32_t type = platform::kRegSz) {
    PutIn(root, std::string(kRunSubKey), name, bytes, type);
  }
  void CreateRunKey(KeyHandle root) {
    sim.registry.SeedKey(root, kRunSubKey);
    seeded.push_back({root, std::string(kRunSubKey), "", 0, "", true});
  }
  // Removes a value as another program would, behind the window's back.
  void RemoveValue(KeyHandle root, const std::string& name) {
    KeyHandle key = 0;
    ASSERT_EQ(sim.registry.OpenKey(root, kRunSubKey, platform::kKeySetValue, key), 0);
    ASSERT_EQ(sim.registry.DeleteValue(key, name), 0);
    (void)sim.registry.CloseKey(key);
    std::erase_if(seeded, [&](const Seeded& s) { return Is(s, root, name); });
    seeded.push_back({root, std::string(kRunSubKey), "", 0, "", true});
  }

  static bool Is(const Seeded& s, KeyHandle root, const std::string& name) {
    return !s.is_key && s.root == root && s.path == kRunSubKey && s.name == name;
  }

  // The whole registry as it should be: everything seeded, less the Run values named.
  std::string Expected(const std::vector<std::pair<KeyHandle, std::string>>& gone = {}) {
    SimRegistry expected;
    for (const Seeded& s : seeded) {
      bool dropped = false;
      for (const auto& [root, name] : gone) {
        dropped = dropped || Is(s, root, name);
      }
      if (s.is_key || dropped) {
        expected.SeedKey(s.root, s.path);
      } else {
        expected.Seed(s.root, s.path, s.name, s.type,
                      std::vector<std::uint8_t>(s.bytes.begin(), s.bytes.end()));
      }
    }
    return expected.Snapshot();
  }

  std::vector<std::string> Rows(ControlId list) {
    std::vector<std::string> rows;
    for (int i = 0; i < W().ItemCount(list); ++i) {
      rows.push_back(W().ItemText(list, i));
    }
    return rows;
  }

  void Click(ControlId control) { ASSERT_TRUE(W().Click(control)); }

  void OpenUserList() {
    form.Show();
    Click(Ids().optRun2);
  }

  // Clicks the nth row of lstName that shows `text`.
  void SelectName(const std::string& text, int nth = 0) {
    for (int i = 0; i < W().ItemCount(Ids().lstName); ++i) {
      if (W().ItemText(Ids().lstName, i) == text && nth-- == 0) {
        W().SelectRow(Ids().lstName, i);
        return;
      }
    }
    FAIL() << "no row " << text;
  }
};

std::string Dword(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}

TEST_F(StartupManager, WindowHasItsCaptionSizeIconAndEveryControlOfTheForm) {
  form.Show();
  ASSERT_TRUE(form.IsLoaded());
  const platform::WindowSpec& def = W().def();
  EXPECT_EQ(def.caption, "Velqor Startup manager");
  EXPECT_EQ(def.client_width, 7725);
  EXPECT_EQ(def.client_height, 6030);
  EXPECT_EQ(def.icon_resource, "STARTUP");

  struct Row {
    const char* name;
    platform::ControlKind kind;
    const char* caption;
    platform::TwipRect rect;
    int tab;
    bool in_frame;
  };
  using K = platform::ControlKind;
  const Row rows[] = {
      {"Frame1", K::kFrame, "Options", {120, 120, 7455, 615}, 9, false},
      {"optRun", K::kOptionButton, " Run", {1440, 240, 675, 255}, 11, true},
      {"optRun2", K::kOptionButton, "Run (Current user)", {3840, 240, 2535, 255}, 10, true},
      {"lbl0", K::kLabel, "Name:", {0, 720, 570, 240}, -1, false},
      {"lstName", K::kListBox, "", {0, 960, 7605, 1230}, 0, false},
      {"lbl1", K::kLabel, "Command Line:", {0, 2280, 1440, 240}, -1, false},
      {"lstCmdLine", K::kListBox, "", {0, 2520, 7605, 1815}, 1, false},
      {"lbl2", K::kLabel, "Program Name:", {240, 4680, 1440, 240}, -1, false},
      {"txtName", K::kTextBox, "", {1680, 4680, 5325, 285}, 4, false},
      {"lbl3", K::kLabel, "Command Line:", {240, 5040, 1440, 240}, -1, false},
      {"txtCmdLine", K::kTextBox, "", {1680, 5040, 4485, 285}, 5, false},
      {"cmdBrowse", K::kButton, "Browse...", {6240, 5040, 900, 315}, 8, false},
      {"Command1", K::kButton, "Delete", {240, 5520, 7215, 375}, 12, false},
  };
  const ControlId frame = W().Find("Frame1");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ControlId id = W().Find(r.name);
    ASSERT_NE(id, platform::kNoControl);
    const platform::ControlSpec& c = W().SpecOf(id);
    EXPECT_EQ(c.kind, r.kind);
    EXPECT_EQ(c.caption, r.caption);
    EXPECT_EQ(c.rect.left, r.rect.left);
    EXPECT_EQ(c.rect.top, r.rect.top);
    EXPECT_EQ(c.rect.width, r.rect.width);
    EXPECT_EQ(c.rect.height, r.rect.height);
    EXPECT_EQ(c.tab_index, r.tab);
    EXPECT_EQ(c.parent, r.in_frame ? frame : platform::kNoControl);
  }
  EXPECT_EQ(W().SpecOf(Ids().optRun).tooltip,
            "Programs that are found in the "
            "'HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' Registry Key");
  EXPECT_EQ(W().Value(Ids().optRun), 1);
  EXPECT_EQ(W().Value(Ids().optRun2), 0);
  // Each list and field is named by its label, made just before it.
  for (const auto& [control, label] :
       {std::pair{Ids().lstName, Ids().lbl0}, std::pair{Ids().lstCmdLine, Ids().lbl1},
        std::pair{Ids().txtName, Ids().lbl2}, std::pair{Ids().txtCmdLine, Ids().lbl3}}) {
    EXPECT_EQ(W().SpecOf(control).label, label);
    EXPECT_EQ(label + 1, control);
  }
}

TEST_F(StartupManager, ListsValuesInEnumerationOrderWithTheFirstSelectedEverywhere) {
  Put(kMachine, "Zeta", Sz("z.exe /quiet"));
  Put(kMachine, "Alpha", Sz("C:\\Program Files\\Alpha\\alpha.exe"));
  Put(kMachine, "Mid", Sz("mid.exe"));
  form.Show();

  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  EXPECT_EQ(
      Rows(Ids().lstCmdLine),
      (std::vector<std::string>{"z.exe /quiet", "C:\\Program Files\\Alpha\\alpha.exe", "mid.exe"}));
  EXPECT_EQ(W().Selection(Ids().lstName), 0);
  EXPECT_EQ(W().Selection(Ids().lstCmdLine), 0);
  EXPECT_EQ(W().Text(Ids().txtName), "Zeta");
  EXPECT_EQ(W().Text(Ids().txtCmdLine), "z.exe /quiet");
  EXPECT_EQ(W().Text(Ids().Command1), "Delete Zeta from startup");
  EXPECT_EQ(form.sSelName(), "Zeta");
  EXPECT_EQ(form.lEntryCount(), 3);
  EXPECT_NE(form.hRunKey(), 0U);
}

TEST_F(StartupManager, AKeyThatCannotBeOpenedOrIsEmptyKeepsThePreviousEntryShown) {
  Put(kUser, "Tool", Sz("tool.exe"));
  form.Show();  // the machine-wide key does not exist
  EXPECT_EQ(form.hRunKey(), 0U);
  EXPECT_EQ(form.lEntryCount(), 0);
  EXPECT_EQ(W().ItemCount(Ids().lstName), 0);
  EXPECT_EQ(W().Text(Ids().Command1), "Delete");
  EXPECT_TRUE(Boxes().empty());

  Click(Ids().optRun2);
  EXPECT_EQ(W().Text(Ids().txtName), "Tool");

  CreateRunKey(kMachine);  // exists now, with no values
  Click(Ids().optRun);
  EXPECT_NE(form.hRunKey(), 0U);
  EXPECT_EQ(W().Value(Ids().optRun2), 0);
  EXPECT_EQ(W().ItemCount(Ids().lstName), 0);
  EXPECT_EQ(W().ItemCount(Ids().lstCmdLine), 0);
  EXPECT_EQ(form.lEntryCount(), 0);
  EXPECT_EQ(W().Text(Ids().txtName), "Tool");
  EXPECT_EQ(W().Text(Ids().txtCmdLine), "tool.exe");
  EXPECT_EQ(W().Text(Ids().Command1), "Delete Tool from startup");
  EXPECT_EQ(form.sSelName(), "Tool");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(StartupManager, DefaultValueIsAnEmptyRowAndOtherDataShowAsRawBytes) {
  Put(kMachine, "", Sz("default.exe"));
  Put(kMachine, "Number", Dword(0x44434241), platform::kRegDword);  // "ABCD"
  Put(kMachine, "Short", Dword(0x00004241), platform::kRegDword);   // "AB" then a zero
  Put(kMachine, "Blob", std::string("xy\0zz", 5), platform::kRegBinary);
  form.Show();

  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"", "Number", "Short", "Blob"}));
  EXPECT_EQ(Rows(Ids().lstCmdLine), (std::vector<std::string>{"default.exe", "ABCD", "AB", "xy"}));
  EXPECT_EQ(W().Text(Ids().Command1), "Delete  from startup");
}

TEST_F(StartupManager, ClickingARowInEitherListMirrorsTheOtherAndTheFields) {
  Put(kMachine, "One", Sz("1.exe"));
  Put(kMachine, "Two", Sz("2.exe"));
  Put(kMachine, "Tool", Sz("tool.exe -x"));
  form.Show();

  W().SelectRow(Ids().lstCmdLine, 2);
  EXPECT_EQ(W().Selection(Ids().lstName), 2);
  EXPECT_EQ(W().Selection(Ids().lstCmdLine), 2);
  EXPECT_EQ(W().Text(Ids().txtName), "Tool");
  EXPECT_EQ(W().Text(Ids().txtCmdLine), "tool.exe -x");
  EXPECT_EQ(W().Text(Ids().Command1), "Delete Tool from startup");
  EXPECT_EQ(form.sSelName(), "Tool");

  W().SelectRow(Ids().lstName, 1);
  EXPECT_EQ(W().Selection(Ids().lstCmdLine), 1);
  EXPECT_EQ(W().Text(Ids().txtName), "Two");
  EXPECT_EQ(W().Text(Ids().txtCmdLine), "2.exe");
  EXPECT_EQ(W().Text(Ids().Command1), "Delete Two from startup");

  // Browse does nothing at all.
  Click(Ids().cmdBrowse);
  EXPECT_EQ(sim.registry.Snapshot(), Expected());
  EXPECT_EQ(W().Text(Ids().txtName), "Two");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(StartupManager, DeleteRemovesExactlyTheSelectedPerUserValue) {
  Put(kUser, "First", Sz("first.exe"));
  Put(kUser, "Tool", Sz("tool.exe"));
  Put(kUser, "Last", Sz("last.exe"));
  Put(kMachine, "Tool", Sz("machine-tool.exe"));
  OpenUserList();
  SelectName("Tool");

  Click(Ids().Command1);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].prompt,
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool");
  EXPECT_EQ(Boxes()[0].title, "Velqor");
  EXPECT_EQ(Boxes()[0].style, platform::kMbOk);
  EXPECT_EQ(sim.registry.Snapshot(), Expected({{kUser, "Tool"}}));
  // The lists are a snapshot: the entry stays until they are refilled.
  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"First", "Tool", "Last"}));
  EXPECT_EQ(W().Text(Ids().Command1), "Delete Tool from startup");

  Click(Ids().optRun);
  Click(Ids().optRun2);
  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"First", "Last"}));
}

TEST_F(StartupManager, DeleteGoesByTheExactNameNeverByTheShownText) {
  Put(kUser, "Tool", Sz("plain.exe"));
  Put(kUser, " Tool", Sz("spaced.exe"));
  Put(kUser, "Sub\\Tool", Sz("slashed.exe"));
  PutIn(kUser, std::string(kRunSubKey) + "\\Sub", "Tool", Sz("inner.exe"), platform::kRegSz);
  OpenUserList();
  // Both "Tool" rows look alike; each shows its own command line.
  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"Tool", "Tool", "Sub\\Tool"}));
  EXPECT_EQ(Rows(Ids().lstCmdLine),
            (std::vector<std::string>{"plain.exe", "spaced.exe", "slashed.exe"}));

  {
    SCOPED_TRACE("leading space");
    SelectName("Tool", 1);
    Click(Ids().Command1);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().prompt, std::string(kUserRunPath) + "Tool");
    EXPECT_EQ(sim.registry.Snapshot(), Expected({{kUser, " Tool"}}));
  }
  {
    SCOPED_TRACE("characters beyond ASCII");
    Put(kUser, "Caf\xC3\xA9", Sz("cafe.exe"));  // UTF-8 here, Windows-1252 in the registry
    Click(Ids().optRun);
    Click(Ids().optRun2);
    SelectName("Caf\xC3\xA9");
    Click(Ids().Command1);
    EXPECT_EQ(Boxes().back().prompt, std::string(kUserRunPath) + "Caf\xC3\xA9");
    EXPECT_EQ(sim.registry.Snapshot(), Expected({{kUser, " Tool"}, {kUser, "Caf\xC3\xA9"}}));
  }
  {
    SCOPED_TRACE("back-slash");
    SelectName("Sub\\Tool");
    Click(Ids().Command1);
    EXPECT_EQ(Boxes().back().prompt, std::string(kUserRunPath) + "Sub\\Tool");
    EXPECT_EQ(sim.registry.Snapshot(),
              Expected({{kUser, " Tool"}, {kUser, "Caf\xC3\xA9"}, {kUser, "Sub\\Tool"}}));
  }
  // Nothing went through a path that could be read another way.
  for (const auto& call : sim.script_host.calls()) {
    EXPECT_NE(call.verb, "RegDelete") << call.path;
  }
}

TEST_F(StartupManager, DeleteRefusesWhatIsNotASelectedPerUserEntry) {
  Put(kMachine, "Tool", Sz("machine.exe"));
  Put(kUser, "Tool", Sz("user.exe"));
  form.Show();

  {
    SCOPED_TRACE("machine-wide list shown");
    Click(Ids().Command1);
    ASSERT_EQ(Boxes().size(), 1U);
    EXPECT_EQ(Boxes()[0].prompt, kMsgMachineWide);
    EXPECT_EQ(Boxes()[0].title, "Velqor");
    EXPECT_EQ(sim.registry.Snapshot(), Expected());
  }
  {
    SCOPED_TRACE("default value selected");
    Put(kUser, "", Sz("default.exe"));
    Click(Ids().optRun2);
    SelectName("");
    Click(Ids().Command1);
    EXPECT_EQ(Boxes().back().prompt, kMsgDefaultValue);
    EXPECT_EQ(sim.registry.Snapshot(), Expected());
  }
  {
    SCOPED_TRACE("no row selected");
    RemoveValue(kUser, "Tool");
    RemoveValue(kUser, "");
    Click(Ids().optRun);
    Click(Ids().optRun2);  // the per-user key is empty now
    ASSERT_EQ(W().ItemCount(Ids().lstName), 0);
    Click(Ids().Command1);
    EXPECT_EQ(Boxes().back().prompt, kMsgNoSelection);
    EXPECT_EQ(sim.registry.Snapshot(), Expected());
    EXPECT_TRUE(sim.registry.KeyExists(kUser, kRunSubKey));
  }
  EXPECT_EQ(Boxes().size(), 3U);
}

TEST_F(StartupManager, FailedDeletionIsReportedAndTheWindowGoesOn) {
  Put(kUser, "Gone", Sz("gone.exe"));
  Put(kUser, "Kept", Sz("kept.exe"));
  OpenUserList();
  RemoveValue(kUser, "Gone");  // removed behind the window's back

  Click(Ids().Command1);
  ASSERT_EQ(Boxes().size(), 2U);
  EXPECT_EQ(Boxes()[0].prompt, std::string(kUserRunPath) + "Gone");
  EXPECT_NE(Boxes()[1].prompt.find("\"Gone\" could not be removed"), std::string::npos)
      << Boxes()[1].prompt;
  EXPECT_NE(Boxes()[1].prompt.find("(2)"), std::string::npos) << Boxes()[1].prompt;
  EXPECT_EQ(Boxes()[1].title, "Velqor");
  EXPECT_EQ(sim.registry.Snapshot(), Expected());

  {
    SCOPED_TRACE("no rights to the per-user key");
    sim.registry.DenyWrites(kUser);
    SelectName("Kept");
    Click(Ids().Command1);
    ASSERT_EQ(Boxes().size(), 4U);
    EXPECT_NE(Boxes()[3].prompt.find("could not be removed"), std::string::npos);
    EXPECT_NE(Boxes()[3].prompt.find("(5)"), std::string::npos);
    EXPECT_EQ(sim.registry.Snapshot(), Expected());
    sim.registry.DenyWrites(kUser, false);
  }
  {
    SCOPED_TRACE("no script host: the command fails as a whole");
    sim.script_host.SetUnavailable(true);
    Click(Ids().Command1);
    EXPECT_EQ(Boxes().size(), 5U);
    EXPECT_EQ(sim.registry.Snapshot(), Expected());
    sim.script_host.SetUnavailable(false);
  }
  // The window still works.
  Click(Ids().Command1);
  EXPECT_EQ(sim.registry.Snapshot(), Expected({{kUser, "Kept"}}));
}

TEST_F(StartupManager, AThousandEntriesLoadInOrder) {
  const std::string long_line = "C:\\Tools\\" + std::string(1000, 'x') + ".exe";
  for (int i = 0; i < 999; ++i) {
    Put(kMachine, "Entry " + std::to_string(i), Sz("prog" + std::to_string(i) + ".exe"));
  }
  Put(kMachine, "Entry 999", Sz(long_line));
  form.Show();
  ASSERT_EQ(form.lEntryCount(), 1000);
  ASSERT_EQ(W().ItemCount(Ids().lstName), 1000);
  ASSERT_EQ(W().ItemCount(Ids().lstCmdLine), 1000);
  for (int i = 0; i < 999; i += 111) {
    SCOPED_TRACE(i);
    EXPECT_EQ(W().ItemText(Ids().lstName, i), "Entry " + std::to_string(i));
    EXPECT_EQ(W().ItemText(Ids().lstCmdLine, i), "prog" + std::to_string(i) + ".exe");
  }
  EXPECT_EQ(W().ItemText(Ids().lstName, 999), "Entry 999");
  EXPECT_EQ(W().ItemText(Ids().lstCmdLine, 999), long_line);
  // The longest command line can be scrolled into view.
  const auto& extents = W().records().extents;
  EXPECT_GE(extents.at(Ids().lstCmdLine), static_cast<int>(long_line.size()) * 6);
  EXPECT_LT(extents.at(Ids().lstName), extents.at(Ids().lstCmdLine));
}

TEST_F(StartupManager, CloseUnloadsAndTheNextShowLoadsAfreshFromTheMachineWideKey) {
  Put(kMachine, "Machine", Sz("m.exe"));
  Put(kUser, "User", Sz("u.exe"));
  const std::size_t baseline = sim.registry.OpenHandleCount();

  OpenUserList();
  HeadlessWindow* first = &W();
  EXPECT_EQ(sim.registry.OpenHandleCount(), baseline + 1);
  for (int i = 0; i < 5; ++i) {
    Click(Ids().optRun);
    Click(Ids().optRun2);
  }
  EXPECT_EQ(sim.registry.OpenHandleCount(), baseline + 1)
      << "a refill leaks the handle it replaces";

  // Showing a loaded window again shows the same one and does not refill it.
  Put(kUser, "Later", Sz("later.exe"));
  form.Show();
  EXPECT_EQ(&W(), first);
  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"User"}));

  ASSERT_TRUE(first->RequestClose());
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.window(), nullptr);
  EXPECT_EQ(sim.registry.OpenHandleCount(), baseline) << "unload leaks the lists' handle";
  EXPECT_EQ(form.sSelName(), "User");  // state keeps its last contents

  form.Show();
  ASSERT_TRUE(form.IsLoaded());
  EXPECT_NE(&W(), first);
  EXPECT_EQ(W().Value(Ids().optRun), 1);
  EXPECT_EQ(W().Value(Ids().optRun2), 0);
  EXPECT_EQ(Rows(Ids().lstName), (std::vector<std::string>{"Machine"}));
  EXPECT_EQ(form.sSelName(), "Machine");
  EXPECT_EQ(sim.registry.OpenHandleCount(), baseline + 1);

  {
    frmMain other(sim.platform);
    other.Show();
    EXPECT_EQ(sim.registry.OpenHandleCount(), baseline + 2);
  }
  EXPECT_EQ(sim.registry.OpenHandleCount(), baseline + 1) << "destruction leaks the handle";
}

}  // namespace
}  // namespace velqor::startup
