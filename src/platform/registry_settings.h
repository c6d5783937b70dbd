// The settings store kept in the registry through a Registry, so that a recorder in front of the
// registry sees the program's own settings change like every other value.
#pragma once

#include "platform/registry.h"
#include "platform/settings.h"

namespace velqor::platform {

// HKCU\Software\<application>\<section>, one REG_SZ value per key, in the ANSI code page (the
// program's settings are "0" and "1"). The registry must outlive the store.
class RegistrySettingsStore : public SettingsStore {
 public:
  explicit RegistrySettingsStore(Registry& registry) : registry_(registry) {}

  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;
  std::optional<std::string> GetSetting(std::string_view application, std::string_view section,
                                        std::string_view key) override;

 private:
  Registry& registry_;
};

}  // namespace velqor::platform
