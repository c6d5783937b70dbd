// The failure of a Win32 call that reports through the thread's last error.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/failure.h"

namespace velqor::platform::win32 {

// Raises "<what>: <description> (<status>)" with GetLastError's status; a call that failed
// without setting one reads as kInvalidParameter.
[[noreturn]] inline void ThrowLastError(std::string_view what) {
  throw MakeFailure(ErrorDomain::kWin32, static_cast<Status>(GetLastError()), what);
}

}  // namespace velqor::platform::win32
