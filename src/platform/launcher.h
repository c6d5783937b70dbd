// Starting other programs and opening documents or web addresses through the shell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/failure.h"

namespace velqor::platform {

// A window handle as a number; 0 is no window.
using WindowHandle = std::uintptr_t;

inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMinimized = 2;  // minimized, with the focus

class Launcher {
 public:
  virtual ~Launcher() = default;

  // Starts a command line with STARTUPINFO.wShowWindow = `show`, returns at once without
  // waiting. Raises a Failure naming the command when the program cannot be started.
  virtual void StartProgram(std::string_view command_line, int show) = 0;
  // ShellExecute(owner, operation, file, parameters, no directory, show). The result is not
  // looked at: nothing is raised.
  virtual void ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                         std::string_view parameters, int show) = 0;
  // GetActiveWindow: the active window of this thread, or 0.
  virtual WindowHandle ActiveWindow() = 0;
};

}  // namespace velqor::platform
