// The file that keeps the change journal: one per user, in the user's application data folder,
// shared safely by every copy of the program that runs at the same time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/failure.h"

namespace velqor::platform {

inline constexpr Status kSharingViolation = 32;
inline constexpr Status kDiskFull = 112;

// A time as JournalFile::UtcNow gives it, taken apart; nullopt for other text or a field out of its
// range.
struct UtcTime {
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
inline std::optional<UtcTime> ParseUtcTime(std::string_view text) {
  UtcTime t;
  int used = 0;
  const std::string z(text);
  if (z.size() != 20 ||
      std::sscanf(z.c_str(), "%4d-%2u-%2uT%2u:%2u:%2uZ%n", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &t.second, &used) != 6 ||
      used != 20 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
      t.minute > 59 || t.second > 59) {
    return std::nullopt;
  }
  return t;
}

// Whether an append waits until its bytes are on the disk.
enum class Flush {
  kNow,    // returns once the bytes are on the disk (FlushFileBuffers)
  kLater,  // written to the file; the system puts them on the disk in its own time
};

// Exclusive access to the journal file. While one exists, no other copy of the program (and no
// other JournalLock on the same file) can append to or replace the file. Released when destroyed.
class JournalLock {
 public:
  virtual ~JournalLock() = default;

  // The file's size in bytes; 0 while it does not exist.
  [[nodiscard]] virtual Status Size(std::uint64_t& size) = 0;
  // The whole file; empty while it does not exist. On failure `contents` is untouched.
  [[nodiscard]] virtual Status ReadAll(std::string& contents) = 0;
  // Adds `bytes` at the end of the file (created when missing); with Flush::kNow returns only once
  // they are on the disk. On failure a part of them may have reached the file.
  [[nodiscard]] virtual Status Append(std::string_view bytes, Flush flush) = 0;
  // Replaces the whole file by `contents`: a new file is written and flushed beside it, then moved
  // over the old one in one step, so a crash leaves either the old file or the new one. On
  // failure the old file is as it was.
  [[nodiscard]] virtual Status Replace(std::string_view contents) = 0;
};

// The journal file of the user who runs the program. Nothing here throws.
class JournalFile {
 public:
  virtual ~JournalFile() = default;

  // Creates the folder when it is missing, then takes exclusive access, retrying briefly while
  // another copy holds it. On failure (folder refused, file held for longer than the retries)
  // `out` is empty and the status says why.
  [[nodiscard]] virtual Status Lock(std::unique_ptr<JournalLock>& out) = 0;
  // The whole file, read without exclusive access: a line that another copy is appending may be
  // seen cut short. A missing file reads as empty with kSuccess.
  [[nodiscard]] virtual Status Read(std::string& contents) = 0;
  // The file's size in bytes, asked without exclusive access or opening the file: 0 while it
  // does not exist. Cheap enough to ask after every command, to tell whether another copy wrote.
  [[nodiscard]] virtual Status Size(std::uint64_t& size) = 0;
  // The file's full path, UTF-8, for messages.
  virtual std::string Location() const = 0;
  // A number that no other copy running at the same time has (the process id), so that lines of
  // two copies appending at once never mix.
  virtual std::uint32_t CopyId() const = 0;
  // The time now, UTC, as "YYYY-MM-DDTHH:MM:SSZ": what each record is stamped with.
  virtual std::string UtcNow() const = 0;
  // A time as UtcNow gives it, in the user's local time as "YYYY-MM-DD HH:MM:SS" (by the time
  // zone's rules for that date, summer time included). Text that is not such a time comes back
  // as it is.
  virtual std::string LocalTime(std::string_view utc) const = 0;
  // Writes a file that the user chose (an export): the file, created or replaced, holds exactly
  // `bytes`. `path` is a full path, UTF-8. The status of the first step that failed.
  [[nodiscard]] virtual Status WriteUserFile(std::string_view path, std::string_view bytes) = 0;
};

}  // namespace velqor::platform
