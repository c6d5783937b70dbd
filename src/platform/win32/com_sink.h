// IDispatch event sinks for the shell window list, browsers and HTML documents, and the advise
// token that holds one connection-point subscription.
#pragma once

#include <oaidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>

#include "platform/browser.h"

namespace velqor::platform::win32 {

using Microsoft::WRL::ComPtr;

// Creates a reference-counted COM object whose count starts at 0; the ComPtr takes the first
// reference, and its Release deletes the object when the count comes back to 0. (Not Attach:
// MinGW's ComPtr::Attach adds a reference, unlike the Windows SDK's.)
template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

// An event sink: answers IID_IUnknown, IID_IDispatch and its own event interface, and hands
// every Invoke to its handler while it is connected. Exceptions never leave Invoke.
class DispatchSink final : public IDispatch {
 public:
  // Decodes one event by DISPID; unknown DISPIDs are ignored.
  using Handler = std::function<void(DISPID dispid, const DISPPARAMS& params, VARIANT* result)>;

  DispatchSink(const IID& events, Handler handler)
      : events_(events), handler_(std::move(handler)) {}
  DispatchSink(const DispatchSink&) = delete;
  DispatchSink& operator=(const DispatchSink&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override;

  // After this no event reaches the subscriber, even one the source is delivering right now.
  void Disconnect() noexcept { connected_ = false; }
  const IID& events() const { return events_; }

 private:
  IID events_;
  Handler handler_;
  std::atomic<ULONG> references_{0};
  bool connected_ = true;
};

// The sinks of DShellWindowsEvents, of DWebBrowserEvents2 (cancel arguments are written back
// through VT_BYREF) and of HTMLDocumentEvents (oncontextmenu's answer goes back as VT_BOOL).
ComPtr<DispatchSink> MakeSink(ShellWindowsEvents& events);
ComPtr<DispatchSink> MakeSink(BrowserEvents& events);
ComPtr<DispatchSink> MakeSink(DocumentEvents& events);

// One Advise on a connection point. Ending it disconnects the sink, then Unadvises, before the
// last references to the point and the sink go; a failing Unadvise is ignored. Move-only: a
// moved-from token holds nothing, and assigning to a token ends the subscription it held.
class AdviseToken final : public Connection {
 public:
  AdviseToken(ComPtr<IConnectionPoint> point, DWORD cookie, ComPtr<DispatchSink> sink)
      : point_(std::move(point)), cookie_(cookie), sink_(std::move(sink)) {}
  ~AdviseToken() override { End(); }
  AdviseToken(AdviseToken&& other) noexcept = default;
  AdviseToken& operator=(AdviseToken&& other) noexcept;
  AdviseToken(const AdviseToken&) = delete;
  AdviseToken& operator=(const AdviseToken&) = delete;

  bool holds_subscription() const { return point_ != nullptr; }

 private:
  void End() noexcept;

  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  ComPtr<DispatchSink> sink_;
};

// Subscribes `sink` to the source's connection point for the sink's event interface. Raises a
// Failure "<what> offers no events ..." when the source has no connection point container or
// no point for that interface, and "... refused the subscription" when Advise fails.
ConnectionPtr Advise(IUnknown* source, ComPtr<DispatchSink> sink, const std::string& what);

// How many VT_BYREF|VT_VARIANT levels an argument may be wrapped in; a deeper one (or a cycle)
// is taken as missing.
inline constexpr int kMaxVariantNesting = 8;

// A VARIANT as an event argument: nested by-reference variants and by-reference values are
// followed (a null pointer gives empty), every integer type becomes a 16-bit (I1, UI1, I2) or
// 32-bit integer (a single-precision number when it does not fit), Booleans, real numbers and
// texts are converted, objects taken as browser objects, a one-dimensional byte array becomes its
// bytes as text; anything else is empty.
Variant FromVariant(const VARIANT& value);

}  // namespace velqor::platform::win32
