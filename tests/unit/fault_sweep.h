// The machinery of the fault sweep: a simulated machine with the main window on it, the faults
// that the simulated platform can inject, and the check that the registry changed only where the
// program's tables say it may.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "journal/journal.h"
#include "platform/ascii.h"
#include "booster/booster_tables.h"
#include "platform/registry_verbs.h"
#include "startup/frm_main.h"
#include "startup/startup_programs.h"
#include "tweaks/catalogue.h"
#include "platform/sim/ui.h"
#include "platform/sim/platform.h"

namespace velqor::sweep {

// What kind of failure a fault causes, as the program's handlers tell them apart: each command
// says which kinds the user must be told of; every other kind must pass without a message.
enum class FaultKind {
  kRegistry,            // a registry call refused or failing
  kRegistryClose,       // closing a key fails (the work is done; nothing to tell)
  kScriptHost,          // no shell object, or its Run cannot find the program
  kProgramMissing,      // a program start finds no program
  kShellOpen,           // the shell cannot open a web address
  kIcon,                // an icon file is missing
  kSettings,            // the settings store refuses a write
  kShellList,           // the shell window list cannot be made, enumerated or subscribed to
  kBrowser,             // a call on one browser or its document fails
  kJournal,             // the change journal cannot be written (told once per run)
  kJournalDamaged,      // the journal holds damaged lines (shown in the Changes window, never told)
  kStartupPlaces,       // a change of the wide registry or of a Startup folder refused or failing
  kFolderMissing,       // a Startup folder is not there
  kShortcutUnreadable,  // a shortcut's target cannot be read
};

inline constexpr platform::KeyHandle kHkcu = platform::kHkeyCurrentUser;
inline constexpr platform::KeyHandle kHklm = platform::kHkeyLocalMachine;
inline constexpr const char* kFolder = "C:\\Velqor";

// A fresh machine: both Run keys with two entries each, the per-user Internet Settings key, the
// two icon files, an Internet Explorer window with forward history and a folder window. The main
// window is not loaded until a command asks for it.
class Env {
 public:
  Env() {
    sim.registry.SeedKey(kHkcu, booster::kUserInternetSettings);
    sim.registry.SeedText(kHklm, startup::kRunSubKey, "MachineTool", "C:\\Tools\\machine.exe");
    sim.registry.SeedText(kHklm, startup::kRunSubKey, "Second", "C:\\Tools\\second.exe /s");
    SeedUserTool();
    sim.registry.SeedText(kHkcu, startup::kRunSubKey, "Other", "C:\\Tools\\other.exe");
    sim.ui.SetProgramFolder(kFolder);
    AddIcons(sim);
    sim.browser.OpenBrowser(918, /*has_forward_history=*/true, /*notify=*/false);
    sim.browser.OpenFolder(920, /*notify=*/false);
    SeedStartupPrograms(sim);
  }
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;

  static void AddIcons(SimPlatform& s) {
    s.ui.AddFile(std::string(kFolder) + "/start.ico");
    s.ui.AddFile(std::string(kFolder) + "/stop.ico");
  }
  // What the startup programs window lists: a per-user and a machine-wide Run value and a
  // shortcut in the user's Startup folder (made again with its folder when missing).
  static void SeedStartupPrograms(SimPlatform& s) {
    s.system.AddFile(u"C:\\Windows\\app.exe");
    for (const auto& [id, name] : {std::pair{startup::LocationId::kUserRun, u"UserApp"},
                                   std::pair{startup::LocationId::kMachineRun, u"MachineApp"}}) {
      const startup::Location& location = startup::LocationOf(id);
      static_cast<void>(s.wide_registry.WriteValue(
          location.root, location.view, location.key,
          {name, platform::kRegExpandSz, startup::BytesOf(u"%SystemRoot%\\app.exe")}));
    }
    std::u16string folder;
    if (s.startup_folders.FolderPath(platform::StartupFolder::kCurrentUser, folder) ==
        platform::kSuccess) {
      static_cast<void>(
          s.startup_folders.WriteShortcut(folder + u"\\App.lnk", {u"C:\\Windows\\app.exe", u""}));
    }
  }
  // The per-user entry that the delete command removes; seeded ignoring every fault.
  void SeedUserTool() {
    sim.registry.SeedText(kHkcu, startup::kRunSubKey, "UserTool", "C:\\Tools\\user.exe");
  }

