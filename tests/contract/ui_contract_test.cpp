// What every handler relies on from a window, checked against the headless user interface
// natively and against real windows under Wine: the headless one is trusted only as far as it
// passes this suite.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "ui_env.h"

namespace velqor::contract {
namespace {

using platform::ControlId;
using platform::ControlKind;
using platform::Failure;
using platform::kNoControl;

template <typename Env>
class UiContract : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = env_.ui().CreateForm({"frmContract", "Contract", 6000, 6000, "", std::nullopt});
    window_->Show();
  }

  ControlId Add(ControlKind kind, const std::string& name, ControlId parent = kNoControl,
                bool clickable = false) {
    platform::ControlSpec def;
    def.kind = kind;
    def.name = name;
    def.parent = parent;
    def.caption = name;
    def.clickable = clickable;
    def.rect = {60 + 1200 * (next_ % 4), 60 + 400 * (next_ / 4), 1100, 300};
    ++next_;
    return window_->AddControl(def);
  }
  // Counts the click handler's runs of each control.
  void Count(std::initializer_list<ControlId> ids) {
    for (ControlId id : ids) {
      window_->OnClick(id, [this, id] { ++clicks_[id]; });
    }
  }

  Env env_;
  std::unique_ptr<platform::Window> window_;
  std::map<ControlId, int> clicks_;
  int next_ = 0;
};

TYPED_TEST_SUITE(UiContract, UiEnvironments);

TYPED_TEST(UiContract, ValuesAndSelectionsSetByTheProgramFireOnceAndOnlyOnAChange) {
  auto& w = *this->window_;
  const ControlId box = this->Add(ControlKind::kCheckBox, "chk");
  const ControlId list = this->Add(ControlKind::kListBox, "lst");
  const ControlId text = this->Add(ControlKind::kTextBox, "txt");
  this->Count({box});
  w.SetValue(box, 1);
  w.SetValue(box, 1);
  EXPECT_EQ(this->clicks_[box], 1);
  w.SetValue(box, 0);
  EXPECT_EQ(this->clicks_[box], 2);
  EXPECT_EQ(w.Value(box), 0);
  w.SetValue(box, 2);
  EXPECT_EQ(this->env_.ShownValue(w, box), 2) << "greyed";

  // A user's click: 0->1, 1->0 and out of grey to 0, each reported once.
  for (const auto& [before, after] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{2, 0}}) {
    SCOPED_TRACE(before);
    w.SetValue(box, before);
    const int clicks = this->clicks_[box];
    this->env_.Click(w, box);
    EXPECT_EQ(w.Value(box), after);
    EXPECT_EQ(this->env_.ShownValue(w, box), after);
    EXPECT_EQ(this->clicks_[box], clicks + 1);
  }

  // A handler that copies the selection elsewhere, as the startup manager's mirroring does.
  for (const char* row : {"zeta", "alpha", "mid"}) {
    w.AddItem(list, row);
  }
  w.OnClick(list, [&] {
    ++this->clicks_[list];
    w.SetText(text, w.Text(list));
  });
  w.SetSelection(list, 2);
  w.SetSelection(list, 2);
  EXPECT_EQ(this->clicks_[list], 1);
  EXPECT_EQ(w.Text(text), "mid");
  EXPECT_EQ(this->env_.ShownSelection(w, list), 2);
  this->env_.SelectRow(w, list, 1);
  EXPECT_EQ(this->clicks_[list], 2);
  EXPECT_EQ(w.Text(list), "alpha");
  EXPECT_THROW(w.SetSelection(list, 3), Failure);
  EXPECT_EQ(w.Selection(list), 1) << "a refused row changes nothing";
  EXPECT_THROW(w.ItemText(list, 3), Failure);
  w.ClearItems(list);
  EXPECT_EQ(w.ItemCount(list), 0);
  EXPECT_EQ(w.Selection(list), -1);
  EXPECT_THROW(w.SetSelection(list, 0), Failure);
  EXPECT_THROW(w.ItemText(list, 0), Failure);
}

