// The fault sweep's commands of the startup manager: its handlers, fills and close.
#include <cstddef>
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {

using platform::sim::HeadlessWindow;

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
       {FaultKind::kRegistry, FaultKind::kScriptHost, FaultKind::kJournal},
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

}  // namespace velqor::sweep
