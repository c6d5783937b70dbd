// The settings store as the per-user registry key HKCU\Software\<application>\<section>, one
// REG_SZ value per key.
#pragma once

#include "platform/settings.h"

namespace velqor::platform::win32 {

class Win32SettingsStore : public SettingsStore {
 public:
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;
  std::optional<std::string> GetSetting(std::string_view application, std::string_view section,
                                        std::string_view key) override;
};

}  // namespace velqor::platform::win32
