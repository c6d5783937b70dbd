// The Changes window: the commands the journal recorded, newest first, the values each changed,
// and the undo and the .reg export of a chosen command.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/ui.h"

namespace velqor::journal {

class ChangesWindow {
 public:
  // `recorder` is the registry every command writes through; an undo made here is recorded by it,
  // and the window reads the journal it writes. Both must outlive the window. `changed` (may be
  // empty) runs after every undo made here, so that the program can update what depends on the
  // journal (the greyed state of "Undo last change").
  ChangesWindow(platform::Ui& ui, Recorder& recorder, std::function<void()> changed = {})
      : ui_(ui), recorder_(recorder), changed_(std::move(changed)) {}
  ChangesWindow(const ChangesWindow&) = delete;
  ChangesWindow& operator=(const ChangesWindow&) = delete;

  // Creates the window when it is not open, or reads the journal again when it is, and brings it
  // up.
  void Show();
  // Reads the journal again and shows it, keeping the selected command where it still exists.
  void Reload();
  // The window while it is open, otherwise null.
  platform::Window* window();

  // The handlers, as the controls call them.
  void lstCommands_Click();
  // Undoes the selected command through UndoWithChecks, then shows the journal with the undo.
  void cmdUndo_Click();
  // Saves the selected command's prior states as a .reg file the user chooses.
  void cmdExport_Click();

  // The controls of the open window.
  struct Controls {
    platform::ControlId lstCommands = platform::kNoControl;
    platform::ControlId lstValues = platform::kNoControl;
    platform::ControlId lblStatus = platform::kNoControl;
    platform::ControlId cmdUndo = platform::kNoControl;
    platform::ControlId cmdExport = platform::kNoControl;
    platform::ControlId cmdClose = platform::kNoControl;
  };
  const Controls& controls() const { return ids_; }

 private:
  void Load();
  // The command of the selected row; null when none is selected (the user is told).
  const Command* Selected();
  void Tell(const std::string& message, unsigned style);
  void Select(std::uint64_t sequence);

  platform::Ui& ui_;
  Recorder& recorder_;
  std::function<void()> changed_;
  std::unique_ptr<platform::Window> window_;
  Controls ids_;
  Contents contents_;
};

}  // namespace velqor::journal
