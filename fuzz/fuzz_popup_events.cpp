// The pop-up killer under fuzzed sequences of shell and browser events: windows that open and
// close (announced or not), browser and document events, faults, and events delivered inside the
// program's own calls (during an attach's forward probe, during a rebuild's enumeration, from the
// tracker's listeners and from DoEvents). After every outermost step the tracker is not busy,
// holds one sink per distinct window handle, and exactly its sinks are subscribed; a released
// sink is gone and receives nothing (ASan sees any event that reaches freed memory).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "popup_browser_events.h"
#include "platform/browser.h"
#include "platform/input.h"
#include "platform/ui.h"
#include "popup/ie_windows.h"
#include "popup/popup_killer.h"
#include "platform/sim/platform.h"

namespace velqor::fuzz {
namespace {

using platform::Variant;
using platform::sim::SimBrowser;
using platform::sim::SimDocument;

constexpr int kMaxDepth = 3;
constexpr int kMaxSteps = 160;

class Session {
 public:
  explicit Session(const std::uint8_t* data, std::size_t size) : in_(data, size) {}
  ~Session() {
    // The hooks refer to this session: take them down before anything they might reach goes.
    sim_.ui.SetDoEventsCallback({});
    sim_.browser.on_enumerate = {};
    for (const auto& browser : browsers_) browser->on_go_forward = {};
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Run() {
    while (in_.remaining_bytes() > 0 && steps_ < kMaxSteps) {
      Step(0);
      CheckSteadyState();
    }
    CheckFinalState();
  }

 private:
  void Step(int depth) {
    if (depth > kMaxDepth || ++steps_ > kMaxSteps || in_.remaining_bytes() == 0) {
      return;
    }
    switch (in_.ConsumeIntegralInRange<int>(0, 15)) {
      case 0:
      case 1: {
        const std::int32_t hwnd = events_.Handle();
        const bool forward = in_.ConsumeBool();
        browsers_.push_back(
            sim_.browser.OpenBrowser(hwnd, forward, in_.ConsumeIntegralInRange<int>(0, 3) != 0));
        documents_.push_back(browsers_.back()->document);
        break;
      }
      case 2:
        browsers_.push_back(sim_.browser.OpenFolder(events_.Handle(), in_.ConsumeBool()));
        break;
      case 3: {
        const auto& open = sim_.browser.windows();
        if (!open.empty()) {
          const auto victim = open[in_.ConsumeIntegralInRange<std::size_t>(0, open.size() - 1)];
          sim_.browser.Close(victim, in_.ConsumeIntegralInRange<int>(0, 3) != 0);
        }
        break;
      }
      case 4:
        if (in_.ConsumeBool()) {
          sim_.browser.RaiseWindowRegistered();
        } else {
          sim_.browser.RaiseWindowRevoked();
        }
        break;
      case 5:
      case 6:
        FireBrowserEvent();
        break;
      case 7:
        events_.FireDocumentEvent();
        break;
      case 8:
        events_.SetBrowserFault();
        break;
      case 9: {
        const int which = in_.ConsumeIntegralInRange<int>(0, 2);
        bool& fault = which == 0   ? sim_.browser.fail_create
                      : which == 1 ? sim_.browser.fail_enumerate
                                   : sim_.browser.fail_subscribe;
        fault = !fault;
        break;
      }
      case 10:
        PressKeys();
        break;
      case 11:
        if (in_.ConsumeBool()) {
          killer_.state().bKillerActive = in_.ConsumeBool();
        } else {
          ClickSwitch();
        }
        break;
      case 12:
        ChangeTracker();
        break;
      case 13:
        LookUp();
        break;
      case 14:
      case 15:
        SetHook();
        break;
      default:
        break;
    }
  }

  void FireBrowserEvent() {
    const auto browser = events_.AnyBrowser();
    if (!browser) return;
    const std::string url = in_.ConsumeRandomLengthString(24);
    switch (in_.ConsumeIntegralInRange<int>(0, 8)) {
      case 0:
        browser->FireBeforeNavigate2(url, in_.ConsumeBool() ? Variant() : events_.Frame(browser));
        break;
      case 1:
        browser->FireNavigateComplete2(events_.Frame(browser), url);
        break;
      case 2:
        browser->FireDocumentComplete(events_.Frame(browser), url);
        break;
      case 3:
        browser->FireDownloadBegin();
        break;
      case 4:
        browser->FireDownloadComplete();
        break;
      case 5: {
        const std::int32_t command = in_.ConsumeBool()
                                         ? in_.ConsumeIntegralInRange<std::int32_t>(0, 3)
                                         : in_.ConsumeIntegral<std::int32_t>();
        browser->FireCommandStateChange(command, in_.ConsumeBool());
        break;
      }
      case 6:
        // The user going forward; without history the browser refuses.
        platform::Guarded([&] { browser->GoForward(); });
        break;
      case 7: {
        // What the platform hands on when an event's arguments could not be read. (Whether the
        // pending cancel survives is not checked here: a nested step may use it up.)
        const auto tracker = tracker_;
        const auto sinks =
            tracker ? tracker->NewEnum() : std::vector<std::shared_ptr<popup::IE_Class>>{};
        if (sinks.empty()) break;
        const auto sink = sinks[in_.ConsumeIntegralInRange<std::size_t>(0, sinks.size() - 1)];
        sink->BeforeNavigate2(platform::NavigateArgs{}, nullptr);
        sink->CommandStateChange(in_.ConsumeBool() ? Variant() : events_.Frame(browser),
                                 events_.Frame(browser));
        sink->NewWindow2(nullptr);
        break;
      }
      default: {
        // The rule: with the killer on and Control never pressed, a watched browser's new window
        // is cancelled; an unwatched one's never is, nor any with the killer off.
        const bool watched = browser->LiveSubscriptions() > 0;
        const bool active = killer_.state().bKillerActive;
        const bool cancelled = browser->FireNewWindow2();
        FUZZ_CHECK(!cancelled || (watched && active), "a new window cancelled without reason");
        if (watched && active && !control_pressed_) {
          FUZZ_CHECK(cancelled, "a pop-up of a watched browser got through");
        }
        break;
      }
    }
  }

  void PressKeys() {
    static constexpr int kKeys[] = {platform::kVkControl, platform::kVkShift, platform::kVkMenu,
                                    platform::kVkLButton};
    const int key = kKeys[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
    switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        sim_.input.Press(key);
        break;
      case 1:
        sim_.input.Release(key);
        break;
      case 2:
        sim_.input.Tap(key);
        break;
      default:
        sim_.input.cursor = {in_.ConsumeIntegral<std::int16_t>(),
                             in_.ConsumeIntegral<std::int16_t>()};
        sim_.input.client_origin[events_.Handle()] = {in_.ConsumeIntegral<std::int16_t>(), 0};
        return;
    }
    control_pressed_ = control_pressed_ || key == platform::kVkControl;
  }

  // The switch's check box: a stored choice turns the killer on or off; a refused store leaves
  // it as it was, puts the box back to match and raises.
  void ClickSwitch() {
    if (!switch_window_) {
      platform::WindowSpec def;
      def.name = "Switch";
      def.client_width = 3000;
      def.client_height = 600;
      switch_window_ = sim_.ui.CreateForm(def);
      platform::ControlSpec box;
      box.kind = platform::ControlKind::kCheckBox;
      box.name = "chkPopupKillerActivate";
      box.rect = {0, 0, 2800, 255};
      switch_box_ = switch_window_->AddControl(box);
    }
    const bool before = killer_.state().bKillerActive;
    const int value = in_.ConsumeIntegralInRange<int>(0, 2);
    sim_.settings.refuse_writes = in_.ConsumeIntegralInRange<int>(0, 3) == 0;
    switch_window_->SetValue(switch_box_, value);
    bool raised = false;
    try {
      killer_.chkPopupKillerActivate_Click(*switch_window_, switch_box_);
    } catch (const platform::Failure&) {
      raised = true;
    }
    FUZZ_CHECK(raised == sim_.settings.refuse_writes, "the switch raised without reason");
    if (raised) {
      FUZZ_CHECK(killer_.state().bKillerActive == before, "a refused switch changed the killer");
      FUZZ_CHECK(switch_window_->Value(switch_box_) == (before ? 1 : 0),
                 "the box was not put back");
    } else {
      FUZZ_CHECK(killer_.state().bKillerActive == (value == 1),
                 "the killer does not follow the box");
      const auto stored = sim_.settings.GetSetting(platform::kProgramTitle, popup::kSettingsSection,
                                                   popup::kSettingsKey);
      FUZZ_CHECK(stored && *stored == (value == 1 ? "1" : "0"), "the choice was not stored");
    }
    sim_.settings.refuse_writes = false;
  }

  void ChangeTracker() {
    switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
      case 1:
        try {
          killer_.CreateTracker(tracker_);
          Listen(tracker_);
        } catch (const platform::Failure& failure) {
          FUZZ_CHECK(std::string(failure.what()).rfind(popup::kCannotWatchMessage, 0) == 0,
                     failure.what());
          if (tracker_) Listen(tracker_);
        }
        break;
      case 2:
        tracker_.reset();
        break;
      default:
        if (const auto tracker = tracker_) {
          platform::Guarded([&] { tracker->RefreshIE(); });
        }
        break;
    }
  }

