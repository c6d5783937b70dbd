// The browser window tracker: rebuilds, nested rebuilds, keyed lookup, the relay and its
// conversions, and the faults a rebuild or a gone tracker must not turn into hangs or crashes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "popup/popup_killer.h"
#include "popup/relay.h"
#include "platform/sim/platform.h"

namespace velqor {
namespace {

using platform::Variant;
using popup::VariantList;

class PopupTrackerTest : public ::testing::Test {
 protected:
  std::shared_ptr<popup::IE_Class> At(const Variant& index) { return IEWin_->IE(index); }
  std::vector<std::int32_t> Handles() const {
    std::vector<std::int32_t> handles;
    for (const auto& sink : IEWin_->NewEnum()) {
      handles.push_back(sink->IEHandle());
    }
    return handles;
  }

  SimPlatform sim_;
  popup::PopupKiller killer_{sim_.platform};
  std::shared_ptr<popup::cIEWindows> IEWin_;
};

TEST_F(PopupTrackerTest, StartsEmptyAndTracksWindowsAsTheyOpenAndClose) {
  killer_.CreateTracker(IEWin_);
  EXPECT_EQ(IEWin_->Count(), 0);
  EXPECT_EQ(sim_.browser.LiveSubscriptions(), 1u) << "subscribed even with no window open";
  int registered = 0;
  int revoked = 0;
  IEWin_->IEWindowRegistered.Connect([&] { ++registered; });
  IEWin_->IEWindowRevoked.Connect([&] { ++revoked; });

  const auto a = sim_.browser.OpenBrowser(918);
  const auto folder = sim_.browser.OpenFolder(77);
  EXPECT_EQ(Handles(), (std::vector<std::int32_t>{918, 77}));
  const std::weak_ptr<popup::IE_Class> before = At(Variant(std::int32_t{1}));
  sim_.browser.Close(folder);

  EXPECT_EQ(registered, 2);
  EXPECT_EQ(revoked, 1);
  EXPECT_EQ(Handles(), std::vector<std::int32_t>{918});
  EXPECT_TRUE(before.expired()) << "a rebuild releases every sink and attaches fresh ones";
  EXPECT_EQ(a->LiveSubscriptions(), 1u) << "the previous sinks have detached";
  EXPECT_EQ(folder->LiveSubscriptions(), 0u);
  EXPECT_EQ(sim_.browser.LiveSubscriptions(), 1u) << "one shell subscription, the newest";
  EXPECT_FALSE(IEWin_->bBusy());
}

TEST_F(PopupTrackerTest, IndexByPositionOrByDecimalHandleKey) {
  sim_.browser.OpenBrowser(5, false, false);
  sim_.browser.OpenBrowser(918, false, false);
  killer_.CreateTracker(IEWin_);

  EXPECT_EQ(At(Variant(std::int32_t{1}))->IEHandle(), 5);
  EXPECT_EQ(At(Variant(std::int16_t{2}))->IEHandle(), 918);
  EXPECT_EQ(At(Variant(std::string("918")))->IEHandle(), 918);
  // The text "1" is a key, not a position.
  const Variant bad[] = {Variant(std::int32_t{0}), Variant(std::int32_t{3}),
                         Variant(std::string("1")), Variant(std::string("0918")), Variant()};
  for (const Variant& index : bad) {
    SCOPED_TRACE(index.index());
    try {
      At(index);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure& failure) {
      EXPECT_EQ(failure.status(), popup::kInvalidProcedureCall);
    }
  }
}

TEST_F(PopupTrackerTest, TwoWindowsWithOneHandleKeepTheOneListedFirst) {
  const auto first = sim_.browser.OpenBrowser(918, false, false);
  const auto second = sim_.browser.OpenBrowser(918, false, false);
  killer_.CreateTracker(IEWin_);

  EXPECT_EQ(IEWin_->Count(), 1);
  EXPECT_EQ(At(Variant(std::int32_t{1}))->IEctl(), first);
  EXPECT_EQ(first->LiveSubscriptions(), 1u);
  EXPECT_EQ(second->LiveSubscriptions(), 0u) << "the dropped sink detached at once";
  EXPECT_EQ(second->go_forward_calls, 1) << "it was attached, probe included, before the drop";
}

TEST_F(PopupTrackerTest, NestedRegistrationDuringARebuildFinishesOnTheInnerCollection) {
  sim_.browser.OpenBrowser(1, false, false);
  sim_.browser.OpenBrowser(2, false, false);
  killer_.CreateTracker(IEWin_);
  int registered = 0;
  IEWin_->IEWindowRegistered.Connect([&] { ++registered; });

  // While the next rebuild enumerates its second item, a window opens and its registration is
  // delivered at once to the tracker (still subscribed through the previous list).
  bool busy_inside = false;
  sim_.browser.on_enumerate = [&](std::size_t index) {
    if (index == 1) {
      sim_.browser.on_enumerate = nullptr;
      busy_inside = IEWin_->bBusy();
      sim_.browser.OpenBrowser(3);
    }
  };
  sim_.browser.RaiseWindowRevoked();

  EXPECT_TRUE(busy_inside);
  EXPECT_EQ(registered, 1) << "the inner handler ran to its end without waiting for ever";
  // The inner rebuild listed 1, 2, 3; the outer went on adding 2 to that collection, a duplicate.
  EXPECT_EQ(Handles(), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_FALSE(IEWin_->bBusy());
  EXPECT_EQ(sim_.browser.LiveSubscriptions(), 1u);
  for (const auto& window : sim_.browser.windows()) {
    EXPECT_EQ(window->LiveSubscriptions(), 1u) << "one sink per window, no leftovers";
  }
}

TEST_F(PopupTrackerTest, FailedRebuildClearsBusyAndLeavesAUsableCollection) {
  const auto a = sim_.browser.OpenBrowser(918, false, false);
  killer_.CreateTracker(IEWin_);
  struct Row {
    const char* name;
    bool* fault;
  };
  for (const Row row :
       {Row{"create", &sim_.browser.fail_create}, Row{"enumerate", &sim_.browser.fail_enumerate},
        Row{"subscribe", &sim_.browser.fail_subscribe}}) {
    SCOPED_TRACE(row.name);
    *row.fault = true;
    EXPECT_THROW(IEWin_->RefreshIE(), platform::Failure);
    *row.fault = false;
    EXPECT_FALSE(IEWin_->bBusy());
    EXPECT_NO_THROW(IEWin_->Count());
    IEWin_->NewEnum();
    sim_.browser.RaiseWindowRegistered();  // still answered through the old subscription
    EXPECT_EQ(Handles(), std::vector<std::int32_t>{918});
  }
  EXPECT_EQ(a->LiveSubscriptions(), 1u);
}

TEST_F(PopupTrackerTest, FailedRebuildInAShellEventIsShownOnceAndTheNextEventRecovers) {
  sim_.browser.OpenBrowser(918, false, false);
  killer_.CreateTracker(IEWin_);
  int registered = 0;
  IEWin_->IEWindowRegistered.Connect([&] { ++registered; });

  sim_.browser.fail_enumerate = true;
  sim_.browser.RaiseWindowRegistered();
  EXPECT_EQ(registered, 0);
  EXPECT_EQ(sim_.ui.message_boxes().size(), 1u);
  sim_.browser.RaiseWindowRegistered();
  sim_.browser.RaiseWindowRevoked();
  EXPECT_EQ(sim_.ui.message_boxes().size(), 1u) << "one message for the run, not one per event";
  EXPECT_EQ(IEWin_->Count(), 0);
  EXPECT_FALSE(IEWin_->bBusy());

  sim_.browser.fail_enumerate = false;
  sim_.browser.RaiseWindowRegistered();
  EXPECT_EQ(registered, 1);
  EXPECT_EQ(IEWin_->Count(), 1);
}

TEST_F(PopupTrackerTest, LookupFromInsideARebuildDoesNotWaitForEver) {
  const auto a = sim_.browser.OpenBrowser(918, true, false);
  std::int32_t count_seen = -1;
  // A listener that asks the tracker for a sink while the rebuild's probe is under way.
  sim_.ui.SetDoEventsCallback([] {});
  a->on_go_forward = [&] {
    if (IEWin_) {
      EXPECT_THROW(IEWin_->IE(Variant(std::int32_t{1})), platform::Failure);
      count_seen = IEWin_->Count();
    }
  };
  killer_.CreateTracker(IEWin_);
  EXPECT_EQ(count_seen, 0);
  EXPECT_GE(sim_.ui.do_events_count(), 1) << "pending messages ran while busy";
}

TEST_F(PopupTrackerTest, RaiseIEEventConvertsArgumentsAndIgnoresUnknownCodes) {
  killer_.CreateTracker(IEWin_);
  std::vector<std::string> seen;
  IEWin_->IEMouseDown.Connect(
      [&](std::int32_t h, std::int16_t b, std::int16_t s, float x, float y) {
        seen.push_back("down " + std::to_string(h) + " " + std::to_string(b) + " " +
                       std::to_string(s) + " " + std::to_string(x) + " " + std::to_string(y));
      });
  IEWin_->IECommandStateChange.Connect([&](std::int32_t h, std::int32_t c, bool& e) {
    seen.push_back("csc " + std::to_string(h) + " " + std::to_string(c) + (e ? " on" : " off"));
  });
  IEWin_->IEDownloadBegin.Connect(
      [&](std::int32_t h) { seen.push_back("dl " + std::to_string(h)); });

  IEWin_->RaiseIEEvent(
      6, 7, {Variant(std::string("1")), Variant(true), Variant(std::int32_t{3}), Variant(2.5f)});
  IEWin_->RaiseIEEvent(9, 7, {Variant(std::int16_t{2}), Variant(std::string("True"))});
  IEWin_->RaiseIEEvent(9, 7, {Variant(2.5f), Variant(std::int32_t{0})});
  IEWin_->RaiseIEEvent(3, 7, {});
  for (std::int32_t code : {0, 10, -1, 1000}) {
    SCOPED_TRACE(code);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(IEWin_->RaiseIEEvent(code, 7, {})));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"down 7 1 -1 3.000000 2.500000", "csc 7 2 on",
                                            "csc 7 2 off", "dl 7"}));

