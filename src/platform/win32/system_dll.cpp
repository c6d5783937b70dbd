#include "platform/win32/system_dll.h"

#include <commctrl.h>

#include <string>

namespace velqor::platform::win32 {

void RestrictDllSearch() noexcept {
  SetDllDirectoryW(L"");
  // Newer than the oldest Windows served: looked up, so that the program still loads there.
  const auto set_default_dll_directories =
      ProcIn<BOOL(WINAPI*)(DWORD)>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (set_default_dll_directories != nullptr) {
    set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

HMODULE LoadSystemDll(const wchar_t* name) noexcept {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return nullptr;
  }
  try {
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {  // no memory for the path
    return nullptr;
  }
}

HMODULE LoadCommonControls(DWORD classes) noexcept {
  HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
  if (comctl32 == nullptr) {
    return nullptr;
  }
  const auto init =
      ProcIn<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(comctl32, "InitCommonControlsEx");
  if (init != nullptr) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = classes;
    init(&controls);
  }
  return comctl32;
}

}  // namespace velqor::platform::win32
