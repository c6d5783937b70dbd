// RelayIEEvent: how a sink hands one of its events to the tracker that is the relay target.
#pragma once

#include <cstdint>

#include "popup/popup_state.h"
#include "popup/variant_convert.h"

namespace velqor::popup {

// Relay codes, one per relayed sink event.
inline constexpr std::int32_t kRelayNavigationBegin = 1;
inline constexpr std::int32_t kRelayNavigationComplete = 2;
inline constexpr std::int32_t kRelayDownloadBegin = 3;
inline constexpr std::int32_t kRelayDownloadComplete = 4;
inline constexpr std::int32_t kRelayDocumentComplete = 5;
inline constexpr std::int32_t kRelayMouseDown = 6;
inline constexpr std::int32_t kRelayMouseUp = 7;
inline constexpr std::int32_t kRelayContextMenu = 8;
inline constexpr std::int32_t kRelayCommandStateChange = 9;

// Builds the list the tracker gets (code 1: seven entries, the seventh as a Boolean copy;
// codes 2, 5, 9: two; 6, 7: four; others: none) and hands it to the live relay target's
// RaiseIEEvent. Every failure is ignored, a missing or destroyed tracker included: the event is
// then dropped. Never throws.
void RelayIEEvent(PopupState& state, std::int32_t code, std::int32_t& handle,
                  const VariantList& arguments) noexcept;

}  // namespace velqor::popup
