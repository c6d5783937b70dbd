#include "win32/com_doubles.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <olectl.h>

#include <algorithm>

namespace velqor::testing_doubles {

namespace {

VARIANT Empty() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT ByRefVariant(VARIANT* target) {
  VARIANT v = Empty();
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}

VARIANT ByRefBool(VARIANT_BOOL* target) {
  VARIANT v = Empty();
  V_VT(&v) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&v) = target;
  return v;
}

template <typename Self>
ULONG ReleaseOf(Self* self, std::atomic<ULONG>& references) {
  const ULONG left = --references;
  if (left == 0) {
    delete self;
  }
  return left;
}

// An IEnumVARIANT over a fixed list of browsers, each handed out as VT_DISPATCH.
class EnumVariantDouble final : public IEnumVARIANT {
 public:
  explicit EnumVariantDouble(std::vector<ComPtr<BrowserDouble>> items) : items_(std::move(items)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
      *object = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseOf(this, references_); }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    ULONG done = 0;
    while (done < count && next_ < items_.size()) {
      VariantInit(&out[done]);
      V_VT(&out[done]) = VT_DISPATCH;
      IDispatch* item = static_cast<IWebBrowser2*>(items_[next_++].Get());
      item->AddRef();
      V_DISPATCH(&out[done]) = item;
      ++done;
    }
    if (fetched != nullptr) {
      *fetched = done;
    }
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ = std::min(items_.size(), next_ + static_cast<std::size_t>(count));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  std::atomic<ULONG> references_{0};
  std::vector<ComPtr<BrowserDouble>> items_;
  std::size_t next_ = 0;
};

}  // namespace

// --- ConnectionPointDouble ---------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE ConnectionPointDouble::QueryInterface(REFIID riid, void** object) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ConnectionPointDouble::Release() {
  return ReleaseOf(this, references_);
}

