// The handle-based writers: what they hand the registry, what they store, and
// that they never report or leak anything when the registry refuses them.
#include "registry/access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "unit/recording_registry.h"

namespace velqor::registry {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using Bytes = std::vector<std::uint8_t>;

constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VXD\\MSTCP";

class RegistryAccessTest : public ::testing::Test {
 protected:
  platform::sim::SimRegistry sim_;
  testing::RecordingRegistry recorder_{sim_};
  RegistryAccess access_{recorder_};
};

TEST_F(RegistryAccessTest, SetKeyValueWritesOnlyIntoAMachineKeyThatExists) {
  const std::string before = sim_.Snapshot();
  access_.SetKeyValue(kMstcp, "DefaultRcvWindow", "372300", 1);
  EXPECT_EQ(sim_.Snapshot(), before);

  access_.CreateNewKey(kMstcp, kHkeyLocalMachine);
  EXPECT_TRUE(sim_.KeyExists(kHkeyLocalMachine, kMstcp));
  access_.SetKeyValue(kMstcp, "DefaultRcvWindow", "372300", 1);
  const auto stored = sim_.Find(kHkeyLocalMachine, kMstcp, "DefaultRcvWindow");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, platform::kRegSz);
  EXPECT_EQ(stored->bytes, Bytes({'3', '7', '2', '3', '0', '0', 0}));
  EXPECT_FALSE(sim_.KeyExists(kHkeyCurrentUser, kMstcp));
  EXPECT_EQ(sim_.OpenHandleCount(), 0U);
}

TEST_F(RegistryAccessTest, SetKeyValueeWritesUnderTheUserRootOnly) {
  sim_.SeedKey(kHkeyLocalMachine, "Software\\Only\\Machine");
  const std::string before = sim_.Snapshot();
  access_.SetKeyValuee("Software\\Only\\Machine", "v", "1", 4);
  EXPECT_EQ(sim_.Snapshot(), before);

  sim_.SeedKey(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
  access_.SetKeyValuee("software\\microsoft\\windows\\currentversion\\internet settings",
                       "MaxConnectionsPerServer", "10", 4);
  EXPECT_EQ(sim_.FindDword(kHkeyCurrentUser,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                           "MaxConnectionsPerServer"),
            10U);
}

// The exact calls: access 0x3F (not KEY_ALL_ACCESS), the value writers' last
// two arguments swapped on the way to WriteRegValue, and a close of the handle
// even when it is 0.
TEST_F(RegistryAccessTest, WritersOpenWithTheKeyRightsAndAlwaysClose) {
  access_.SetKeyValue("Missing", "v", "8", 4);
  ASSERT_EQ(recorder_.Operations(), (std::vector<std::string>{"OpenKey", "SetValue", "CloseKey"}));
  EXPECT_EQ(recorder_.calls()[0].key, kHkeyLocalMachine);
  EXPECT_EQ(recorder_.calls()[0].number, 0x3FU);
  EXPECT_EQ(recorder_.calls()[1].key, 0U);
  EXPECT_EQ(recorder_.calls()[1].status, platform::kInvalidHandle);
  EXPECT_EQ(recorder_.calls()[2].key, 0U);
  EXPECT_EQ(recorder_.calls()[2].status, platform::kInvalidHandle);

  recorder_.Clear();
  sim_.SeedKey(kHkeyCurrentUser, "Present");
  access_.SetKeyValuee("Present", "Name", "8", 4);
  ASSERT_EQ(recorder_.calls().size(), 3U);
  EXPECT_EQ(recorder_.calls()[0].key, kHkeyCurrentUser);
  EXPECT_EQ(recorder_.calls()[0].number, 0x3FU);
  EXPECT_EQ(recorder_.calls()[1].text, "Name");
  EXPECT_EQ(recorder_.calls()[1].number, platform::kRegDword);
  EXPECT_EQ(recorder_.calls()[1].data, Bytes({8, 0, 0, 0}));
  EXPECT_NE(recorder_.calls()[2].key, 0U);
  EXPECT_EQ(recorder_.calls()[2].status, platform::kSuccess);

  recorder_.Clear();
  access_.CreateNewKey("A\\B", kHkeyLocalMachine);
  ASSERT_EQ(recorder_.Operations(), (std::vector<std::string>{"CreateKey", "CloseKey"}));
  EXPECT_EQ(recorder_.calls()[0].number, 0x3FU);
  EXPECT_EQ(sim_.OpenHandleCount(), 0U);
}

TEST_F(RegistryAccessTest, WriteRegValueStoresTextWithItsNulAndNumbersLittleEndian) {
  struct Row {
    std::int32_t type;
    std::string value;
    std::uint32_t stored_type;
    Bytes bytes;
  };
  const std::vector<Row> rows = {
      {1, "1500", platform::kRegSz, {'1', '5', '0', '0', 0}},
      {1, "", platform::kRegSz, {0}},
      {1, "caf\xC3\xA9", platform::kRegSz, {'c', 'a', 'f', 0xE9, 0}},  // ANSI bytes + 1
      {4, "8", platform::kRegDword, {8, 0, 0, 0}},
      {4, "372300", platform::kRegDword, {0x4C, 0xAE, 0x05, 0x00}},
      {4, "-1", platform::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}},
      {4, "2147483647", platform::kRegDword, {0xFF, 0xFF, 0xFF, 0x7F}},
      {4, "-2147483648", platform::kRegDword, {0x00, 0x00, 0x00, 0x80}},
  };
  sim_.SeedKey(kHkeyCurrentUser, "K");
  platform::KeyHandle key = 0;
  ASSERT_EQ(sim_.OpenKey(kHkeyCurrentUser, "K", 0x3F, key), platform::kSuccess);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(access_.WriteRegValue(key, "v", row.type, row.value), platform::kSuccess);
    const auto stored = sim_.Find(kHkeyCurrentUser, "K", "v");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, row.stored_type);
    EXPECT_EQ(stored->bytes, row.bytes);
  }
  EXPECT_EQ(sim_.CloseKey(key), platform::kSuccess);
}

