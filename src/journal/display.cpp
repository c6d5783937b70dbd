#include "journal/display.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/utf16.h"

namespace velqor::journal {

namespace {

// Long data would make a cell nobody can read; the export keeps every byte.
constexpr std::size_t kShownBytes = 64;

std::string TypeName(std::uint32_t type) {
  static constexpr std::array<std::string_view, 12> kNames = {"REG_NONE",
                                                              "REG_SZ",
                                                              "REG_EXPAND_SZ",
                                                              "REG_BINARY",
                                                              "REG_DWORD",
                                                              "REG_DWORD_BIG_ENDIAN",
                                                              "REG_LINK",
                                                              "REG_MULTI_SZ",
                                                              "REG_RESOURCE_LIST",
                                                              "REG_FULL_RESOURCE_DESCRIPTOR",
                                                              "REG_RESOURCE_REQUIREMENTS_LIST",
                                                              "REG_QWORD"};
  if (type < kNames.size()) {
    return std::string(kNames[type]);
  }
  return "type " + std::to_string(type);
}

}  // namespace

std::string RootName(platform::KeyHandle root) {
  return root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string Where(const platform::Registry& registry, platform::KeyHandle root,
                  const std::string& key_path, const std::string& value_name) {
  std::string where = RootName(root);
  if (!key_path.empty()) {
    where += '\\' + registry.FromAnsi(key_path);
  }
  where += '\\';
  where += value_name.empty() ? std::string("(Default)") : registry.FromAnsi(value_name);
  return where;
}

std::string Where(const platform::Registry& registry, const ValueChange& value) {
  if (value.kind == PlaceKind::kFile) {
    return value.key_path;
  }
  if (value.kind == PlaceKind::kRegistry) {
    return Where(registry, value.root, value.key_path, value.value_name);
  }
  // The wide registry's paths and names are recorded in UTF-8 already.
  std::string where = RootName(value.root);
  if (!value.key_path.empty()) {
    where += '\\' + value.key_path;
  }
  where += '\\';
  where += value.value_name.empty() ? std::string("(Default)") : value.value_name;
  if (value.view == platform::RegistryView::k32Bit) {
    where += " (32-bit view)";
  }
  return where;
}

std::string DescribeState(const platform::Registry& registry, const ValueChange& value,
                          const ValueState& state) {
  if (!state || value.kind == PlaceKind::kRegistry) {
    return DescribeState(registry, state);
  }
  if (value.kind == PlaceKind::kFile) {
    return "file of " + std::to_string(state->bytes.size()) + " bytes";
  }
  if (state->type == platform::kRegSz || state->type == platform::kRegExpandSz) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < state->bytes.size(); i += 2) {
      const auto c = static_cast<char16_t>(static_cast<unsigned char>(state->bytes[i]) |
                                           static_cast<unsigned char>(state->bytes[i + 1]) << 8);
      if (c == 0) break;
      text.push_back(c);
    }
    return '"' + platform::Utf8(text) + '"';
  }
  return DescribeState(registry, state);
}

std::string DescribeState(const platform::Registry& registry, const ValueState& state) {
  if (!state) {
    return "(absent)";
  }
  const std::string& bytes = state->bytes;
  if (state->type == platform::kRegDword && bytes.size() == 4) {
    std::uint32_t number = 0;
    for (std::size_t i = 4; i-- > 0;) {
      number = number << 8 | static_cast<unsigned char>(bytes[i]);
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%u (0x%x)", static_cast<unsigned>(number),
                  static_cast<unsigned>(number));
    return text;
  }
  if (state->type == platform::kRegSz) {
    // The terminator is the registry's, not the text's.
    std::string_view text = bytes;
    if (!text.empty() && text.back() == '\0') {
      text.remove_suffix(1);
    }
    return '"' + registry.FromAnsi(text) + '"';
  }
  std::string out = TypeName(state->type);
  char piece[4];
  for (std::size_t i = 0; i < bytes.size() && i < kShownBytes; ++i) {
    std::snprintf(piece, sizeof(piece), " %02x", static_cast<unsigned char>(bytes[i]));
    out += piece;
  }
  if (bytes.size() > kShownBytes) {
    out += " ... (" + std::to_string(bytes.size()) + " bytes)";
  }
  return out;
}

}  // namespace velqor::journal
