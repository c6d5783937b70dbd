#include "platform/failure.h"

namespace velqor::platform {

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

void ThrowIfFailed(Status status, const std::string& what) {
  if (status != kSuccess) {
    throw Failure(
        status, what + " failed: " + DescribeStatus(status) + " (" + std::to_string(status) + ")");
  }
}

}  // namespace velqor::platform
