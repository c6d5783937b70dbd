// The shell window list, browser objects and HTML documents over COM (ShellWindows,
// IWebBrowser2, IHTMLDocument2) with connection-point subscriptions to their events.
#pragma once

#include <exdisp.h>
#include <unknwn.h>

#include "platform/browser.h"

namespace velqor::platform::win32 {

// Enters COM, apartment-threaded, on the thread of its first CreateShellWindows (the program
// has no other use for COM before then, so it starts without paying for it), and leaves it when
// destroyed; every object it hands out must be used on that thread and released before.
class Win32BrowserShell : public BrowserShell {
 public:
  Win32BrowserShell() = default;
  Win32BrowserShell(const Win32BrowserShell&) = delete;
  Win32BrowserShell& operator=(const Win32BrowserShell&) = delete;
  ~Win32BrowserShell() override;

  // CoCreateInstance(CLSID_ShellWindows). Raises a Failure when the shell cannot provide one
  // (as when no desktop shell runs).
  std::unique_ptr<ShellWindowList> CreateShellWindows() override;

 private:
  bool com_entered_ = false;  // CoInitializeEx succeeded here, so CoUninitialize is owed
  bool com_tried_ = false;
};

// The window list over an IShellWindows object, as CreateShellWindows makes it (also lets tests
// put a test double behind it).
std::unique_ptr<ShellWindowList> WrapShellWindows(IShellWindows* windows);

// An object as a browser object: IWebBrowser2 when it offers one, otherwise a browser whose
// every operation fails; nullptr for nullptr. Identity is the object's IUnknown.
BrowserRef WrapBrowser(IUnknown* object);

}  // namespace velqor::platform::win32
