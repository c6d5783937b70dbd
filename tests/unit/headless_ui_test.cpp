#include "platform/sim/ui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace velqor::platform::sim {
namespace {

class HeadlessUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owned_ = ui_.CreateForm({"Form", "Caption", 3000, 3000, "", std::nullopt});
    window_ = static_cast<HeadlessWindow*>(owned_.get());
    window_->Show();
  }

  ControlId Add(ControlKind kind, const std::string& name, ControlId parent = kNoControl,
                bool clickable = false) {
    ControlSpec def;
    def.kind = kind;
    def.name = name;
    def.parent = parent;
    def.caption = name;
    def.clickable = clickable;
    return window_->AddControl(def);
  }

  // Registers a handler that counts its calls.
  int& Count(ControlId control) {
    counts_.push_back(std::make_unique<int>(0));
    int& count = *counts_.back();
    window_->OnClick(control, [&count] { ++count; });
    return count;
  }

  HeadlessUi ui_;
  std::unique_ptr<Window> owned_;
  HeadlessWindow* window_ = nullptr;
  std::vector<std::unique_ptr<int>> counts_;
};

// What each user action answers; the rules behind the answers are the UI contract's.
TEST_F(HeadlessUiTest, UserActionsSayWhetherTheWindowResponded) {
  const ControlId frame = Add(ControlKind::kFrame, "frame");
  const ControlId inner = Add(ControlKind::kButton, "inner", frame);
  const ControlId button = Add(ControlKind::kButton, "button");
  const ControlId box = Add(ControlKind::kCheckBox, "chk");
  const ControlId option = Add(ControlKind::kOptionButton, "opt");
  const ControlId plain = Add(ControlKind::kLabel, "lblPlain");
  Add(ControlKind::kLabel, "lblLink", kNoControl, true);
  const ControlId list = Add(ControlKind::kListBox, "lst");
  window_->AddItem(list, "one");
  window_->AddItem(list, "two");
  EXPECT_TRUE(window_->Click(box));
  EXPECT_TRUE(window_->Click(option));
  EXPECT_TRUE(window_->Click(option)) << "a set option takes the click and reports nothing";
  EXPECT_FALSE(window_->Click(plain));
  EXPECT_TRUE(window_->ClickByName("lblLink"));
  EXPECT_THROW(window_->ClickByName("nothing"), Failure);

  window_->SetVisible(frame, false);
  EXPECT_FALSE(window_->IsSeen(inner));
  EXPECT_FALSE(window_->Click(inner));
  window_->SetVisible(frame, true);
  window_->SetEnabled(frame, false);
  EXPECT_FALSE(window_->Click(inner));
  window_->SetEnabled(frame, true);
  EXPECT_TRUE(window_->Click(inner));
  window_->SetEnabled(button, false);
  EXPECT_FALSE(window_->Click(button));
  window_->SetEnabled(button, true);
  window_->SetVisible(button, false);
  EXPECT_FALSE(window_->Click(button));

  EXPECT_TRUE(window_->SelectRow(list, 1));
  EXPECT_THROW(window_->SelectRow(list, -1), Failure);
  EXPECT_THROW(window_->SelectRow(box, 0), Failure) << "not a list";
  EXPECT_EQ(window_->Selection(list), 1);
}

TEST_F(HeadlessUiTest, FailuresInHandlersAreShownAndTheProgramGoesOn) {
  const ControlId button = Add(ControlKind::kButton, "button");
  window_->OnClick(button, [] { throw Failure(kFileNotFound, "Could not start \"wupdmgr\""); });
  EXPECT_TRUE(window_->Click(button));
  ASSERT_NE(ui_.last_message_box(), nullptr);
  EXPECT_EQ(ui_.last_message_box()->prompt, "Could not start \"wupdmgr\"");
  EXPECT_EQ(ui_.last_message_box()->title, "Velqor");
  EXPECT_TRUE(window_->IsOpen());
  EXPECT_FALSE(ui_.quit_requested());
}

TEST_F(HeadlessUiTest, MessageBoxesAnswerFromTheScriptThenByDefault) {
  ui_.AnswerNextMessageBox(kIdYes);
  EXPECT_EQ(ui_.MessageBox("first", "t", kMbYesNo), kIdYes);
  EXPECT_EQ(ui_.MessageBox("second", "t", kMbYesNo | kMbIconExclamation), kIdNo);
  EXPECT_EQ(ui_.MessageBox("third", "t", kMbOk), kIdOk);
  ASSERT_EQ(ui_.message_boxes().size(), 3U);
  EXPECT_EQ(ui_.message_boxes()[1].style, kMbYesNo | kMbIconExclamation);
  EXPECT_EQ(ui_.message_boxes()[1].answer, kIdNo);
}

TEST_F(HeadlessUiTest, IconsLoadOnlyFromFilesThatExist) {
  ui_.AddFile("C:\\Velqor\\start.ico");
  window_->SetIcon("c:\\velqor/START.ico");
  EXPECT_EQ(window_->icon(), "c:\\velqor/START.ico");
  try {
    window_->SetIcon("C:\\Velqor\\stop.ico");
    FAIL() << "a missing file must raise";
  } catch (const Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("C:\\Velqor\\stop.ico"), std::string::npos);
  }
  EXPECT_EQ(window_->icon_history().size(), 1U) << "the current icon stays";
}

