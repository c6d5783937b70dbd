// The simulated registry finds values by name through an index; deleting, replacing and adding
// values must keep that index in step with the enumeration order.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/registry.h"

namespace velqor::platform::sim {
namespace {

constexpr KeyHandle kHkcu = kHkeyCurrentUser;
constexpr const char* kKey = "Software\\Lookup";

std::vector<std::string> Names(SimRegistry& registry, KeyHandle key) {
  std::vector<std::string> names;
  for (std::uint32_t i = 0;; ++i) {
    char name[64] = {};
    std::uint32_t length = sizeof(name);
    if (registry.EnumValue(key, i, name, length, nullptr, nullptr, nullptr) != kSuccess) {
      return names;
    }
    names.emplace_back(name, length);
  }
}

std::optional<std::string> Read(SimRegistry& registry, KeyHandle key, const char* name) {
  std::uint8_t data[64] = {};
  std::uint32_t length = sizeof(data);
  std::uint32_t type = 0;
  if (registry.QueryValue(key, name, &type, data, &length) != kSuccess) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(data), length == 0 ? 0 : length - 1);
}

TEST(SimRegistryLookup, DeletingAValueKeepsEveryOtherFindableInAnyCaseAndInOrder) {
  SimRegistry registry;
  for (const char* name : {"One", "Two", "Three", "Four", "Five"}) {
    registry.SeedText(kHkcu, kKey, name, std::string("data of ") + name);
  }
  KeyHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkcu, kKey, kKeyQueryValue | kKeySetValue, key), kSuccess);

  ASSERT_EQ(registry.DeleteValue(key, "two"), kSuccess);
  ASSERT_EQ(registry.DeleteValue(key, "ONE"), kSuccess);
  EXPECT_EQ(registry.DeleteValue(key, "One"), kFileNotFound) << "gone from the index too";
  EXPECT_EQ(Names(registry, key), (std::vector<std::string>{"Three", "Four", "Five"}));
  // Every value behind the deleted ones moved up; each name must still find its own data.
  EXPECT_EQ(Read(registry, key, "three"), "data of Three");
  EXPECT_EQ(Read(registry, key, "FOUR"), "data of Four");
  EXPECT_EQ(Read(registry, key, "Five"), "data of Five");
  EXPECT_EQ(Read(registry, key, "Two"), std::nullopt);

  // A name added again goes to the end; replacing keeps the place.
  const char again[] = "back";
  ASSERT_EQ(registry.SetValue(key, "Two", kRegSz, reinterpret_cast<const std::uint8_t*>(again),
                              sizeof(again)),
            kSuccess);
  const char other[] = "replaced";
  ASSERT_EQ(registry.SetValue(key, "four", kRegSz, reinterpret_cast<const std::uint8_t*>(other),
                              sizeof(other)),
            kSuccess);
  EXPECT_EQ(Names(registry, key), (std::vector<std::string>{"Three", "Four", "Five", "Two"}));
  EXPECT_EQ(Read(registry, key, "two"), "back");
  EXPECT_EQ(Read(registry, key, "Four"), "replaced");
  EXPECT_EQ(Read(registry, key, "Five"), "data of Five");

  // Deleting the last and then the first value leaves the middle one found.
  ASSERT_EQ(registry.DeleteValue(key, "Two"), kSuccess);
  ASSERT_EQ(registry.DeleteValue(key, "Three"), kSuccess);
  EXPECT_EQ(Read(registry, key, "five"), "data of Five");
  EXPECT_EQ(Read(registry, key, "four"), "replaced");
  ASSERT_EQ(registry.CloseKey(key), kSuccess);
}

}  // namespace
}  // namespace velqor::platform::sim
