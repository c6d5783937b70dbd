#include "platform/failure.h"

#include <gtest/gtest.h>

namespace velqor::platform {
namespace {

TEST(Failure, CarriesStatusAndReadableMessage) {
  try {
    ThrowIfFailed(5, "RegWrite \"HKLM\\x\"");
    FAIL();
  } catch (const Failure& f) {
    EXPECT_EQ(f.status(), 5);
    EXPECT_STREQ(f.what(), "RegWrite \"HKLM\\x\" failed: access denied (5)");
  }
}

// The code keeps its domain, a failure never carries success, and the text says the code it
// carries.
TEST(Failure, EachDomainWordsItsOwnCodes) {
  const Failure win32 = MakeFailure(ErrorDomain::kWin32, kSuccess, "Could not create a frame");
  EXPECT_EQ(win32.status(), kInvalidParameter);
  EXPECT_STREQ(win32.what(), "Could not create a frame: invalid parameter (87)");

  const Failure automation = MakeFailure(ErrorDomain::kAutomation, 5, "");
  EXPECT_EQ(automation.domain(), ErrorDomain::kAutomation);
  EXPECT_STREQ(automation.what(), "Invalid procedure call or argument");

  const auto class_not_registered = static_cast<std::int32_t>(0x80040154U);
  EXPECT_THROW(ThrowIfFailedHr(class_not_registered, "The list"), Failure);
  EXPECT_NO_THROW(ThrowIfFailedHr(1, "S_FALSE succeeds"));
  const Failure hr = MakeFailure(ErrorDomain::kHresult, class_not_registered, "The list");
  EXPECT_STREQ(hr.what(), "The list: class not registered");
  EXPECT_EQ(DescribeError(ErrorDomain::kHresult, static_cast<std::int32_t>(0x80070005U)),
            "access denied");
  EXPECT_EQ(MakeFailure(ErrorDomain::kHresult, 0, "x").status(),
            static_cast<std::int32_t>(0x80004005U));
}

}  // namespace
}  // namespace velqor::platform
