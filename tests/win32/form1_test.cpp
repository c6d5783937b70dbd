// The main window over the real Win32 user interface, read back through the system as another
// program would see it; and the program itself, started and photographed.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "platform/win32/dpi.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "tweaks/catalogue.h"
#include "win32/box_answerer.h"
#include "win32/program.h"
#include "win32/screenshot.h"
#include "win32/win32_platform.h"

namespace velqor::app {
namespace {

using platform::TwipRect;
using platform::win32::Narrow;
using platform::win32::Widen;
using platform::win32::Win32Window;
using test::ChildrenByCaption;
using test::ClassOf;
using test::Ends;
using test::Program;
using test::StartProgram;
using test::TextOf;

RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectAtTwips(HWND hwnd, const TwipRect& twips) {
  ASSERT_NE(hwnd, nullptr);
  const RECT rect = RectInParent(hwnd);
  EXPECT_NEAR(rect.left, twips.left / 15.0, 1);
  EXPECT_NEAR(rect.top, twips.top / 15.0, 1);
  EXPECT_NEAR(rect.right - rect.left, twips.width / 15.0, 1);
  EXPECT_NEAR(rect.bottom - rect.top, twips.height / 15.0, 1);
}

using test::SaveScreenshot;

// Lets the windows paint and any message box be answered.
void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

class Win32Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.Load();
    window_ = &static_cast<Win32Window&>(form_.window());
    hwnd_ = reinterpret_cast<HWND>(window_->Handle());
    Pump(100);
  }

  HWND Control(const char* name) { return window_->ControlWindow(window_->Find(name)); }

