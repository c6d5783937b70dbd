#include "platform/registry.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/ascii.h"
#include "platform/registry_verbs.h"

namespace velqor::platform {

void ScopedKey::Reset(KeyHandle handle) {
  if (handle_ != 0) {
    static_cast<void>(registry_.CloseKey(handle_));
  }
  handle_ = handle;
}

std::vector<std::uint8_t> SzBytes(std::string_view ansi) {
  std::vector<std::uint8_t> bytes(ansi.begin(), ansi.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::optional<std::uint32_t> ParseDword(std::string_view decimal, NumberRule rule) {
  std::int64_t number = 0;
  const char* last = decimal.data() + decimal.size();
  const auto [end, error] = std::from_chars(decimal.data(), last, number);
  const std::int64_t highest =
      rule == NumberRule::kLong ? INT32_MAX : static_cast<std::int64_t>(UINT32_MAX);
  if (decimal.empty() || error != std::errc() || end != last || number < INT32_MIN ||
      number > highest) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(number);
}

namespace {

std::optional<KeyHandle> RootByName(std::string_view name) {
  if (EqualsIgnoringAsciiCase(name, "HKLM") ||
      EqualsIgnoringAsciiCase(name, "HKEY_LOCAL_MACHINE")) {
    return kHkeyLocalMachine;
  }
  if (EqualsIgnoringAsciiCase(name, "HKCU") || EqualsIgnoringAsciiCase(name, "HKEY_CURRENT_USER")) {
    return kHkeyCurrentUser;
  }
  return std::nullopt;
}

// "RegWrite \"HKLM\\...\"": what a failure message names.
std::string Describe(std::string_view verb, std::string_view path) {
  return std::string(verb) + " \"" + std::string(path) + '"';
}

}  // namespace

std::optional<FullPath> ParseFullPath(std::string_view path) {
  const std::size_t first = path.find('\\');
  if (first == std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<KeyHandle> root = RootByName(path.substr(0, first));
  if (!root) {
    return std::nullopt;
  }
  // What follows the last back-slash is the value's name: none when the path ends in one, which
  // names a key.
  const std::string_view rest = path.substr(first + 1);
  const std::size_t last = rest.rfind('\\');
  return FullPath{*root, std::string(rest.substr(0, last == std::string_view::npos ? 0 : last)),
                  std::string(rest.substr(last + 1)), rest.empty() || rest.back() == '\\'};
}

void RegWriteVerb(Registry& registry, std::string_view path, const ScriptValue& value,
                  std::string_view type) {
  const std::string what = Describe("RegWrite", path);
  const std::optional<FullPath> full = ParseFullPath(path);
  if (!full) {
    ThrowIfFailed(kInvalidParameter, what + " (unknown root)");
  }
  // Everything is checked before the key is created, so a refused write leaves no key behind.
  std::uint32_t value_type = 0;
  std::vector<std::uint8_t> bytes;
  if (EqualsIgnoringAsciiCase(type, "REG_SZ")) {
    value_type = kRegSz;
    bytes = SzBytes(std::holds_alternative<std::int32_t>(value)
                        ? std::to_string(std::get<std::int32_t>(value))
                        : registry.ToAnsi(std::get<std::string>(value)));
  } else if (EqualsIgnoringAsciiCase(type, "REG_DWORD")) {
    value_type = kRegDword;
    // Text may also name the numbers from 2^31 up as their unsigned 32 bits: the script host
    // takes any number a REG_DWORD can hold.
    const std::optional<std::uint32_t> number =
        std::holds_alternative<std::int32_t>(value)
            ? static_cast<std::uint32_t>(std::get<std::int32_t>(value))
            : ParseDword(std::get<std::string>(value), NumberRule::kLongOrUnsigned);
    if (!number) {
      ThrowIfFailed(kInvalidData, what + " (not a number)");
    }
    bytes = DwordBytes(*number);
  } else {
    ThrowIfFailed(kInvalidParameter, what + " (unknown type \"" + std::string(type) + "\")");
  }
  ScopedKey key(registry);
  ThrowIfFailed(
      registry.CreateKey(full->root, registry.ToAnsi(full->key_path), kKeySetValue, key.out()),
      what);
  ThrowIfFailed(registry.SetValue(key.get(), registry.ToAnsi(full->value_name), value_type,
                                  bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                what);
}

void RegDeleteVerb(Registry& registry, std::string_view path) {
  const std::string what = Describe("RegDelete", path);
  const std::optional<FullPath> full = ParseFullPath(path);
  if (!full) {
    ThrowIfFailed(kInvalidParameter, what + " (unknown root)");
  }
  // Deleting keys is not something the program does; a path naming one is refused untouched.
  if (full->names_key) {
    ThrowIfFailed(kInvalidParameter, what + " (names a key, not a value)");
  }
  ScopedKey key(registry);
  ThrowIfFailed(
      registry.OpenKey(full->root, registry.ToAnsi(full->key_path), kKeySetValue, key.out()), what);
  ThrowIfFailed(registry.DeleteValue(key.get(), registry.ToAnsi(full->value_name)), what);
}

}  // namespace velqor::platform