  void LookUp() {
    const auto tracker = tracker_;
    if (!tracker) return;
    Variant index;
    switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
      case 0:
        index = in_.ConsumeIntegralInRange<std::int32_t>(-1, 6);
        break;
      case 1:
        index = std::to_string(events_.Handle());
        break;
      case 2:
        index = in_.ConsumeFloatingPoint<float>();
        break;
      case 3:
        index = static_cast<std::int16_t>(in_.ConsumeIntegralInRange<int>(0, 4));
        break;
      default:
        index = in_.ConsumeBool();
        break;
    }
    try {
      const auto sink = tracker->IE(index);
      FUZZ_CHECK(sink != nullptr, "IE gave no sink");
    } catch (const platform::Failure&) {
    }
  }

  // The tracker's listeners can start nested steps too.
  void Listen(const std::shared_ptr<popup::cIEWindows>& tracker) {
    if (!tracker) return;
    tracker->IEWindowRegistered.Connect([this] { Nested(); });
    tracker->IEWindowRevoked.Connect([this] { Nested(); });
    tracker->IENavigationBegin.Connect([this](std::int32_t, const platform::BrowserRef&,
                                              const Variant&, const Variant&, const Variant&,
                                              const Variant&, const Variant&, bool& cancel) {
      cancel = !cancel;  // the tracker's copy; the browser's own cancel is not reachable here
      Nested();
    });
    tracker->IEDocumentComplete.Connect(
        [this](std::int32_t, const platform::BrowserRef&, const Variant&) { Nested(); });
    tracker->IEMouseDown.Connect(
        [this](std::int32_t, std::int16_t, std::int16_t, float, float) { Nested(); });
    tracker->IECommandStateChange.Connect([this](std::int32_t, std::int32_t, bool& enable) {
      enable = !enable;
      Nested();
    });
  }

