#include "booster/booster.h"

#include <memory>
#include <string>

namespace velqor::booster {

InternetBooster::InternetBooster(platform::Registry& registry, platform::ScriptHost& host,
                                 platform::Ui& ui)
    : access_(registry), host_(host), ui_(ui) {}

void InternetBooster::Boost(platform::Window& window, platform::ControlId boost_button,
                            platform::ControlId restore_button) {
  window.SetCaption(kBoostedCaption);
  ShowIcon(window, kBoostedIcon);
  window.Repaint();
  window.SetEnabled(restore_button, true);
  window.SetEnabled(boost_button, false);
  for (const BoostStep& step : BoostSteps()) {
    switch (step.op) {
      case BoostOp::kCreateNewKey:
        access_.CreateNewKey(step.key, platform::kHkeyLocalMachine);
        break;
      case BoostOp::kSetKeyValue:
        access_.SetKeyValue(step.key, step.name, step.data, step.type);
        break;
      case BoostOp::kSetKeyValuee:
        access_.SetKeyValuee(step.key, step.name, step.data, step.type);
        break;
    }
  }
}

void InternetBooster::Restore(platform::Window& window, platform::ControlId boost_button,
                              platform::ControlId restore_button) {
  if (ui_.MessageBox(kRestorePrompt, kRestoreTitle, platform::kMbYesNo) != platform::kIdYes) {
    return;
  }
  window.SetCaption(kRestoredCaption);
  ShowIcon(window, kRestoredIcon);
  window.SetEnabled(restore_button, false);
  window.SetEnabled(boost_button, true);
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

void InternetBooster::ShowIcon(platform::Window& window, std::string_view file) const {
  // Not guarded: a file that will not load ends the command here, after the caption and before
  // the buttons and the registry change, and the dispatcher tells the user which file it was.
  window.SetIcon(ui_.ProgramFolder() + std::string(file));
}

void InternetBooster::RunUndoStep(platform::ScriptShell& shell, const UndoStep& step) {
  // A value that is already gone (or may not be deleted) is skipped; the next step still runs.
  platform::Guarded([&] {
    switch (step.op) {
      case UndoOp::kRegDelete:
        shell.RegDelete(step.target);
        break;
      case UndoOp::kSetKeyValuee:
        access_.SetKeyValuee(kUserInternetSettings, step.target, step.data, step.type);
        break;
    }
  });
}

}  // namespace velqor::booster
