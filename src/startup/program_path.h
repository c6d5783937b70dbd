// Which program a startup entry's command starts, found as Windows finds it, so that an entry
// whose program is gone can be flagged.
#pragma once

#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace velqor::startup {

// The file a command starts and whether it exists. For rundll32 it is the DLL named, since that is
// what goes missing when a program is removed.
struct CommandProgram {
  std::u16string path;  // as found, or the best guess when nothing exists
  bool exists = false;
  bool operator==(const CommandProgram&) const = default;
};

// ASCII letters in lower case: how the registry and the file system compare names.
std::u16string Lower(std::u16string_view text);

// Environment variables are expanded first. A quoted command starts the quoted path; otherwise the
// shortest run of space-separated words that names an existing file is the program, with ".exe"
// tried where the last word has no extension. A name without a folder is looked for in the system
// folder, the Windows folder and the folders of PATH, in that order.
CommandProgram FindProgram(std::u16string_view command, const platform::SystemInfo& system);

}  // namespace velqor::startup
