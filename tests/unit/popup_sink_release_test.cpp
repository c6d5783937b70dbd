// A sink released while it is handling one of its own events: a listener of the tracker's event
// rebuilds the tracked set (a window opens meanwhile), and the sink that relayed the event goes
// before its handler has returned. The handler must finish without touching the released sink
// (AddressSanitizer reports it otherwise), and the released sink must receive nothing more.
#include <gtest/gtest.h>

#include <memory>

#include "popup/popup_killer.h"
#include "platform/sim/platform.h"

namespace velqor {
namespace {

TEST(PopupSinkReleaseTest, SinkReleasedDuringItsOwnEventFinishesTheEventAndReceivesNothingMore) {
  SimPlatform sim;
  popup::PopupKiller killer(sim.platform);
  std::shared_ptr<popup::cIEWindows> IEWin;
  const auto page = sim.browser.OpenBrowser(918);
  killer.CreateTracker(IEWin);
  ASSERT_EQ(IEWin->Count(), 1);
  const std::weak_ptr<popup::IE_Class> first = IEWin->NewEnum().front();

  // Each listener opens a window, whose announcement rebuilds the tracker inside the relay.
  int navigations = 0;
  int menus = 0;
  std::int32_t next_handle = 1000;
  IEWin->IENavigationBegin.Connect([&](std::int32_t, platform::BrowserRef, platform::Variant,
                                       platform::Variant, platform::Variant, platform::Variant,
                                       platform::Variant, bool&) {
    ++navigations;
    sim.browser.OpenFolder(next_handle++);
  });
  IEWin->IEOnContextMenu.Connect([&](std::int32_t) {
    ++menus;
    sim.browser.OpenFolder(next_handle++);
  });

  // The rebuild's forward probes settle the pending cancel; the handler then reads it safely.
  killer.state().bCancelPending = true;
  EXPECT_FALSE(page->FireBeforeNavigate2("http://ads.example/"));
  EXPECT_FALSE(killer.state().bCancelPending);
  EXPECT_EQ(navigations, 1);
  EXPECT_TRUE(first.expired()) << "the sink that relayed the event has gone with the rebuild";
  EXPECT_EQ(page->LiveSubscriptions(), 1u) << "only the new sink listens";

  // And the same for a context menu.
  killer.state().bCancelPending = true;
  const std::weak_ptr<popup::IE_Class> second = IEWin->IE(std::string("918"));
  EXPECT_TRUE(page->document->FireContextMenu());
  EXPECT_FALSE(killer.state().bCancelPending);
  EXPECT_EQ(menus, 1);
  EXPECT_TRUE(second.expired());

  // Without a pending cancel both go ahead, and each event still reaches one sink only.
  EXPECT_FALSE(page->FireBeforeNavigate2("http://example.org/"));
  EXPECT_TRUE(page->document->FireContextMenu());
  EXPECT_EQ(navigations, 2);
  EXPECT_EQ(menus, 2);
  EXPECT_EQ(IEWin->Count(), 5);
  EXPECT_FALSE(IEWin->bBusy());
}

}  // namespace
}  // namespace velqor
