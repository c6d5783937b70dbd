// The one failure type of the program and the Win32 status codes it speaks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velqor::platform {

// A Win32 status code (LONG): 0 is success.
using Status = std::int32_t;

inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kInvalidData = 13;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;

// A short English description of a status, identical on every platform so that messages and
// tests do not depend on the system's language; unknown codes read "error N".
std::string DescribeStatus(Status status);

// What the program "raises": an operation that failed, with its Win32 status (or HRESULT) and a
// message that a user can read ("RegWrite \"HKLM\\...\" failed: access denied (5)").
class Failure : public std::runtime_error {
 public:
  Failure(Status status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  Status status() const noexcept { return status_; }

 private:
  Status status_;
};

// Raises a Failure "<what> failed: <description> (<status>)" when status is not success.
void ThrowIfFailed(Status status, const std::string& what);

// Runs one step of a guarded sequence: a Failure it raises is swallowed. Returns whether the step
// completed.
template <typename Step>
bool Guarded(Step&& step) {
  try {
    step();
    return true;
  } catch (const Failure&) {
    return false;
  }
}

}  // namespace velqor::platform
