// The fault sweep's commands of the main window: its handlers, menu entries and close.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {
namespace {

using platform::sim::HeadlessWindow;

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

}  // namespace

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
       {FaultKind::kRegistry, FaultKind::kScriptHost, FaultKind::kJournal},
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
       {FaultKind::kIcon, FaultKind::kJournal},
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
       {FaultKind::kScriptHost, FaultKind::kIcon, FaultKind::kJournal},
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
       {FaultKind::kRegistry, FaultKind::kScriptHost, FaultKind::kJournal},
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
      // The apply before it is what there is to undo; values it left absent are absent again.
      {"undo_Click",
       "undo",
       {FaultKind::kRegistry, FaultKind::kJournal},
       [](Env& env) {
         env.EnsureLoaded();
         Click(env, "XPButton1");
       },
       [](Env& env) { return env.Main().ChooseMenu("undo"); },
       [](Env& env, std::size_t) { return LastCommandUndone(env); }},
      {"changes_Click",
       "changes",
       {},
       loaded,
       [](Env& env) { return env.Main().ChooseMenu("changes"); },
       [](Env& env, std::size_t) {
         return Expect(env.sim.ui.FindWindow("frmChanges") != nullptr,
                       "the Changes window is not open");
       }},
      {"settings_Click",
       "settings",
       {},
       loaded,
       [](Env& env) { return env.Main().ChooseMenu("settings"); },
       [](Env& env, std::size_t) {
         return Expect(env.sim.ui.FindWindow("frmCurrentSettings") != nullptr,
                       "the Current settings window is not open");
       }},
      {"stp_Click",
       "stp",
       {},
       [](Env& env) { env.EnsureLoaded(); },
       [](Env& env) { return env.Main().ChooseMenu("stp"); },
       [](Env& env, std::size_t) {
         return Expect(env.sim.ui.FindWindow("frmStartupPrograms") != nullptr,
                       "the startup programs window is not open");
       }},
      {"Form_QueryUnload (close box)",
       "",
       {FaultKind::kScriptHost, FaultKind::kJournal},
       closing,
       [](Env& env) { return env.Main().RequestClose(); },
       closed_with_restore},
      // A second Exit cannot come through the menu once the program has been told to end.
      {"ex_Click",
       "ex",
       {FaultKind::kScriptHost, FaultKind::kJournal},
       closing,
       [](Env& env) {
         return env.sim.ui.quit_requested() ? Dispatch(env, [&env] { env.form->ex_Click(); })
                                            : env.Main().ChooseMenu("ex");
       },
       closed_with_restore},
  };
}

}  // namespace velqor::sweep
