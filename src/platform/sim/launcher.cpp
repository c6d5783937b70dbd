#include "platform/sim/launcher.h"

#include <cctype>
#include <utility>

#include "platform/failure.h"

namespace velqor::platform::sim {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

// The program of a command line: its first word.
std::string_view ProgramOf(std::string_view command) {
  const auto space = command.find(' ');
  return space == std::string_view::npos ? command : command.substr(0, space);
}

}  // namespace

void SimLauncher::StartProgram(std::string_view command_line, int show) {
  const bool missing = IsMissing(command_line);
  starts_.push_back({std::string(command_line), show, missing});
  if (missing) {
    ++faults_hit_;
    throw Failure(kFileNotFound, "Could not start \"" + std::string(command_line) +
                                     "\": " + DescribeStatus(kFileNotFound) + " (" +
                                     std::to_string(kFileNotFound) + ")");
  }
}

void SimLauncher::ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                            std::string_view parameters, int show) {
  ShellOpenRecord record{owner,
                         std::string(operation),
                         std::string(file),
                         std::string(parameters),
                         show,
                         ShellOpenRecord::kShellOpenSucceeded};
  if (shell_open_error_ != 0) {
    record.result = shell_open_error_;
    ++faults_hit_;
  }
  shell_opens_.push_back(std::move(record));
}

void SimLauncher::MarkMissing(std::string_view command) {
  missing_.insert(Lower(command));
}

bool SimLauncher::IsMissing(std::string_view command) const {
  return missing_.contains(Lower(command)) || missing_.contains(Lower(ProgramOf(command)));
}

std::vector<std::string> SimLauncher::StartedCommands() const {
  std::vector<std::string> commands;
  for (const StartRecord& start : starts_) {
    if (!start.failed) {
      commands.push_back(start.command);
    }
  }
  return commands;
}

void SimLauncher::ClearCalls() {
  starts_.clear();
  shell_opens_.clear();
}

}  // namespace velqor::platform::sim
