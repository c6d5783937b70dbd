#include "platform/win32/com_sink.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <mshtmdid.h>
#include <olectl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/win32/browser.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {

namespace {

// Arguments arrive last-first, named ones (never sent by these sources, so ignored) ahead of
// them: declared position p of an event with n positional arguments is at n-1-p. A position the
// caller did not send is missing.
const VARIANT* Arg(const DISPPARAMS& params, UINT position) {
  if (params.rgvarg == nullptr || params.cNamedArgs > params.cArgs) {
    return nullptr;
  }
  const UINT positional = params.cArgs - params.cNamedArgs;
  if (position >= positional) {
    return nullptr;
  }
  return &params.rgvarg[params.cArgs - 1 - position];
}

Variant ArgAt(const DISPPARAMS& params, UINT position) {
  const VARIANT* v = Arg(params, position);
  return v == nullptr ? Variant() : FromVariant(*v);
}

// Where an argument's value is, once VT_BYREF|VT_VARIANT has been followed: its type without
// VT_BYREF and its address (nullptr when a pointer on the way is null or the chain is deeper than
// kMaxVariantNesting).
struct ValueRef {
  VARTYPE type = VT_EMPTY;
  void* where = nullptr;
  bool in_callers = false;  // the caller's own memory: by reference, or reached through a reference
};

ValueRef ValueOf(const VARIANT* v) {
  int levels = 0;
  while (v != nullptr && V_VT(v) == (VT_BYREF | VT_VARIANT)) {
    if (levels == kMaxVariantNesting) {
      return {};
    }
    v = V_VARIANTREF(v);
    ++levels;
  }
  if (v == nullptr) {
    return {};
  }
  const bool by_ref = (V_VT(v) & VT_BYREF) != 0;
  // Every value member of a VARIANT starts at the same place, and VT_BYREF points at one.
  return {static_cast<VARTYPE>(V_VT(v) & ~VT_BYREF),
          by_ref ? V_BYREF(v) : const_cast<LONGLONG*>(&V_I8(v)), by_ref || levels > 0};
}

// The size of an integer or Boolean VARTYPE's value; 0 for any other type.
std::size_t FlagSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return 4;
    case VT_I8:
    case VT_UI8:
      return 8;
    default:
      return 0;
  }
}

// The value of an integer or Boolean VARTYPE at `p` (VT_BOOL as -1 or 0); only for types whose
// FlagSize is not 0.
double NumberAt(VARTYPE type, const void* p) {
  switch (FlagSize(type)) {
    case 1:
      return type == VT_I1 ? *static_cast<const signed char*>(p) : *static_cast<const BYTE*>(p);
    case 2:
      if (type == VT_BOOL) {
        return *static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE ? -1 : 0;
      }
      return type == VT_I2 ? *static_cast<const SHORT*>(p) : *static_cast<const USHORT*>(p);
    case 4:
      return type == VT_I4 || type == VT_INT ? *static_cast<const LONG*>(p)
                                             : *static_cast<const ULONG*>(p);
    case 8:
      return type == VT_I8 ? static_cast<double>(*static_cast<const LONGLONG*>(p))
                           : static_cast<double>(*static_cast<const ULONGLONG*>(p));
    default:
      return 0;
  }
}

// A flag argument the sink can write back (cancel): an integer or Boolean the caller passed by
// reference, directly or as the value of a by-reference VARIANT.
struct FlagRef {
  void* where = nullptr;
  std::size_t size = 0;
  bool value = false;

  // True as automation spells it: every bit set (VARIANT_TRUE for VT_BOOL, -1 for integers).
  void SetTrue() const { std::memset(where, 0xFF, size); }
};

std::optional<FlagRef> WritableFlag(const VARIANT* arg) {
  const ValueRef value = ValueOf(arg);
  const std::size_t size = FlagSize(value.type);
  if (size == 0 || value.where == nullptr || !value.in_callers) {
    return std::nullopt;
  }
  return FlagRef{value.where, size, NumberAt(value.type, value.where) != 0};
}

