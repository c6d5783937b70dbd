// The main window over the real Win32 user interface, read back through the system as another
// program would see it; and the program itself, started and photographed.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/win32/dpi.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "tweaks/catalogue.h"
#include "win32/screenshot.h"
#include "win32/win32_platform.h"
#include "win32/wine_start.h"

namespace velqor::app {
namespace {

using platform::TwipRect;
using platform::win32::Narrow;
using platform::win32::Widen;
using platform::win32::Win32Window;

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::string TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return Narrow(text);
}

BOOL CALLBACK CollectByCaption(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::map<std::string, HWND>*>(param)->emplace(TextOf(hwnd), hwnd);
  return TRUE;
}

// Every descendant window of `root` by caption (the first of each caption).
std::map<std::string, HWND> ChildrenByCaption(HWND root) {
  std::map<std::string, HWND> found;
  EnumChildWindows(root, &CollectByCaption, reinterpret_cast<LPARAM>(&found));
  return found;
}

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

struct BoxSearch {
  DWORD process;
  std::vector<std::string> texts;
};

BOOL CALLBACK AnswerBoxOf(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<BoxSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search.process && ClassOf(hwnd) == L"#32770" && IsWindowVisible(hwnd)) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(hwnd, 0xFFFF, text, 1024);
    search.texts.push_back(Narrow(text));
    const int button = GetDlgItem(hwnd, IDOK) != nullptr ? IDOK : IDNO;
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
  return TRUE;
}

// Message boxes of `process` (0: this one) that are up: their text, and a press of OK (or No).
std::vector<std::string> AnswerMessageBoxes(DWORD process) {
  BoxSearch search{process == 0 ? GetCurrentProcessId() : process, {}};
  EnumWindows(&AnswerBoxOf, reinterpret_cast<LPARAM>(&search));
  return search.texts;
}

struct FormSearch {
  DWORD process;
  HWND form;
};

BOOL CALLBACK FindVisibleForm(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<FormSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search.process && ClassOf(hwnd) == Win32Window::kClassName &&
      IsWindowVisible(hwnd)) {
    search.form = hwnd;
  }
  return TRUE;
}

// While alive, every message box this thread shows is answered within a moment (its modal loop
// runs the timer), so a box the program shows at start-up cannot hang a test.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() { timer_ = SetTimer(nullptr, 0, 100, &MessageBoxAnswerer::Tick); }
  ~MessageBoxAnswerer() { KillTimer(nullptr, timer_); }
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  static std::vector<std::string>& texts() {
    static std::vector<std::string> all;
    return all;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    for (std::string& text : AnswerMessageBoxes(0)) {
      texts().push_back(std::move(text));
    }
  }
  UINT_PTR timer_ = 0;
};

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
    MessageBoxAnswerer::texts().clear();
    form_.Load();
    window_ = &static_cast<Win32Window&>(form_.window());
    hwnd_ = reinterpret_cast<HWND>(window_->Handle());
    Pump(100);
  }

  HWND Control(const char* name) { return window_->ControlWindow(window_->Find(name)); }

  MessageBoxAnswerer answerer_;
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
      {"Clean your hard Drive using Clean manager", {600, 600, 3255, 255}},
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
  MessageBoxAnswerer::texts().clear();
  SendMessageW(Control("XPButton4"), BM_CLICK, 0, 0);
  Pump(300);
  EXPECT_TRUE(MessageBoxAnswerer::texts().empty()) << MessageBoxAnswerer::texts().front();

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

// velqor.exe from the build, started as the user starts it.
struct Program {
  platform::win32::UniqueHandleKernel process;
  platform::win32::UniqueHandleKernel thread;
  DWORD id = 0;
  HWND form = nullptr;                // its main window once shown
  std::vector<std::string> messages;  // the message boxes answered on the way
};

std::unique_ptr<Program> StartProgram() {
  std::wstring command = L"\"" + Widen(VELQOR_EXE_DIR) + L"/velqor.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!test::StartAllowingForWine([&] {
        return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != FALSE;
      })) {
    ADD_FAILURE() << "velqor.exe did not start: " << GetLastError();
    return nullptr;
  }
  auto program = std::make_unique<Program>();
  program->process.reset(info.hProcess);
  program->thread.reset(info.hThread);
  program->id = info.dwProcessId;
  FormSearch found{info.dwProcessId, nullptr};
  for (int attempt = 0; attempt < 300 && found.form == nullptr; ++attempt) {
    for (std::string& text : AnswerMessageBoxes(info.dwProcessId)) {
      program->messages.push_back(std::move(text));
    }
    EnumWindows(&FindVisibleForm, reinterpret_cast<LPARAM>(&found));
    Sleep(100);
  }
  program->form = found.form;
  return program;
}

// Whether the program ends within `tenths` tenths of a second; message boxes are answered.
bool Ends(const Program& program, int tenths) {
  for (int attempt = 0; attempt < tenths; ++attempt) {
    AnswerMessageBoxes(program.id);
    if (WaitForSingleObject(program.process.get(), 100) == WAIT_OBJECT_0) {
      return true;
    }
  }
  return false;
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
      for (std::string& text : AnswerMessageBoxes(program->id)) {
        asked.push_back(std::move(text));
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

}  // namespace
}  // namespace velqor::app
