// The one window-class template of the program: a C++ object behind every window it registers.
#pragma once

#include <windows.h>

namespace velqor::platform::win32 {

// Registers the window class `Derived::kClassName` on first use and routes every message of the
// windows it creates to `Derived::HandleMessage(HWND, UINT, WPARAM, LPARAM)`. The object's address
// is stored on WM_NCCREATE, so messages sent during creation already reach it; once the window
// has gone (WM_NCDESTROY) the link is cleared and stray messages go to DefWindowProc.
template <typename Derived>
class BaseWindow {
 public:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

 protected:
  ~BaseWindow() = default;

  // Creates one window of the class for this object; nullptr when the system refuses.
  HWND CreateBase(DWORD ex_style, const wchar_t* title, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu_or_id) {
    if (!Register()) {
      return nullptr;
    }
    return CreateWindowExW(ex_style, Derived::kClassName, title, style, x, y, width, height, parent,
                           menu_or_id, GetModuleHandleW(nullptr), static_cast<Derived*>(this));
  }

  // Detaches a window from its object, so that the object can go before the window does.
  static void Detach(HWND hwnd) noexcept { SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); }

 private:
  static bool Register() {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &BaseWindow::WindowProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = Derived::kClassName;
      return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
      Detach(hwnd);
    }
    return self->HandleMessage(hwnd, message, wparam, lparam);
  }
};

}  // namespace velqor::platform::win32
