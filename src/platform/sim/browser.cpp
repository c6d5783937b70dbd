#include "platform/sim/browser.h"

#include <algorithm>

namespace velqor::platform::sim {

namespace {

constexpr Status kSimEFail = static_cast<Status>(0x80004005);
constexpr Status kSimNoInterface = static_cast<Status>(0x80004002);

[[noreturn]] void Fail(Status status, const std::string& what) {
  throw Failure(ErrorDomain::kHresult, status, what);
}

// Raises the planted fault, counting it, when `fault` is set.
void FailIf(bool fault, int& hits, Status status, const std::string& what) {
  if (fault) {
    ++hits;
    Fail(status, what);
  }
}

}  // namespace

// --- SimDocument -------------------------------------------------------------------------------

ConnectionPtr SimDocument::Subscribe(DocumentEvents& events) {
  FailIf(fail_subscribe, faults_hit, kSimNoInterface,
         "Subscribing to the document's events failed");
  return subscribers_.Add(events);
}

bool SimDocument::FireContextMenu() {
  bool show = true;
  subscribers_.Deliver([&](DocumentEvents& e) { show = e.oncontextmenu() && show; });
  return show;
}

void SimDocument::FireMouseDown() {
  subscribers_.Deliver([](DocumentEvents& e) { e.onmousedown(); });
}

void SimDocument::FireMouseUp() {
  subscribers_.Deliver([](DocumentEvents& e) { e.onmouseup(); });
}

// --- SimBrowser --------------------------------------------------------------------------------

std::int32_t SimBrowser::GetHWND() {
  FailIf(fail_hwnd, faults_hit, kSimEFail, "Reading the browser's window handle failed");
  return hwnd_;
}

std::shared_ptr<HtmlDocument> SimBrowser::Document() {
  FailIf(fail_document, faults_hit, kSimEFail, "Reading the browser's document failed");
  return document;
}

void SimBrowser::GoForward() {
  ++go_forward_calls;
  if (fail_go_forward || !has_forward_history) {
    faults_hit += fail_go_forward ? 1 : 0;
    Fail(kSimEFail, "GoForward failed: there is no page to go forward to");
  }
  // Keep this browser alive even if a subscriber drops the last other reference meanwhile.
  const auto self = shared_from_this();
  FireBeforeNavigate2(forward_url);
  if (on_go_forward) {
    on_go_forward();
  }
}

void SimBrowser::ExecWB(int command, int option) {
  FailIf(fail_exec_wb, faults_hit, kSimEFail, "ExecWB failed");
  exec_wb_calls.emplace_back(command, option);
}

ConnectionPtr SimBrowser::Subscribe(BrowserEvents& events) {
  FailIf(fail_subscribe, faults_hit, kSimNoInterface, "Subscribing to the browser's events failed");
  return subscribers_.Add(events);
}

bool SimBrowser::FireBeforeNavigate2(const std::string& url, const Variant& frame) {
  const NavigateArgs args{std::holds_alternative<std::monostate>(frame) ? Self() : frame,
                          url,
                          std::int32_t{0},
                          std::string(),
                          std::monostate{},
                          std::string()};
  bool cancel = false;
  subscribers_.Deliver([&](BrowserEvents& e) { e.BeforeNavigate2(args, &cancel); });
  ++(cancel ? navigations_cancelled : navigations_started);
  return cancel;
}

void SimBrowser::FireNavigateComplete2(const Variant& frame, const std::string& url) {
  subscribers_.Deliver([&](BrowserEvents& e) { e.NavigateComplete2(frame, Variant(url)); });
}

void SimBrowser::FireDocumentComplete(const Variant& frame, const std::string& url) {
  subscribers_.Deliver([&](BrowserEvents& e) { e.DocumentComplete(frame, Variant(url)); });
}

void SimBrowser::FireDownloadBegin() {
  subscribers_.Deliver([](BrowserEvents& e) { e.DownloadBegin(); });
}

void SimBrowser::FireDownloadComplete() {
  subscribers_.Deliver([](BrowserEvents& e) { e.DownloadComplete(); });
}

void SimBrowser::FireCommandStateChange(std::int32_t command, bool enable) {
  subscribers_.Deliver(
      [&](BrowserEvents& e) { e.CommandStateChange(Variant(command), Variant(enable)); });
}

bool SimBrowser::FireNewWindow2() {
  bool cancel = false;
  subscribers_.Deliver([&](BrowserEvents& e) { e.NewWindow2(&cancel); });
  windows_blocked += cancel ? 1 : 0;
  return cancel;
}

// --- SimBrowserShell ---------------------------------------------------------------------------

struct SimBrowserShell::State {
  SimBrowserShell* owner = nullptr;  // cleared when the shell goes
  std::vector<std::shared_ptr<SimBrowser>> windows;
  Subscribers<ShellWindowsEvents> subscribers;
};

namespace {

class SimShellWindowList : public ShellWindowList {
 public:
  explicit SimShellWindowList(std::weak_ptr<SimBrowserShell::State> state)
      : state_(std::move(state)) {}

