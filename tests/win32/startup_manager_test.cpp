// The startup manager as real Win32 windows over the real registry, opened from the main
// window's Tools menu and driven with the messages that a user's clicks send.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "startup/frm_main.h"
#include "win32/box_answerer.h"
#include "win32/screenshot.h"
#include "win32/win32_platform.h"
#include "win32/wine_start.h"

namespace velqor::startup {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// An ANSI name with characters of the code page beyond ASCII (Windows-1252 bytes).
const std::string kAccented = "Caf\xE9 M\xFCller \xC5ngstr\xF6m";

std::wstring FromAnsi(const std::string& ansi) {
  if (ansi.empty()) {
    return {};
  }
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
  return w;
}

HKEY Root(bool user) {
  return user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

void SetRun(bool user, const std::string& name, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(Root(user), kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1)),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

void DeleteRunValues(bool user) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root(user), kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  for (;;) {
    char name[512];
    DWORD length = sizeof name;
    if (RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) {
      break;
    }
  }
  RegCloseKey(key);
}

// Every value of a Run key as the registry enumerates it (what `reg query` lists): name and
// data, both as UTF-16 of the ANSI bytes.
std::vector<std::pair<std::wstring, std::wstring>> ReadRun(bool user) {
  std::vector<std::pair<std::wstring, std::wstring>> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root(user), kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return values;
  }
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD name_length = sizeof name;
    std::vector<BYTE> data(4096);
    DWORD data_length = static_cast<DWORD>(data.size());
    if (RegEnumValueA(key, i, name, &name_length, nullptr, nullptr, data.data(), &data_length) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::string text(reinterpret_cast<const char*>(data.data()),
                           strnlen(reinterpret_cast<const char*>(data.data()), data_length));
    values.emplace_back(FromAnsi(std::string(name, name_length)), FromAnsi(text));
  }
  RegCloseKey(key);
  return values;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Every descendant window of `top` of the class, ordered top to bottom, then left to right.
struct DescendantSearch {
  std::wstring cls;
  std::vector<HWND> found;
};

// The system calls enumeration callbacks with its own calling convention, which a lambda
// does not have on i686.
BOOL CALLBACK CollectDescendant(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<DescendantSearch*>(param);
  if (_wcsicmp(ClassOf(hwnd).c_str(), s->cls.c_str()) == 0) {
    s->found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> Descendants(HWND top, const std::wstring& cls) {
  DescendantSearch search{cls, {}};
  EnumChildWindows(top, &CollectDescendant, reinterpret_cast<LPARAM>(&search));
  std::sort(search.found.begin(), search.found.end(), [](HWND a, HWND b) {
    RECT ra;
    RECT rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return std::make_pair(ra.top, ra.left) < std::make_pair(rb.top, rb.left);
  });
  return search.found;
}

HWND ChildWithText(HWND top, const std::wstring& cls, const std::wstring& prefix) {
  for (HWND hwnd : Descendants(top, cls)) {
    if (TextOf(hwnd).rfind(prefix, 0) == 0) {
      return hwnd;
    }
  }
  return nullptr;
}

std::vector<std::wstring> ListRows(HWND list) {
  std::vector<std::wstring> rows;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    rows.push_back(text);
  }
  return rows;
}

// What a click on a control tells its parent.
void Notify(HWND control, WORD code) {
  SendMessageW(GetParent(control), WM_COMMAND,
               MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code),
               reinterpret_cast<LPARAM>(control));
}

// A user's click on a list row: the selection moves, then the list notifies its parent.
void ClickRow(HWND list, int row) {
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  Notify(list, LBN_SELCHANGE);
}

// Lets every waiting message run.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Saves the window as it shows on the screen, repainted first.
void SaveScreenshot(HWND hwnd, const std::string& path) {
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
  test::SaveScreenshot(hwnd, path);
}
std::wstring LeftTrimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L' ');
  return first == std::wstring::npos ? std::wstring() : text.substr(first);
}

// The rows that the two lists must show for a Run key: names without their leading spaces,
// command lines without theirs, in the registry's order.
std::pair<std::vector<std::wstring>, std::vector<std::wstring>> ExpectedRows(bool user) {
  std::pair<std::vector<std::wstring>, std::vector<std::wstring>> rows;
  for (const auto& [name, data] : ReadRun(user)) {
    rows.first.push_back(LeftTrimmed(name));
    rows.second.push_back(LeftTrimmed(data));
  }
  return rows;
}

