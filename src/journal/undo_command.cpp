#include "journal/undo_command.h"

#include <vector>

#include "journal/display.h"
#include "platform/failure.h"

namespace velqor::journal {

namespace {

std::string ValueLines(platform::Registry& registry,
                       const std::vector<const ValueChange*>& values) {
  std::string lines;
  for (const ValueChange* value : values) {
    lines += Where(registry, *value) + "\n";
  }
  return lines;
}

}  // namespace

std::string CommandLabel(const Command& command) {
  return "\"" + command.name + "\" (" + std::to_string(command.sequence) + ")";
}

std::optional<UndoOutcome> UndoWithChecks(platform::Ui& ui, Recorder& recorder,
                                          const Command& command) {
  UndoMode mode = UndoMode::kAll;
  const std::vector<const ValueChange*> changed = ChangedSince(recorder, command);
  if (!changed.empty()) {
    const std::string label = CommandLabel(command);
    const int answer = ui.MessageBox(
        "These values have changed since " + label +
            ", by a later command or by another program:\n\n" + ValueLines(recorder, changed) +
            "\nYes: put back every value as it was before " + label +
            ".\nNo: put back only the other values, and leave these as they are now.\nCancel: "
            "change nothing.",
        platform::kProgramTitle, platform::kMbYesNoCancel | platform::kMbIconExclamation);
    if (answer == platform::kIdNo) {
      mode = UndoMode::kOnlyUnchanged;
    } else if (answer != platform::kIdYes) {
      return std::nullopt;
    }
  }
  UndoOutcome outcome = RecordedUndo(recorder, command, mode);
  if (!outcome.refused.empty()) {
    std::string lines;
    for (const RefusedValue& refused : outcome.refused) {
      lines += Where(recorder, *refused.value) + ": " +
               platform::DescribeError(platform::ErrorDomain::kWin32, refused.status) + "\n";
    }
    ui.MessageBox("These values of " + CommandLabel(command) + " could not be put back:\n\n" +
                      lines +
                      (outcome.put_back.empty() ? "\nNo other value was put back."
                                                : "\nThe other values were put back."),
                  platform::kProgramTitle, platform::kMbOk | platform::kMbIconExclamation);
  }
  return outcome;
}

}  // namespace velqor::journal
