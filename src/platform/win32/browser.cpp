#include "platform/win32/browser.h"

namespace velqor::platform::win32 {

std::unique_ptr<ShellWindowList> Win32BrowserShell::CreateShellWindows() {
  throw Failure(static_cast<Status>(0x80004001), "The shell window list is not available");
}

}  // namespace velqor::platform::win32
