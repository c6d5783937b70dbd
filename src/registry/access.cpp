#include "registry/access.h"

#include <charconv>
#include <string>

namespace velqor::registry {

using platform::KeyHandle;
using platform::Status;

void RegistryAccess::CreateNewKey(std::string_view sNewKeyName,
                                  platform::KeyHandle lPredefinedKey) {
  KeyHandle hNewKey = 0;
  // Created or opened, refused or not: the key is only made to exist, and closed again.
  static_cast<void>(registry_.CreateKey(lPredefinedKey, registry_.ToAnsi(sNewKeyName),
                                        platform::kKeySpecificRights, hNewKey));
  registry_.CloseKey(hNewKey);
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
  KeyHandle hKey = 0;
  // A key that is missing or refused leaves the handle at 0; the write on 0 then fails with
  // "invalid handle" and the close of 0 fails too, both unseen, as the callers expect.
  static_cast<void>(
      registry_.OpenKey(root, registry_.ToAnsi(key), platform::kKeySpecificRights, hKey));
  // The value writers take (name, value, type); WriteRegValue takes (name, type, value).
  static_cast<void>(WriteRegValue(hKey, name, type, value));
  registry_.CloseKey(hKey);
}

platform::Status RegistryAccess::WriteRegValue(platform::KeyHandle hKey,
                                               std::string_view sValueName, std::int32_t lType,
                                               std::string_view vValue) {
  if (lType == static_cast<std::int32_t>(platform::kRegSz)) {
    // Text with its NUL: the length is the ANSI byte count plus one ("372300" is 7 bytes).
    const std::string text = registry_.ToAnsi(vValue);
    return registry_.SetValue(hKey, registry_.ToAnsi(sValueName), platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(text.c_str()),
                              static_cast<std::uint32_t>(text.size() + 1));
  }
  if (lType == static_cast<std::int32_t>(platform::kRegDword)) {
    std::int32_t number = 0;
    const char* last = vValue.data() + vValue.size();
    const auto [end, error] = std::from_chars(vValue.data(), last, number);
    if (vValue.empty() || error != std::errc() || end != last) {
      return platform::kInvalidData;  // not a 32-bit decimal number: nothing is written
    }
    const auto bits = static_cast<std::uint32_t>(number);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    return registry_.SetValue(hKey, registry_.ToAnsi(sValueName), platform::kRegDword, bytes,
                              sizeof(bytes));
  }
  return platform::kSuccess;  // the writer knows only REG_SZ and REG_DWORD
}

}  // namespace velqor::registry
