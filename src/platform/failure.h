// The one failure type of the program, the codes it carries and the one place that words them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

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

// Where a failure's code comes from: the same number means different things in each (5 is
// "access denied" from Win32 and "Invalid procedure call or argument" from automation).
enum class ErrorDomain {
  kWin32,       // a Win32 status (GetLastError, the registry's LONG)
  kHresult,     // a COM HRESULT
  kAutomation,  // an automation run-time error number (5, 6, 9, 13)
};

// The reason part of a failure message: "access denied (5)" for a Win32 status; the text alone
// for an HRESULT ("class not registered"), whose number means nothing to a user; the error's own
// text for an automation error ("Type mismatch").
std::string DescribeError(ErrorDomain domain, std::int32_t code);

// What the program "raises": an operation that failed, with its code, the code's domain and a
// message that a user can read ("RegWrite \"HKLM\\...\" failed: access denied (5)").
class Failure : public std::runtime_error {
 public:
  Failure(ErrorDomain domain, std::int32_t code, const std::string& message)
      : std::runtime_error(message), status_(code), domain_(domain) {}
  // A Win32 status.
  Failure(Status status, const std::string& message)
      : Failure(ErrorDomain::kWin32, status, message) {}
  // The code in its domain.
  Status status() const noexcept { return status_; }
  ErrorDomain domain() const noexcept { return domain_; }

 private:
  Status status_;
  ErrorDomain domain_;
};

// The one factory of failure messages: "<what>: <reason>" (DescribeError), or the reason alone
// when `what` is empty. A success code (a call that failed without saying why) is raised as
// kInvalidParameter or E_FAIL, so that no failure ever reads or carries success.
Failure MakeFailure(ErrorDomain domain, std::int32_t code, std::string_view what);

// Raises MakeFailure(kWin32, status, "<what> failed") when status is not success.
void ThrowIfFailed(Status status, const std::string& what);
// Raises MakeFailure(kHresult, hr, what) when hr is a failure (negative).
void ThrowIfFailedHr(std::int32_t hr, const std::string& what);

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
