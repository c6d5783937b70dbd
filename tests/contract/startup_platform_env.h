// The wide registry, Startup folders and system information that the startup contract suites run
// against: the simulation natively, the real system under Windows (Wine). Everything a test makes
// lives below Software\VelqorContractTest or is a file named VelqorContractTest*, removed before
// and after each test.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/startup_folders.h"
#include "platform/win32/system_info.h"
#include "platform/win32/wide_registry.h"
#else
#include "platform/sim/startup_folders.h"
#include "platform/sim/system_info.h"
#include "platform/sim/wide_registry.h"
#endif

namespace velqor::contract {

inline constexpr char16_t kWideTestKey[] = u"Software\\VelqorContractTest";
inline constexpr char16_t kTestFilePrefix[] = u"VelqorContractTest";

#ifdef _WIN32

class Win32StartupEnv {
 public:
  Win32StartupEnv() { Clean(); }
  ~Win32StartupEnv() { Clean(); }
  Win32StartupEnv(const Win32StartupEnv&) = delete;
  Win32StartupEnv& operator=(const Win32StartupEnv&) = delete;

  platform::WideRegistry& registry() { return registry_; }
  platform::StartupFolders& folders() { return folders_; }
  platform::SystemInfo& system() { return system_; }
  // A file and a folder that exist.
  std::u16string ExistingFile() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return reinterpret_cast<const char16_t*>(path);
  }
  std::u16string ExistingFolder() { return system_.ExpandEnvironment(u"%SystemRoot%"); }

 private:
  static void DeleteTree(HKEY parent, const std::wstring& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | DELETE | view, &key) != ERROR_SUCCESS) {
      return;
    }
    wchar_t child[256];
    for (;;) {
      DWORD length = 256;
      if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      DeleteTree(key, std::wstring(child, length), view);
    }
    RegCloseKey(key);
    HKEY software = nullptr;
    const auto slash = name.rfind(L'\\');
    if (slash == std::wstring::npos) {
      RegDeleteKeyW(parent, name.c_str());
    } else if (RegOpenKeyExW(parent, name.substr(0, slash).c_str(), 0, KEY_READ | DELETE | view,
                             &software) == ERROR_SUCCESS) {
      RegDeleteKeyW(software, name.substr(slash + 1).c_str());
      RegCloseKey(software);
    }
  }
  void CleanFolder(platform::StartupFolder which) {
    std::u16string folder;
    if (folders_.FolderPath(which, folder) != platform::kSuccess) return;
    const std::wstring base(folder.begin(), folder.end());
    WIN32_FIND_DATAW found = {};
    const std::wstring pattern = base + L"\\VelqorContractTest*";
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring path = base + L"\\" + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
          DeleteFileW((path + L"\\file.bin").c_str());
          RemoveDirectoryW(path.c_str());
        } else {
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  void Clean() {
    for (const REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}, REGSAM{KEY_WOW64_64KEY}}) {
      DeleteTree(HKEY_CURRENT_USER, L"Software\\VelqorContractTest", view);
      DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\VelqorContractTest", view);
    }
    CleanFolder(platform::StartupFolder::kCurrentUser);
    CleanFolder(platform::StartupFolder::kAllUsers);
  }

  platform::win32::Win32WideRegistry registry_;
  platform::win32::Win32StartupFolders folders_;
  platform::win32::Win32SystemInfo system_;
};

using StartupEnvironments = ::testing::Types<Win32StartupEnv>;

#else

class SimStartupEnv {
 public:
  SimStartupEnv() { system_.AddFile(u"C:\\Windows\\notepad.exe"); }
  platform::WideRegistry& registry() { return registry_; }
  platform::StartupFolders& folders() { return folders_; }
  platform::SystemInfo& system() { return system_; }
  std::u16string ExistingFile() { return u"C:\\Windows\\notepad.exe"; }
  std::u16string ExistingFolder() { return u"C:\\Windows"; }

 private:
  platform::sim::SimWideRegistry registry_;
  platform::sim::SimStartupFolders folders_;
  platform::sim::SimSystemInfo system_;
};

using StartupEnvironments = ::testing::Types<SimStartupEnv>;

#endif

}  // namespace velqor::contract
