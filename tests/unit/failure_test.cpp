#include <gtest/gtest.h>

#include "platform/failure.h"

TEST(Failure, CarriesStatusAndReadableMessage) {
  try {
    velqor::platform::ThrowIfFailed(5, "RegWrite \"HKLM\\x\"");
    FAIL();
  } catch (const velqor::platform::Failure& f) {
    EXPECT_EQ(f.status(), 5);
    EXPECT_STREQ(f.what(), "RegWrite \"HKLM\\x\" failed: access denied (5)");
  }
}
