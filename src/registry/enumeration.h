// modRegEnum: open a key, count its values, name the value at an index, read a value as text.
// Failures never raise: they surface as a 0 handle, a 0 count or empty text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace velqor::registry {

// A value's name in both forms: as shown (EnumRegValueName) and exact (ExactValueName).
struct ValueNames {
  std::string shown;
  std::string exact;
};

class RegEnum {
 public:
  explicit RegEnum(platform::Registry& registry) : registry_(registry) {}

  // Opens the subkey with KEY_QUERY_VALUE; 0 on failure. The caller owns the handle.
  platform::KeyHandle OpenRegKey(platform::KeyHandle lRoot, std::string_view sSubKey);
  // lMode 0: the number of values; 1: the number of subkeys; any other mode, or a failure: 0.
  std::int32_t GetKeyCount(platform::KeyHandle hKey, std::int32_t lMode);
  // The name of the value at lIndex as shown: leading spaces removed, trailing ones kept; empty
  // when there is none. Names whose data exceed the 255-byte data buffer are still returned.
  std::string EnumRegValueName(platform::KeyHandle hKey, std::int32_t lIndex);
  // The exact name of the value at lIndex, untrimmed, as the registry holds it (UTF-8); empty
  // when there is none. This is the name to delete by.
  std::string ExactValueName(platform::KeyHandle hKey, std::int32_t lIndex);
  // Both names of the value at lIndex from one enumeration, for a caller that needs both: each
  // name costs the system a call into the registry. Both empty when there is none.
  ValueNames EnumRegValueNames(platform::KeyHandle hKey, std::int32_t lIndex);
  // The value's data as text up to the first NUL, leading spaces removed; empty when the value
  // is missing or its data exceed 1024 bytes.
  std::string QueryRegValue(platform::KeyHandle hKey, std::string_view sName);

  static constexpr std::uint32_t kNameChars = 261;
  static constexpr std::uint32_t kEnumDataBytes = 255;
  static constexpr std::uint32_t kQueryDataBytes = 1024;

 private:
  // Fills the 261-character name buffer for lIndex; false when the call failed.
  bool EnumName(platform::KeyHandle hKey, std::int32_t lIndex, std::string& buffer);

  platform::Registry& registry_;
  std::uint8_t scratch_[256] = {};  // receives the enumerated data, which nothing reads
};

}  // namespace velqor::registry
