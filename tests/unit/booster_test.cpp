// The Internet speed booster over the simulated registry, script host and headless window: what
// Boost, Restore and the exit restore leave in the registry, in which order they work, and what
// the window shows through every transition.
#include "booster/booster.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/registry.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/ui.h"
#include "platform/ui.h"
#include "app/form1.h"
#include "platform/sim/platform.h"
#include "unit/booster_journal.h"

namespace velqor::booster {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::SimRegistry;

struct StoredValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  bool operator==(const StoredValue&) const = default;
};

StoredValue Sz(std::string_view text) {
  StoredValue v{platform::kRegSz, {text.begin(), text.end()}};
  v.bytes.push_back(0);
  return v;
}

StoredValue Dword(std::uint32_t n) {
  return {platform::kRegDword,
          {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
           static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

constexpr std::string_view kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr std::string_view kParameters =
    "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters";
constexpr std::string_view kSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view kIcs =
    "System\\CurrentControlSet\\Services\\ICSharing\\Settings\\General";

// The thirteen values: what Boost writes and what the undo leaves (nullopt: deleted).
struct Value {
  platform::KeyHandle root;
  std::string_view key;
  std::string_view name;
  StoredValue boosted;
  std::optional<StoredValue> after;
};

const std::vector<Value>& Thirteen() {
  static const std::vector<Value> values = {
      {kHkeyCurrentUser, kSettings, "syncmode5", Dword(0), Dword(4)},
      {kHkeyLocalMachine, kMstcp, "DefaultRcvWindow", Sz("372300"), std::nullopt},
      {kHkeyLocalMachine, kMstcp, "DefaultTTL", Sz("128"), std::nullopt},
      {kHkeyLocalMachine, kMstcp, "PMTUDiscovery", Sz("0"), std::nullopt},
      {kHkeyLocalMachine, kMstcp, "PMTUBlackHoleDetect", Sz("0"), std::nullopt},
      {kHkeyLocalMachine, kParameters, "Tcp1323Opts", Sz("3"), std::nullopt},
      {kHkeyLocalMachine, kParameters, "SackOpts", Sz("1"), std::nullopt},
      {kHkeyLocalMachine, kParameters, "MaxDupAcks", Sz("3"), std::nullopt},
      {kHkeyLocalMachine, kSettings, "MaxConnectionsPer1_0Server", Dword(6), std::nullopt},
      {kHkeyCurrentUser, kSettings, "MaxConnectionsPerl_0Server", Dword(6), Dword(1)},
      {kHkeyCurrentUser, kSettings, "MaxConnectionsPerServer", Dword(6), Dword(1)},
      {kHkeyLocalMachine, kSettings, "MaxConnectionsPerServer", Dword(8), std::nullopt},
      {kHkeyLocalMachine, kIcs, "internetMTU", Sz("1500"), std::nullopt},
  };
  return values;
}

constexpr std::string_view kFolder = "C:\\Tools";

platform::ControlSpec Button(std::string name, std::string caption) {
  platform::ControlSpec def;
  def.kind = platform::ControlKind::kButton;
  def.name = std::move(name);
  def.caption = std::move(caption);
  def.rect = {120, 120, 1500, 400};
  return def;
}

// A fresh simulated machine with a window holding the two buttons, in the Start state.
struct Env {
  explicit Env(bool user_key = true, bool icons = true) {
    if (user_key) {
      sim_registry.SeedKey(kHkeyCurrentUser, kSettings);
    }
    ui.SetProgramFolder(std::string(kFolder));
    if (icons) {
      ui.AddFile("C:\\Tools/start.ico");
      ui.AddFile("C:\\Tools/stop.ico");
    }
    form = ui.CreateForm({"Form1", "Velqor", 6000, 4000, "", std::nullopt});
    window = static_cast<platform::sim::HeadlessWindow*>(form.get());
    boost = window->AddControl(Button("XPButton2", "&Internet Speed"));
    restore = window->AddControl(Button("XPButton4", "&Restore Settings"));
    window->SetEnabled(restore, false);
  }

  // Reads one of the thirteen values; nullopt when it is missing.
  std::optional<StoredValue> Read(const Value& v) const {
    const auto found = sim_registry.Find(v.root, v.key, v.name);
    if (!found) {
      return std::nullopt;
    }
    return StoredValue{found->type, found->bytes};
  }

  void Boost() { booster.Boost(*window, boost, restore); }
  void Restore(int answer) {
    ui.AnswerNextMessageBox(answer);
    booster.Restore(*window, boost, restore);
  }

  // What the window shows: caption, icon file and the two buttons' enabled states.
  struct Shown {
    std::string caption;
    std::string icon;
    bool boost_enabled;
    bool restore_enabled;
    bool operator==(const Shown&) const = default;
  };
  Shown shown() const {
    return {window->Caption(), window->icon(), window->IsEnabled(boost),
            window->IsEnabled(restore)};
  }

  SimRegistry sim_registry;
  platform::sim::SimScriptHost sim_host{sim_registry};
  Journal journal;
  JournalRegistry registry{sim_registry, journal};
  JournalScriptHost host{sim_host, journal};
  platform::sim::HeadlessUi ui;
  std::unique_ptr<platform::Window> form;
  platform::sim::HeadlessWindow* window = nullptr;
  platform::ControlId boost = 0;
  platform::ControlId restore = 0;
  InternetBooster booster{registry, host, ui};
};

const Env::Shown kStart{"Velqor", "", true, false};
const Env::Shown kBoosted{"Your Internet speed is set to Maximum", "C:\\Tools/start.ico", false,
                          true};
const Env::Shown kRestored{"Your Internet speed is slow.Press 'Boost Speed' to increase.",
                           "C:\\Tools/stop.ico", true, false};

// The undo's journal entries U1 to U12 when every value is there to delete (S not included).
Journal UndoJournal() {
  const std::string m =
      "delete HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP\\";
  const std::string s =
      "delete HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
      "Settings\\";
  return {m + "DefaultRcvWindow",
          m + "DefaultTTL",
          m + "PMTUDiscovery",
          m + "PMTUBlackHoleDetect",
          m + "Parameters\\Tcp1323Opts",
          m + "Parameters\\SackOpts",
          m + "Parameters\\MaxDupAcks",
          s + "MaxConnectionsPer1_0Server",
          s + "MaxConnectionsPerServer",
          "set MaxConnectionsPerl_0Server",
          "set MaxConnectionsPerServer",
          "delete HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\ICSharing\\Settings\\"
          "General\\internetMTU"};
}

TEST(InternetBooster, BoostWritesTheThirteenValuesEachAfterCreatingItsMachineKey) {
  Env env;
  env.Boost();
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(env.Read(v), v.boosted);
  }
  const std::string mstcp = "create HKLM\\" + std::string(kMstcp);
  const std::string params = "create HKLM\\" + std::string(kParameters);
  const std::string settings = "create HKLM\\" + std::string(kSettings);
  const Journal expected = {"set syncmode5",
                            mstcp,
                            "set DefaultRcvWindow",
                            mstcp,
                            "set DefaultTTL",
                            mstcp,
                            "set PMTUDiscovery",
                            mstcp,
                            "set PMTUBlackHoleDetect",
                            params,
                            "set Tcp1323Opts",
                            params,
                            "set SackOpts",
                            params,
                            "set MaxDupAcks",
                            settings,
                            "set MaxConnectionsPer1_0Server",
                            "set MaxConnectionsPerl_0Server",
                            "set MaxConnectionsPerServer",
                            settings,
                            "set MaxConnectionsPerServer",
                            "create HKLM\\" + std::string(kIcs),
                            "set internetMTU"};
  EXPECT_EQ(env.journal, expected);
  EXPECT_EQ(env.sim_registry.OpenHandleCount(), 0U) << "every key opened is closed again";
  EXPECT_TRUE(env.ui.message_boxes().empty()) << "Boost shows no message";
}

TEST(InternetBooster, BoostLandsPerUserValuesOnlyWhereTheirKeyExists) {
  {
    SCOPED_TRACE("no per-user Internet Settings key");
    Env env(/*user_key=*/false);
    env.Boost();
    for (const Value& v : Thirteen()) {
      SCOPED_TRACE(std::string(v.name));
      if (v.root == kHkeyCurrentUser) {
        EXPECT_FALSE(env.Read(v));
      } else {
        EXPECT_EQ(env.Read(v), v.boosted);
      }
    }
    EXPECT_FALSE(env.sim_registry.KeyExists(kHkeyCurrentUser, kSettings)) << "Boost creates no "
                                                                             "per-user key";
  }
  {
    SCOPED_TRACE("a user without rights to the machine");
    Env env;
    env.sim_registry.DenyWrites(kHkeyLocalMachine);
    EXPECT_NO_THROW(env.Boost());
    for (const Value& v : Thirteen()) {
      SCOPED_TRACE(std::string(v.name));
      if (v.root == kHkeyCurrentUser) {
        EXPECT_EQ(env.Read(v), v.boosted);
      } else {
        EXPECT_FALSE(env.Read(v));
      }
    }
    EXPECT_EQ(env.shown(), kBoosted);
  }
}

TEST(InternetBooster, RestoreAnsweredOtherwiseThanYesChangesNothing) {
  for (const int answer : {platform::kIdNo, platform::kIdOk, 2 /* IDCANCEL */}) {
    SCOPED_TRACE(answer);
    Env env;
    env.Boost();
    const std::string before = env.sim_registry.Snapshot();
    env.journal.clear();
    env.Restore(answer);
    ASSERT_EQ(env.ui.message_boxes().size(), 1U);
    const auto& box = env.ui.message_boxes()[0];
    EXPECT_EQ(box.prompt, "Are you sure you want to restore your registry to previous settings?");
    EXPECT_EQ(box.title, "Quelm Internet Speed Booster");
    EXPECT_EQ(box.style, platform::kMbYesNo);
    EXPECT_EQ(env.sim_registry.Snapshot(), before);
    EXPECT_TRUE(env.journal.empty());
    EXPECT_EQ(env.shown(), kBoosted);
    EXPECT_EQ(env.sim_host.shells_created(), 0U);
  }
}

TEST(InternetBooster, RestoreAndExitRestoreLeaveTheAfterColumnAndKeepTheKeys) {
  for (const bool on_exit : {false, true}) {
    SCOPED_TRACE(on_exit ? "exit restore" : "Restore answered Yes");
    Env env;
    env.Boost();
    env.journal.clear();
    if (on_exit) {
      env.booster.ExitRestore();
    } else {
      env.Restore(platform::kIdYes);
    }
    for (const Value& v : Thirteen()) {
      SCOPED_TRACE(std::string(v.name));
      EXPECT_EQ(env.Read(v), v.after);
    }
    for (const std::string_view key : {kMstcp, kParameters, kSettings, kIcs}) {
      EXPECT_TRUE(env.sim_registry.KeyExists(kHkeyLocalMachine, key)) << key;
    }
    // The "VXD" values were found through the "VxD" paths: their deletes succeeded.
    Journal expected = UndoJournal();
    if (on_exit) {
      expected.insert(expected.begin(), "set syncmode5");
    } else {
      expected.push_back("set syncmode5");
    }
    EXPECT_EQ(env.journal, expected);
    EXPECT_EQ(env.sim_host.shells_created(), 1U);
    EXPECT_EQ(env.sim_host.shells_released(), 1U);
    EXPECT_EQ(env.shown(), on_exit ? kBoosted : kRestored) << "the exit restore leaves the window";
  }
}

TEST(InternetBooster, UndoOnARegistryWithoutTheValuesStillSetsThePerUserOnes) {
  for (const bool on_exit : {false, true}) {
    SCOPED_TRACE(on_exit ? "exit restore" : "Restore answered Yes");
    Env env;
    if (on_exit) {
      env.booster.ExitRestore();
    } else {
      env.Restore(platform::kIdYes);
    }
    for (const Value& v : Thirteen()) {
      SCOPED_TRACE(std::string(v.name));
      EXPECT_EQ(env.Read(v), v.after);
    }
    int failed_deletes = 0;
    for (const auto& call : env.sim_host.calls()) {
      failed_deletes += call.verb == "RegDelete" && call.failed ? 1 : 0;
    }
    EXPECT_EQ(failed_deletes, 10) << "every delete ran, and each one failed quietly";
    EXPECT_TRUE(env.ui.message_boxes().size() == (on_exit ? 0U : 1U));
    EXPECT_EQ(env.shown(), on_exit ? kStart : kRestored);
  }
  {
    SCOPED_TRACE("no per-user key either");
    Env env(/*user_key=*/false);
    env.booster.ExitRestore();
    EXPECT_FALSE(env.sim_registry.KeyExists(kHkeyCurrentUser, kSettings));
    EXPECT_TRUE(env.journal.empty());
  }
}

TEST(InternetBooster, WindowFollowsTheStateTableThroughEveryTransition) {
  Env env;
  EXPECT_EQ(env.shown(), kStart);
  env.Boost();
  EXPECT_EQ(env.shown(), kBoosted);
  EXPECT_EQ(env.window->records().focus, env.restore);
  EXPECT_EQ(env.window->records().repaint_count, 1) << "Boost repaints at once";
  env.Restore(platform::kIdNo);
  EXPECT_EQ(env.shown(), kBoosted);
  env.Restore(platform::kIdYes);
  EXPECT_EQ(env.shown(), kRestored);
  EXPECT_EQ(env.window->records().focus, env.boost);
  EXPECT_EQ(env.window->records().repaint_count, 1) << "Restore does not repaint";
  env.Boost();
  EXPECT_EQ(env.shown(), kBoosted);
  env.booster.ExitRestore();
  EXPECT_EQ(env.shown(), kBoosted);
  EXPECT_EQ(env.window->icon_history(),
            (std::vector<std::string>{"C:\\Tools/start.ico", "C:\\Tools/stop.ico",
                                      "C:\\Tools/start.ico"}));
}

TEST(InternetBooster, AMissingIconKeepsTheIconWhileTheCommandGoesOnAndIsToldOnceAtItsEnd) {
  Env env(/*user_key=*/true, /*icons=*/false);
  platform::RunHandler(env.ui, [&] { env.Boost(); });
  EXPECT_EQ(env.shown(), (Env::Shown{std::string(kBoostedCaption), "", false, true}))
      << "everything but the icon";
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(env.Read(v), v.boosted);
  }
  ASSERT_EQ(env.ui.message_boxes().size(), 1U);
  EXPECT_EQ(env.ui.message_boxes()[0].title, platform::kProgramTitle);
  EXPECT_EQ(env.ui.message_boxes()[0].style & 0xF0U, platform::kMbIconExclamation);
  EXPECT_NE(env.ui.message_boxes()[0].prompt.find("C:\\Tools/start.ico"), std::string::npos)
      << env.ui.message_boxes()[0].prompt;

  // With start.ico there (found whatever its letter case), Restore goes on without stop.ico.
  env.ui.AddFile("c:\\tools/START.ICO");
  env.Boost();
  ASSERT_EQ(env.shown(), kBoosted);
  env.ui.AnswerNextMessageBox(platform::kIdYes);
  platform::RunHandler(env.ui, [&] { env.booster.Restore(*env.window, env.boost, env.restore); });
  EXPECT_EQ(env.shown(),
            (Env::Shown{std::string(kRestoredCaption), "C:\\Tools/start.ico", true, false}))
      << "everything but the icon";
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(env.Read(v), v.after);
  }
  ASSERT_EQ(env.ui.message_boxes().size(), 3U) << "the question, then the one note";
  EXPECT_NE(env.ui.message_boxes()[2].prompt.find("C:\\Tools/stop.ico"), std::string::npos)
      << env.ui.message_boxes()[2].prompt;
}

