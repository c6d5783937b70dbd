// The Changes and Current settings windows as real Win32 windows over the real registry and disk:
// an undo and an export made from the window, the export imported by the system's registry
// editor, and the state of every tweak after an apply read from the list a user sees.
#include <windows.h>
#undef MessageBox
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "journal/changes_window.h"
#include "journal/current_settings.h"
#include "journal/undo.h"
#include "platform/win32/journal_file.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "tweaks/catalogue.h"
#include "win32/box_answerer.h"
#include "win32/screenshot.h"
#include "win32/win32_platform.h"
#include "win32/wine_start.h"

namespace velqor::journal {
namespace {

using platform::win32::Win32Window;

constexpr char kKey[] = "Software\\VelqorChangesWindowTest";
constexpr wchar_t kFolder[] = L"VelqorChangesWindowTest";

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

// A REG_SZ value's exact bytes; nothing when it is missing or of another type.
std::optional<std::string> ReadText(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  char data[256] = {};
  DWORD length = sizeof(data);
  DWORD type = 0;
  const LONG status =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &length);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  return std::string(data, length);
}

void SetText(const char* name, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

// What the list control itself shows in a cell.
std::string Cell(platform::Window& w, platform::ControlId list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(static_cast<Win32Window&>(w).ControlWindow(list), LVM_GETITEMTEXTW,
               static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return platform::win32::Narrow(text);
}

void Click(platform::Window& w, platform::ControlId button) {
  SendMessageW(static_cast<Win32Window&>(w).ControlWindow(button), BM_CLICK, 0, 0);
}

// The Save As dialog, answered with a typed name and OK once it shows.
std::wstring save_as_answer;
BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (std::wstring_view(name) == L"#32770" && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}
void CALLBACK AnswerSaveAs(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog != nullptr) {
    KillTimer(nullptr, timer);
    if (!SetDlgItemTextW(dialog, 0x47c, save_as_answer.c_str())) {
      SetDlgItemTextW(dialog, 0x480, save_as_answer.c_str());
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
}

class Win32ChangesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static std::wstring AppFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + kFolder;
  }
  static void Clean() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    for (const wchar_t* file : {L"\\changes.txt", L"\\changes.txt.lock", L"\\before.reg"}) {
      DeleteFileW((AppFolder() + file).c_str());
    }
  }
};

TEST_F(Win32ChangesWindowTest, UndoAndExportFromTheWindowAndRegeditImportsTheExport) {
  // It would answer the Save As dialog too: it is stopped while that one is open.
  std::optional<test::BoxAnswerer> answerer(std::in_place);
  Win32Platform platform;
  platform::win32::Win32JournalFile::Options options;
  options.folder = kFolder;
  platform::win32::Win32JournalFile file(options);
  JournalWriter writer(file);
  Recorder recorder(platform.registry, writer);
  SetText("MenuShowDelay", std::string("100\0", 4));
  SetText("Accented \xE9", std::string("\xFC\0", 2));
  {
    const CommandScope scope(recorder, "Apply XP Tweak");
    const auto shell = platform::win32::Win32ScriptHost(recorder).CreateShell();
    for (const char* name : {"MenuShowDelay", "Accented \xC3\xA9", "Created"}) {
      shell->RegWrite("HKCU\\" + std::string(kKey) + "\\" + name, 400, "REG_SZ");
    }
  }

  ChangesWindow changes(platform.ui, recorder);
  changes.Show();
  platform::Window& w = *changes.window();
  const auto& c = changes.controls();
  w.SetSelection(c.lstCommands, 0);
  Pump(300);
  EXPECT_EQ(Cell(w, c.lstCommands, 0, 1), "Apply XP Tweak");
  EXPECT_EQ(Cell(w, c.lstCommands, 0, 2), "3");
  EXPECT_EQ(Cell(w, c.lstValues, 1, 0),
            "HKEY_CURRENT_USER\\" + std::string(kKey) + "\\Accented \xC3\xA9");
  EXPECT_EQ(Cell(w, c.lstValues, 1, 1), "\"\xC3\xBC\"");
  EXPECT_EQ(Cell(w, c.lstValues, 2, 1), "(absent)");

  Click(w, c.cmdUndo);
  Pump(200);
  EXPECT_EQ(answerer->Lines(), std::vector<std::string>()) << "nothing changed since: no question";
  EXPECT_EQ(ReadText("MenuShowDelay"), std::string("100\0", 4));
  EXPECT_EQ(ReadText("Accented \xE9"), std::string("\xFC\0", 2));
  EXPECT_FALSE(ReadText("Created").has_value());
  EXPECT_EQ(Cell(w, c.lstCommands, 0, 1), "Undo of 1");
  EXPECT_EQ(Cell(w, c.lstCommands, 1, 3), "undone");
  Pump(200);
  test::SaveScreenshot(reinterpret_cast<HWND>(w.Handle()),
                       std::string(VELQOR_BUILD_DIR) + "/changes.bmp");

  // The command's prior states exported, the values changed again, and regedit brings them back.
  w.SetSelection(c.lstCommands, 1);
  save_as_answer = AppFolder() + L"\\before.reg";
  answerer.reset();
  SetTimer(nullptr, 0, 100, &AnswerSaveAs);
  Click(w, c.cmdExport);
  answerer.emplace();
  Pump(200);
  SetText("MenuShowDelay", std::string("7\0", 2));
  SetText("Accented \xE9", std::string("7\0", 2));
  SetText("Created", std::string("7\0", 2));
  ASSERT_TRUE(test::ImportSilently(save_as_answer));
  EXPECT_EQ(ReadText("MenuShowDelay"), std::string("100\0", 4));
  EXPECT_EQ(ReadText("Accented \xE9"), std::string("\xFC\0", 2));
  EXPECT_FALSE(ReadText("Created").has_value());
  EXPECT_EQ(answerer->Lines(), std::vector<std::string>());
}

// "Changes..." and "Current settings..." as the main window numbers its menu entries: Exit,
// Startup manager, Shutdown now !, Undo last change, then these (separators take no number).
constexpr WPARAM kChangesEntry = platform::win32::Win32Backend::kFirstMenuId + 4;
constexpr WPARAM kSettingsEntry = kChangesEntry + 1;

TEST(Win32CurrentSettings, OpenedFromTheMenuShowsTweakedForEveryBoxCheckedAtTheLastApply) {
  test::BoxAnswerer answerer;
  Win32Platform platform;
  app::Form1 form(platform.platform);
  form.Load();
  auto& main = static_cast<Win32Window&>(form.window());
  const auto hwnd = reinterpret_cast<HWND>(main.Handle());
  // Set by hand, so that the apply changes it and is the newest command whatever ran before.
  HKEY desktop = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &desktop),
            ERROR_SUCCESS);
  RegSetValueExA(desktop, "MenuShowDelay", 0, REG_SZ, reinterpret_cast<const BYTE*>("100"), 4);
  RegCloseKey(desktop);
  const std::array<int, 8> states = {1, 0, 1, 1, 0, 1, 1, 0};
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (states[i] == 1) {
      Click(main, form.controls().Check[i]);
    }
  }
  Click(main, form.controls().XPButton1);

  SendMessageW(hwnd, WM_COMMAND, kSettingsEntry, 0);
  Pump(300);
  ASSERT_NE(form.settings_window(), nullptr);
  platform::Window* w = form.settings_window()->window();
  ASSERT_NE(w, nullptr);
  const platform::ControlId list = w->Find("lstSettings");
  ASSERT_EQ(w->ItemCount(list), 22);
  for (std::size_t i = 0; i < tweaks::kTweakWriteCount; ++i) {
    const tweaks::TweakWrite& write = tweaks::TweakWrites()[i];
    SCOPED_TRACE(write.path);
    EXPECT_EQ(Cell(*w, list, static_cast<int>(i), CurrentSettingsWindow::kState),
              states.at(write.box) == 1 ? "tweaked" : "ordinary");
  }
  test::SaveScreenshot(reinterpret_cast<HWND>(w->Handle()),
                       std::string(VELQOR_BUILD_DIR) + "/current-settings.bmp");

  SendMessageW(hwnd, WM_COMMAND, kChangesEntry, 0);
  Pump(300);
  ASSERT_NE(form.changes_window(), nullptr);
  platform::Window* changes = form.changes_window()->window();
  ASSERT_NE(changes, nullptr);
  EXPECT_EQ(Cell(*changes, form.changes_window()->controls().lstCommands, 0, 1), "Apply XP Tweak");
  // Under Wine the one box is the pop-up killer's notice that it cannot watch browsers.
  for (const std::string& line : answerer.Lines()) {
    EXPECT_NE(line.find("pop-up killer"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace velqor::journal
