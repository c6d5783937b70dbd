// The tweak catalogue over the simulated registry and script host: what an apply and a click on
// Check1 write, in which order, and what the registry holds afterwards.
#include "tweaks/catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/registry.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/ui.h"
#include "platform/ui.h"
#include "platform/sim/platform.h"
#include "app/form1.h"

namespace velqor::tweaks {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::SimRegistry;

// A value as the registry holds it.
struct StoredValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  bool operator==(const StoredValue&) const = default;
};

// REG_SZ bytes of ASCII text with the terminating NUL.
StoredValue Sz(std::string_view text) {
  StoredValue v{platform::kRegSz, {text.begin(), text.end()}};
  v.bytes.push_back(0);
  return v;
}

// REG_DWORD bytes, little-endian.
StoredValue Dword(std::uint32_t n) {
  return {platform::kRegDword,
          {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
           static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

std::optional<StoredValue> ReadValue(const SimRegistry& registry, platform::KeyHandle root,
                                     std::string_view key, std::string_view name) {
  const auto found = registry.Find(root, key, name);
  if (!found) {
    return std::nullopt;
  }
  return StoredValue{found->type, found->bytes};
}

constexpr std::string_view kMemory =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
constexpr std::string_view kDesktop = "Control Panel\\Desktop";

// One column of an expected write: what RegWrite receives and what the registry then holds.
struct Column {
  std::string_view type;
  std::int32_t value;
  StoredValue stored;
};

// One expected write, written out independently of the catalogue.
struct ExpectedWrite {
  int box;  // 0 for Check1
  std::string_view path;
  platform::KeyHandle root;
  std::string_view key;
  std::string_view name;  // empty: the key's default value
  Column checked;
  Column unchecked;
};

const std::vector<ExpectedWrite>& Expected() {
  static const std::vector<ExpectedWrite> rows = {
      {0,
       "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
       "Management\\DisablePagingExecutive",
       kHkeyLocalMachine,
       kMemory,
       "DisablePagingExecutive",
       {"REG_DWORD", 1, Dword(1)},
       {"REG_DWORD", 0, Dword(0)}},
      {1,
       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
       "AlwaysUnloadDLL\\",
       kHkeyLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL",
       "",
       {"REG_SZ", 1, Sz("1")},
       {"REG_SZ", 0, Sz("0")}},
      {2,
       "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
       "Management\\LargeSystemCache",
       kHkeyLocalMachine,
       kMemory,
       "LargeSystemCache",
       {"REG_DWORD", 1, Dword(1)},
       {"REG_DWORD", 0, Dword(0)}},
      {3,
       "HKCU\\Control Panel\\Desktop\\HungAppTimeout",
       kHkeyCurrentUser,
       kDesktop,
       "HungAppTimeout",
       {"REG_SZ", 1000, Sz("1000")},
       {"REG_SZ", 5000, Sz("5000")}},
      {4,
       "HKCU\\Control Panel\\Desktop\\MenuShowDelay",
       kHkeyCurrentUser,
       kDesktop,
       "MenuShowDelay",
       {"REG_SZ", 20, Sz("20")},
       {"REG_SZ", 400, Sz("400")}},
      {5,
       "HKCU\\Control Panel\\Desktop\\AutoEndTasks",
       kHkeyCurrentUser,
       kDesktop,
       "AutoEndTasks",
       {"REG_DWORD", 1, Dword(1)},
       {"REG_DWORD", 0, Dword(0)}},
      {6,
       "HKCU\\Control Panel\\Desktop\\WaitToKillAppTimeout",
       kHkeyCurrentUser,
       kDesktop,
       "WaitToKillAppTimeout",
       {"REG_SZ", 1500, Sz("1500")},
       {"REG_SZ", 5000, Sz("5000")}},
      {6,
       "HKLM\\SYSTEM\\CurrentControlSet\\Control\\WaitToKillServiceTimeout",
       kHkeyLocalMachine,
       "SYSTEM\\CurrentControlSet\\Control",
       "WaitToKillServiceTimeout",
       {"REG_DWORD", 100, Dword(100)},
       {"REG_SZ", 4000, Sz("4000")}},
      {7,
       "HKCU\\Control Panel\\Mouse\\SnapToDefaultButton",
       kHkeyCurrentUser,
       "Control Panel\\Mouse",
       "SnapToDefaultButton",
       {"REG_SZ", 1, Sz("1")},
       {"REG_SZ", 0, Sz("0")}},
  };
  return rows;
}

// A fresh simulated registry and the script host over it, which records every call.
struct Env {
  SimRegistry registry;
  platform::sim::SimScriptHost host{registry};
};

// Checks the recorded calls and the registry against the expected writes for `states`.
void ExpectApplied(Env& env, const std::array<int, 8>& states) {
  const auto& rows = Expected();
  ASSERT_EQ(env.host.calls().size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ExpectedWrite& row = rows[i];
    SCOPED_TRACE(std::string(row.path));
    const Column& column = states[row.box] == 1 ? row.checked : row.unchecked;
    const auto& call = env.host.calls()[i];
    EXPECT_EQ(call.verb, "RegWrite");
    EXPECT_EQ(call.path, row.path);
    EXPECT_EQ(call.value, platform::ScriptValue{column.value});
    EXPECT_EQ(call.type, column.type);
    EXPECT_FALSE(call.failed);
    const auto stored = ReadValue(env.registry, row.root, row.key, row.name);
    EXPECT_EQ(stored, column.stored);
  }
}

TEST(TweakCatalogue, ApplyWritesEveryBoxByItsStateInCatalogueOrder) {
  struct Case {
    const char* label;
    std::array<int, 8> states;
  };
  const Case cases[] = {
      {"no box checked", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"every box greyed", {2, 2, 2, 2, 2, 2, 2, 2}},
      {"every box checked", {1, 1, 1, 1, 1, 1, 1, 1}},
      {"mixed", {1, 0, 2, 1, 0, 1, 0, 1}},
      {"mixed, the other way", {0, 1, 1, 0, 1, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Env env;
    ApplyTweaks(env.host, c.states);
    EXPECT_EQ(env.host.shells_created(), 1U) << "one shell object for the whole command";
    EXPECT_EQ(env.host.shells_released(), 1U);
    ExpectApplied(env, c.states);
  }
}

TEST(TweakCatalogue, ApplyOverwritesValuesOfTheOtherType) {
  // A checked apply leaves WaitToKillServiceTimeout a number; the next, unchecked, apply must
  // turn it back into the text "4000", and the other way round.
  Env env;
  ApplyTweaks(env.host, {1, 1, 1, 1, 1, 1, 1, 1});
  ApplyTweaks(env.host, {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(ReadValue(env.registry, kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control",
                      "WaitToKillServiceTimeout"),
            Sz("4000"));
  ApplyTweaks(env.host, {1, 1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(ReadValue(env.registry, kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control",
                      "WaitToKillServiceTimeout"),
            Dword(100));
  EXPECT_EQ(env.host.shells_created(), 3U);
}

TEST(TweakCatalogue, ApplyCreatesTheAlwaysUnloadDllKey) {
  Env env;
  constexpr std::string_view kKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL";
  ASSERT_FALSE(env.registry.KeyExists(kHkeyLocalMachine, kKey));
  ApplyTweaks(env.host, {0, 1, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(env.registry.KeyExists(kHkeyLocalMachine, kKey));
  EXPECT_EQ(ReadValue(env.registry, kHkeyLocalMachine, kKey, ""), Sz("1"));
  // No value named "AlwaysUnloadDLL" is made beside the key.
  EXPECT_FALSE(ReadValue(env.registry, kHkeyLocalMachine,
                         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer",
                         "AlwaysUnloadDLL"));
}

TEST(TweakCatalogue, RefusedMachineWriteEndsTheApplyAtDisablePagingExecutive) {
  Env env;
  env.registry.DenyWrites(kHkeyLocalMachine);
  std::string message;
  try {
    ApplyTweaks(env.host, {1, 1, 1, 1, 1, 1, 1, 1});
    ADD_FAILURE() << "the refused write must raise";
  } catch (const platform::Failure& failure) {
    message = failure.what();
  }
  EXPECT_NE(message.find("DisablePagingExecutive"), std::string::npos) << message;
  ASSERT_EQ(env.host.calls().size(), 1U) << "nothing after the refused write is attempted";
  EXPECT_TRUE(env.host.calls()[0].failed);
  // The per-user writes later in the catalogue were never made.
  EXPECT_FALSE(ReadValue(env.registry, kHkeyCurrentUser, kDesktop, "HungAppTimeout"));
  EXPECT_FALSE(
      ReadValue(env.registry, kHkeyCurrentUser, "Control Panel\\Mouse", "SnapToDefaultButton"));
}

TEST(TweakCatalogue, Check1ClickWritesTheBoxsNewState) {
  Env env;
  const auto read = [&] {
    return ReadValue(env.registry, kHkeyLocalMachine, kMemory, "DisablePagingExecutive");
  };
  WriteCheck1(env.host, 1);
  EXPECT_EQ(read(), Dword(1));
  WriteCheck1(env.host, 0);
  EXPECT_EQ(read(), Dword(0)) << "clearing the box must not leave the tweak on";
  WriteCheck1(env.host, 1);
  EXPECT_EQ(read(), Dword(1));
  EXPECT_EQ(env.host.shells_created(), 3U) << "each click makes its own shell object";
  ASSERT_EQ(env.host.calls().size(), 3U);
  for (const auto& call : env.host.calls()) {
    EXPECT_EQ(call.path, Expected()[0].path);
    EXPECT_EQ(call.type, "REG_DWORD");
  }
  // Only DisablePagingExecutive is touched by a click.
  EXPECT_FALSE(ReadValue(env.registry, kHkeyLocalMachine, kMemory, "LargeSystemCache"));
}

TEST(TweakCatalogue, NoScriptHostWritesNothing) {
  Env env;
  env.host.SetUnavailable(true);
  const std::string before = env.registry.Snapshot();
  EXPECT_THROW(ApplyTweaks(env.host, {1, 1, 1, 1, 1, 1, 1, 1}), platform::Failure);
  EXPECT_THROW(WriteCheck1(env.host, 1), platform::Failure);
  EXPECT_EQ(env.registry.Snapshot(), before);
  EXPECT_TRUE(env.host.calls().empty());
}

TEST(TweakCatalogue, BoxesKeepTheirFixedNamesAndTexts) {
  const auto& boxes = TweakBoxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].name, "Check" + std::to_string(i + 1));
    EXPECT_FALSE(boxes[i].caption.empty());
  }
  EXPECT_TRUE(boxes[2].tip.empty()) << "System Cache Tweak has no tip";
  EXPECT_EQ(boxes[4].tip.back(), ' ') << "the menu tip keeps its trailing blank";
  EXPECT_EQ(boxes[7].caption, "Smart Mouse posiotining");
  // Every box issues at least one write, and only Check7 issues two.
  std::array<int, 8> writes{};
  for (const TweakWrite& write : TweakWrites()) {
    ++writes.at(write.box);
  }
  EXPECT_EQ(writes, (std::array<int, 8>{1, 1, 1, 1, 1, 1, 2, 1}));
}

// The main window over a fresh simulated machine, loaded.
struct MainWindow {
  MainWindow() {
    // The program's icons lie beside it, as they do where it is installed.
    sim.ui.AddFile(sim.ui.ProgramFolder() + "/start.ico");
    sim.ui.AddFile(sim.ui.ProgramFolder() + "/stop.ico");
    form.Load();
    window = sim.ui.FindWindow("Form1");
  }
  platform::ControlId Box(int i) const { return form.controls().Check[i]; }

  SimPlatform sim;
  app::Form1 form{sim.platform};
  platform::sim::HeadlessWindow* window = nullptr;
};

TEST(TweaksInTheMainWindow, ApplyWhileTheCleanUpPanelShowsWritesNothing) {
  MainWindow m;
  ASSERT_NE(m.window, nullptr);
  const auto& ids = m.form.controls();
  ASSERT_TRUE(m.window->Click(ids.XPButton3));
  const std::string before = m.sim.registry.Snapshot();
  m.sim.script_host.ClearCalls();
  ASSERT_TRUE(m.window->Click(ids.XPButton1));
  EXPECT_TRUE(m.sim.script_host.calls().empty());
  EXPECT_EQ(m.sim.script_host.shells_created(), 0U);
  EXPECT_EQ(m.sim.registry.Snapshot(), before);
  EXPECT_TRUE(m.window->IsVisible(ids.Frame2));
  EXPECT_FALSE(m.window->IsVisible(ids.Frame3));
  // The next click, with the tweak panel back, applies.
  ASSERT_TRUE(m.window->Click(ids.XPButton1));
  EXPECT_EQ(m.sim.script_host.calls().size(), kTweakWriteCount);
}

TEST(TweaksInTheMainWindow, ClicksAndApplyFollowTheBoxesOnScreen) {
  MainWindow m;
  const auto& ids = m.form.controls();
  const auto paging = [&] {
    return ReadValue(m.sim.registry, kHkeyLocalMachine, kMemory, "DisablePagingExecutive");
  };
  ASSERT_TRUE(m.window->Click(m.Box(0)));
  EXPECT_EQ(paging(), Dword(1));
  ASSERT_TRUE(m.window->Click(m.Box(0)));
  EXPECT_EQ(paging(), Dword(0));
  // Check1 left clear, Check2 greyed, the rest checked.
  m.window->SetValue(m.Box(1), 2);
  for (int i = 2; i < 8; ++i) {
    ASSERT_TRUE(m.window->Click(m.Box(i)));
  }
  m.sim.script_host.ClearCalls();
  ASSERT_TRUE(m.window->Click(ids.XPButton1));
  Env env;  // the same apply made directly, for comparison
  ApplyTweaks(env.host, {0, 2, 1, 1, 1, 1, 1, 1});
  ASSERT_EQ(m.sim.script_host.calls().size(), env.host.calls().size());
  for (std::size_t i = 0; i < env.host.calls().size(); ++i) {
    SCOPED_TRACE(env.host.calls()[i].path);
    EXPECT_EQ(m.sim.script_host.calls()[i].path, env.host.calls()[i].path);
    EXPECT_EQ(m.sim.script_host.calls()[i].value, env.host.calls()[i].value);
    EXPECT_EQ(m.sim.script_host.calls()[i].type, env.host.calls()[i].type);
  }
  EXPECT_EQ(paging(), Dword(0));
  EXPECT_EQ(
      ReadValue(m.sim.registry, kHkeyLocalMachine,
                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL", ""),
      Sz("0"))
      << "a greyed box writes the ordinary value";
  EXPECT_TRUE(m.sim.ui.message_boxes().empty()) << "neither command shows a message";
}

TEST(TweaksInTheMainWindow, ARefusedMachineWriteIsNamedAndTheProgramGoesOn) {
  MainWindow m;
  const auto& ids = m.form.controls();
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(m.window->Click(m.Box(i)));
  }
  m.sim.registry.DenyWrites(kHkeyLocalMachine);
  const std::string before = m.sim.registry.Snapshot();
  m.sim.script_host.ClearCalls();
  ASSERT_TRUE(m.window->Click(ids.XPButton1));
  ASSERT_EQ(m.sim.ui.message_boxes().size(), 1U);
  const auto& box = m.sim.ui.message_boxes()[0];
  EXPECT_NE(box.prompt.find("DisablePagingExecutive"), std::string::npos) << box.prompt;
  EXPECT_EQ(box.title, platform::kProgramTitle);
  ASSERT_EQ(m.sim.script_host.calls().size(), 1U);
  EXPECT_EQ(m.sim.registry.Snapshot(), before) << "nothing after the refused write is made";
  // The window is still there and still works: the per-user part of Boost lands.
  m.sim.registry.SeedKey(kHkeyCurrentUser,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
  EXPECT_TRUE(m.window->IsOpen());
  ASSERT_TRUE(m.window->Click(ids.XPButton2));
  EXPECT_TRUE(m.sim.registry.FindDword(
      kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
      "syncmode5"));
}

}  // namespace
}  // namespace velqor::tweaks
