// Disable, Enable and Delete of one startup entry, looked up by its location and exact name, in
// the store that the system's own tools use on this version of Windows.
#pragma once

#include <string>
#include <string_view>

#include "startup/locations.h"

namespace velqor::startup {

enum class Action { kDisable, kEnable, kDelete };

// The action's name as the journal records the command: "Disable", "Enable", "Delete".
const char* ActionName(Action action);

// The message when the system refuses a change to a machine-wide place.
inline constexpr char kNeedsAdministrator[] =
    "Changing entries for all users needs administrator rights";

// Opens and closes one command of the change journal around an action, so that all its changes
// (and, on a failure, their taking back) are one record that can be undone.
class CommandBracket {
 public:
  virtual ~CommandBracket() = default;
  virtual void Begin(std::string_view name) = 0;
  virtual void End() = 0;
};

// Does `action` to the entry at `location` named exactly `name`, as the system reads it now:
//  - Disable, Windows 8 and later: its approval value says disabled (03 and the time); Windows XP
//    to 7: the configuration utility's record is written and the entry (value or file) removed,
//    the file kept in the utility's backup folder.
//  - Enable undoes that: the approval value says enabled (02); the value is written back with its
//    own type and bytes (a REG_EXPAND_SZ stays one), or the file with its exact bytes, and the
//    record and backup are removed.
//  - Delete removes exactly that value or file (or, for an entry kept only in a record, that
//    record and its backup), never a key or a folder.
// Raises platform::Failure in words when the entry is gone, cannot be disabled here, or the system
// refuses; every change already made is then taken back, so nothing else has changed.
void Act(StartupPlatform& platform, Action action, LocationId location, std::u16string_view name,
         CommandBracket* bracket = nullptr);

}  // namespace velqor::startup