TEST(InternetBooster, NoScriptHostIsReportedAndChangesNoValue) {
  {
    SCOPED_TRACE("Restore");
    Env env;
    env.Boost();
    const std::string before = env.sim_registry.Snapshot();
    env.sim_host.SetUnavailable(true);
    env.ui.AnswerNextMessageBox(platform::kIdYes);
    platform::RunHandler(env.ui, [&] { env.booster.Restore(*env.window, env.boost, env.restore); });
    EXPECT_EQ(env.sim_registry.Snapshot(), before);
    EXPECT_EQ(env.shown(), kRestored) << "the window changed before the script host was needed";
    ASSERT_EQ(env.ui.message_boxes().size(), 2U) << "the dispatcher reports the failure";
    EXPECT_EQ(env.ui.message_boxes()[1].title, platform::kProgramTitle);
  }
  {
    SCOPED_TRACE("exit restore");
    Env env;
    env.Boost();
    const std::string before = env.sim_registry.Snapshot();
    env.sim_host.SetUnavailable(true);
    EXPECT_THROW(env.booster.ExitRestore(), platform::Failure);
    EXPECT_EQ(env.sim_registry.Snapshot(), before) << "not even syncmode5 is written";
    EXPECT_EQ(env.shown(), kBoosted);
  }
}

