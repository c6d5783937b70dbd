// What the program relies on from the registry, checked against the simulation
// natively and against advapi32 under Wine: the simulation is trusted only as
// far as it passes this suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry_env.h"

namespace velqor::contract {
namespace {

using platform::KeyHandle;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::Status;

struct Stored {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> TextBytes(std::string_view ansi) {
  std::vector<std::uint8_t> bytes(ansi.begin(), ansi.end());
  bytes.push_back(0);
  return bytes;
}

template <typename Env>
class RegistryContract : public ::testing::Test {
 protected:
  platform::Registry& reg() { return env_.registry(); }

  static std::string Path(std::string_view sub) {
    std::string path = kTestKey;
    if (!sub.empty()) {
      path += '\\';
      path += sub;
    }
    return path;
  }

  // Creates the test subkey (with its parents); closed when the test ends.
  KeyHandle Create(KeyHandle root, std::string_view sub,
                   std::uint32_t access = platform::kKeySpecificRights) {
    KeyHandle key = 0;
    const Status status = reg().CreateKey(root, Path(sub), access, key);
    EXPECT_EQ(status, platform::kSuccess) << Path(sub);
    open_.push_back(key);
    return key;
  }
  KeyHandle Open(KeyHandle root, std::string_view sub, std::uint32_t access) {
    KeyHandle key = 0;
    const Status status = reg().OpenKey(root, Path(sub), access, key);
    EXPECT_EQ(status, platform::kSuccess) << Path(sub);
    open_.push_back(key);
    return key;
  }
  void Close(KeyHandle key) {
    EXPECT_EQ(reg().CloseKey(key), platform::kSuccess);
    open_.erase(std::remove(open_.begin(), open_.end(), key), open_.end());
  }

  Status Set(KeyHandle key, std::string_view name, std::uint32_t type,
             const std::vector<std::uint8_t>& bytes) {
    return reg().SetValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
  std::optional<Stored> Query(KeyHandle key, std::string_view name) {
    std::uint32_t length = 0;
    if (reg().QueryValue(key, name, nullptr, nullptr, &length) != platform::kSuccess) {
      return std::nullopt;
    }
    Stored stored;
    stored.bytes.resize(length);
    EXPECT_EQ(reg().QueryValue(key, name, &stored.type, stored.bytes.data(), &length),
              platform::kSuccess);
    stored.bytes.resize(length);
    return stored;
  }
  std::uint32_t ValueCount(KeyHandle key) {
    std::uint32_t values = 0;
    EXPECT_EQ(reg().QueryInfoKey(key, nullptr, &values), platform::kSuccess);
    return values;
  }
  // Every value name in enumeration order, with a buffer large enough for any
  // name.
  std::vector<std::string> Names(KeyHandle key) {
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
      std::string name(16384, '\0');
      std::uint32_t length = 16384;
      const Status status =
          reg().EnumValue(key, index, name.data(), length, nullptr, nullptr, nullptr);
      if (status != platform::kSuccess) {
        EXPECT_EQ(status, platform::kNoMoreItems);
        break;
      }
      names.push_back(name.substr(0, length));
    }
    return names;
  }

  void TearDown() override {
    for (const KeyHandle key : open_) {
      reg().CloseKey(key);
    }
    if (const std::optional<std::size_t> open = env_.OpenHandles()) {
      EXPECT_EQ(*open, 0U) << "handles leaked";
    }
  }

  Env env_;
  std::vector<KeyHandle> open_;
};

TYPED_TEST_SUITE(RegistryContract, Environments);

TYPED_TEST(RegistryContract, CreateMakesEveryMissingParentAndOpensAnExistingKey) {
  const KeyHandle deep = this->Create(kHkeyLocalMachine, "One\\Two\\Three");
  ASSERT_NE(deep, 0U);
  ASSERT_EQ(this->Set(deep, "v", platform::kRegSz, TextBytes("x")), platform::kSuccess);
  const KeyHandle two = this->Open(kHkeyLocalMachine, "One\\Two", platform::kKeyQueryValue);
  std::uint32_t subkeys = 9;
  std::uint32_t values = 9;
  EXPECT_EQ(this->reg().QueryInfoKey(two, &subkeys, &values), platform::kSuccess);
  EXPECT_EQ(subkeys, 1U);
  EXPECT_EQ(values, 0U);
  // Creating it again opens the same key, with its value.
  const KeyHandle again = this->Create(kHkeyLocalMachine, "One\\Two\\Three");
  EXPECT_NE(again, deep);
  ASSERT_TRUE(this->Query(again, "v"));
  EXPECT_EQ(this->Query(again, "v")->bytes, TextBytes("x"));
  // A relative path from an open handle reaches the same key.
  KeyHandle relative = 0;
  ASSERT_EQ(this->reg().OpenKey(two, "Three", platform::kKeyQueryValue, relative),
            platform::kSuccess);
  this->open_.push_back(relative);
  EXPECT_EQ(this->ValueCount(relative), 1U);
}

TYPED_TEST(RegistryContract, OpenOfAMissingKeyFailsAndCreatesNothing) {
  this->Create(kHkeyCurrentUser, "");
  for (const std::uint32_t access : {platform::kKeyQueryValue, platform::kKeySpecificRights}) {
    SCOPED_TRACE(access);
    KeyHandle key = 1234;
    EXPECT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path("Missing\\Deeper"), access, key),
              platform::kFileNotFound);
    EXPECT_EQ(key, 0U);
    EXPECT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path("Missing"), access, key),
              platform::kFileNotFound);
  }
  const KeyHandle base = this->Open(kHkeyCurrentUser, "", platform::kKeyQueryValue);
  std::uint32_t subkeys = 9;
  EXPECT_EQ(this->reg().QueryInfoKey(base, &subkeys, nullptr), platform::kSuccess);
  EXPECT_EQ(subkeys, 0U);
}

