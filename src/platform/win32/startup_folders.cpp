#include "platform/win32/startup_folders.h"

#include <windows.h>
// Before the shell headers, which need its definitions.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "platform/win32/files.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {
using Microsoft::WRL::ComPtr;

Status Win32StartupFolders::FolderPath(StartupFolder folder, std::u16string& out) {
  wchar_t path[MAX_PATH] = {};
  const int csidl = folder == StartupFolder::kCurrentUser ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP;
  const HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  if (FAILED(hr)) return static_cast<Status>(hr);
  // S_FALSE: the folder is known but does not exist yet; its path is still the one to use.
  out = U(path);
  return kSuccess;
}

Status Win32StartupFolders::ListFiles(std::u16string_view folder,
                                      std::vector<std::u16string>& out) {
  WIN32_FIND_DATAW found = {};
  const std::wstring pattern = Z(folder) + L"\\*";
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const auto status = static_cast<Status>(GetLastError());
    // An existing empty folder still has "." and "..", so this is a missing one.
    return status == kSuccess ? kFileNotFound : status;
  }
  std::vector<std::u16string> names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(U(found.cFileName));
    }
  } while (FindNextFileW(search, &found));
  const Status status = LastError();
  FindClose(search);
  if (status != ERROR_NO_MORE_FILES) return status;
  out = std::move(names);
  return kSuccess;
}

Status Win32StartupFolders::ReadFile(std::u16string_view path, std::string& out) {
  UniqueHandleKernel file(CreateFileOrNull(Z(path), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  if (!file) return LastError();
  return ReadAll(file.get(), out, 0x4000000);  // no startup file is 64 MiB
}

Status Win32StartupFolders::WriteFile(std::u16string_view path, std::string_view bytes) {
  const std::wstring target = Z(path);
  const std::wstring fresh = target + L".velqor-new";
  Status status = WriteFlushed(fresh, bytes);
  const auto slash = target.rfind(L'\\');
  if (status == ERROR_PATH_NOT_FOUND && slash != std::wstring::npos) {
    status = CreateDirectoryW(target.substr(0, slash).c_str(), nullptr) ? WriteFlushed(fresh, bytes)
                                                                        : LastError();
  }
  // The new contents replace the old in one step, so a failure leaves the old file whole.
  if (status == kSuccess && !MoveFileExW(fresh.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    status = LastError();
    DeleteFileW(fresh.c_str());
  }
  return status;
}

Status Win32StartupFolders::RemoveFile(std::u16string_view path) {
  return DeleteFileW(Z(path).c_str()) ? kSuccess : LastError();
}

Status Win32StartupFolders::ReadShortcut(std::u16string_view path, ShortcutTarget& out) {
  ComPtr<IShellLinkW> link;
  HRESULT hr =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  ComPtr<IPersistFile> file;
  if (SUCCEEDED(hr)) hr = link.As(&file);
  // Loading only reads the file: the target is never searched for (no Resolve), so no window.
  if (SUCCEEDED(hr)) hr = file->Load(Z(path).c_str(), STGM_READ);
  wchar_t target[MAX_PATH] = {};
  if (SUCCEEDED(hr)) hr = link->GetPath(target, MAX_PATH, nullptr, 0);
  wchar_t arguments[INFOTIPSIZE] = {};
  if (SUCCEEDED(hr)) hr = link->GetArguments(arguments, INFOTIPSIZE);
  if (FAILED(hr)) return static_cast<Status>(hr);
  out = ShortcutTarget{U(target), U(arguments)};
  return kSuccess;
}

Status Win32StartupFolders::WriteShortcut(std::u16string_view path, const ShortcutTarget& target) {
  ComPtr<IShellLinkW> link;
  HRESULT hr =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (SUCCEEDED(hr)) hr = link->SetPath(Z(target.path).c_str());
  if (SUCCEEDED(hr)) hr = link->SetArguments(Z(target.arguments).c_str());
  ComPtr<IPersistFile> file;
  if (SUCCEEDED(hr)) hr = link.As(&file);
  if (SUCCEEDED(hr)) hr = file->Save(Z(path).c_str(), TRUE);
  return FAILED(hr) ? static_cast<Status>(hr) : kSuccess;
}

}  // namespace velqor::platform::win32
