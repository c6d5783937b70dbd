// The enumeration routines as the startup manager uses them on a Run key:
// buffers, trimming, empty results on every failure, and names of entries whose
// command lines are long.
#include "registry/enumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "unit/recording_registry.h"

namespace velqor::registry {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegEnumTest : public ::testing::Test {
 protected:
  platform::KeyHandle OpenRun() {
    const platform::KeyHandle key = enum_.OpenRegKey(kHkeyCurrentUser, kRun);
    EXPECT_NE(key, 0U);
    handles_.push_back(key);
    return key;
  }
  void TearDown() override {
    for (const platform::KeyHandle key : handles_) sim_.CloseKey(key);
  }

  platform::sim::SimRegistry sim_;
  testing::RecordingRegistry recorder_{sim_};
  RegEnum enum_{recorder_};
  std::vector<platform::KeyHandle> handles_;
};

TEST_F(RegEnumTest, OpenRegKeyOpensForQueryOnlyAndGivesZeroOnFailure) {
  sim_.SeedKey(kHkeyLocalMachine, kRun);
  const platform::KeyHandle key = enum_.OpenRegKey(kHkeyLocalMachine, kRun);
  ASSERT_NE(key, 0U);
  ASSERT_EQ(recorder_.calls().size(), 1U);
  EXPECT_EQ(recorder_.calls()[0].number, platform::kKeyQueryValue);
  const std::uint8_t byte = 0;
  EXPECT_EQ(sim_.SetValue(key, "x", platform::kRegSz, &byte, 1), platform::kAccessDenied);
  EXPECT_EQ(sim_.CloseKey(key), platform::kSuccess);

  EXPECT_EQ(enum_.OpenRegKey(kHkeyCurrentUser, kRun), 0U);
  EXPECT_EQ(enum_.OpenRegKey(0, kRun), 0U);
  sim_.DenyKey(kHkeyLocalMachine, kRun, platform::kKeyQueryValue);
  EXPECT_EQ(enum_.OpenRegKey(kHkeyLocalMachine, kRun), 0U);
  EXPECT_EQ(sim_.OpenHandleCount(), 0U);
}

TEST_F(RegEnumTest, GetKeyCountCountsValuesOrSubkeysAndNothingElse) {
  sim_.SeedKey(kHkeyCurrentUser, kRun);
  const platform::KeyHandle key = OpenRun();
  EXPECT_EQ(enum_.GetKeyCount(key, 0), 0);
  EXPECT_EQ(enum_.GetKeyCount(key, 1), 0);
  sim_.SeedText(kHkeyCurrentUser, kRun, "one", "a.exe");
  sim_.SeedText(kHkeyCurrentUser, kRun, "", "default counts too");
  sim_.SeedKey(kHkeyCurrentUser, std::string(kRun) + "\\Sub");
  EXPECT_EQ(enum_.GetKeyCount(key, 0), 2);
  EXPECT_EQ(enum_.GetKeyCount(key, 1), 1);

  recorder_.Clear();
  EXPECT_EQ(enum_.GetKeyCount(key, 2), 0);
  EXPECT_EQ(enum_.GetKeyCount(key, -1), 0);
  EXPECT_TRUE(recorder_.calls().empty()) << "other modes must not call the registry";
  EXPECT_EQ(enum_.GetKeyCount(0, 0), 0);
  EXPECT_EQ(enum_.GetKeyCount(0, 1), 0);
}

TEST_F(RegEnumTest, NamesLoseLeadingSpacesAndKeepTrailingOnes) {
  struct Row {
    std::string stored;
    std::string shown;
  };
  const std::vector<Row> rows = {
      {"Plain", "Plain"},
      {"  Leading", "Leading"},
      {"Trailing  ", "Trailing  "},
      {"  Both  ", "Both  "},
      {"   ", ""},
      {"", ""},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const Row& row : rows) {
    sim_.SeedText(kHkeyCurrentUser, kRun, row.stored, "x.exe");
  }
  const platform::KeyHandle key = OpenRun();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].stored);
    EXPECT_EQ(enum_.EnumRegValueName(key, static_cast<std::int32_t>(i)), rows[i].shown);
    EXPECT_EQ(enum_.ExactValueName(key, static_cast<std::int32_t>(i)), rows[i].stored);
  }
}

TEST_F(RegEnumTest, NoValueAtTheIndexGivesEmptyText) {
  sim_.SeedText(kHkeyCurrentUser, kRun, "only", "x.exe");
  const platform::KeyHandle key = OpenRun();
  EXPECT_EQ(enum_.EnumRegValueName(key, 0), "only");
  for (const std::int32_t index : {1, 2, -1}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(enum_.EnumRegValueName(key, index), "");
    EXPECT_EQ(enum_.ExactValueName(key, index), "");
  }
  EXPECT_EQ(enum_.EnumRegValueName(0, 0), "");
  sim_.FailNext(platform::sim::SimRegistry::Operation::kEnumValue, platform::kAccessDenied);
  EXPECT_EQ(enum_.EnumRegValueName(key, 0), "");
}

