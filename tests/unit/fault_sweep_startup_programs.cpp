// The fault sweep's commands of the startup programs window: each button and its menu entry, the
// list's selection, and the close.
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {

using platform::sim::HeadlessWindow;

namespace {

constexpr char kUserApp[] = "UserApp";
constexpr char kShortcut[] = "App.lnk";

// The shown cells of the row whose name is `name`; empty when it is not listed.
std::vector<std::string> RowNamed(Env& env, const std::string& name) {
  HeadlessWindow& w = env.Programs();
  const platform::ControlId list = w.Id("lvwEntries");
  for (int row = 0; row < w.ItemCount(list); ++row) {
    const platform::Row shown = w.RowAt(list, row);
    if (shown.cells[0] == name) return shown.cells;
  }
  return {};
}

// Opens the window (listing afresh) and selects the entry's row.
void Select(Env& env, const std::string& name) {
  env.EnsureStartupPrograms();
  env.form->startup_programs()->Refresh();
  HeadlessWindow& w = env.Programs();
  const platform::ControlId list = w.Id("lvwEntries");
  for (int row = 0; row < w.ItemCount(list); ++row) {
    if (w.RowAt(list, row).cells[0] == name) w.SelectRow(list, row);
  }
}

Works StatusIs(const char* name, const char* status) {
  return [name, status](Env& env, std::size_t) {
    const std::vector<std::string> row = RowNamed(env, name);
    return Expect(row.size() == 4 && row[3] == status, std::string(name) + " is not " + status);
  };
}

}  // namespace

std::vector<Command> StartupProgramsCommands() {
  const std::set<FaultKind> changes = {FaultKind::kStartupPlaces, FaultKind::kJournal};
  const auto press = [](const char* control) {
    return [control](Env& env) {
      HeadlessWindow& w = env.Programs();
      return control[0] == 'c' ? w.ClickByName(control) : w.ChooseMenu(control);
    };
  };
  const auto select_user_app = [](Env& env) { Select(env, kUserApp); };
  // Disable is greyed for a disabled entry: the attempt after the fault starts from an enabled one.
  const auto enabled = [](startup::LocationId location, const char* name) {
    return [location, name](Env& env) {
      env.EnsureStartupPrograms();
      startup::StartupPlatform parts{env.sim.wide_registry, env.sim.startup_folders,
                                     env.sim.system};
      startup::Act(parts, startup::Action::kEnable, location,
                   std::u16string(name, name + std::char_traits<char>::length(name)));
      Select(env, name);
    };
  };
  const auto disabled_user_app = [](Env& env) {
    Env::SeedStartupPrograms(env.sim);
    env.EnsureStartupPrograms();
    startup::StartupPlatform parts{env.sim.wide_registry, env.sim.startup_folders, env.sim.system};
    startup::Act(parts, startup::Action::kDisable, startup::LocationId::kUserRun, u"UserApp");
    Select(env, kUserApp);
  };
  const auto to_delete = [](const char* name) {
    return [name](Env& env) {
      Env::SeedStartupPrograms(env.sim);
      Select(env, name);
      env.sim.ui.AnswerNextMessageBox(platform::kIdYes);
    };
  };
  const auto gone = [](const char* name) {
    return [name](Env& env, std::size_t) {
      return Expect(RowNamed(env, name).empty(), std::string(name) + " is still listed");
    };
  };
  const auto opened = [](Env& env, std::size_t) {
    const auto started = env.sim.launcher.StartedCommands();
    return Expect(!started.empty() && started.back() == "explorer /select,\"C:\\Windows\\app.exe\"",
                  "Explorer was not started with the program selected");
  };
  const auto listed = [](Env& env, std::size_t) {
    return Expect(RowNamed(env, kUserApp).size() == 4 && RowNamed(env, "MachineApp").size() == 4 &&
                      RowNamed(env, kShortcut).size() == 4,
                  "not every entry is listed");
  };

  std::vector<Command> commands;
  for (const char* control : {"cmdDisable", "mnuDisable"}) {
    commands.push_back({std::string(control) + " (per-user Run value)", control, changes,
                        enabled(startup::LocationId::kUserRun, kUserApp), press(control),
                        StatusIs(kUserApp, "Disabled")});
  }
  commands.push_back({"cmdDisable (all users' Run value)", "", changes,
                      enabled(startup::LocationId::kMachineRun, "MachineApp"), press("cmdDisable"),
                      StatusIs("MachineApp", "Disabled")});
  for (const char* control : {"cmdEnable", "mnuEnable"}) {
    commands.push_back({std::string(control) + " (per-user Run value)", control, changes,
                        disabled_user_app, press(control), StatusIs(kUserApp, "Enabled")});
  }
  for (const char* control : {"cmdDelete", "mnuDelete"}) {
    commands.push_back({std::string(control) + " (per-user Run value)", control, changes,
                        to_delete(kUserApp), press(control), gone(kUserApp)});
  }
  commands.push_back({"cmdDelete (shortcut)",
                      "",
                      {FaultKind::kStartupPlaces, FaultKind::kFolderMissing, FaultKind::kJournal},
                      to_delete(kShortcut),
                      press("cmdDelete"),
                      gone(kShortcut)});
  for (const char* control : {"cmdOpen", "mnuOpen"}) {
    commands.push_back(
        {std::string(control), control, {}, select_user_app, press(control), opened});
  }
  for (const char* control : {"cmdRefresh", "mnuRefresh"}) {
    commands.push_back(
        {std::string(control), control, {}, select_user_app, press(control), listed});
  }
  commands.push_back({"lvwEntries (selecting an enabled entry)",
                      "lvwEntries",
                      {},
                      [](Env& env) { Select(env, "MachineApp"); },
                      [](Env& env) {
                        HeadlessWindow& w = env.Programs();
                        const platform::ControlId list = w.Id("lvwEntries");
                        for (int row = 0; row < w.ItemCount(list); ++row) {
                          if (w.RowAt(list, row).cells[0] == kUserApp)
                            return w.SelectRow(list, row);
                        }
                        return false;
                      },
                      [](Env& env, std::size_t) {
                        HeadlessWindow& w = env.Programs();
                        return Expect(w.IsEnabled(w.Id("cmdDisable")) &&
                                          !w.IsEnabled(w.Id("cmdEnable")) &&
                                          !w.IsMenuEntryEnabled("mnuEnable"),
                                      "Enable is not greyed alone for an enabled entry");
                      }});
  commands.push_back({"Close box",
                      "",
                      {},
                      [](Env& env) { env.EnsureStartupPrograms(); },
                      [](Env& env) { return env.Programs().RequestClose(); },
                      [](Env& env, std::size_t) {
                        return Expect(env.sim.ui.FindWindow("frmStartupPrograms") == nullptr,
                                      "the window is still open");
                      }});
  return commands;
}

}  // namespace velqor::sweep
