// The system tweaks: the eight check boxes of the tweak panel and the registry writes behind them,
// kept as data so that the window, the apply command and the tests read one table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/script_host.h"
#include "registry/takes_effect.h"

namespace velqor::tweaks {

// The state of a check box that counts as checked; every other state (0, greyed 2) does not.
inline constexpr int kChecked = 1;

// One column of a tweak write: the RegWrite type name and the number handed to RegWrite.
struct TweakDatum {
  std::string_view type;  // "REG_SZ" or "REG_DWORD"
  std::int32_t value;     // REG_SZ stores its decimal text, REG_DWORD the number
};

// One registry write of the catalogue: the box it belongs to (0 for Check1 ... 7 for Check8), the
// script-host full path, what a checked and an unchecked box write, and when Windows acts on it.
struct TweakWrite {
  std::size_t box;
  std::string_view path;
  TweakDatum checked;
  TweakDatum unchecked;
  registry::TakesEffect takes_effect;
};

// One check box of the tweak panel: its control name, caption and tip (empty: no tip).
struct TweakBox {
  std::string_view name;
  std::string_view caption;
  std::string_view tip;
};

// The number of writes of an apply: one per box, two for Check7.
inline constexpr std::size_t kTweakWriteCount = 9;

// The boxes Check1 to Check8, in the panel's order; never fails.
const std::array<TweakBox, 8>& TweakBoxes();

// The catalogue's writes in the order an apply issues them; never fails.
const std::array<TweakWrite, kTweakWriteCount>& TweakWrites();

// The column a box in `state` writes: the checked column for state 1 only.
const TweakDatum& DatumFor(const TweakWrite& write, int state);

// The apply command (after the window has checked that the tweak panel is shown): creates one
// shell object and issues the nine writes in catalogue order, each with the column of its box's
// state (`states[0]` is Check1). A refused write, or a script host that cannot be created, raises
// its Failure and ends the apply; the writes made before it stay.
void ApplyTweaks(platform::ScriptHost& host, const std::array<int, 8>& states);

// The immediate write of a click on Check1: DisablePagingExecutive follows the box's new state
// (1 when the click checked it, 0 otherwise). Raises the script host's Failure.
void WriteCheck1(platform::ScriptHost& host, int new_state);

}  // namespace velqor::tweaks
