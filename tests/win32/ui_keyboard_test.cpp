// The keyboard in a Win32 window: the dialog manager's Tab, arrows, Enter and Space, the menu's
// shortcuts, and where the focus goes.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <vector>

#include "win32/ui_fixture.h"

namespace velqor::platform::win32 {
namespace {

using namespace test_ui;  // NOLINT(google-build-using-namespace): the fixture's helpers

TEST_F(Win32UiTest, AFocusedControlThatIsDisabledOrHiddenPassesTheFocusToTheNextControl) {
  auto& form = static_cast<Win32Window&>(*form_);
  HWND go = form.ControlWindow(go_);
  HWND check = form.ControlWindow(check_);
  HWND run = form.ControlWindow(run_);

  // A button that disables itself when pressed from the keyboard (Boost does): the system drops
  // the focus, and with none the keys, Tab included, reach no control.
  SetFocus(go);
  ASSERT_EQ(GetFocus(), go);
  form.SetEnabled(go_, false);
  EXPECT_EQ(GetFocus(), form.ControlWindow(other_));
  form.SetEnabled(go_, true);

  // A hidden control hands the focus to its container, which is not a control. (The clean-up
  // frame, whose launcher would come next, is out of the way.)
  form.SetVisible(cleanup_, false);
  SetFocus(check);
  form.SetVisible(check_, false);
  EXPECT_EQ(GetFocus(), run);
  form.SetVisible(check_, true);

  // Coming back to the window, the focus does not return to a control hidden meanwhile.
  SetFocus(check);
  auto other_form = ui_.CreateForm(FormSpec("frmOther", 1500, 1500));
  other_form->Show();
  ui_.DoEvents();
  ASSERT_NE(GetActiveWindow(), hwnd_);
  form.SetVisible(tweaks_, false);
  form.Show();
  ui_.DoEvents();
  ASSERT_EQ(GetActiveWindow(), hwnd_);
  EXPECT_EQ(GetFocus(), go);
}

TEST_F(Win32UiTest, TabOrderFollowsTheTabIndexThenCreationOrder) {
  auto form = ui_.CreateForm(FormSpec("frmTabs", 3000, 3000));
  const auto button = [&](const char* name, int top, int tab_index) {
    ControlSpec def = Def(ControlKind::kButton, name, kNoControl, name, {0, top, 900, 300});
    def.tab_index = tab_index;
    return form->AddControl(def);
  };
  const ControlId third = button("c", 0, 2);
  const ControlId last = button("d", 400, -1);
  const ControlId first = button("a", 800, 0);
  const ControlId second = button("b", 1200, 1);
  auto& w = static_cast<Win32Window&>(*form);
  HWND root = reinterpret_cast<HWND>(w.Handle());
  HWND item = GetNextDlgTabItem(root, nullptr, FALSE);
  for (ControlId expected : {first, second, third, last}) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(item, w.ControlWindow(expected));
    item = GetNextDlgTabItem(root, item, FALSE);
  }
  EXPECT_EQ(form->Find("b"), second);
  EXPECT_EQ(form->Find("nothing"), kNoControl);

