// In-process COM test doubles of the shell window list, a browser and an HTML document. Each has
// a connection point container and fires its events through IDispatch::Invoke with DISPPARAMS
// laid out as the real sources lay them out (last argument first, cancel as VT_BYREF|VT_BOOL).
// They count connections and references so that tests can see leaks.
#pragma once

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win32/com_stub_bases.h"

namespace velqor::testing_doubles {

using Microsoft::WRL::ComPtr;

// One connection point: Advise asks the sink for the event interface as real sources do.
class ConnectionPointDouble : public IConnectionPoint {
 public:
  ConnectionPointDouble(const IID& events, IConnectionPointContainer* container)
      : events_(events), container_(container) {}
  virtual ~ConnectionPointDouble() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) override;

  // Invokes every connected sink; `args` in declared order (reversed here into rgvarg).
  // Returns what the last sink put in the result.
  VARIANT Fire(DISPID dispid, std::vector<VARIANT> args);
  // Invokes every connected sink with the parameters exactly as given.
  void FireRaw(DISPID dispid, DISPPARAMS& params, VARIANT* result);
  // Runs inside every successful Unadvise, before the sink's reference is let go.
  std::function<void()> on_unadvise;

  std::size_t live() const { return sinks_.size(); }
  int advises = 0;
  int unadvises = 0;
  // What the sink's reference count was once this point let go of it at Unadvise: only the
  // subscriber's own reference may be left.
  ULONG sink_references_after_unadvise = 0;

 private:
  IID events_;
  IConnectionPointContainer* container_;  // the owner; not counted, to avoid a cycle
  std::atomic<ULONG> references_{0};
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
  DWORD next_cookie_ = 0;
};

// The container part shared by the three doubles: one point, for one event interface.
class EventSource : public IConnectionPointContainer {
 public:
  explicit EventSource(const IID& events);
  virtual ~EventSource() = default;
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** e) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
  ConnectionPointDouble& point() { return *point_.Get(); }

 private:
  IID events_;
  ComPtr<ConnectionPointDouble> point_;
};

// An HTML document firing HTMLDocumentEvents.
class DocumentDouble final : public HtmlDocument2Stubs, public EventSource {
 public:
  DocumentDouble();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // oncontextmenu: the VT_BOOL the sink answered, or VT_EMPTY when it gave nothing.
  VARIANT FireContextMenu();
  void FireMouseDown();
  void FireMouseUp();
  ULONG references() const { return references_; }

 private:
  std::atomic<ULONG> references_{0};
};

// A browser (IWebBrowser2) firing DWebBrowserEvents2.
class BrowserDouble final : public WebBrowser2Stubs, public EventSource {
 public:
  // `document` nullptr: a folder view, whose document is not an HTML document.
  BrowserDouble(LONG hwnd, bool has_forward_history, ComPtr<DocumentDouble> document);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* handle) override;
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
  // With forward history: fires BeforeNavigate2 before returning, as the real browser may.
  HRESULT STDMETHODCALLTYPE GoForward() override;
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in,
                                   VARIANT* out) override;

  // Each returns the cancel value the sink left in the VT_BYREF|VT_BOOL argument.
  bool FireBeforeNavigate2(const wchar_t* url);
  bool FireNewWindow2();
  void FireCommandStateChange(LONG command, bool enable);
  void FireDocumentComplete(IDispatch* frame, const wchar_t* url);
  void FireDownloadBegin();

  ULONG references() const { return references_; }
  std::vector<std::pair<OLECMDID, OLECMDEXECOPT>> exec_wb_calls;
  int navigations_cancelled = 0;
  int navigations_started = 0;

 private:
  std::atomic<ULONG> references_{0};
  LONG hwnd_;
  bool has_forward_history_;
  ComPtr<DocumentDouble> document_;
};

// The shell window list (IShellWindows) firing DShellWindowsEvents; `with_events` false gives a
// list without a connection point container, as some systems have.
class ShellWindowsDouble final : public ShellWindowsStubs, public EventSource {
 public:
  explicit ShellWindowsDouble(bool with_events);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** enumerator) override;

  void FireWindowRegistered(LONG cookie);
  void FireWindowRevoked(LONG cookie);

  std::vector<ComPtr<BrowserDouble>> windows;
  ULONG references() const { return references_; }

 private:
  std::atomic<ULONG> references_{0};
  bool with_events_;
};

// Creates a double (count 0) whose first reference is the returned pointer's.
template <typename T, typename... Args>
ComPtr<T> Make(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace velqor::testing_doubles
