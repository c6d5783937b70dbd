#include "platform/win32/system_info.h"

#include <windows.h>

#include <string>

#include "platform/win32/files.h"
#include "platform/win32/system_dll.h"

namespace velqor::platform::win32 {

WindowsVersion Win32SystemInfo::Version() const {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  // RtlGetVersion tells the truth whatever the manifest says; it is looked up, not imported,
  // because the loader of an old system would refuse a program that imports what it lacks.
  const auto rtl_get_version =
      ProcIn<LONG(WINAPI*)(OSVERSIONINFOW*)>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  if (rtl_get_version != nullptr && rtl_get_version(&info) == 0) {
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
  }
  info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (GetVersionExW(&info)) {
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
  }
  return {};
}

bool Win32SystemInfo::FileExists(std::u16string_view path) const {
  const DWORD attributes = GetFileAttributesW(Z(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::u16string Win32SystemInfo::ExpandEnvironment(std::u16string_view text) const {
  const std::wstring source = Z(text);
  std::wstring expanded(source.size() + 64, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) break;
    if (needed <= expanded.size()) {
      expanded.resize(needed - 1);  // without the NUL
      return U(expanded);
    }
    expanded.assign(needed, L'\0');
  }
  return std::u16string(text);
}

std::uint64_t Win32SystemInfo::NowFileTime() const {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

}  // namespace velqor::platform::win32
