// The Win32 user interface with a small test form: the real controls, read back through the
// system as another program (or a screen reader) would see them.
#include <windows.h>
#undef MessageBox

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/ui.h"
#include "platform/win32/dpi.h"
#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/window.h"
#include "win32/screenshot.h"
#include "win32/ui_fixture.h"

namespace velqor::platform::win32 {
namespace {

using namespace test_ui;  // NOLINT(google-build-using-namespace): the fixture's helpers
using test::SaveScreenshot;

TEST(TwipsTest, TwipsBecomePixelsRoundedToTheNearestAtEveryDpi) {
  struct Row {
    int twips;
    int dpi;
    int pixels;
  };
  const Row rows[] = {{15, 96, 1},      {29, 96, 2},     {22, 96, 1},      {23, 96, 2},
                      {1455, 96, 97},   {5970, 96, 398}, {1455, 120, 121}, {1455, 144, 146},
                      {6045, 192, 806}, {0, 144, 0},     {-15, 96, -1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.twips) + " twips at " + std::to_string(row.dpi));
    EXPECT_EQ(TwipsToPixels(row.twips, row.dpi), row.pixels);
  }
  const RECT rect = TwipRectToPixels({1560, 1490, 4395, 4199}, 96);
  EXPECT_EQ(rect.left, 104);
  EXPECT_EQ(rect.top, 99);
  EXPECT_EQ(rect.right, 104 + 293);
  EXPECT_EQ(rect.bottom, 99 + 280);
}

TEST_F(Win32UiTest, ControlsAreStandardControlsFoundByCaptionWhereTheirTwipsSay) {
  ASSERT_EQ(ScreenDpi(), 96) << "the positions below are pixels at 96 DPI";
  RECT client;
  GetClientRect(hwnd_, &client);
  EXPECT_NEAR(client.right, 403, 1);  // 6045 twips, with the menu bar in place
  EXPECT_NEAR(client.bottom, 442, 1);

  const auto children = ChildrenByCaption(hwnd_);
  struct Row {
    const char* caption;
    const wchar_t* class_name;
    TwipRect rect;
  };
  const Row rows[] = {
      {"&Go", L"Button", {29, 1560, 1455, 855}},
      {"General", L"Static", {0, 0, 4395, 4199}},  // the caption window fills its panel
      {"First tweak", L"Button", {360, 360, 3615, 375}},
      {"Clean your hard Drive", L"Button", {600, 600, 3255, 255}},  // drawn as a label
      {" Run", L"Button", {1440, 240, 675, 255}},
      {"Run (Current user)", L"Button", {3840, 240, 2535, 255}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.caption);
    const auto found = children.find(row.caption);
    ASSERT_NE(found, children.end());
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, found->second.class_name.c_str(),
                             -1, row.class_name, -1),
              CSTR_EQUAL);
    const RECT rect = RectInParent(found->second.hwnd);
    EXPECT_NEAR(rect.left, row.rect.left / 15.0, 1);
    EXPECT_NEAR(rect.top, row.rect.top / 15.0, 1);
    EXPECT_NEAR(rect.right - rect.left, row.rect.width / 15.0, 1);
    EXPECT_NEAR(rect.bottom - rect.top, row.rect.height / 15.0, 1);
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(found->second.hwnd, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_NE(font, GetStockObject(SYSTEM_FONT));
  }
  // The panels themselves sit at the frame's place in the window.
  const RECT panel = RectInParent(GetParent(children.at("General").hwnd));
  EXPECT_NEAR(panel.left, 104, 1);
  EXPECT_NEAR(panel.top, 99, 1);

