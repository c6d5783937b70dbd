// The tweaks and the booster on the real system: a real window with real buttons, the real
// registry, and every value read back with RegQueryValueExA.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "booster/booster.h"
#include "platform/ui.h"
#include "platform/registry_settings.h"
#include "platform/win32/registry.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "win32/booster_values.h"
#include "win32/box_answerer.h"
#include "win32/win32_platform.h"

namespace velqor {
namespace {

using test::BoosterValue;
using test::Dword;
using test::KeyExists;
using test::kIcs;
using test::kMstcp;
using test::kParameters;
using test::kSettings;
using test::Query;
using test::Read;
using test::Sz;
using test::Thirteen;

constexpr const char* kMemory =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

std::string TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return platform::win32::Narrow(text);
}

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

HICON IconOf(HWND hwnd) {
  return reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
}

// The main window over the real platform, loaded and shown.
class MainWindowOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.Load();
    window_ = &static_cast<platform::win32::Win32Window&>(form_.window());
    hwnd_ = reinterpret_cast<HWND>(window_->Handle());
    Pump(100);
    // Whatever the start-up showed (under Wine: that the pop-up killer cannot watch the shell's
    // windows) is not the business of these tests.
    answerer_.Clear();
  }

  HWND Control(platform::ControlId id) const { return window_->ControlWindow(id); }
  void Click(platform::ControlId id) {
    SendMessageW(Control(id), BM_CLICK, 0, 0);
    Pump(50);
  }

  // Every message box is answered Yes (or OK).
  test::BoxAnswerer answerer_{IDYES};
  Win32Platform platform_;
  app::Form1 form_{platform_.platform};
  platform::win32::Win32Window* window_ = nullptr;
  HWND hwnd_ = nullptr;
};

// The pop-up killer's switch is kept, as text, in the current user's key of the program.
TEST(SettingsStoreOnWindows, PopupKillerSettingLandsInTheUsersRegistryKey) {
  platform::win32::Win32Registry registry;
  platform::RegistrySettingsStore store(registry);
  store.SaveSetting("Velqor", "PopupKiller", "IsActive", "1");
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\Velqor\\PopupKiller", "IsActive"), Sz("1"));
  store.SaveSetting("Velqor", "PopupKiller", "IsActive", "0");
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\Velqor\\PopupKiller", "IsActive"), Sz("0"));
}

TEST_F(MainWindowOnWindows, ApplyWithEveryBoxCheckedReadsBackThroughTheSystem) {
  const auto& ids = form_.controls();
  for (const platform::ControlId box : ids.Check) {
    Click(box);
    EXPECT_EQ(SendMessageW(Control(box), BM_GETCHECK, 0, 0), BST_CHECKED);
  }
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kMemory, "DisablePagingExecutive"), Dword(1))
      << "checking Check1 writes at once";
  Click(ids.XPButton1);
  struct Row {
    HKEY root;
    const char* key;
    const char* name;
    Read expected;
  };
  const Row rows[] = {
      {HKEY_LOCAL_MACHINE, kMemory, "DisablePagingExecutive", Dword(1)},
      {HKEY_LOCAL_MACHINE,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL", nullptr, Sz("1")},
      {HKEY_LOCAL_MACHINE, kMemory, "LargeSystemCache", Dword(1)},
      {HKEY_CURRENT_USER, "Control Panel\\Desktop", "HungAppTimeout", Sz("1000")},
      {HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", Sz("20")},
      {HKEY_CURRENT_USER, "Control Panel\\Desktop", "AutoEndTasks", Dword(1)},
      {HKEY_CURRENT_USER, "Control Panel\\Desktop", "WaitToKillAppTimeout", Sz("1500")},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control", "WaitToKillServiceTimeout",
       Dword(100)},
      {HKEY_CURRENT_USER, "Control Panel\\Mouse", "SnapToDefaultButton", Sz("1")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name != nullptr ? row.name : "AlwaysUnloadDLL (default)");
    EXPECT_EQ(Query(row.root, row.key, row.name), row.expected);
  }
  // Clearing the boxes: Check1's click writes 0 at once, the apply the ordinary values.
  for (const platform::ControlId box : ids.Check) {
    Click(box);
  }
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kMemory, "DisablePagingExecutive"), Dword(0));
  Click(ids.XPButton1);
  EXPECT_EQ(
      Query(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control", "WaitToKillServiceTimeout"),
      Sz("4000"));
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay"), Sz("400"));
  for (const std::string& box : answerer_.Lines()) {
    ADD_FAILURE() << "unexpected message: " << box;
  }
}

