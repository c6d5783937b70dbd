#include "startup/actions.h"

#include <algorithm>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/failure.h"

namespace velqor::startup {

using platform::KeyHandle;
using platform::kFileNotFound;
using platform::kHkeyLocalMachine;
using platform::kPathNotFound;
using platform::kSuccess;
using platform::RegistryView;
using platform::Status;
using platform::WideValue;

namespace {

// The steps of one action, applied in order; on a failure the steps done are put back, last
// first, so that the action changes everything or nothing.
class Changes {
 public:
  explicit Changes(StartupPlatform& platform) : platform_(platform) {}

  void Write(KeyHandle root, RegistryView view, std::u16string key, WideValue value) {
    steps_.push_back(ValueStep{root, view, std::move(key), value.name, std::move(value)});
  }
  void Remove(KeyHandle root, RegistryView view, std::u16string key, std::u16string name) {
    steps_.push_back(ValueStep{root, view, std::move(key), std::move(name), std::nullopt});
  }
  void RemoveEmptyKey(KeyHandle root, RegistryView view, std::u16string key) {
    steps_.push_back(KeyStep{root, view, std::move(key)});
  }
  void WriteFile(std::u16string path, std::string bytes) {
    steps_.push_back(FileStep{std::move(path), std::move(bytes)});
  }
  void RemoveFile(std::u16string path) {
    steps_.push_back(FileStep{std::move(path), std::nullopt});
  }

  // The status of the first step that failed, or kSuccess.
  Status Apply() {
    for (std::size_t i = 0; i < steps_.size(); ++i) {
      if (const Status status = std::visit([&](auto& step) { return Do(step); }, steps_[i]);
          status != kSuccess) {
        while (i-- > 0) {
          std::visit([&](auto& step) { Undo(step); }, steps_[i]);
        }
        return status;
      }
    }
    return kSuccess;
  }

 private:
  struct ValueStep {
    KeyHandle root;
    RegistryView view;
    std::u16string key;
    std::u16string name;
    std::optional<WideValue> after;
    std::optional<WideValue> before = std::nullopt;
    bool made_key = false;  // the write makes the key, so taking it back removes the key too
  };
  struct KeyStep {
    KeyHandle root;
    RegistryView view;
    std::u16string key;
  };
  struct FileStep {
    std::u16string path;
    std::optional<std::string> after;
    std::optional<std::string> before = std::nullopt;
  };

  Status Do(ValueStep& step) {
    WideValue before;
    Status status = platform_.registry.ReadValue(step.root, step.view, step.key, step.name, before);
    if (status == kSuccess) {
      step.before = std::move(before);
    } else if (status != kFileNotFound) {
      return status;
    } else if (step.after) {
      std::vector<WideValue> values;
      step.made_key =
          platform_.registry.EnumValues(step.root, step.view, step.key, values) == kFileNotFound;
    }
    return step.after ? platform_.registry.WriteValue(step.root, step.view, step.key, *step.after)
                      : platform_.registry.DeleteValue(step.root, step.view, step.key, step.name);
  }
  void Undo(const ValueStep& step) {
    static_cast<void>(
        step.before ? platform_.registry.WriteValue(step.root, step.view, step.key, *step.before)
                    : platform_.registry.DeleteValue(step.root, step.view, step.key, step.name));
    if (step.made_key) {
      static_cast<void>(platform_.registry.DeleteEmptyKey(step.root, step.view, step.key));
    }
  }
  Status Do(const KeyStep& step) {
    // A record key that still holds something (another tool's values) stays.
    const Status status = platform_.registry.DeleteEmptyKey(step.root, step.view, step.key);
    return status == platform::kKeyHasChildren || status == kFileNotFound ? kSuccess : status;
  }
  void Undo(const KeyStep&) {}  // putting the values back makes the key again
  Status Do(FileStep& step) {
    std::string before;
    const Status status = platform_.folders.ReadFile(step.path, before);
    if (status == kSuccess) {
      step.before = std::move(before);
    } else if (status != kFileNotFound && status != kPathNotFound) {
      return status;
    }
    return step.after ? platform_.folders.WriteFile(step.path, *step.after)
                      : platform_.folders.RemoveFile(step.path);
  }
  void Undo(const FileStep& step) {
    static_cast<void>(step.before ? platform_.folders.WriteFile(step.path, *step.before)
                                  : platform_.folders.RemoveFile(step.path));
  }

