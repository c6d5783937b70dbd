// The handle-based registry writers: each opens its key, writes, and closes, failing silently.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"

namespace velqor::registry {

class RegistryAccess {
 public:
  explicit RegistryAccess(platform::Registry& registry) : registry_(registry) {}

  // Creates the key (and its missing parents) under the root, or opens it, and closes it again.
  // Never reports a failure.
  void CreateNewKey(std::string_view sNewKeyName, platform::KeyHandle lPredefinedKey);
  // Opens sKeyName under HKEY_LOCAL_MACHINE without creating it, writes one value, closes.
  // Never reports a failure: a key that cannot be opened means nothing is written.
  void SetKeyValue(std::string_view sKeyName, std::string_view sValueName,
                   std::string_view vValueSetting, std::int32_t lValueType);
  // The same under HKEY_CURRENT_USER.
  void SetKeyValuee(std::string_view sKeyName, std::string_view sValueName,
                    std::string_view vValueSetting, std::int32_t lValueType);
  // Writes one REG_SZ (text with its NUL) or REG_DWORD (decimal text as a little-endian 32-bit
  // number) value. Returns the set-value status; 0 for any other type, which writes nothing;
  // kInvalidData for REG_DWORD text that is not a 32-bit decimal number, which writes nothing.
  platform::Status WriteRegValue(platform::KeyHandle hKey, std::string_view sValueName,
                                 std::int32_t lType, std::string_view vValue);

 private:
  void SetUnder(platform::KeyHandle root, std::string_view key, std::string_view name,
                std::string_view value, std::int32_t type);

  platform::Registry& registry_;
};

}  // namespace velqor::registry
