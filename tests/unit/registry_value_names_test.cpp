// Both forms of a value's name from one enumeration: the same as the shown and the exact name
// asked for one by one, including names of values whose data do not fit the data buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "registry/enumeration.h"
#include "unit/recording_registry.h"

namespace velqor::registry {
namespace {

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(RegEnumValueNames, MatchTheTwoSeparateNamesWithOneEnumerationEach) {
  platform::sim::SimRegistry sim;
  testing::RecordingRegistry recorder{sim};
  RegEnum reg_enum{recorder};
  const std::vector<std::string> stored = {"Plain", "  Leading", "Trailing  ",
                                           "   ",   "",          "caf\xC3\xA9"};
  for (const std::string& name : stored) {
    sim.SeedText(platform::kHkeyCurrentUser, kRun, name, "x.exe");
  }
  // A command line longer than the enumeration's data buffer: the name is asked for again.
  sim.SeedText(platform::kHkeyCurrentUser, kRun, "  Long", std::string(600, 'c'));
  const platform::KeyHandle key = reg_enum.OpenRegKey(platform::kHkeyCurrentUser, kRun);
  ASSERT_NE(key, 0U);

  const auto count = static_cast<std::int32_t>(stored.size() + 1);
  for (std::int32_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    const std::string shown = reg_enum.EnumRegValueName(key, i);
    const std::string exact = reg_enum.ExactValueName(key, i);
    recorder.Clear();
    const ValueNames both = reg_enum.EnumRegValueNames(key, i);
    EXPECT_EQ(both.shown, shown);
    EXPECT_EQ(both.exact, exact);
    // As many calls as one name costs: one, or two when the data did not fit.
    EXPECT_EQ(recorder.calls().size(), i == count - 1 ? 2U : 1U);
  }
  EXPECT_EQ(reg_enum.EnumRegValueNames(key, count).exact, "");
  EXPECT_EQ(reg_enum.EnumRegValueNames(key, count).shown, "");
  EXPECT_EQ(reg_enum.EnumRegValueNames(key, 0).exact, "Plain");
  EXPECT_EQ(reg_enum.EnumRegValueNames(key, count - 1).shown, "Long");
  EXPECT_EQ(reg_enum.EnumRegValueNames(0, 0).exact, "");
  EXPECT_EQ(sim.CloseKey(key), platform::kSuccess);
}

}  // namespace
}  // namespace velqor::registry