TYPED_TEST(RegistryContract, HandleZeroAndClosedHandlesAreInvalid) {
  const std::uint8_t byte = 1;
  char name[8] = "unset";
  std::uint32_t name_length = sizeof(name);
  std::uint32_t length = 0;
  EXPECT_EQ(this->reg().SetValue(0, "v", platform::kRegBinary, &byte, 1), platform::kInvalidHandle);
  EXPECT_EQ(this->reg().CloseKey(0), platform::kInvalidHandle);
  EXPECT_EQ(this->reg().QueryInfoKey(0, nullptr, nullptr), platform::kInvalidHandle);
  EXPECT_EQ(this->reg().EnumValue(0, 0, name, name_length, nullptr, nullptr, nullptr),
            platform::kInvalidHandle);
  EXPECT_EQ(this->reg().QueryValue(0, "v", nullptr, nullptr, &length), platform::kInvalidHandle);
  EXPECT_EQ(this->reg().DeleteValue(0, "v"), platform::kInvalidHandle);
  KeyHandle key = 0;
  EXPECT_EQ(this->reg().OpenKey(0, "Software", platform::kKeyQueryValue, key),
            platform::kInvalidHandle);
  EXPECT_EQ(key, 0U);

  const KeyHandle closed = this->Create(kHkeyCurrentUser, "Closed");
  this->Close(closed);
  EXPECT_EQ(this->reg().CloseKey(closed), platform::kInvalidHandle);
  EXPECT_EQ(this->reg().SetValue(closed, "v", platform::kRegBinary, &byte, 1),
            platform::kInvalidHandle);
}

TYPED_TEST(RegistryContract, HandleWithoutSetValueRightCannotWrite) {
  const KeyHandle writer = this->Create(kHkeyCurrentUser, "Rights");
  ASSERT_EQ(this->Set(writer, "v", platform::kRegSz, TextBytes("x")), platform::kSuccess);
  const KeyHandle reader = this->Open(kHkeyCurrentUser, "Rights", platform::kKeyQueryValue);
  EXPECT_EQ(this->Set(reader, "w", platform::kRegSz, TextBytes("y")), platform::kAccessDenied);
  EXPECT_EQ(this->reg().DeleteValue(reader, "v"), platform::kAccessDenied);
  EXPECT_EQ(this->ValueCount(writer), 1U);
}

TYPED_TEST(RegistryContract, KeyAndValueNamesMatchWithoutRegardToCase) {
  const KeyHandle upper = this->Create(kHkeyLocalMachine, "Services\\VXD\\MSTCP\\Parameters");
  ASSERT_EQ(this->Set(upper, "Tcp1323Opts", platform::kRegSz, TextBytes("1")), platform::kSuccess);
  const KeyHandle mixed = this->Open(kHkeyLocalMachine, "services\\VxD\\mstcp\\PARAMETERS",
                                     platform::kKeySpecificRights);
  ASSERT_TRUE(this->Query(mixed, "TCP1323OPTS"));
  // Writing through another spelling replaces the value and keeps its first
  // name.
  ASSERT_EQ(this->Set(mixed, "tcp1323opts", platform::kRegSz, TextBytes("3")), platform::kSuccess);
  EXPECT_EQ(this->Names(upper), std::vector<std::string>{"Tcp1323Opts"});
  EXPECT_EQ(this->Query(upper, "Tcp1323Opts")->bytes, TextBytes("3"));
  EXPECT_EQ(this->reg().DeleteValue(mixed, "TCP1323opts"), platform::kSuccess);
  EXPECT_FALSE(this->Query(upper, "Tcp1323Opts"));
  EXPECT_EQ(this->reg().DeleteValue(mixed, "Tcp1323Opts"), platform::kFileNotFound);
}