  // Makes a new main window and loads it (the previous one, if any, goes without its close).
  void LoadForm() {
    form.reset();
    form = std::make_unique<app::Form1>(sim.platform);
    form->Load();
    sim.launcher.SetActiveWindow(form->window().Handle());
  }
  // Loads the main window unless one is open.
  void EnsureLoaded() {
    if (form == nullptr || form->IsUnloaded()) {
      LoadForm();
    }
  }
  // Opens the startup manager from the Tools menu unless it is loaded.
  void EnsureStartup() {
    EnsureLoaded();
    if (!StartupLoaded()) {
      Main().ChooseMenu("smn");
    }
  }
  // Opens the Changes window from the Tools menu unless it is open.
  void EnsureChanges() {
    EnsureLoaded();
    if (sim.ui.FindWindow("frmChanges") == nullptr) {
      Main().ChooseMenu("changes");
    }
  }
  // Opens the startup programs window from the Tools menu unless it is open.
  void EnsureStartupPrograms() {
    EnsureLoaded();
    if (sim.ui.FindWindow("frmStartupPrograms") == nullptr) {
      Main().ChooseMenu("stp");
    }
  }
  bool StartupLoaded() const {
    return form != nullptr && form->startup_manager() != nullptr &&
           form->startup_manager()->IsLoaded();
  }

  // The open main window and startup manager; raise when there is none.
  platform::sim::HeadlessWindow& Main() { return Open("Form1"); }
  platform::sim::HeadlessWindow& Startup() { return Open("frmMain"); }
  platform::sim::HeadlessWindow& Programs() { return Open("frmStartupPrograms"); }
  platform::sim::HeadlessWindow& Changes() { return Open("frmChanges"); }

  // Every injected fault that has made a call fail, summed over the whole machine.
  std::size_t FaultsHit() const {
    std::size_t hits =
        sim.registry.faults_hit() + sim.script_host.faults_hit() + sim.launcher.faults_hit() +
        static_cast<std::size_t>(sim.ui.missing_file_loads()) +
        static_cast<std::size_t>(sim.settings.refused) +
        static_cast<std::size_t>(sim.browser.faults_hit) + (sim.recorder.recording() ? 0U : 1U) +
        (sim.recorder.missed() ? 1U : 0U) + sim.disk.faults_hit() + sim.wide_registry.faults_hit() +
        sim.startup_folders.faults_hit();
    // Damage is met by whatever reads or appends to the journal while it is there.
    if (const auto file = sim.disk.File(platform::sim::SimJournalFile::kFileName)) {
      hits += journal::ParseJournal(*file).skipped.size();
    }
    for (const auto& window : sim.browser.windows()) {
      hits += static_cast<std::size_t>(window->faults_hit);
      if (window->document != nullptr) {
        hits += static_cast<std::size_t>(window->document->faults_hit);
      }
    }
    return hits;
  }

  // Message boxes from `from` on that tell of a failure: they carry an error or exclamation
  // icon. The program's questions and notes (no icon, or the information icon) do not count.
  std::vector<std::string> ErrorsSince(std::size_t from) const {
    std::vector<std::string> errors;
    const auto& boxes = sim.ui.message_boxes();
    for (std::size_t i = from; i < boxes.size(); ++i) {
      const unsigned icon = boxes[i].style & 0xF0U;
      if (icon == platform::kMbIconError || icon == platform::kMbIconExclamation) {
        errors.push_back(boxes[i].prompt);
      }
    }
    return errors;
  }

