// Starting programs and opening documents over CreateProcessW and ShellExecuteW.
#pragma once

#include <string>
#include <string_view>

#include "platform/launcher.h"

namespace velqor::platform::win32 {

// The program start and the shell's open of the real system.
class Win32Launcher final : public Launcher {
 public:
  // CreateProcessW with STARTF_USESHOWWINDOW; the handles of the new process are closed at once
  // and nothing waits for it. Raises a Failure "Could not start "<command>": <reason> (<code>)".
  void StartProgram(std::string_view command_line, int show) override;
  // ShellExecuteW with no working directory; its result is not looked at.
  void ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                 std::string_view parameters, int show) override;
  // GetActiveWindow.
  WindowHandle ActiveWindow() override;
};

// The full path of `name` in the system folder, or else in the Windows folder, when `name` is a
// bare file name (no folder, no drive) and a file of that name is there; a name without an
// extension is taken as a program (".exe"). Otherwise empty: the system's own search applies.
std::wstring SystemFolderFile(std::wstring_view name);

}  // namespace velqor::platform::win32
