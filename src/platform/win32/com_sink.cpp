#include "platform/win32/com_sink.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <mshtmdid.h>
#include <olectl.h>

#include <string>

#include "platform/win32/browser.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {

namespace {

// Arguments arrive last-first: the first declared argument of an n-argument event is at n-1.
const VARIANT* Arg(const DISPPARAMS& params, UINT declared_position, UINT count) {
  if (params.cArgs != count || params.rgvarg == nullptr) {
    return nullptr;
  }
  return &params.rgvarg[count - 1 - declared_position];
}

// The VARIANT_BOOL a VT_BYREF|VT_BOOL argument points to, or nullptr for anything else.
VARIANT_BOOL* BoolRef(const VARIANT* v) {
  if (v == nullptr) {
    return nullptr;
  }
  if (V_VT(v) == (VT_BYREF | VT_BOOL)) {
    return V_BOOLREF(v);
  }
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) != nullptr &&
      V_VT(V_VARIANTREF(v)) == VT_BOOL) {
    return &V_BOOL(V_VARIANTREF(v));
  }
  return nullptr;
}

Variant ArgOrEmpty(const VARIANT* v) {
  return v == nullptr ? Variant() : FromVariant(*v);
}

}  // namespace

// --- DispatchSink ------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE DispatchSink::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, events_)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchSink::AddRef() {
  return ++references_;
}

ULONG STDMETHODCALLTYPE DispatchSink::Release() {
  const ULONG left = --references_;
  if (left == 0) {
    delete this;  // made by MakeComObject; the count was the only owner
  }
  return left;
}

HRESULT STDMETHODCALLTYPE DispatchSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) {
    *info = nullptr;
  }
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchSink::Invoke(DISPID dispid, REFIID, LCID, WORD,
                                               DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                               UINT*) {
  if (!connected_) {
    return S_OK;
  }
  // The subscriber may end this very subscription while it handles the event.
  const ComPtr<DispatchSink> keep_alive(this);
  try {
    static const DISPPARAMS kNoArguments{};
    Dispatch(dispid, params != nullptr ? *params : kNoArguments, result);
  } catch (...) {
    // An event handler's failure must not travel back into the browser or the shell.
  }
  return S_OK;
}

// --- The three sinks ---------------------------------------------------------------------------

ShellWindowsSink::ShellWindowsSink(ShellWindowsEvents& events)
    : DispatchSink(__uuidof(DShellWindowsEvents)), events_(events) {}

void ShellWindowsSink::Dispatch(DISPID dispid, const DISPPARAMS& params, VARIANT*) {
  constexpr UINT kCookie = 0;  // WindowRegistered(lCookie), WindowRevoked(lCookie)
  const Variant cookie = ArgOrEmpty(Arg(params, kCookie, 1));
  const auto* value = std::get_if<std::int32_t>(&cookie);
  const std::int32_t id = value != nullptr ? *value : 0;
  if (dispid == DISPID_WINDOWREGISTERED) {
    events_.WindowRegistered(id);
  } else if (dispid == DISPID_WINDOWREVOKED) {
    events_.WindowRevoked(id);
  }
}

WebBrowserSink::WebBrowserSink(BrowserEvents& events)
    : DispatchSink(__uuidof(DWebBrowserEvents2)), events_(events) {}

void WebBrowserSink::Dispatch(DISPID dispid, const DISPPARAMS& params, VARIANT*) {
  switch (dispid) {
    case DISPID_BEFORENAVIGATE2: {
      // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
      constexpr UINT kCount = 7;
      constexpr UINT kDisp = 0, kUrl = 1, kFlags = 2, kTarget = 3, kPost = 4, kHeaders = 5,
                     kCancel = 6;
      NavigateArgs args;
      args.browser = ArgOrEmpty(Arg(params, kDisp, kCount));
      args.url = ArgOrEmpty(Arg(params, kUrl, kCount));
      args.flags = ArgOrEmpty(Arg(params, kFlags, kCount));
      args.target_frame_name = ArgOrEmpty(Arg(params, kTarget, kCount));
      args.post_data = ArgOrEmpty(Arg(params, kPost, kCount));
      args.headers = ArgOrEmpty(Arg(params, kHeaders, kCount));
      VARIANT_BOOL* cancel_ref = BoolRef(Arg(params, kCancel, kCount));
      bool cancel = cancel_ref != nullptr && *cancel_ref != VARIANT_FALSE;
      events_.BeforeNavigate2(args, cancel);
      if (cancel && cancel_ref != nullptr) {
        *cancel_ref = VARIANT_TRUE;
      }
      break;
    }
    case DISPID_NAVIGATECOMPLETE2:  // NavigateComplete2(pDisp, URL)
      events_.NavigateComplete2(ArgOrEmpty(Arg(params, 0, 2)), ArgOrEmpty(Arg(params, 1, 2)));
      break;
    case DISPID_DOCUMENTCOMPLETE:  // DocumentComplete(pDisp, URL)
      events_.DocumentComplete(ArgOrEmpty(Arg(params, 0, 2)), ArgOrEmpty(Arg(params, 1, 2)));
      break;
    case DISPID_DOWNLOADBEGIN:
      events_.DownloadBegin();
      break;
    case DISPID_DOWNLOADCOMPLETE:
      events_.DownloadComplete();
      break;
    case DISPID_COMMANDSTATECHANGE: {  // CommandStateChange(Command, Enable)
      const Variant command = ArgOrEmpty(Arg(params, 0, 2));
      const Variant enable = ArgOrEmpty(Arg(params, 1, 2));
      const auto* c = std::get_if<std::int32_t>(&command);
      const auto* e = std::get_if<bool>(&enable);
      events_.CommandStateChange(c != nullptr ? *c : 0, e != nullptr && *e);
      break;
    }
    case DISPID_NEWWINDOW2: {  // NewWindow2(ppDisp, Cancel)
      constexpr UINT kCount = 2;
      constexpr UINT kPpDisp = 0, kCancel = 1;
      Variant browser = ArgOrEmpty(Arg(params, kPpDisp, kCount));
      VARIANT_BOOL* cancel_ref = BoolRef(Arg(params, kCancel, kCount));
      bool cancel = cancel_ref != nullptr && *cancel_ref != VARIANT_FALSE;
      events_.NewWindow2(browser, cancel);
      if (cancel && cancel_ref != nullptr) {
        *cancel_ref = VARIANT_TRUE;
      }
      break;
    }
    default:
      break;
  }
}

