#include "platform/sim/journal_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace velqor::platform::sim {

std::vector<std::string> SimDisk::FileNames() const {
  std::vector<std::string> names(files_.size());
  std::transform(files_.begin(), files_.end(), names.begin(),
                 [](const auto& f) { return f.first; });
  return names;
}

std::optional<std::string> SimDisk::File(std::string_view name) const {
  const auto it = files_.find(name);
  return it != files_.end() ? std::optional<std::string>(it->second) : std::nullopt;
}

void SimDisk::SetFile(std::string_view name, std::string contents) {
  files_[std::string(name)] = std::move(contents);
}

Status SimDisk::Write(std::string& file, std::string_view bytes) {
  std::size_t fits = bytes.size();
  if (space_left_) {
    fits = std::min(fits, *space_left_);
    *space_left_ -= fits;
  }
  file.append(bytes.substr(0, fits));
  if (fits != bytes.size()) {
    ++faults_hit_;
    return kDiskFull;
  }
  return kSuccess;
}

class SimJournalLock : public JournalLock {
 public:
  explicit SimJournalLock(SimJournalFile& owner) : owner_(owner) { disk().locked_ = true; }
  ~SimJournalLock() override { disk().locked_ = false; }
  SimJournalLock(const SimJournalLock&) = delete;
  SimJournalLock& operator=(const SimJournalLock&) = delete;

  Status Size(std::uint64_t& size) override {
    if (owner_.crashed_) return kSuccess;
    const auto it = disk().files_.find(SimJournalFile::kFileName);
    size = it != disk().files_.end() ? it->second.size() : 0;
    return kSuccess;
  }

  Status ReadAll(std::string& contents) override {
    if (owner_.crashed_) return kSuccess;
    contents = disk().File(SimJournalFile::kFileName).value_or(std::string());
    return kSuccess;
  }

  Status Append(std::string_view bytes, Flush flush) override {
    if (owner_.crashed_) return kSuccess;
    const Status status = disk().Write(disk().files_[SimJournalFile::kFileName], bytes);
    if (status != kSuccess) {
      return status;
    }
    ++disk().appends_;
    disk().flushes_ += flush == Flush::kNow ? 1 : 0;
    if (disk().crash_countdown_ && --*disk().crash_countdown_ == 0) {
      disk().crash_countdown_.reset();
      owner_.crashed_ = true;
      throw SimCrash{};
    }
    return kSuccess;
  }

  Status Replace(std::string_view contents) override {
    if (owner_.crashed_) return kSuccess;
    std::string fresh;
    const Status status = disk().Write(fresh, contents);
    if (status != kSuccess) {
      return status;  // the new file is abandoned; the old one stays as it was
    }
    auto& file = disk().files_[SimJournalFile::kFileName];
    if (disk().space_left_) {
      *disk().space_left_ += file.size();  // the old file's space comes back
    }
    file = std::move(fresh);
    ++disk().replaces_;
    return kSuccess;
  }

 private:
  SimDisk& disk() { return owner_.disk_; }

  SimJournalFile& owner_;
};

Status SimJournalFile::Lock(std::unique_ptr<JournalLock>& out) {
  out.reset();
  if (crashed_) {
    return kSharingViolation;
  }
  if (disk_.folder_refused_) {
    ++disk_.faults_hit_;
    return kAccessDenied;
  }
  // Nothing here can let the lock go while the real implementation would retry it.
  if (disk_.locked_ || disk_.held_) {
    disk_.faults_hit_ += disk_.held_ ? 1 : 0;
    return kSharingViolation;
  }
  out = std::make_unique<SimJournalLock>(*this);
  return kSuccess;
}

Status SimJournalFile::Read(std::string& contents) {
  if (disk_.folder_refused_) {
    return kAccessDenied;
  }
  contents = disk_.File(kFileName).value_or(std::string());
  return kSuccess;
}

Status SimJournalFile::Size(std::uint64_t& size) {
  if (disk_.folder_refused_) {
    return kAccessDenied;
  }
  size = disk_.File(kFileName).value_or(std::string()).size();
  return kSuccess;
}

std::string SimJournalFile::LocalTime(std::string_view utc) const {
  const std::optional<UtcTime> t = ParseUtcTime(utc);
  if (!t) {
    return std::string(utc);
  }
  namespace chrono = std::chrono;
  // A day past the month's end (the 31st of April) counts on into the next month.
  const chrono::sys_days date{chrono::year{t->year} / static_cast<int>(t->month) /
                              static_cast<int>(t->day)};
  const auto local =
      date + chrono::hours{t->hour} + chrono::minutes{t->minute + kLocalOffsetMinutes};
  const auto local_day = chrono::floor<chrono::days>(local);
  const chrono::year_month_day ymd{local_day};
  const auto minutes = (local - local_day).count();
  char out[64];  // room for any value the formats can print, as the optimiser checks
  std::snprintf(out, sizeof(out), "%04d-%02u-%02u %02u:%02u:%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<unsigned>(minutes / 60), static_cast<unsigned>(minutes % 60),
                t->second);
  return out;
}

Status SimJournalFile::WriteUserFile(std::string_view path, std::string_view bytes) {
  if (disk_.user_files_refused_) {
    ++disk_.faults_hit_;
    return kAccessDenied;
  }
  std::string contents;
  const Status status = disk_.Write(contents, bytes);
  if (status == kSuccess) {
    disk_.files_[std::string(path)] = std::move(contents);
  }
  return status;
}

std::string SimJournalFile::Location() const {
  return "C:\\Users\\User\\AppData\\Roaming\\Velqor\\changes.txt";
}

}  // namespace velqor::platform::sim