  // A box the program shows at start-up cannot hang a test.
  test::BoxAnswerer answerer_;
  Win32Platform platform_;
  Form1 form_{platform_.platform};
  Win32Window* window_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(Win32Form1Test, ControlsAreFoundByCaptionWhereTheirTwipsSay) {
  ASSERT_EQ(platform::win32::ScreenDpi(), 96) << "the positions below are pixels at 96 DPI";
  ASSERT_NE(hwnd_, nullptr);
  EXPECT_EQ(TextOf(hwnd_), "Velqor");
  RECT client;
  GetClientRect(hwnd_, &client);
  EXPECT_NEAR(client.right, 6045 / 15.0, 1);
  EXPECT_NEAR(client.bottom, 6630 / 15.0, 1);

  struct Row {
    std::string caption;
    TwipRect rect;  // in the container's client area (a frame's panel)
  };
  std::vector<Row> rows = {
      {"&Apply XP Tweak", {29, 1560, 1455, 855}},
      {"&CleanUp Junk", {0, 2640, 1455, 855}},
      {"&Internet Speed", {0, 3720, 1455, 855}},
      {"&Restore Settings", {29, 4800, 1455, 855}},
      {"Clean your hard Drive using Clean manager", {600, 600, 3675, 480}},
      {"Microsoft Disk Defragmenter tool", {600, 1200, 3255, 255}},
      {"Scan all protected files", {600, 1800, 3255, 255}},
      {"Update Windows", {600, 2400, 3255, 255}},
      {"Back to XP Tweak", {960, 3600, 2295, 375}},
      {"Do you wish to keep the ultimate popup blocker option 'ON' ?", {120, 300, 5775, 375}},
  };
  int top = 360;
  for (const auto& box : tweaks::TweakBoxes()) {
    rows.push_back({std::string(box.caption), {360, top, 3615, 375}});
    top += 480;
  }
  const auto children = ChildrenByCaption(hwnd_);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.caption);
    const auto found = children.find(row.caption);
    ASSERT_NE(found, children.end());
    ExpectAtTwips(found->second, row.rect);
  }
  // The frames: a panel at the frame's place, its caption window filling it.
  for (const Row& frame : std::vector<Row>{{"General", {1560, 1490, 4395, 4199}},
                                           {"CleanUp", {1560, 1490, 4395, 4199}},
                                           {"Advanced option", {0, 5760, 6015, 822}}}) {
    SCOPED_TRACE(frame.caption);
    const auto found = children.find(frame.caption);
    ASSERT_NE(found, children.end());
    ExpectAtTwips(GetParent(found->second), frame.rect);
    EXPECT_EQ(GetParent(GetParent(found->second)), hwnd_);
  }
  ExpectAtTwips(Control("Picture1"), {0, 0, 5970, 1455});
  // Between the banner and the panels, and right of them, the window's own black shows.
  HDC dc = GetDC(hwnd_);
  EXPECT_EQ(GetPixel(dc, 200, 98), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 400, 200), RGB(0, 0, 0));
  ReleaseDC(hwnd_, dc);
  // A launcher is a button drawn as a label: a screen reader announces a button.
  EXPECT_EQ(ClassOf(Control("Label1")), L"Button");
  EXPECT_EQ(GetWindowLongW(Control("Label1"), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(GetWindowLongW(Control("Check1"), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
}

TEST_F(Win32Form1Test, PanelsToggleOnButtonClicksAndRestoreStartsDisabled) {
  HWND check = Control("Check1");
  HWND label = Control("Label1");
  EXPECT_TRUE(IsWindowVisible(check));
  EXPECT_FALSE(IsWindowVisible(label));
  EXPECT_FALSE(IsWindowEnabled(Control("XPButton4")));
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // Wine reports a click of the disabled button, Windows does not: nothing happens, no question.
  answerer_.Clear();
  SendMessageW(Control("XPButton4"), BM_CLICK, 0, 0);
  Pump(300);
  EXPECT_TRUE(answerer_.Lines().empty()) << answerer_.Lines().front();

  SendMessageW(Control("XPButton3"), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(check));
  EXPECT_TRUE(IsWindowVisible(label));
  // A box of the hidden panel stays as it is.
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(window_->Value(window_->Find("Check1")), 0);
  SendMessageW(Control("Command1"), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowVisible(check));
  EXPECT_FALSE(IsWindowVisible(label));
  SendMessageW(Control("XPButton3"), BM_CLICK, 0, 0);
  SendMessageW(Control("XPButton1"), BM_CLICK, 0, 0);  // only switches back
  EXPECT_TRUE(IsWindowVisible(check));
  EXPECT_FALSE(IsWindowVisible(label));
}

TEST_F(Win32Form1Test, TabReachesTheFourLaunchersOfTheCleanUpPanelInTheirOrder) {
  SendMessageW(Control("XPButton3"), BM_CLICK, 0, 0);
  SetFocus(Control("XPButton3"));
  std::vector<HWND> reached;
  for (int tab = 0; tab < 6; ++tab) {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    platform_.ui.DoEvents();
    reached.push_back(GetFocus());
  }
  EXPECT_EQ(reached,
            (std::vector<HWND>{Control("XPButton2"), Control("Label1"), Control("Label2"),
                               Control("Label3"), Control("Label4"), Control("Command1")}));
}

TEST_F(Win32Form1Test, MenusShowTheirEntriesAndTheProductsEntryIsGreyed) {
  HMENU bar = GetMenu(hwnd_);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  wchar_t text[128] = {};
  std::vector<std::string> captions;
  for (int i = 0; i < 3; ++i) {
    GetMenuStringW(bar, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    captions.push_back(Narrow(text));
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"&File", "&Tools", "&Help"}));
  HMENU help = GetSubMenu(bar, 2);
  ASSERT_EQ(GetMenuItemCount(help), 2);
  GetMenuStringW(help, 1, text, 128, MF_BYPOSITION);
  EXPECT_EQ(Narrow(text), "&Other Quelm Products");
  EXPECT_NE(GetMenuState(help, 1, MF_BYPOSITION) & MF_GRAYED, 0U);
  EXPECT_EQ(GetMenuState(help, 0, MF_BYPOSITION) & MF_GRAYED, 0U);
  HMENU tools = GetSubMenu(bar, 1);
  EXPECT_EQ(GetMenuState(tools, 0, MF_BYPOSITION) & MF_GRAYED, 0U);
  EXPECT_EQ(GetMenuState(tools, 1, MF_BYPOSITION) & MF_GRAYED, 0U);
}

// The program itself, with its resources, as the user sees it; the picture goes to the build
// folder so that a person can look at it.
TEST(Win32ProgramTest, TheProgramShowsItsMainWindowAndAScreenshotIsWritten) {
  const std::unique_ptr<Program> program = StartProgram();
  ASSERT_NE(program, nullptr);
  for (const std::string& message : program->messages) {
    std::printf("[ program  ] message at start-up: %s\n", message.c_str());
  }
  EXPECT_NE(program->form, nullptr);
  if (program->form != nullptr) {
    EXPECT_EQ(TextOf(program->form), "Velqor");
    // The disabled "&Restore Settings" clicked from outside: nothing happens, no question.
    PostMessageW(ChildrenByCaption(program->form)["&Restore Settings"], BM_CLICK, 0, 0);
    std::vector<std::string> asked;
    for (int tenth = 0; tenth < 10; ++tenth) {
      Sleep(100);
      for (const test::AnsweredBox& box : test::AnswerMessageBoxes(program->id)) {
        asked.push_back(Narrow(box.text));
      }
    }
    for (const std::string& text : asked) {
      EXPECT_EQ(text.find(booster::kRestorePrompt), std::string::npos) << text;
    }
    SetWindowPos(program->form, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    Sleep(700);
    const std::string path = std::string(VELQOR_BUILD_DIR) + "/form1.bmp";
    SaveScreenshot(program->form, path);
    std::printf("[ program  ] screenshot: %s\n", path.c_str());
    PostMessageW(program->form, WM_CLOSE, 0, 0);
  }
  // The close takes the Internet settings back; any message it shows is answered too.
  if (!Ends(*program, 100)) {
    ADD_FAILURE() << "the program did not end after its window was closed";
    TerminateProcess(program->process.get(), 1);
  }
}

// Each copy of the program lasts as long as its own window, whatever the other copy does.
TEST(Win32ProgramTest, TwoCopiesEachEndWithTheirOwnWindow) {
  const std::unique_ptr<Program> first = StartProgram();
  ASSERT_TRUE(first != nullptr && first->form != nullptr);
  const std::unique_ptr<Program> second = StartProgram();
  ASSERT_TRUE(second != nullptr);
  ASSERT_TRUE(first->form != nullptr && second->form != nullptr);
  EXPECT_NE(first->form, second->form);

  PostMessageW(second->form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Ends(*second, 100)) << "the second copy went on after its window closed";
  EXPECT_FALSE(Ends(*first, 10)) << "the first copy ended with the second one's window";
  EXPECT_TRUE(IsWindowVisible(first->form));

  PostMessageW(first->form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Ends(*first, 100));
  for (const Program* program : {first.get(), second.get()}) {
    if (WaitForSingleObject(program->process.get(), 0) != WAIT_OBJECT_0) {
      TerminateProcess(program->process.get(), 1);
    }
  }
}

// --- Captions against the room their controls give them, at 96, 120 and 144 DPI. ---

// Segoe UI 9, the message font of Vista to 11, is published as 1.75 by 1.875 pixels to the dialog
// unit at 96 DPI: an average character 7 pixels wide and a line 15 high. Where the font in use is
// another (Wine's Tahoma, as XP's), its text is taken as wider and taller in that proportion.
constexpr double kSegoeAverageWidth = 7.0;
constexpr double kSegoeLineHeight = 15.0;

// The room a control gives its caption, in pixels, and whether the caption wraps into it.
struct Room {
  int width;
  int height;
  bool wraps;
};

// How a control of the standard classes lays out its caption: a push button inside its border
// and focus frame (3 pixels a side), a check box or option button beside its glyph and gap, a
// frame's caption 8 pixels in from either side; labels and launchers wrap at word breaks.
std::optional<Room> RoomOf(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  const std::wstring cls = ClassOf(control);
  if (cls == L"Button") {
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return Room{client.right - 6, client.bottom - 6, (style & BS_MULTILINE) != 0};
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return Room{client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4, client.bottom,
                    (style & BS_MULTILINE) != 0};
      case BS_OWNERDRAW:
        return Room{client.right, client.bottom, true};
      default:
        return std::nullopt;
    }
  }
  if (cls == L"Static") {
    switch (style & SS_TYPEMASK) {
      case SS_OWNERDRAW:
        return Room{client.right - 16, client.bottom, false};
      case SS_LEFT:
        return Room{client.right, client.bottom, true};
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

BOOL CALLBACK CollectDescendant(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

// Every caption of `root` measured with the font its control uses (GetTextExtentPoint32W), and
// as Segoe UI would take it, against its control's room; one line printed per caption.
void ExpectCaptionsFit(HWND root, int dpi) {
  std::vector<HWND> controls;
  EnumChildWindows(root, &CollectDescendant, reinterpret_cast<LPARAM>(&controls));
  for (HWND control : controls) {
    std::wstring text = Widen(TextOf(control));
    const std::optional<Room> room = RoomOf(control);
    if (text.empty() || !room) {
      continue;
    }
    std::erase(text, L'&');  // the mnemonic's mark is not drawn
    HDC dc = GetDC(control);
    const HGDIOBJ old_font =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    const std::wstring letters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE all{};
    SIZE size{};
    GetTextExtentPoint32W(dc, letters.c_str(), 52, &all);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const bool segoe = std::wstring_view(face) == L"Segoe UI";
    const double scale = dpi / 96.0;
    const double widen = segoe ? 1.0 : std::max(1.0, kSegoeAverageWidth * scale * 52 / all.cx);
    const double line =
        segoe ? metrics.tmHeight : std::max<double>(metrics.tmHeight, kSegoeLineHeight * scale);
    // Wrapped text is laid out at the room narrowed by the widening, which is the same as wider
    // text in the whole room.
    int lines = 1;
    bool fits = size.cx * widen <= room->width && line <= room->height;
    if (room->wraps) {
      RECT wrapped{0, 0, static_cast<LONG>(room->width / widen), 0};
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      lines = std::max(1, static_cast<int>((wrapped.bottom + metrics.tmHeight - 1) /
                                           std::max(1L, metrics.tmHeight)));
      fits = wrapped.right * widen <= room->width + 0.5 && lines * line <= room->height;
    }
    SelectObject(dc, old_font);
    ReleaseDC(control, dc);
    std::printf(
        "[ captions ] %3d dpi %-14s %3ld px (as Segoe UI %3.0f px, %d line%s) in %3d x %2d "
        "px: %s\n",
        dpi, Narrow(face).c_str(), size.cx, size.cx * widen, lines, lines == 1 ? "" : "s",
        room->width, room->height, Narrow(text).c_str());
    EXPECT_TRUE(fits) << "\"" << Narrow(text) << "\" at " << dpi << " DPI needs " << size.cx
                      << " px (" << size.cx * widen << " as Segoe UI, " << lines << " line(s) of "
                      << line << " px) in " << room->width << " x " << room->height << " px";
  }
}

// One DPI, in a copy of this program started after the system's DPI was set (the system reads it
// when a process starts): both windows with every caption they show at start.
TEST(CaptionFitTest, DISABLED_EveryCaptionFitsAtTheSystemsDpi) {
  test::BoxAnswerer answerer;
  Win32Platform platform;
  Form1 form(platform.platform);
  form.Load();
  Pump(300);
  const int dpi = platform::win32::ScreenDpi();
  auto& main = static_cast<Win32Window&>(form.window());
  EXPECT_EQ(main.Dpi(), dpi);
  ExpectCaptionsFit(reinterpret_cast<HWND>(main.Handle()), dpi);
  // What a person looks at: the main window with either panel, then the startup manager (which
  // opens over it).
  const std::string dir = std::string(VELQOR_BUILD_DIR) + "/";
  const std::string at = std::string("-").append(std::to_string(dpi)).append("dpi.bmp");
  SaveScreenshot(reinterpret_cast<HWND>(main.Handle()), dir + "form1" + at);
  SendMessageW(main.ControlWindow(form.controls().XPButton3), BM_CLICK, 0, 0);
  Pump(200);
  SaveScreenshot(reinterpret_cast<HWND>(main.Handle()), dir + "form1-cleanup" + at);
  form.smn_Click();
  Pump(300);
  const HWND startup = reinterpret_cast<HWND>(form.startup_manager()->window()->Handle());
  ExpectCaptionsFit(startup, dpi);
  SaveScreenshot(startup, dir + "startup-manager" + at);
}

TEST(CaptionFitTest, NoCaptionIsClippedAt96_120Or144Dpi) {
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &desktop, nullptr),
            ERROR_SUCCESS);
  DWORD saved = 0;
  DWORD size = sizeof(saved);
  const bool had = RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const DWORD dpi : {96UL, 120UL, 144UL}) {
    SCOPED_TRACE(dpi);
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof(dpi));
    std::wstring command =
        L"\"" + std::wstring(self) +
        L"\" --gtest_also_run_disabled_tests --gtest_color=no "
        L"--gtest_filter=CaptionFitTest.DISABLED_EveryCaptionFitsAtTheSystemsDpi";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(test::StartAllowingForWine([&] {
      return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info) != FALSE;
    }));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 0U) << "a caption is clipped, or the windows did not show (see above)";
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  if (had) {
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved),
                   sizeof(saved));
  } else {
    RegDeleteValueW(desktop, L"LogPixels");
  }
  RegCloseKey(desktop);
}

}  // namespace
}  // namespace velqor::app
