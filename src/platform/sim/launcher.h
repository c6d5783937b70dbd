// The simulated program start and shell open: nothing starts, every call is recorded, and
// programs can be marked missing so that starting them fails as it does on the real system.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/launcher.h"

namespace velqor::platform::sim {

// One StartProgram call: the command line, the window style, and whether it raised.
struct StartRecord {
  std::string command;
  int show = 0;
  bool failed = false;
};

// One ShellOpen call, argument by argument, and what ShellExecute returned for it: a value above
// 32 on success, an error code of 32 or less (SE_ERR_NOASSOC 31, ERROR_FILE_NOT_FOUND 2, ...).
struct ShellOpenRecord {
  WindowHandle owner = 0;
  std::string operation;
  std::string file;
  std::string parameters;
  int show = 0;
  int result = kShellOpenSucceeded;

  // What the simulation returns for an open that worked.
  static constexpr int kShellOpenSucceeded = 42;
};

class SimLauncher final : public Launcher {
 public:
  // Records the call; raises a Failure naming the command, as the real one words it, when the
  // command or its program (the first word) has been marked missing.
  void StartProgram(std::string_view command_line, int show) override;
  // Records the call with the result set by FailShellOpen; never raises, since the real call
  // only returns its error code.
  void ShellOpen(WindowHandle owner, std::string_view operation, std::string_view file,
                 std::string_view parameters, int show) override;
  // The handle set by SetActiveWindow, 0 at first.
  WindowHandle ActiveWindow() override { return active_window_; }

  // Starting this command, or any command of this program, fails with "not found" (2).
  // Compared without regard to letter case.
  void MarkMissing(std::string_view command) { FailStart(command, kFileNotFound); }
  // As MarkMissing, with another status (access denied, elevation required, ...).
  void FailStart(std::string_view command, Status status);
  void ClearMissing() { failing_.clear(); }
  // Fault: every ShellOpen from now on returns `error` (32 or less) as ShellExecute does when it
  // cannot open the file; 0 lifts the fault.
  void FailShellOpen(int error) { shell_open_error_ = error; }
  // How many calls an injected fault has made fail (missing programs, failed opens).
  std::size_t faults_hit() const { return faults_hit_; }
  void SetActiveWindow(WindowHandle window) { active_window_ = window; }

  // Every StartProgram call, in order, failed ones included.
  const std::vector<StartRecord>& starts() const { return starts_; }
  // The command lines that started, in order.
  std::vector<std::string> StartedCommands() const;
  const std::vector<ShellOpenRecord>& shell_opens() const { return shell_opens_; }
  void ClearCalls();

 private:
  // The status starting this command fails with; 0 when it starts.
  Status FailureOf(std::string_view command) const;

  std::map<std::string, Status> failing_;  // lower case
  std::vector<StartRecord> starts_;
  std::vector<ShellOpenRecord> shell_opens_;
  WindowHandle active_window_ = 0;
  int shell_open_error_ = 0;
  std::size_t faults_hit_ = 0;
};

}  // namespace velqor::platform::sim
