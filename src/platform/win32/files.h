// What the Win32 parts that keep files share: the platform's UTF-16 text for the W functions, and
// whole-file reads and writes that report the system's error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// A NUL-terminated copy for the W functions, and back; char16_t and wchar_t are both UTF-16 here.
inline std::wstring Z(std::u16string_view text) {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string U(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// GetLastError as a status; a call that failed without setting one reads as kAccessDenied.
inline Status LastError() {
  const DWORD error = GetLastError();
  return error != 0 ? static_cast<Status>(error) : kAccessDenied;
}

// CreateFileW fails with INVALID_HANDLE_VALUE, which the owner must not close: it becomes null.
inline HANDLE CreateFileOrNull(const std::wstring& path, DWORD access, DWORD share,
                               DWORD disposition) {
  const HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// Writes every byte at the file pointer, in pieces WriteFile takes.
inline Status WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000U ? 0x10000000U : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      return LastError();
    }
    bytes.remove_prefix(written);
  }
  return kSuccess;
}

// Creates or replaces `path` holding `bytes`, flushed to the disk; a file that could not be
// written whole is deleted again.
inline Status WriteFlushed(const std::wstring& path, std::string_view bytes) {
  UniqueHandleKernel file(CreateFileOrNull(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
  if (!file) {
    return LastError();
  }
  Status status = WriteAll(file.get(), bytes);
  if (status == kSuccess && !FlushFileBuffers(file.get())) {
    status = LastError();
  }
  file.reset();
  if (status != kSuccess) {
    DeleteFileW(path.c_str());
  }
  return status;
}

// The whole file from its start; ERROR_NOT_SUPPORTED for one larger than `limit` bytes.
inline Status ReadAll(HANDLE file, std::string& contents, std::uint64_t limit = UINT64_MAX) {
  LARGE_INTEGER size = {};
  const LARGE_INTEGER start = {};
  if (!GetFileSizeEx(file, &size) || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
    return LastError();
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
    return ERROR_NOT_SUPPORTED;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                  nullptr)) {
      return LastError();
    }
    if (read == 0) {
      break;  // the file shrank meanwhile
    }
    done += read;
  }
  bytes.resize(done);
  contents = std::move(bytes);
  return kSuccess;
}

}  // namespace velqor::platform::win32
