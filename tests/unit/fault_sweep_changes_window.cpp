// The fault sweep's commands of the Changes window: choosing a command, its undo and export, the
// window shown again (which reads the journal again), and the close. Each starts from an apply
// recorded before the fault, so that there is a command to act on.
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {

using platform::sim::HeadlessWindow;

namespace {

constexpr char kExport[] = "C:\\Users\\User\\before.reg";

// An apply recorded, then the window shown (or read again) with the newest command chosen.
void Applied(Env& env, bool select) {
  env.EnsureLoaded();
  Click(env, "XPButton1");
  env.Main().ChooseMenu("changes");
  if (select) {
    HeadlessWindow& w = env.Changes();
    w.SelectRow(w.Id("lstCommands"), 0);
  }
}

// The number of rows of a list of the Changes window.
int RowCount(Env& env, const char* list) {
  HeadlessWindow& w = env.Changes();
  return w.ItemCount(w.Id(list));
}

}  // namespace

std::vector<Command> ChangesWindowCommands() {
  const auto click = [](const char* control) {
    return [control](Env& env) { return env.Changes().ClickByName(control); };
  };
  return {
      {"lstCommands_Click",
       "lstCommands",
       {},
       [](Env& env) { Applied(env, false); },
       [](Env& env) {
         HeadlessWindow& w = env.Changes();
         return w.SelectRow(w.Id("lstCommands"), 0);
       },
       [](Env& env, std::size_t) {
         return Expect(RowCount(env, "lstValues") > 0, "the chosen command's values are not shown");
       }},
      {"cmdUndo_Click",
       "cmdUndo",
       {FaultKind::kRegistry, FaultKind::kJournal},
       [](Env& env) { Applied(env, true); },
       click("cmdUndo"),
       [](Env& env, std::size_t) { return LastCommandUndone(env); }},
      {"cmdExport_Click",
       "cmdExport",
       {FaultKind::kJournal},
       [](Env& env) {
         Applied(env, true);
         env.sim.ui.AnswerNextSaveAs(kExport);
       },
       click("cmdExport"),
       [](Env& env, std::size_t) {
         return Expect(env.sim.disk.File(kExport).value_or("").starts_with("REGEDIT4\r\n"),
                       "the export was not written");
       }},
      // Shown again while open (Tools > Changes...), the window reads the journal again.
      {"Show (read again)",
       "",
       {},
       [](Env& env) {
         Applied(env, false);
         Click(env, "XPButton2");  // a command the open window has not read yet
       },
       [](Env& env) { return env.Main().ChooseMenu("changes"); },
       [](Env& env, std::size_t) {
         journal::Contents contents;
         if (env.sim.journal.Load(contents) != platform::kSuccess) {
           return std::string("the journal cannot be read");
         }
         return Expect(RowCount(env, "lstCommands") == static_cast<int>(contents.commands.size()),
                       "the window does not show every command");
       }},
      {"cmdClose_Click",
       "cmdClose",
       {},
       [](Env& env) { Applied(env, false); },
       click("cmdClose"),
       [](Env& env, std::size_t) {
         return Expect(env.sim.ui.FindWindow("frmChanges") == nullptr, "the window is still open");
       }},
  };
}

}  // namespace velqor::sweep