TYPED_TEST(RegistryContract, DefaultValueIsTheValueWithTheEmptyName) {
  const KeyHandle key = this->Create(kHkeyLocalMachine, "AlwaysUnloadDLL");
  EXPECT_EQ(this->ValueCount(key), 0U);
  EXPECT_FALSE(this->Query(key, ""));
  ASSERT_EQ(this->Set(key, "", platform::kRegSz, TextBytes("1")), platform::kSuccess);
  ASSERT_EQ(this->Set(key, "named", platform::kRegSz, TextBytes("2")), platform::kSuccess);
  EXPECT_EQ(this->ValueCount(key), 2U);
  ASSERT_TRUE(this->Query(key, ""));
  EXPECT_EQ(this->Query(key, "")->type, platform::kRegSz);
  EXPECT_EQ(this->Query(key, "")->bytes, TextBytes("1"));
  const std::vector<std::string> names = this->Names(key);
  EXPECT_EQ(std::count(names.begin(), names.end(), ""), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "named"), 1);
}

// Windows keeps the order of creation; Wine keeps values sorted by name. The
// program depends only on what both promise: each value once, at indexes 0 to
// count - 1.
TYPED_TEST(RegistryContract, EnumerationVisitsEveryValueOnceAndAgreesWithTheCounts) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "Run");
  this->Create(kHkeyCurrentUser, "Run\\Sub1");
  this->Create(kHkeyCurrentUser, "Run\\Sub2");
  const std::vector<std::string> written = {"zeta", "Alpha", "", "mid dle", "beta"};
  for (const std::string& name : written) {
    ASSERT_EQ(this->Set(key, name, platform::kRegSz, TextBytes(name + "!")), platform::kSuccess);
  }
  std::uint32_t subkeys = 0;
  std::uint32_t values = 0;
  ASSERT_EQ(this->reg().QueryInfoKey(key, &subkeys, &values), platform::kSuccess);
  EXPECT_EQ(subkeys, 2U);
  EXPECT_EQ(values, written.size());
  std::vector<std::string> names = this->Names(key);
  ::testing::Test::RecordProperty("enumeration_order", ::testing::PrintToString(names));
  std::vector<std::string> expected = written;
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  char name[16] = "untouched";
  std::uint32_t length = sizeof(name);
  EXPECT_EQ(this->reg().EnumValue(key, values, name, length, nullptr, nullptr, nullptr),
            platform::kNoMoreItems);
}

TYPED_TEST(RegistryContract, QueryReturnsTextOf1023BytesWholeAndReportsWhatDoesNotFit) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "Long");
  const std::vector<std::uint8_t> text = TextBytes(std::string(1023, 'x'));
  ASSERT_EQ(this->Set(key, "Text", platform::kRegSz, text), platform::kSuccess);

  std::vector<std::uint8_t> buffer(1024, 0);
  std::uint32_t length = 1024;
  std::uint32_t type = 0;
  EXPECT_EQ(this->reg().QueryValue(key, "Text", &type, buffer.data(), &length), platform::kSuccess);
  EXPECT_EQ(length, 1024U);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(buffer, text);

  length = 1023;
  EXPECT_EQ(this->reg().QueryValue(key, "Text", nullptr, buffer.data(), &length),
            platform::kMoreData);
  EXPECT_EQ(length, 1024U);
  length = 0;
  EXPECT_EQ(this->reg().QueryValue(key, "Text", nullptr, nullptr, &length), platform::kSuccess);
  EXPECT_EQ(length, 1024U);
  EXPECT_EQ(this->reg().QueryValue(key, "Missing", nullptr, buffer.data(), &length),
            platform::kFileNotFound);
}

TYPED_TEST(RegistryContract, NamesKeepTheirLeadingAndTrailingSpaces) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "Spaces");
  for (const std::string name : {"  lead", "trail  ", " both "}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(this->Set(key, name, platform::kRegSz, TextBytes(name)), platform::kSuccess);
    ASSERT_TRUE(this->Query(key, name));
    EXPECT_EQ(this->Query(key, name)->bytes, TextBytes(name));
  }
  EXPECT_FALSE(this->Query(key, "lead"));
  EXPECT_FALSE(this->Query(key, "trail"));
  std::vector<std::string> names = this->Names(key);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"  lead", " both ", "trail  "}));
}

