// The script host of the running system: the registry verbs over a Registry, and Run through
// the shell.
#pragma once

#include <memory>

#include "platform/registry.h"
#include "platform/script_host.h"

namespace velqor::platform::win32 {

// Shells whose RegWrite and RegDelete work on `registry` (advapi32 in the program), and whose
// Run opens a command through ShellExecuteExW without waiting and without system dialogs.
// The registry must outlive the host and its shells.
class Win32ScriptHost : public ScriptHost {
 public:
  explicit Win32ScriptHost(Registry& registry) : registry_(registry) {}

  // Never fails: the verbs need nothing beyond the registry.
  std::unique_ptr<ScriptShell> CreateShell() override;

 private:
  Registry& registry_;
};

}  // namespace velqor::platform::win32
