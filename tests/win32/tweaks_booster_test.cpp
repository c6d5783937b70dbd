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
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "win32/box_answerer.h"
#include "win32/win32_platform.h"

namespace velqor {
namespace {

struct Read {
  DWORD type = 0;
  std::vector<BYTE> bytes;
  bool operator==(const Read&) const = default;
};

Read Sz(std::string_view text) {
  Read r{REG_SZ, {text.begin(), text.end()}};
  r.bytes.push_back(0);
  return r;
}

Read Dword(DWORD n) {
  return {REG_DWORD,
          {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
           static_cast<BYTE>(n >> 24)}};
}

// The value as RegQueryValueExA reports it; nullopt when the key or the value is missing.
std::optional<Read> Query(HKEY root, const char* key, const char* name) {
  HKEY hkey = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  Read r;
  DWORD length = 0;
  std::optional<Read> result;
  if (RegQueryValueExA(hkey, name, nullptr, &r.type, nullptr, &length) == ERROR_SUCCESS) {
    r.bytes.resize(length);
    if (RegQueryValueExA(hkey, name, nullptr, &r.type, r.bytes.data(), &length) == ERROR_SUCCESS) {
      r.bytes.resize(length);
      result = r;
    }
  }
  RegCloseKey(hkey);
  return result;
}

bool KeyExists(HKEY root, const char* key) {
  HKEY hkey = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(hkey);
  return true;
}

constexpr const char* kMemory =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

constexpr const char* kSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters";
constexpr const char* kIcs = "System\\CurrentControlSet\\Services\\ICSharing\\Settings\\General";

struct BoosterValue {
  HKEY root;
  const char* key;
  const char* name;
  Read boosted;
  std::optional<Read> after;
};

const std::vector<BoosterValue>& Thirteen() {
  static const std::vector<BoosterValue> values = {
      {HKEY_CURRENT_USER, kSettings, "syncmode5", Dword(0), Dword(4)},
      {HKEY_LOCAL_MACHINE, kMstcp, "DefaultRcvWindow", Sz("372300"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "DefaultTTL", Sz("128"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "PMTUDiscovery", Sz("0"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kMstcp, "PMTUBlackHoleDetect", Sz("0"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "Tcp1323Opts", Sz("3"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "SackOpts", Sz("1"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kParameters, "MaxDupAcks", Sz("3"), std::nullopt},
      {HKEY_LOCAL_MACHINE, kSettings, "MaxConnectionsPer1_0Server", Dword(6), std::nullopt},
      {HKEY_CURRENT_USER, kSettings, "MaxConnectionsPerl_0Server", Dword(6), Dword(1)},
      {HKEY_CURRENT_USER, kSettings, "MaxConnectionsPerServer", Dword(6), Dword(1)},
      {HKEY_LOCAL_MACHINE, kSettings, "MaxConnectionsPerServer", Dword(8), std::nullopt},
      {HKEY_LOCAL_MACHINE, kIcs, "internetMTU", Sz("1500"), std::nullopt},
  };
  return values;
}

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
