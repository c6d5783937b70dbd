#include "popup/relay.h"

#include <memory>

#include "popup/ie_windows.h"

namespace velqor::popup {

namespace {

VariantList Copied(const VariantList& arguments, std::size_t count) {
  VariantList list;
  list.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    list.push_back(At(arguments, i));
  }
  return list;
}

VariantList RelayedList(std::int32_t code, const VariantList& arguments) {
  switch (code) {
    case kRelayNavigationBegin: {
      VariantList list = Copied(arguments, 6);
      // A copy of cancel's value: the browser's own argument is never handed on.
      list.emplace_back(ToBoolean(At(arguments, 6)));
      return list;
    }
    case kRelayNavigationComplete:
    case kRelayDocumentComplete:
    case kRelayCommandStateChange:
      return Copied(arguments, 2);
    case kRelayMouseDown:
    case kRelayMouseUp:
      return Copied(arguments, 4);
    default:
      return {};
  }
}

}  // namespace

void RelayIEEvent(PopupState& state, std::int32_t code, std::int32_t& handle,
                  const VariantList& arguments) noexcept {
  try {
    const VariantList list = RelayedList(code, arguments);
    // A counted reference for the length of the call: the tracker cannot go while it raises.
    const std::shared_ptr<cIEWindows> tracker = state.pIEWindows.lock();
    if (!tracker) {
      return;
    }
    tracker->RaiseIEEvent(code, handle, list);
  } catch (...) {
    // The relay drops what it cannot deliver; the sink goes on with its own work.
  }
}

}  // namespace velqor::popup
