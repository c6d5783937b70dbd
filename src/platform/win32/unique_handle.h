// One move-only owner for every kind of Win32 handle, and the owners the program uses.
#pragma once

#include <windows.h>

#include <utility>

namespace velqor::platform::win32 {

// Owns one handle and closes it with `Close` when it goes. Copying is not allowed; `put()`
// closes the current handle before handing out its address for an API to fill.
template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Invalid; }
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Invalid); }
  void reset(Handle handle = Invalid) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Invalid) {
      Close(old);
    }
  }
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Invalid;
};

using UniqueHkey = UniqueHandle<HKEY, &::RegCloseKey>;
using UniqueHwnd = UniqueHandle<HWND, &::DestroyWindow>;
using UniqueHicon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueHmenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueHfont = UniqueHandle<HFONT, &::DeleteObject>;
using UniqueHbrush = UniqueHandle<HBRUSH, &::DeleteObject>;
using UniqueHbitmap = UniqueHandle<HBITMAP, &::DeleteObject>;
using UniqueHaccel = UniqueHandle<HACCEL, &::DestroyAcceleratorTable>;
using UniqueHandleKernel = UniqueHandle<HANDLE, &::CloseHandle>;

}  // namespace velqor::platform::win32
