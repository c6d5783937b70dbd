#include "popup/killer_switch.h"

#include <string>

namespace velqor::popup {

void KillerSwitch::chkPopupKillerActivate_Click(platform::Window& window,
                                                platform::ControlId check_box) {
  if (putting_back_) {
    return;
  }
  const bool on = window.Value(check_box) == 1;
  try {
    // The store is written before the flag changes: a failed write leaves the killer as it was.
    settings_.SaveSetting(platform::kProgramTitle, kSettingsSection, kSettingsKey, on ? "1" : "0");
  } catch (const platform::Failure& failure) {
    putting_back_ = true;
    try {
      window.SetValue(check_box, state_.bKillerActive ? 1 : 0);
    } catch (...) {
      putting_back_ = false;
      throw;
    }
    putting_back_ = false;
    throw platform::Failure(failure.domain(), failure.status(),
                            std::string("The pop-up killer could not be switched ") +
                                (on ? "on" : "off") + ": " + failure.what());
  }
  state_.bKillerActive = on;
}

}  // namespace velqor::popup