  // What must hold between any two events, whatever failed: one panel shown, one of Boost and
  // Restore enabled, the killer as its box says, the tracker not left busy, the startup lists
  // row-parallel, and no registry handle left open beyond the one the lists came from and
  // `stuck_handles` whose close was made to fail. Empty when all hold, otherwise what does not.
  std::string Inconsistency(std::size_t stuck_handles) {
    std::string broken;
    const auto require = [&broken](bool ok, const char* what) {
      if (!ok) broken += broken.empty() ? what : std::string("; ") + what;
    };
    if (form != nullptr && !form->IsUnloaded()) {
      platform::sim::HeadlessWindow& w = Main();
      require(w.IsVisible(w.Id("Frame2")) != w.IsVisible(w.Id("Frame3")),
              "not exactly one panel is shown");
      require(w.IsEnabled(w.Id("XPButton2")) != w.IsEnabled(w.Id("XPButton4")),
              "not exactly one of Boost and Restore is enabled");
      require((w.Value(w.Id("chkPopupKillerActivate")) == 1) == form->popup_state().bKillerActive,
              "the pop-up killer's box and flag disagree");
      require(form->tracker() == nullptr || !form->tracker()->bBusy(), "the tracker is left busy");
    }
    std::size_t kept_handles = stuck_handles;
    if (StartupLoaded()) {
      platform::sim::HeadlessWindow& w = Startup();
      const platform::ControlId names = w.Id("lstName");
      const platform::ControlId commands = w.Id("lstCmdLine");
      require(w.ItemCount(names) == w.ItemCount(commands), "the lists are not row-parallel");
      require(w.Selection(names) == w.Selection(commands), "the lists select different rows");
    }
    if (form != nullptr && form->startup_manager() != nullptr &&
        form->startup_manager()->hRunKey() != 0) {
      ++kept_handles;
    }
    require(sim.registry.OpenHandleCount() <= kept_handles, "a registry handle was left open");
    return broken;
  }

  SimPlatform sim;
  std::unique_ptr<app::Form1> form;

