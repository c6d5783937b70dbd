#include "popup/popup_killer.h"

#include <cctype>
#include <string>

namespace velqor::popup {

namespace {

// "Creating ... failed" reads as a reason after the colon: first letter small, one full stop.
std::string AsReason(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) != 0 &&
      std::islower(static_cast<unsigned char>(text[1])) != 0) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text.empty() ? std::string("it is not available.") : text + ".";
}

}  // namespace

PopupKiller::PopupKiller(const platform::Platform& platform)
    : context_(std::make_shared<PopupContext>(platform.browser, platform.input, platform.ui)),
      switch_(platform.settings, context_->state) {}

void PopupKiller::CreateTracker(std::shared_ptr<cIEWindows>& IEWin) {
  try {
    cIEWindows::Create(context_, IEWin);
  } catch (const platform::Failure& failure) {
    throw platform::Failure(failure.domain(), failure.status(),
                            std::string(kCannotWatchMessage) + AsReason(failure.what()));
  }
}

void PopupKiller::chkPopupKillerActivate_Click(platform::Window& window,
                                               platform::ControlId check_box) {
  switch_.chkPopupKillerActivate_Click(window, check_box);
}

}  // namespace velqor::popup
