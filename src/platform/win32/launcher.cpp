#include "platform/win32/launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/failure.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

void Win32Launcher::StartProgram(std::string_view command_line, int show) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring command = Widen(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    const auto status = static_cast<Status>(GetLastError());
    throw Failure(status, "Could not start \"" + std::string(command_line) + "\": " +
                              DescribeStatus(status) + " (" + std::to_string(status) + ")");
  }
  UniqueHandleKernel thread(process.hThread);
  UniqueHandleKernel child(process.hProcess);
}

void Win32Launcher::ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                              std::string_view parameters, int show) {
  ShellExecuteW(reinterpret_cast<HWND>(owner), Widen(operation).c_str(), Widen(file).c_str(),
                Widen(parameters).c_str(), nullptr, show);
}

WindowHandle Win32Launcher::ActiveWindow() {
  return reinterpret_cast<WindowHandle>(GetActiveWindow());
}

}  // namespace velqor::platform::win32
