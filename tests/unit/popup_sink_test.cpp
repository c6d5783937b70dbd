// The event sink of one shell window: the forward probe, the shared pending cancel, the relayed
// events with their codes and arguments, and the mouse and shift-state rules.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "popup/popup_killer.h"
#include "platform/sim/platform.h"

namespace velqor {
namespace {

using platform::kVkControl;
using platform::kVkLButton;
using platform::kVkMenu;
using platform::kVkShift;
using platform::sim::SimBrowser;

struct MouseSeen {
  std::int32_t handle;
  std::int16_t button;
  std::int16_t shift;
  float x;
  float y;
};

class PopupSinkTest : public ::testing::Test {
 protected:
  // Creates the tracker over the windows opened so far and records what it raises.
  void StartTracker() {
    killer_.CreateTracker(IEWin_);
    IEWin_->IENavigationBegin.Connect(
        [this](std::int32_t handle, platform::BrowserRef, platform::Variant url, platform::Variant,
               platform::Variant, platform::Variant, platform::Variant, bool& cancel) {
          navigations_.push_back(std::to_string(handle) + " " + std::get<std::string>(url) +
                                 (cancel ? " cancel" : ""));
        });
    IEWin_->IEOnContextMenu.Connect([this](std::int32_t handle) { menus_.push_back(handle); });
    IEWin_->IEMouseDown.Connect(
        [this](std::int32_t h, std::int16_t b, std::int16_t s, float x, float y) {
          downs_.push_back({h, b, s, x, y});
        });
    IEWin_->IEMouseUp.Connect(
        [this](std::int32_t h, std::int16_t b, std::int16_t s, float x, float y) {
          ups_.push_back({h, b, s, x, y});
        });
    IEWin_->IEDocumentComplete.Connect(
        [this](std::int32_t, platform::BrowserRef, platform::Variant url) {
          completed_.push_back(std::get<std::string>(url));
        });
    IEWin_->IENavigationComplete.Connect(
        [this](std::int32_t, platform::BrowserRef, platform::Variant url) {
          nav_completed_.push_back(std::get<std::string>(url));
        });
    IEWin_->IECommandStateChange.Connect([this](std::int32_t, std::int32_t command, bool& on) {
      commands_.push_back(std::to_string(command) + (on ? "+" : "-"));
    });
  }
  std::shared_ptr<popup::IE_Class> Sink(std::int32_t hwnd) {
    return IEWin_->IE(platform::Variant(std::to_string(hwnd)));
  }

  SimPlatform sim_;
  popup::PopupKiller killer_{sim_.platform};
  std::shared_ptr<popup::cIEWindows> IEWin_;
  std::vector<std::string> navigations_;
  std::vector<std::int32_t> menus_;
  std::vector<MouseSeen> downs_;
  std::vector<MouseSeen> ups_;
  std::vector<std::string> completed_;
  std::vector<std::string> nav_completed_;
  std::vector<std::string> commands_;
};

TEST_F(PopupSinkTest, ForwardProbeWithoutHistorySendsNoStopAndLeavesNothingPending) {
  const auto browser = sim_.browser.OpenBrowser(918, /*has_forward_history=*/false, false);
  StartTracker();

  EXPECT_EQ(browser->go_forward_calls, 1);
  EXPECT_TRUE(browser->exec_wb_calls.empty());
  EXPECT_FALSE(killer_.state().bCancelPending);
  EXPECT_FALSE(Sink(918)->EnableForward());
  // Nothing pending: the next navigation goes ahead.
  EXPECT_FALSE(browser->FireBeforeNavigate2("http://next.example/"));
}

TEST_F(PopupSinkTest, ForwardProbeWithHistoryIsCancelledInsideGoForwardThenStopped) {
  const auto browser = sim_.browser.OpenBrowser(918, /*has_forward_history=*/true, false);
  bool pending_seen_inside = false;
  browser->on_go_forward = [&] { pending_seen_inside = killer_.state().bCancelPending; };
  StartTracker();

  EXPECT_EQ(browser->navigations_cancelled, 1);
  EXPECT_EQ(browser->navigations_started, 0);
  EXPECT_FALSE(pending_seen_inside) << "the nested BeforeNavigate2 consumes the pending cancel";
  ASSERT_EQ(browser->exec_wb_calls.size(), 1u);
  EXPECT_EQ(browser->exec_wb_calls[0], std::make_pair(30, 2));
  EXPECT_FALSE(killer_.state().bCancelPending);
  EXPECT_FALSE(browser->FireBeforeNavigate2("http://next.example/"));
}

TEST_F(PopupSinkTest, PendingCancelIsConsumedByWhicheverOfNavigationOrMenuComesFirst) {
  // A probe whose navigation never reaches a sink (subscription failed) leaves the cancel
  // pending, for the next navigation or context menu of any tracked window.
  struct Row {
    const char* name;
    bool navigation_first;
  };
  for (const Row row : {Row{"navigation first", true}, Row{"context menu first", false}}) {
    SCOPED_TRACE(row.name);
    SimPlatform sim;
    popup::PopupKiller killer{sim.platform};
    const auto a = sim.browser.OpenBrowser(100, false, false);
    const auto b = sim.browser.OpenBrowser(200, true, false);
    b->fail_subscribe = true;
    std::shared_ptr<popup::cIEWindows> IEWin;
    killer.CreateTracker(IEWin);
    ASSERT_TRUE(killer.state().bCancelPending);

    if (row.navigation_first) {
      EXPECT_TRUE(a->FireBeforeNavigate2("http://one.example/"));
      EXPECT_TRUE(a->document->FireContextMenu());
    } else {
      EXPECT_FALSE(a->document->FireContextMenu()) << "menu suppressed";
      EXPECT_FALSE(a->FireBeforeNavigate2("http://one.example/"));
    }
    EXPECT_FALSE(killer.state().bCancelPending);
    EXPECT_FALSE(a->FireBeforeNavigate2("http://two.example/"));
    EXPECT_TRUE(a->document->FireContextMenu());
  }
}

TEST_F(PopupSinkTest, NavigationIsRelayedBeforeThePendingCancelAndListenersCannotCancel) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  StartTracker();
  IEWin_->IENavigationBegin.Connect([](std::int32_t, platform::BrowserRef frame, platform::Variant,
                                       platform::Variant, platform::Variant, platform::Variant,
                                       platform::Variant, bool& cancel) {
    EXPECT_NE(frame, nullptr);
    cancel = true;  // goes nowhere
  });
  EXPECT_FALSE(browser->FireBeforeNavigate2("http://a.example/"));
  EXPECT_EQ(browser->navigations_started, 1);