  const auto style = [&](ControlId id) {
    return GetWindowLongW(static_cast<Win32Window&>(*form_).ControlWindow(id), GWL_STYLE);
  };
  EXPECT_EQ(style(check_) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_EQ(style(run_) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_EQ(style(label_) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_NE(style(label_) & WS_TABSTOP, 0);
  EXPECT_NE(style(list_) & LBS_NOTIFY, 0);
  EXPECT_EQ(style(list_) & LBS_SORT, 0);
  EXPECT_NE(style(text_) & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(form_->ItemText(list_, 0), "zeta");  // kept in the order added

  // The tip of the check box lives in one tooltip control owned by the window.
  HWND tooltip = nullptr;
  while ((tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) != nullptr &&
         GetWindow(tooltip, GW_OWNER) != hwnd_) {
  }
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST_F(Win32UiTest, TheTipOfACheckBoxShowsWhenTheMouseRestsOnItAndGoesWhenItLeaves) {
  auto& form = static_cast<Win32Window&>(*form_);
  HWND tooltip = nullptr;
  while ((tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) != nullptr &&
         GetWindow(tooltip, GW_OWNER) != hwnd_) {
  }
  ASSERT_NE(tooltip, nullptr);
  SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, 50);
  SetForegroundWindow(hwnd_);
  // The mouse comes to rest on a window: the message loop sees the moves the system sends.
  const auto rest_on = [&](HWND target) {
    RECT rect;
    GetWindowRect(target, &rect);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    SetCursorPos(centre.x, centre.y);
    POINT local = centre;
    ScreenToClient(target, &local);
    PostMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y));
  };
  // Waits up to 3 s for the tip to be shown (or hidden).
  const auto tip_shown = [&](bool shown) {
    for (int i = 0; i < 300 && (IsWindowVisible(tooltip) != FALSE) != shown; ++i) {
      ui_.DoEvents();
      Sleep(10);
    }
    return IsWindowVisible(tooltip) != FALSE;
  };
  rest_on(form.ControlWindow(check_));
  ASSERT_TRUE(tip_shown(true));
  wchar_t text[64] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.lpszText = text;
  ASSERT_TRUE(SendMessageW(tooltip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(Narrow(text), "What the first tweak does");
  EXPECT_EQ(reinterpret_cast<HWND>(info.uId), form.ControlWindow(check_));

  rest_on(form.ControlWindow(go_));  // a button without a tip
  EXPECT_FALSE(tip_shown(false));
}

TEST_F(Win32UiTest, WhiteOnBlackControlsAreDrawnWhiteOnBlack) {
  auto& form = static_cast<Win32Window&>(*form_);
  HDC dc = CreateCompatibleDC(nullptr);
  const auto children = ChildrenByCaption(hwnd_);
  for (HWND control :
       {form.ControlWindow(check_), form.ControlWindow(label_), children.at("General").hwnd}) {
    SetTextColor(dc, RGB(1, 2, 3));
    const auto brush =
        SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
  }
  const auto plain = SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(form.ControlWindow(run_)));
  EXPECT_NE(reinterpret_cast<HGDIOBJ>(plain), GetStockObject(BLACK_BRUSH));
  DeleteDC(dc);
}

TEST_F(Win32UiTest, UserClicksFireTheClickHandlers) {
  auto& form = static_cast<Win32Window&>(*form_);
  std::map<ControlId, int> clicks;
  for (ControlId id : {go_, check_, label_, run_, run2_, list_}) {
    form.OnClick(id, [&clicks, id] { ++clicks[id]; });
  }
  SendMessageW(form.ControlWindow(go_), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks[go_], 1);

  SendMessageW(form.ControlWindow(check_), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks[check_], 1);
  EXPECT_EQ(form.Value(check_), 1);

  HWND label = form.ControlWindow(label_);
  // A label that starts something shows the hand over it.
  EXPECT_TRUE(SendMessageW(GetParent(label), WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(clicks[label_], 1);

  SendMessageW(form.ControlWindow(run2_), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks[run2_], 1);
  SendMessageW(form.ControlWindow(run_), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks[run_], 1);
  EXPECT_EQ(form.Value(run2_), 0);
  SendMessageW(form.ControlWindow(run_), BM_CLICK, 0, 0);  // already chosen: no change
  EXPECT_EQ(clicks[run_], 1);

  HWND list = form.ControlWindow(list_);
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(clicks[list_], 1);
  EXPECT_EQ(form.Selection(list_), 0);
  EXPECT_EQ(form.Text(list_), "zeta");
}

// Windows sends no click from a disabled or hidden control; Wine does, and the window holds
// Windows' rule itself.
TEST_F(Win32UiTest, DisabledAndHiddenControlsRunNoHandlerWhateverTheSystemSends) {
  auto& form = static_cast<Win32Window&>(*form_);
  std::map<ControlId, int> clicks;
  for (ControlId id : {go_, other_, check_, run2_}) {
    form.OnClick(id, [&clicks, id] { ++clicks[id]; });
  }
  const auto click = [&](ControlId id) {
    SendMessageW(form.ControlWindow(id), BM_CLICK, 0, 0);
    // A command as a control reports it, whether or not the control would send it.
    HWND hwnd = form.ControlWindow(id);
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
  };
  form.SetEnabled(go_, false);
  form.SetVisible(other_, false);
  form.SetVisible(tweaks_, false);   // the check box is hidden with its frame
  form.SetEnabled(options_, false);  // the option button is disabled with its frame
  for (ControlId id : {go_, other_, check_, run2_}) {
    click(id);
  }
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(form.Value(run2_), 0);

  form.SetEnabled(go_, true);
  form.SetVisible(other_, true);
  form.SetVisible(tweaks_, true);
  form.SetEnabled(options_, true);
  click(go_);
  click(other_);
  EXPECT_EQ(clicks[go_], 2);
  EXPECT_EQ(clicks[other_], 2);
}

TEST_F(Win32UiTest, MenusCarryTheirMnemonicsAndASwitchedOffEntryIsGreyedAndInert) {
  int exits = 0;
  int products = 0;
  form_->OnMenu("ex", [&] { ++exits; });
  form_->OnMenu("quelmp", [&] { ++products; });
  HMENU bar = GetMenu(hwnd_);
  ASSERT_NE(bar, nullptr);
  wchar_t text[64] = {};
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&File");
  HMENU file = GetSubMenu(bar, 0);
  HMENU help = GetSubMenu(bar, 1);
  GetMenuStringW(file, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"E&xit");
  const UINT website = GetMenuItemID(help, 0);
  const UINT other = GetMenuItemID(help, 1);
  EXPECT_EQ(GetMenuState(help, website, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(help, other, MF_BYCOMMAND) & MF_GRAYED, 0u);

  SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetMenuItemID(file, 0), 0), 0);
  SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(other, 0), 0);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(products, 0);
}

TEST_F(Win32UiTest, SetIconLoadsBothSizesAndAFileThatIsNotAnIconKeepsTheCurrentOne) {
  const std::string good = std::string(VELQOR_EXE_DIR) + "/start.ico";
  form_->SetIcon(good);
  const auto big = SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0);
  const auto small = SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0);
  ASSERT_NE(big, 0);
  ASSERT_NE(small, 0);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(small), &info));
  BITMAP bitmap{};
  GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);

  const std::string not_an_icon = std::string(VELQOR_BUILD_DIR) + "/not-an-icon.ico";
  std::ofstream(not_an_icon) << "plain text";
  for (const std::string& bad : {std::string(VELQOR_EXE_DIR) + "/no-such.ico", not_an_icon}) {
    SCOPED_TRACE(bad);
    try {
      form_->SetIcon(bad);
      ADD_FAILURE() << "no Failure";
    } catch (const Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(bad), std::string::npos) << failure.what();
    }
    EXPECT_EQ(SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0), big);
    EXPECT_EQ(SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0), small);
  }
  std::remove(not_an_icon.c_str());
}

