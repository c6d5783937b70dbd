#include "platform/failure.h"

#include <cstdio>

namespace velqor::platform {

namespace {

constexpr std::uint32_t kFacilityWin32 = 7;
constexpr std::uint32_t kEFail = 0x80004005U;

std::string DescribeHresult(std::int32_t hr) {
  const auto bits = static_cast<std::uint32_t>(hr);
  switch (bits) {
    case 0x80004001U:
      return "not implemented";
    case 0x80004002U:
      return "no such interface";
    case 0x80004003U:
      return "invalid pointer";
    case 0x80004005U:
      return "unspecified error";
    case 0x8000FFFFU:
      return "unexpected failure";
    case 0x80040154U:
      return "class not registered";
    case 0x80040200U:
      return "no connection points";
    case 0x800401F0U:
      return "COM is not initialised";
    case 0x80010108U:
      return "the object has disconnected from its clients";
    default:
      break;
  }
  if (((bits >> 16) & 0x1FFFU) == kFacilityWin32) {
    return DescribeStatus(static_cast<Status>(bits & 0xFFFFU));
  }
  char text[24];
  std::snprintf(text, sizeof text, "COM error %08X", static_cast<unsigned>(bits));
  return text;
}

std::string DescribeAutomation(std::int32_t code) {
  switch (code) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 9:
      return "Subscript out of range";
    case 13:
      return "Type mismatch";
    default:
      return "Automation error " + std::to_string(code);
  }
}

}  // namespace

std::string DescribeStatus(Status status) {
  switch (status) {
    case kSuccess:
      return "success";
    case kFileNotFound:
      return "not found";
    case kAccessDenied:
      return "access denied";
    case kInvalidHandle:
      return "invalid handle";
    case kInvalidData:
      return "invalid data";
    case kInvalidParameter:
      return "invalid parameter";
    case kMoreData:
      return "more data is available";
    case kNoMoreItems:
      return "no more items";
    default:
      return "error " + std::to_string(status);
  }
}

std::string DescribeError(ErrorDomain domain, std::int32_t code) {
  switch (domain) {
    case ErrorDomain::kWin32:
      return DescribeStatus(code) + " (" + std::to_string(code) + ")";
    case ErrorDomain::kHresult:
      return DescribeHresult(code);
    case ErrorDomain::kAutomation:
      return DescribeAutomation(code);
  }
  return DescribeStatus(code);
}

Failure MakeFailure(ErrorDomain domain, std::int32_t code, std::string_view what) {
  if (domain == ErrorDomain::kWin32 && code == kSuccess) {
    code = kInvalidParameter;
  } else if (domain == ErrorDomain::kHresult && code >= 0) {
    code = static_cast<std::int32_t>(kEFail);
  }
  std::string message(what);
  if (!message.empty()) {
    message += ": ";
  }
  message += DescribeError(domain, code);
  return Failure(domain, code, message);
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