  // A nested step, when the input asks for one and the nesting is not too deep yet.
  void Nested() {
    if (depth_ >= kMaxDepth || in_.remaining_bytes() == 0 || !in_.ConsumeBool()) return;
    ++depth_;
    Step(depth_);
    --depth_;
  }

  void SetHook() {
    switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
      case 0:
        if (const auto browser = events_.AnyBrowser()) {
          browser->on_go_forward = [this] { Nested(); };
        }
        break;
      case 1:
        sim_.browser.on_enumerate = [this](std::size_t) { Nested(); };
        break;
      default:
        sim_.ui.SetDoEventsCallback([this] { Nested(); });
        break;
    }
  }

  // Sinks alive now: those of the tracker. Every other sink once seen must be gone.
  void CheckSteadyState() {
    std::vector<std::shared_ptr<popup::IE_Class>> sinks;
    if (tracker_) {
      FUZZ_CHECK(!tracker_->bBusy(), "the tracker is still busy after the event");
      sinks = tracker_->NewEnum();
      FUZZ_CHECK(tracker_->Count() == static_cast<std::int32_t>(sinks.size()), "count");
    }
    std::set<std::int32_t> handles;
    std::size_t browser_subscriptions = 0;
    std::size_t document_subscriptions = 0;
    for (const auto& sink : sinks) {
      FUZZ_CHECK(handles.insert(sink->IEHandle()).second,
                 "two sinks for the window handle " + std::to_string(sink->IEHandle()));
      browser_subscriptions += sink->HasBrowserEvents() ? 1 : 0;
      document_subscriptions += sink->HasDocumentEvents() ? 1 : 0;
      seen_.push_back(sink);
    }
    std::size_t live_browser = 0;
    for (const auto& browser : browsers_) {
      std::size_t mine = 0;
      for (const auto& sink : sinks) {
        mine += sink->HasBrowserEvents() && sink->IEctl().get() == browser.get() ? 1 : 0;
      }
      FUZZ_CHECK(browser->LiveSubscriptions() == mine,
                 "browser " + std::to_string(browser->hwnd()) + " has " +
                     std::to_string(browser->LiveSubscriptions()) + " subscriptions for " +
                     std::to_string(mine) + " sinks");
      live_browser += browser->LiveSubscriptions();
    }
    FUZZ_CHECK(live_browser == browser_subscriptions, "browser subscriptions");
    std::size_t live_document = 0;
    for (const auto& document : documents_) live_document += document->LiveSubscriptions();
    FUZZ_CHECK(live_document == document_subscriptions,
               std::to_string(live_document) + " document subscriptions for " +
                   std::to_string(document_subscriptions) + " sinks");
    const std::size_t shell_expected = tracker_ && tracker_->IsSubscribed() ? 1 : 0;
    FUZZ_CHECK(sim_.browser.LiveSubscriptions() == shell_expected,
               std::to_string(sim_.browser.LiveSubscriptions()) + " shell subscriptions");
    sinks.clear();
    std::erase_if(seen_, [this](const std::weak_ptr<popup::IE_Class>& sink) {
      const auto alive = sink.lock();
      if (!alive) return true;
      FUZZ_CHECK(tracker_ != nullptr, "a sink outlived its tracker");
      const auto current = tracker_->NewEnum();
      FUZZ_CHECK(std::find(current.begin(), current.end(), alive) != current.end(),
                 "a released sink is still alive");
      return false;
    });
  }