TEST_F(HeadlessUiTest, MenusCloseAndQuitFollowTheUser) {
  int exits = 0;
  int greyed = 0;
  window_->SetMenu({{"file", "&File", {{"ex", "Exit", true}, {"grey", "Greyed", false}}}});
  window_->OnMenu("ex", [&] { ++exits; });
  window_->OnMenu("grey", [&] { ++greyed; });
  EXPECT_FALSE(window_->ChooseMenu("grey"));
  EXPECT_TRUE(window_->ChooseMenu("ex"));
  EXPECT_THROW(window_->ChooseMenu("missing"), Failure);
  EXPECT_EQ(greyed, 0);
  EXPECT_EQ(exits, 1);

  std::vector<std::string> order;
  window_->OnQueryUnload(
      [&] { order.push_back(window_->IsOpen() ? "unload while open" : "unload after close"); });
  EXPECT_EQ(ui_.FindWindow("Form"), window_);
  EXPECT_TRUE(window_->RequestClose());
  EXPECT_EQ(order, std::vector<std::string>{"unload while open"});
  EXPECT_FALSE(window_->IsOpen());
  EXPECT_EQ(ui_.FindWindow("Form"), nullptr);

  // A closed window ignores everything and reads as empty.
  window_->SetCaption("late");
  window_->Close();
  EXPECT_EQ(window_->Caption(), "");
  EXPECT_EQ(window_->query_unload_count(), 1);
  EXPECT_EQ(window_->AddControl({}), kNoControl);
  EXPECT_FALSE(window_->ChooseMenu("ex"));
}

TEST_F(HeadlessUiTest, AfterQuitNoFurtherEventIsHandled) {
  const ControlId button = Add(ControlKind::kButton, "button");
  int& clicks = Count(button);
  ui_.Quit();
  EXPECT_TRUE(ui_.quit_requested());
  EXPECT_FALSE(window_->Click(button));
  EXPECT_EQ(clicks, 0);
}

TEST_F(HeadlessUiTest, DoEventsCountsAndRunsItsCallbackThroughTheDispatcher) {
  int runs = 0;
  ui_.SetDoEventsCallback([&] {
    ++runs;
    throw Failure(kAccessDenied, "pending event failed");
  });
  ui_.DoEvents();
  ui_.DoEvents();
  EXPECT_EQ(ui_.do_events_count(), 2);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(ui_.message_boxes().size(), 2U);
}

TEST_F(HeadlessUiTest, AHandlerThatDestroysItsOwnWindowIsSurvived) {
  const ControlId button = Add(ControlKind::kButton, "button");
  window_->OnClick(button, [this] { owned_.reset(); });
  EXPECT_TRUE(window_->Click(button));
  EXPECT_EQ(owned_, nullptr);
  EXPECT_TRUE(ui_.Windows().empty());
}

// The batch fill and the merge after it against the plain one-by-one fill, with ties, letter
// case and a selection that must follow its row.
TEST_F(HeadlessUiTest, RowsAddedTogetherMatchRowsAddedOneByOne) {
  const std::vector<std::string> words = {"b", "A", "a", "c", "B", "", "ab", "C"};
  std::vector<Row> first;
  std::vector<Row> later;
  for (std::uint64_t i = 0; i < 40; ++i) {
    (i < 12 ? first : later)
        .push_back({i, {words[i % words.size()], words[(i * 5 + 3) % words.size()]}});
  }
  const std::vector<std::pair<int, bool>> sorts = {{-1, true}, {0, true}, {1, false}};
  for (const auto& [column, ascending] : sorts) {
    SCOPED_TRACE(column);
    std::vector<std::unique_ptr<Window>> windows;
    std::vector<ControlId> lists;
    for (std::size_t i = 0; i < 2; ++i) {
      windows.push_back(ui_.CreateForm({"Form", "Caption", 3000, 3000, "", std::nullopt}));
      lists.push_back(windows.back()->AddControl({.kind = ControlKind::kReportList,
                                                  .name = "lvw",
                                                  .columns = {{"One", 900}, {"Two", 900}}}));
    }
    Window& one_by_one = *windows[0];
    Window& together = *windows[1];
    for (const Row& row : first) one_by_one.AddRow(lists[0], row);
    together.AddRows(lists[1], first);
    for (std::size_t i = 0; i < 2; ++i) {
      windows[i]->SetSelection(lists[i], 5);
      if (column >= 0) windows[i]->SortBy(lists[i], column, ascending);
    }
    for (const Row& row : later) one_by_one.AddRow(lists[0], row);
    together.AddRows(lists[1], later);
    ASSERT_EQ(together.ItemCount(lists[1]), 40);
    for (int row = 0; row < 40; ++row) {
      EXPECT_EQ(together.RowAt(lists[1], row).key, one_by_one.RowAt(lists[0], row).key) << row;
    }
    EXPECT_EQ(together.Selection(lists[1]), one_by_one.Selection(lists[0]));
    EXPECT_EQ(together.SelectedKey(lists[1]), 5U);
    const auto& shown = static_cast<HeadlessWindow&>(together).records().report_rows.at(lists[1]);
    for (std::size_t row = 0; row < shown.size(); ++row) {
      EXPECT_EQ(shown[row].key, together.RowAt(lists[1], static_cast<int>(row)).key);
    }
  }
}

}  // namespace
}  // namespace velqor::platform::sim