// Hands `handle` the cancel flag (nullptr when the caller sent none it can get back), then writes
// a cancel back to the caller.
template <typename Handle>
void WithCancel(const VARIANT* arg, Handle&& handle) {
  const std::optional<FlagRef> cancel_ref = WritableFlag(arg);
  bool cancel = cancel_ref && cancel_ref->value;
  handle(cancel_ref ? &cancel : nullptr);
  if (cancel_ref && cancel && !cancel_ref->value) {
    cancel_ref->SetTrue();
  }
}

// An integer as the narrowest Variant that holds it: 16-bit for the 8- and 16-bit types, 32-bit
// when it fits, a single-precision number otherwise.
Variant IntegerVariant(VARTYPE type, double value) {
  if (type == VT_I1 || type == VT_UI1 || type == VT_I2) {
    return static_cast<std::int16_t>(value);
  }
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return static_cast<std::int32_t>(value);
  }
  return static_cast<float>(value);
}

float AsSingle(double value) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
    return value > 0 ? std::numeric_limits<float>::infinity()
                     : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
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
    handler_(dispid, params != nullptr ? *params : kNoArguments, result);
  } catch (...) {
    // An event handler's failure must not travel back into the browser or the shell.
  }
  return S_OK;
}

// --- The three sinks ---------------------------------------------------------------------------

ComPtr<DispatchSink> MakeSink(ShellWindowsEvents& events) {
  const auto deliver = [&events](DISPID dispid, const DISPPARAMS& params, VARIANT*) {
    // WindowRegistered(lCookie), WindowRevoked(lCookie)
    const Variant cookie = ArgAt(params, 0);
    const auto* value = std::get_if<std::int32_t>(&cookie);
    const std::int32_t id = value != nullptr ? *value : 0;
    if (dispid == DISPID_WINDOWREGISTERED) {
      events.WindowRegistered(id);
    } else if (dispid == DISPID_WINDOWREVOKED) {
      events.WindowRevoked(id);
    }
  };
  return MakeComObject<DispatchSink>(__uuidof(DShellWindowsEvents), deliver);
}

ComPtr<DispatchSink> MakeSink(BrowserEvents& events) {
  const auto deliver = [&events](DISPID dispid, const DISPPARAMS& params, VARIANT*) {
    switch (dispid) {
      case DISPID_BEFORENAVIGATE2: {
        // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        const NavigateArgs args{ArgAt(params, 0), ArgAt(params, 1), ArgAt(params, 2),
                                ArgAt(params, 3), ArgAt(params, 4), ArgAt(params, 5)};
        WithCancel(Arg(params, 6), [&](bool* cancel) { events.BeforeNavigate2(args, cancel); });
        break;
      }
      case DISPID_NAVIGATECOMPLETE2:  // NavigateComplete2(pDisp, URL)
        events.NavigateComplete2(ArgAt(params, 0), ArgAt(params, 1));
        break;
      case DISPID_DOCUMENTCOMPLETE:  // DocumentComplete(pDisp, URL)
        events.DocumentComplete(ArgAt(params, 0), ArgAt(params, 1));
        break;
      case DISPID_DOWNLOADBEGIN:
        events.DownloadBegin();
        break;
      case DISPID_DOWNLOADCOMPLETE:
        events.DownloadComplete();
        break;
      case DISPID_COMMANDSTATECHANGE:  // CommandStateChange(Command, Enable)
        events.CommandStateChange(ArgAt(params, 0), ArgAt(params, 1));
        break;
      case DISPID_NEWWINDOW2:
        // NewWindow2(ppDisp, Cancel): the new window's browser is left alone, never even read.
        WithCancel(Arg(params, 1), [&](bool* cancel) { events.NewWindow2(cancel); });
        break;
      default:
        break;
    }
  };
  return MakeComObject<DispatchSink>(__uuidof(DWebBrowserEvents2), deliver);
}

