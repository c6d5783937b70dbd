// Starting a process in the Windows tests, allowing for one way Wine fails that Windows does not.
#pragma once

#include <windows.h>

#include <string>

#include "platform/failure.h"

namespace velqor::test {

// Now and then Wine loses a new process while it starts (its loader ends before the process has
// told wineserver it is ready), and CreateProcessW fails with ERROR_INTERNAL_ERROR. That was one
// start in about two thousand here, and it is Wine's: a test starts again rather than fail for it.
// Any other failure is the test's result.
inline constexpr int kStartAttempts = 3;

// `start` returns whether CreateProcessW succeeded, as CreateProcessW does, with the last error
// set when it did not.
template <typename Start>
bool StartAllowingForWine(Start&& start) {
  for (int attempt = 1;; ++attempt) {
    if (start()) {
      return true;
    }
    if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) {
      return false;
    }
    Sleep(50);
  }
}

// The same for a start that raises a platform::Failure (the launcher's StartProgram).
template <typename Start>
void RaisingStartAllowingForWine(Start&& start) {
  for (int attempt = 1;; ++attempt) {
    try {
      start();
      return;
    } catch (const platform::Failure& failure) {
      if (failure.status() != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) {
        throw;
      }
    }
    Sleep(50);
  }
}

// Imports a .reg file as a user would, with `regedit /s`, and waits up to a minute for it; false
// when regedit could not be started.
inline bool ImportSilently(const std::wstring& reg_file) {
  std::wstring command_line = L"regedit.exe /s \"" + reg_file + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!StartAllowingForWine([&] {
        return CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process) != FALSE;
      })) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace velqor::test
