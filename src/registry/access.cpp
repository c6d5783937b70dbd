#include "registry/access.h"

#include <optional>
#include <string>
#include <vector>

namespace velqor::registry {

void RegistryAccess::CreateNewKey(std::string_view sNewKeyName,
                                  platform::KeyHandle lPredefinedKey) {
  platform::ScopedKey hNewKey(registry_);
  // Created or opened, refused or not: the key is only made to exist, and closed again.
  static_cast<void>(registry_.CreateKey(lPredefinedKey, registry_.ToAnsi(sNewKeyName),
                                        platform::kKeySpecificRights, hNewKey.out()));
  static_cast<void>(hNewKey.Close());
}

void RegistryAccess::SetKeyValue(std::string_view sKeyName, std::string_view sValueName,
                                 std::string_view vValueSetting, std::int32_t lValueType) {
  SetUnder(platform::kHkeyLocalMachine, sKeyName, sValueName, vValueSetting, lValueType);
}

void RegistryAccess::SetKeyValuee(std::string_view sKeyName, std::string_view sValueName,
                                  std::string_view vValueSetting, std::int32_t lValueType) {
  SetUnder(platform::kHkeyCurrentUser, sKeyName, sValueName, vValueSetting, lValueType);
}

void RegistryAccess::SetUnder(platform::KeyHandle root, std::string_view key, std::string_view name,
                              std::string_view value, std::int32_t type) {
  platform::ScopedKey hKey(registry_);
  // A key that is missing or refused leaves the handle at 0; the write on 0 then fails with
  // "invalid handle" and the close of 0 fails too, both unseen, as the callers expect.
  static_cast<void>(
      registry_.OpenKey(root, registry_.ToAnsi(key), platform::kKeySpecificRights, hKey.out()));
  // The value writers take (name, value, type); WriteRegValue takes (name, type, value).
  static_cast<void>(WriteRegValue(hKey.get(), name, type, value));
  static_cast<void>(hKey.Close());
}

platform::Status RegistryAccess::WriteRegValue(platform::KeyHandle hKey,
                                               std::string_view sValueName, std::int32_t lType,
                                               std::string_view vValue) {
  if (lType == static_cast<std::int32_t>(platform::kRegSz)) {
    // Text with its NUL: the length is the ANSI byte count plus one ("372300" is 7 bytes).
    const std::vector<std::uint8_t> bytes = platform::SzBytes(registry_.ToAnsi(vValue));
    return registry_.SetValue(hKey, registry_.ToAnsi(sValueName), platform::kRegSz, bytes.data(),
                              static_cast<std::uint32_t>(bytes.size()));
  }
  if (lType == static_cast<std::int32_t>(platform::kRegDword)) {
    // The number arrives as the text of a signed 32-bit value; "2147483648" and beyond are
    // refused rather than wrapped, as a conversion to that type would overflow.
    const std::optional<std::uint32_t> number =
        platform::ParseDword(vValue, platform::NumberRule::kLong);
    if (!number) {
      return platform::kInvalidData;  // not a 32-bit decimal number: nothing is written
    }
    const std::vector<std::uint8_t> bytes = platform::DwordBytes(*number);
    return registry_.SetValue(hKey, registry_.ToAnsi(sValueName), platform::kRegDword, bytes.data(),
                              static_cast<std::uint32_t>(bytes.size()));
  }
  return platform::kSuccess;  // the writer knows only REG_SZ and REG_DWORD
}

}  // namespace velqor::registry
