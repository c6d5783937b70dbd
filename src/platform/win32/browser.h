// The shell window list, browser objects and HTML documents over COM (ShellWindows,
// IWebBrowser2, IHTMLDocument2) with connection-point subscriptions to their events.
#pragma once

#include "platform/browser.h"

namespace velqor::platform::win32 {

// Needs COM initialised apartment-threaded on the calling thread.
class Win32BrowserShell : public BrowserShell {
 public:
  // Raises a Failure when CLSID_ShellWindows cannot be created.
  std::unique_ptr<ShellWindowList> CreateShellWindows() override;
};

}  // namespace velqor::platform::win32
