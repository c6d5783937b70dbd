#include "platform/sim/ui.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST_F(HeadlessUiTest, UserClicksChangeValuesAsTheRealControlsDo) {
  const ControlId box = Add(ControlKind::kCheckBox, "chk");
  int& box_clicks = Count(box);
  struct Row {
    int before;
    int after;
  };
  for (const Row row : {Row{0, 1}, Row{1, 0}, Row{2, 0}}) {
    SCOPED_TRACE(row.before);
    window_->SetValue(box, row.before);
    const int clicks = box_clicks;
    EXPECT_TRUE(window_->Click(box));
    EXPECT_EQ(window_->Value(box), row.after);
    EXPECT_EQ(box_clicks, clicks + 1);
  }

  const ControlId frame = Add(ControlKind::kFrame, "frame");
  const ControlId a = Add(ControlKind::kOptionButton, "optA", frame);
  const ControlId b = Add(ControlKind::kOptionButton, "optB", frame);
  const ControlId outside = Add(ControlKind::kOptionButton, "optOutside");
  int& a_clicks = Count(a);
  int& b_clicks = Count(b);
  window_->SetValue(outside, 1);
  EXPECT_TRUE(window_->Click(a));
  EXPECT_TRUE(window_->Click(b));
  EXPECT_EQ(window_->Value(a), 0) << "siblings in the same frame are cleared";
  EXPECT_EQ(window_->Value(b), 1);
  EXPECT_EQ(window_->Value(outside), 1) << "another container keeps its own choice";
  EXPECT_EQ(a_clicks, 1) << "a cleared sibling reports nothing";
  EXPECT_TRUE(window_->Click(b));
  EXPECT_EQ(b_clicks, 1) << "clicking the set option again reports nothing";

  const ControlId plain = Add(ControlKind::kLabel, "lblPlain");
  const ControlId link = Add(ControlKind::kLabel, "lblLink", kNoControl, true);
  int& plain_clicks = Count(plain);
  int& link_clicks = Count(link);
  EXPECT_FALSE(window_->Click(plain));
  EXPECT_TRUE(window_->ClickByName("lblLink"));
  EXPECT_EQ(plain_clicks, 0);
  EXPECT_EQ(link_clicks, 1);
  EXPECT_THROW(window_->ClickByName("nothing"), Failure);
}

TEST_F(HeadlessUiTest, HiddenOrDisabledControlsAndTheirContentsIgnoreTheUser) {
  const ControlId frame = Add(ControlKind::kFrame, "frame");
  const ControlId inner = Add(ControlKind::kButton, "inner", frame);
  const ControlId button = Add(ControlKind::kButton, "button");
  int& inner_clicks = Count(inner);
  int& button_clicks = Count(button);

  window_->SetVisible(frame, false);
  EXPECT_TRUE(window_->IsVisible(inner)) << "its own flag is unchanged";
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
  EXPECT_EQ(inner_clicks, 1);
  EXPECT_EQ(button_clicks, 0);

  // Code can still set values of what the user cannot reach, and that fires as always.
  const ControlId box = Add(ControlKind::kCheckBox, "chk", frame);
  int& box_clicks = Count(box);
  window_->SetVisible(frame, false);
  window_->SetValue(box, 1);
  window_->SetValue(box, 1);
  EXPECT_EQ(box_clicks, 1) << "only a change fires";
}

TEST_F(HeadlessUiTest, ListSelectionFiresOnChangeAndRefusesMissingRows) {
  const ControlId list = Add(ControlKind::kListBox, "lst");
  int& clicks = Count(list);
  window_->AddItem(list, "one");
  window_->AddItem(list, "two");
  EXPECT_TRUE(window_->SelectRow(list, 1));
  EXPECT_EQ(window_->Text(list), "two");
  window_->SetSelection(list, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_THROW(window_->SetSelection(list, 2), Failure);
  EXPECT_THROW(window_->SelectRow(list, -1), Failure);
  EXPECT_EQ(window_->Selection(list), 1) << "a refused row changes nothing";
  window_->ClearItems(list);
  EXPECT_EQ(window_->Selection(list), -1);
  EXPECT_EQ(window_->ItemCount(list), 0);
  EXPECT_THROW(window_->ItemText(list, 0), Failure);
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

}  // namespace
}  // namespace velqor::platform::sim
