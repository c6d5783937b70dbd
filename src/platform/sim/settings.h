// The settings store as a map, with a write-refusal fault.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "platform/settings.h"

namespace velqor::platform::sim {

class SimSettingsStore : public SettingsStore {
 public:
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;
  std::optional<std::string> GetSetting(std::string_view application, std::string_view section,
                                        std::string_view key) override;

  // While true every write raises a Failure (access denied) and stores nothing.
  bool refuse_writes = false;
  int writes = 0;   // successful writes
  int refused = 0;  // writes refused by refuse_writes

 private:
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

}  // namespace velqor::platform::sim
