// When Windows acts on a changed registry value: what the Current settings window tells the user
// beside each value the commands write.
#pragma once

#include <string_view>

namespace velqor::registry {

enum class TakesEffect {
  kAtOnce,            // programs read it when they start: those started afterwards use it
  kNextLogOn,         // read into the user's session at log-on
  kAfterRestart,      // read by the system at start-up
  kWindows9xRestart,  // a Windows 95/98/Me network setting, read at start-up there only
  kNotRead,           // no part of Windows reads a value of that name
};

// The column's text for a value.
constexpr std::string_view TakesEffectText(TakesEffect when) {
  switch (when) {
    case TakesEffect::kAtOnce:
      return "at once (programs started afterwards)";
    case TakesEffect::kNextLogOn:
      return "at the next log-on";
    case TakesEffect::kAfterRestart:
      return "after a restart";
    case TakesEffect::kWindows9xRestart:
      return "after a restart, on Windows 98 and Me only";
    case TakesEffect::kNotRead:
      return "never: Windows reads no value of this name";
  }
  return {};
}

}  // namespace velqor::registry
