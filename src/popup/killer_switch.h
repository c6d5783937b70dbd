// The pop-up killer switch: the check box that turns the killer on and off and records it.
#pragma once

#include <string_view>

#include "platform/settings.h"
#include "platform/ui.h"
#include "popup/popup_state.h"

namespace velqor::popup {

// Where the choice is recorded (under the program's title as the application name).
inline constexpr std::string_view kSettingsSection = "PopupKiller";
inline constexpr std::string_view kSettingsKey = "IsActive";

class KillerSwitch {
 public:
  KillerSwitch(platform::SettingsStore& settings, PopupState& state)
      : settings_(settings), state_(state) {}

  // chkPopupKillerActivate_Click: value 1 stores "1" then turns the killer on, any other value
  // stores "0" then turns it off. When the store cannot be written the killer keeps its state,
  // the box is put back to match it, and the Failure is raised for the dispatcher to show.
  void chkPopupKillerActivate_Click(platform::Window& window, platform::ControlId check_box);

 private:
  platform::SettingsStore& settings_;
  PopupState& state_;
  bool putting_back_ = false;  // the click that putting the box back fires does nothing
};

}  // namespace velqor::popup
