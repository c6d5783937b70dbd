// The per-user application settings store: string values by application name, section and key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/failure.h"

namespace velqor::platform {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Stores `value` under (application, section, key), replacing what was there. Raises a Failure
  // naming the setting when it cannot be written; the stored value is then unchanged.
  virtual void SaveSetting(std::string_view application, std::string_view section,
                           std::string_view key, std::string_view value) = 0;
  // The stored value, std::nullopt when there is none or it cannot be read. The program never
  // reads its setting back; tests and diagnostics do.
  virtual std::optional<std::string> GetSetting(std::string_view application,
                                                std::string_view section, std::string_view key) = 0;
};

}  // namespace velqor::platform
