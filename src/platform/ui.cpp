#include "platform/ui.h"

#include <exception>
#include <string>
#include <string_view>

namespace velqor::platform {

void RunHandler(Ui& ui, const Handler& handler) noexcept {
  if (!handler) {
    return;
  }
  std::string message;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "An unexpected error occurred.";
  }
  try {
    ui.MessageBox(message, kProgramTitle, kMbOk | kMbIconExclamation);
  } catch (...) {
    // Nothing left to tell the user with; the program goes on regardless.
  }
}

std::string CommandName(std::string_view caption) {
  std::string name;
  const std::size_t tab = caption.find('\t');
  caption = caption.substr(0, tab);
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;  // the mnemonic's marker; "&&" is a literal "&"
    }
    name += caption[i];
  }
  return name;
}

void RunCommand(Ui& ui, std::string_view caption, const Handler& handler) noexcept {
  if (!handler) {
    return;
  }
  const CommandRunner& runner = ui.command_runner();
  if (!runner) {
    RunHandler(ui, handler);
    return;
  }
  RunHandler(ui, [&] { runner(CommandName(caption), handler); });
}

}  // namespace velqor::platform
