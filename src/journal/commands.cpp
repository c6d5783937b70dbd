#include "journal/commands.h"

#include <utility>

#include "journal/undo.h"
#include "platform/failure.h"

namespace velqor::journal {

namespace {

constexpr std::string_view kTitle = platform::kProgramTitle;

std::string Lines(const platform::Registry& registry,
                  const std::vector<const ValueChange*>& values) {
  std::string out;
  for (const ValueChange* value : values) {
    out += WhereText(registry, *value);
    out += '\n';
  }
  return out;
}

}  // namespace

std::string WhereText(const platform::Registry& registry, const ValueChange& value) {
  std::string out =
      value.root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  if (!value.key_path.empty()) {
    out += '\\';
    out += registry.FromAnsi(value.key_path);
  }
  out += '\\';
  out += value.value_name.empty() ? std::string("(Default)") : registry.FromAnsi(value.value_name);
  return out;
}

void Commands::Install() {
  ui_.SetCommandRunner(
      [this](std::string_view name, const platform::Handler& handler) { Run(name, handler); });
}

void Commands::Run(std::string_view name, const platform::Handler& handler) {
  ++depth_;
  try {
    const CommandScope scope(recorder_, name);
    handler();
  } catch (...) {
    AfterCommand();
    throw;
  }
  AfterCommand();
}

void Commands::AfterCommand() {
  // A handler fired from inside another one (a value set by the program) is part of it.
  if (--depth_ > 0) {
    return;
  }
  if (recorder_.TakeFailureNotice()) {
    ui_.MessageBox(kNotRecordingMessage, kTitle, platform::kMbOk | platform::kMbIconExclamation);
  }
  if (after_) {
    // A copy: the listener may replace itself.
    const std::function<void()> after = after_;
    after();
  }
}

std::optional<Command> Commands::LastUndoable() {
  Contents contents;
  if (recorder_.journal().Load(contents) != platform::kSuccess) {
    return std::nullopt;
  }
  const Command* last = contents.LastUndoable();
  return last != nullptr ? std::optional<Command>(*last) : std::nullopt;
}

bool Commands::UndoWithChecks(const Command& command) {
  platform::Registry& registry = recorder_;
  UndoMode mode = UndoMode::kAll;
  const std::vector<const ValueChange*> changed = ChangedSince(registry, command);
  if (!changed.empty()) {
    const std::string prompt =
        "These values have changed since \"" + command.name + "\" (" +
        std::to_string(command.sequence) + "):\n\n" + Lines(registry, changed) +
        "\nYes: put every value back as it was before it.\nNo: put back only the values not "
        "changed since.\nCancel: change nothing.";
    const int answer =
        ui_.MessageBox(prompt, kTitle, platform::kMbYesNoCancel | platform::kMbIconExclamation);
    if (answer != platform::kIdYes && answer != platform::kIdNo) {
      return false;
    }
    mode = answer == platform::kIdYes ? UndoMode::kAll : UndoMode::kOnlyUnchanged;
  }
  const UndoOutcome outcome = RecordedUndo(recorder_, command, mode);
  if (!outcome.refused.empty()) {
    std::string prompt = "These values could not be put back:\n\n";
    for (const RefusedValue& refused : outcome.refused) {
      prompt += WhereText(registry, *refused.value) + ": " +
                platform::DescribeError(platform::ErrorDomain::kWin32,
                                        static_cast<std::int32_t>(refused.status)) +
                '\n';
    }
    if (!outcome.put_back.empty()) {
      prompt += "\nThe other values were put back.";
    }
    ui_.MessageBox(prompt, kTitle, platform::kMbOk | platform::kMbIconExclamation);
  }
  return true;
}

void Commands::UndoLastChange() {
  if (const std::optional<Command> last = LastUndoable()) {
    UndoWithChecks(*last);
  }
}

}  // namespace velqor::journal
