// The Win32 launcher starts real programs and names the command that could not be started.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/failure.h"
#include "platform/win32/launcher.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

TEST(Win32LauncherTest, StartProgramStartsARealProgramAndDoesNotWaitForIt) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string marker = Narrow(temp) + "velqor-launcher-marker.txt";
  std::remove(marker.c_str());
  Win32Launcher launcher;
  launcher.StartProgram("cmd /c echo started > \"" + marker + "\"", kSwShowMinimized);
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
