// Key state, cursor and beep over user32 and kernel32.
#pragma once

#include "platform/input.h"

namespace velqor::platform::win32 {

class Win32Input : public Input {
 public:
  std::int16_t GetAsyncKeyState(int virtual_key) override;
  Point GetCursorPos() override;
  Point ScreenToClient(std::int32_t window, Point screen) override;
  void Beep(unsigned frequency_hz, unsigned duration_ms) override;
};

}  // namespace velqor::platform::win32
