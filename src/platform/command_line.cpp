#include "platform/command_line.h"

#include <algorithm>

namespace velqor::platform {

CommandLine SplitCommandLine(std::string_view command) {
  constexpr std::string_view kBlanks = " \t";
  const std::size_t start = command.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) {
    return {};
  }
  command.remove_prefix(start);
  CommandLine line;
  std::size_t rest = 0;
  if (command.front() == '"') {
    const std::size_t close = command.find('"', 1);
    line.file = command.substr(1, close == std::string_view::npos ? command.npos : close - 1);
    rest = close == std::string_view::npos ? command.size() : close + 1;
  } else {
    rest = std::min(command.find_first_of(kBlanks), command.size());
    line.file = command.substr(0, rest);
  }
  const std::size_t parameters = command.find_first_not_of(kBlanks, rest);
  if (parameters != std::string_view::npos) {
    line.parameters = command.substr(parameters);
  }
  return line;
}

}  // namespace velqor::platform
