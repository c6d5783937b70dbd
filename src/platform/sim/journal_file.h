// The simulated journal file: files in memory on a simulated disk that several copies of the
// program share, with the faults that a real disk and a second copy can cause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/journal_file.h"

namespace velqor::platform::sim {

// Thrown by an append that the disk was told to crash after: the bytes are on the disk, and the
// copy that appended is gone. Not a Failure: nothing in the program may catch it.
struct SimCrash {};

// The disk: files by name, the lock that copies share, and the faults. Every SimJournalFile made
// over one disk sees the same files, as copies of the program see the same folder.
class SimDisk {
 public:
  // The file's contents, or nullopt when it does not exist: the journal (SimJournalFile::kFileName)
  // or a file the user chose, by its full path.
  std::optional<std::string> File(std::string_view name) const;
  // The names of the files on the disk.
  std::vector<std::string> FileNames() const;
  // Writes a file directly, ignoring every fault (a test seeding a journal, or a user's editor).
  void SetFile(std::string_view name, std::string contents);

  // Faults. Files the user chooses cannot be written (a folder without rights): kAccessDenied.
  void RefuseUserFiles(bool refuse = true) { user_files_refused_ = refuse; }
  // The folder cannot be created or opened: every call fails with kAccessDenied.
  void RefuseFolder(bool refuse = true) { folder_refused_ = refuse; }
  // Another program holds the journal file open without sharing it: taking exclusive access
  // fails with kSharingViolation after the retries.
  void HoldFile(bool held = true) { held_ = held; }
  // The disk fills after this many more bytes: the write that crosses it stops there with
  // kDiskFull. nullopt: no limit.
  void SetSpaceLeft(std::optional<std::size_t> bytes) { space_left_ = bytes; }
  // The `count`-th append from now completes, reaches the disk, and then the copy that made it
  // crashes: that append throws SimCrash, and every later call of that copy does nothing.
  void CrashAfterAppends(std::size_t count) { crash_countdown_ = count; }

  // What the copies did: appends that reached the disk, the flushes among them, atomic replaces.
  std::size_t appends() const { return appends_; }
  std::size_t flushes() const { return flushes_; }
  std::size_t replaces() const { return replaces_; }
  // Whether a copy holds exclusive access now.
  bool locked() const { return locked_; }
  // Writes and exclusive access that one of the faults above made fail (reads that fail are not
  // counted: what cannot be read is shown where it is read, not told).
  std::size_t faults_hit() const { return faults_hit_; }

 private:
  friend class SimJournalFile;
  friend class SimJournalLock;

  // Writes as much of `bytes` as the space left allows; kDiskFull when not all fit.
  Status Write(std::string& file, std::string_view bytes);

  std::map<std::string, std::string, std::less<>> files_;
  bool folder_refused_ = false;
  bool user_files_refused_ = false;
  bool held_ = false;
  bool locked_ = false;
  std::optional<std::size_t> space_left_;
  std::optional<std::size_t> crash_countdown_;
  std::size_t appends_ = 0;
  std::size_t flushes_ = 0;
  std::size_t replaces_ = 0;
  std::size_t faults_hit_ = 0;
  std::uint32_t next_copy_ = 1;
};

// One copy's view of the journal file "changes.txt" on a SimDisk. The disk must outlive it.
class SimJournalFile : public JournalFile {
 public:
  explicit SimJournalFile(SimDisk& disk) : disk_(disk), copy_(disk.next_copy_++) {}

  Status Lock(std::unique_ptr<JournalLock>& out) override;
  Status Read(std::string& contents) override;
  Status Size(std::uint64_t& size) override;
  std::string Location() const override;
  std::uint32_t CopyId() const override { return copy_; }
  std::string UtcNow() const override { return now_; }
  // Local time is kLocalOffsetMinutes ahead of UTC, all year.
  std::string LocalTime(std::string_view utc) const override;
  Status WriteUserFile(std::string_view path, std::string_view bytes) override;

  // The time the next records are stamped with.
  void SetNow(std::string utc) { now_ = std::move(utc); }

  static constexpr char kFileName[] = "changes.txt";
  static constexpr int kLocalOffsetMinutes = 60;

 private:
  friend class SimJournalLock;

  SimDisk& disk_;
  std::uint32_t copy_;
  std::string now_ = "2026-01-01T00:00:00Z";
  bool crashed_ = false;  // see SimDisk::CrashAfterAppends
};

}  // namespace velqor::platform::sim
