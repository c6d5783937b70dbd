// Keyboard and mouse state, screen-to-client conversion and the speaker beep.
#pragma once

#include <cstdint>

namespace velqor::platform {

inline constexpr int kVkLButton = 0x01;
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;  // Alt

// Bits of a key state: down now (negative as 16 bits), and pressed since the previous query.
inline constexpr std::uint16_t kKeyDownNow = 0x8000;
inline constexpr std::uint16_t kKeyPressedSinceLastQuery = 0x0001;

// A point in pixels.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

class Input {
 public:
  virtual ~Input() = default;
  // GetAsyncKeyState: kKeyDownNow when the key is down, kKeyPressedSinceLastQuery when it was
  // pressed since the previous query (which this query clears). Never fails; 0 means neither.
  virtual std::int16_t GetAsyncKeyState(int virtual_key) = 0;
  // The cursor in screen coordinates; (0, 0) when it cannot be read.
  virtual Point GetCursorPos() = 0;
  // Converts a screen point to client coordinates of `window`; returns the point unchanged when
  // the window does not exist.
  virtual Point ScreenToClient(std::int32_t window, Point screen) = 0;
  // Sounds the speaker and returns when the sound has ended; whether it played is not reported.
  virtual void Beep(unsigned frequency_hz, unsigned duration_ms) = 0;
};

}  // namespace velqor::platform