DocumentSink::DocumentSink(DocumentEvents& events)
    : DispatchSink(__uuidof(HTMLDocumentEvents)), events_(events) {}

void DocumentSink::Dispatch(DISPID dispid, const DISPPARAMS&, VARIANT* result) {
  switch (dispid) {
    case DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU: {
      const bool show = events_.oncontextmenu();
      if (result != nullptr) {
        VariantInit(result);
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = show ? VARIANT_TRUE : VARIANT_FALSE;
      }
      break;
    }
    case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN:
      events_.onmousedown();
      break;
    case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP:
      events_.onmouseup();
      break;
    default:
      break;
  }
}

// --- Subscriptions -----------------------------------------------------------------------------

AdviseToken::~AdviseToken() {
  if (sink_) {
    sink_->Disconnect();
  }
  if (point_) {
    point_->Unadvise(cookie_);  // a source that is already gone may refuse; nothing to do then
  }
}

ConnectionPtr Advise(IUnknown* source, ComPtr<DispatchSink> sink, const std::string& what) {
  if (source == nullptr) {
    throw Failure(E_POINTER, what + " is not there");
  }
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr) || !container) {
    throw Failure(hr, what + " offers no events (it has no connection points)");
  }
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(sink->events(), &point);
  if (FAILED(hr) || !point) {
    throw Failure(hr, what + " offers no events of the kind needed");
  }
  DWORD cookie = 0;
  hr = point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie);
  if (FAILED(hr)) {
    throw Failure(hr, what + " refused the subscription to its events");
  }
  return std::make_unique<AdviseToken>(std::move(point), cookie, std::move(sink));
}

// --- Arguments ---------------------------------------------------------------------------------

Variant FromVariant(const VARIANT& value) {
  const VARIANT* v = &value;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) {
    v = V_VARIANTREF(v);
    if (v == nullptr) {
      return {};
    }
  }
  const VARTYPE type = V_VT(v);
  const bool by_ref = (type & VT_BYREF) != 0;
  switch (type & ~VT_BYREF) {
    case VT_BOOL:
      return (by_ref ? *V_BOOLREF(v) : V_BOOL(v)) != VARIANT_FALSE;
    case VT_I2:
      return static_cast<std::int16_t>(by_ref ? *V_I2REF(v) : V_I2(v));
    case VT_I4:
      return static_cast<std::int32_t>(by_ref ? *V_I4REF(v) : V_I4(v));
    case VT_INT:
      return static_cast<std::int32_t>(by_ref ? *V_INTREF(v) : V_INT(v));
    case VT_UI4:
      return static_cast<std::int32_t>(by_ref ? *V_UI4REF(v) : V_UI4(v));
    case VT_R4:
      return static_cast<float>(by_ref ? *V_R4REF(v) : V_R4(v));
    case VT_R8:
      return static_cast<float>(by_ref ? *V_R8REF(v) : V_R8(v));
    case VT_BSTR: {
      const BSTR text = by_ref ? *V_BSTRREF(v) : V_BSTR(v);
      return text == nullptr ? std::string() : Narrow(std::wstring_view(text, SysStringLen(text)));
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* object = (type & ~VT_BYREF) == VT_DISPATCH
                             ? static_cast<IUnknown*>(by_ref ? *V_DISPATCHREF(v) : V_DISPATCH(v))
                             : (by_ref ? *V_UNKNOWNREF(v) : V_UNKNOWN(v));
      return WrapBrowser(object);
    }
    default:
      break;
  }
  if ((type & VT_ARRAY) != 0 && (type & VT_TYPEMASK) == VT_UI1) {
    // Post data: the bytes as they are.
    SAFEARRAY* array = by_ref ? *V_ARRAYREF(v) : V_ARRAY(v);
    void* data = nullptr;
    if (array != nullptr && SUCCEEDED(SafeArrayAccessData(array, &data))) {
      const std::string bytes(static_cast<const char*>(data), array->rgsabound[0].cElements);
      SafeArrayUnaccessData(array);
      return bytes;
    }
  }
  return {};
}

}  // namespace velqor::platform::win32
