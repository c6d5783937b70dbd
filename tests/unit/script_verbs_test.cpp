// The script-host verbs over the simulated registry, and the simulated host's
// record of them: path rules, failure messages, refusals that change nothing,
// and no handle left open.
#include "platform/registry_verbs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"

namespace velqor::platform {
namespace {

using sim::SimRegistry;
using sim::SimScriptHost;

template <typename Call>
std::string FailureText(Call&& call) {
  try {
    call();
  } catch (const Failure& failure) {
    return std::to_string(failure.status()) + " " + failure.what();
  }
  return "no failure";
}

TEST(ParseFullPath, SplitsRootKeyAndValueName) {
  struct Row {
    std::string path;
    KeyHandle root;
    std::string key_path;
    std::string value_name;
    bool names_key;
  };
  const std::vector<Row> rows = {
      {"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
       "Management\\DisablePagingExecutive",
       kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
       "DisablePagingExecutive", false},
      {"HKEY_CURRENT_USER\\Control Panel\\Desktop\\MenuShowDelay", kHkeyCurrentUser,
       "Control Panel\\Desktop", "MenuShowDelay", false},
      {"hkcu\\Software\\x\\", kHkeyCurrentUser, "Software\\x", "", true},
      {"HKEY_LOCAL_"
       "MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
       "AlwaysUnloadDLL\\",
       kHkeyLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDL"
       "L",
       "", true},
      {"HKCU\\TopLevel", kHkeyCurrentUser, "", "TopLevel", false},
      {"HKCU\\", kHkeyCurrentUser, "", "", true},
      {"HkLm\\A\\B\\ spaced name ", kHkeyLocalMachine, "A\\B", " spaced name ", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const std::optional<FullPath> full = ParseFullPath(row.path);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->root, row.root);
    EXPECT_EQ(full->key_path, row.key_path);
    EXPECT_EQ(full->value_name, row.value_name);
    EXPECT_EQ(full->names_key, row.names_key);
  }
  for (const std::string bad : {"", "HKLM", "HKCR\\Software\\x", "HKEY_USERS\\x\\y", "\\HKLM\\x",
                                "HKLM \\x\\y", "HKLMX\\x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseFullPath(bad));
  }
}

TEST(ScriptVerbs, RefusedWriteRaisesAReadableFailureAndChangesNothing) {
  SimRegistry registry;
  registry.DenyWrites(kHkeyLocalMachine);
  const std::string before = registry.Snapshot();
  const std::string path =
      "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
      "Management\\DisablePagingExecutive";
  EXPECT_EQ(FailureText([&] { RegWriteVerb(registry, path, 1, "REG_DWORD"); }),
            "5 RegWrite \"" + path + "\" failed: access denied (5)");
  registry.SeedText(kHkeyLocalMachine, "Software\\Run", "entry", "x.exe");
  const std::string seeded = registry.Snapshot();
  EXPECT_EQ(FailureText([&] { RegDeleteVerb(registry, "HKLM\\Software\\Run\\entry"); }),
            "5 RegDelete \"HKLM\\Software\\Run\\entry\" failed: access denied (5)");
  EXPECT_EQ(registry.Snapshot(), seeded);
  EXPECT_NE(before, seeded);
  EXPECT_EQ(registry.OpenHandleCount(), 0U);

  // A key with an access list: the value is refused, the key stays as it was.
  registry.DenyKey(kHkeyCurrentUser, "Software\\Policies");
  EXPECT_EQ(FailureText([&] {
              RegWriteVerb(registry, "HKCU\\Software\\Policies\\x", 1, "REG_SZ");
            }).substr(0, 2),
            "5 ");
  EXPECT_FALSE(registry.KeyExists(kHkeyCurrentUser, "Software\\Policies"));
}

TEST(ScriptVerbs, EveryVerbClosesWhatItOpensEvenWhenItFails) {
  SimRegistry registry;
  RegWriteVerb(registry, "HKCU\\A\\v", 1, "REG_SZ");
  RegDeleteVerb(registry, "HKCU\\A\\v");
  FailureText([&] { RegDeleteVerb(registry, "HKCU\\A\\v"); });
  registry.FailNext(SimRegistry::Operation::kSetValue, kAccessDenied);
  EXPECT_EQ(FailureText([&] { RegWriteVerb(registry, "HKCU\\A\\w", 2, "REG_SZ"); }),
            "5 RegWrite \"HKCU\\A\\w\" failed: access denied (5)");
  registry.FailNext(SimRegistry::Operation::kDeleteValue, kAccessDenied);
  RegWriteVerb(registry, "HKCU\\A\\w", 2, "REG_SZ");
  FailureText([&] { RegDeleteVerb(registry, "HKCU\\A\\w"); });
  EXPECT_TRUE(registry.Find(kHkeyCurrentUser, "A", "w"));
  EXPECT_EQ(registry.OpenHandleCount(), 0U);
}

TEST(ScriptVerbs, FailuresNameTheVerbThePathAndTheReason) {
  SimRegistry registry;
  struct Row {
    std::string text;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {FailureText([&] { RegWriteVerb(registry, "HKXX\\a\\b", 1, "REG_SZ"); }),
       "87 RegWrite \"HKXX\\a\\b\" (unknown root) failed: invalid parameter "
       "(87)"},
      {FailureText([&] { RegWriteVerb(registry, "HKCU\\a\\b", 1, "REG_EXPAND_SZ"); }),
       "87 RegWrite \"HKCU\\a\\b\" (unknown type \"REG_EXPAND_SZ\") failed: "
       "invalid parameter "
       "(87)"},
      {FailureText([&] { RegWriteVerb(registry, "HKCU\\a\\b", std::string("x1"), "REG_DWORD"); }),
       "13 RegWrite \"HKCU\\a\\b\" (not a number) failed: invalid data (13)"},
      {FailureText([&] { RegDeleteVerb(registry, "HKCU\\a\\"); }),
       "87 RegDelete \"HKCU\\a\\\" (names a key, not a value) failed: invalid "
       "parameter (87)"},
      {FailureText([&] { RegDeleteVerb(registry, "HKCU\\a\\b"); }),
       "2 RegDelete \"HKCU\\a\\b\" failed: not found (2)"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.text, row.expected);
  }
  EXPECT_EQ(registry.Snapshot(), SimRegistry().Snapshot());
}

TEST(ScriptVerbs, TextIsConvertedToTheAnsiPageAndUnmappableCharactersBecomeQuestionMarks) {
  SimRegistry registry;
  RegWriteVerb(registry, "HKCU\\Caf\xC3\xA9\\na\xC3\xAFve",
               std::string("\xE4\xB8\xAD \xE2\x82\xAC"), "REG_SZ");
  const auto stored = registry.Find(kHkeyCurrentUser, "Caf\xC3\xA9", "na\xC3\xAFve");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->bytes, (std::vector<std::uint8_t>{'?', ' ', 0x80, 0}));
  EXPECT_EQ(registry.StoredKeyName(kHkeyCurrentUser, "CAF\xC3\x89"), "Caf\xC3\xA9");
}

TEST(SimScriptHost, RecordsEveryCallInOrderWithItsOutcome) {
  SimRegistry registry;
  SimScriptHost host(registry);
  {
    auto shell = host.CreateShell();
    shell->RegWrite("HKCU\\Control Panel\\Desktop\\MenuShowDelay", 20, "REG_SZ");
    EXPECT_THROW(shell->RegDelete("HKCU\\Control Panel\\Desktop\\Missing"), Failure);
    shell->Run("cleanmgr.exe");
    EXPECT_EQ(host.shells_created(), 1U);
    EXPECT_EQ(host.shells_released(), 0U);
  }
  EXPECT_EQ(host.shells_released(), 1U);
  ASSERT_EQ(host.calls().size(), 3U);
  const sim::ScriptCall& write = host.calls()[0];
  EXPECT_EQ(write.verb, "RegWrite");
  EXPECT_EQ(write.path, "HKCU\\Control Panel\\Desktop\\MenuShowDelay");
  EXPECT_EQ(write.value, ScriptValue(20));
  EXPECT_EQ(write.type, "REG_SZ");
  EXPECT_FALSE(write.failed);
  EXPECT_EQ(host.calls()[1].verb, "RegDelete");
  EXPECT_TRUE(host.calls()[1].failed);
  EXPECT_EQ(host.calls()[2].verb, "Run");
  EXPECT_EQ(host.RunCommands(), std::vector<std::string>{"cleanmgr.exe"});
  EXPECT_EQ(registry.FindText(kHkeyCurrentUser, "Control Panel\\Desktop", "MenuShowDelay"), "20");
}

TEST(SimScriptHost, UnavailableHostAndMissingProgramsRaise) {
  SimRegistry registry;
  SimScriptHost host(registry);
  host.SetUnavailable(true);
  EXPECT_THROW(host.CreateShell(), Failure);
  EXPECT_EQ(host.shells_created(), 0U);
  host.SetUnavailable(false);
  auto shell = host.CreateShell();

  host.MarkMissing("SFC");
  host.MarkMissing("wupdmgr");
  EXPECT_EQ(FailureText([&] { shell->Run("sfc /scannow"); }),
            "2 Run \"sfc /scannow\" failed: not found (2)");
  EXPECT_THROW(shell->Run("wupdmgr"), Failure);
  shell->Run("shutdown -s -t 0");
  shell->Run("sfcx");
  EXPECT_EQ(host.RunCommands(), (std::vector<std::string>{"shutdown -s -t 0", "sfcx"}));
  ASSERT_EQ(host.calls().size(), 4U);
  EXPECT_TRUE(host.calls()[0].failed);
  EXPECT_TRUE(host.calls()[1].failed);
  host.ClearCalls();
  EXPECT_TRUE(host.calls().empty());
}

}  // namespace
}  // namespace velqor::platform