 private:
  platform::sim::HeadlessWindow& Open(const char* name) {
    platform::sim::HeadlessWindow* window = sim.ui.FindWindow(name);
    if (window == nullptr) {
      throw platform::Failure(platform::kInvalidHandle, std::string("no open window ") + name);
    }
    return *window;
  }
};

// One platform fault: how to inject it and how to lift it again.
struct Fault {
  std::string name;
  FaultKind kind;
  std::function<void(SimPlatform&)> inject;
  std::function<void(SimPlatform&)> clear;
};

// Every fault the simulated platform offers, one platform operation at a time.
inline std::vector<Fault> AllFaults() {
  using Op = platform::sim::SimRegistry::Operation;
  const auto clear_registry = [](SimPlatform& s) { s.registry.ClearFaults(); };
  const auto fail_next = [&](const char* name, Op op, platform::Status status, FaultKind kind) {
    return Fault{name, kind, [op, status](SimPlatform& s) { s.registry.FailNext(op, status); },
                 clear_registry};
  };
  const auto deny_key = [&](const char* name, platform::KeyHandle root, std::string path,
                            std::uint32_t rights) {
    return Fault{name, FaultKind::kRegistry,
                 [root, path, rights](SimPlatform& s) { s.registry.DenyKey(root, path, rights); },
                 clear_registry};
  };
  const auto on_browsers = [](const char* name, bool platform::sim::SimBrowser::*flag) {
    const auto set = [flag](SimPlatform& s, bool on) {
      for (const auto& window : s.browser.windows()) {
        (*window).*flag = on;
      }
    };
    return Fault{name, FaultKind::kBrowser, [set](SimPlatform& s) { set(s, true); },
                 [set](SimPlatform& s) { set(s, false); }};
  };
  const auto on_shell = [](const char* name, bool platform::sim::SimBrowserShell::*flag) {
    return Fault{name, FaultKind::kShellList, [flag](SimPlatform& s) { s.browser.*flag = true; },
                 [flag](SimPlatform& s) { s.browser.*flag = false; }};
  };
  const std::string internet_settings(booster::kUserInternetSettings);
  const std::string run(startup::kRunSubKey);
  using platform::kAccessDenied;
  using WideOp = platform::sim::SimWideRegistry::Operation;
  using FolderOp = platform::sim::SimStartupFolders::Operation;
  const auto clear_wide = [](SimPlatform& s) { s.wide_registry.ClearFaults(); };
  const auto clear_folders = [](SimPlatform& s) { s.startup_folders.ClearFaults(); };
  return {
      {"HKLM writes refused", FaultKind::kRegistry,
       [](SimPlatform& s) { s.registry.DenyWrites(kHklm); }, clear_registry},
      {"HKCU writes refused", FaultKind::kRegistry,
       [](SimPlatform& s) { s.registry.DenyWrites(kHkcu); }, clear_registry},
      deny_key("per-user Run key locked", kHkcu, run,
               platform::kKeySetValue | platform::kKeyCreateSubKey),
      deny_key("per-user Run key unreadable", kHkcu, run, platform::kKeyQueryValue),
      deny_key("machine-wide Run key unreadable", kHklm, run, platform::kKeyQueryValue),
      deny_key("per-user Internet Settings locked", kHkcu, internet_settings,
               platform::kKeySetValue | platform::kKeyCreateSubKey),
      deny_key("Control Panel\\Desktop locked", kHkcu, "Control Panel\\Desktop",
               platform::kKeySetValue | platform::kKeyCreateSubKey),
      fail_next("next open fails", Op::kOpenKey, kAccessDenied, FaultKind::kRegistry),
      fail_next("next create fails", Op::kCreateKey, kAccessDenied, FaultKind::kRegistry),
      fail_next("next set-value fails", Op::kSetValue, kAccessDenied, FaultKind::kRegistry),
      fail_next("next close fails", Op::kCloseKey, platform::kInvalidHandle,
                FaultKind::kRegistryClose),
      fail_next("next key query fails", Op::kQueryInfoKey, kAccessDenied, FaultKind::kRegistry),
      fail_next("next value enumeration fails", Op::kEnumValue, platform::kMoreData,
                FaultKind::kRegistry),
      fail_next("next value query fails", Op::kQueryValue, platform::kMoreData,
                FaultKind::kRegistry),
      fail_next("next delete fails", Op::kDeleteValue, kAccessDenied, FaultKind::kRegistry),
      {"script host unavailable", FaultKind::kScriptHost,
       [](SimPlatform& s) { s.script_host.SetUnavailable(true); },
       [](SimPlatform& s) { s.script_host.SetUnavailable(false); }},
      {"defragmenter missing", FaultKind::kScriptHost,
       [](SimPlatform& s) {
         for (const app::ToolCommand& command : app::kDefragmenter.commands) {
           s.script_host.MarkMissing(command.command);
           s.launcher.MarkMissing(command.command);
         }
       },
       [](SimPlatform& s) {
         s.script_host.ClearMissing();
         s.launcher.ClearMissing();
       }},
      {"maintenance programs missing", FaultKind::kProgramMissing,
       [](SimPlatform& s) {
         for (const app::MaintenanceTool* tool :
              {&app::kCleanManager, &app::kFileCheck, &app::kWindowsUpdate}) {
           for (const app::ToolCommand& command : tool->commands) {
             s.launcher.MarkMissing(command.command);
             s.script_host.MarkMissing(command.command);
           }
         }
         s.launcher.MarkMissing(app::kShutdownCommand);
       },
       [](SimPlatform& s) {
         s.launcher.ClearMissing();
         s.script_host.ClearMissing();
       }},
      {"web address cannot be opened", FaultKind::kShellOpen,
       [](SimPlatform& s) { s.launcher.FailShellOpen(31); },  // SE_ERR_NOASSOC
       [](SimPlatform& s) { s.launcher.FailShellOpen(0); }},
      {"icon files missing", FaultKind::kIcon,
       [](SimPlatform& s) {
         s.ui.RemoveFile(std::string(kFolder) + "/start.ico");
         s.ui.RemoveFile(std::string(kFolder) + "/stop.ico");
       },
       [](SimPlatform& s) { Env::AddIcons(s); }},
      {"settings store refused", FaultKind::kSettings,
       [](SimPlatform& s) { s.settings.refuse_writes = true; },
       [](SimPlatform& s) { s.settings.refuse_writes = false; }},
      on_shell("shell window list unavailable", &platform::sim::SimBrowserShell::fail_create),
      on_shell("shell window list cannot enumerate",
               &platform::sim::SimBrowserShell::fail_enumerate),
      on_shell("shell window list offers no events",
               &platform::sim::SimBrowserShell::fail_subscribe),
      on_browsers("browser handle unreadable", &platform::sim::SimBrowser::fail_hwnd),
      on_browsers("browser document unreadable", &platform::sim::SimBrowser::fail_document),
      on_browsers("browser forward navigation fails", &platform::sim::SimBrowser::fail_go_forward),
      on_browsers("browser stop command fails", &platform::sim::SimBrowser::fail_exec_wb),
      on_browsers("browser offers no events", &platform::sim::SimBrowser::fail_subscribe),
      {"journal folder refused", FaultKind::kJournal,
       [](SimPlatform& s) { s.disk.RefuseFolder(true); },
       [](SimPlatform& s) { s.disk.RefuseFolder(false); }},
      {"journal file held by another program", FaultKind::kJournal,
       [](SimPlatform& s) { s.disk.HoldFile(true); },
       [](SimPlatform& s) { s.disk.HoldFile(false); }},
      {"disk full on a journal write", FaultKind::kJournal,
       [](SimPlatform& s) { s.disk.SetSpaceLeft(0); },
       [](SimPlatform& s) { s.disk.SetSpaceLeft(std::nullopt); }},
      // An edited line and a torn last one; the damage stays once the fault is "lifted".
      {"journal damaged", FaultKind::kJournalDamaged,
       [](SimPlatform& s) {
         const std::string name = platform::sim::SimJournalFile::kFileName;
         s.disk.SetFile(name, "C|1|1|edited by hand|0|x|00000000\r\n" +
                                  s.disk.File(name).value_or("") + "B|9|1|1|HK");
       },
       [](SimPlatform&) {}},
      {"wide registry: HKLM writes refused", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.wide_registry.DenyWrites(kHklm); }, clear_wide},
      {"wide registry: HKCU writes refused", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.wide_registry.DenyWrites(kHkcu); }, clear_wide},
      {"wide registry: next write fails", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.wide_registry.FailNext(WideOp::kWrite, kAccessDenied); }, clear_wide},
      {"wide registry: next delete fails", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.wide_registry.FailNext(WideOp::kDeleteValue, kAccessDenied); },
       clear_wide},
      {"Startup folder writes refused", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.startup_folders.DenyWrites(platform::sim::kSimUserStartup); },
       clear_folders},
      {"Startup folder: next delete fails", FaultKind::kStartupPlaces,
       [](SimPlatform& s) { s.startup_folders.FailNext(FolderOp::kDelete, kAccessDenied); },
       clear_folders},
      {"Startup folder missing", FaultKind::kFolderMissing,
       [](SimPlatform& s) { s.startup_folders.RemoveFolder(platform::sim::kSimUserStartup); },
       [](SimPlatform& s) { Env::SeedStartupPrograms(s); }},
      {"shortcut unreadable", FaultKind::kShortcutUnreadable,
       [](SimPlatform& s) { s.startup_folders.FailNext(FolderOp::kReadShortcut, kAccessDenied); },
       clear_folders},
      {"document offers no events", FaultKind::kBrowser,
       [](SimPlatform& s) {
         for (const auto& window : s.browser.windows()) {
           if (window->document != nullptr) window->document->fail_subscribe = true;
         }
       },
       [](SimPlatform& s) {
         for (const auto& window : s.browser.windows()) {
           if (window->document != nullptr) window->document->fail_subscribe = false;
         }
       }},
  };
}