TYPED_TEST(UiContract, OptionButtonsOfOneContainerClearEachOther) {
  auto& w = *this->window_;
  const ControlId frame = this->Add(ControlKind::kFrame, "frame");
  const ControlId a = this->Add(ControlKind::kOptionButton, "optA", frame);
  const ControlId b = this->Add(ControlKind::kOptionButton, "optB", frame);
  const ControlId outside = this->Add(ControlKind::kOptionButton, "optOutside");
  this->Count({a, b, outside});
  w.SetValue(outside, 1);
  w.SetValue(b, 1);
  w.SetValue(a, 1);
  EXPECT_EQ(w.Value(a), 1);
  EXPECT_EQ(w.Value(b), 0) << "one choice per frame";
  EXPECT_EQ(this->clicks_[a], 1);
  EXPECT_EQ(this->clicks_[b], 1);

  this->env_.Click(w, b);
  EXPECT_EQ(w.Value(a), 0) << "siblings in the same frame are cleared";
  EXPECT_EQ(this->env_.ShownValue(w, a), 0);
  EXPECT_EQ(w.Value(b), 1);
  EXPECT_EQ(w.Value(outside), 1) << "another container keeps its own choice";
  EXPECT_EQ(this->env_.ShownValue(w, outside), 1);
  EXPECT_EQ(this->clicks_[a], 1) << "a cleared sibling reports nothing";
  EXPECT_EQ(this->clicks_[b], 2);
  this->env_.Click(w, b);
  EXPECT_EQ(this->clicks_[b], 2) << "clicking the set option again reports nothing";
}

TYPED_TEST(UiContract, HiddenOrDisabledControlsAndTheirContentsIgnoreTheUser) {
  auto& w = *this->window_;
  const ControlId frame = this->Add(ControlKind::kFrame, "frame");
  const ControlId inner = this->Add(ControlKind::kButton, "inner", frame);
  const ControlId box = this->Add(ControlKind::kCheckBox, "chk", frame);
  const ControlId other = this->Add(ControlKind::kFrame, "other");
  const ControlId label = this->Add(ControlKind::kLabel, "lblLink", other, true);
  const ControlId plain = this->Add(ControlKind::kLabel, "lblPlain", other);
  const ControlId button = this->Add(ControlKind::kButton, "button");
  this->Count({inner, box, label, plain, button});

  // Hiding a frame hides its controls, which keep their own state; the other frame is seen.
  w.SetVisible(frame, false);
  EXPECT_TRUE(w.IsVisible(inner)) << "its own flag is unchanged";
  EXPECT_FALSE(w.IsVisible(frame));
  EXPECT_FALSE(this->env_.Seen(w, inner));
  EXPECT_TRUE(this->env_.Seen(w, label));
  this->env_.NotifyClick(w, inner);
  this->env_.NotifyClick(w, box);
  EXPECT_EQ(w.Value(box), 0);
  EXPECT_EQ(this->env_.ShownValue(w, box), 0);
  w.SetVisible(frame, true);
  EXPECT_TRUE(this->env_.Seen(w, inner));
  w.SetEnabled(frame, false);
  this->env_.NotifyClick(w, inner);
  this->env_.Click(w, box);
  EXPECT_EQ(this->env_.ShownValue(w, box), 0) << "a disabled box keeps its state";
  w.SetEnabled(frame, true);
  this->env_.Click(w, inner);
  EXPECT_EQ(this->clicks_[inner], 1);

  w.SetEnabled(button, false);
  EXPECT_FALSE(w.IsEnabled(button));
  this->env_.NotifyClick(w, button);
  w.SetEnabled(button, true);
  w.SetVisible(button, false);
  this->env_.NotifyClick(w, button);
  EXPECT_EQ(this->clicks_[button], 0);
  EXPECT_EQ(this->clicks_[box], 0);

  // Only a label that starts something reports a click.
  this->env_.Click(w, plain);
  this->env_.Click(w, label);
  EXPECT_EQ(this->clicks_[plain], 0);
  EXPECT_EQ(this->clicks_[label], 1);

  // Code can still set values of what the user cannot reach, and that fires as always.
  w.SetVisible(frame, false);
  w.SetValue(box, 1);
  w.SetValue(box, 1);
  EXPECT_EQ(this->clicks_[box], 1) << "only a change fires";
}

