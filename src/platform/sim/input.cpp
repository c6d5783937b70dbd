#include "platform/sim/input.h"

namespace velqor::platform::sim {

std::int16_t SimInput::GetAsyncKeyState(int virtual_key) {
  ++queries[virtual_key];
  Key& key = keys_[virtual_key];
  const unsigned state =
      (key.down ? kKeyDownNow : 0U) | (key.latched ? kKeyPressedSinceLastQuery : 0U);
  key.latched = false;
  return static_cast<std::int16_t>(state);
}

Point SimInput::ScreenToClient(std::int32_t window, Point screen) {
  const auto it = client_origin.find(window);
  return it != client_origin.end() ? Point{screen.x - it->second.x, screen.y - it->second.y}
                                   : screen;
}

void SimInput::Beep(unsigned frequency_hz, unsigned duration_ms) {
  beeps.emplace_back(frequency_hz, duration_ms);
}

void SimInput::Press(int virtual_key) {
  Key& key = keys_[virtual_key];
  key.down = true;
  key.latched = true;
}

void SimInput::Release(int virtual_key) {
  keys_[virtual_key].down = false;
}

void SimInput::Tap(int virtual_key) {
  Press(virtual_key);
  Release(virtual_key);
}

void SimInput::ReleaseAll() {
  keys_.clear();
}

}  // namespace velqor::platform::sim