TEST_F(RegistryAccessTest, WriteRegValueWritesNothingForOtherTypesOrBadNumbers) {
  sim_.SeedKey(kHkeyCurrentUser, "K");
  platform::KeyHandle key = 0;
  ASSERT_EQ(sim_.OpenKey(kHkeyCurrentUser, "K", 0x3F, key), platform::kSuccess);
  const std::string before = sim_.Snapshot();
  for (const std::int32_t type : {0, 2, 3, 7, -1}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(access_.WriteRegValue(key, "v", type, "1"), platform::kSuccess);
  }
  for (const std::string bad :
       {"", "abc", "6 ", " 6", "2147483648", "-2147483649", "0x10", "1.5", "+"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(access_.WriteRegValue(key, "v", 4, bad), platform::kInvalidData);
  }
  EXPECT_EQ(sim_.Snapshot(), before);
  EXPECT_EQ(access_.WriteRegValue(0, "v", 1, "1"), platform::kInvalidHandle);
  EXPECT_EQ(access_.WriteRegValue(0, "v", 4, "1"), platform::kInvalidHandle);
  EXPECT_EQ(sim_.CloseKey(key), platform::kSuccess);
}

TEST_F(RegistryAccessTest, RefusedWritesFailSilentlyAndLeaveNoKeyOrHandle) {
  sim_.DenyWrites(kHkeyLocalMachine);
  const std::string before = sim_.Snapshot();
  EXPECT_NO_THROW({
    access_.CreateNewKey(kMstcp, kHkeyLocalMachine);
    access_.SetKeyValue(kMstcp, "Tcp1323Opts", "1", 4);
  });
  EXPECT_EQ(sim_.Snapshot(), before);
  EXPECT_EQ(sim_.OpenHandleCount(), 0U);

  sim_.SeedKey(kHkeyCurrentUser, "Locked");
  sim_.DenyKey(kHkeyCurrentUser, "Locked");
  access_.SetKeyValuee("Locked", "v", "1", 1);
  EXPECT_FALSE(sim_.Find(kHkeyCurrentUser, "Locked", "v"));
  sim_.FailNext(platform::sim::SimRegistry::Operation::kSetValue, platform::kAccessDenied);
  sim_.SeedKey(kHkeyCurrentUser, "Open");
  access_.SetKeyValuee("Open", "v", "1", 1);
  EXPECT_FALSE(sim_.Find(kHkeyCurrentUser, "Open", "v"));
  EXPECT_EQ(sim_.OpenHandleCount(), 0U);
}

TEST_F(RegistryAccessTest, NamesMatchTheBoostersAndTheRestoresSpelling) {
  access_.CreateNewKey("System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters",
                       kHkeyLocalMachine);
  access_.SetKeyValue("SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters", "Tcp1323Opts",
                      "1", 4);
  const auto stored =
      sim_.Find(kHkeyLocalMachine, "System\\CurrentControlSet\\Services\\VXD\\MSTCP\\Parameters",
                "TCP1323OPTS");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->name, "Tcp1323Opts");
  EXPECT_EQ(sim_.StoredKeyName(kHkeyLocalMachine, "system\\currentcontrolset\\services\\vxd"),
            "VXD");
}

}  // namespace
}  // namespace velqor::registry