// The registry values and keys that the program may change, taken from the tweak catalogue, the
// booster's tables and the startup manager's Run keys.
class AllowedChanges {
 public:
  AllowedChanges() {
    for (const tweaks::TweakWrite& write : tweaks::TweakWrites()) {
      AllowFullPath(write.path);
    }
    std::vector<booster::RegistryStep> steps(booster::BoostSteps().begin(),
                                             booster::BoostSteps().end());
    steps.insert(steps.end(), booster::UndoSteps().begin(), booster::UndoSteps().end());
    steps.push_back(booster::SyncModeStep());
    for (const booster::RegistryStep& step : steps) {
      if (step.op == booster::StepOp::kCreateKey) {
        AllowKey(step.root, std::string(step.key));
      } else {
        AllowValue(step.root, std::string(step.key), std::string(step.name));
      }
    }
    for (const platform::KeyHandle root : {kHkcu, kHklm}) {
      const std::string key = Key(root, std::string(startup::kRunSubKey));
      any_value_keys_.insert(key);
      AllowKey(root, std::string(startup::kRunSubKey));
    }
  }

  // The changes between two snapshots of the simulated registry that fall outside the tables,
  // one line each; empty when there is none.
  std::vector<std::string> Stray(const std::string& before, const std::string& after) const {
    const std::map<std::string, std::string> old_entries = Entries(before);
    const std::map<std::string, std::string> new_entries = Entries(after);
    std::vector<std::string> stray;
    const auto check = [&](const std::string& id, const std::string& line, const char* what) {
      const std::size_t bar = id.find('|');
      const bool allowed = bar == std::string::npos
                               ? KeyAllowed(id)
                               : ValueAllowed(id.substr(0, bar), id.substr(bar + 1));
      if (!allowed) {
        stray.push_back(std::string(what) + " " + line);
      }
    };
    for (const auto& [id, line] : new_entries) {
      const auto it = old_entries.find(id);
      if (it == old_entries.end()) {
        check(id, line, "added");
      } else if (it->second != line) {
        check(id, line, "changed");
      }
    }
    for (const auto& [id, line] : old_entries) {
      if (!new_entries.contains(id)) {
        check(id, line, "removed");
      }
    }
    return stray;
  }

