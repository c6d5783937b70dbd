// Starting programs and opening documents over CreateProcessW and ShellExecuteW.
#pragma once

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

}  // namespace velqor::platform::win32
