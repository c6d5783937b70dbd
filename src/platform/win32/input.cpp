#include "platform/win32/input.h"

#include <windows.h>

namespace velqor::platform::win32 {

std::int16_t Win32Input::GetAsyncKeyState(int virtual_key) {
  return static_cast<std::int16_t>(::GetAsyncKeyState(virtual_key));
}

Point Win32Input::GetCursorPos() {
  POINT p{};
  if (!::GetCursorPos(&p)) {
    return {};
  }
  return {p.x, p.y};
}

Point Win32Input::ScreenToClient(std::int32_t window, Point screen) {
  // Window handles are 32-bit values on every Windows, so widening back is exact.
  const auto hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
  POINT p{screen.x, screen.y};
  if (!::ScreenToClient(hwnd, &p)) {
    return screen;
  }
  return {p.x, p.y};
}

void Win32Input::Beep(unsigned frequency_hz, unsigned duration_ms) {
  ::Beep(frequency_hz, duration_ms);
}

}  // namespace velqor::platform::win32
