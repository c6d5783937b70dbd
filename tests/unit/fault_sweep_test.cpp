// Every command of both windows, run once with each platform operation failing in turn. After
// every pair the program must still be running, must have changed the registry only where its
// tables say, must have told the user of exactly the failures that are not meant to pass
// quietly, and must run the same command properly once the fault is lifted.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {
namespace {

using platform::sim::HeadlessWindow;

// What a command must have done on a run without faults; an empty text means it did.
using Works = std::function<std::string(Env&, std::size_t script_calls_before)>;

struct Command {
  std::string name;              // the handler, or what the user does
  std::string control;           // the control or menu entry whose handler this is ("" for none)
  std::set<FaultKind> reported;  // failures of these kinds are told to the user
  std::function<void(Env&)> arrange;  // fault-free preparation, run before each attempt
  std::function<bool(Env&)> act;      // false: the window did not respond to the command
  Works works;
};

std::string Expect(bool ok, const std::string& what) {
  return ok ? std::string() : what;
}

// The run of the script host's calls since `from` that used `verb`.
std::vector<platform::sim::ScriptCall> CallsSince(const Env& env, std::size_t from,
                                                  const std::string& verb) {
  std::vector<platform::sim::ScriptCall> calls;
  const auto& all = env.sim.script_host.calls();
  for (std::size_t i = from; i < all.size(); ++i) {
    if (all[i].verb == verb) calls.push_back(all[i]);
  }
  return calls;
}

std::optional<std::uint32_t> Dword(const Env& env, platform::KeyHandle root, std::string_view key,
                                   std::string_view name) {
  return env.sim.registry.FindDword(root, key, name);
}

// Whether every value that Boost writes holds its boosted data.
std::string BoostedValues(const Env& env) {
  for (const booster::BoostStep& step : booster::BoostSteps()) {
    if (step.op == booster::StepOp::kCreateKey) continue;
    const bool ok = step.type == 1
                        ? env.sim.registry.FindText(step.root, step.key, step.name) == step.data
                        : Dword(env, step.root, step.key, step.name) ==
                              static_cast<std::uint32_t>(std::stoi(std::string(step.data)));
    if (!ok) return std::string(step.step) + " " + std::string(step.name) + " not boosted";
  }
  return {};
}

// Whether the undo's deletes are all done and syncmode5 holds 4.
std::string RestoredValues(const Env& env) {
  for (const booster::UndoStep& step : booster::UndoSteps()) {
    if (step.op != booster::StepOp::kDeleteValue) continue;
    if (env.sim.registry.Find(step.root, step.key, step.name)) {
      return std::string(step.step) + " left " + std::string(step.name);
    }
  }
  return Expect(Dword(env, kHkcu, booster::kUserInternetSettings, "syncmode5") == 4U,
                "syncmode5 is not 4");
}

// The rows of a list of the startup manager.
std::vector<std::string> Rows(HeadlessWindow& w, const char* list) {
  std::vector<std::string> rows;
  const platform::ControlId id = w.Id(list);
  rows.reserve(static_cast<std::size_t>(w.ItemCount(id)));
  for (int row = 0; row < w.ItemCount(id); ++row) rows.push_back(w.ItemText(id, row));
  return rows;
}

std::string ListsShow(Env& env, const std::vector<std::string>& names) {
  HeadlessWindow& w = env.Startup();
  const std::vector<std::string> rows = Rows(w, "lstName");
  if (rows != names) return "lstName shows " + std::to_string(rows.size()) + " other rows";
  if (Rows(w, "lstCmdLine").size() != names.size()) return "lstCmdLine is not row-parallel";
  return Expect(w.Selection(w.Id("lstName")) == 0 && w.Text(w.Id("txtName")) == names.front(),
                "row 0 is not selected");
}

bool Click(Env& env, const char* name) {
  return env.Main().ClickByName(name);
}

// A launcher of the clean-up panel: the panel is shown first.
Command Launcher(const char* handler, const char* label, std::string_view command) {
  return {handler,
          label,
          {FaultKind::kProgramMissing},
          [](Env& env) {
            env.EnsureLoaded();
            Click(env, "XPButton3");
          },
          [label](Env& env) { return Click(env, label); },
          [command](Env& env, std::size_t) {
            const auto started = env.sim.launcher.StartedCommands();
            return Expect(!started.empty() && started.back() == command,
                          std::string(command) + " was not started");
          }};
}

// Runs a handler through the dispatcher, as the message loop does for a window's event.
bool Dispatch(Env& env, const std::function<void()>& handler) {
  platform::RunHandler(env.sim.ui, handler);
  return true;
}

std::vector<Command> MainWindowCommands() {
  const auto loaded = [](Env& env) { env.EnsureLoaded(); };
  const auto boosted = [](Env& env) {
    env.EnsureLoaded();
    if (!env.Main().IsEnabled(env.Main().Id("XPButton4"))) Click(env, "XPButton2");
  };
  const auto closing = [](Env& env) {
    env.EnsureLoaded();
    env.sim.registry.SeedDword(kHkcu, booster::kUserInternetSettings, "syncmode5", 0);
  };
  const auto closed_with_restore = [](Env& env, std::size_t) {
    if (!env.form->IsUnloaded()) return std::string("the main window is still open");
    return RestoredValues(env);
  };
  return {
      {"Form_Load",
       "",
       {FaultKind::kShellList},
       [](Env& env) { env.form.reset(); },
       [](Env& env) {
         env.LoadForm();
         return true;
       },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         if (!w.IsShown() || !w.IsVisible(w.Id("Frame2")) || w.IsVisible(w.Id("Frame3")) ||
             w.IsEnabled(w.Id("XPButton4"))) {
           return std::string("the window did not start in its first state");
         }
         const auto& tracker = env.form->tracker();
         return Expect(
             tracker != nullptr &&
                 tracker->Count() == static_cast<std::int32_t>(env.sim.browser.windows().size()),
             "the tracker does not follow every shell window");
       }},
      {"winShell_WindowRegistered",
       "",
       {FaultKind::kShellList},
       loaded,
       [](Env& env) {
         env.sim.browser.OpenBrowser(930 +
                                     static_cast<std::int32_t>(env.sim.browser.windows().size()));
         return true;
       },
       [](Env& env, std::size_t) {
         return Expect(env.form->tracker()->Count() ==
                           static_cast<std::int32_t>(env.sim.browser.windows().size()),
                       "the new window is not tracked");
       }},
      {"winShell_WindowRevoked",
       "",
       {FaultKind::kShellList},
       loaded,
       [](Env& env) {
         env.sim.browser.Close(env.sim.browser.windows().back());
         return true;
       },
       [](Env& env, std::size_t) {
         return Expect(env.form->tracker()->Count() ==
                           static_cast<std::int32_t>(env.sim.browser.windows().size()),
                       "the closed window is still tracked");
       }},
      {"XPButton1_Click (apply)",
       "XPButton1",
       {FaultKind::kRegistry, FaultKind::kScriptHost},
       [](Env& env) {
         env.EnsureLoaded();
         HeadlessWindow& w = env.Main();
         for (const char* box : {"Check1", "Check4", "Check7"}) {
           if (w.Value(w.Id(box)) != 1) w.ClickByName(box);
         }
       },
       [](Env& env) { return Click(env, "XPButton1"); },
       [](Env& env, std::size_t from) {
         const auto writes = CallsSince(env, from, "RegWrite");
         if (writes.size() != tweaks::kTweakWriteCount) return std::string("not nine writes");
         return Expect(env.sim.registry.FindText(kHkcu, "Control Panel\\Desktop",
                                                 "WaitToKillAppTimeout") == "1500",
                       "WaitToKillAppTimeout is not 1500");
       }},
      {"XPButton1_Click (clean-up panel shown)",
       "XPButton1",
       {},
       [](Env& env) {
         env.EnsureLoaded();
         Click(env, "XPButton3");
       },
       [](Env& env) { return Click(env, "XPButton1"); },
       [](Env& env, std::size_t from) {
         HeadlessWindow& w = env.Main();
         return Expect(w.IsVisible(w.Id("Frame2")) && !w.IsVisible(w.Id("Frame3")) &&
                           CallsSince(env, from, "RegWrite").empty(),
                       "the tweak panel did not come back alone");
       }},
      {"XPButton2_Click",
       "XPButton2",
       {FaultKind::kIcon},
       [](Env& env) {
         env.EnsureLoaded();
         if (!env.Main().IsEnabled(env.Main().Id("XPButton2"))) {
           env.sim.ui.AnswerNextMessageBox(platform::kIdYes);
           Click(env, "XPButton4");
         }
       },
       [](Env& env) { return Click(env, "XPButton2"); },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         const std::string icon = std::string(kFolder) + "/start.ico";
         if (w.Caption() != booster::kBoostedCaption ||
             (env.sim.ui.FileExists(icon) && w.icon() != icon) || !w.IsEnabled(w.Id("XPButton4"))) {
           return std::string("the window does not show the boost");
         }
         return BoostedValues(env);
       }},
      {"XPButton4_Click (answered Yes)",
       "XPButton4",
       {FaultKind::kScriptHost, FaultKind::kIcon},
       [boosted](Env& env) {
         boosted(env);
         env.sim.ui.AnswerNextMessageBox(platform::kIdYes);
       },
       [](Env& env) { return Click(env, "XPButton4"); },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         const std::string icon = std::string(kFolder) + "/stop.ico";
         if (w.Caption() != booster::kRestoredCaption ||
             (env.sim.ui.FileExists(icon) && w.icon() != icon) || !w.IsEnabled(w.Id("XPButton2"))) {
           return std::string("the window does not show the restore");
         }
         return RestoredValues(env);
       }},
      {"XPButton4_Click (answered No)",
       "XPButton4",
       {},
       [boosted](Env& env) {
         boosted(env);
         env.sim.ui.AnswerNextMessageBox(platform::kIdNo);
       },
       [](Env& env) { return Click(env, "XPButton4"); },
       [](Env& env, std::size_t) {
         return Expect(env.Main().Caption() == booster::kBoostedCaption, "the boost was undone") +
                BoostedValues(env);
       }},
      {"XPButton3_Click",
       "XPButton3",
       {},
       loaded,
       [](Env& env) { return Click(env, "XPButton3"); },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         return Expect(w.IsVisible(w.Id("Frame3")) && !w.IsVisible(w.Id("Frame2")),
                       "the clean-up panel is not shown alone");
       }},
      {"Command1_Click",
       "Command1",
       {},
       [](Env& env) {
         env.EnsureLoaded();
         Click(env, "XPButton3");
       },
       [](Env& env) { return Click(env, "Command1"); },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         return Expect(w.IsVisible(w.Id("Frame2")) && !w.IsVisible(w.Id("Frame3")),
                       "the tweak panel is not shown alone");
       }},
      {"Check1_Click",
       "Check1",
       {FaultKind::kRegistry, FaultKind::kScriptHost},
       [](Env& env) {
         env.EnsureLoaded();
         env.sim.registry.SeedDword(kHklm,
                                    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
                                    "Memory Management",
                                    "DisablePagingExecutive", 0);
       },
       [](Env& env) { return Click(env, "Check1"); },
       [](Env& env, std::size_t from) {
         const auto writes = CallsSince(env, from, "RegWrite");
         return Expect(writes.size() == 1 && !writes[0].failed &&
                           writes[0].path.ends_with("\\DisablePagingExecutive"),
                       "DisablePagingExecutive was not written");
       }},
      {"chkPopupKillerActivate_Click",
       "chkPopupKillerActivate",
       {FaultKind::kSettings},
       loaded,
       [](Env& env) { return Click(env, "chkPopupKillerActivate"); },
       [](Env& env, std::size_t) {
         HeadlessWindow& w = env.Main();
         const bool on = w.Value(w.Id("chkPopupKillerActivate")) == 1;
         const auto stored = env.sim.settings.GetSetting(
             platform::kProgramTitle, popup::kSettingsSection, popup::kSettingsKey);
         return Expect(stored == (on ? "1" : "0") && env.form->popup_state().bKillerActive == on,
                       "the box, the store and the killer disagree");
       }},
      Launcher("Label1_Click", "Label1", app::kCleanManagerCommand),
      {"Label2_Click",
       "Label2",
       {FaultKind::kScriptHost},
       [](Env& env) {
         env.EnsureLoaded();
         Click(env, "XPButton3");
       },
       [](Env& env) { return Click(env, "Label2"); },
       [](Env& env, std::size_t) {
         const auto runs = env.sim.script_host.RunCommands();
         return Expect(!runs.empty() && runs.back() == app::kDefragmenterCommand,
                       "the defragmenter was not run");
       }},
      Launcher("Label3_Click", "Label3", app::kFileCheckCommand),
      Launcher("Label4_Click", "Label4", app::kWindowsUpdateCommand),
      {"shut_Click",
       "shut",
       {FaultKind::kProgramMissing},
       loaded,
       [](Env& env) { return env.Main().ChooseMenu("shut"); },
       [](Env& env, std::size_t) {
         const auto started = env.sim.launcher.StartedCommands();
         return Expect(!started.empty() && started.back() == app::kShutdownCommand,
                       "the shutdown was not started");
       }},
      {"vwb_Click",
       "vwb",
       {},
       loaded,
       [](Env& env) { return env.Main().ChooseMenu("vwb"); },
       [](Env& env, std::size_t) {
         const auto& opens = env.sim.launcher.shell_opens();
         return Expect(
             !opens.empty() && opens.back().file == app::kHomePage && opens.back().result > 32,
             "the home page was not opened");
       }},
      // The entry is switched off in the menu; its handler is swept all the same.
      {"quelmp_Click",
       "quelmp",
       {},
       loaded,
       [](Env& env) { return Dispatch(env, [&env] { env.form->quelmp_Click(); }); },
       [](Env& env, std::size_t) {
         const auto& opens = env.sim.launcher.shell_opens();
         return Expect(
             !opens.empty() && opens.back().file == app::kProductsPage && opens.back().result > 32,
             "the product page was not opened");
       }},
      {"smn_Click",
       "smn",
       {},
       [](Env& env) {
         env.EnsureLoaded();
         if (env.StartupLoaded()) env.Startup().RequestClose();
       },
       [](Env& env) { return env.Main().ChooseMenu("smn"); },
       [](Env& env, std::size_t) {
         return env.StartupLoaded() ? ListsShow(env, {"MachineTool", "Second"})
                                    : std::string("the startup manager is not open");
       }},
      {"Form_QueryUnload (close box)",
       "",
       {FaultKind::kScriptHost},
       closing,
       [](Env& env) { return env.Main().RequestClose(); },
       closed_with_restore},
      // A second Exit cannot come through the menu once the program has been told to end.
      {"ex_Click",
       "ex",
       {FaultKind::kScriptHost},
       closing,
       [](Env& env) {
         return env.sim.ui.quit_requested() ? Dispatch(env, [&env] { env.form->ex_Click(); })
                                            : env.Main().ChooseMenu("ex");
       },
       closed_with_restore},
  };
}

