// A registry value's state as the journal keeps it: absent, or its type and exact bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

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

}  // namespace velqor::journal
