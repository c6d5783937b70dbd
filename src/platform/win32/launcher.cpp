#include "platform/win32/launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/command_line.h"
#include "platform/failure.h"
#include "platform/win32/last_error.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// Without this, CreateProcessW looks in the program's own folder first, and the program runs
// with the user's highest rights: a "shutdown.exe" planted beside velqor.exe (in a downloads
// folder, say) would be started with them.
std::wstring SystemFolderFile(std::wstring_view name) {
  if (name.empty() || name.find_first_of(L"\\/:") != std::wstring_view::npos) {
    return {};
  }
  std::wstring file(name);
  if (file.find(L'.') == std::wstring::npos) {
    file += L".exe";
  }
  for (const auto folder_of : {&GetSystemDirectoryW, &GetWindowsDirectoryW}) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = folder_of(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
      continue;
    }
    std::wstring path = std::wstring(folder, length) + L"\\" + file;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return path;
    }
  }
  return {};
}

void Win32Launcher::StartProgram(std::string_view command_line, int show) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring command = Widen(command_line);
  const std::wstring program = SystemFolderFile(Widen(SplitCommandLine(command_line).file));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), command.data(), nullptr, nullptr,
                      FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ThrowLastError("Could not start \"" + std::string(command_line) + "\"");
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