  StartupPlatform& platform_;
  std::vector<std::variant<ValueStep, KeyStep, FileStep>> steps_;
};

WideValue Text(std::u16string name, std::u16string_view text) {
  return WideValue{std::move(name), platform::kRegSz, BytesOf(text)};
}

std::u16string ApprovedKey(const Location& location) {
  return std::u16string(kApprovedKey) + u"\\" + location.approved;
}

// The configuration utility's backup of a disabled Startup folder file.
std::u16string BackupPath(StartupPlatform& platform, const Location& location,
                          std::u16string_view file) {
  return platform.system.ExpandEnvironment(u"%SystemRoot%\\pss\\") +
         std::u16string(FileName(file)) + (location.machine_wide ? u".CommonStartup" : u".Startup");
}

// A new record is named after the entry, as the utility names it; where another location's entry
// of the same name has one already, a number is added.
std::u16string NewRecordKey(StartupPlatform& platform, std::u16string_view store,
                            std::u16string_view name) {
  std::vector<std::u16string> taken;
  if (platform.registry.EnumSubKeys(kHkeyLocalMachine, RegistryView::kNative, store, taken) !=
      kSuccess) {
    taken.clear();
  }
  for (std::u16string& other : taken) other = Lower(other);
  std::u16string free(name);
  for (int n = 2; std::find(taken.begin(), taken.end(), Lower(free)) != taken.end(); ++n) {
    const std::string number = std::to_string(n);
    free = std::u16string(name) + u" (" + std::u16string(number.begin(), number.end()) + u")";
  }
  return std::u16string(store) + u"\\" + free;
}

// The values of a record, each removed on its own, then its key.
void RemoveRecord(StartupPlatform& platform, Changes& changes, const std::u16string& key) {
  std::vector<WideValue> values;
  if (platform.registry.EnumValues(kHkeyLocalMachine, RegistryView::kNative, key, values) ==
      kSuccess) {
    for (const WideValue& value : values) {
      changes.Remove(kHkeyLocalMachine, RegistryView::kNative, key, value.name);
    }
  }
  changes.RemoveEmptyKey(kHkeyLocalMachine, RegistryView::kNative, key);
}

[[noreturn]] void Refuse(const std::string& message) {
  throw platform::Failure(platform::kInvalidParameter, message);
}

void PlanApproved(StartupPlatform& platform, Changes& changes, Action action, const Entry& entry,
                  const Location& location) {
  if (location.approved == nullptr) {
    Refuse("\"" + Utf8(entry.name) + "\" in \"" + location.name +
           "\" cannot be disabled or enabled on this version of Windows, only deleted");
  }
  changes.Write(location.root, RegistryView::kNative, ApprovedKey(location),
                WideValue{entry.name, platform::kRegBinary,
                          ApprovalBytes(action == Action::kEnable, platform.system.NowFileTime())});
}

void PlanRecordDisable(StartupPlatform& platform, Changes& changes, const Entry& entry,
                       const Location& location) {
  if (location.key != nullptr) {
    // The record first: it lives under HKLM, so a refusal comes before anything has changed.
    const std::u16string record = NewRecordKey(platform, kMsConfigRegKey, entry.name);
    const auto put = [&](std::u16string name, WideValue value) {
      value.name = std::move(name);
      changes.Write(kHkeyLocalMachine, RegistryView::kNative, record, std::move(value));
    };
    put(u"key", Text({}, RecordKeyPath(location)));
    put(u"item", Text({}, entry.name));
    put(u"hkey", Text({}, RecordHive(location)));
    // Unlike the utility, the command keeps the entry's own type and bytes.
    put(u"command", entry.value);
    put(u"inimapping", Text({}, u"0"));
    changes.Remove(location.root, location.view, location.key, entry.name);
    return;
  }
  std::string bytes;
  if (const Status status = platform.folders.ReadFile(entry.file, bytes); status != kSuccess) {
    platform::ThrowIfFailed(status, "Reading \"" + Utf8(entry.file) + "\"");
  }
  const std::u16string record =
      NewRecordKey(platform, kMsConfigFolderKey, FolderRecordName(entry.file));
  const std::u16string backup = BackupPath(platform, location, entry.file);
  const auto put = [&](std::u16string name, std::u16string_view text) {
    changes.Write(kHkeyLocalMachine, RegistryView::kNative, record, Text(std::move(name), text));
  };
  put(u"path", entry.file);
  put(u"backup", backup);
  put(u"backupExtension", location.machine_wide ? u".CommonStartup" : u".Startup");
  put(u"location", location.machine_wide ? u"Common Startup" : u"Startup");
  put(u"command", entry.command);
  const std::u16string_view file = FileName(entry.file);
  put(u"item", file.substr(0, file.rfind(u'.')));
  changes.WriteFile(backup, bytes);
  changes.RemoveFile(entry.file);
}

void PlanRecordEnable(StartupPlatform& platform, Changes& changes, const Entry& entry,
                      const Location& location) {
  if (location.key != nullptr) {
    changes.Write(location.root, location.view, location.key, entry.value);
    RemoveRecord(platform, changes, entry.record);
    return;
  }
  const std::u16string& record = entry.record;
  WideValue backup_value;
  std::u16string backup = BackupPath(platform, location, entry.file);
  if (platform.registry.ReadValue(kHkeyLocalMachine, RegistryView::kNative, record, u"backup",
                                  backup_value) == kSuccess) {
    backup = TextOf(backup_value.bytes);
  }
  std::string bytes;
  if (const Status status = platform.folders.ReadFile(backup, bytes); status != kSuccess) {
    platform::ThrowIfFailed(status, "Reading the kept copy \"" + Utf8(backup) + "\"");
  }
  changes.WriteFile(entry.file, bytes);
  RemoveRecord(platform, changes, record);
  changes.RemoveFile(backup);
}

void PlanDelete(StartupPlatform& platform, Changes& changes, const Entry& entry,
                const Location& location) {
  if (!entry.disabled_by_record) {
    if (location.key != nullptr) {
      changes.Remove(location.root, location.view, location.key, entry.name);
    } else {
      changes.RemoveFile(entry.file);
    }
    return;
  }
  if (location.key != nullptr) {
    RemoveRecord(platform, changes, entry.record);
    return;
  }
  const std::u16string& record = entry.record;
  WideValue backup;
  const bool has_backup = platform.registry.ReadValue(kHkeyLocalMachine, RegistryView::kNative,
                                                      record, u"backup", backup) == kSuccess;
  RemoveRecord(platform, changes, record);
  if (has_backup) changes.RemoveFile(TextOf(backup.bytes));
}

// The entry the action is for: the one at that location with exactly that name; where a record
// and a live entry share it, the one the action can apply to.
const Entry* Find(const std::vector<Entry>& entries, Action action, LocationId location,
                  std::u16string_view name) {
  const Entry* found = nullptr;
  for (const Entry& entry : entries) {
    if (entry.location != location || entry.name != name) continue;
    const bool disabled = entry.status == EntryStatus::kDisabled;
    if (found == nullptr || (action == Action::kEnable && disabled) ||
        (action == Action::kDisable && !disabled)) {
      found = &entry;
    }
  }
  return found;
}

// Closes the bracket on every way out.
class Bracket {
 public:
  Bracket(CommandBracket* bracket, Action action) : bracket_(bracket) {
    if (bracket_ != nullptr) bracket_->Begin(ActionName(action));
  }
  ~Bracket() {
    if (bracket_ != nullptr) bracket_->End();
  }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;