TEST(InternetBoosterInTheMainWindow, ButtonsAndTheCloseBoxLeaveTheTablesValues) {
  SimPlatform sim;
  sim.registry.SeedKey(kHkeyCurrentUser, kSettings);
  sim.ui.SetProgramFolder(std::string(kFolder));
  sim.ui.AddFile("C:\\Tools/start.ico");
  sim.ui.AddFile("C:\\Tools/stop.ico");
  // The main window over the journalling registry and script host, to see the order of work.
  Journal journal;
  JournalRegistry registry{sim.registry, journal};
  JournalScriptHost host{sim.script_host, journal};
  platform::Platform platform{registry,
                              host,
                              sim.launcher,
                              sim.ui,
                              sim.browser,
                              sim.input,
                              sim.settings,
                              sim.wide_registry,
                              sim.startup_folders,
                              sim.system};
  app::Form1 form(platform);
  form.Load();
  platform::sim::HeadlessWindow* w = sim.ui.FindWindow("Form1");
  ASSERT_NE(w, nullptr);
  const auto& ids = form.controls();
  const auto read = [&](const Value& v) -> std::optional<StoredValue> {
    const auto found = sim.registry.Find(v.root, v.key, v.name);
    return found ? std::optional<StoredValue>(StoredValue{found->type, found->bytes})
                 : std::nullopt;
  };

  EXPECT_FALSE(w->Click(ids.XPButton4)) << "nothing to restore at the start";
  ASSERT_TRUE(w->Click(ids.XPButton2));
  EXPECT_FALSE(w->Click(ids.XPButton2)) << "Boost is disabled while boosted";
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(read(v), v.boosted);
  }
  EXPECT_EQ(w->Caption(), kBoostedCaption);
  EXPECT_EQ(w->icon(), "C:\\Tools/start.ico");

  sim.ui.AnswerNextMessageBox(platform::kIdNo);
  ASSERT_TRUE(w->Click(ids.XPButton4));
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(read(v), v.boosted) << "answered No";
  }
  sim.ui.AnswerNextMessageBox(platform::kIdYes);
  ASSERT_TRUE(w->Click(ids.XPButton4));
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(read(v), v.after) << "answered Yes";
  }
  EXPECT_EQ(journal.back(), "set syncmode5") << "Restore sets syncmode5 last";
  EXPECT_EQ(w->Caption(), kRestoredCaption);
  EXPECT_EQ(w->icon(), "C:\\Tools/stop.ico");

  ASSERT_TRUE(w->Click(ids.XPButton2));
  journal.clear();
  ASSERT_TRUE(w->RequestClose());
  EXPECT_TRUE(form.IsUnloaded());
  for (const Value& v : Thirteen()) {
    SCOPED_TRACE(std::string(v.name));
    EXPECT_EQ(read(v), v.after) << "after the close";
  }
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.front(), "set syncmode5") << "the exit restore sets syncmode5 first";
  EXPECT_EQ(sim.ui.message_boxes().size(), 2U) << "only the two confirmations were shown";
}

}  // namespace
}  // namespace velqor::booster