HRESULT STDMETHODCALLTYPE ConnectionPointDouble::GetConnectionInterface(IID* iid) {
  *iid = events_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
ConnectionPointDouble::GetConnectionPointContainer(IConnectionPointContainer** c) {
  *c = container_;
  container_->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointDouble::Advise(IUnknown* sink, DWORD* cookie) {
  ComPtr<IDispatch> events;
  // The real sources ask for the event interface itself; a sink that does not answer it fails.
  if (sink == nullptr ||
      FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(events.GetAddressOf())))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  ++advises;
  *cookie = ++next_cookie_;
  sinks_.emplace_back(*cookie, std::move(events));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointDouble::Unadvise(DWORD cookie) {
  const auto it = std::find_if(sinks_.begin(), sinks_.end(),
                               [cookie](const auto& entry) { return entry.first == cookie; });
  if (it == sinks_.end()) {
    return CONNECT_E_NOCONNECTION;
  }
  ++unadvises;
  if (on_unadvise) {
    on_unadvise();
  }
  IDispatch* sink = it->second.Detach();
  sinks_.erase(it);
  sink_references_after_unadvise = sink->Release();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointDouble::EnumConnections(IEnumConnections** e) {
  *e = nullptr;
  return E_NOTIMPL;
}

VARIANT ConnectionPointDouble::Fire(DISPID dispid, std::vector<VARIANT> args) {
  std::reverse(args.begin(), args.end());  // rgvarg holds the last argument first
  DISPPARAMS params{};
  params.rgvarg = args.empty() ? nullptr : args.data();
  params.cArgs = static_cast<UINT>(args.size());
  VARIANT result = Empty();
  FireRaw(dispid, params, &result);
  return result;
}

void ConnectionPointDouble::FireRaw(DISPID dispid, DISPPARAMS& params, VARIANT* result) {
  const auto snapshot = sinks_;  // a sink may unadvise while it handles the event
  for (const auto& entry : snapshot) {
    if (result != nullptr) {
      VariantClear(result);
    }
    entry.second->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                         nullptr, nullptr);
  }
}

// --- EventSource -------------------------------------------------------------------------------

EventSource::EventSource(const IID& events)
    : events_(events), point_(Make<ConnectionPointDouble>(events, this)) {}

HRESULT STDMETHODCALLTYPE EventSource::EnumConnectionPoints(IEnumConnectionPoints** e) {
  *e = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSource::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (!IsEqualIID(riid, events_)) {
    *point = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *point = point_.Get();
  point_->AddRef();
  return S_OK;
}

// --- DocumentDouble ----------------------------------------------------------------------------

DocumentDouble::DocumentDouble() : EventSource(__uuidof(HTMLDocumentEvents)) {}

HRESULT STDMETHODCALLTYPE DocumentDouble::QueryInterface(REFIID riid, void** object) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID_IHTMLDocument) || IsEqualIID(riid, IID_IHTMLDocument2)) {
    *object = static_cast<IHTMLDocument2*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE DocumentDouble::Release() {
  return ReleaseOf(this, references_);
}

VARIANT DocumentDouble::FireContextMenu() {
  return point().Fire(DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU, {});
}

void DocumentDouble::FireMouseDown() {
  point().Fire(DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN, {});
}

void DocumentDouble::FireMouseUp() {
  point().Fire(DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP, {});
}

// --- BrowserDouble -----------------------------------------------------------------------------

BrowserDouble::BrowserDouble(LONG hwnd, bool has_forward_history, ComPtr<DocumentDouble> document)
    : EventSource(__uuidof(DWebBrowserEvents2)),
      hwnd_(hwnd),
      has_forward_history_(has_forward_history),
      document_(std::move(document)) {}

HRESULT STDMETHODCALLTYPE BrowserDouble::QueryInterface(REFIID riid, void** object) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID_IWebBrowser) || IsEqualIID(riid, IID_IWebBrowserApp) ||
      IsEqualIID(riid, IID_IWebBrowser2)) {
    *object = static_cast<IWebBrowser2*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE BrowserDouble::Release() {
  return ReleaseOf(this, references_);
}

HRESULT STDMETHODCALLTYPE BrowserDouble::get_HWND(SHANDLE_PTR* handle) {
  *handle = hwnd_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserDouble::get_Document(IDispatch** document) {
  if (document_) {
    *document = static_cast<IHTMLDocument2*>(document_.Get());
    document_->AddRef();
    return S_OK;
  }
  // A folder view: a document object that is no HTML document (the point stands in for one).
  *document = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserDouble::GoForward() {
  if (!has_forward_history_) {
    return E_FAIL;
  }
  FireBeforeNavigate2(L"http://forward.example/");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserDouble::ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in,
                                                VARIANT* out) {
  if (in != nullptr || out != nullptr) {
    return E_INVALIDARG;  // the stop command takes neither
  }
  exec_wb_calls.emplace_back(command, option);
  return S_OK;
}

bool BrowserDouble::FireBeforeNavigate2(const wchar_t* url) {
  VARIANT v_url = Empty();
  V_VT(&v_url) = VT_BSTR;
  V_BSTR(&v_url) = SysAllocString(url);
  VARIANT v_flags = Empty();
  V_VT(&v_flags) = VT_I4;
  V_I4(&v_flags) = 0;
  VARIANT v_target = Empty();
  V_VT(&v_target) = VT_BSTR;
  V_BSTR(&v_target) = SysAllocString(L"");
  VARIANT v_post = Empty();
  VARIANT v_headers = Empty();
  V_VT(&v_headers) = VT_BSTR;
  V_BSTR(&v_headers) = SysAllocString(L"");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT frame = Empty();
  V_VT(&frame) = VT_DISPATCH;
  V_DISPATCH(&frame) = static_cast<IWebBrowser2*>(this);  // borrowed, as the browser passes it

  point().Fire(DISPID_BEFORENAVIGATE2,
               {frame, ByRefVariant(&v_url), ByRefVariant(&v_flags), ByRefVariant(&v_target),
                ByRefVariant(&v_post), ByRefVariant(&v_headers), ByRefBool(&cancel)});
  VariantClear(&v_url);
  VariantClear(&v_target);
  VariantClear(&v_headers);
  const bool cancelled = cancel == VARIANT_TRUE;
  ++(cancelled ? navigations_cancelled : navigations_started);
  return cancelled;
}

bool BrowserDouble::FireNewWindow2() {
  IDispatch* new_window = nullptr;
  VARIANT pp_disp = Empty();
  V_VT(&pp_disp) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&pp_disp) = &new_window;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  point().Fire(DISPID_NEWWINDOW2, {pp_disp, ByRefBool(&cancel)});
  return cancel == VARIANT_TRUE;
}

void BrowserDouble::FireCommandStateChange(LONG command, bool enable) {
  VARIANT v_command = Empty();
  V_VT(&v_command) = VT_I4;
  V_I4(&v_command) = command;
  VARIANT v_enable = Empty();
  V_VT(&v_enable) = VT_BOOL;
  V_BOOL(&v_enable) = enable ? VARIANT_TRUE : VARIANT_FALSE;
  point().Fire(DISPID_COMMANDSTATECHANGE, {v_command, v_enable});
}

void BrowserDouble::FireDocumentComplete(IDispatch* frame, const wchar_t* url) {
  VARIANT v_frame = Empty();
  V_VT(&v_frame) = VT_DISPATCH;
  V_DISPATCH(&v_frame) = frame;
  VARIANT v_url = Empty();
  V_VT(&v_url) = VT_BSTR;
  V_BSTR(&v_url) = SysAllocString(url);
  point().Fire(DISPID_DOCUMENTCOMPLETE, {v_frame, ByRefVariant(&v_url)});
  VariantClear(&v_url);
}

void BrowserDouble::FireDownloadBegin() {
  point().Fire(DISPID_DOWNLOADBEGIN, {});
}

// --- ShellWindowsDouble ------------------------------------------------------------------------

ShellWindowsDouble::ShellWindowsDouble(bool with_events)
    : EventSource(__uuidof(DShellWindowsEvents)), with_events_(with_events) {}

HRESULT STDMETHODCALLTYPE ShellWindowsDouble::QueryInterface(REFIID riid, void** object) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID_IShellWindows)) {
    *object = static_cast<IShellWindows*>(this);
  } else if (with_events_ && IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ShellWindowsDouble::Release() {
  return ReleaseOf(this, references_);
}

HRESULT STDMETHODCALLTYPE ShellWindowsDouble::_NewEnum(IUnknown** enumerator) {
  *enumerator = Make<EnumVariantDouble>(windows).Detach();
  return S_OK;
}

void ShellWindowsDouble::FireWindowRegistered(LONG cookie) {
  VARIANT v = Empty();
  V_VT(&v) = VT_I4;
  V_I4(&v) = cookie;
  point().Fire(DISPID_WINDOWREGISTERED, {v});
}

void ShellWindowsDouble::FireWindowRevoked(LONG cookie) {
  VARIANT v = Empty();
  V_VT(&v) = VT_I4;
  V_I4(&v) = cookie;
  point().Fire(DISPID_WINDOWREVOKED, {v});
}

}  // namespace velqor::testing_doubles