TYPED_TEST(UiContract, AWindowNotShownIgnoresClicksUntilItIsShown) {
  auto hidden = this->env_.ui().CreateForm({"frmHidden", "Hidden", 3000, 3000, "", std::nullopt});
  platform::ControlSpec def{
      .kind = ControlKind::kButton, .name = "cmd", .rect = {60, 60, 1100, 300}};
  const ControlId button = hidden->AddControl(def);
  def = {.kind = ControlKind::kCheckBox, .name = "chk", .rect = {60, 460, 1100, 300}};
  const ControlId box = hidden->AddControl(def);
  int clicks = 0;
  hidden->OnClick(button, [&] { ++clicks; });
  hidden->OnClick(box, [&] { ++clicks; });
  for (const ControlId id : {button, box}) {
    this->env_.Click(*hidden, id);
    this->env_.NotifyClick(*hidden, id);
  }
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(hidden->Value(box), 0);
  EXPECT_EQ(this->env_.ShownValue(*hidden, box), 0) << "a box that changed itself is put back";
  hidden->Show();
  this->env_.Click(*hidden, button);
  this->env_.Click(*hidden, box);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(hidden->Value(box), 1);
}

TYPED_TEST(UiContract, ListRowsKeepTheirOrderAndTextExactly) {
  auto& w = *this->window_;
  const ControlId list = this->Add(ControlKind::kListBox, "lst");
  const std::vector<std::string> rows = {"zeta", "alpha", "", "Caf\xC3\xA9 \xE2\x82\xAC", "mid"};
  for (const std::string& row : rows) {
    w.AddItem(list, row);
  }
  w.AddItem(list, std::string("cut\0here", 8));
  std::vector<std::string> expected = rows;
  expected.emplace_back("cut");  // as the native list shows it: up to the NUL
  ASSERT_EQ(w.ItemCount(list), static_cast<int>(expected.size()));
  for (int row = 0; row < w.ItemCount(list); ++row) {
    EXPECT_EQ(w.ItemText(list, row), expected[static_cast<size_t>(row)]);
  }
  EXPECT_EQ(this->env_.ShownRows(w, list), expected);
}

TYPED_TEST(UiContract, AClosedWindowIgnoresCallsAndAnswersDefaults) {
  auto& w = *this->window_;
  const ControlId text = this->Add(ControlKind::kTextBox, "txt");
  const ControlId list = this->Add(ControlKind::kListBox, "lst");
  const ControlId box = this->Add(ControlKind::kCheckBox, "chk");
  w.AddItem(list, "row");
  w.SetSelection(list, 0);
  w.SetValue(box, 1);
  int unloads = 0;
  w.OnQueryUnload([&] {
    ++unloads;
    EXPECT_TRUE(w.IsOpen()) << "the request runs before the window goes";
    w.Close();  // a handler that closes again must not loop or run twice
  });
  w.Close();
  w.Close();
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(w.Handle(), 0U);
  w.SetText(text, "ignored");
  w.SetCaption("late");
  w.SetValue(box, 0);
  w.AddItem(list, "late");
  EXPECT_EQ(w.Text(text), "");
  EXPECT_EQ(w.Caption(), "");
  EXPECT_EQ(w.Selection(list), -1);
  EXPECT_EQ(w.ItemCount(list), 0);
  EXPECT_EQ(w.Value(box), 0);
  EXPECT_FALSE(w.IsVisible(box));
  EXPECT_FALSE(w.IsEnabled(box));
  EXPECT_EQ(w.Find("txt"), kNoControl);
  EXPECT_EQ(w.AddControl({}), kNoControl);
}

TYPED_TEST(UiContract, AnUnknownIdRaises) {
  auto& w = *this->window_;
  const ControlId button = this->Add(ControlKind::kButton, "button");
  EXPECT_THROW(this->Add(ControlKind::kButton, "button"), Failure) << "names are unique";
  for (const ControlId id : {ControlId{99}, ControlId{-1}, ControlId{0}}) {
    SCOPED_TRACE(id);
    EXPECT_THROW(w.SetValue(id, 1), Failure);
    EXPECT_THROW(w.Value(id), Failure);
    EXPECT_THROW(w.SetText(id, "x"), Failure);
    EXPECT_THROW(w.Text(id), Failure);
    EXPECT_THROW(w.SetVisible(id, false), Failure);
    EXPECT_THROW(w.IsEnabled(id), Failure);
    EXPECT_THROW(w.AddItem(id, "x"), Failure);
    EXPECT_THROW(w.OnClick(id, [] {}), Failure);
  }
  EXPECT_THROW(w.SetValue(button, 1), Failure) << "a button has no value";
  EXPECT_THROW(this->Add(ControlKind::kButton, "inButton", button), Failure)
      << "only a frame holds controls";
  EXPECT_EQ(w.Find("nothing"), kNoControl);
}

