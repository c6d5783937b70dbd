// The registry as the program needs it: the ANSI advapi32 calls it makes, with their status codes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/failure.h"

namespace velqor::platform {

// A key handle as a number: 0 means no key is open; the two roots are the predefined values.
using KeyHandle = std::uintptr_t;

inline constexpr KeyHandle kHkeyCurrentUser = 0x80000001U;
inline constexpr KeyHandle kHkeyLocalMachine = 0x80000002U;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
// The key-specific rights only (not KEY_ALL_ACCESS): what the handle-based writers ask for.
inline constexpr std::uint32_t kKeySpecificRights = 0x003F;

// The registry functions, ANSI forms. Names and text travel as bytes of the ANSI code page;
// ToAnsi/FromAnsi convert the program's UTF-8 text. Every call returns the Win32 status and
// leaves its out-parameters untouched on failure unless stated otherwise. Nothing here throws.
class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA with options 0. On failure `out` is set to 0 and nothing is created.
  [[nodiscard]] virtual Status OpenKey(KeyHandle root, std::string_view path, std::uint32_t access,
                                       KeyHandle& out) = 0;
  // RegCreateKeyExA (non-volatile, default security): creates every missing key along the path,
  // or opens the key where it exists. On failure `out` is set to 0.
  [[nodiscard]] virtual Status CreateKey(KeyHandle root, std::string_view path,
                                         std::uint32_t access, KeyHandle& out) = 0;
  // RegSetValueExA; an empty name is the key's default value. Handle 0 gives kInvalidHandle.
  virtual Status SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t length) = 0;
  // RegCloseKey; closing 0 or a handle already closed gives kInvalidHandle.
  virtual Status CloseKey(KeyHandle key) = 0;
  // RegQueryInfoKeyA for the numbers of subkeys and values; either pointer may be null.
  virtual Status QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) = 0;
  // RegEnumValueA. `name_length` holds the buffer's size in characters with room for the NUL and
  // receives the name's length without it. `data` and `data_length` may both be null to ask for
  // the name alone. When the data do not fit the result is kMoreData and, as Wine does, the name
  // buffer is left as it was.
  virtual Status EnumValue(KeyHandle key, std::uint32_t index, char* name,
                           std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* data_length) = 0;
  // RegQueryValueExA; `data` may be null to ask for the length. A buffer too small gives
  // kMoreData, with `data_length` set to the size needed and the buffer's contents undefined.
  virtual Status QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* data_length) = 0;
  // RegDeleteValueA; the key must be open with kKeySetValue.
  virtual Status DeleteValue(KeyHandle key, std::string_view name) = 0;

  // UTF-8 text to the ANSI code page and back; characters the page lacks become '?'.
  virtual std::string ToAnsi(std::string_view utf8) const = 0;
  virtual std::string FromAnsi(std::string_view ansi) const = 0;
};

// The one owner of an open key: closes it when it goes (a handle of 0 is not closed there), so
// that no path out of an operation, a raised Failure included, leaves a handle open.
class ScopedKey {
 public:
  explicit ScopedKey(Registry& registry) : registry_(registry) {}
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { Reset(); }

  // The handle for OpenKey/CreateKey to fill.
  KeyHandle& out() { return handle_; }
  KeyHandle get() const { return handle_; }
  // Closes whatever is held, 0 included, and returns RegCloseKey's status (kInvalidHandle for 0):
  // the handle-based writers close this way, as advapi32 callers that never check do.
  Status Close() { return registry_.CloseKey(std::exchange(handle_, 0)); }
  // Closes the key held, if any, without a status, and takes `handle` in its place.
  void Reset(KeyHandle handle = 0);

 private:
  Registry& registry_;
  KeyHandle handle_ = 0;
};

// The one value encoder: the bytes RegSetValueExA receives.
// REG_SZ: the ANSI text with its NUL.
std::vector<std::uint8_t> SzBytes(std::string_view ansi);
// REG_DWORD: the number, little-endian.
std::vector<std::uint8_t> DwordBytes(std::uint32_t number);

// Which decimal texts a REG_DWORD accepts: kLong -2147483648 to 2147483647, the range of the
// number the handle-based writers are given as text; kLongOrUnsigned also 2147483648 to
// 4294967295, which RegWrite stores as the same 32 bits. Digits only, with an optional '-'.
enum class NumberRule { kLong, kLongOrUnsigned };
// The 32-bit pattern of a decimal text, or nothing when the text is not one in full.
std::optional<std::uint32_t> ParseDword(std::string_view decimal, NumberRule rule);

}  // namespace velqor::platform
