#include "platform/win32/browser.h"

#include <exdisp.h>
#include <mshtml.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <utility>

#include "platform/win32/com_sink.h"

namespace velqor::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

// A VARIANT cleared when it goes.
struct ScopedVariant {
  VARIANT value;
  ScopedVariant() { VariantInit(&value); }
  ~ScopedVariant() { VariantClear(&value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
};

class Win32HtmlDocument : public HtmlDocument {
 public:
  explicit Win32HtmlDocument(ComPtr<IHTMLDocument2> document) : document_(std::move(document)) {}

  ConnectionPtr Subscribe(DocumentEvents& events) override {
    return Advise(document_.Get(), MakeSink(events), "The document");
  }

 private:
  ComPtr<IHTMLDocument2> document_;
};

class Win32Browser : public BrowserObject {
 public:
  Win32Browser(ComPtr<IWebBrowser2> browser, ComPtr<IUnknown> identity)
      : browser_(std::move(browser)), identity_(std::move(identity)) {}

  std::int32_t GetHWND() override {
    SHANDLE_PTR handle = 0;
    ThrowIfFailedHr(Browser()->get_HWND(&handle), "The browser's window handle cannot be read");
    // Window handles carry 32 significant bits on 64-bit Windows too.
    return static_cast<std::int32_t>(handle);
  }

  std::shared_ptr<HtmlDocument> Document() override {
    ComPtr<IDispatch> document;
    ThrowIfFailedHr(Browser()->get_Document(&document), "The browser's document cannot be read");
    ComPtr<IHTMLDocument2> html;
    if (!document || FAILED(document.As(&html))) {
      return nullptr;  // none, or a folder view
    }
    return std::make_shared<Win32HtmlDocument>(std::move(html));
  }

  void GoForward() override {
    ThrowIfFailedHr(Browser()->GoForward(), "There is no page to go forward to");
  }

  void ExecWB(int command, int option) override {
    ThrowIfFailedHr(Browser()->ExecWB(static_cast<OLECMDID>(command),
                                      static_cast<OLECMDEXECOPT>(option), nullptr, nullptr),
                    "The browser refused the command");
  }

  ConnectionPtr Subscribe(BrowserEvents& events) override {
    return Advise(Browser(), MakeSink(events), "The browser");
  }

  const void* Identity() const override { return identity_.Get(); }

 private:
  IWebBrowser2* Browser() const {
    if (!browser_) {
      throw MakeFailure(ErrorDomain::kHresult, E_NOINTERFACE, "The window is not a browser object");
    }
    return browser_.Get();
  }

  ComPtr<IWebBrowser2> browser_;
  ComPtr<IUnknown> identity_;
};

class Win32ShellWindowList : public ShellWindowList {
 public:
  explicit Win32ShellWindowList(ComPtr<IShellWindows> windows) : windows_(std::move(windows)) {}

  void ForEachItem(const std::function<void(const BrowserRef&)>& visit) override {
    ComPtr<IUnknown> enum_unknown;
    ThrowIfFailedHr(windows_->_NewEnum(&enum_unknown),
                    "The shell window list cannot be enumerated");
    ComPtr<IEnumVARIANT> items;
    ThrowIfFailedHr(enum_unknown.As(&items), "The shell window list cannot be enumerated");
    for (;;) {
      ScopedVariant item;
      ULONG fetched = 0;
      const HRESULT hr = items->Next(1, &item.value, &fetched);
      ThrowIfFailedHr(hr, "Enumerating the shell window list failed");
      if (hr != S_OK || fetched == 0) {
        return;
      }
      if ((V_VT(&item.value) == VT_DISPATCH || V_VT(&item.value) == VT_UNKNOWN) &&
          V_UNKNOWN(&item.value) != nullptr) {
        visit(WrapBrowser(V_UNKNOWN(&item.value)));
      }
    }
  }

  ConnectionPtr Subscribe(ShellWindowsEvents& events) override {
    return Advise(windows_.Get(), MakeSink(events), "The shell window list");
  }

 private:
  ComPtr<IShellWindows> windows_;
};

}  // namespace

Win32BrowserShell::~Win32BrowserShell() {
  if (com_entered_) {
    CoUninitialize();
  }
}

std::unique_ptr<ShellWindowList> Win32BrowserShell::CreateShellWindows() {
  if (!com_tried_) {
    com_tried_ = true;
    // S_FALSE (already entered here) also owes an uninitialise; a thread in another apartment
    // model keeps its own, and the calls below report what that allows.
    com_entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  ComPtr<IShellWindows> windows;
  const HRESULT hr =
      CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&windows));
  if (FAILED(hr) || !windows) {
    throw MakeFailure(ErrorDomain::kHresult, hr,
                      "The shell's window list is not available (no desktop shell is running)");
  }
  return std::make_unique<Win32ShellWindowList>(std::move(windows));
}

std::unique_ptr<ShellWindowList> WrapShellWindows(IShellWindows* windows) {
  if (windows == nullptr) {
    throw MakeFailure(ErrorDomain::kHresult, E_POINTER, "The shell's window list is not available");
  }
  return std::make_unique<Win32ShellWindowList>(ComPtr<IShellWindows>(windows));
}

BrowserRef WrapBrowser(IUnknown* object) {
  if (object == nullptr) {
    return nullptr;
  }
  ComPtr<IUnknown> identity;
  object->QueryInterface(IID_PPV_ARGS(&identity));
  ComPtr<IWebBrowser2> browser;
  object->QueryInterface(IID_PPV_ARGS(&browser));
  return std::make_shared<Win32Browser>(std::move(browser), std::move(identity));
}

}  // namespace velqor::platform::win32
