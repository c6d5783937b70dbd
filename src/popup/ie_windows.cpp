#include "popup/ie_windows.h"

#include <exception>
#include <string>
#include <utility>

#include "platform/ui.h"
#include "popup/relay.h"

namespace velqor::popup {

using platform::BrowserRef;

cIEWindows::cIEWindows(std::shared_ptr<PopupContext> context)
    : context_(std::move(context)), colIE_(std::make_shared<IECollection>()) {}

void cIEWindows::Create(std::shared_ptr<PopupContext> context, std::shared_ptr<cIEWindows>& into) {
  PopupContext& ctx = *context;
  into = std::shared_ptr<cIEWindows>(new cIEWindows(std::move(context)));
  ctx.state.pIEWindows = into;
  const std::shared_ptr<cIEWindows> self = into;  // in case a nested event replaces `into`
  self->RefreshIE();
}

cIEWindows::~cIEWindows() {
  // The shell's window events end first: one arriving while the sinks detach would find the
  // tracker half gone.
  winShellEvents_.reset();
  colIE_.reset();  // every sink detaches
  winShell_.reset();
}

void cIEWindows::RefreshIE() {
  const auto self = shared_from_this();
  bBusy_ = true;
  ++rebuilds_under_way_;
  // Cleared on every way out, so that a failed rebuild never leaves a wait spinning.
  struct Done {
    cIEWindows& t;
    ~Done() {
      --t.rebuilds_under_way_;
      t.bBusy_ = false;
    }
  } done{*this};

  colIE_ = std::make_shared<IECollection>();  // the previous sinks detach here
  std::unique_ptr<platform::ShellWindowList> shell = context_->shell.CreateShellWindows();
  // A rebuild nested inside this enumeration replaces colIE_; AddIE then goes on adding to the
  // inner rebuild's collection, where windows already present are dropped as duplicates.
  shell->ForEachItem([this](const BrowserRef& item) { AddIE(item); });
  platform::ConnectionPtr events = shell->Subscribe(*this);
  // The new subscription is made before the previous one ends, so no window event is missed.
  winShellEvents_ = std::move(events);
  winShell_ = std::move(shell);
}

std::shared_ptr<IE_Class> cIEWindows::AddIE(const BrowserRef& browser) {
  auto sink = std::make_shared<IE_Class>(context_);
  sink->put_IEctl(browser);
  // The collection as it is after the attach: a rebuild may have run inside it.
  const std::shared_ptr<IECollection> collection = colIE_;
  collection->Add(sink, std::to_string(sink->IEHandle()));
  return sink;
}

void cIEWindows::WaitWhileBusy() {
  while (bBusy_) {
    context_->ui.DoEvents();
    // bBusy is only ever set by a rebuild on this thread's stack, below this call. That rebuild
    // cannot end before this returns, so waiting longer would wait for ever.
    if (bBusy_ && rebuilds_under_way_ > 0) {
      return;
    }
  }
}

std::shared_ptr<IE_Class> cIEWindows::IE(const Variant& Index) {
  WaitWhileBusy();
  if (const auto* key = std::get_if<std::string>(&Index)) {
    return colIE_->ByKey(*key);
  }
  if (std::holds_alternative<std::int32_t>(Index) || std::holds_alternative<std::int16_t>(Index) ||
      std::holds_alternative<float>(Index)) {
    return colIE_->ByPosition(ToLong(Index));
  }
  throw platform::MakeFailure(platform::ErrorDomain::kAutomation, kInvalidProcedureCall, "");
}

Variant cIEWindows::RaiseIEEvent(std::int32_t code, std::int32_t handle,
                                 const VariantList& arguments) {
  const auto self = shared_from_this();  // a listener may drop the last other reference
  switch (code) {
    case kRelayNavigationBegin: {
      const BrowserRef frame = AsObject(At(arguments, 0));
      bool cancel = ToBoolean(At(arguments, 6));
      IENavigationBegin.Raise(handle, frame, At(arguments, 1), At(arguments, 2), At(arguments, 3),
                              At(arguments, 4), At(arguments, 5), cancel);
      break;
    }
    case kRelayNavigationComplete:
      IENavigationComplete.Raise(handle, AsObject(At(arguments, 0)), At(arguments, 1));
      break;
    case kRelayDownloadBegin:
      IEDownloadBegin.Raise(handle);
      break;
    case kRelayDownloadComplete:
      IEDownloadComplete.Raise(handle);
      break;
    case kRelayDocumentComplete:
      IEDocumentComplete.Raise(handle, AsObject(At(arguments, 0)), At(arguments, 1));
      break;
    case kRelayMouseDown:
    case kRelayMouseUp: {
      const std::int16_t button = ToInteger(At(arguments, 0));
      const std::int16_t shift = ToInteger(At(arguments, 1));
      const float x = ToSingle(At(arguments, 2));
      const float y = ToSingle(At(arguments, 3));
      (code == kRelayMouseDown ? IEMouseDown : IEMouseUp).Raise(handle, button, shift, x, y);
      break;
    }
    case kRelayContextMenu:
      IEOnContextMenu.Raise(handle);
      break;
    case kRelayCommandStateChange: {
      const std::int32_t command = ToLong(At(arguments, 0));
      bool enable = ToBoolean(At(arguments, 1));
      IECommandStateChange.Raise(handle, command, enable);
      break;
    }
    default:
      break;
  }
  return {};
}

void cIEWindows::WindowRegistered(std::int32_t cookie) {
  winShell_WindowRegistered(cookie);
}

void cIEWindows::WindowRevoked(std::int32_t cookie) {
  winShell_WindowRevoked(cookie);
}

void cIEWindows::winShell_WindowRegistered(std::int32_t /*cookie*/) {
  const auto self = shared_from_this();
  HandleShellEvent([this] {
    RefreshIE();
    WaitWhileBusy();
    IEWindowRegistered.Raise();
  });
}

void cIEWindows::winShell_WindowRevoked(std::int32_t /*cookie*/) {
  const auto self = shared_from_this();
  HandleShellEvent([this] {
    RefreshIE();
    WaitWhileBusy();
    IEWindowRevoked.Raise();
  });
}

void cIEWindows::HandleShellEvent(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    // The shell repeats its events, and so would the cause: one message for the whole run.
    if (context_->event_failure_told) {
      return;
    }
    context_->event_failure_told = true;
    platform::RunHandler(context_->ui,
                         [failure = std::current_exception()] { std::rethrow_exception(failure); });
  }
}

}  // namespace velqor::popup
