#include "platform/failure.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace velqor::platform {

namespace {

constexpr std::uint32_t kFacilityWin32 = 7;
constexpr std::uint32_t kEFail = 0x80004005U;

constexpr std::pair<Status, const char*> kStatuses[] = {
    {kSuccess, "success"},
    {kFileNotFound, "not found"},
    {kAccessDenied, "access denied"},
    {kInvalidHandle, "invalid handle"},
    {kInvalidData, "invalid data"},
    {kInvalidParameter, "invalid parameter"},
    {kMoreData, "more data is available"},
    {kNoMoreItems, "no more items"},
};

constexpr std::pair<std::uint32_t, const char*> kHresults[] = {
    {0x80004001U, "not implemented"},
    {0x80004002U, "no such interface"},
    {0x80004003U, "invalid pointer"},
    {kEFail, "unspecified error"},
    {0x8000FFFFU, "unexpected failure"},
    {0x80040154U, "class not registered"},
    {0x80040200U, "no connection points"},
    {0x800401F0U, "COM is not initialised"},
    {0x80010108U, "the object has disconnected from its clients"},
};

constexpr std::pair<std::int32_t, const char*> kAutomationErrors[] = {
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {9, "Subscript out of range"},
    {13, "Type mismatch"},
};

// The table's text for `code`, or nullptr when it has none.
template <typename Code, std::size_t N>
const char* Find(const std::pair<Code, const char*> (&table)[N], Code code) {
  const auto* found = std::find_if(std::begin(table), std::end(table),
                                   [code](const auto& row) { return row.first == code; });
  return found != std::end(table) ? found->second : nullptr;
}

// A short English description of a Win32 status, identical on every platform so that messages
// and tests do not depend on the system's language; unknown codes read "error N".
std::string DescribeStatus(Status status) {
  const char* text = Find(kStatuses, status);
  return text != nullptr ? text : "error " + std::to_string(status);
}

std::string DescribeHresult(std::int32_t hr) {
  const auto bits = static_cast<std::uint32_t>(hr);
  if (const char* text = Find(kHresults, bits)) {
    return text;
  }
  if (((bits >> 16) & 0x1FFFU) == kFacilityWin32) {
    return DescribeStatus(static_cast<Status>(bits & 0xFFFFU));
  }
  char text[24];
  std::snprintf(text, sizeof text, "COM error %08X", static_cast<unsigned>(bits));
  return text;
}

}  // namespace

std::string DescribeError(ErrorDomain domain, std::int32_t code) {
  switch (domain) {
    case ErrorDomain::kWin32:
      return DescribeStatus(code) + " (" + std::to_string(code) + ")";
    case ErrorDomain::kHresult:
      return DescribeHresult(code);
    case ErrorDomain::kAutomation: {
      const char* text = Find(kAutomationErrors, code);
      return text != nullptr ? text : "Automation error " + std::to_string(code);
    }
  }
  return DescribeStatus(code);
}

Failure MakeFailure(ErrorDomain domain, std::int32_t code, std::string_view what) {
  if (domain == ErrorDomain::kWin32 && code == kSuccess) {
    code = kInvalidParameter;
  } else if (domain == ErrorDomain::kHresult && code >= 0) {
    code = static_cast<std::int32_t>(kEFail);
  }
  const std::string reason = DescribeError(domain, code);
  return Failure(domain, code, what.empty() ? reason : std::string(what) + ": " + reason);
}

void ThrowIfFailed(Status status, const std::string& what) {
  if (status != kSuccess) {
    throw MakeFailure(ErrorDomain::kWin32, status, what + " failed");
  }
}

void ThrowIfFailedHr(std::int32_t hr, const std::string& what) {
  if (hr < 0) {
    throw MakeFailure(ErrorDomain::kHresult, hr, what);
  }
}

}  // namespace velqor::platform
