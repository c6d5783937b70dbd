// The simulated registry's own promises beyond the shared contract: creation order, faults,
// handle bookkeeping, the test helpers and the Windows-1252 page.
#include "platform/sim/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/codepage.h"

namespace velqor::platform::sim {
namespace {

constexpr KeyHandle kHkcu = kHkeyCurrentUser;
constexpr KeyHandle kHklm = kHkeyLocalMachine;

std::string EnumName(SimRegistry& registry, KeyHandle key, std::uint32_t index) {
  char name[300] = {};
  std::uint32_t length = sizeof(name);
  if (registry.EnumValue(key, index, name, length, nullptr, nullptr, nullptr) != kSuccess) {
    return "<none>";
  }
  return std::string(name, length);
}

TEST(SimRegistry, ValuesEnumerateInCreationOrderAndReplacingKeepsThePlace) {
  SimRegistry registry;
  registry.SeedText(kHkcu, "Software\\Order", "zeta", "1");
  registry.SeedText(kHkcu, "Software\\Order", "", "default");
  registry.SeedText(kHkcu, "Software\\Order", "Alpha", "2");
  registry.SeedText(kHkcu, "Software\\Order", "ZETA", "3");  // replaces zeta in place

  KeyHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkcu, "software\\ORDER", kKeyQueryValue, key), kSuccess);
  EXPECT_EQ(EnumName(registry, key, 0), "zeta");
  EXPECT_EQ(EnumName(registry, key, 1), "");
  EXPECT_EQ(EnumName(registry, key, 2), "Alpha");
  EXPECT_EQ(EnumName(registry, key, 3), "<none>");
  EXPECT_EQ(registry.FindText(kHkcu, "Software\\Order", "Zeta"), "3");
  EXPECT_EQ(registry.CloseKey(key), kSuccess);
}

TEST(SimRegistry, HandlesAreSmallNeverReusedAndCounted) {
  SimRegistry registry;
  registry.SeedKey(kHklm, "A");
  KeyHandle first = 0;
  KeyHandle second = 0;
  ASSERT_EQ(registry.OpenKey(kHklm, "A", kKeyQueryValue, first), kSuccess);
  ASSERT_EQ(registry.OpenKey(kHklm, "A", kKeyQueryValue, second), kSuccess);
  EXPECT_NE(first, 0U);
  EXPECT_LT(first, 0x10000U);
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.OpenHandleCount(), 2U);

  EXPECT_EQ(registry.CloseKey(first), kSuccess);
  EXPECT_EQ(registry.CloseKey(first), kInvalidHandle);
  std::uint32_t values = 99;
  EXPECT_EQ(registry.QueryInfoKey(first, nullptr, &values), kInvalidHandle);
  EXPECT_EQ(values, 99U);
  KeyHandle third = 0;
  ASSERT_EQ(registry.OpenKey(kHklm, "A", kKeyQueryValue, third), kSuccess);
  EXPECT_NE(third, first);
  EXPECT_EQ(registry.CloseKey(kHklm), kSuccess);  // a root closes without effect
  EXPECT_EQ(registry.OpenHandleCount(), 2U);
  EXPECT_EQ(registry.CloseKey(0x1234), kInvalidHandle);
}

TEST(SimRegistry, HandlesOnlyDoWhatTheirAccessAllows) {
  SimRegistry registry;
  registry.SeedText(kHkcu, "K", "v", "x");
  KeyHandle reader = 0;
  KeyHandle writer = 0;
  ASSERT_EQ(registry.OpenKey(kHkcu, "K", kKeyQueryValue, reader), kSuccess);
  ASSERT_EQ(registry.OpenKey(kHkcu, "K", kKeySetValue, writer), kSuccess);
  const std::uint8_t byte = 1;
  EXPECT_EQ(registry.SetValue(reader, "w", kRegBinary, &byte, 1), kAccessDenied);
  EXPECT_EQ(registry.DeleteValue(reader, "v"), kAccessDenied);
  std::uint32_t length = 0;
  EXPECT_EQ(registry.QueryValue(writer, "v", nullptr, nullptr, &length), kAccessDenied);
  EXPECT_EQ(registry.QueryInfoKey(writer, nullptr, nullptr), kAccessDenied);
  EXPECT_EQ(registry.SetValue(writer, "w", kRegBinary, &byte, 1), kSuccess);
  EXPECT_TRUE(registry.Find(kHkcu, "K", "v"));

  KeyHandle generic = 0;  // GENERIC_WRITE maps to the key's write rights
  ASSERT_EQ(registry.OpenKey(kHkcu, "K", 0x40000000U, generic), kSuccess);
  EXPECT_EQ(registry.DeleteValue(generic, "v"), kSuccess);
  EXPECT_FALSE(registry.Find(kHkcu, "K", "v"));
}

