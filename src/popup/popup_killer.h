// The pop-up killer as the main window uses it: the tracker for Form_Load and the handler of
// the switch's check box.
//
// Form1 keeps one PopupKiller, built from the program's Platform, and the tracker in its member
// `std::shared_ptr<popup::cIEWindows> IEWin`:
//
//   Form_Load, step 4:            popup_killer_.CreateTracker(IEWin);
//   chkPopupKillerActivate click: popup_killer_.chkPopupKillerActivate_Click(*window_, chk_id);
//
// Both run inside the dispatcher, which shows the Failure either may raise. The members may go in
// any order: the tracker and its sinks share what they need with the PopupKiller.
#pragma once

#include <memory>
#include <string_view>

#include "platform/platform.h"
#include "platform/ui.h"
#include "popup/ie_windows.h"
#include "popup/killer_switch.h"
#include "popup/popup_state.h"

namespace velqor::popup {

// Captions of the frame and the check box that hold the switch.
inline constexpr std::string_view kFrame1Caption = "Advanced option";
inline constexpr std::string_view kChkPopupKillerActivateCaption =
    "Do you wish to keep the ultimate popup blocker option 'ON' ?";

// The start of the message shown when the tracker cannot follow the shell's windows.
inline constexpr std::string_view kCannotWatchMessage =
    "The pop-up killer cannot watch browser windows on this system: ";

class PopupKiller {
 public:
  // Keeps references to the platform's browser shell, input, settings store and Ui, which must
  // outlive every tracker made here.
  explicit PopupKiller(const platform::Platform& platform);

  // Creates a new tracker into IEWin (Form_Load step 4): it becomes the relay target and
  // rebuilds. When that first rebuild fails (as where the shell window list has no window
  // events), the tracker stays in IEWin and a Failure "The pop-up killer cannot watch browser
  // windows on this system: <reason>." is raised once, for the dispatcher; the program runs on
  // and the switch still works for the windows that could be attached.
  void CreateTracker(std::shared_ptr<cIEWindows>& IEWin);

  // The check box's click handler (chkPopupKillerActivate_Click); see KillerSwitch.
  void chkPopupKillerActivate_Click(platform::Window& window, platform::ControlId check_box);

  // bKillerActive, bCancelPending and pIEWindows.
  PopupState& state() { return context_->state; }
  const std::shared_ptr<PopupContext>& context() const { return context_; }

 private:
  std::shared_ptr<PopupContext> context_;
  KillerSwitch switch_;
};

}  // namespace velqor::popup
