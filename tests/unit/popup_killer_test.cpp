// The new-window rule and the switch, end to end over the simulated shell and settings store,
// and the start of the tracker as the main window makes it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "popup/popup_killer.h"
#include "platform/sim/platform.h"

namespace velqor {
namespace {

using platform::kVkControl;

class PopupKillerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::WindowSpec window_spec;
    window_spec.name = "Form1";
    window_spec.caption = "Velqor";
    form_ = sim_.ui.CreateForm(window_spec);
    auto* window = static_cast<platform::sim::HeadlessWindow*>(form_.get());
    headless_ = window;
    platform::ControlSpec def;
    def.kind = platform::ControlKind::kCheckBox;
    def.name = "chkPopupKillerActivate";
    def.caption = std::string(popup::kChkPopupKillerActivateCaption);
    def.rect = {120, 240, 5655, 375};
    chk_ = form_->AddControl(def);
    form_->Show();
    form_->OnClick(chk_, [this] { killer_.chkPopupKillerActivate_Click(*form_, chk_); });
    browser_ = sim_.browser.OpenBrowser(918, false, false);
    killer_.CreateTracker(IEWin_);
  }
  std::optional<std::string> Stored() {
    return sim_.settings.GetSetting("Velqor", "PopupKiller", "IsActive");
  }

  SimPlatform sim_;
  popup::PopupKiller killer_{sim_.platform};
  std::unique_ptr<platform::Window> form_;
  platform::sim::HeadlessWindow* headless_ = nullptr;
  platform::ControlId chk_ = platform::kNoControl;
  std::shared_ptr<platform::sim::SimBrowser> browser_;
  std::shared_ptr<popup::cIEWindows> IEWin_;
};

TEST_F(PopupKillerTest, KillerOffLetsEveryWindowOpenWithoutABeep) {
  EXPECT_FALSE(browser_->FireNewWindow2());
  sim_.input.Press(kVkControl);
  EXPECT_FALSE(browser_->FireNewWindow2());
  EXPECT_TRUE(sim_.input.beeps.empty());
  EXPECT_EQ(sim_.input.queries[kVkControl], 2) << "Control is queried whether on or off";
}

TEST_F(PopupKillerTest, KillerOnCancelsEachRequestWithOneBeepUnlessControlCounts) {
  headless_->Click(chk_);
  ASSERT_TRUE(killer_.state().bKillerActive);

  EXPECT_TRUE(browser_->FireNewWindow2());
  EXPECT_TRUE(browser_->FireNewWindow2());
  ASSERT_EQ(sim_.input.beeps.size(), 2u);
  EXPECT_EQ(sim_.input.beeps[0], std::make_pair(950u, 150u));

  sim_.input.Press(kVkControl);  // held
  EXPECT_FALSE(browser_->FireNewWindow2());
  sim_.input.Release(kVkControl);
  EXPECT_TRUE(browser_->FireNewWindow2()) << "released and already queried: blocked again";

  sim_.input.Tap(kVkControl);  // pressed and released before the request, not queried since
  EXPECT_FALSE(browser_->FireNewWindow2());
  EXPECT_TRUE(browser_->FireNewWindow2()) << "the latch was consumed by that query";
  EXPECT_EQ(sim_.input.beeps.size(), 4u);
  EXPECT_EQ(browser_->windows_blocked, 4);
}

TEST_F(PopupKillerTest, FolderWindowsAndEveryTrackedWindowAreTreatedAlike) {
  const auto folder = sim_.browser.OpenFolder(77);
  headless_->Click(chk_);
  EXPECT_TRUE(folder->FireNewWindow2());
  EXPECT_TRUE(browser_->FireNewWindow2());
  // A window that opened without its registration being handled has no sink yet.
  const auto untracked = sim_.browser.OpenBrowser(500, false, /*notify=*/false);
  EXPECT_FALSE(untracked->FireNewWindow2());
  sim_.browser.RaiseWindowRegistered();
  EXPECT_TRUE(untracked->FireNewWindow2());
}

TEST_F(PopupKillerTest, SwitchStoresOneOrZeroBeforeChangingTheKiller) {
  headless_->Click(chk_);
  EXPECT_EQ(Stored(), "1");
  EXPECT_TRUE(killer_.state().bKillerActive);
  headless_->Click(chk_);
  EXPECT_EQ(Stored(), "0");
  EXPECT_FALSE(killer_.state().bKillerActive);
  EXPECT_FALSE(browser_->FireNewWindow2());
  headless_->Click(chk_);
  EXPECT_EQ(Stored(), "1");
  EXPECT_TRUE(killer_.state().bKillerActive);
  EXPECT_EQ(sim_.settings.writes, 3);
}

TEST_F(PopupKillerTest, RestartWithOneStoredStartsWithTheKillerOff) {
  sim_.settings.SaveSetting("Velqor", "PopupKiller", "IsActive", "1");
  popup::PopupKiller restarted{sim_.platform};
  std::shared_ptr<popup::cIEWindows> tracker;
  restarted.CreateTracker(tracker);
  EXPECT_FALSE(restarted.state().bKillerActive);
  EXPECT_FALSE(restarted.state().bCancelPending);
  EXPECT_FALSE(browser_->FireNewWindow2());
  EXPECT_TRUE(sim_.input.beeps.empty());
}

TEST_F(PopupKillerTest, RefusedStoreWritePutsTheBoxBackAndSaysSo) {
  sim_.settings.refuse_writes = true;
  headless_->Click(chk_);
  EXPECT_EQ(form_->Value(chk_), 0) << "the box shows the killer's real state";
  EXPECT_FALSE(killer_.state().bKillerActive);
  ASSERT_EQ(sim_.ui.message_boxes().size(), 1u) << "one report, no second handler run";
  EXPECT_NE(sim_.ui.message_boxes()[0].prompt.find("could not be switched on"), std::string::npos);
  EXPECT_FALSE(Stored().has_value());

  sim_.settings.refuse_writes = false;
  headless_->Click(chk_);
  ASSERT_TRUE(killer_.state().bKillerActive);
  sim_.settings.refuse_writes = true;
  headless_->Click(chk_);  // switching off fails: it stays on, and the box says on
  EXPECT_EQ(form_->Value(chk_), 1);
  EXPECT_TRUE(killer_.state().bKillerActive);
  EXPECT_EQ(Stored(), "1");
  EXPECT_TRUE(browser_->FireNewWindow2());
}

TEST_F(PopupKillerTest, TrackerThatCannotSubscribeSaysSoOnceInPlainWords) {
  SimPlatform sim;
  sim.browser.fail_subscribe = true;
  const auto browser = sim.browser.OpenBrowser(918, false, false);
  popup::PopupKiller killer{sim.platform};
  std::shared_ptr<popup::cIEWindows> IEWin;
  platform::RunHandler(sim.ui, [&] { killer.CreateTracker(IEWin); });

  ASSERT_EQ(sim.ui.message_boxes().size(), 1u);
  const std::string& prompt = sim.ui.message_boxes()[0].prompt;
  EXPECT_EQ(prompt.rfind(popup::kCannotWatchMessage, 0), 0u) << prompt;
  EXPECT_EQ(prompt.find("0x"), std::string::npos) << prompt;
  ASSERT_NE(IEWin, nullptr) << "the tracker is kept";
  EXPECT_FALSE(IEWin->bBusy());
  EXPECT_EQ(IEWin->Count(), 1) << "the windows it could attach are watched";
  // The switch still works for them.
  killer.state().bKillerActive = true;
  EXPECT_TRUE(browser->FireNewWindow2());
}

}  // namespace
}  // namespace velqor
