// The shell's window list, the browser objects it lists and their HTML documents, with the events
// the pop-up killer receives from them. Nothing here needs COM: the Windows build wraps the
// automation interfaces, the native build simulates them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "platform/failure.h"

namespace velqor::platform {

class BrowserObject;
class HtmlDocument;

// A browser object as events and the window list hand it out; shared, since the same object can
// be held by a sink and passed along in the arguments of its events.
using BrowserRef = std::shared_ptr<BrowserObject>;

// One event argument "as the browser gave it": empty, Boolean, 32-bit or 16-bit integer,
// single-precision number, text, or a browser object.
using Variant =
    std::variant<std::monostate, bool, std::int32_t, std::int16_t, float, std::string, BrowserRef>;

// The browser's command ids reported by CommandStateChange.
inline constexpr std::int32_t kCscNavigateForward = 1;
inline constexpr std::int32_t kCscNavigateBack = 2;
// ExecWB's stop command and its "do not ask the user" option.
inline constexpr int kOleCmdIdStopDownload = 30;
inline constexpr int kOleCmdExecOptDontPromptUser = 2;

// A live subscription to an object's events. Destroying it ends the subscription: once the
// destructor has returned, the subscriber is never called again. A failure to end it is ignored.
class Connection {
 public:
  virtual ~Connection() = default;
};
using ConnectionPtr = std::unique_ptr<Connection>;

// What a subscriber of the shell window list receives (DShellWindowsEvents).
class ShellWindowsEvents {
 public:
  virtual ~ShellWindowsEvents() = default;
  // A window has joined the list; the cookie identifies it to the shell and means nothing here.
  virtual void WindowRegistered(std::int32_t cookie) = 0;
  // A window has left the list.
  virtual void WindowRevoked(std::int32_t cookie) = 0;
};

// The arguments of BeforeNavigate2 except cancel, in the order in which they arrive.
struct NavigateArgs {
  Variant browser;  // browser object of the navigating frame
  Variant url;
  Variant flags;
  Variant target_frame_name;
  Variant post_data;
  Variant headers;
};

// What a subscriber of a browser object receives (DWebBrowserEvents2, the events used here).
// Any of them may arrive inside one of the program's own calls to the same browser. An argument
// the browser did not send, or sent in a form that cannot be read, arrives empty; a cancel that
// cannot be written back arrives as nullptr.
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  // A navigation is about to start; setting *cancel to true stops it.
  virtual void BeforeNavigate2(const NavigateArgs& args, bool* cancel) = 0;
  // One frame (or the top-level page) finished navigating.
  virtual void NavigateComplete2(const Variant& browser, const Variant& url) = 0;
  // A document finished loading; `browser` is the top-level browser itself for the page.
  virtual void DocumentComplete(const Variant& browser, const Variant& url) = 0;
  virtual void DownloadBegin() = 0;
  virtual void DownloadComplete() = 0;
  // The browser enabled or disabled one of its commands (a number: kCscNavigateForward, ...;
  // enable: a Boolean), as the browser gave them.
  virtual void CommandStateChange(const Variant& command, const Variant& enable) = 0;
  // A new window is about to be created; setting *cancel to true means it never is. The event's
  // other argument, the new window's browser, is not handed on: nothing here may read it.
  virtual void NewWindow2(bool* cancel) = 0;
};

// What a subscriber of an HTML document receives (HTMLDocumentEvents, no event object).
class DocumentEvents {
 public:
  virtual ~DocumentEvents() = default;
  // Return false to suppress the context menu.
  virtual bool oncontextmenu() = 0;
  virtual void onmousedown() = 0;
  virtual void onmouseup() = 0;
};

// An HTML document shown in a browser.
class HtmlDocument {
 public:
  virtual ~HtmlDocument() = default;
  // Subscribes `events` until the returned connection goes; `events` must outlive it. Raises a
  // Failure when the document offers no such events.
  virtual ConnectionPtr Subscribe(DocumentEvents& events) = 0;
};

// A browser object (IWebBrowser2): an Internet Explorer window, a shell folder window or a frame.
class BrowserObject {
 public:
  virtual ~BrowserObject() = default;
  // The top-level window handle, as a 32-bit number. Raises a Failure when it cannot be read.
  virtual std::int32_t GetHWND() = 0;
  // The document shown now taken as an HTML document; nullptr when there is none or it is not
  // HTML (a folder view). Raises a Failure when the browser cannot be asked.
  virtual std::shared_ptr<HtmlDocument> Document() = 0;
  // Navigates forward; raises a Failure when there is no page to go forward to. The navigation's
  // BeforeNavigate2 may reach subscribers before this returns.
  virtual void GoForward() = 0;
  // ExecWB(command, option) with no input and no output value. Raises a Failure when refused.
  virtual void ExecWB(int command, int option) = 0;
  // Subscribes `events` until the returned connection goes; `events` must outlive it. Raises a
  // Failure when the subscription cannot be made.
  virtual ConnectionPtr Subscribe(BrowserEvents& events) = 0;
  // Identity of the underlying object: two references to the same browser give the same value.
  virtual const void* Identity() const = 0;
};

// Whether an event argument names the same browser object as `browser` (never for nullptr).
inline bool IsSameBrowser(const Variant& argument, const BrowserObject* browser) {
  const auto* held = std::get_if<BrowserRef>(&argument);
  return browser != nullptr && held != nullptr && *held != nullptr &&
         (*held)->Identity() == browser->Identity();
}

// One instance of the shell's window list (ShellWindows).
class ShellWindowList {
 public:
  virtual ~ShellWindowList() = default;
  // Calls `visit` once per listed window, in the list's order, each taken as a browser object.
  // Items that are not browser objects are passed over. Raises a Failure when enumeration fails;
  // events may be delivered while it runs.
  virtual void ForEachItem(const std::function<void(const BrowserRef&)>& visit) = 0;
  // Subscribes `events` to WindowRegistered/WindowRevoked until the returned connection goes.
  // Raises a Failure when the list offers no such events.
  virtual ConnectionPtr Subscribe(ShellWindowsEvents& events) = 0;
};

// The factory of shell window lists.
class BrowserShell {
 public:
  virtual ~BrowserShell() = default;
  // Creates a new window list object listing every open shell window. Raises a Failure when the
  // shell cannot provide one.
  virtual std::unique_ptr<ShellWindowList> CreateShellWindows() = 0;
};

}  // namespace velqor::platform
