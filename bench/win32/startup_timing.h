// Start-up time of a window program: from CreateProcess to its top-level window being visible.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace velqor::bench {

// A program and the top-level window that tells it has started.
struct StartupTarget {
  std::wstring exe;           // Windows path
  std::wstring window_class;  // the window's class name
  std::wstring caption;       // its window text
};

// What one start came to.
struct StartupSample {
  std::optional<double> seconds;    // empty when the window did not show within the time-out
  int boxes_answered = 0;           // message boxes of the process closed on the way
  std::optional<double> first_box;  // when the first of them was seen
};

// Starts the program, polls every millisecond for its window (made by that process, visible),
// and closes it again (WM_CLOSE, then termination if it lingers). Message boxes that the process
// shows before its window are answered OK (or Yes) at once, as a user would, and counted: their
// time is part of the start-up. `inspect`, when given, sees the window once the process waits
// for input, before it is closed.
StartupSample TimeToWindow(const StartupTarget& target, double timeout_seconds,
                           const std::function<void(HWND)>& inspect = {});

}  // namespace velqor::bench
