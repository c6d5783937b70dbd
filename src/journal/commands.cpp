#include "journal/commands.h"

#include <utility>

#include "journal/display.h"
#include "journal/undo_command.h"
#include "platform/failure.h"

namespace velqor::journal {

std::string NotRecordingText(Recorder& recorder) {
  if (recorder.recording() && recorder.missed()) {
    const Recorder::MissedChange& missed = *recorder.missed();
    return "A change was made but not recorded, and cannot be undone: what " +
           Where(recorder, missed.value) + " held before it could not be read (" +
           platform::DescribeError(platform::ErrorDomain::kWin32, missed.status) + ").";
  }
  return "Changes are not being recorded and cannot be undone: the journal " +
         recorder.journal().file().Location() + " could not be written (" +
         platform::DescribeError(platform::ErrorDomain::kWin32,
                                 static_cast<std::int32_t>(recorder.failure())) +
         ").";
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
    ui_.MessageBox(NotRecordingText(recorder_), platform::kProgramTitle,
                   platform::kMbOk | platform::kMbIconExclamation);
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

void Commands::UndoLastChange() {
  if (const std::optional<Command> last = LastUndoable()) {
    UndoWithChecks(ui_, recorder_, *last);
  }
}

}  // namespace velqor::journal
