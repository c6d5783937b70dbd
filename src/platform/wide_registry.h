// Registry values through the UTF-16 calls, with the 32-bit view: what the startup programs window
// reads and changes. Every call names the whole place (root, view, key path, value name) instead
// of an open handle, so that a decorator can read a value's state before each change and record it
// without tracking handles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/registry.h"

namespace velqor::platform {

inline constexpr std::uint32_t kRegExpandSz = 2;

inline constexpr Status kPathNotFound = 3;
inline constexpr Status kNotSupported = 50;
inline constexpr Status kKeyHasChildren = 1020;  // ERROR_KEY_HAS_CHILDREN

// Which view of HKEY_LOCAL_MACHINE\SOFTWARE a call sees. kNative is the system's own view (the
// 64-bit one on 64-bit Windows, whatever this program's build); k32Bit is the view 32-bit programs
// see there (Wow6432Node, reached with KEY_WOW64_32KEY).
enum class RegistryView { kNative, k32Bit };

// One value as stored: its exact name, type and bytes.
struct WideValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::string bytes;
  bool operator==(const WideValue&) const = default;
};

// Nothing here throws; every call returns the Win32 status and leaves its out-parameters untouched
// on failure. Key paths and names are UTF-16, compared without case as the registry does.
class WideRegistry {
 public:
  virtual ~WideRegistry() = default;

  // False on 32-bit Windows, where the 32-bit view is the only one: every k32Bit call then fails
  // with kNotSupported, so that nobody lists the same key twice as two places.
  virtual bool HasSeparate32BitView() const = 0;
  // RegQueryValueExW of one value; a missing key or value gives kFileNotFound.
  [[nodiscard]] virtual Status ReadValue(KeyHandle root, RegistryView view,
                                         std::u16string_view path, std::u16string_view name,
                                         WideValue& out) = 0;
  // Every value of the key, in the order RegEnumValueW gives them, with exact types and bytes.
  [[nodiscard]] virtual Status EnumValues(KeyHandle root, RegistryView view,
                                          std::u16string_view path,
                                          std::vector<WideValue>& out) = 0;
  // The names of the key's direct subkeys (RegEnumKeyExW).
  [[nodiscard]] virtual Status EnumSubKeys(KeyHandle root, RegistryView view,
                                           std::u16string_view path,
                                           std::vector<std::u16string>& out) = 0;
  // RegSetValueExW, the key and its parents created where missing.
  [[nodiscard]] virtual Status WriteValue(KeyHandle root, RegistryView view,
                                          std::u16string_view path, const WideValue& value) = 0;
  // RegDeleteValueW; a missing value gives kFileNotFound. The key itself always stays.
  [[nodiscard]] virtual Status DeleteValue(KeyHandle root, RegistryView view,
                                           std::u16string_view path, std::u16string_view name) = 0;
  // Removes a key that holds neither values nor subkeys (kKeyHasChildren otherwise), so that each
  // value's removal is a change of its own that a recorder sees first.
  [[nodiscard]] virtual Status DeleteEmptyKey(KeyHandle root, RegistryView view,
                                              std::u16string_view path) = 0;
};

}  // namespace velqor::platform
