// The visible work of the measured commands done with the least code that does it: bare Win32
// calls on the program's own windows. The yardsticks that the program's commands are held to.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "registry_baseline.h"

namespace velqor::bench {

// Boost's windows: the main window and its two buttons.
struct BoostWindows {
  HWND form = nullptr;
  HWND boost = nullptr;
  HWND restore = nullptr;
};

// Boost by hand: `caption` set, the icon loaded from `icon_path` in both sizes and set (the
// old ones freed), the window repainted, the two buttons swapped, and the 23 registry steps.
class BareBoost {
 public:
  BareBoost(BoostWindows windows, std::wstring caption, std::wstring icon_path,
            std::vector<Write> writes);
  ~BareBoost();
  BareBoost(const BareBoost&) = delete;
  BareBoost& operator=(const BareBoost&) = delete;
  void Run();

 private:
  BoostWindows windows_;
  std::wstring caption_;
  std::wstring icon_path_;
  std::vector<Write> writes_;
  HICON big_ = nullptr;
  HICON small_ = nullptr;
};

// The startup manager's windows that a fill changes.
struct FillWindows {
  HWND names = nullptr;
  HWND commands = nullptr;
  HWND name_text = nullptr;
  HWND command_text = nullptr;
  HWND remove = nullptr;  // the Delete button, retitled for the selected entry
};

// How the bare fill reads a row.
enum class FillReading {
  kOneCall,           // name and data in one call (RegEnumValueW): the least there is
  kAsTheProgramMust,  // the name (RegEnumValueA), then the data by name (RegQueryValueExA)
};

// The fill by hand: drawing off, both lists emptied, the Run key under `root` enumerated with
// one add per row to each list, the horizontal extents set, drawing on, row 0 selected in both,
// and the three texts set. Returns the number of rows added.
int BareFill(const FillWindows& windows, HKEY root, FillReading reading);

// What a fill leaves on screen: every row of both lists, their selections and extents, the three
// texts. Two fills did the same work when these are equal.
std::vector<std::wstring> FillResult(const FillWindows& windows);

// The window `top` as a user sees it: its size, every child in z-order with its class, text,
// place in the client area of `top`, visibility and state, then the menu bar's entries. Works
// across processes, except the menu's entries under Wine, which keeps menus per process (the
// sizes still show a missing menu bar).
std::vector<std::wstring> WindowTree(HWND top);

// Prints where two descriptions differ (at most a few lines) and whether they are equal.
bool SameLines(const char* label, const std::vector<std::wstring>& ours,
               const std::vector<std::wstring>& bare);

}  // namespace velqor::bench
