#include "platform/sim/launcher.h"

#include <utility>

#include "platform/ascii.h"
#include "platform/command_line.h"
#include "platform/failure.h"

namespace velqor::platform::sim {

void SimLauncher::StartProgram(std::string_view command_line, int show) {
  const Status status = FailureOf(command_line);
  starts_.push_back({std::string(command_line), show, status != kSuccess});
  if (status != kSuccess) {
    ++faults_hit_;
    throw MakeFailure(ErrorDomain::kWin32, status,
                      "Could not start \"" + std::string(command_line) + "\"");
  }
}

void SimLauncher::ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                            std::string_view parameters, int show) {
  faults_hit_ += shell_open_error_ != 0 ? 1 : 0;
  shell_opens_.push_back(
      {owner, std::string(operation), std::string(file), std::string(parameters), show,
       shell_open_error_ != 0 ? shell_open_error_ : ShellOpenRecord::kShellOpenSucceeded});
}

void SimLauncher::FailStart(std::string_view command, Status status) {
  failing_[AsciiLower(command)] = status;
}

Status SimLauncher::FailureOf(std::string_view command) const {
  for (const std::string& key : {AsciiLower(command), AsciiLower(SplitCommandLine(command).file)}) {
    if (const auto it = failing_.find(key); it != failing_.end()) {
      return it->second;
    }
  }
  return kSuccess;
}

std::vector<std::string> SimLauncher::StartedCommands() const {
  std::vector<std::string> commands;
  for (const StartRecord& start : starts_) {
    if (!start.failed) commands.push_back(start.command);
  }
  return commands;
}

void SimLauncher::ClearCalls() {
  starts_.clear();
  shell_opens_.clear();
}

}  // namespace velqor::platform::sim
