#include "platform/win32/settings.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

namespace {

std::wstring KeyPath(std::string_view application, std::string_view section) {
  return L"Software\\" + Widen(application) + L"\\" + Widen(section);
}

}  // namespace

void Win32SettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                     std::string_view key, std::string_view value) {
  const std::string what = "Saving the setting HKCU\\Software\\" + std::string(application) + "\\" +
                           std::string(section) + "\\" + std::string(key);
  UniqueHkey hkey;
  ThrowIfFailed(
      ::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, hkey.put(), nullptr),
      what);
  const std::wstring data = Widen(value);
  const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));  // with the NUL
  ThrowIfFailed(::RegSetValueExW(hkey.get(), Widen(key).c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(data.c_str()), bytes),
                what);
}

std::optional<std::string> Win32SettingsStore::GetSetting(std::string_view application,
                                                          std::string_view section,
                                                          std::string_view key) {
  UniqueHkey hkey;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(application, section).c_str(), 0, KEY_QUERY_VALUE,
                      hkey.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring name = Widen(key);
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return Narrow(std::wstring(buffer.data()));  // the text ends at the first NUL
}

}  // namespace velqor::platform::win32
