// Scripted key states, cursor and window offsets, and recorded beeps.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/input.h"

namespace velqor::platform::sim {

class SimInput : public Input {
 public:
  std::int16_t GetAsyncKeyState(int virtual_key) override;
  Point GetCursorPos() override { return cursor; }
  Point ScreenToClient(std::int32_t window, Point screen) override;
  void Beep(unsigned frequency_hz, unsigned duration_ms) override;

  // Holds a key down (and latches "pressed since the last query").
  void Press(int virtual_key);
  // Lets a key go; the latch stays until the next query of that key.
  void Release(int virtual_key);
  // A press and release between two queries.
  void Tap(int virtual_key);
  void ReleaseAll();

  // The cursor in screen coordinates.
  Point cursor;
  // Screen position of each window's client origin; unknown windows convert nothing.
  std::map<std::int32_t, Point> client_origin;
  // Every beep, as (frequency, duration).
  std::vector<std::pair<unsigned, unsigned>> beeps;
  // How often each key was queried.
  std::map<int, int> queries;

 private:
  struct Key {
    bool down = false;
    bool latched = false;
  };
  std::map<int, Key> keys_;
};

}  // namespace velqor::platform::sim
