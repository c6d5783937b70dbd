#include <windows.h>

#include <cstdlib>

#include "gtest/internal/custom/gtest-port.h"

namespace testing::internal {

Notification::Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (event_ == nullptr) {
    std::abort();  // GoogleTest's own would not survive a failed lock either
  }
}

Notification::~Notification() {
  CloseHandle(event_);
}

void Notification::Notify() {
  SetEvent(event_);
}

void Notification::WaitForNotification() {
  WaitForSingleObject(event_, INFINITE);
}

}  // namespace testing::internal