std::vector<Command> StartupManagerCommands() {
  const auto open = [](Env& env) { env.EnsureStartup(); };
  const auto showing = [](const char* option) {
    return [option](Env& env) {
      env.EnsureStartup();
      HeadlessWindow& w = env.Startup();
      if (w.Value(w.Id(option)) != 1) w.ClickByName(option);
    };
  };
  const auto machine_lists = [](Env& env, std::size_t) {
    return ListsShow(env, {"MachineTool", "Second"});
  };
  const auto user_lists = [](Env& env, std::size_t) {
    return ListsShow(env, {"UserTool", "Other"});
  };
  const auto row_one = [](const char* list) {
    return [list](Env& env) {
      env.EnsureStartup();
      HeadlessWindow& w = env.Startup();
      w.SetSelection(w.Id("lstName"), 0);
      return w.SelectRow(w.Id(list), 1);
    };
  };
  const auto mirrors_row_one = [](Env& env, std::size_t) {
    HeadlessWindow& w = env.Startup();
    const std::string name = w.ItemText(w.Id("lstName"), 1);
    return Expect(w.Selection(w.Id("lstName")) == 1 && w.Selection(w.Id("lstCmdLine")) == 1 &&
                      w.Text(w.Id("txtName")) == name &&
                      w.Text(w.Id("txtCmdLine")) == w.ItemText(w.Id("lstCmdLine"), 1) &&
                      w.Text(w.Id("Command1")) == "Delete " + name + " from startup",
                  "row 1 is not mirrored");
  };
  return {
      {"Show (again, while open)",
       "",
       {},
       open,
       [](Env& env) { return Dispatch(env, [&env] { env.form->startup_manager()->Show(); }); },
       [](Env& env, std::size_t) {
         return Expect(env.StartupLoaded() && env.Startup().IsShown(), "the window is not shown");
       }},
      {"optRun2_Click (LoadUserRun)",
       "optRun2",
       {},
       showing("optRun"),
       [](Env& env) { return env.Startup().ClickByName("optRun2"); },
       user_lists},
      {"optRun_Click (LoadRun)",
       "optRun",
       {},
       showing("optRun2"),
       [](Env& env) { return env.Startup().ClickByName("optRun"); },
       machine_lists},
      {"LoadRun",
       "",
       {},
       open,
       [](Env& env) {
         env.form->startup_manager()->LoadRun();
         return true;
       },
       machine_lists},
      {"LoadUserRun",
       "",
       {},
       open,
       [](Env& env) {
         env.form->startup_manager()->LoadUserRun();
         return true;
       },
       user_lists},
      {"ClearLists",
       "",
       {},
       open,
       [](Env& env) {
         env.form->startup_manager()->ClearLists();
         return true;
       },
       [](Env& env, std::size_t) {
         return Expect(Rows(env.Startup(), "lstName").empty(), "the lists were not cleared");
       }},
      {"lstName_Click", "lstName", {}, open, row_one("lstName"), mirrors_row_one},
      {"lstCmdLine_Click", "lstCmdLine", {}, open, row_one("lstCmdLine"), mirrors_row_one},
      {"Command1_Click (delete a per-user entry)",
       "Command1",
       {FaultKind::kRegistry, FaultKind::kScriptHost},
       [](Env& env) {
         env.SeedUserTool();
         env.EnsureStartup();
         HeadlessWindow& w = env.Startup();
         if (w.Value(w.Id("optRun2")) == 1) {
           env.form->startup_manager()->LoadUserRun();
         } else {
           w.ClickByName("optRun2");
         }
         const std::vector<std::string> rows = Rows(w, "lstName");
         for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
           if (rows[static_cast<std::size_t>(row)] == "UserTool") {
             w.SetSelection(w.Id("lstName"), row);
           }
         }
       },
       [](Env& env) { return env.Startup().ClickByName("Command1"); },
       [](Env& env, std::size_t) {
         return Expect(!env.sim.registry.Find(kHkcu, startup::kRunSubKey, "UserTool") &&
                           env.sim.registry.Find(kHkcu, startup::kRunSubKey, "Other"),
                       "UserTool was not removed alone");
       }},
      {"Command1_Click (machine-wide list shown)",
       "Command1",
       {},
       showing("optRun"),
       [](Env& env) { return env.Startup().ClickByName("Command1"); },
       [](Env& env, std::size_t) {
         return Expect(env.sim.registry.Find(kHklm, startup::kRunSubKey, "MachineTool") &&
                           env.sim.ui.last_message_box() != nullptr &&
                           env.sim.ui.last_message_box()->prompt == startup::kMsgMachineWide,
                       "the machine-wide entry was not refused with its note");
       }},
      {"cmdBrowse_Click",
       "cmdBrowse",
       {},
       open,
       [](Env& env) { return env.Startup().ClickByName("cmdBrowse"); },
       [](Env& env, std::size_t) { return Expect(env.StartupLoaded(), "the window went away"); }},
      {"Form_QueryUnload (close box)",
       "",
       {},
       open,
       [](Env& env) { return env.Startup().RequestClose(); },
       [](Env& env, std::size_t) {
         return Expect(!env.StartupLoaded() && env.form->startup_manager()->hRunKey() == 0,
                       "the window or its key is still open");
       }},
  };
}

