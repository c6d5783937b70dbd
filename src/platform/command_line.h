// Splitting a command line into the program it names and that program's parameters.
#pragma once

#include <string>
#include <string_view>

namespace velqor::platform {

struct CommandLine {
  std::string file;
  std::string parameters;
};

// Reads a command line as the system's program start does: blanks (spaces and tabs) before the
// program are skipped; a program in double quotes ends at the closing quote (or at the end when
// there is none), any other at the first blank; the parameters are the rest after the blanks that
// follow, unchanged.
CommandLine SplitCommandLine(std::string_view command);

}  // namespace velqor::platform
