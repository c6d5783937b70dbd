#include "platform/win32/registry.h"

#include <windows.h>

#include <string>

#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

// The predefined keys are sign-extended pointers on x86_64, so the 32-bit root values are
// mapped by name, not cast.
HKEY ToHkey(KeyHandle key) {
  if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
  if (key == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

Status Win32Registry::OpenKey(KeyHandle root, std::string_view path, std::uint32_t access,
                              KeyHandle& out) {
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExA(ToHkey(root), std::string(path).c_str(), 0, access, &key);
  out = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(key) : 0;
  return status;
}

Status Win32Registry::CreateKey(KeyHandle root, std::string_view path, std::uint32_t access,
                                KeyHandle& out) {
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExA(ToHkey(root), std::string(path).c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  out = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(key) : 0;
  return status;
}

Status Win32Registry::SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t length) {
  return RegSetValueExA(ToHkey(key), std::string(name).c_str(), 0, type, data, length);
}

Status Win32Registry::CloseKey(KeyHandle key) {
  return RegCloseKey(ToHkey(key));
}

Status Win32Registry::QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) {
  DWORD subkey_count = 0;
  DWORD value_count = 0;
  const LSTATUS status =
      RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subkey_count, nullptr, nullptr,
                       &value_count, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) {
    if (subkeys != nullptr) *subkeys = subkey_count;
    if (values != nullptr) *values = value_count;
  }
  return status;
}

Status Win32Registry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* data_length) {
  DWORD name_chars = name_length;
  DWORD value_type = 0;
  DWORD data_bytes = data_length != nullptr ? *data_length : 0;
  const LSTATUS status = RegEnumValueA(ToHkey(key), index, name, &name_chars, nullptr,
                                       type != nullptr ? &value_type : nullptr, data,
                                       data_length != nullptr ? &data_bytes : nullptr);
  // The out-parameters follow what the system wrote (on ERROR_MORE_DATA too).
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    name_length = name_chars;
    if (type != nullptr) *type = value_type;
    if (data_length != nullptr) *data_length = data_bytes;
  }
  return status;
}

Status Win32Registry::QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* data_length) {
  DWORD value_type = 0;
  DWORD data_bytes = data_length != nullptr ? *data_length : 0;
  const LSTATUS status = RegQueryValueExA(ToHkey(key), std::string(name).c_str(), nullptr,
                                          type != nullptr ? &value_type : nullptr, data,
                                          data_length != nullptr ? &data_bytes : nullptr);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    if (type != nullptr) *type = value_type;
    if (data_length != nullptr) *data_length = data_bytes;
  }
  return status;
}

Status Win32Registry::DeleteValue(KeyHandle key, std::string_view name) {
  return RegDeleteValueA(ToHkey(key), std::string(name).c_str());
}

std::string Win32Registry::ToAnsi(std::string_view utf8) const {
  return Utf8ToAnsi(utf8);
}

std::string Win32Registry::FromAnsi(std::string_view ansi) const {
  return AnsiToUtf8(ansi);
}

}  // namespace velqor::platform::win32