TEST_F(MainWindowOnWindows, BoostRestoreAndCloseLeaveTheTablesValues) {
  const auto& ids = form_.controls();
  // The per-user key is never created by the booster; where the system lacks it the per-user
  // values are lost silently, and that is what is checked then.
  const bool user_key = KeyExists(HKEY_CURRENT_USER, kSettings);
  const auto expect_all = [&](bool boosted) {
    for (const BoosterValue& v : Thirteen()) {
      SCOPED_TRACE(std::string(v.root == HKEY_CURRENT_USER ? "HKCU " : "HKLM ") + v.name);
      if (v.root == HKEY_CURRENT_USER && !user_key) {
        EXPECT_FALSE(Query(v.root, v.key, v.name));
      } else {
        EXPECT_EQ(Query(v.root, v.key, v.name), boosted ? v.boosted : v.after);
      }
    }
  };
  const auto boxes = [this] { return answerer_.Lines().size(); };
  const auto told = [this](std::size_t box, const std::string& file) {
    ASSERT_LT(box, answerer_.Lines().size());
    const std::string text = answerer_.Lines()[box];
    EXPECT_EQ(text.rfind(std::string(platform::kProgramTitle) + ":", 0), 0U) << text;
    EXPECT_NE(text.find(file), std::string::npos) << text;
  };
  const std::wstring start_icon =
      platform::win32::Widen(platform_.ui.ProgramFolder() + "/start.ico");
  const std::wstring stop_icon = platform::win32::Widen(platform_.ui.ProgramFolder() + "/stop.ico");
  DeleteFileW(start_icon.c_str());
  DeleteFileW(stop_icon.c_str());
  const HICON own_icon = IconOf(hwnd_);

  // Without their icons, Boost and Restore each go to their end, keep the icon shown, say once
  // which file they missed, and leave the focus on the other button.
  SetFocus(Control(ids.XPButton2));
  Click(ids.XPButton2);
  EXPECT_EQ(TextOf(hwnd_), booster::kBoostedCaption);
  EXPECT_FALSE(IsWindowEnabled(Control(ids.XPButton2)));
  EXPECT_TRUE(IsWindowEnabled(Control(ids.XPButton4)));
  EXPECT_EQ(GetFocus(), Control(ids.XPButton4));
  EXPECT_EQ(IconOf(hwnd_), own_icon);
  expect_all(true);
  ASSERT_EQ(boxes(), 1U);
  told(0, "start.ico");

  Click(ids.XPButton4);  // answered Yes by the answerer, then the note answered OK
  ASSERT_EQ(boxes(), 3U);
  EXPECT_EQ(answerer_.Lines()[1].rfind(std::string(booster::kRestoreTitle) + ":", 0), 0U)
      << answerer_.Lines()[1];
  told(2, "stop.ico");
  EXPECT_EQ(TextOf(hwnd_), booster::kRestoredCaption);
  EXPECT_TRUE(IsWindowEnabled(Control(ids.XPButton2)));
  EXPECT_FALSE(IsWindowEnabled(Control(ids.XPButton4)));
  EXPECT_EQ(GetFocus(), Control(ids.XPButton2)) << "not on a tweak box, which writes on Space";
  EXPECT_EQ(IconOf(hwnd_), own_icon);
  expect_all(false);

  // With both icons beside the program, each command shows its own.
  for (const std::wstring* icon : {&start_icon, &stop_icon}) {
    const std::wstring built = platform::win32::Widen(std::string(VELQOR_EXE_DIR)) +
                               icon->substr(icon->find_last_of(L"\\/"));
    ASSERT_TRUE(CopyFileW(built.c_str(), icon->c_str(), FALSE) != FALSE)
        << "an icon could not be put beside the test program";
  }
  Click(ids.XPButton2);
  const HICON boosted_icon = IconOf(hwnd_);
  EXPECT_NE(boosted_icon, own_icon);
  expect_all(true);
  Click(ids.XPButton4);
  ASSERT_EQ(boxes(), 4U) << "only the question";
  EXPECT_NE(IconOf(hwnd_), boosted_icon);
  EXPECT_NE(IconOf(hwnd_), own_icon);
  expect_all(false);

  Click(ids.XPButton2);
  expect_all(true);
  SendMessageW(hwnd_, WM_CLOSE, 0, 0);
  Pump(100);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(form_.IsUnloaded());
  expect_all(false);
  for (const char* key : {kMstcp, kParameters, kSettings, kIcs}) {
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
  }
  EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kSettings), user_key);
  EXPECT_EQ(boxes(), 4U) << "the close asks nothing";
  DeleteFileW(stop_icon.c_str());
  DeleteFileW(start_icon.c_str());
}

TEST_F(MainWindowOnWindows, LogOffWhileBoostedTakesTheBoostBack) {
  const std::wstring start_icon =
      platform::win32::Widen(platform_.ui.ProgramFolder() + "/start.ico");
  ASSERT_TRUE(CopyFileW(platform::win32::Widen(std::string(VELQOR_EXE_DIR) + "/start.ico").c_str(),
                        start_icon.c_str(), FALSE) != FALSE)
      << "start.ico could not be put beside the test program";
  Click(form_.controls().XPButton2);
  // Log-off ends the program after WM_ENDSESSION, with no WM_CLOSE before it.
  SendMessageW(hwnd_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(form_.IsUnloaded());
  for (const BoosterValue& v : Thirteen()) {
    if (v.root == HKEY_LOCAL_MACHINE) {
      SCOPED_TRACE(v.name);
      EXPECT_EQ(Query(v.root, v.key, v.name), v.after);
    }
  }
  DeleteFileW(start_icon.c_str());
}

}  // namespace
}  // namespace velqor