// What the message box showed, read by a timer that runs inside the box's own modal loop.
struct SeenBox {
  std::wstring text;
  bool found = false;
};
SeenBox g_seen_box;

BOOL CALLBACK ReadBoxText(HWND child, LPARAM) {
  wchar_t text[512] = {};
  GetWindowTextW(child, text, 512);
  if (wcsstr(text, L"wupdmgr") != nullptr) {
    g_seen_box.text = text;
  }
  return TRUE;
}

void CALLBACK CloseVelqorBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", L"Velqor");
  if (box == nullptr) {
    return;
  }
  KillTimer(nullptr, timer);
  EnumChildWindows(box, &ReadBoxText, 0);
  g_seen_box.found = true;
  SendMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Win32UiTest, AHandlerThatFailsShowsTheVelqorMessageAndTheProgramGoesOn) {
  auto& form = static_cast<Win32Window&>(*form_);
  const std::string message = "Could not start \"wupdmgr\": not found (2)";
  form.OnClick(go_, [&] { throw Failure(kFileNotFound, message); });
  int others = 0;
  form.OnClick(other_, [&] { ++others; });
  g_seen_box = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseVelqorBox);
  SendMessageW(form.ControlWindow(go_), BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_seen_box.found);
  EXPECT_EQ(Narrow(g_seen_box.text), message);
  EXPECT_TRUE(form.IsOpen());
  SendMessageW(form.ControlWindow(other_), BM_CLICK, 0, 0);
  EXPECT_EQ(others, 1);
}