 private:
  CommandBracket* bracket_;
};

}  // namespace

const char* ActionName(Action action) {
  switch (action) {
    case Action::kDisable:
      return "Disable";
    case Action::kEnable:
      return "Enable";
    case Action::kDelete:
      return "Delete";
  }
  return "";
}

void Act(StartupPlatform& platform, Action action, LocationId location_id, std::u16string_view name,
         CommandBracket* bracket) {
  const Location& location = LocationOf(location_id);
  const std::vector<Entry> entries = ListEntries(platform);
  const Entry* entry = Find(entries, action, location_id, name);
  if (entry == nullptr) {
    throw platform::Failure(kFileNotFound,
                            "\"" + Utf8(name) + "\" is no longer in \"" + location.name + "\"");
  }
  const bool disabled = entry->status == EntryStatus::kDisabled;
  if ((action == Action::kDisable && disabled) || (action == Action::kEnable && !disabled)) {
    return;  // already as asked
  }
  const Scheme scheme = SchemeFor(platform.system.Version());
  Changes changes(platform);
  if (action == Action::kDelete) {
    PlanDelete(platform, changes, *entry, location);
  } else if (scheme == Scheme::kStartupApproved) {
    PlanApproved(platform, changes, action, *entry, location);
  } else if (action == Action::kDisable) {
    PlanRecordDisable(platform, changes, *entry, location);
  } else {
    PlanRecordEnable(platform, changes, *entry, location);
  }
  Bracket scope(bracket, action);
  const Status status = changes.Apply();
  if (status == platform::kAccessDenied) {
    // On Windows XP to 7 the record is machine-wide even for a per-user entry.
    throw platform::Failure(
        status, location.machine_wide || (scheme == Scheme::kMsConfig && action != Action::kDelete)
                    ? kNeedsAdministrator
                    : "Changing \"" + Utf8(name) + "\" was refused");
  }
  platform::ThrowIfFailed(status, std::string(ActionName(action)) + " \"" + Utf8(name) + "\"");
}

}  // namespace velqor::startup
