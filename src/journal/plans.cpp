#include "journal/plans.h"

#include <cstdint>
#include <optional>
#include <string>

#include "booster/booster_tables.h"
#include "platform/registry_verbs.h"
#include "tweaks/catalogue.h"

namespace velqor::journal {

namespace {

std::string DwordBytes(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>(number >> (8 * i) & 0xFFU);
  }
  return bytes;
}

// The booster's REG_DWORD data: decimal digits.
std::uint32_t Decimal(std::string_view digits) {
  std::uint32_t number = 0;
  for (const char c : digits) {
    number = number * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return number;
}

// What the script host's RegWrite stores for a catalogue column: REG_SZ as its decimal text and
// terminator, REG_DWORD as four bytes.
RegValue TweakValue(const tweaks::TweakDatum& datum) {
  if (datum.type == "REG_DWORD") {
    return {platform::kRegDword, DwordBytes(static_cast<std::uint32_t>(datum.value))};
  }
  return {platform::kRegSz, std::to_string(datum.value) + '\0'};
}

void AddTweak(std::vector<PlannedChange>& plan, const tweaks::TweakWrite& write, int state) {
  const std::optional<platform::FullPath> full = platform::ParseFullPath(write.path);
  if (full) {
    plan.push_back(
        {full->root, full->key_path, full->value_name, TweakValue(tweaks::DatumFor(write, state))});
  }
}

// The booster's rows hold ASCII only, so their text is already the registry's ANSI bytes.
void AddStep(std::vector<PlannedChange>& plan, const booster::RegistryStep& step) {
  ValueState state;
  switch (step.op) {
    case booster::StepOp::kCreateKey:
      return;
    case booster::StepOp::kDeleteValue:
      break;
    case booster::StepOp::kSetValue:
      state = static_cast<std::uint32_t>(step.type) == platform::kRegDword
                  ? RegValue{platform::kRegDword, DwordBytes(Decimal(step.data))}
                  : RegValue{platform::kRegSz, std::string(step.data) + '\0'};
      break;
  }
  plan.push_back({step.root, std::string(step.key), std::string(step.name), std::move(state)});
}

}  // namespace

std::vector<PlannedChange> ApplyPlan(const std::array<int, 8>& states) {
  std::vector<PlannedChange> plan;
  for (const tweaks::TweakWrite& write : tweaks::TweakWrites()) {
    AddTweak(plan, write, states[write.box]);
  }
  return plan;
}

std::vector<PlannedChange> Check1Plan(int new_state) {
  std::vector<PlannedChange> plan;
  for (const tweaks::TweakWrite& write : tweaks::TweakWrites()) {
    if (write.box == 0) {
      AddTweak(plan, write, new_state);
    }
  }
  return plan;
}

std::vector<PlannedChange> BoostPlan() {
  std::vector<PlannedChange> plan;
  for (const booster::BoostStep& step : booster::BoostSteps()) {
    AddStep(plan, step);
  }
  return plan;
}

std::vector<PlannedChange> RestorePlan() {
  std::vector<PlannedChange> plan;
  for (const booster::UndoStep& step : booster::UndoSteps()) {
    AddStep(plan, step);
  }
  AddStep(plan, booster::SyncModeStep());
  return plan;
}

}  // namespace velqor::journal