// What a closed window answers is the UI contract's; here, the requests that only Win32 makes.
TEST_F(Win32UiTest, CloseRequestsOfTheSystemRunTheCloseHandlerOnce) {
  form_->Close();
  EXPECT_FALSE(IsWindow(hwnd_));

  // The close box (or another program) sends WM_CLOSE: the same request.
  auto second = ui_.CreateForm(FormSpec("frmTwo", 1500, 1500));
  int second_unloads = 0;
  second->OnQueryUnload([&] { ++second_unloads; });
  SendMessageW(reinterpret_cast<HWND>(second->Handle()), WM_CLOSE, 0, 0);
  EXPECT_EQ(second_unloads, 1);
  EXPECT_FALSE(second->IsOpen());

  // Log-off and shut-down end the program with no WM_CLOSE: the end of the session is the
  // request, and a session that goes on after all (another program refused) is not.
  auto third = ui_.CreateForm(FormSpec("frmThree", 1500, 1500));
  int third_unloads = 0;
  third->OnQueryUnload([&] { ++third_unloads; });
  HWND third_hwnd = reinterpret_cast<HWND>(third->Handle());
  EXPECT_TRUE(SendMessageW(third_hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  SendMessageW(third_hwnd, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_EQ(third_unloads, 0);
  EXPECT_TRUE(third->IsOpen());
  SendMessageW(third_hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(third_unloads, 1);
  EXPECT_FALSE(third->IsOpen());
}

TEST_F(Win32UiTest, ProgramFolderIsTheExecutablesFolderWithoutATrailingBackSlash) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring expected(path);
  expected.resize(expected.find_last_of(L'\\'));
  EXPECT_EQ(ui_.ProgramFolder(), Narrow(expected));
  EXPECT_NE(ui_.ProgramFolder().back(), '\\');
}

TEST_F(Win32UiTest, TestFormScreenshotIsWritten) {
  form_->SetVisible(cleanup_, false);
  form_->SetValue(check_, 1);
  form_->SetValue(run_, 1);
  form_->SetCaption("Repainted");
  form_->Repaint();
  // Drawn at once, before any message is pumped: nothing of the window or the controls just
  // changed waits to be painted.
  auto& form = static_cast<Win32Window&>(*form_);
  for (HWND painted : {hwnd_, form.ControlWindow(check_), form.ControlWindow(run_)}) {
    EXPECT_FALSE(GetUpdateRect(painted, nullptr, FALSE));
  }
  ui_.DoEvents();
  const std::string path = std::string(VELQOR_BUILD_DIR) + "/ui-test-form.bmp";
  SaveScreenshot(hwnd_, path);
  std::ifstream written(path, std::ios::binary | std::ios::ate);
  EXPECT_GT(written.tellg(), 400 * 400 * 3);

  // What the user reads: the caption of the black panel shows white on the screen. The rows above
  // the etched line hold only the upper half of the caption's letters, so any white there is text.
  HWND caption = ChildrenByCaption(hwnd_).at("General").hwnd;
  HDC screen = GetDC(nullptr);
  HDC caption_dc = GetDC(caption);
  TEXTMETRICW metrics{};
  const HGDIOBJ old_font =
      SelectObject(caption_dc, reinterpret_cast<HGDIOBJ>(SendMessageW(caption, WM_GETFONT, 0, 0)));
  GetTextMetricsW(caption_dc, &metrics);
  SelectObject(caption_dc, old_font);
  ReleaseDC(caption, caption_dc);
  POINT origin{0, 0};
  ClientToScreen(caption, &origin);
  int white = 0;
  for (int y = 1; y < metrics.tmHeight / 2 - 2; ++y) {
    for (int x = 8; x < 8 + 6 * metrics.tmAveCharWidth; ++x) {
      const COLORREF pixel = GetPixel(screen, origin.x + x, origin.y + y);
      white += GetRValue(pixel) > 200 && GetGValue(pixel) > 200 && GetBValue(pixel) > 200 ? 1 : 0;
    }
  }
  ReleaseDC(nullptr, screen);
  EXPECT_GT(white, 0) << "the caption \"General\" is not drawn white";
}

TEST_F(Win32UiTest, NewKindsAreTheStandardControlsAndFollowTheScale) {
  WindowSpec kinds_def = FormSpec("frmKinds", 6000, 4500);
  kinds_def.resizable = true;
  auto form = ui_.CreateForm(kinds_def);
  auto& w = static_cast<Win32Window&>(*form);
  ControlSpec list = Def(ControlKind::kReportList, "lvw", kNoControl, "", {150, 150, 4500, 3000});
  list.columns = {{"Name", 1500}, {"Value", 2250}};
  list.anchors = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;
  HWND lvw = w.ControlWindow(form->AddControl(list));
  wchar_t class_name[32] = {};
  GetClassNameW(lvw, class_name, 32);
  EXPECT_STREQ(class_name, L"SysListView32");
  EXPECT_EQ(GetWindowLongW(lvw, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(GetWindowLongW(lvw, GWL_STYLE) & LVS_SINGLESEL, 0);
  EXPECT_NE(SendMessageW(lvw, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);
  EXPECT_EQ(SendMessageW(lvw, LVM_GETCOLUMNWIDTH, 1, 0), 2250 / 15);
  EXPECT_NE(GetWindowLongW(reinterpret_cast<HWND>(form->Handle()), GWL_STYLE) & WS_THICKFRAME, 0);

  // The menu shows the shortcut after a tab, and the separator as one.
  Menu edit;
  edit.name = "mnuEdit";
  edit.caption = "&Edit";
  edit.entries = {Entry("mnuUndo", "&Undo\tCtrl+Z"), Entry("sep", ""), Entry("mnuRedo", "&Redo")};
  form->SetMenu({edit});
  HMENU popup = GetSubMenu(GetMenu(reinterpret_cast<HWND>(form->Handle())), 0);
  wchar_t text[64] = {};
  GetMenuStringW(popup, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&Undo\tCtrl+Z");
  EXPECT_NE(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);

  // A monitor of twice the scale: the controls go to their twips at it, the window to the size
  // the system suggests.
  const auto font_height = [](HWND hwnd) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight;
  };
  const LONG height_at_96 = font_height(lvw);
  RECT outer;
  GetWindowRect(reinterpret_cast<HWND>(form->Handle()), &outer);
  RECT suggested{outer.left, outer.top, outer.left + 2 * (outer.right - outer.left),
                 outer.top + 2 * (outer.bottom - outer.top)};
  SendMessageW(reinterpret_cast<HWND>(form->Handle()), 0x02E0, MAKEWPARAM(192, 192),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(w.Dpi(), 192);
  const RECT place = RectInParent(lvw);
  EXPECT_EQ(place.left, 20);
  EXPECT_EQ(place.top, 20);
  RECT client;
  GetClientRect(reinterpret_cast<HWND>(form->Handle()), &client);
  EXPECT_EQ(place.right, client.right - (800 - 20 - 600)) << "still anchored to the right edge";
  EXPECT_EQ(place.bottom, client.bottom - (600 - 20 - 400)) << "and to the bottom edge";
  // The text too: the message font at twice its height, the columns at their twips.
  EXPECT_EQ(font_height(lvw), 2 * height_at_96);
  EXPECT_EQ(SendMessageW(lvw, LVM_GETCOLUMNWIDTH, 1, 0), 2250 * 2 / 15);
}

}  // namespace
}  // namespace velqor::platform::win32
