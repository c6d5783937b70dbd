// IE_Class: the event sink attached to one shell window (a browser or a folder window).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/browser.h"
#include "platform/input.h"
#include "popup/popup_state.h"
#include "popup/variant_convert.h"

namespace velqor::popup {

// Receives one window's browser events and the events of the document it showed at attach,
// applies the pop-up rule to new-window requests and relays everything else to the tracker.
// Releasing the last reference ends both subscriptions: no event reaches a released sink.
class IE_Class : public platform::BrowserEvents, public platform::DocumentEvents {
 public:
  explicit IE_Class(std::shared_ptr<PopupContext> context);
  ~IE_Class() override;
  IE_Class(const IE_Class&) = delete;
  IE_Class& operator=(const IE_Class&) = delete;

  // Attach (IEctl set): subscribes to the browser, reads its handle, subscribes to its current
  // HTML document, then runs the forward probe. Every step that fails is skipped; never throws.
  void put_IEctl(platform::BrowserRef browser);
  // The browser object held in IE (nullptr before the attach).
  const platform::BrowserRef& IEctl() const { return IE_; }
  // The window handle read at attach; 0 when it could not be read.
  std::int32_t IEHandle() const { return hWndIE_; }
  bool EnableForward() const { return EnableForward_; }
  bool EnableBack() const { return EnableBack_; }
  // Which button the mouse events saw go down last (the mouse-up clears them).
  bool LeftDown() const { return bLeftDown_; }
  bool RightDown() const { return bRightDown_; }
  // Whether the sink receives document events (an HTML document was subscribed at attach).
  bool HasDocumentEvents() const { return IEDocEvents_ != nullptr; }
  // Whether the sink receives browser events.
  bool HasBrowserEvents() const { return IEEvents_ != nullptr; }

  // Browser events (DWebBrowserEvents2).
  void BeforeNavigate2(const platform::NavigateArgs& args, bool* cancel) override;
  void NavigateComplete2(const platform::Variant& browser, const platform::Variant& url) override;
  void DocumentComplete(const platform::Variant& browser, const platform::Variant& url) override;
  void DownloadBegin() override;
  void DownloadComplete() override;
  void CommandStateChange(const platform::Variant& command,
                          const platform::Variant& enable) override;
  void NewWindow2(bool* cancel) override;
  // Document events (HTMLDocumentEvents).
  bool oncontextmenu() override;
  void onmousedown() override;
  void onmouseup() override;

 private:
  // The cursor in client coordinates of hWndIE.
  platform::Point CursorInClient();
  // The shift state from Shift, Control and Alt: 0, 1, 2 or 4.
  std::int16_t ShiftState();
  void RelayMouse(std::int32_t code, platform::Point client, std::int16_t button);
  void Relay(std::int32_t code, const VariantList& arguments);

  std::shared_ptr<PopupContext> context_;
  std::int32_t hWndIE_ = 0;
  bool EnableBack_ = false;
  bool EnableForward_ = false;
  bool bLeftDown_ = false;
  bool bRightDown_ = false;
  platform::BrowserRef IE_;
  std::shared_ptr<platform::HtmlDocument> IEDoc_;
  platform::ConnectionPtr IEEvents_;     // holding it is the browser subscription
  platform::ConnectionPtr IEDocEvents_;  // the document subscription made at attach
};

}  // namespace velqor::popup