  struct Bad {
    std::int32_t code;
    VariantList list;
    platform::Status status;
  };
  const Bad bad[] = {
      {1, {}, popup::kSubscriptOutOfRange},
      {6,
       {Variant(std::int16_t{1}), Variant(std::int16_t{0}), Variant(1.0f)},
       popup::kSubscriptOutOfRange},
      {6, {Variant(std::int32_t{40000}), Variant(), Variant(), Variant()}, popup::kOverflow},
      {9, {Variant(std::string("x")), Variant(true)}, popup::kTypeMismatch},
      {2, {Variant(std::string("not an object")), Variant()}, popup::kTypeMismatch},
  };
  for (const Bad& row : bad) {
    SCOPED_TRACE(row.code);
    try {
      IEWin_->RaiseIEEvent(row.code, 7, row.list);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure& failure) {
      EXPECT_EQ(failure.status(), row.status);
    }
  }
}

TEST_F(PopupTrackerTest, RelayIgnoresEveryFailureAndNeverReachesAGoneTracker) {
  popup::PopupState& state = killer_.state();
  std::int32_t handle = 5;
  popup::RelayIEEvent(state, 3, handle, {});  // no tracker yet: dropped

  killer_.CreateTracker(IEWin_);
  int downloads = 0;
  IEWin_->IEDownloadBegin.Connect([&](std::int32_t) { ++downloads; });
  IEWin_->IEDownloadComplete.Connect([](std::int32_t) { throw std::runtime_error("listener"); });
  popup::RelayIEEvent(state, 3, handle, {});
  popup::RelayIEEvent(state, 4, handle, {});  // a throwing listener stays inside the relay
  popup::RelayIEEvent(state, 6, handle, {});  // too short
  EXPECT_EQ(downloads, 1);

  // A sink that outlives its tracker relays into nothing.
  const auto browser = sim_.browser.OpenBrowser(918);
  const auto sink = IEWin_->IE(Variant(std::string("918")));
  std::weak_ptr<popup::cIEWindows> watch = IEWin_;
  IEWin_.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(browser->LiveSubscriptions(), 1u) << "only the sink we hold is still attached";
  browser->FireDownloadBegin();
  EXPECT_FALSE(browser->FireBeforeNavigate2("http://a.example/"));
  EXPECT_EQ(downloads, 1);
  EXPECT_EQ(sim_.browser.LiveSubscriptions(), 0u) << "the shell subscription ended with it";
}

TEST_F(PopupTrackerTest, TheNewestTrackerIsTheRelayTarget) {
  const auto browser = sim_.browser.OpenBrowser(918, false, false);
  std::shared_ptr<popup::cIEWindows> older;
  killer_.CreateTracker(older);
  killer_.CreateTracker(IEWin_);
  int older_seen = 0;
  int newer_seen = 0;
  older->IEDownloadBegin.Connect([&](std::int32_t) { ++older_seen; });
  IEWin_->IEDownloadBegin.Connect([&](std::int32_t) { ++newer_seen; });

  browser->FireDownloadBegin();  // both trackers' sinks report it, to the newest tracker
  EXPECT_EQ(older_seen, 0);
  EXPECT_EQ(newer_seen, 2);
}

}  // namespace
}  // namespace velqor
