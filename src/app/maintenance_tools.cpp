#include "app/maintenance_tools.h"

#include <memory>
#include <string>

#include "platform/failure.h"
#include "platform/script_host.h"

namespace velqor::app {

namespace {

using platform::Status;

constexpr Status kPathNotFound = 3;
constexpr Status kNoAssociation = 1155;  // ERROR_NO_ASSOCIATION: nothing opens this address

bool IsMissing(Status status) {
  return status == platform::kFileNotFound || status == kPathNotFound || status == kNoAssociation;
}

// What a failed start means to the user, and what to do about it.
struct Explanation {
  const char* happened;
  const char* to_do;
};

Explanation Explain(Status status) {
  constexpr const char* kAsAdministrator =
      "Start Velqor with \"Run as administrator\" and try again.";
  switch (status) {
    case platform::kAccessDenied:
      return {"Windows refused access", kAsAdministrator};
    case 740:  // ERROR_ELEVATION_REQUIRED
      return {"it needs an administrator's rights", kAsAdministrator};
    case 1223:  // ERROR_CANCELLED: the request for those rights was declined
      return {"the start was cancelled", "Click it again and allow it to start."};
    case 193:  // ERROR_BAD_EXE_FORMAT
    case 216:  // ERROR_EXE_MACHINE_TYPE_MISMATCH
      return {"its program file is damaged or not made for this Windows",
              "Repair Windows, then try again."};
    case 8:     // ERROR_NOT_ENOUGH_MEMORY
    case 14:    // ERROR_OUTOFMEMORY
    case 1450:  // ERROR_NO_SYSTEM_RESOURCES
      return {"Windows is short of memory", "Close some programs and try again."};
    default:
      return {"Windows could not start it",
              "Try again; if it fails again, restart Windows and try once more."};
  }
}

}  // namespace

void StartTool(const platform::Platform& platform, const MaintenanceTool& tool) {
  std::unique_ptr<platform::ScriptShell> shell;
  for (const ToolCommand& command : tool.commands) {
    try {
      if (command.by == StartBy::kProgram) {
        platform.launcher.StartProgram(command.command, command.show);
      } else {
        if (!shell) {
          shell = platform.script_host.CreateShell();
        }
        shell->Run(command.command);
      }
      return;
    } catch (const platform::Failure& failure) {
      if (IsMissing(failure.status())) {
        continue;
      }
      const Explanation explanation = Explain(failure.status());
      throw platform::Failure(failure.status(),
                              std::string(tool.name) +
                                  " could not be started: " + explanation.happened + " (" +
                                  std::to_string(failure.status()) + "). " + explanation.to_do);
    }
  }
  throw platform::Failure(platform::kFileNotFound,
                          std::string(tool.name) + " is not available on this computer.");
}

}  // namespace velqor::app