// The value names of a Run key as the system's own `reg query` prints them, in its order; names
// outside ASCII are left out, since the console code page of the output is not ours to choose.
std::vector<std::wstring> RegQueryAsciiNames(bool user) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (CreatePipe(&read_end, &write_end, &inherit, 0) == FALSE) {
    return {};
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = std::wstring(L"reg.exe query \"") +
                         (user ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\") +
                         FromAnsi(kRunKey) + L"\"";
  PROCESS_INFORMATION process{};
  const bool started = test::StartAllowingForWine([&] {
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &process) != FALSE;
  });
  CloseHandle(write_end);
  std::string output;
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) != FALSE && got > 0) {
      output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  // Each value is a line "    <name>    REG_<type>    <data>".
  std::vector<std::wstring> names;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos) {
      end = output.size();
    }
    const std::string line = output.substr(at, end - at);
    at = end + 1;
    const size_t type = line.find("    REG_");
    if (line.rfind("    ", 0) != 0 || type == std::string::npos) {
      continue;
    }
    const std::string name = line.substr(4, type - 4);
    if (std::all_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      names.push_back(FromAnsi(name));
    }
  }
  return names;
}

bool IsAscii(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

int RowOf(HWND list, const std::wstring& text) {
  const std::vector<std::wstring> rows = ListRows(list);
  const auto found = std::find(rows.begin(), rows.end(), text);
  return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

class StartupManagerWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRunValues(true);
    SetRun(false, "Sound Mixer", "C:\\Windows\\mixer.exe /tray");
    SetRun(false, kAccented, "C:\\Caf\xE9\\machine.exe");
    SetRun(false, "Long Line", "C:\\" + std::string(991, 'L') + "\\x.exe");
    SetRun(true, "My Tool", "C:\\Tools\\tool.exe -quiet");
    SetRun(true, " Spaced", "  spaced.exe");
    SetRun(true, "Spaced", "other.exe");
    SetRun(true, kAccented, "C:\\Caf\xE9\\user.exe");
    SetRun(true, "Keep Me", "keep.exe");
  }
  void TearDown() override {
    DeleteRunValues(true);
    DeleteRunValues(false);
  }

  // Finds the window and its controls once it shows.
  void FindControls() {
    window = FindWindowW(nullptr, L"Velqor Startup manager");
    ASSERT_NE(window, nullptr);
    const std::vector<HWND> lists = Descendants(window, L"ListBox");
    ASSERT_EQ(lists.size(), 2U);
    lstName = lists[0];
    lstCmdLine = lists[1];
    const std::vector<HWND> edits = Descendants(window, L"Edit");
    ASSERT_EQ(edits.size(), 2U);
    txtName = edits[0];
    txtCmdLine = edits[1];
    optRun = ChildWithText(window, L"Button", L" Run");
    optRun2 = ChildWithText(window, L"Button", L"Run (Current user)");
    Command1 = ChildWithText(window, L"Button", L"Delete");
    ASSERT_NE(optRun, nullptr);
    ASSERT_NE(optRun2, nullptr);
    ASSERT_NE(Command1, nullptr);
  }

  void ExpectListsShow(bool user) {
    const auto [names, lines] = ExpectedRows(user);
    EXPECT_EQ(ListRows(lstName), names);
    EXPECT_EQ(ListRows(lstCmdLine), lines);
    // And as the user would check it with `reg query`: the same names in the same order.
    std::vector<std::wstring> shown;
    for (const std::wstring& row : ListRows(lstName)) {
      if (IsAscii(row)) {
        shown.push_back(row);
      }
    }
    std::vector<std::wstring> queried;
    for (const std::wstring& name : RegQueryAsciiNames(user)) {
      queried.push_back(LeftTrimmed(name));
    }
    EXPECT_FALSE(queried.empty()) << "reg query listed nothing";
    EXPECT_EQ(shown, queried);
  }

  // Chooses Tools > "Startup manager" of the main window as its menu does.
  void ChooseStartupManager() {
    HWND main = reinterpret_cast<HWND>(form1.window().Handle());
    HMENU tools = GetSubMenu(GetMenu(main), 1);
    ASSERT_NE(tools, nullptr);
    const UINT id = GetMenuItemID(tools, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    Pump();
  }

  Win32Platform machine;
  app::Form1 form1{machine.platform};
  HWND window = nullptr;
  HWND lstName = nullptr;
  HWND lstCmdLine = nullptr;
  HWND txtName = nullptr;
  HWND txtCmdLine = nullptr;
  HWND optRun = nullptr;
  HWND optRun2 = nullptr;
  HWND Command1 = nullptr;
};

TEST_F(StartupManagerWin32, FromTheToolsMenuListsBothKeysMirrorsClicksAndDeletesOnlyTheSelected) {
  {
    test::BoxAnswerer answerer;  // the pop-up killer may say it cannot watch browsers here
    form1.Load();
  }
  ChooseStartupManager();
  ASSERT_NE(form1.startup_manager(), nullptr);
  frmMain& form = *form1.startup_manager();
  ASSERT_NO_FATAL_FAILURE(FindControls());
  // Choosing it again shows the same window.
  const HWND first = window;
  ChooseStartupManager();
  EXPECT_EQ(FindWindowW(nullptr, L"Velqor Startup manager"), first);
  EXPECT_EQ(form1.startup_manager(), &form);

  // The machine-wide key, as the registry enumerates it.
  EXPECT_EQ(SendMessageW(optRun, BM_GETCHECK, 0, 0), BST_CHECKED);
  ExpectListsShow(false);
  EXPECT_EQ(SendMessageW(lstName, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(lstCmdLine, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(TextOf(txtName), ListRows(lstName)[0]);
  EXPECT_EQ(TextOf(Command1), L"Delete " + ListRows(lstName)[0] + L" from startup");
  // The command lines scroll sideways just as far as the widest, the names not at all.
  HDC dc = GetDC(lstCmdLine);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(lstCmdLine, WM_GETFONT, 0, 0)));
  const std::wstring widest = L"C:\\" + std::wstring(991, L'L') + L"\\x.exe";
  SIZE size{};
  GetTextExtentPoint32W(dc, widest.c_str(), static_cast<int>(widest.size()), &size);
  ReleaseDC(lstCmdLine, dc);
  const auto extent = SendMessageW(lstCmdLine, LB_GETHORIZONTALEXTENT, 0, 0);
  EXPECT_GE(extent, size.cx);
  EXPECT_LE(extent, size.cx + 16);
  EXPECT_NE(GetWindowLongW(lstCmdLine, GWL_STYLE) & WS_HSCROLL, 0);
  EXPECT_EQ(GetWindowLongW(lstName, GWL_STYLE) & WS_HSCROLL, 0) << "a scroll bar over nothing";
  // A screen reader names each list and field by the label just before it in the window's
  // order; Tab goes by the tab indices all the same.
  const std::pair<HWND, const wchar_t*> named[] = {{lstName, L"Name:"},
                                                   {lstCmdLine, L"Command Line:"},
                                                   {txtName, L"Program Name:"},
                                                   {txtCmdLine, L"Command Line:"}};
  for (const auto& [control, label] : named) {
    EXPECT_EQ(TextOf(GetWindow(control, GW_HWNDPREV)), label);
  }
  EXPECT_EQ(GetNextDlgTabItem(window, lstName, FALSE), lstCmdLine);
  EXPECT_EQ(GetNextDlgTabItem(window, lstCmdLine, FALSE), txtName);
  EXPECT_EQ(GetNextDlgTabItem(window, txtName, FALSE), txtCmdLine);
  const int machine_accented = RowOf(lstName, FromAnsi(kAccented));
  ASSERT_GE(machine_accented, 0);
  EXPECT_EQ(ListRows(lstCmdLine)[static_cast<size_t>(machine_accented)],
            FromAnsi("C:\\Caf\xE9\\machine.exe"));
  const int long_row = RowOf(lstName, L"Long Line");
  ASSERT_GE(long_row, 0);
  EXPECT_EQ(ListRows(lstCmdLine)[static_cast<size_t>(long_row)].size(), 1000U);

  // The per-user key, chosen as a user does.
  SendMessageW(optRun2, BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(SendMessageW(optRun2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(optRun, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ExpectListsShow(true);
  // Wine enumerates a key's values in name order, Windows in the order they were written; the
  // lists follow the registry either way.
  std::vector<std::wstring> names = ListRows(lstName);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{FromAnsi(kAccented), L"Keep Me", L"My Tool",
                                              L"Spaced", L"Spaced"}));
  const std::vector<std::wstring> lines = ListRows(lstCmdLine);
  const int spaced_row =
      static_cast<int>(std::find(lines.begin(), lines.end(), L"spaced.exe") - lines.begin());
  ASSERT_LT(spaced_row, static_cast<int>(lines.size()));
  EXPECT_EQ(ListRows(lstName)[static_cast<size_t>(spaced_row)], L"Spaced");

  // A click on a command line selects its name too.
  const int accented_row = RowOf(lstName, FromAnsi(kAccented));
  ASSERT_GE(accented_row, 0);
  ClickRow(lstCmdLine, accented_row);
  EXPECT_EQ(SendMessageW(lstName, LB_GETCURSEL, 0, 0), accented_row);
  EXPECT_EQ(TextOf(txtName), FromAnsi(kAccented));
  EXPECT_EQ(TextOf(txtCmdLine), FromAnsi("C:\\Caf\xE9\\user.exe"));
  EXPECT_EQ(TextOf(Command1), L"Delete " + FromAnsi(kAccented) + L" from startup");
  SaveScreenshot(window, std::string(VELQOR_BUILD_DIR) + "/startup-manager.bmp");

  const auto machine_before = ReadRun(false);
  auto user_expected = ReadRun(true);
  const auto drop = [&](const std::wstring& name) {
    const auto found = std::find_if(user_expected.begin(), user_expected.end(),
                                    [&](const auto& value) { return value.first == name; });
    ASSERT_NE(found, user_expected.end());
    user_expected.erase(found);
  };
  {
    test::BoxAnswerer answerer;
    Notify(Command1, BN_CLICKED);
    ASSERT_EQ(answerer.Boxes().size(), 1U);
    EXPECT_EQ(answerer.Boxes()[0].title, L"Velqor");
    EXPECT_EQ(answerer.Boxes()[0].text,
              L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" +
                  FromAnsi(kAccented));
  }
  drop(FromAnsi(kAccented));
  EXPECT_EQ(ReadRun(true), user_expected);
  EXPECT_EQ(ReadRun(false), machine_before);
  EXPECT_EQ(ListRows(lstName).size(), 5U) << "the row stays until the lists are refilled";

  // The value with a leading space goes, not its look-alike.
  ClickRow(lstName, spaced_row);
  {
    test::BoxAnswerer answerer;
    Notify(Command1, BN_CLICKED);
    ASSERT_EQ(answerer.Boxes().size(), 1U);
    EXPECT_EQ(answerer.Boxes()[0].text,
              L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Spaced");
  }
  drop(L" Spaced");
  EXPECT_EQ(ReadRun(true), user_expected);

  // Nothing machine-wide is removed, even where a per-user entry has the same name.
  SendMessageW(optRun, BM_CLICK, 0, 0);
  Pump();
  ExpectListsShow(false);
  ClickRow(lstName, RowOf(lstName, L"Sound Mixer"));
  SetRun(true, "Sound Mixer", "user-mixer.exe");
  user_expected = ReadRun(true);
  {
    test::BoxAnswerer answerer;
    Notify(Command1, BN_CLICKED);
    ASSERT_EQ(answerer.Boxes().size(), 1U);
    EXPECT_EQ(answerer.Boxes()[0].text,
              std::wstring(kMsgMachineWide.begin(), kMsgMachineWide.end()));
  }
  EXPECT_EQ(ReadRun(true), user_expected);
  EXPECT_EQ(ReadRun(false), machine_before);

  // The close box unloads the window; the next opening starts again from the machine-wide key.
  SendMessageW(optRun2, BM_CLICK, 0, 0);
  SendMessageW(window, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_FALSE(IsWindow(window));
  ChooseStartupManager();
  ASSERT_TRUE(form.IsLoaded());
  ASSERT_NO_FATAL_FAILURE(FindControls());
  EXPECT_EQ(SendMessageW(optRun, BM_GETCHECK, 0, 0), BST_CHECKED);
  ExpectListsShow(false);
}

}  // namespace
}  // namespace velqor::startup
