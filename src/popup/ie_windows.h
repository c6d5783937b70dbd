// cIEWindows: the browser window tracker, one sink for every window of the shell's window list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/browser.h"
#include "popup/ie_class.h"
#include "popup/ie_collection.h"
#include "popup/popup_state.h"
#include "popup/signal.h"
#include "popup/variant_convert.h"

namespace velqor::popup {

// Keeps one IE_Class sink per shell window, rebuilt completely whenever the shell reports a
// window registered or revoked, and raises what the sinks relay as events of its own. Lives in a
// shared_ptr so the relay can hold it for the length of a call and tell when it is gone.
class cIEWindows : public platform::ShellWindowsEvents,
                   public std::enable_shared_from_this<cIEWindows> {
 public:
  // Creation: the new tracker goes into `into` and becomes the relay target (pIEWindows), then
  // rebuilds. A failing rebuild is raised after that, so the tracker stays in `into`, usable,
  // with whatever the rebuild achieved.
  static void Create(std::shared_ptr<PopupContext> context, std::shared_ptr<cIEWindows>& into);
  ~cIEWindows() override;
  cIEWindows(const cIEWindows&) = delete;
  cIEWindows& operator=(const cIEWindows&) = delete;

  // Rebuilds the tracked set: every sink is released and a fresh one attached to every listed
  // window, then the new list's window events are subscribed. A failure while creating,
  // enumerating or subscribing is raised; bBusy is cleared and colIE left usable either way.
  void RefreshIE();
  // Attaches a new sink to `browser` and adds it under its handle's decimal key unless that key
  // is present already; returns the sink either way. Never throws.
  std::shared_ptr<IE_Class> AddIE(const platform::BrowserRef& browser);

  // The sink at a 1-based position (a number) or under a key (a text, the decimal handle). Waits
  // on bBusy first. Raises "Invalid procedure call or argument" when there is none.
  std::shared_ptr<IE_Class> IE(const Variant& Index);
  std::int32_t Count() const { return colIE_->Count(); }
  // The sinks in collection order, as they stand now; safe to hold across a rebuild.
  std::vector<std::shared_ptr<IE_Class>> NewEnum() const { return colIE_->Items(); }
  bool bBusy() const { return bBusy_; }
  // Whether the shell window events of the last successful rebuild are subscribed.
  bool IsSubscribed() const { return winShellEvents_ != nullptr; }

  // Raises the event of a relay code with the converted arguments; an unknown code raises
  // nothing. A list shorter than the code needs raises "Subscript out of range", a value that
  // does not convert "Type mismatch" or "Overflow". Returns an empty value.
  Variant RaiseIEEvent(std::int32_t code, std::int32_t handle, const VariantList& arguments);

  // Shell window events: rebuild, wait on bBusy, then raise IEWindowRegistered/IEWindowRevoked.
  // A failure ends the handler; the first of the run is shown by the dispatcher, later ones are
  // not.
  void WindowRegistered(std::int32_t cookie) override;
  void WindowRevoked(std::int32_t cookie) override;

  // The tracker's events, in declaration order. Cancel and enable are copies: what a listener
  // writes into them goes nowhere.
  Signal<> IEWindowRegistered;
  Signal<> IEWindowRevoked;
  Signal<std::int32_t, platform::BrowserRef, Variant, Variant, Variant, Variant, Variant, bool&>
      IENavigationBegin;
  Signal<std::int32_t, platform::BrowserRef, Variant> IENavigationComplete;
  Signal<std::int32_t, platform::BrowserRef, Variant> IEDocumentComplete;
  Signal<std::int32_t> IEDownloadBegin;
  Signal<std::int32_t> IEDownloadComplete;
  Signal<std::int32_t> IEOnContextMenu;
  Signal<std::int32_t, std::int16_t, std::int16_t, float, float> IEMouseDown;
  Signal<std::int32_t, std::int16_t, std::int16_t, float, float> IEMouseUp;
  Signal<std::int32_t, std::int32_t, bool&> IECommandStateChange;

 private:
  explicit cIEWindows(std::shared_ptr<PopupContext> context);
  void winShell_WindowRegistered(std::int32_t cookie);
  void winShell_WindowRevoked(std::int32_t cookie);
  // Lets pending messages run while bBusy is set.
  void WaitWhileBusy();
  // Runs a shell event's handler; its failure is told once per run.
  void HandleShellEvent(const std::function<void()>& handler);

  std::shared_ptr<PopupContext> context_;
  std::shared_ptr<IECollection> colIE_;
  bool bBusy_ = false;
  std::unique_ptr<platform::ShellWindowList> winShell_;
  platform::ConnectionPtr winShellEvents_;  // holding it is the shell window subscription
  int rebuilds_under_way_ = 0;              // RefreshIE frames on this thread's stack
};

}  // namespace velqor::popup
