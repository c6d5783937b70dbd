// The simulated script host: shells whose registry verbs work on a Registry (the simulated one,
// or whatever stands in front of it) and whose Run starts nothing; every call is recorded in order,
// and the host can be made unavailable.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/script_host.h"
#include "platform/registry.h"

namespace velqor::platform::sim {

// One call made on a shell: the verb ("RegWrite", "RegDelete" or "Run"), the path or command,
// the value and type name as passed (RegWrite only), and whether it raised.
struct ScriptCall {
  std::string verb;
  std::string path;
  ScriptValue value;
  std::string type;
  bool failed = false;
};

class SimScriptHost : public ScriptHost {
 public:
  // The host must outlive the shells it creates; the registry must outlive the host.
  explicit SimScriptHost(Registry& registry) : registry_(registry) {}

  // Raises a Failure while the host is unavailable; otherwise a new shell.
  std::unique_ptr<ScriptShell> CreateShell() override;

  // Fault: while set, CreateShell raises as it does where the script host is disabled.
  void SetUnavailable(bool unavailable) { unavailable_ = unavailable; }
  // Run of this command, or of any command whose program (its first word) this is, raises "not
  // found" (2). Compared without regard to case.
  void MarkMissing(std::string_view command);
  // Every command can be run again.
  void ClearMissing() { missing_.clear(); }
  // How many calls an injected fault has made fail: shells refused while unavailable, and Runs
  // of missing commands.
  std::size_t faults_hit() const { return faults_hit_; }

  // Every call on every shell of this host, in order.
  const std::vector<ScriptCall>& calls() const { return calls_; }
  // The commands that Run was given and that did not raise, in order.
  std::vector<std::string> RunCommands() const;
  void ClearCalls() { calls_.clear(); }
  // Shells created and shells released so far ("one shell object for the whole command").
  std::size_t shells_created() const { return created_; }
  std::size_t shells_released() const { return released_; }

 private:
  class Shell;
  bool IsMissing(std::string_view command) const;

  Registry& registry_;
  bool unavailable_ = false;
  std::set<std::string> missing_;
  std::vector<ScriptCall> calls_;
  std::size_t created_ = 0;
  std::size_t released_ = 0;
  std::size_t faults_hit_ = 0;
};

}  // namespace velqor::platform::sim