 private:
  static std::string Fold(std::string_view text) { return platform::AsciiLower(text); }
  static std::string Key(platform::KeyHandle root, const std::string& path) {
    std::string key = root == kHkcu ? "hkcu" : "hklm";
    if (!path.empty()) key += "\\" + Fold(path);
    return key;
  }
  void AllowKey(platform::KeyHandle root, const std::string& path) {
    std::string key = Key(root, path);
    // Creating a key creates its missing parents.
    for (;;) {
      keys_.insert(key);
      const std::size_t slash = key.rfind('\\');
      if (slash == std::string::npos) break;
      key.resize(slash);
    }
  }
  void AllowValue(platform::KeyHandle root, const std::string& path, const std::string& name) {
    AllowKey(root, path);
    values_.insert(Key(root, path) + "|" + Fold(name));
  }
  void AllowFullPath(std::string_view full) {
    const auto parsed = platform::ParseFullPath(full);
    if (!parsed) {
      throw platform::Failure(platform::kInvalidParameter, "bad table path " + std::string(full));
    }
    AllowValue(parsed->root, parsed->key_path, parsed->value_name);
  }

  bool KeyAllowed(const std::string& folded_key) const { return keys_.contains(folded_key); }
  bool ValueAllowed(const std::string& folded_key, const std::string& folded_name) const {
    return any_value_keys_.contains(folded_key) || values_.contains(folded_key + "|" + folded_name);
  }