TEST(SimRegistry, DeniedWritesRefuseWriteOpensAndCreateNothing) {
  SimRegistry registry;
  registry.SeedText(kHklm, "Software\\Exists", "v", "x");
  registry.DenyWrites(kHklm);
  const std::string before = registry.Snapshot();

  for (const std::uint32_t access :
       {kKeySetValue, kKeyCreateSubKey, kKeyCreateLink, kKeySpecificRights, 0xF003FU}) {
    SCOPED_TRACE(access);
    KeyHandle key = 77;
    EXPECT_EQ(registry.OpenKey(kHklm, "Software\\Exists", access, key), kAccessDenied);
    EXPECT_EQ(key, 0U);
    key = 77;
    EXPECT_EQ(registry.CreateKey(kHklm, "Software\\New\\Deep", access, key), kAccessDenied);
    EXPECT_EQ(key, 0U);
  }
  KeyHandle reader = 0;
  EXPECT_EQ(registry.OpenKey(kHklm, "Software\\Exists", kKeyQueryValue, reader), kSuccess);
  EXPECT_EQ(registry.CloseKey(reader), kSuccess);
  // Creating a key needs the right to create subkeys, whatever the new handle asks for.
  EXPECT_EQ(registry.CreateKey(kHklm, "Software\\New", kKeyQueryValue, reader), kAccessDenied);
  const std::uint8_t byte = 1;
  EXPECT_EQ(registry.SetValue(kHklm, "root value", kRegBinary, &byte, 1), kAccessDenied);
  EXPECT_EQ(registry.Snapshot(), before);

  KeyHandle user = 0;  // the other root is untouched
  EXPECT_EQ(registry.CreateKey(kHkcu, "Software\\New", kKeySpecificRights, user), kSuccess);
  EXPECT_EQ(registry.CloseKey(user), kSuccess);
  registry.DenyWrites(kHklm, false);
  EXPECT_EQ(registry.CreateKey(kHklm, "Software\\New", kKeySetValue, user), kSuccess);
  EXPECT_EQ(registry.CloseKey(user), kSuccess);
}

TEST(SimRegistry, DeniedKeyCoversItsSubkeysOnly) {
  SimRegistry registry;
  registry.SeedKey(kHklm, "System\\Locked\\Inner");
  registry.SeedKey(kHklm, "System\\Open");
  registry.DenyKey(kHklm, "SYSTEM\\locked");
  KeyHandle key = 0;
  EXPECT_EQ(registry.OpenKey(kHklm, "System\\Locked", kKeySetValue, key), kAccessDenied);
  EXPECT_EQ(registry.OpenKey(kHklm, "System\\Locked\\Inner", kKeySetValue, key), kAccessDenied);
  EXPECT_EQ(registry.CreateKey(kHklm, "System\\Locked\\New", kKeyQueryValue, key), kAccessDenied);
  EXPECT_FALSE(registry.KeyExists(kHklm, "System\\Locked\\New"));
  EXPECT_EQ(registry.OpenKey(kHklm, "System\\Locked", kKeyQueryValue, key), kSuccess);
  EXPECT_EQ(registry.CloseKey(key), kSuccess);
  EXPECT_EQ(registry.OpenKey(kHklm, "System\\Open", kKeySpecificRights, key), kSuccess);
  EXPECT_EQ(registry.CloseKey(key), kSuccess);
  // Reaching the key through a handle to its parent is refused too.
  KeyHandle parent = 0;
  ASSERT_EQ(registry.OpenKey(kHklm, "System", kKeyQueryValue, parent), kSuccess);
  EXPECT_EQ(registry.OpenKey(parent, "locked", kKeySetValue, key), kAccessDenied);
  EXPECT_EQ(registry.CloseKey(parent), kSuccess);

  registry.DenyKey(kHkcu, "Secret", kKeyQueryValue);  // an access list that hides a key
  registry.SeedText(kHkcu, "Secret", "v", "x");
  EXPECT_EQ(registry.OpenKey(kHkcu, "Secret", kKeyQueryValue, key), kAccessDenied);
}

