// The Win32 launcher starts real programs and names the command that could not be started.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/maintenance_tools.h"
#include "platform/failure.h"
#include "platform/win32/launcher.h"
#include "platform/win32/text.h"
#include "win32/win32_platform.h"
#include "win32/wine_start.h"

namespace velqor::platform::win32 {
namespace {

TEST(Win32LauncherTest, StartProgramStartsARealProgramAndDoesNotWaitForIt) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string marker = Narrow(temp) + "velqor-launcher-marker.txt";
  std::remove(marker.c_str());
  Win32Launcher launcher;
  test::RaisingStartAllowingForWine(
      [&] { launcher.StartProgram("cmd /c echo started > \"" + marker + "\"", kSwShowMinimized); });
  bool appeared = false;
  for (int i = 0; i < 200 && !appeared; ++i) {
    appeared = GetFileAttributesW(Widen(marker).c_str()) != INVALID_FILE_ATTRIBUTES;
    Sleep(50);
  }
  EXPECT_TRUE(appeared) << "the started program never ran";
  std::remove(marker.c_str());
}

TEST(Win32LauncherTest, AProgramThatCannotBeStartedRaisesAFailureNamingTheCommand) {
  Win32Launcher launcher;
  for (const char* command : {"velqor-no-such-program", "velqor-no-such-program /scannow"}) {
    SCOPED_TRACE(command);
    try {
      launcher.StartProgram(command, kSwShowMinimized);
      ADD_FAILURE() << "no Failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.status(), kFileNotFound);
      EXPECT_EQ(std::string(failure.what()),
                "Could not start \"" + std::string(command) + "\": not found (2)");
    }
  }
}

// The program runs with the user's highest rights: a system program named without a folder is
// the system's, never a file of the same name beside the program (where CreateProcessW would
// look first).
TEST(Win32LauncherTest, ASystemProgramNamedWithoutAFolderIsTheSystemsNotOnePlantedBesideUs) {
  wchar_t own[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  ASSERT_GT(length, 0U);
  std::wstring planted(own, length);
  planted = planted.substr(0, planted.find_last_of(L"\\/") + 1) + L"hostname.exe";
  {
    // Not a program at all: started, it fails with "bad exe format" (193).
    std::FILE* file = _wfopen(planted.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("planted", file);
    std::fclose(file);
  }
  Win32Launcher launcher;
  for (const char* command : {"hostname", "hostname.exe", "\"hostname\""}) {
    SCOPED_TRACE(command);
    EXPECT_NO_THROW(test::RaisingStartAllowingForWine(
        [&] { launcher.StartProgram(command, kSwShowMinimized); }));
  }
  // A program given with a folder is started from there, as named.
  try {
    std::string quoted = Narrow(planted);
    quoted.insert(quoted.begin(), '"');
    quoted.push_back('"');
    launcher.StartProgram(quoted, kSwShowMinimized);
    ADD_FAILURE() << "the planted file was not the one started";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.status(), 193);
  }
  DeleteFileW(planted.c_str());
}

// The script host's Run opens a bare name from the system folder when it is there ("dfrg.msc"),
// never from the current folder, where a planted file of that name could be.
TEST(Win32LauncherTest, ABareNameIsLookedUpInTheSystemFolderOnly) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  ASSERT_GT(length, 0U);
  const std::wstring system(folder, length);
  const std::wstring planted = system + L"\\velqor-probe.msc";
  std::FILE* file = _wfopen(planted.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(SystemFolderFile(L"velqor-probe.msc"), planted);
  EXPECT_EQ(SystemFolderFile(L"hostname"), system + L"\\hostname.exe") << "a program's .exe";
  EXPECT_EQ(SystemFolderFile(L"velqor-absent.msc"), L"");
  EXPECT_EQ(SystemFolderFile(L".\\velqor-probe.msc"), L"") << "a name with a folder is as given";
  EXPECT_EQ(SystemFolderFile(L"ms-settings:windowsupdate"), L"");
  DeleteFileW(planted.c_str());
}

// What this Windows answers for a tool it does not have reaches the user as words.
TEST(Win32LauncherTest, ADefragmenterThisWindowsLacksIsToldInWords) {
  if (!SystemFolderFile(L"dfrg.msc").empty() || !SystemFolderFile(L"dfrgui.exe").empty()) {
    GTEST_SKIP() << "this Windows has a defragmenter";
  }
  Win32Platform win32;
  try {
    test::RaisingStartAllowingForWine([&] { app::StartTool(win32.platform, app::kDefragmenter); });
    ADD_FAILURE() << "no Failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(std::string(failure.what()),
              "The disk defragmenter is not available on this computer.");
  }
}

TEST(Win32LauncherTest, ShellOpenNeverRaisesAndTheActiveWindowIsThisThreadsOwn) {
  Win32Launcher launcher;
  EXPECT_NO_THROW(launcher.ShellOpen(launcher.ActiveWindow(), "Open",
                                     "C:\\velqor\\no-such-document.velqor", "", kSwShowNormal));
  HWND window = CreateWindowExW(0, L"STATIC", L"active", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetActiveWindow(window);
  EXPECT_EQ(launcher.ActiveWindow(), reinterpret_cast<WindowHandle>(window));
  DestroyWindow(window);
}

}  // namespace
}  // namespace velqor::platform::win32
