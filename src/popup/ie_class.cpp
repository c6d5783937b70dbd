#include "popup/ie_class.h"

#include <utility>

#include "platform/input.h"
#include "popup/new_window_rule.h"
#include "popup/relay.h"

namespace velqor::popup {

using platform::Guarded;
using platform::Variant;

IE_Class::IE_Class(std::shared_ptr<PopupContext> context) : context_(std::move(context)) {}

IE_Class::~IE_Class() {
  // Ending the subscriptions first means no event can arrive while the rest goes.
  IEEvents_.reset();
  IEDocEvents_.reset();
}

void IE_Class::put_IEctl(platform::BrowserRef browser) {
  PopupState& state = context_->state;
  IEEvents_.reset();
  IEDocEvents_.reset();
  IEDoc_.reset();
  IE_ = std::move(browser);
  if (!IE_) {
    return;
  }
  // The browser's events first: from here on its handlers can run, also inside the calls below.
  Guarded([&] { IEEvents_ = IE_->Subscribe(*this); });
  // The window handle, the key the tracker and the relayed events know the browser by.
  Guarded([&] { hWndIE_ = IE_->GetHWND(); });
  // The document's events; a folder view has no HTML document and so gives none.
  Guarded([&] {
    IEDoc_ = IE_->Document();
    if (IEDoc_) {
      IEDocEvents_ = IEDoc_->Subscribe(*this);
    }
  });
  // The forward probe: whether the browser can go forward. Its navigation is cancelled by
  // BeforeNavigate2 through the pending cancel. A browser without forward history refuses, and
  // nothing is left pending.
  state.bCancelPending = true;
  const bool went_forward = Guarded([&] { IE_->GoForward(); });
  if (!went_forward) {
    EnableForward_ = false;
    state.bCancelPending = false;
    return;
  }
  // End whatever download the probe began.
  Guarded([&] {
    IE_->ExecWB(platform::kOleCmdIdStopDownload, platform::kOleCmdExecOptDontPromptUser);
  });
}

void IE_Class::Relay(std::int32_t code, const VariantList& arguments) {
  RelayIEEvent(context_->state, code, hWndIE_, arguments);
}

void IE_Class::BeforeNavigate2(const platform::NavigateArgs& args, bool* cancel) {
  // A listener of the relayed event may rebuild the tracked set and release this sink before the
  // relay returns: nothing of the sink is touched after it, only the shared context.
  const std::shared_ptr<PopupContext> context = context_;
  Relay(kRelayNavigationBegin,
        {args.browser, args.url, args.flags, args.target_frame_name, args.post_data, args.headers,
         cancel != nullptr ? Variant(*cancel) : Variant()});
  // Without a cancel to write, the pending cancel is kept for a navigation that can be stopped.
  PopupState& state = context->state;
  if (cancel != nullptr && state.bCancelPending) {
    *cancel = true;
    state.bCancelPending = false;
  }
}

void IE_Class::NavigateComplete2(const Variant& browser, const Variant& url) {
  Relay(kRelayNavigationComplete, {browser, url});
}

void IE_Class::DocumentComplete(const Variant& browser, const Variant& url) {
  // Only the top-level document: a frame's completion names the frame's own browser object.
  if (platform::IsSameBrowser(browser, IE_.get())) {
    Relay(kRelayDocumentComplete, {browser, url});
  }
}

void IE_Class::DownloadBegin() {
  Relay(kRelayDownloadBegin, {});
}

void IE_Class::DownloadComplete() {
  Relay(kRelayDownloadComplete, {});
}

void IE_Class::CommandStateChange(const Variant& command, const Variant& enable) {
  // An argument that is missing or not a number or flag changes no state; the event is still
  // relayed as it came.
  std::int32_t number = 0;
  bool on = false;
  const bool readable = !std::holds_alternative<std::monostate>(command) &&
                        !std::holds_alternative<std::monostate>(enable) && Guarded([&] {
                          number = ToLong(command);
                          on = ToBoolean(enable);
                        });
  if (readable && number == platform::kCscNavigateForward) {
    EnableForward_ = on;
  } else if (readable && number == platform::kCscNavigateBack) {
    EnableBack_ = on;
  }
  Relay(kRelayCommandStateChange, {command, enable});
}

void IE_Class::NewWindow2(bool* cancel) {
  // A request that cannot be cancelled is left alone: no beep for a window that opens anyway.
  if (cancel != nullptr) {
    ApplyNewWindowRule(context_->input, context_->state, *cancel);
  }
}

bool IE_Class::oncontextmenu() {
  const std::shared_ptr<PopupContext> context = context_;  // as in BeforeNavigate2
  Relay(kRelayContextMenu, {});
  PopupState& state = context->state;
  const bool show = !state.bCancelPending;
  state.bCancelPending = false;
  return show;
}

platform::Point IE_Class::CursorInClient() {
  platform::Input& input = context_->input;
  return input.ScreenToClient(hWndIE_, input.GetCursorPos());
}

std::int16_t IE_Class::ShiftState() {
  platform::Input& input = context_->input;
  // Each later key replaces the earlier: Alt wins over Control, Control over Shift.
  std::int16_t shift = 0;
  if (input.GetAsyncKeyState(platform::kVkShift) != 0) {
    shift = 1;
  }
  if (input.GetAsyncKeyState(platform::kVkControl) != 0) {
    shift = 2;
  }
  if (input.GetAsyncKeyState(platform::kVkMenu) != 0) {
    shift = 4;
  }
  return shift;
}

void IE_Class::RelayMouse(std::int32_t code, platform::Point client, std::int16_t button) {
  const std::int16_t shift = ShiftState();
  Relay(code, {Variant(button), Variant(shift), Variant(static_cast<float>(client.x)),
               Variant(static_cast<float>(client.y))});
}

void IE_Class::onmousedown() {
  const platform::Point client = CursorInClient();
  std::int16_t button = 2;  // middle and right alike
  if (context_->input.GetAsyncKeyState(platform::kVkLButton) < 0) {
    button = 1;
    bLeftDown_ = true;
  } else {
    bRightDown_ = true;
  }
  RelayMouse(kRelayMouseDown, client, button);
}

void IE_Class::onmouseup() {
  const platform::Point client = CursorInClient();
  // The button comes from what the last mouse-down saw, not from the key state.
  std::int16_t button = 2;
  if (bLeftDown_) {
    button = 1;
    bLeftDown_ = false;
  } else {
    bRightDown_ = false;
  }
  RelayMouse(kRelayMouseUp, client, button);
}

}  // namespace velqor::popup
