// The journal file on the real disk: %APPDATA%\Velqor\changes.txt, appended with a flush per
// append and replaced with a write-through move, under exclusive access that copies share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/journal_file.h"

namespace velqor::platform::win32 {

class Win32JournalFile : public JournalFile {
 public:
  // Where the file goes and how long a copy waits for another one's exclusive access.
  struct Options {
    std::wstring folder = L"Velqor";  // under the user's application data folder
    std::wstring file = L"changes.txt";
    int attempts = 20;
    std::uint32_t delay_ms = 50;
  };

  Win32JournalFile() : Win32JournalFile(Options{}) {}
  explicit Win32JournalFile(Options options) : options_(std::move(options)) {}

  Status Lock(std::unique_ptr<JournalLock>& out) override;
  Status Read(std::string& contents) override;
  Status Size(std::uint64_t& size) override;
  std::string Location() const override;
  std::uint32_t CopyId() const override;
  std::string UtcNow() const override;
  std::string LocalTime(std::string_view utc) const override;
  Status WriteUserFile(std::string_view path, std::string_view bytes) override;

 private:
  // The file's full path, its folder created when missing; cached once found.
  Status Path(std::wstring& out);

  Options options_;
  std::wstring path_;
};

}  // namespace velqor::platform::win32
