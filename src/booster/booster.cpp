#include "booster/booster.h"

#include <memory>
#include <string>
#include <utility>

namespace velqor::booster {

void WriteStep(registry::RegistryAccess& access, const RegistryStep& step) {
  if (step.op == StepOp::kCreateKey) {
    access.CreateNewKey(step.key, step.root);
  } else if (step.root == platform::kHkeyLocalMachine) {
    // The two handle-based writers differ only in their root.
    access.SetKeyValue(step.key, step.name, step.data, step.type);
  } else {
    access.SetKeyValuee(step.key, step.name, step.data, step.type);
  }
}

// What could not be loaded of an icon: told to the user once the command has run to its end,
// however it ends. An icon is a sign of the state, not the state: the command never stops for it.
class InternetBooster::IconNote {
 public:
  explicit IconNote(platform::Ui& ui) : ui_(ui) {}
  IconNote(const IconNote&) = delete;
  IconNote& operator=(const IconNote&) = delete;
  ~IconNote() {
    if (text_.empty()) {
      return;
    }
    try {
      (void)ui_.MessageBox(text_, platform::kProgramTitle,
                           platform::kMbOk | platform::kMbIconExclamation);
    } catch (...) {
      // Nothing left to tell the user with; the command has done its work regardless.
    }
  }
  void Note(std::string text) { text_ = std::move(text); }

 private:
  platform::Ui& ui_;
  std::string text_;
};

InternetBooster::InternetBooster(platform::Registry& registry, platform::ScriptHost& host,
                                 platform::Ui& ui)
    : access_(registry), host_(host), ui_(ui) {}

void InternetBooster::Boost(platform::Window& window, platform::ControlId boost_button,
                            platform::ControlId restore_button) {
  IconNote icon_note(ui_);
  window.SetCaption(kBoostedCaption);
  ShowIcon(window, kBoostedIcon, icon_note);
  window.Repaint();
  window.SetEnabled(restore_button, true);
  window.SetEnabled(boost_button, false);
  window.SetFocus(restore_button);
  for (const BoostStep& step : BoostSteps()) {
    WriteStep(access_, step);
  }
}

void InternetBooster::Restore(platform::Window& window, platform::ControlId boost_button,
                              platform::ControlId restore_button,
                              const std::function<void()>& before_writes) {
  if (ui_.MessageBox(kRestorePrompt, kRestoreTitle, platform::kMbYesNo) != platform::kIdYes) {
    return;
  }
  if (before_writes) {
    before_writes();
  }
  IconNote icon_note(ui_);
  window.SetCaption(kRestoredCaption);
  ShowIcon(window, kRestoredIcon, icon_note);
  window.SetEnabled(restore_button, false);
  window.SetEnabled(boost_button, true);
  // Not left to the tab order, which would give it to the first tweak box: Space there writes.
  window.SetFocus(boost_button);
  const std::unique_ptr<platform::ScriptShell> shell = host_.CreateShell();
  for (const UndoStep& step : UndoSteps()) {
    RunUndoStep(*shell, step);
  }
  RunUndoStep(*shell, SyncModeStep());
}

void InternetBooster::ExitRestore() {
  const std::unique_ptr<platform::ScriptShell> shell = host_.CreateShell();
  RunUndoStep(*shell, SyncModeStep());
  for (const UndoStep& step : UndoSteps()) {
    RunUndoStep(*shell, step);
  }
}

void InternetBooster::ShowIcon(platform::Window& window, std::string_view file,
                               IconNote& note) const {
  try {
    window.SetIcon(ui_.ProgramFolder() + std::string(file));
  } catch (const platform::Failure& failure) {
    note.Note(failure.what());
  }
}

void InternetBooster::RunUndoStep(platform::ScriptShell& shell, const UndoStep& step) {
  // A value that is already gone (or may not be deleted) is skipped; the next step still runs.
  platform::Guarded([&] {
    if (step.op == StepOp::kDeleteValue) {
      shell.RegDelete(FullPathOf(step));
    } else {
      WriteStep(access_, step);
    }
  });
}

}  // namespace velqor::booster
