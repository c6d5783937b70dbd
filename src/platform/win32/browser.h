// The shell window list, browser objects and HTML documents over COM (ShellWindows,
// IWebBrowser2, IHTMLDocument2) with connection-point subscriptions to their events.
#pragma once

#include <exdisp.h>
#include <unknwn.h>

#include "platform/browser.h"

namespace velqor::platform::win32 {

// Needs COM initialised apartment-threaded on the calling thread; every object it hands out
// must be used on that thread.
class Win32BrowserShell : public BrowserShell {
 public:
  // CoCreateInstance(CLSID_ShellWindows). Raises a Failure when the shell cannot provide one
  // (as when no desktop shell runs).
  std::unique_ptr<ShellWindowList> CreateShellWindows() override;
};

// The window list over an IShellWindows object, as CreateShellWindows makes it (also lets tests
// put a test double behind it).
std::unique_ptr<ShellWindowList> WrapShellWindows(IShellWindows* windows);

// An object as a browser object: IWebBrowser2 when it offers one, otherwise a browser whose
// every operation fails; nullptr for nullptr. Identity is the object's IUnknown.
BrowserRef WrapBrowser(IUnknown* object);

}  // namespace velqor::platform::win32
