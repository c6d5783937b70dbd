// The Internet speed values as data: the write sequence of Boost and the undo list that Restore
// and the close of the main window run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velqor::booster {

// The per-user key that holds the three per-user values (and that Boost never creates).
inline constexpr std::string_view kUserInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The handle-based operations a Boost step runs.
enum class BoostOp {
  kCreateNewKey,  // create or open `key` under HKEY_LOCAL_MACHINE
  kSetKeyValue,   // write under HKEY_LOCAL_MACHINE, key not created
  kSetKeyValuee,  // write under HKEY_CURRENT_USER, key not created
};

// One step of the Boost sequence; name, type and data are empty/0 for kCreateNewKey.
struct BoostStep {
  std::string_view step;  // "B1" ... "B23"
  BoostOp op;
  std::string_view key;
  std::string_view name;
  std::int32_t type;      // 1 REG_SZ, 4 REG_DWORD
  std::string_view data;  // always text; REG_DWORD data are decimal digits
};

// The operations of the undo list.
enum class UndoOp {
  kRegDelete,     // delete the value at the full path `target` through the script host
  kSetKeyValuee,  // write value `target` under HKEY_CURRENT_USER\kUserInternetSettings
};

// One step of the undo list.
struct UndoStep {
  std::string_view step;  // "U1" ... "U12", "S"
  UndoOp op;
  std::string_view target;  // a full path (kRegDelete) or a value name (kSetKeyValuee)
  std::int32_t type;        // kSetKeyValuee only
  std::string_view data;    // kSetKeyValuee only
};

inline constexpr std::size_t kBoostStepCount = 23;
inline constexpr std::size_t kUndoStepCount = 12;

// B1 to B23 in the order Boost runs them; never fails.
const std::array<BoostStep, kBoostStepCount>& BoostSteps();
// U1 to U12 in the order the undo runs them; never fails.
const std::array<UndoStep, kUndoStepCount>& UndoSteps();
// S, the write of "syncmode5" = 4: last in Restore, first in the exit restore; never fails.
const UndoStep& SyncModeStep();

}  // namespace velqor::booster
