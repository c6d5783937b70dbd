// The pop-up rule: whether a tracked browser may open the new window it asks for.
#pragma once

#include "platform/input.h"
#include "popup/popup_state.h"

namespace velqor::popup {

// The beep that marks a blocked window.
inline constexpr unsigned kBlockedBeepHz = 950;
inline constexpr unsigned kBlockedBeepMs = 150;

// Decides one NewWindow2 request. Control down now or pressed since the last query lets the
// window open; otherwise, with the killer on, beeps and sets cancel. Cancel is only ever set to
// true, never cleared. Cannot fail.
void ApplyNewWindowRule(platform::Input& input, const PopupState& state, bool& cancel);

}  // namespace velqor::popup