TEST_F(RegEnumTest, EnumerationOffersFixedBuffersWithTheScratchZeroedEveryTime) {
  sim_.SeedText(kHkeyCurrentUser, kRun, "first", std::string(200, 'a'));
  sim_.SeedText(kHkeyCurrentUser, kRun, "second", "b.exe");
  const platform::KeyHandle key = OpenRun();
  recorder_.Clear();
  EXPECT_EQ(enum_.EnumRegValueName(key, 0), "first");
  EXPECT_EQ(enum_.EnumRegValueName(key, 1), "second");
  ASSERT_EQ(recorder_.calls().size(), 2U);
  for (const testing::RegistryCall& call : recorder_.calls()) {
    SCOPED_TRACE(call.number);
    EXPECT_EQ(call.name_length, 261U);
    EXPECT_EQ(call.name_buffer, std::string(261, ' '));
    EXPECT_TRUE(call.data_given);
    EXPECT_EQ(call.data_length, 255U);
    EXPECT_TRUE(std::all_of(call.data.begin(), call.data.end(), [](auto b) { return b == 0; }))
        << "the data buffer must be zeroed before every call";
  }
}

// A command line that does not fit the 255-byte data buffer: the name must
// still come back, and must not read as the default value.
TEST_F(RegEnumTest, EntryWithALongCommandLineStillShowsItsName) {
  const std::string command = "C:\\Program Files\\" + std::string(290, 'x') + ".exe /startup";
  sim_.SeedText(kHkeyCurrentUser, kRun, "", "the default value");
  sim_.SeedText(kHkeyCurrentUser, kRun, "LongEntry", command);
  sim_.SeedText(kHkeyCurrentUser, kRun, "Fits", std::string(254, 'f'));  // 255 with its NUL
  sim_.SeedText(kHkeyCurrentUser, kRun, "JustOver", std::string(255, 'o'));
  const platform::KeyHandle key = OpenRun();
  EXPECT_EQ(enum_.EnumRegValueName(key, 1), "LongEntry");
  EXPECT_EQ(enum_.ExactValueName(key, 1), "LongEntry");
  EXPECT_EQ(enum_.QueryRegValue(key, enum_.EnumRegValueName(key, 1)), command);
  EXPECT_EQ(enum_.EnumRegValueName(key, 2), "Fits");
  EXPECT_EQ(enum_.EnumRegValueName(key, 3), "JustOver");
}

TEST_F(RegEnumTest, NameLongerThanTheNameBufferComesBackWhole) {
  const std::string name = "  " + std::string(298, 'n');
  sim_.SeedText(kHkeyCurrentUser, kRun, name, std::string(400, 'd'));
  const platform::KeyHandle key = OpenRun();
  EXPECT_EQ(enum_.EnumRegValueName(key, 0), name.substr(2));
  EXPECT_EQ(enum_.ExactValueName(key, 0), name);
}

TEST_F(RegEnumTest, QueryReadsDataAsTextUpToTheFirstNul) {
  struct Row {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::string text;
  };
  const std::string long_text(1023, 'q');
  std::vector<std::uint8_t> exact(long_text.begin(), long_text.end());
  exact.push_back(0);
  std::vector<std::uint8_t> too_long(1024, 'z');
  too_long.push_back(0);
  std::vector<std::uint8_t> full_no_nul(1022, 'w');
  full_no_nul.push_back(' ');
  full_no_nul.push_back(' ');
  const std::vector<Row> rows = {
      {"text", platform::kRegSz, {'a', '.', 'e', 'x', 'e', 0}, "a.exe"},
      {"spaces", platform::kRegSz, {' ', ' ', 'a', ' ', ' ', 0}, "a  "},
      {"1023 bytes", platform::kRegSz, exact, long_text},
      {"1025 bytes", platform::kRegSz, too_long, ""},
      {"1024 without nul", platform::kRegBinary, full_no_nul, std::string(1022, 'w')},
      {"dword", platform::kRegDword, {'1', 0, 0, 0}, "1"},
      {"leading zero", platform::kRegBinary, {0, 'a', 'b'}, ""},
      {"no nul", platform::kRegBinary, {'a', 'b'}, "ab"},
      {"ansi",
       platform::kRegSz,
       {'G', 'r', 0xFC, 0xDF, 'e', 0},
       "Gr\xC3\xBC\xC3\x9F"
       "e"},
      {"empty", platform::kRegSz, {}, ""},
  };
  for (const Row& row : rows) {
    sim_.Seed(kHkeyCurrentUser, kRun, row.name, row.type, row.bytes);
  }
  const platform::KeyHandle key = OpenRun();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(enum_.QueryRegValue(key, row.name), row.text);
  }
  EXPECT_EQ(enum_.QueryRegValue(key, "missing"), "");
  EXPECT_EQ(enum_.QueryRegValue(0, "text"), "");
  recorder_.Clear();
  enum_.QueryRegValue(key, "text");
  ASSERT_EQ(recorder_.calls().size(), 1U);
  EXPECT_EQ(recorder_.calls()[0].data_length, 1024U);
  EXPECT_EQ(recorder_.calls()[0].data, std::vector<std::uint8_t>(1024, 0));
}

TEST_F(RegEnumTest, QueryWithoutTheDefaultValueSetIsEmpty) {
  sim_.SeedText(kHkeyCurrentUser, kRun, "named", "a.exe");
  const platform::KeyHandle key = OpenRun();
  EXPECT_EQ(enum_.QueryRegValue(key, ""), "");
  sim_.SeedText(kHkeyCurrentUser, kRun, "", "default.exe");
  EXPECT_EQ(enum_.QueryRegValue(key, ""), "default.exe");
  EXPECT_EQ(enum_.QueryRegValue(key, "NAMED"), "a.exe");
}

}  // namespace
}  // namespace velqor::registry
