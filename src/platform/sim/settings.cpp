#include "platform/sim/settings.h"

namespace velqor::platform::sim {

void SimSettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                   std::string_view key, std::string_view value) {
  if (refuse_writes) {
    ++refused;
    ThrowIfFailed(kAccessDenied,
                  "Saving the setting " + std::string(section) + "\\" + std::string(key));
  }
  values_[{std::string(application), std::string(section), std::string(key)}] = value;
  ++writes;
}

std::optional<std::string> SimSettingsStore::GetSetting(std::string_view application,
                                                        std::string_view section,
                                                        std::string_view key) {
  const auto it = values_.find({std::string(application), std::string(section), std::string(key)});
  return it != values_.end() ? std::optional(it->second) : std::nullopt;
}

}  // namespace velqor::platform::sim
