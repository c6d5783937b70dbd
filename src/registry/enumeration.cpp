#include "registry/enumeration.h"

#include <algorithm>
#include <cstring>

namespace velqor::registry {

using platform::KeyHandle;
using platform::Status;

namespace {

// The longest value name the registry allows, with its NUL.
constexpr std::uint32_t kLongestName = 16384;

// Text before the first NUL, with leading spaces removed; trailing spaces go only when the
// buffer held no NUL (they are then the buffer's own filling, not part of the text).
std::string TrimmedText(const std::string& buffer) {
  const std::size_t nul = buffer.find('\0');
  std::string text = buffer.substr(0, nul);
  text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
  if (nul == std::string::npos) {
    text.erase(text.find_last_not_of(' ') + 1);
  }
  return text;
}

}  // namespace

platform::KeyHandle RegEnum::OpenRegKey(platform::KeyHandle lRoot, std::string_view sSubKey) {
  KeyHandle hKey = 0;
  static_cast<void>(
      registry_.OpenKey(lRoot, registry_.ToAnsi(sSubKey), platform::kKeyQueryValue, hKey));
  return hKey;
}

std::int32_t RegEnum::GetKeyCount(platform::KeyHandle hKey, std::int32_t lMode) {
  if (lMode != 0 && lMode != 1) {
    return 0;
  }
  std::uint32_t subkeys = 0;
  std::uint32_t values = 0;
  // A failed call leaves both counts at 0.
  static_cast<void>(registry_.QueryInfoKey(hKey, &subkeys, &values));
  return static_cast<std::int32_t>(lMode == 0 ? values : subkeys);
}

bool RegEnum::EnumName(platform::KeyHandle hKey, std::int32_t lIndex, std::string& buffer) {
  const auto index = static_cast<std::uint32_t>(lIndex);
  std::memset(scratch_, 0, sizeof(scratch_));
  buffer.assign(kNameChars, ' ');
  std::uint32_t name_length = kNameChars;
  std::uint32_t type = 0;
  std::uint32_t data_length = kEnumDataBytes;
  Status status =
      registry_.EnumValue(hKey, index, buffer.data(), name_length, &type, scratch_, &data_length);
  if (status == platform::kMoreData) {
    // The data did not fit (a long command line), and the name buffer may be unfilled: ask
    // again for the name alone, in a buffer large enough for any name if need be.
    for (const std::uint32_t size : {kNameChars, kLongestName}) {
      buffer.assign(size, ' ');
      name_length = size;
      status =
          registry_.EnumValue(hKey, index, buffer.data(), name_length, nullptr, nullptr, nullptr);
      if (status != platform::kMoreData) {
        break;
      }
    }
  }
  if (status != platform::kSuccess) {
    buffer.assign(kNameChars, ' ');
    return false;
  }
  return true;
}

std::string RegEnum::EnumRegValueName(platform::KeyHandle hKey, std::int32_t lIndex) {
  std::string buffer;
  if (!EnumName(hKey, lIndex, buffer)) {
    return {};
  }
  return registry_.FromAnsi(TrimmedText(buffer));
}

std::string RegEnum::ExactValueName(platform::KeyHandle hKey, std::int32_t lIndex) {
  std::string buffer;
  if (!EnumName(hKey, lIndex, buffer)) {
    return {};
  }
  return registry_.FromAnsi(buffer.substr(0, buffer.find('\0')));
}

ValueNames RegEnum::EnumRegValueNames(platform::KeyHandle hKey, std::int32_t lIndex) {
  std::string buffer;
  if (!EnumName(hKey, lIndex, buffer)) {
    return {};
  }
  return {registry_.FromAnsi(TrimmedText(buffer)),
          registry_.FromAnsi(buffer.substr(0, buffer.find('\0')))};
}

std::string RegEnum::QueryRegValue(platform::KeyHandle hKey, std::string_view sName) {
  std::string buffer(kQueryDataBytes, '\0');
  std::uint32_t type = 0;
  std::uint32_t length = kQueryDataBytes;
  const Status status =
      registry_.QueryValue(hKey, registry_.ToAnsi(sName), &type,
                           reinterpret_cast<std::uint8_t*>(buffer.data()), &length);
  if (status == platform::kMoreData) {
    return {};  // longer than the buffer: its contents are undefined
  }
  if (status != platform::kSuccess) {
    buffer.assign(kQueryDataBytes, '\0');
  }
  return registry_.FromAnsi(TrimmedText(buffer));
}

}  // namespace velqor::registry