  // A snapshot as entries: "hklm\key" for a key, "hklm\key|name" for a value ("" for the
  // default), each with its printed line.
  static std::map<std::string, std::string> Entries(const std::string& snapshot) {
    std::map<std::string, std::string> entries;
    std::istringstream in(snapshot);
    std::string line;
    std::string key;
    while (std::getline(in, line)) {
      if (line.rfind("  ", 0) != 0) {
        key = Fold(line);
        entries[key] = line;
        continue;
      }
      std::string name = line.substr(2, line.rfind(" type ") - 2);
      name = name == "@" ? std::string() : name.substr(1, name.size() - 2);
      entries[key + "|" + Fold(name)] = key + " " + line.substr(2);
    }
    return entries;
  }

  std::set<std::string> keys_;
  std::set<std::string> values_;
  std::set<std::string> any_value_keys_;
};

// What a command must have done on a run without faults; an empty text means it did.
using Works = std::function<std::string(Env&, std::size_t script_calls_before)>;

// One command of a window, as the sweep runs it: prepared, run, then checked.
struct Command {
  std::string name;              // the handler, or what the user does
  std::string control;           // the control or menu entry whose handler this is ("" for none)
  std::set<FaultKind> reported;  // failures of these kinds are told to the user
  std::function<void(Env&)> arrange;  // fault-free preparation, run before each attempt
  std::function<bool(Env&)> act;      // false: the window did not respond to the command
  Works works;
};

// The command tables, one per window (fault_sweep_main_window.cpp,
// fault_sweep_startup_manager.cpp, fault_sweep_startup_programs.cpp,
// fault_sweep_changes_window.cpp).
std::vector<Command> MainWindowCommands();
std::vector<Command> StartupManagerCommands();
std::vector<Command> StartupProgramsCommands();
std::vector<Command> ChangesWindowCommands();

// What the tables' checks share (fault_sweep.cpp).
std::string Expect(bool ok, const std::string& what);
// The run of the script host's calls since `from` that used `verb`.
std::vector<platform::sim::ScriptCall> CallsSince(const Env& env, std::size_t from,
                                                  const std::string& verb);
std::optional<std::uint32_t> Dword(const Env& env, platform::KeyHandle root, std::string_view key,
                                   std::string_view name);
// Whether every value that Boost writes holds its boosted data.
std::string BoostedValues(const Env& env);
// Whether the undo's deletes are all done and syncmode5 holds 4.
std::string RestoredValues(const Env& env);
// Whether the journal's newest command undid the one before it (or, once the journal stopped
// recording, is itself undone in the registry): every value of it back.
std::string LastCommandUndone(Env& env);
// The rows of a list of the startup manager.
std::vector<std::string> Rows(platform::sim::HeadlessWindow& w, const char* list);
// Whether the startup manager lists `names`, row-parallel, with row 0 selected.
std::string ListsShow(Env& env, const std::vector<std::string>& names);
// A click on a control of the main window by name.
bool Click(Env& env, const char* name);
// Runs a handler through the dispatcher, as the message loop does for a window's event.
bool Dispatch(Env& env, const std::function<void()>& handler);

struct SweepResult {
  std::size_t cases = 0;
  std::map<std::string, std::size_t> strikes;  // by fault: the commands it made fail
};

// Runs every command under every fault and, when `report` is set, reports each broken
// invariant with its pair.
SweepResult Sweep(const std::vector<Command>& commands, bool report = true);

}  // namespace velqor::sweep
