#include "platform/win32/wide_registry.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/files.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {
namespace {

HKEY ToHkey(KeyHandle root) {
  return root == kHkeyCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

Win32WideRegistry::Win32WideRegistry() {
#ifdef _WIN64
  separate_view_ = true;
#else
  BOOL wow64 = FALSE;
  wow64_ = IsWow64Process(GetCurrentProcess(), &wow64) != 0 && wow64 != FALSE;
  separate_view_ = wow64_;
#endif
}

Status Win32WideRegistry::ViewFlags(KeyHandle root, RegistryView view, std::uint32_t& flags) const {
  if (root != kHkeyCurrentUser && root != kHkeyLocalMachine) return kInvalidHandle;
  if (view == RegistryView::k32Bit) {
    flags = KEY_WOW64_32KEY;
    return separate_view_ ? kSuccess : kNotSupported;
  }
  flags = wow64_ ? KEY_WOW64_64KEY : 0;
  return kSuccess;
}

Status Win32WideRegistry::Open(KeyHandle root, RegistryView view, std::u16string_view path,
                               std::uint32_t access, bool create, UniqueHkey& key) const {
  std::uint32_t flags = 0;
  if (const Status status = ViewFlags(root, view, flags); status != kSuccess) return status;
  return create
             ? RegCreateKeyExW(ToHkey(root), Z(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               access | flags, nullptr, key.put(), nullptr)
             : RegOpenKeyExW(ToHkey(root), Z(path).c_str(), 0, access | flags, key.put());
}

Status Win32WideRegistry::ReadValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                    std::u16string_view name, WideValue& out) {
  UniqueHkey key;
  LSTATUS status = Open(root, view, path, KEY_QUERY_VALUE, false, key);
  if (status != ERROR_SUCCESS) return status;
  const std::wstring wname = Z(name);
  // The size first, then a buffer of exactly that size, so that nothing but the stored bytes can
  // come back.
  for (;;) {
    DWORD type = 0;
    DWORD length = 0;
    status = RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, nullptr, &length);
    if (status != ERROR_SUCCESS) return status;
    std::string bytes(length, '\0');
    status = RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(bytes.data()), &length);
    if (status == ERROR_MORE_DATA) continue;  // made bigger meanwhile
    if (status != ERROR_SUCCESS) return status;
    bytes.resize(length);
    out = WideValue{std::u16string(name), type, std::move(bytes)};
    return kSuccess;
  }
}

Status Win32WideRegistry::EnumValues(KeyHandle root, RegistryView view, std::u16string_view path,
                                     std::vector<WideValue>& out) {
  UniqueHkey key;
  LSTATUS status = Open(root, view, path, KEY_QUERY_VALUE, false, key);
  if (status != ERROR_SUCCESS) return status;
  DWORD max_name = 0;
  DWORD max_data = 0;
  status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, &max_name, &max_data, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::vector<wchar_t> name(max_name + 1);
  std::string data(max_data, '\0');
  std::vector<WideValue> values;
  for (DWORD index = 0;;) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_length = static_cast<DWORD>(data.size());
    DWORD type = 0;
    status = RegEnumValueW(key.get(), index, name.data(), &name_length, nullptr, &type,
                           reinterpret_cast<BYTE*>(data.data()), &data_length);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) {
      // Another program made a value bigger since the sizes were asked: grow and ask again.
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    values.push_back(WideValue{U({name.data(), name_length}), type, data.substr(0, data_length)});
    ++index;
  }
  out = std::move(values);
  return kSuccess;
}

Status Win32WideRegistry::EnumSubKeys(KeyHandle root, RegistryView view, std::u16string_view path,
                                      std::vector<std::u16string>& out) {
  UniqueHkey key;
  LSTATUS status = Open(root, view, path, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, false, key);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> names;
  wchar_t name[256];  // a key name has at most 255 characters
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    names.push_back(U({name, length}));
  }
  out = std::move(names);
  return kSuccess;
}

Status Win32WideRegistry::WriteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                     const WideValue& value) {
  UniqueHkey key;
  const LSTATUS status = Open(root, view, path, KEY_SET_VALUE, true, key);
  if (status != ERROR_SUCCESS) return status;
  // Text given without its NUL gains one when a NUL follows it in memory (the system counts it in,
  // "forgotten" by the caller): a guard that is not NUL keeps the bytes exact.
  std::string guarded = value.bytes;
  guarded.append(2, '\xFF');
  return RegSetValueExW(key.get(), Z(value.name).c_str(), 0, value.type,
                        reinterpret_cast<const BYTE*>(guarded.data()),
                        static_cast<DWORD>(value.bytes.size()));
}

Status Win32WideRegistry::DeleteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                      std::u16string_view name) {
  UniqueHkey key;
  const LSTATUS status = Open(root, view, path, KEY_SET_VALUE, false, key);
  if (status != ERROR_SUCCESS) return status;
  return RegDeleteValueW(key.get(), Z(name).c_str());
}

Status Win32WideRegistry::DeleteEmptyKey(KeyHandle root, RegistryView view,
                                         std::u16string_view path) {
  std::uint32_t flags = 0;
  if (const Status status = ViewFlags(root, view, flags); status != kSuccess) return status;
  const auto slash = path.rfind(u'\\');
  if (slash == std::u16string_view::npos) return kInvalidParameter;
  UniqueHkey key;
  LSTATUS status = Open(root, view, path, KEY_QUERY_VALUE, false, key);
  if (status != ERROR_SUCCESS) return status;
  DWORD subkeys = 0;
  DWORD values = 0;
  status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  if (subkeys != 0 || values != 0) return kKeyHasChildren;
  // RegDeleteKeyExW, which takes the view, is missing on 32-bit XP: the parent is opened in the
  // view instead and the key deleted below it by its own name.
  UniqueHkey parent;
  status = Open(root, view, path.substr(0, slash),
                KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE, false, parent);
  if (status != ERROR_SUCCESS) return status;
  return RegDeleteKeyW(parent.get(), Z(path.substr(slash + 1)).c_str());
}

}  // namespace velqor::platform::win32