struct SweepResult {
  std::size_t cases = 0;
  std::map<std::string, std::size_t> strikes;  // by fault: the commands it made fail
};

// Runs every command under every fault and, when `report` is set, reports each broken
// invariant with its pair.
SweepResult Sweep(const std::vector<Command>& commands, bool report = true) {
  const AllowedChanges allowed;
  const std::vector<Fault> faults = AllFaults();
  SweepResult result;
  for (const Command& command : commands) {
    for (const Fault& fault : faults) {
      ++result.cases;
      std::ostringstream failures;
      const std::string pair = command.name + " with \"" + fault.name + "\": ";
      Env env;
      const std::string before = env.sim.registry.Snapshot();
      std::size_t hits_before = 0;
      std::size_t calls_at_act = 0;
      // A close that was made to fail leaves its handle open; nothing else may.
      const std::size_t stuck_handles = fault.kind == FaultKind::kRegistryClose ? 1 : 0;
      // Prepares and runs the command, with the fault injected after the preparation so that it
      // meets the command itself. Returns the number of message boxes before the command ran, or
      // nothing when it could not be run.
      const auto attempt = [&](const char* phase, bool inject) -> std::optional<std::size_t> {
        try {
          command.arrange(env);
          if (inject) {
            hits_before = env.FaultsHit();
            fault.inject(env.sim);
          }
          const std::size_t boxes = env.sim.ui.message_boxes().size();
          calls_at_act = env.sim.script_host.calls().size();
          if (!command.act(env)) {
            failures << "\n" << pair << phase << "the window did not respond to the command";
            return std::nullopt;
          }
          if (const std::string broken = env.Inconsistency(stuck_handles); !broken.empty()) {
            failures << "\n" << pair << phase << "left the program inconsistent: " << broken;
          }
          return boxes;
        } catch (const std::exception& e) {
          failures << "\n" << pair << phase << "an exception escaped: " << e.what();
        } catch (...) {
          failures << "\n" << pair << phase << "an unknown exception escaped";
        }
        return std::nullopt;
      };

      const std::optional<std::size_t> boxes = attempt("", true);
      const bool hit = env.FaultsHit() > hits_before;
      result.strikes[fault.name] += hit ? 1 : 0;
      // An icon is a sign of the state, not the state: a command that meets a missing one still
      // does all of its work, and says so once.
      if (boxes && hit && fault.kind == FaultKind::kIcon) {
        if (const std::string broken = command.works(env, calls_at_act); !broken.empty()) {
          failures << "\n" << pair << "the command stopped short: " << broken;
        }
        if (env.ErrorsSince(*boxes).size() != 1) {
          failures << "\n" << pair << "the icon was not told exactly once";
        }
      }
      fault.clear(env.sim);
      if (boxes) {
        const std::vector<std::string> errors = env.ErrorsSince(*boxes);
        const bool must_tell = hit && command.reported.contains(fault.kind);
        if (must_tell && errors.empty()) {
          failures << "\n" << pair << "the failure was not reported to the user";
        } else if (!must_tell && !errors.empty()) {
          failures << "\n"
                   << pair << (hit ? "a quiet failure" : "a fault that never struck")
                   << " was reported: " << errors.front();
        }
      }

      // The same command once the fault is lifted.
      if (const auto clean = attempt("after the fault was lifted, ", false)) {
        const std::vector<std::string> errors = env.ErrorsSince(*clean);
        if (!errors.empty()) {
          failures << "\n" << pair << "after the fault was lifted, it reported: " << errors.front();
        }
        if (const std::string broken = command.works(env, calls_at_act); !broken.empty()) {
          failures << "\n" << pair << "after the fault was lifted, the command failed: " << broken;
        }
      }

      for (const std::string& change : allowed.Stray(before, env.sim.registry.Snapshot())) {
        failures << "\n" << pair << "a registry change outside the tables: " << change;
      }
      if (report && !failures.str().empty()) {
        ADD_FAILURE() << failures.str();
      }
    }
  }
  return result;
}

