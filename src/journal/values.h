// A registry value's state as the journal keeps it: absent, or its type and exact bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/startup_folders.h"
#include "platform/wide_registry.h"

namespace velqor::journal {

// A value that exists: its type and its data, byte for byte as the registry gave them.
struct RegValue {
  std::uint32_t type = 0;
  std::string bytes;
  bool operator==(const RegValue&) const = default;
};

// nullopt: the value (or its key) does not exist.
using ValueState = std::optional<RegValue>;

// Reads the value `name` of the open key `key`. A missing value gives kSuccess with nullopt; any
// other failure leaves `out` untouched.
[[nodiscard]] platform::Status ReadState(platform::Registry& registry, platform::KeyHandle key,
                                         std::string_view name, ValueState& out);
// The same for a key given by root and path (ANSI), opened read-only for the read: a missing key
// reads as an absent value.
[[nodiscard]] platform::Status ReadState(platform::Registry& registry, platform::KeyHandle root,
                                         std::string_view key_path, std::string_view name,
                                         ValueState& out);

// Makes the value hold `state`: written with its exact type and bytes (its key created when
// missing), or deleted when absent (a value already missing counts as done). The registry's status.
platform::Status WriteState(platform::Registry& registry, platform::KeyHandle root,
                            std::string_view key_path, std::string_view name,
                            const ValueState& state);

// The same for a value of the wide registry (UTF-8 path and name, as the journal keeps them).
[[nodiscard]] platform::Status ReadState(platform::WideRegistry& registry, platform::KeyHandle root,
                                         platform::RegistryView view, std::string_view key_path,
                                         std::string_view name, ValueState& out);
platform::Status WriteState(platform::WideRegistry& registry, platform::KeyHandle root,
                            platform::RegistryView view, std::string_view key_path,
                            std::string_view name, const ValueState& state);

// A whole file as a state (type 0, its exact bytes); a missing file or folder reads as absent.
[[nodiscard]] platform::Status ReadState(platform::StartupFolders& folders, std::string_view path,
                                         ValueState& out);
// Makes the file hold exactly the state's bytes, or removes it (already missing counts as done).
platform::Status WriteState(platform::StartupFolders& folders, std::string_view path,
                            const ValueState& state);

}  // namespace velqor::journal