  void ForEachItem(const std::function<void(const BrowserRef&)>& visit) override {
    const auto state = state_.lock();
    if (!state || state->owner == nullptr) {
      return;
    }
    FailIf(state->owner->fail_enumerate, state->owner->faults_hit, kSimEFail,
           "Enumerating the shell windows failed");
    // The list as it stands when enumeration starts; windows opened meanwhile are not listed.
    const auto snapshot = state->windows;
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
      if (state->owner != nullptr && state->owner->on_enumerate) {
        const auto hook = state->owner->on_enumerate;  // the hook may replace itself
        hook(i);
      }
      visit(snapshot[i]);
    }
  }

  ConnectionPtr Subscribe(ShellWindowsEvents& events) override {
    const auto state = state_.lock();
    SimBrowserShell* const owner = state ? state->owner : nullptr;
    if (owner == nullptr || owner->fail_subscribe) {
      if (owner != nullptr) ++owner->faults_hit;
      Fail(static_cast<Status>(0x80040200), "The shell window list offers no window events");
    }
    return state->subscribers.Add(events);
  }

 private:
  std::weak_ptr<SimBrowserShell::State> state_;
};

}  // namespace

SimBrowserShell::SimBrowserShell() : state_(std::make_shared<State>()) {
  state_->owner = this;
}

SimBrowserShell::~SimBrowserShell() {
  state_->owner = nullptr;
}

std::unique_ptr<ShellWindowList> SimBrowserShell::CreateShellWindows() {
  FailIf(fail_create, faults_hit, static_cast<Status>(0x80040154),
         "Creating the shell window list failed");
  return std::make_unique<SimShellWindowList>(state_);
}

std::shared_ptr<SimBrowser> SimBrowserShell::OpenBrowser(std::int32_t hwnd,
                                                         bool has_forward_history, bool notify) {
  auto browser = std::make_shared<SimBrowser>(hwnd);
  browser->has_forward_history = has_forward_history;
  browser->document = std::make_shared<SimDocument>();
  Open(browser, notify);
  return browser;
}

std::shared_ptr<SimBrowser> SimBrowserShell::OpenFolder(std::int32_t hwnd, bool notify) {
  auto folder = std::make_shared<SimBrowser>(hwnd);
  Open(folder, notify);
  return folder;
}

void SimBrowserShell::Open(std::shared_ptr<SimBrowser> browser, bool notify) {
  state_->windows.push_back(std::move(browser));
  if (notify) {
    RaiseWindowRegistered();
  }
}

void SimBrowserShell::Close(const std::shared_ptr<SimBrowser>& browser, bool notify) {
  std::erase(state_->windows, browser);
  if (notify) {
    RaiseWindowRevoked();
  }
}

void SimBrowserShell::RaiseWindowRegistered() {
  const auto cookie = static_cast<std::int32_t>(state_->windows.size());
  state_->subscribers.Deliver([&](ShellWindowsEvents& e) { e.WindowRegistered(cookie); });
}

void SimBrowserShell::RaiseWindowRevoked() {
  const auto cookie = static_cast<std::int32_t>(state_->windows.size());
  state_->subscribers.Deliver([&](ShellWindowsEvents& e) { e.WindowRevoked(cookie); });
}

const std::vector<std::shared_ptr<SimBrowser>>& SimBrowserShell::windows() const {
  return state_->windows;
}

std::size_t SimBrowserShell::LiveSubscriptions() const {
  return state_->subscribers.Live();
}

}  // namespace velqor::platform::sim
