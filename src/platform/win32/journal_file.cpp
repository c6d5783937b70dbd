#include "platform/win32/journal_file.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "platform/win32/files.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {
namespace {

using UniqueFile = UniqueHandleKernel;

bool IsContention(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_LOCK_VIOLATION;
}

// Opens a file, retrying while another process holds it without sharing.
Status OpenRetrying(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    int attempts, DWORD delay_ms, UniqueFile& out) {
  for (int attempt = 1;; ++attempt) {
    out.reset(CreateFileOrNull(path, access, share, disposition));
    if (out) {
      return kSuccess;
    }
    const Status status = LastError();
    if (!IsContention(status) || attempt >= attempts) {
      return status;
    }
    Sleep(delay_ms);
  }
}

// Exclusive access: the lock file opened without sharing, held as long as this lives, and the
// journal file opened so that nobody else can write it.
class Win32JournalLock : public JournalLock {
 public:
  Win32JournalLock(std::wstring path, UniqueFile lock, int attempts, DWORD delay_ms)
      : path_(std::move(path)), lock_(std::move(lock)), attempts_(attempts), delay_ms_(delay_ms) {}

  Status OpenData(DWORD disposition) {
    if (data_) {
      return kSuccess;
    }
    const Status status = OpenRetrying(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                       disposition, attempts_, delay_ms_, data_);
    return status == ERROR_FILE_NOT_FOUND && disposition == OPEN_EXISTING ? kSuccess : status;
  }

  Status Size(std::uint64_t& size) override {
    LARGE_INTEGER bytes = {};
    if (data_ && !GetFileSizeEx(data_.get(), &bytes)) {
      return LastError();
    }
    size = static_cast<std::uint64_t>(bytes.QuadPart);
    return kSuccess;
  }

  Status ReadAll(std::string& contents) override {
    if (!data_) {
      contents.clear();
      return kSuccess;
    }
    return win32::ReadAll(data_.get(), contents);
  }

  Status Append(std::string_view bytes, Flush flush) override {
    if (const Status status = OpenData(OPEN_ALWAYS); status != kSuccess) {
      return status;
    }
    const LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(data_.get(), zero, nullptr, FILE_END)) {
      return LastError();
    }
    if (const Status status = WriteAll(data_.get(), bytes); status != kSuccess) {
      return status;
    }
    if (flush == Flush::kLater) {
      return kSuccess;
    }
    return FlushFileBuffers(data_.get()) ? kSuccess : LastError();
  }

  Status Replace(std::string_view contents) override {
    const std::wstring fresh = path_ + L".new";
    if (const Status status = WriteFlushed(fresh, contents); status != kSuccess) {
      return status;
    }
    // An open file cannot be replaced; the lock file still keeps every other copy out.
    data_.reset();
    for (int attempt = 1;; ++attempt) {
      if (MoveFileExW(fresh.c_str(), path_.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return OpenData(OPEN_EXISTING);
      }
      const Status status = LastError();
      if ((!IsContention(status) && status != ERROR_ACCESS_DENIED) || attempt >= attempts_) {
        DeleteFileW(fresh.c_str());
        static_cast<void>(OpenData(OPEN_EXISTING));
        return status;
      }
      Sleep(delay_ms_);
    }
  }

 private:
  std::wstring path_;
  UniqueFile lock_;
  UniqueFile data_;
  int attempts_;
  DWORD delay_ms_;
};

}  // namespace

Status Win32JournalFile::Path(std::wstring& out) {
  if (path_.empty()) {
    wchar_t app_data[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                            SHGFP_TYPE_CURRENT, app_data);
    if (FAILED(result)) {
      return HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<Status>(HRESULT_CODE(result))
                                                        : kFileNotFound;
    }
    const std::wstring folder = std::wstring(app_data) + L"\\" + options_.folder;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return LastError();
    }
    path_ = folder + L"\\" + options_.file;
  }
  out = path_;
  return kSuccess;
}

Status Win32JournalFile::Lock(std::unique_ptr<JournalLock>& out) {
  out.reset();
  std::wstring path;
  if (const Status status = Path(path); status != kSuccess) {
    return status;
  }
  UniqueFile lock;
  const auto delay = static_cast<DWORD>(options_.delay_ms);
  if (const Status status = OpenRetrying(path + L".lock", GENERIC_READ, 0, OPEN_ALWAYS,
                                         options_.attempts, delay, lock);
      status != kSuccess) {
    return status;
  }
  auto held = std::make_unique<Win32JournalLock>(path, std::move(lock), options_.attempts, delay);
  const Status status = held->OpenData(OPEN_EXISTING);
  if (status == kSuccess) {
    out = std::move(held);
  }
  return status;
}

Status Win32JournalFile::Read(std::string& contents) {
  std::wstring path;
  if (const Status status = Path(path); status != kSuccess) {
    return status;
  }
  UniqueFile file;
  const Status status =
      OpenRetrying(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   OPEN_EXISTING, options_.attempts, static_cast<DWORD>(options_.delay_ms), file);
  if (status == ERROR_FILE_NOT_FOUND) {
    contents.clear();
    return kSuccess;
  }
  if (status != kSuccess) {
    return status;
  }
  return ReadAll(file.get(), contents);
}

Status Win32JournalFile::Size(std::uint64_t& size) {
  std::wstring path;
  if (const Status status = Path(path); status != kSuccess) {
    return status;
  }
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const Status status = LastError();
    if (status == ERROR_FILE_NOT_FOUND) {
      size = 0;
      return kSuccess;
    }
    return status;
  }
  size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  return kSuccess;
}

std::string Win32JournalFile::Location() const {
  wchar_t app_data[MAX_PATH] = {};
  const bool found =
      SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data));
  return Narrow(std::wstring(found ? app_data : L"%APPDATA%") + L"\\" + options_.folder + L"\\" +
                options_.file);
}

std::uint32_t Win32JournalFile::CopyId() const {
  return GetCurrentProcessId();
}

std::string Win32JournalFile::UtcNow() const {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond);
  return text;
}

std::string Win32JournalFile::LocalTime(std::string_view utc) const {
  const std::optional<UtcTime> t = ParseUtcTime(utc);
  if (!t) {
    return std::string(utc);
  }
  const auto word = [](auto field) { return static_cast<WORD>(field); };
  const SYSTEMTIME universal{word(t->year),   word(t->month),  0, word(t->day), word(t->hour),
                             word(t->minute), word(t->second), 0};
  SYSTEMTIME local = {};
  // With no zone given, the current zone's rules for that date decide summer time.
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
    return std::string(utc);
  }
  char out[32];
  std::snprintf(out, sizeof(out), "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth,
                local.wDay, local.wHour, local.wMinute, local.wSecond);
  return out;
}

Status Win32JournalFile::WriteUserFile(std::string_view path, std::string_view bytes) {
  UniqueFile file(CreateFileOrNull(Widen(path), GENERIC_WRITE, 0, CREATE_ALWAYS));
  if (!file) {
    return LastError();
  }
  return WriteAll(file.get(), bytes);
}

}  // namespace velqor::platform::win32