  killer_.state().bCancelPending = true;
  EXPECT_TRUE(browser->FireBeforeNavigate2("http://b.example/"));
  // The relay saw cancel as the browser gave it, before the sink set it.
  EXPECT_EQ(navigations_,
            (std::vector<std::string>{"918 http://a.example/", "918 http://b.example/"}));
}

TEST_F(PopupSinkTest, OnlyTheTopLevelDocumentCompletionIsRelayedButEveryFrameNavigation) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  const auto frame = std::make_shared<SimBrowser>(918);
  StartTracker();

  browser->FireDocumentComplete(frame->Self(), "http://frame.example/");
  browser->FireDocumentComplete(browser->Self(), "http://page.example/");
  browser->FireNavigateComplete2(frame->Self(), "http://frame.example/");
  browser->FireNavigateComplete2(browser->Self(), "http://page.example/");

  EXPECT_EQ(completed_, std::vector<std::string>{"http://page.example/"});
  EXPECT_EQ(nav_completed_,
            (std::vector<std::string>{"http://frame.example/", "http://page.example/"}));
}

TEST_F(PopupSinkTest, CommandStateChangeSetsOnlyItsOwnFlagAndIsAlwaysRelayed) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  StartTracker();
  const auto sink = Sink(918);

  browser->FireCommandStateChange(1, true);
  EXPECT_TRUE(sink->EnableForward());
  EXPECT_FALSE(sink->EnableBack());
  browser->FireCommandStateChange(2, true);
  EXPECT_TRUE(sink->EnableBack());
  browser->FireCommandStateChange(-1, false);
  EXPECT_TRUE(sink->EnableForward());
  EXPECT_TRUE(sink->EnableBack());
  browser->FireCommandStateChange(1, false);
  EXPECT_FALSE(sink->EnableForward());

  EXPECT_EQ(commands_, (std::vector<std::string>{"1+", "2+", "-1-", "1-"}));
}

// What the platform hands on when an event's argument was missing or could not be read: that
// argument alone fails, and a pending cancel waits for an event whose cancel can be written.
TEST_F(PopupSinkTest, UnreadableArgumentsFailAloneAndNoCancelMeansNothingIsUsedUp) {
  sim_.browser.OpenBrowser(918, false, false);
  StartTracker();
  const auto sink = Sink(918);

  sink->CommandStateChange(platform::Variant(std::int16_t{1}), platform::Variant(true));
  EXPECT_TRUE(sink->EnableForward()) << "a 16-bit command is a command";
  sink->CommandStateChange(platform::Variant(), platform::Variant(false));
  sink->CommandStateChange(platform::Variant(std::int32_t{1}), platform::Variant());
  sink->CommandStateChange(platform::Variant(sink->IEctl()), platform::Variant(false));
  EXPECT_TRUE(sink->EnableForward()) << "no flag changed by what could not be read";
  EXPECT_EQ(commands_, (std::vector<std::string>{"1+", "0-", "1-"}))
      << "each relayed as it came; the one holding an object cannot be converted";

  killer_.state().bCancelPending = true;
  sink->BeforeNavigate2(platform::NavigateArgs{}, nullptr);
  EXPECT_TRUE(killer_.state().bCancelPending) << "kept for a navigation that can be cancelled";
  bool cancel = false;
  sink->BeforeNavigate2(platform::NavigateArgs{}, &cancel);
  EXPECT_TRUE(cancel);
  EXPECT_FALSE(killer_.state().bCancelPending);

  killer_.state().bKillerActive = true;
  sink->NewWindow2(nullptr);
  EXPECT_TRUE(sim_.input.beeps.empty()) << "no beep for a window that cannot be cancelled";
}