  // With every fault cleared, one more rebuild tracks each open window's handle exactly once.
  void CheckFinalState() {
    sim_.ui.SetDoEventsCallback({});
    sim_.browser.on_enumerate = {};
    sim_.browser.fail_create = sim_.browser.fail_enumerate = sim_.browser.fail_subscribe = false;
    for (const auto& browser : browsers_) {
      browser->on_go_forward = {};
      browser->fail_hwnd = browser->fail_subscribe = browser->fail_document = false;
    }
    if (tracker_) {
      tracker_->RefreshIE();
      std::set<std::int32_t> expected;
      for (const auto& window : sim_.browser.windows()) expected.insert(window->hwnd());
      std::set<std::int32_t> tracked;
      for (const auto& sink : tracker_->NewEnum()) tracked.insert(sink->IEHandle());
      FUZZ_CHECK(
          tracked == expected && tracker_->Count() == static_cast<std::int32_t>(expected.size()),
          "after a clean rebuild the tracker does not hold one sink per window handle");
      CheckSteadyState();
      FUZZ_CHECK(sim_.browser.LiveSubscriptions() == 1, "not subscribed after a clean rebuild");
    }
    tracker_.reset();
    CheckSteadyState();
    FUZZ_CHECK(seen_.empty(), "sinks outlived the tracker");
  }

  FuzzedDataProvider in_;
  SimPlatform sim_;
  popup::PopupKiller killer_{sim_.platform};
  std::shared_ptr<popup::cIEWindows> tracker_;
  std::unique_ptr<platform::Window> switch_window_;
  platform::ControlId switch_box_ = platform::kNoControl;
  std::vector<std::shared_ptr<SimBrowser>> browsers_;    // every browser ever opened
  std::vector<std::shared_ptr<SimDocument>> documents_;  // every document ever shown
  BrowserEvents events_{in_, browsers_, documents_};
  std::vector<std::weak_ptr<popup::IE_Class>> seen_;
  bool control_pressed_ = false;
  int steps_ = 0;
  int depth_ = 0;
};

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velqor::fuzz::Session session(data, size);
  session.Run();
  return 0;
}
