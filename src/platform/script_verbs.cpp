#include "platform/script_verbs.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/ascii.h"

namespace velqor::platform {
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

// Closes the key it holds when the verb ends, however it ends.
class ScopedKey {
 public:
  explicit ScopedKey(Registry& registry) : registry_(registry) {}
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() {
    if (handle_ != 0) {
      static_cast<void>(registry_.CloseKey(handle_));
    }
  }
  KeyHandle& out() { return handle_; }
  KeyHandle get() const { return handle_; }

 private:
  Registry& registry_;
  KeyHandle handle_ = 0;
};

// "RegWrite \"HKLM\\...\"": what a failure message names.
std::string Describe(std::string_view verb, std::string_view path) {
  std::string what(verb);
  what += " \"";
  what += path;
  what += '"';
  return what;
}

// Decimal text as a 32-bit pattern: a signed number, or an unsigned one up to 0xFFFFFFFF.
std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
  std::int64_t number = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, number);
  if (text.empty() || error != std::errc() || end != last || number < INT32_MIN ||
      number > static_cast<std::int64_t>(UINT32_MAX)) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(number);
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
  std::string_view rest = path.substr(first + 1);
  FullPath full;
  full.root = *root;
  if (rest.empty() || rest.back() == '\\') {
    full.names_key = true;
    full.key_path = rest.substr(0, rest.empty() ? 0 : rest.size() - 1);
    return full;
  }
  const std::size_t last = rest.rfind('\\');
  if (last == std::string_view::npos) {
    full.value_name = rest;  // a value directly under the root key
  } else {
    full.key_path = rest.substr(0, last);
    full.value_name = rest.substr(last + 1);
  }
  return full;
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
    const std::string text = std::holds_alternative<std::int32_t>(value)
                                 ? std::to_string(std::get<std::int32_t>(value))
                                 : registry.ToAnsi(std::get<std::string>(value));
    bytes.assign(text.begin(), text.end());
    bytes.push_back(0);
  } else if (EqualsIgnoringAsciiCase(type, "REG_DWORD")) {
    value_type = kRegDword;
    std::optional<std::uint32_t> number;
    if (std::holds_alternative<std::int32_t>(value)) {
      number = static_cast<std::uint32_t>(std::get<std::int32_t>(value));
    } else {
      number = ParseDecimal(std::get<std::string>(value));
    }
    if (!number) {
      ThrowIfFailed(kInvalidData, what + " (not a number)");
    }
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<std::uint8_t>(*number >> shift));
    }
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