TEST_F(PopupSinkTest, MouseButtonsAndShiftStatesFollowTheKeyRules) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  sim_.input.client_origin[918] = {100, 50};
  StartTracker();
  auto& input = sim_.input;

  struct Row {
    const char* name;
    std::vector<int> keys;
    std::int16_t shift;
  };
  const Row rows[] = {
      {"no key", {}, 0},
      {"shift", {kVkShift}, 1},
      {"control", {kVkControl}, 2},
      {"shift and control", {kVkShift, kVkControl}, 2},
      {"alt and shift", {kVkMenu, kVkShift}, 4},
      {"all three", {kVkShift, kVkControl, kVkMenu}, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    downs_.clear();
    input.ReleaseAll();
    for (int key : row.keys) {
      input.Press(key);
    }
    input.cursor = {130, 80};
    browser->document->FireMouseDown();
    ASSERT_EQ(downs_.size(), 1u);
    EXPECT_EQ(downs_[0].handle, 918);
    EXPECT_EQ(downs_[0].shift, row.shift);
    EXPECT_EQ(downs_[0].x, 30.0f);
    EXPECT_EQ(downs_[0].y, 30.0f);
  }

  // A key pressed and released since the last query still counts for the shift state.
  input.ReleaseAll();
  input.Tap(kVkShift);
  browser->document->FireMouseUp();
  ASSERT_FALSE(ups_.empty());
  EXPECT_EQ(ups_.back().shift, 1);
}

TEST_F(PopupSinkTest, MouseUpTakesItsButtonFromTheLastMouseDown) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  StartTracker();
  const auto sink = Sink(918);
  auto& input = sim_.input;

  browser->document->FireMouseUp();  // no mouse-down seen before
  input.Press(kVkLButton);
  browser->document->FireMouseDown();
  EXPECT_TRUE(sink->LeftDown());
  input.Release(kVkLButton);
  browser->document->FireMouseUp();
  EXPECT_FALSE(sink->LeftDown());
  browser->document->FireMouseDown();  // left not down now: "any other" button
  EXPECT_TRUE(sink->RightDown());
  browser->document->FireMouseUp();
  EXPECT_FALSE(sink->RightDown());

  ASSERT_EQ(ups_.size(), 3u);
  EXPECT_EQ(ups_[0].button, 2);
  EXPECT_EQ(ups_[1].button, 1);
  EXPECT_EQ(ups_[2].button, 2);
  ASSERT_EQ(downs_.size(), 2u);
  EXPECT_EQ(downs_[0].button, 1);
  EXPECT_EQ(downs_[1].button, 2);
}

TEST_F(PopupSinkTest, FolderWindowGetsBrowserEventsButNoDocumentEvents) {
  const auto folder = sim_.browser.OpenFolder(300, false);
  StartTracker();
  const auto sink = Sink(300);

  EXPECT_TRUE(sink->HasBrowserEvents());
  EXPECT_FALSE(sink->HasDocumentEvents());
  folder->FireDownloadBegin();
  folder->FireCommandStateChange(2, true);
  EXPECT_TRUE(sink->EnableBack());
  EXPECT_EQ(commands_, std::vector<std::string>{"2+"});
}

TEST_F(PopupSinkTest, AttachFailuresLeaveThePartsThatWorked) {
  const auto no_handle = sim_.browser.OpenBrowser(400, false, false);
  no_handle->fail_hwnd = true;
  const auto no_document = sim_.browser.OpenBrowser(500, true, false);
  no_document->fail_document = true;
  no_document->fail_exec_wb = true;
  StartTracker();

  const auto zero = IEWin_->IE(platform::Variant(std::string("0")));
  EXPECT_EQ(zero->IEHandle(), 0) << "a handle that was not read gives key 0";
  EXPECT_TRUE(zero->HasBrowserEvents());
  EXPECT_TRUE(zero->HasDocumentEvents());
  const auto sink = Sink(500);
  EXPECT_FALSE(sink->HasDocumentEvents());
  EXPECT_EQ(no_document->navigations_cancelled, 1) << "the probe still ran";
  EXPECT_FALSE(killer_.state().bCancelPending);
}

TEST_F(PopupSinkTest, DocumentSubscriptionStaysWithTheDocumentOfTheAttach) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  StartTracker();
  const auto first_document = browser->document;
  browser->document = std::make_shared<platform::sim::SimDocument>();  // another page loads

  browser->document->FireContextMenu();
  EXPECT_TRUE(menus_.empty());
  first_document->FireContextMenu();
  EXPECT_EQ(menus_, std::vector<std::int32_t>{918});

  IEWin_->RefreshIE();  // the fresh sink subscribes to the page shown now
  EXPECT_EQ(first_document->LiveSubscriptions(), 0u);
  EXPECT_EQ(browser->document->LiveSubscriptions(), 1u);
}

}  // namespace
}  // namespace velqor
