// The one reading of a command line that the program start, the script host's Run and both
// simulations share.
#include <gtest/gtest.h>

#include <vector>

#include "platform/command_line.h"

namespace velqor::platform {
namespace {

TEST(CommandLine, SplitsIntoProgramAndParameters) {
  struct Row {
    const char* command;
    const char* file;
    const char* parameters;
  };
  const std::vector<Row> rows = {
      {"cleanmgr.exe", "cleanmgr.exe", ""},
      {"sfc /scannow", "sfc", "/scannow"},
      {"shutdown -s -t 0", "shutdown", "-s -t 0"},
      {"\"C:\\Program Files\\x.exe\" /a \"b c\"", "C:\\Program Files\\x.exe", "/a \"b c\""},
      {"  spaced   args ", "spaced", "args "},
      {"\tcontrol\t/name Microsoft.WindowsUpdate", "control", "/name Microsoft.WindowsUpdate"},
      {"\"C:\\unclosed quote.exe /a", "C:\\unclosed quote.exe /a", ""},
      {"\"\" /a", "", "/a"},
      {"ms-settings:windowsupdate", "ms-settings:windowsupdate", ""},
      {"", "", ""},
      {" \t ", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    const CommandLine line = SplitCommandLine(row.command);
    EXPECT_EQ(line.file, row.file);
    EXPECT_EQ(line.parameters, row.parameters);
  }
}

}  // namespace
}  // namespace velqor::platform
