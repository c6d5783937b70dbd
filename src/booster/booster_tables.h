// The Internet speed values as data: the write sequence of Boost and the undo list that Restore
// and the close of the main window run. Every row names its root, key, value, type and data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "registry/takes_effect.h"

namespace velqor::booster {

// The per-user key that holds the three per-user values (and that Boost never creates).
inline constexpr std::string_view kUserInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// What a step does with its row.
enum class StepOp {
  kCreateKey,    // create or open `key` (and its parents) through the handle-based writer
  kSetValue,     // write the value through the handle-based writer; the key is not created
  kDeleteValue,  // delete the value at its full path through the script host
};

// One registry step of Boost or of the undo; name, type and data are empty/0 for kCreateKey and
// type and data for kDeleteValue.
struct RegistryStep {
  std::string_view step;  // "B1" ... "B23", "U1" ... "U12", "S"
  StepOp op;
  platform::KeyHandle root;
  std::string_view key;
  std::string_view name;
  std::int32_t type;      // 1 REG_SZ, 4 REG_DWORD
  std::string_view data;  // always text; REG_DWORD data are decimal digits
  // When Windows acts on the value (kSetValue and kDeleteValue rows).
  registry::TakesEffect takes_effect = registry::TakesEffect::kAtOnce;
};
using BoostStep = RegistryStep;
using UndoStep = RegistryStep;

inline constexpr std::size_t kBoostStepCount = 23;
inline constexpr std::size_t kUndoStepCount = 12;

// B1 to B23 in the order Boost runs them; never fails.
const std::array<BoostStep, kBoostStepCount>& BoostSteps();
// U1 to U12 in the order the undo runs them; never fails.
const std::array<UndoStep, kUndoStepCount>& UndoSteps();
// S, the write of "syncmode5" = 4: last in Restore, first in the exit restore; never fails.
const UndoStep& SyncModeStep();

// The script host's full path of a step's value: "HKEY_LOCAL_MACHINE\<key>\<name>".
std::string FullPathOf(const RegistryStep& step);

}  // namespace velqor::booster