  // Inside a frame: the same order, and the frame's caption window below all of its controls.
  const ControlId frame =
      form->AddControl(Def(ControlKind::kFrame, "f", kNoControl, "Frame", {0, 1600, 2900, 1300}));
  const auto in_frame = [&](const char* name, int top, int tab_index) {
    ControlSpec def = Def(ControlKind::kCheckBox, name, frame, name, {100, top, 900, 300});
    def.tab_index = tab_index;
    return w.ControlWindow(form->AddControl(def));
  };
  const HWND y = in_frame("y", 200, 1);
  const HWND z = in_frame("z", 500, -1);
  const HWND x = in_frame("x", 800, 0);
  std::vector<HWND> order;
  for (HWND child = GetWindow(w.ControlWindow(frame), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(child);
  }
  ASSERT_EQ(order.size(), 4U);
  EXPECT_EQ(order[0], x);
  EXPECT_EQ(order[1], y);
  EXPECT_EQ(order[2], z);
  EXPECT_EQ(GetWindowLongW(order[3], GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
}

TEST_F(Win32UiTest, MessageLoopRunsPostedWorkAndKeepsAQuitRequestForRun) {
  int clicks = 0;
  form_->OnClick(go_, [&] { ++clicks; });
  HWND go = static_cast<Win32Window&>(*form_).ControlWindow(go_);
  PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(go), BN_CLICKED),
               reinterpret_cast<LPARAM>(go));
  ui_.DoEvents();
  EXPECT_EQ(clicks, 1);

  // Keyboard navigation runs in the loop: Alt+G presses "&Go" wherever the focus is.
  SetFocus(static_cast<Win32Window&>(*form_).ControlWindow(text_));
  PostMessageW(GetFocus(), WM_SYSCHAR, 'g', 1 << 29);
  ui_.DoEvents();
  EXPECT_EQ(clicks, 2);
  // Tab reaches a label that starts something; Enter and Space press it.
  int launches = 0;
  form_->OnClick(label_, [&] { ++launches; });
  HWND label = static_cast<Win32Window&>(*form_).ControlWindow(label_);
  SetFocus(static_cast<Win32Window&>(*form_).ControlWindow(check_));
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
  ui_.DoEvents();
  ASSERT_EQ(GetFocus(), label);
  PostMessageW(label, WM_KEYDOWN, VK_RETURN, 1);
  ui_.DoEvents();
  EXPECT_EQ(launches, 1);
  PostMessageW(label, WM_KEYDOWN, VK_SPACE, 1);
  PostMessageW(label, WM_KEYUP, VK_SPACE, 0xC0000001);
  ui_.DoEvents();
  EXPECT_EQ(launches, 2);
  // Enter presses the focused push button, and only that.
  HWND text = static_cast<Win32Window&>(*form_).ControlWindow(text_);
  SetFocus(text);
  PostMessageW(text, WM_KEYDOWN, VK_RETURN, 1);
  ui_.DoEvents();
  EXPECT_EQ(clicks, 2);
  SetFocus(go);
  PostMessageW(go, WM_KEYDOWN, VK_RETURN, 1);
  ui_.DoEvents();
  EXPECT_EQ(clicks, 3);

  ui_.Quit();
  ui_.DoEvents();
  EXPECT_EQ(ui_.Run(), 0);  // returns at once on the quit request left in the queue

  // Run also ends when the program's own condition says so (the main window has gone).
  PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  EXPECT_EQ(ui_.Run([&] { return form_->IsOpen(); }), 0);
  EXPECT_FALSE(form_->IsOpen());
}

TEST_F(Win32UiTest, ArrowsStayInAnOptionGroupEscapeDoesNothingAndShortcutsReachTheMenu) {
  auto& form = static_cast<Win32Window&>(*form_);
  HWND run = form.ControlWindow(run_);
  HWND run2 = form.ControlWindow(run2_);
  int chosen = 0;
  form.OnClick(run2_, [&] { ++chosen; });
  // The option buttons of a frame are one group: the arrows move the choice within it and wrap
  // round, without leaving it for the list that follows in the tab order.
  SetFocus(run);
  PostMessageW(run, WM_KEYDOWN, VK_DOWN, 1);
  ui_.DoEvents();
  EXPECT_EQ(GetFocus(), run2);
  EXPECT_EQ(form.Value(run2_), 1);
  EXPECT_EQ(chosen, 1);
  PostMessageW(run2, WM_KEYDOWN, VK_DOWN, 1);
  ui_.DoEvents();
  EXPECT_EQ(GetFocus(), run);
  EXPECT_EQ(form.Value(run_), 1);
  EXPECT_EQ(form.Value(run2_), 0);

  // Escape closes nothing: the window is no dialog with a Cancel button.
  HWND text = form.ControlWindow(text_);
  SetFocus(text);
  PostMessageW(text, WM_KEYDOWN, VK_ESCAPE, 1);
  ui_.DoEvents();
  EXPECT_TRUE(form.IsOpen());
  EXPECT_EQ(GetFocus(), text);

  // A menu shortcut reaches the menu before the dialog manager or the text box sees the keys.
  Menu edit;
  edit.name = "mnuEdit";
  edit.caption = "&Edit";
  edit.entries = {Entry("mnuUndo", "&Undo\tCtrl+Z")};
  form.SetMenu({edit});
  int undos = 0;
  form.OnMenu("mnuUndo", [&] { ++undos; });
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(text, WM_KEYDOWN, 'Z', 1);
  ui_.DoEvents();
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(undos, 1);
  EXPECT_EQ(form.Text(text_), "");
}

}  // namespace
}  // namespace velqor::platform::win32
