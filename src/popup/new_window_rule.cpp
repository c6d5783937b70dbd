#include "popup/new_window_rule.h"

namespace velqor::popup {

void ApplyNewWindowRule(platform::Input& input, const PopupState& state, bool& cancel) {
  // Queried first and always, so that the key's "pressed since" latch is consumed alike whether
  // the killer is on or off.
  if (input.GetAsyncKeyState(platform::kVkControl) != 0) {
    return;
  }
  if (state.bKillerActive) {
    input.Beep(kBlockedBeepHz, kBlockedBeepMs);  // whether a sound played is not looked at
    cancel = true;
  }
}

}  // namespace velqor::popup
