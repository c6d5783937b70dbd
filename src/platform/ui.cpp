#include "platform/ui.h"

#include <exception>
#include <string>

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

}  // namespace velqor::platform