ComPtr<DispatchSink> MakeSink(DocumentEvents& events) {
  const auto deliver = [&events](DISPID dispid, const DISPPARAMS&, VARIANT* result) {
    switch (dispid) {
      case DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU: {
        const bool show = events.oncontextmenu();
        if (result != nullptr) {
          VariantInit(result);
          V_VT(result) = VT_BOOL;
          V_BOOL(result) = show ? VARIANT_TRUE : VARIANT_FALSE;
        }
        break;
      }
      case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN:
        events.onmousedown();
        break;
      case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP:
        events.onmouseup();
        break;
      default:
        break;
    }
  };
  return MakeComObject<DispatchSink>(__uuidof(HTMLDocumentEvents), deliver);
}

// --- Subscriptions -----------------------------------------------------------------------------

void AdviseToken::End() noexcept {
  if (sink_) {
    sink_->Disconnect();
  }
  if (point_) {
    point_->Unadvise(cookie_);  // a source that is already gone may refuse; nothing to do then
  }
  point_.Reset();
  sink_.Reset();
}

AdviseToken& AdviseToken::operator=(AdviseToken&& other) noexcept {
  if (this != &other) {
    End();
    // Swapped, not move-assigned: MinGW's ComPtr move assignment copies and leaves the source
    // holding its pointer, which would end the subscription with the source.
    point_.Swap(other.point_);
    cookie_ = other.cookie_;
    sink_.Swap(other.sink_);
  }
  return *this;
}

ConnectionPtr Advise(IUnknown* source, ComPtr<DispatchSink> sink, const std::string& what) {
  if (source == nullptr) {
    throw MakeFailure(ErrorDomain::kHresult, E_POINTER, what + " is not there");
  }
  const auto check = [&what](HRESULT hr, bool got, const char* failed) {
    if (FAILED(hr) || !got) {
      throw MakeFailure(ErrorDomain::kHresult, hr, what + failed);
    }
  };
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  check(hr, container != nullptr, " offers no events (it has no connection points)");
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(sink->events(), &point);
  check(hr, point != nullptr, " offers no events of the kind needed");
  DWORD cookie = 0;
  hr = point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie);
  check(hr, true, " refused the subscription to its events");
  return std::make_unique<AdviseToken>(std::move(point), cookie, std::move(sink));
}

// --- Arguments ---------------------------------------------------------------------------------

Variant FromVariant(const VARIANT& value) {
  const auto [type, p, in_callers] = ValueOf(&value);
  if (p == nullptr) {
    return {};
  }
  if (type == VT_BOOL) {
    return *static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE;
  }
  if (FlagSize(type) != 0) {
    return IntegerVariant(type, NumberAt(type, p));
  }
  switch (type) {
    case VT_R4:
      return *static_cast<const float*>(p);
    case VT_R8:
      return AsSingle(*static_cast<const double*>(p));
    case VT_BSTR: {
      const BSTR text = *static_cast<const BSTR*>(p);
      return text == nullptr ? std::string() : Narrow(std::wstring_view(text, SysStringLen(text)));
    }
    case VT_DISPATCH:
      return WrapBrowser(*static_cast<IDispatch* const*>(p));
    case VT_UNKNOWN:
      return WrapBrowser(*static_cast<IUnknown* const*>(p));
    case VT_ARRAY | VT_UI1: {
      // Post data: the bytes as they are.
      SAFEARRAY* array = *static_cast<SAFEARRAY* const*>(p);
      void* data = nullptr;
      if (array != nullptr && SafeArrayGetDim(array) == 1 && SafeArrayGetElemsize(array) == 1 &&
          SUCCEEDED(SafeArrayAccessData(array, &data))) {
        const std::string bytes(static_cast<const char*>(data), array->rgsabound[0].cElements);
        SafeArrayUnaccessData(array);
        return bytes;
      }
      return {};
    }
    default:
      return {};
  }
}

}  // namespace velqor::platform::win32