TEST(FaultSweep, MainWindowCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(MainWindowCommands());
  std::cout << "[ sweep    ] main window: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, MainWindowCommands().size() * AllFaults().size());
}

TEST(FaultSweep, StartupManagerCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(StartupManagerCommands());
  std::cout << "[ sweep    ] startup manager: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, StartupManagerCommands().size() * AllFaults().size());
}

// A fault that strikes no command proves nothing: its hook or its target has gone astray.
TEST(FaultSweep, EveryFaultStrikesSomeCommand) {
  std::vector<Command> all = MainWindowCommands();
  for (Command& command : StartupManagerCommands()) all.push_back(std::move(command));
  const SweepResult result = Sweep(all, /*report=*/false);
  for (const Fault& fault : AllFaults()) {
    EXPECT_GT(result.strikes.at(fault.name), 0U) << fault.name << " never made a call fail";
  }
}

// A control or menu entry given a handler later must get its row in the tables above.
TEST(FaultSweep, EveryControlAndMenuEntryWithAHandlerIsSwept) {
  Env env;
  env.EnsureStartup();
  const auto check = [](HeadlessWindow& w, const std::vector<Command>& commands) {
    std::set<std::string> swept;
    for (const Command& command : commands) swept.insert(command.control);
    for (const platform::ControlId id : w.Controls()) {
      if (w.HasClickHandler(id)) {
        EXPECT_TRUE(swept.contains(w.SpecOf(id).name))
            << w.name() << "." << w.SpecOf(id).name << " has a handler but no sweep row";
      }
    }
    for (const platform::Menu& menu : w.menus()) {
      for (const platform::MenuEntry& entry : menu.entries) {
        if (!entry.name.empty()) {
          EXPECT_TRUE(swept.contains(entry.name))
              << w.name() << " menu entry " << entry.name << " has no sweep row";
        }
      }
    }
  };
  check(env.Main(), MainWindowCommands());
  check(env.Startup(), StartupManagerCommands());
}

// The allowed set is only worth its name if it catches a write outside the tables.
TEST(FaultSweep, AllowedChangesCatchAWriteOutsideTheTables) {
  Env env;
  const AllowedChanges allowed;
  const std::string before = env.sim.registry.Snapshot();
  env.sim.registry.SeedText(kHkcu, "Control Panel\\desktop", "menushowdelay", "20");
  env.sim.registry.SeedText(kHklm, startup::kRunSubKey, "Anything", "x.exe");
  EXPECT_TRUE(allowed.Stray(before, env.sim.registry.Snapshot()).empty())
      << "a tweak value (in another case) and a Run entry are the program's to change";
  env.sim.registry.SeedText(kHkcu, "Control Panel\\Desktop", "Wallpaper", "x.bmp");
  env.sim.registry.SeedKey(kHklm, "SOFTWARE\\Elsewhere");
  const std::vector<std::string> stray = allowed.Stray(before, env.sim.registry.Snapshot());
  ASSERT_EQ(stray.size(), 2U);
  EXPECT_NE(stray[0].find("Wallpaper"), std::string::npos);
  EXPECT_NE(stray[1].find("Elsewhere"), std::string::npos);
}

}  // namespace
}  // namespace velqor::sweep