TEST(SimRegistry, FailNextFailsExactlyOneCallOfThatOperation) {
  SimRegistry registry;
  registry.SeedText(kHkcu, "K", "v", "x");
  registry.FailNext(SimRegistry::Operation::kOpenKey, 1450);
  KeyHandle key = 5;
  EXPECT_EQ(registry.OpenKey(kHkcu, "K", kKeyQueryValue, key), 1450);
  EXPECT_EQ(key, 0U);
  ASSERT_EQ(registry.OpenKey(kHkcu, "K", kKeySpecificRights, key), kSuccess);

  registry.FailNext(SimRegistry::Operation::kDeleteValue, kAccessDenied);
  EXPECT_EQ(registry.DeleteValue(key, "v"), kAccessDenied);
  EXPECT_TRUE(registry.Find(kHkcu, "K", "v"));
  EXPECT_EQ(registry.DeleteValue(key, "v"), kSuccess);

  registry.FailNext(SimRegistry::Operation::kCloseKey, kInvalidHandle);
  EXPECT_EQ(registry.CloseKey(key), kInvalidHandle);
  EXPECT_EQ(registry.OpenHandleCount(), 1U);
  EXPECT_EQ(registry.CloseKey(key), kSuccess);
}

TEST(SimRegistry, SnapshotShowsEveryKeyAndValueAndChangesWithAnyWrite) {
  SimRegistry registry;
  registry.SeedText(kHklm, "Software\\Velqor", "Name", "é");
  registry.SeedDword(kHkcu, "Control Panel\\Desktop", "", 400);
  const std::string snapshot = registry.Snapshot();
  EXPECT_EQ(snapshot,
            "HKCU\n"
            "HKCU\\Control Panel\n"
            "HKCU\\Control Panel\\Desktop\n"
            "  @ type 4 [90 01 00 00]\n"
            "HKLM\n"
            "HKLM\\Software\n"
            "HKLM\\Software\\Velqor\n"
            "  \"Name\" type 1 [e9 00]\n");
  registry.SeedDword(kHkcu, "Control Panel\\desktop", "", 401);
  EXPECT_NE(registry.Snapshot(), snapshot);
  EXPECT_EQ(registry.FindDword(kHkcu, "control panel\\DESKTOP", ""), 401U);
  EXPECT_EQ(registry.StoredKeyName(kHkcu, "control panel\\desktop"), "Desktop");
}

TEST(SimCodePage, ConvertsBetweenUtf8AndWindows1252) {
  struct Row {
    std::string utf8;
    std::string ansi;
  };
  const std::vector<Row> rows = {
      {"plain", "plain"},
      {"caf\xC3\xA9 \xC3\xBC", "caf\xE9 \xFC"},
      {"\xE2\x82\xAC \xC5\x93 \xE2\x84\xA2", "\x80 \x9C \x99"},  // euro, oe, trade mark
      {"\xC2\x81", "\x81"},                                      // unassigned byte
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(Utf8ToCp1252(row.utf8), row.ansi);
    EXPECT_EQ(Cp1252ToUtf8(row.ansi), row.utf8);
  }
  // Characters the page lacks, and malformed UTF-8, become '?'.
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD-\xF0\x9F\x98\x80-\xC3"), "?-?-?");
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF\xFF"), "???");
  EXPECT_EQ(FoldCp1252("VxD \xC9\x8A\x9F"), "vxd \xE9\x9A\xFF");
  EXPECT_EQ(FoldCp1252(std::string("\xD7")), "\xD7");  // the multiplication sign has no case
}

}  // namespace
}  // namespace velqor::platform::sim
