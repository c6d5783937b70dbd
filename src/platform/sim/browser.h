// A simulated shell window list with browsers, folder windows and HTML documents whose events
// tests fire by hand, with injectable failures and events delivered inside the program's calls.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/browser.h"

namespace velqor::platform::sim {

// The subscribers of one simulated object. Delivery copes with subscriptions that end, and with
// the object itself going away, while an event is being delivered.
template <typename Events>
class Subscribers {
 public:
  // Adds a subscriber; it stays until the returned connection is destroyed.
  ConnectionPtr Add(Events& events) {
    auto token = std::make_unique<Token>();
    token->events = std::make_shared<Events*>(&events);
    std::erase_if(entries_, [](const auto& entry) { return entry.expired(); });
    entries_.push_back(token->events);
    return token;
  }
  // Calls `deliver` on every subscriber present now that is still subscribed when its turn comes.
  template <typename Fn>
  void Deliver(Fn&& deliver) const {
    const auto snapshot = entries_;  // a copy: the owner may go during delivery
    for (const std::weak_ptr<Events*>& entry : snapshot) {
      // Not held during its delivery: a subscription it ends there is over at once.
      Events* const events = entry.expired() ? nullptr : *entry.lock();
      if (events != nullptr) deliver(*events);
    }
  }
  // How many subscriptions are live.
  std::size_t Live() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(entries_, [](const auto& entry) { return !entry.expired(); }));
  }

 private:
  // The only owner of its entry: destroying it ends the subscription.
  struct Token : Connection {
    std::shared_ptr<Events*> events;
  };

  std::vector<std::weak_ptr<Events*>> entries_;
};

// A simulated HTML document.
class SimDocument : public HtmlDocument {
 public:
  ConnectionPtr Subscribe(DocumentEvents& events) override;

  // Fires oncontextmenu; false when any subscriber suppressed the menu.
  bool FireContextMenu();
  void FireMouseDown();
  void FireMouseUp();
  std::size_t LiveSubscriptions() const { return subscribers_.Live(); }

  bool fail_subscribe = false;
  int faults_hit = 0;  // subscriptions refused by fail_subscribe

 private:
  Subscribers<DocumentEvents> subscribers_;
};

// A simulated browser object: an Internet Explorer window, a folder window (no HTML document) or
// a frame.
class SimBrowser : public BrowserObject, public std::enable_shared_from_this<SimBrowser> {
 public:
  explicit SimBrowser(std::int32_t hwnd) : hwnd_(hwnd) {}

  std::int32_t GetHWND() override;
  std::shared_ptr<HtmlDocument> Document() override;
  // With forward history, reports BeforeNavigate2 to the subscribers before returning (as the
  // real browser may); the navigation counts as started unless a subscriber cancelled it.
  void GoForward() override;
  void ExecWB(int command, int option) override;
  ConnectionPtr Subscribe(BrowserEvents& events) override;
  const void* Identity() const override { return this; }

  // Events as the browser raises them; each returns what the subscribers left in cancel.
  bool FireBeforeNavigate2(const std::string& url, const Variant& frame = {});
  void FireNavigateComplete2(const Variant& frame, const std::string& url);
  void FireDocumentComplete(const Variant& frame, const std::string& url);
  void FireDownloadBegin();
  void FireDownloadComplete();
  void FireCommandStateChange(std::int32_t command, bool enable);
  bool FireNewWindow2();
  // This browser as an event argument.
  Variant Self() { return BrowserRef(shared_from_this()); }

  std::int32_t hwnd() const { return hwnd_; }
  std::size_t LiveSubscriptions() const { return subscribers_.Live(); }

  // Configuration.
  bool has_forward_history = false;
  std::shared_ptr<SimDocument> document;  // nullptr: no HTML document (a folder view)
  std::string forward_url = "http://forward.example/";
  // Runs inside GoForward, after its BeforeNavigate2, before it returns.
  std::function<void()> on_go_forward;

  // Faults, one per operation.
  bool fail_hwnd = false;
  bool fail_document = false;
  bool fail_go_forward = false;
  bool fail_exec_wb = false;
  bool fail_subscribe = false;
  // How many calls the faults above have made fail.
  int faults_hit = 0;

  // Records.
  std::vector<std::pair<int, int>> exec_wb_calls;
  int go_forward_calls = 0;
  int navigations_started = 0;
  int navigations_cancelled = 0;
  int windows_blocked = 0;  // NewWindow2 requests cancelled

 private:
  std::int32_t hwnd_;
  Subscribers<BrowserEvents> subscribers_;
};

// The simulated shell: the windows open now, and every window list object made from it.
class SimBrowserShell : public BrowserShell {
 public:
  SimBrowserShell();
  ~SimBrowserShell() override;
  SimBrowserShell(const SimBrowserShell&) = delete;
  SimBrowserShell& operator=(const SimBrowserShell&) = delete;

  std::unique_ptr<ShellWindowList> CreateShellWindows() override;

  // Opens an Internet Explorer window showing an HTML document; `notify` raises
  // WindowRegistered to every subscribed list.
  std::shared_ptr<SimBrowser> OpenBrowser(std::int32_t hwnd, bool has_forward_history = false,
                                          bool notify = true);
  // Opens a shell folder window (no HTML document).
  std::shared_ptr<SimBrowser> OpenFolder(std::int32_t hwnd, bool notify = true);
  // Adds a window made by the test.
  void Open(std::shared_ptr<SimBrowser> browser, bool notify = true);
  // Takes a window off the list and raises WindowRevoked.
  void Close(const std::shared_ptr<SimBrowser>& browser, bool notify = true);
  void RaiseWindowRegistered();
  void RaiseWindowRevoked();

  const std::vector<std::shared_ptr<SimBrowser>>& windows() const;
  // Live subscriptions to the shell window events, over all list objects.
  std::size_t LiveSubscriptions() const;

  // Runs during every enumeration, before the item at the given 0-based position is handed out;
  // lets a test deliver events while a rebuild is enumerating.
  std::function<void(std::size_t)> on_enumerate;

  // Faults.
  bool fail_create = false;
  bool fail_enumerate = false;
  bool fail_subscribe = false;
  // How many calls the faults above have made fail.
  int faults_hit = 0;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace velqor::platform::sim