TYPED_TEST(UiContract, AReportListSortsByAHeaderClickAndKeepsEachRowsKey) {
  auto& w = *this->window_;
  platform::ControlSpec def;
  def.kind = ControlKind::kReportList;
  def.name = "lvwChanges";
  def.rect = {60, 60, 5000, 3000};
  def.columns = {{"Name", 1500}, {"Value", 2500}};
  const ControlId list = w.AddControl(def);
  this->Count({list});
  constexpr std::uint64_t kBig = 0x1234'5678'9ABC'DEF0;
  w.AddRow(list, {30, {"beta", "2"}});
  w.AddRow(list, {kBig, {"Alpha", std::string("one\0two", 7)}});
  w.AddRow(list, {10, {"gamma"}});
  using Cells = std::vector<std::vector<std::string>>;
  EXPECT_EQ(this->env_.ShownCells(w, list), (Cells{{"beta", "2"}, {"Alpha", "one"}, {"gamma", ""}}))
      << "in the order added, one text per column, up to a NUL";
  EXPECT_EQ(w.SortColumn(list), -1);
  EXPECT_EQ(w.SelectedKey(list), std::nullopt);

  w.SetSelection(list, 0);
  EXPECT_EQ(w.SelectedKey(list), 30U);
  this->env_.ClickHeader(w, list, 0);
  EXPECT_EQ(this->env_.ShownCells(w, list), (Cells{{"Alpha", "one"}, {"beta", "2"}, {"gamma", ""}}))
      << "letter case ignored";
  EXPECT_EQ(this->env_.ShownSort(w, list), std::pair(0, true));
  EXPECT_EQ(w.Selection(list), 1) << "the selected row moved with its key";
  EXPECT_EQ(this->env_.ShownSelection(w, list), 1);
  EXPECT_EQ(w.SelectedKey(list), 30U);
  EXPECT_EQ(this->clicks_[list], 1) << "sorting is no new selection";

  this->env_.ClickHeader(w, list, 0);
  EXPECT_EQ(this->env_.ShownSort(w, list), std::pair(0, false)) << "a second click turns it round";
  EXPECT_EQ(w.RowAt(list, 0).key, 10U);
  EXPECT_EQ(w.RowAt(list, 2).key, kBig);
  w.AddRow(list, {40, {"delta"}});
  EXPECT_EQ(w.RowAt(list, 1).key, 40U) << "a row added later goes to its sorted place";
  EXPECT_EQ(w.RowOfKey(list, 40), 1);
  EXPECT_EQ(w.RowOfKey(list, kBig), 3) << "found by the whole 64-bit key";
  EXPECT_EQ(w.RowOfKey(list, kBig & 0xFFFF'FFFF), -1);
  EXPECT_EQ(this->env_.ShownCells(w, list)[1][0], "delta");
  EXPECT_EQ(w.SelectedKey(list), 30U);
  this->env_.ClickHeader(w, list, 1);
  EXPECT_EQ(this->env_.ShownSort(w, list), std::pair(1, true)) << "another column: up again";

  this->env_.SelectRow(w, list, 0);
  EXPECT_EQ(this->clicks_[list], 2);
  EXPECT_EQ(w.SelectedKey(list), w.RowAt(list, 0).key);
  EXPECT_EQ(w.Text(list), w.RowAt(list, 0).cells[0]);
  EXPECT_THROW(w.SortBy(list, 2, true), Failure);
  EXPECT_THROW(w.RowAt(list, 4), Failure);
  w.ClearItems(list);
  EXPECT_EQ(w.ItemCount(list), 0);
  EXPECT_TRUE(this->env_.ShownCells(w, list).empty());
}

TYPED_TEST(UiContract, RowsAddedTogetherGoWhereOneByOneTheyWould) {
  auto& w = *this->window_;
  platform::ControlSpec def;
  def.kind = ControlKind::kReportList;
  def.name = "lvwEntries";
  def.rect = {60, 60, 5000, 3000};
  def.columns = {{"Name", 1500}, {"Command", 2500}};
  const ControlId list = w.AddControl(def);
  this->Count({list});
  using Cells = std::vector<std::vector<std::string>>;
  w.AddRows(list, {{1, {"b"}}, {2, {"a", std::string("x\0y", 3)}}});
  EXPECT_EQ(this->env_.ShownCells(w, list), (Cells{{"b", ""}, {"a", "x"}}));
  w.SetSelection(list, 0);
  this->env_.ClickHeader(w, list, 0);
  w.AddRows(list, {{3, {"B"}}, {4, {"c"}}, {5, {"A"}}});
  EXPECT_EQ(this->env_.ShownCells(w, list),
            (Cells{{"a", "x"}, {"A", ""}, {"b", ""}, {"B", ""}, {"c", ""}}))
      << "sorted, each after the rows it ties with";
  EXPECT_EQ(w.RowAt(list, 1).key, 5U);
  EXPECT_EQ(w.SelectedKey(list), 1U);
  EXPECT_EQ(this->env_.ShownSelection(w, list), 2);
  this->env_.ClickHeader(w, list, 0);
  EXPECT_EQ(this->env_.ShownCells(w, list)[0][0], "c") << "the rows added sort as the others";
  EXPECT_EQ(this->env_.ShownSelection(w, list), 1);
  EXPECT_EQ(this->clicks_[list], 1);
}

TYPED_TEST(UiContract, AReportListsSelectionFollowsTheUserAndCanBeSetInAHiddenWindow) {
  auto& w = *this->window_;
  const auto add = [](platform::Window& to) {
    const ControlId list = to.AddControl({.kind = ControlKind::kReportList,
                                          .name = "lvwRows",
                                          .rect = {60, 60, 5000, 3000},
                                          .columns = {{"Name", 2000}}});
    to.AddRow(list, {10, {"first"}});
    to.AddRow(list, {20, {"second"}});
    return list;
  };
  const ControlId list = add(w);
  this->Count({list});
  this->env_.SelectRow(w, list, 0);
  this->env_.SelectRow(w, list, 1);
  EXPECT_EQ(this->clicks_[list], 2) << "another row is one change, with no empty one between";
  this->env_.ClickOffRows(w, list);
  EXPECT_EQ(w.SelectedKey(list), std::nullopt) << "a click off the rows leaves none selected";
  EXPECT_EQ(this->env_.ShownSelection(w, list), -1);
  EXPECT_EQ(this->clicks_[list], 3);
  this->env_.ClickOffRows(w, list);
  EXPECT_EQ(this->clicks_[list], 3) << "nothing selected, nothing changed";

  auto hidden = this->env_.ui().CreateForm({"frmHidden", "Hidden", 6000, 6000, "", std::nullopt});
  const ControlId rows = add(*hidden);
  int selected = 0;
  hidden->OnClick(rows, [&] { ++selected; });
  this->env_.SelectRow(*hidden, rows, 1);
  EXPECT_EQ(hidden->SelectedKey(rows), 20U);
  EXPECT_EQ(selected, 1);
}

TYPED_TEST(UiContract, AMenuShortcutChoosesItsEntryUnlessItIsGreyed) {
  auto& w = *this->window_;
  int undos = 0;
  int saves = 0;
  platform::Menu edit{"mnuEdit", "&Edit", {}};
  edit.entries = {
      {"mnuUndo", "&Undo\tCtrl+Z", true}, {"sep1", "", true}, {"mnuSave", "&Save\tCtrl+S", false}};
  w.SetMenu({edit});
  w.OnMenu("mnuUndo", [&] { ++undos; });
  w.OnMenu("mnuSave", [&] { ++saves; });
  this->env_.PressCtrl(w, 'Z');
  this->env_.PressCtrl(w, 'S');
  EXPECT_EQ(undos, 1);
  EXPECT_EQ(saves, 0);
}

TYPED_TEST(UiContract, AContextMenuSelectsTheRowClickedAndRunsOnlyUsableEntries) {
  auto& w = *this->window_;
  std::map<std::string, int> runs;
  w.SetMenu(
      {{"mnuEntry",
        "&Entry",
        {{"mnuDisable", "&Disable", true}, {"sep", "", true}, {"mnuEnable", "&Enable", false}}}});
  for (const char* entry : {"mnuDisable", "mnuEnable"}) {
    w.OnMenu(entry, [&runs, entry] { ++runs[entry]; });
  }
  const ControlId list = w.AddControl({.kind = ControlKind::kReportList,
                                       .name = "lvwEntries",
                                       .rect = {60, 60, 5000, 3000},
                                       .columns = {{"Name", 2000}}});
  this->Count({list});
  w.AddRow(list, {10, {"first"}});
  w.AddRow(list, {20, {"second"}});
  EXPECT_TRUE(this->env_.ContextMenu(w, list, 1, "").empty()) << "no menu yet";
  EXPECT_EQ(this->clicks_[list], 0) << "and so no selection";
  w.AddControl({.kind = ControlKind::kContextMenu,
                .name = "mnuEntriesContext",
                .owner = list,
                .entries = {"mnuDisable", "", "mnuEnable"}});

  using Shown = std::vector<std::string>;
  EXPECT_EQ(this->env_.ContextMenu(w, list, 1, "&Disable"),
            (Shown{"&Disable", "", "&Enable (greyed)"}));
  EXPECT_EQ(w.SelectedKey(list), 20U) << "the row right-clicked is selected first";
  EXPECT_EQ(this->env_.ShownSelection(w, list), 1);
  EXPECT_EQ(this->clicks_[list], 1);
  EXPECT_EQ(runs["mnuDisable"], 1);
  this->env_.ContextMenu(w, list, -1, "&Enable");
  EXPECT_EQ(runs["mnuEnable"], 0) << "a greyed entry does not run, even when its command comes";
  EXPECT_EQ(this->clicks_[list], 1) << "the keyboard's menu keeps the selection";

  w.SetMenuEntryEnabled("mnuDisable", false);
  w.SetMenuEntryEnabled("mnuEnable", true);
  EXPECT_EQ(this->env_.ContextMenu(w, list, 1, "&Enable"),
            (Shown{"&Disable (greyed)", "", "&Enable"}));
  EXPECT_EQ(runs["mnuEnable"], 1);
  EXPECT_EQ(this->clicks_[list], 1) << "the selected row right-clicked again is no new selection";
  w.SetEnabled(list, false);
  EXPECT_TRUE(this->env_.ContextMenu(w, list, 0, "&Enable").empty());
  EXPECT_EQ(w.Selection(list), 1);
  EXPECT_EQ(runs["mnuEnable"], 1);
  EXPECT_THROW(w.SetMenuEntryEnabled("mnuNone", true), Failure);
  EXPECT_THROW(w.AddControl({.kind = ControlKind::kContextMenu,
                             .name = "mnuOther",
                             .owner = list,
                             .entries = {"mnuEnable"}}),
               Failure)
      << "one menu per control";
}

TYPED_TEST(UiContract, SaveAsAnswersThePathChosenOrNothing) {
  platform::SaveAsRequest request{"Save the changes", "changes", "Registry files (*.reg)", "*.reg",
                                  "reg"};
  this->env_.AnswerNextSaveAs("C:\\velqor-contract.reg");
  EXPECT_EQ(this->env_.ui().SaveAs(request), "C:\\velqor-contract.reg");
  this->env_.AnswerNextSaveAs(std::nullopt);
  EXPECT_EQ(this->env_.ui().SaveAs(request), std::nullopt);
}

TYPED_TEST(UiContract, AResizedWindowKeepsItsControlsByTheirAnchors) {
  platform::WindowSpec sized_def{"frmSized", "Sized", 6000, 4500, "", std::nullopt};
  sized_def.resizable = true;
  auto w = this->env_.ui().CreateForm(sized_def);
  w->Show();
  const auto add = [&](const char* name, unsigned anchors) {
    platform::ControlSpec def;
    def.kind = ControlKind::kButton;
    def.name = name;
    def.rect = {600, 600, 1500, 450};
    def.anchors = anchors;
    return w->AddControl(def);
  };
  const ControlId fixed = add("cmdFixed", platform::kAnchorLeft | platform::kAnchorTop);
  const ControlId corner = add("cmdCorner", platform::kAnchorRight | platform::kAnchorBottom);
  const ControlId wide = add("lvwWide", platform::kAnchorLeft | platform::kAnchorRight |
                                            platform::kAnchorTop | platform::kAnchorBottom);
  this->env_.Resize(*w, 9000, 6000);
  struct Expected {
    ControlId id;
    platform::TwipRect rect;
  };
  for (const Expected& e :
       {Expected{fixed, {600, 600, 1500, 450}}, Expected{corner, {3600, 2100, 1500, 450}},
        Expected{wide, {600, 600, 4500, 1950}}}) {
    SCOPED_TRACE(e.id);
    const platform::TwipRect shown = this->env_.ShownRect(*w, e.id);
    constexpr int kPixel = 15;  // twips are shown to the nearest pixel
    EXPECT_NEAR(shown.left, e.rect.left, kPixel);
    EXPECT_NEAR(shown.top, e.rect.top, kPixel);
    EXPECT_NEAR(shown.width, e.rect.width, kPixel);
    EXPECT_NEAR(shown.height, e.rect.height, kPixel);
  }
}

}  // namespace
}  // namespace velqor::contract
