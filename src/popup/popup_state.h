// The program-wide state of the pop-up killer and what its sinks and tracker work with.
#pragma once

#include <memory>

namespace velqor::platform {
class BrowserShell;
class Input;
class Ui;
}  // namespace velqor::platform

namespace velqor::popup {

class cIEWindows;

// The three program-wide values shared by the switch, the rule, the sinks and the relay.
struct PopupState {
  // The switch: new windows are cancelled while true. False at every start.
  bool bKillerActive = false;
  // Cancel the next navigation or suppress the next context menu of any sink, whichever first.
  bool bCancelPending = false;
  // The relay target: the most recently created tracker. Weak, so the relay can tell when that
  // tracker is gone and never reaches it afterwards.
  std::weak_ptr<cIEWindows> pIEWindows;

  // Back to the state of a fresh start (for tests that reuse one context).
  void Reset() { *this = PopupState{}; }
};

// What the tracker and every sink work with. Shared by all of them, so it stays valid for as
// long as any of them exists, whatever order their owners go in.
struct PopupContext {
  PopupContext(platform::BrowserShell& shell_in, platform::Input& input_in, platform::Ui& ui_in)
      : shell(shell_in), input(input_in), ui(ui_in) {}

  platform::BrowserShell& shell;
  platform::Input& input;
  platform::Ui& ui;  // DoEvents while waiting, and the dispatcher for shell event failures
  PopupState state;
  // A failure in a shell event's handler has been shown: later ones are not.
  bool event_failure_told = false;
};

}  // namespace velqor::popup
