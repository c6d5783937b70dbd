// The script host's RegWrite and RegDelete as the program relies on them,
// checked over the simulation natively and over advapi32 under Wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry_env.h"

namespace velqor::contract {
namespace {

using platform::KeyHandle;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

struct Stored {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  bool operator==(const Stored&) const = default;
};

std::vector<std::uint8_t> TextBytes(std::string_view ansi) {
  std::vector<std::uint8_t> bytes(ansi.begin(), ansi.end());
  bytes.push_back(0);
  return bytes;
}

Stored Text(std::string_view ansi) {
  return {platform::kRegSz, TextBytes(ansi)};
}
Stored Dword(std::uint32_t n) {
  return {platform::kRegDword,
          {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
           static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

template <typename Env>
class ScriptHostContract : public ::testing::Test {
 protected:
  void SetUp() override { shell_ = env_.script_host().CreateShell(); }
  void TearDown() override {
    shell_.reset();
    if (const std::optional<std::size_t> open = env_.OpenHandles()) {
      EXPECT_EQ(*open, 0U) << "handles leaked";
    }
  }

  platform::ScriptShell& shell() { return *shell_; }
  platform::Registry& reg() { return env_.registry(); }

  // "HKCU\Software\VelqorContractTest\<sub>" with the root spelled as given.
  static std::string Full(std::string_view root, std::string_view sub) {
    return std::string(root) + '\\' + kTestKey + '\\' + std::string(sub);
  }

  // The value read straight from the registry; nullopt when the key or value is
  // missing.
  std::optional<Stored> Read(KeyHandle root, std::string_view key_path, std::string_view name) {
    KeyHandle key = 0;
    const std::string path =
        std::string(kTestKey) + (key_path.empty() ? "" : "\\") + std::string(key_path);
    if (reg().OpenKey(root, path, platform::kKeyQueryValue, key) != platform::kSuccess) {
      return std::nullopt;
    }
    Stored stored;
    std::uint32_t length = 0;
    std::optional<Stored> result;
    if (reg().QueryValue(key, name, nullptr, nullptr, &length) == platform::kSuccess) {
      stored.bytes.resize(length);
      if (reg().QueryValue(key, name, &stored.type, stored.bytes.data(), &length) ==
          platform::kSuccess) {
        result = stored;
      }
    }
    reg().CloseKey(key);
    return result;
  }
  bool KeyExists(KeyHandle root, std::string_view key_path) {
    KeyHandle key = 0;
    const std::string path = std::string(kTestKey) + '\\' + std::string(key_path);
    if (reg().OpenKey(root, path, platform::kKeyQueryValue, key) != platform::kSuccess) {
      return false;
    }
    reg().CloseKey(key);
    return true;
  }

  // Runs the call and returns the Failure it raised, or nullopt when it raised
  // none.
  template <typename Call>
  static std::optional<platform::Failure> Raised(Call&& call) {
    try {
      call();
    } catch (const platform::Failure& failure) {
      return failure;
    }
    return std::nullopt;
  }

  Env env_;
  std::unique_ptr<platform::ScriptShell> shell_;
};

TYPED_TEST_SUITE(ScriptHostContract, Environments);

TYPED_TEST(ScriptHostContract, RegWriteCreatesTheKeyWithItsParentsAndStoresEachType) {
  struct Row {
    const char* name;
    platform::ScriptValue value;
    const char* type;
    Stored expected;
  };
  const std::vector<Row> rows = {
      {"Number as text", 20, "REG_SZ", Text("20")},
      {"Thousand", 1000, "REG_SZ", Text("1000")},
      {"Negative as text", -5, "REG_SZ", Text("-5")},
      {"Text", std::string("372300"), "REG_SZ", Text("372300")},
      {"Number", 1, "REG_DWORD", Dword(1)},
      {"Minus one", -1, "REG_DWORD", Dword(0xFFFFFFFFU)},
      {"Decimal text", std::string("8"), "REG_DWORD", Dword(8)},
      {"Large text", std::string("4294967295"), "REG_DWORD", Dword(0xFFFFFFFFU)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    this->shell().RegWrite(this->Full("HKCU", std::string("A\\B\\C\\") + row.name), row.value,
                           row.type);
    EXPECT_EQ(this->Read(kHkeyCurrentUser, "A\\B\\C", row.name), row.expected);
  }
  EXPECT_TRUE(this->KeyExists(kHkeyCurrentUser, "A\\B"));
}

TYPED_TEST(ScriptHostContract, EveryRootNameReachesItsRootInAnyCase) {
  struct Row {
    const char* root_name;
    KeyHandle root;
  };
  const std::vector<Row> rows = {
      {"HKLM", kHkeyLocalMachine}, {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
      {"HKCU", kHkeyCurrentUser},  {"HKEY_CURRENT_USER", kHkeyCurrentUser},
      {"hklm", kHkeyLocalMachine}, {"Hkey_Current_User", kHkeyCurrentUser}};
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.root_name);
    std::string name = "v";
    name += std::to_string(++n);
    this->shell().RegWrite(this->Full(row.root_name, "Roots\\" + name), n, "REG_DWORD");
    EXPECT_EQ(this->Read(row.root, "Roots", name), Dword(static_cast<std::uint32_t>(n)));
    const KeyHandle other = row.root == kHkeyCurrentUser ? kHkeyLocalMachine : kHkeyCurrentUser;
    EXPECT_FALSE(this->Read(other, "Roots", name));
  }
}

TYPED_TEST(ScriptHostContract, TrailingBackSlashWritesTheKeysDefaultValue) {
  this->shell().RegWrite(this->Full("HKEY_LOCAL_MACHINE", "Explorer\\AlwaysUnloadDLL\\"), 1,
                         "REG_SZ");
  EXPECT_EQ(this->Read(kHkeyLocalMachine, "Explorer\\AlwaysUnloadDLL", ""), Text("1"));
  EXPECT_FALSE(this->Read(kHkeyLocalMachine, "Explorer", "AlwaysUnloadDLL"));
}

TYPED_TEST(ScriptHostContract, UnknownRootTypeOrNumberRaisesAndWritesNothing) {
  struct Row {
    std::string path;
    platform::ScriptValue value;
    const char* type;
  };
  const std::vector<Row> rows = {
      {std::string("HKXX\\") + kTestKey + "\\Bad\\v", 1, "REG_SZ"},
      {std::string("HKEY_CLASSES_ROOT\\") + kTestKey + "\\Bad\\v", 1, "REG_SZ"},
      {"HKCU", 1, "REG_SZ"},
      {this->Full("HKCU", "Bad\\v"), 1, "REG_BINARY"},
      {this->Full("HKCU", "Bad\\v"), 1, ""},
      {this->Full("HKCU", "Bad\\v"), std::string("abc"), "REG_DWORD"},
      {this->Full("HKCU", "Bad\\v"), std::string("6 "), "REG_DWORD"},
      {this->Full("HKCU", "Bad\\v"), std::string("4294967296"), "REG_DWORD"},
      {this->Full("HKCU", "Bad\\v"), std::string(""), "REG_DWORD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path + " " + row.type);
    const auto failure =
        this->Raised([&] { this->shell().RegWrite(row.path, row.value, row.type); });
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->status(), platform::kSuccess);
    EXPECT_NE(std::string(failure->what()).find("RegWrite \"" + row.path + "\""), std::string::npos)
        << failure->what();
    EXPECT_FALSE(this->KeyExists(kHkeyCurrentUser, "Bad"));
  }
}

TYPED_TEST(ScriptHostContract, RegDeleteRemovesTheValueWhateverTheCaseOfThePath) {
  this->shell().RegWrite(this->Full("HKLM", "Services\\VXD\\MSTCP\\Parameters\\Tcp1323Opts"), 1,
                         "REG_SZ");
  this->shell().RegWrite(this->Full("HKLM", "Services\\VXD\\MSTCP\\Parameters\\SackOpts"), 1,
                         "REG_SZ");
  this->shell().RegDelete(
      this->Full("HKEY_LOCAL_MACHINE", "Services\\VxD\\MSTCP\\Parameters\\Tcp1323Opts"));
  EXPECT_FALSE(this->Read(kHkeyLocalMachine, "Services\\VXD\\MSTCP\\Parameters", "Tcp1323Opts"));
  EXPECT_EQ(this->Read(kHkeyLocalMachine, "Services\\VXD\\MSTCP\\Parameters", "SackOpts"),
            Text("1"));
}

TYPED_TEST(ScriptHostContract, RegDeleteOfAMissingValueOrKeyRaisesNotFound) {
  this->shell().RegWrite(this->Full("HKCU", "Present\\v"), 1, "REG_SZ");
  for (const std::string& path :
       {this->Full("HKCU", "Present\\missing"), this->Full("HKCU", "Absent\\v")}) {
    SCOPED_TRACE(path);
    const auto failure = this->Raised([&] { this->shell().RegDelete(path); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->status(), platform::kFileNotFound);
    EXPECT_EQ(std::string(failure->what()), "RegDelete \"" + path + "\" failed: not found (2)");
  }
  EXPECT_EQ(this->Read(kHkeyCurrentUser, "Present", "v"), Text("1"));
  EXPECT_FALSE(this->KeyExists(kHkeyCurrentUser, "Absent"));
}

TYPED_TEST(ScriptHostContract, RegDeleteOfAPathEndingInABackSlashIsRefusedAndRemovesNothing) {
  this->shell().RegWrite(this->Full("HKCU", "Keep\\"), 7, "REG_SZ");
  this->shell().RegWrite(this->Full("HKCU", "Keep\\named"), 8, "REG_SZ");
  const auto failure = this->Raised([&] { this->shell().RegDelete(this->Full("HKCU", "Keep\\")); });
  ASSERT_TRUE(failure);
  EXPECT_NE(std::string(failure->what()).find("RegDelete"), std::string::npos);
  EXPECT_EQ(this->Read(kHkeyCurrentUser, "Keep", ""), Text("7"));
  EXPECT_EQ(this->Read(kHkeyCurrentUser, "Keep", "named"), Text("8"));
}

TYPED_TEST(ScriptHostContract, TextBeyondAsciiIsWrittenInTheAnsiPage) {
  if (!AnsiPageIsWindows1252(this->reg())) {
    GTEST_SKIP() << "the ANSI code page is not Windows-1252";
  }
  this->shell().RegWrite(this->Full("HKCU",
                                    "Page\\Gr\xC3\xBC\xC3\x9F"
                                    "e"),
                         std::string("caf\xC3\xA9"), "REG_SZ");
  EXPECT_EQ(this->Read(kHkeyCurrentUser, "Page",
                       "Gr\xFC\xDF"
                       "e"),
            Text("caf\xE9"));
  this->shell().RegDelete(this->Full("HKCU",
                                     "Page\\GR\xC3\x9C\xC3\x9F"
                                     "E"));
  EXPECT_FALSE(this->Read(kHkeyCurrentUser, "Page",
                          "Gr\xFC\xDF"
                          "e"));
}

TYPED_TEST(ScriptHostContract, RunOfAProgramThatDoesNotExistRaisesNamingTheCommand) {
  this->env_.MarkMissing("velqor-no-such-program.exe");
  const std::string command = "velqor-no-such-program.exe /scannow";
  const auto failure = this->Raised([&] { this->shell().Run(command); });
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->status(), platform::kFileNotFound);
  EXPECT_NE(std::string(failure->what()).find("Run \"" + command + "\""), std::string::npos)
      << failure->what();
}

}  // namespace
}  // namespace velqor::contract
