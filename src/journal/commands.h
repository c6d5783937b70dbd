// The program's commands as the journal sees them: each handler the user starts runs as one
// recorded command, and an undo asks about values changed since and reports what it could not do.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/ui.h"

namespace velqor::journal {

// What the user is told, once per run in a message box and in the Changes window, when the
// journal cannot be written (that changes are not recorded, and which file and why), or else when
// a change went ahead unrecorded as its state before could not be read (which value and why).
std::string NotRecordingText(Recorder& recorder);

// Runs the program's commands through the recorder. Install() makes it the ui's command runner,
// so every window's handlers run through it.
class Commands {
 public:
  // Both must outlive it.
  Commands(Recorder& recorder, platform::Ui& ui) : recorder_(recorder), ui_(ui) {}
  Commands(const Commands&) = delete;
  Commands& operator=(const Commands&) = delete;

  // Makes this the command runner of the ui.
  void Install();
  // Runs `handler` as one command named `name`, then tells the user, once per run, when the
  // journal stopped recording, and calls the after-command listener. The handler's failures
  // pass through to the dispatcher.
  void Run(std::string_view name, const platform::Handler& handler);
  // Called after every command, failed ones too (the main window greys Undo last change with
  // it); an empty function removes it.
  void SetAfterCommand(std::function<void()> listener) { after_ = std::move(listener); }

  Recorder& recorder() { return recorder_; }
  platform::Ui& ui() { return ui_; }

  // The newest command that an undo can take, read from the journal: nothing when there is none
  // or the journal cannot be read.
  std::optional<Command> LastUndoable();
  // Whether LastUndoable has a command, without reading the journal unless another copy (or a
  // hand) changed it: cheap enough to ask after every command.
  bool CanUndo() { return recorder_.journal().LastUndoable().has_value(); }
  // Tools > Undo last change: UndoWithChecks of LastUndoable; nothing when there is none.
  void UndoLastChange();

 private:
  void AfterCommand();

  Recorder& recorder_;
  platform::Ui& ui_;
  std::function<void()> after_;
  int depth_ = 0;  // commands running, nested ones included
};

}  // namespace velqor::journal
