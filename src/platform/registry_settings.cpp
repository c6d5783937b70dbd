#include "platform/registry_settings.h"

#include <string>
#include <vector>

namespace velqor::platform {
namespace {

std::string KeyPath(std::string_view application, std::string_view section) {
  return "Software\\" + std::string(application) + "\\" + std::string(section);
}

}  // namespace

void RegistrySettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                        std::string_view key, std::string_view value) {
  const std::string path = KeyPath(application, section);
  const std::string what = "Saving the setting HKCU\\" + path + "\\" + std::string(key);
  ScopedKey hkey(registry_);
  ThrowIfFailed(
      registry_.CreateKey(kHkeyCurrentUser, registry_.ToAnsi(path), kKeySetValue, hkey.out()),
      what);
  const std::vector<std::uint8_t> data = SzBytes(registry_.ToAnsi(value));
  ThrowIfFailed(registry_.SetValue(hkey.get(), registry_.ToAnsi(key), kRegSz, data.data(),
                                   static_cast<std::uint32_t>(data.size())),
                what);
}

std::optional<std::string> RegistrySettingsStore::GetSetting(std::string_view application,
                                                             std::string_view section,
                                                             std::string_view key) {
  ScopedKey hkey(registry_);
  if (registry_.OpenKey(kHkeyCurrentUser, registry_.ToAnsi(KeyPath(application, section)),
                        kKeyQueryValue, hkey.out()) != kSuccess) {
    return std::nullopt;
  }
  const std::string name = registry_.ToAnsi(key);
  std::uint32_t type = 0;
  std::uint32_t length = 0;
  if (registry_.QueryValue(hkey.get(), name, &type, nullptr, &length) != kSuccess ||
      type != kRegSz) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> data(length + 1, 0);
  if (registry_.QueryValue(hkey.get(), name, &type, data.data(), &length) != kSuccess) {
    return std::nullopt;
  }
  const std::string text(reinterpret_cast<const char*>(data.data()));  // up to the first NUL
  return registry_.FromAnsi(text);
}

}  // namespace velqor::platform
