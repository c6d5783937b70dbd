// The keyboard through the program's own windows: Tab and Shift+Tab reach every usable control in
// order, and Enter presses the focused push button or launcher, nothing else, as the system's
// dialog manager does with the default button.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "journal/changes_window.h"
#include "journal/current_settings.h"
#include "platform/win32/window.h"
#include "startup/frm_main.h"
#include "startup/startup_programs.h"
#include "tweaks/catalogue.h"
#include "win32/box_answerer.h"
#include "win32/win32_platform.h"

namespace velqor::app {
namespace {

using platform::ControlId;
using platform::ControlKind;
using platform::win32::Win32Window;

class KeyboardWalkTest : public ::testing::Test {
 protected:
  void SetUp() override { form_.Load(); }

  Win32Window& Main() { return static_cast<Win32Window&>(form_.window()); }

  // Shows `window` as the active one, with the focus on `first` (its first tab stop by default).
  Win32Window& Activate(platform::Window* window, ControlId first = platform::kNoControl) {
    auto& w = static_cast<Win32Window&>(*window);
    w.Show();
    platform_.ui.DoEvents();
    const HWND root = reinterpret_cast<HWND>(w.Handle());
    SetFocus(first != platform::kNoControl ? w.ControlWindow(first)
                                           : GetNextDlgTabItem(root, nullptr, FALSE));
    return w;
  }

  // A key pressed where the focus is, through the program's message loop.
  void Press(WPARAM key, bool shift = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    platform_.ui.DoEvents();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }

  static ControlId Focused(Win32Window& w) {
    const HWND focus = GetFocus();
    for (const ControlId id : w.Controls()) {
      if (focus != nullptr && w.ControlWindow(id) == focus) {
        return id;
      }
    }
    return platform::kNoControl;
  }

  test::BoxAnswerer answerer_;
  Win32Platform platform_;
  // The controls the Enter walk saw pressed. Its click handlers keep a reference to this after
  // the walk, and a form may still fire them (a value set, a window closing), so it outlives the
  // forms rather than the walk's loop.
  std::vector<ControlId> pressed_;
  Form1 form_{platform_.platform};
};

TEST_F(KeyboardWalkTest, TabAndShiftTabReachEveryUsableControlInOrder) {
  std::vector<std::string> general = {"XPButton1", "XPButton3", "XPButton2"};
  for (const auto& box : tweaks::TweakBoxes()) {
    general.emplace_back(box.name);
  }
  general.emplace_back("chkPopupKillerActivate");
  struct Row {
    const char* window;
    std::function<platform::Window*()> open;
    // Restore starts disabled, and the panel not shown hides what it holds: neither is reached.
    std::vector<std::string> order;
  };
  const Row rows[] = {
      {"Form1", [&] { return &Main(); }, general},
      {"Form1 showing CleanUp",
       [&] {
         Main().UserClicked(form_.controls().XPButton3);
         return &Main();
       },
       {"XPButton1", "XPButton3", "XPButton2", "Label1", "Label2", "Label3", "Label4", "Command1",
        "chkPopupKillerActivate"}},
      {"frmMain",
       [&] {
         form_.smn_Click();
         return form_.startup_manager()->window();
       },
       // The option buttons are one group, which Tab enters at its chosen button only.
       {"lstName", "lstCmdLine", "txtName", "txtCmdLine", "cmdBrowse", "optRun", "Command1"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.window);
    platform::Window* window = row.open();
    ASSERT_NE(window, nullptr);
    Win32Window& w = Activate(window, window->Find(row.order.front()));
    for (const bool backwards : {false, true}) {
      std::vector<std::string> reached;
      for (std::size_t i = 0; i < row.order.size(); ++i) {
        Press(VK_TAB, backwards);
        const ControlId id = Focused(w);
        reached.push_back(id == platform::kNoControl ? "(none)" : w.SpecOf(id).name);
      }
      // Round once, back where it began.
      std::vector<std::string> expected(row.order.begin() + 1, row.order.end());
      expected.push_back(row.order.front());
      if (backwards) {
        expected.assign(row.order.rbegin(), row.order.rend() - 1);
        expected.push_back(row.order.front());
      }
      EXPECT_EQ(reached, expected) << (backwards ? "Shift+Tab" : "Tab");
    }
  }
}

TEST_F(KeyboardWalkTest, EnterPressesTheFocusedButtonOrLauncherAndNothingElse) {
  const std::function<platform::Window*()> windows[] = {
      [&] { return &Main(); },
      [&] {
        // The handler itself: the walk of the window before left a recorder on the button.
        form_.XPButton3_Click();
        return &Main();
      },
      [&] {
        form_.smn_Click();
        return form_.startup_manager()->window();
      },
      [&] {
        form_.stp_Click();
        return form_.startup_programs()->window();
      },
      [&] {
        form_.changes_Click();
        return form_.changes_window()->window();
      },
      [&] {
        form_.settings_Click();
        return form_.settings_window()->window();
      },
  };
  for (const auto& open : windows) {
    platform::Window* window = open();
    ASSERT_NE(window, nullptr);
    SCOPED_TRACE(window->Caption());
    Win32Window& w = Activate(window);
    for (const ControlId id : w.Controls()) {
      w.OnClick(id, [this, id] { pressed_.push_back(id); });
    }
    const ControlId first = Focused(w);
    ASSERT_NE(first, platform::kNoControl);
    ControlId at = first;
    do {
      SCOPED_TRACE(w.SpecOf(at).name);
      const platform::ControlSpec& def = w.SpecOf(at);
      pressed_.clear();
      Press(VK_RETURN);
      EXPECT_EQ(pressed_, def.kind == ControlKind::kButton || def.clickable
                              ? std::vector<ControlId>{at}
                              : std::vector<ControlId>{});
      Press(VK_TAB);
      at = Focused(w);
    } while (at != first && at != platform::kNoControl);
  }

  // The focused push button is the default one, drawn so; a check box leaves none, and Enter
  // there presses nothing, not even a disabled button named the default by DM_SETDEFID.
  Win32Window& w = Activate(&Main(), form_.controls().XPButton1);
  const HWND root = reinterpret_cast<HWND>(w.Handle());
  const HWND apply = w.ControlWindow(form_.controls().XPButton1);
  const auto style = [](HWND button) { return GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK; };
  EXPECT_EQ(SendMessageW(root, DM_GETDEFID, 0, 0), MAKELRESULT(GetDlgCtrlID(apply), DC_HASDEFID));
  EXPECT_EQ(style(apply), BS_DEFPUSHBUTTON);
  SetFocus(w.ControlWindow(form_.controls().chkPopupKillerActivate));
  EXPECT_EQ(SendMessageW(root, DM_GETDEFID, 0, 0), 0);
  EXPECT_EQ(style(apply), BS_PUSHBUTTON);
  const HWND restore = w.ControlWindow(form_.controls().XPButton4);
  ASSERT_FALSE(IsWindowEnabled(restore));
  SendMessageW(root, DM_SETDEFID, GetDlgCtrlID(restore), 0);
  int restores = 0;
  w.OnClick(form_.controls().XPButton4, [&] { ++restores; });
  Press(VK_RETURN);
  PostMessageW(root, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(restore), BN_CLICKED), 0);
  platform_.ui.DoEvents();
  EXPECT_EQ(restores, 0);
}

}  // namespace
}  // namespace velqor::app