TYPED_TEST(RegistryContract, DataThatIsNotTextComesBackByteForByte) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "Binary");
  struct Row {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Row> rows = {
      {"bin", platform::kRegBinary, {0x00, 0x01, 0x00, 0xFF, 'a', 0x00}},
      {"dword", platform::kRegDword, {0x08, 0x00, 0x00, 0x00}},
      {"empty", platform::kRegBinary, {}},
      {"text without nul", platform::kRegBinary, {'a', 'b'}},
      // Text types as the A functions give them back: an undo writes exactly what it read.
      {"sz without nul", platform::kRegSz, {'a', 'b'}},
      {"empty sz", platform::kRegSz, {}},
      {"expand sz", 2, {'%', 'x', '%', 0}},
      {"multi sz", 7, {'a', 0, 'b', 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(this->Set(key, row.name, row.type, row.bytes), platform::kSuccess);
    const std::optional<Stored> stored = this->Query(key, row.name);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, row.type);
    EXPECT_EQ(stored->bytes, row.bytes);
  }
}

TYPED_TEST(RegistryContract, CharactersOfTheAnsiPageBeyondAsciiRoundTrip) {
  platform::Registry& reg = this->reg();
  if (!AnsiPageIsWindows1252(reg)) {
    GTEST_SKIP() << "the ANSI code page is not Windows-1252";
  }
  const std::string name = "Caf\xC3\xA9 \xC3\xBC";  // "Café ü"
  const std::string data =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xC3\xA9";  // "Grüße é"
  const KeyHandle key = this->Create(kHkeyCurrentUser, reg.ToAnsi("Cl\xC3\xA9"));
  ASSERT_EQ(this->Set(key, reg.ToAnsi(name), platform::kRegSz, TextBytes(reg.ToAnsi(data))),
            platform::kSuccess);
  const std::vector<std::string> names = this->Names(key);
  ASSERT_EQ(names.size(), 1U);
  EXPECT_EQ(names[0], "Caf\xE9 \xFC");
  EXPECT_EQ(reg.FromAnsi(names[0]), name);
  const std::optional<Stored> stored = this->Query(key, reg.ToAnsi(name));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->bytes, TextBytes("Gr\xFC\xDF"
                                     "e \xE9"));
  EXPECT_EQ(reg.FromAnsi(std::string(stored->bytes.begin(), stored->bytes.end() - 1)), data);
  // Accented letters match without regard to case as well.
  EXPECT_TRUE(this->Query(key, reg.ToAnsi("CAF\xC3\x89 \xC3\x9C")));  // "CAFÉ Ü"
  this->Open(kHkeyCurrentUser, reg.ToAnsi("CL\xC3\x89"), platform::kKeyQueryValue);
}

TYPED_TEST(RegistryContract, ValueNameOf300CharactersIsStoredWhole) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "LongName");
  const std::string name = std::string(299, 'n') + "!";
  ASSERT_EQ(this->Set(key, name, platform::kRegSz, TextBytes("x")), platform::kSuccess);
  EXPECT_TRUE(this->Query(key, name));
  EXPECT_FALSE(this->Query(key, name.substr(0, 260)));
  EXPECT_EQ(this->Names(key), std::vector<std::string>{name});
  // A name buffer of 261 characters is too small for it.
  std::string buffer(261, ' ');
  std::uint32_t length = 261;
  EXPECT_EQ(this->reg().EnumValue(key, 0, buffer.data(), length, nullptr, nullptr, nullptr),
            platform::kMoreData);
}

// A Run entry with a long command line: with a 255-byte data buffer the call
// reports more data and leaves the name buffer unfilled; asked for the name
// alone, it gives the name.
TYPED_TEST(RegistryContract, DataTooLargeForTheBufferLeavesTheNameUnfilledButNameAloneWorks) {
  const KeyHandle key = this->Create(kHkeyCurrentUser, "Run");
  const std::string command = "C:\\Program Files\\" + std::string(280, 'p') + ".exe";
  ASSERT_EQ(this->Set(key, "LongCommand", platform::kRegSz, TextBytes(command)),
            platform::kSuccess);

  std::string name(261, ' ');
  std::uint32_t name_length = 261;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data(256, 0);
  std::uint32_t data_length = 255;
  EXPECT_EQ(
      this->reg().EnumValue(key, 0, name.data(), name_length, &type, data.data(), &data_length),
      platform::kMoreData);
  EXPECT_EQ(name, std::string(261, ' '));
  EXPECT_EQ(data_length, command.size() + 1);

  name_length = 261;
  EXPECT_EQ(this->reg().EnumValue(key, 0, name.data(), name_length, nullptr, nullptr, nullptr),
            platform::kSuccess);
  EXPECT_EQ(name_length, 11U);
  EXPECT_EQ(name.substr(0, 12), std::string("LongCommand") + '\0');
}

}  // namespace
}  // namespace velqor::contract
