#include "journal/recorder.h"

#include <tuple>

#include "journal/place_recorders.h"

namespace velqor::journal {

using platform::KeyHandle;
using platform::Status;

namespace {

bool IsRoot(KeyHandle key) {
  return key == platform::kHkeyCurrentUser || key == platform::kHkeyLocalMachine;
}

// A value's identity: the registry matches names without regard to case.
std::string Identity(KeyHandle root, std::string_view path, std::string_view name) {
  std::string id = root == platform::kHkeyLocalMachine ? "HKLM\\" : "HKCU\\";
  id += path;
  id += '\n';
  id += name;
  for (char& c : id) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return id;
}

}  // namespace

Recorder::Recorder(platform::Registry& registry, JournalWriter& journal)
    : registry_(registry), journal_(journal) {}

Recorder::~Recorder() = default;

void Recorder::RecordAlso(platform::WideRegistry& registry, platform::StartupFolders& folders) {
  wide_ = std::make_unique<RecordingWideRegistry>(registry, *this);
  folders_ = std::make_unique<RecordingStartupFolders>(folders, *this);
}

platform::WideRegistry* Recorder::wide() {
  return wide_.get();
}

platform::StartupFolders* Recorder::folders() {
  return folders_.get();
}

void Recorder::BeginCommand(std::string_view name, std::uint64_t undoes) {
  if (depth_++ > 0) {
    // Until the record's first line is written, the innermost command names it: the undo that
    // a menu entry starts is recorded as that undo, the restore of a close chosen from the menu
    // as "Close". A nested command that changes nothing gives the name back when it ends.
    outer_.emplace_back(name_, undoes_);
    if (sequence_ == 0) {
      name_ = name;
      undoes_ = undoes;
    }
    return;
  }
  name_ = name;
  undoes_ = undoes;
  sequence_ = 0;
  values_ = 0;
  changed_ = 0;
  pending_.clear();
  prepared_.clear();
}

void Recorder::KeepEmpty() {
  if (depth_ > 0 && sequence_ == 0) {
    // Opened now, while the command that asks is the innermost one and names the record.
    static_cast<void>(RecordBefore({}));
  }
}

void Recorder::EndCommand() {
  if (depth_ == 0) {
    return;
  }
  if (--depth_ > 0) {
    if (sequence_ == 0) {
      std::tie(name_, undoes_) = outer_.back();
    }
    outer_.pop_back();
    return;
  }
  if (sequence_ == 0 || failure_) {
    return;  // nothing changed, or nothing more can be recorded
  }
  std::string text = std::move(pending_);
  pending_.clear();
  prepared_.clear();
  text += EncodeRecord(EndRecord{sequence_, journal_.file().CopyId(), changed_});
  // Not flushed: lost in a crash, these lines leave a record whose undo is still right, as it
  // compares each value with its before-state.
  if (const Status status =
          journal_.Append(false, platform::Flush::kLater, [&](std::uint64_t) { return text; });
      status != platform::kSuccess) {
    return Fail(status);
  }
  sequence_ = 0;
  // Dropping old commands is housekeeping: when it fails, the file just stays longer.
  static_cast<void>(journal_.DropOldCommands());
}

bool Recorder::TakeFailureNotice() {
  if ((!failure_ && !missed_) || failure_told_) {
    return false;
  }
  failure_told_ = true;
  return true;
}

void Recorder::Missed(const BeforeRecord& where, Status status) {
  if (!missed_) {
    missed_ = MissedChange{{where.root, where.key_path, where.value_name, ValueState(),
                            std::nullopt, platform::kSuccess, where.kind, where.view},
                           status};
  }
}

void Recorder::Fail(Status status) {
  if (!failure_) {
    failure_ = status;
  }
}

std::optional<Recorder::Place> Recorder::PlaceOf(KeyHandle key) const {
  if (IsRoot(key)) {
    return Place{key, {}};
  }
  const auto it = places_.find(key);
  if (it == places_.end()) {
    return std::nullopt;
  }
  return it->second;
}

Status Recorder::Open(KeyHandle root, std::string_view path, std::uint32_t access, bool create,
                      KeyHandle& out) {
  const auto call = [&](std::uint32_t rights) {
    return create ? registry_.CreateKey(root, path, rights, out)
                  : registry_.OpenKey(root, path, rights, out);
  };
  // A key opened for writing is also opened for reading when the user may, so that the value's
  // state before a change can be read through the same handle.
  Status status = platform::kAccessDenied;
  const bool writes = (access & platform::kKeySetValue) != 0;
  if (writes && (access & platform::kKeyQueryValue) == 0) {
    status = call(access | platform::kKeyQueryValue);
  }
  if (!writes || (access & platform::kKeyQueryValue) != 0 || status == platform::kAccessDenied) {
    status = call(access);
  }
  if (status == platform::kSuccess) {
    if (const std::optional<Place> parent = PlaceOf(root)) {
      Place place = *parent;
      if (!place.path.empty() && !path.empty()) {
        place.path += '\\';
      }
      place.path += path;
      places_[out] = std::move(place);
    }
  }
  return status;
}

Status Recorder::OpenKey(KeyHandle root, std::string_view path, std::uint32_t access,
                         KeyHandle& out) {
  return Open(root, path, access, false, out);
}

Status Recorder::CreateKey(KeyHandle root, std::string_view path, std::uint32_t access,
                           KeyHandle& out) {
  return Open(root, path, access, true, out);
}

Status Recorder::CloseKey(KeyHandle key) {
  const Status status = registry_.CloseKey(key);
  if (status == platform::kSuccess) {
    places_.erase(key);
  }
  return status;
}

Status Recorder::ReadBefore(KeyHandle key, const Place& place, std::string_view name,
                            ValueState& out) {
  Status status = ReadState(registry_, key, name, out);
  if (status == platform::kAccessDenied) {
    // A handle without the right to read: read through a read-only one.
    status = ReadState(registry_, place.root, place.path, name, out);
  }
  return status;
}

bool Recorder::RecordBefore(const std::vector<BeforeRecord>& values) {
  if (failure_) {
    return false;
  }
  const bool opens = sequence_ == 0;
  const std::uint32_t copy = journal_.file().CopyId();
  std::uint64_t sequence = sequence_;
  const auto make = [&](std::uint64_t next) {
    std::string text;
    if (opens) {
      sequence = next;
      text = EncodeRecord(BeginRecord{sequence, copy, journal_.file().UtcNow(), undoes_, name_});
    }
    text += pending_;
    for (BeforeRecord value : values) {
      value.sequence = sequence;
      value.copy = copy;
      text += EncodeRecord(value);
    }
    return text;
  };
  const Status status = journal_.Append(opens, platform::Flush::kNow, make, undoes_);
  if (status != platform::kSuccess) {
    Fail(status);
    return false;
  }
  sequence_ = sequence;
  values_ += static_cast<std::uint32_t>(values.size());
  pending_.clear();
  return true;
}

void Recorder::Prepare(const std::vector<PlannedChange>& changes) {
  if (depth_ == 0 || failure_) {
    return;
  }
  std::vector<BeforeRecord> records;
  std::vector<std::string> ids;
  // The tables list a key's values together: each key is opened once for them.
  platform::ScopedKey key(registry_);
  const PlannedChange* opened = nullptr;  // the change whose key `key` holds
  Status open = platform::kSuccess;
  for (const PlannedChange& change : changes) {
    if (opened == nullptr || opened->root != change.root || opened->key_path != change.key_path) {
      key.Reset();
      open = registry_.OpenKey(change.root, change.key_path, platform::kKeyQueryValue, key.out());
      opened = &change;
    }
    ValueState before;
    std::string id = Identity(change.root, change.key_path, change.value_name);
    const Status read = open == platform::kFileNotFound ? platform::kSuccess
                        : open != platform::kSuccess
                            ? open
                            : ReadState(registry_, key.get(), change.value_name, before);
    if (read != platform::kSuccess || before == change.state || prepared_.count(id) != 0) {
      continue;  // no change to come, or one the change itself will record
    }
    const auto index = static_cast<std::uint32_t>(values_ + records.size() + 1);
    records.push_back(
        {0, 0, index, change.root, change.key_path, change.value_name, std::move(before)});
    ids.push_back(std::move(id));
  }
  if (records.empty() || !RecordBefore(records)) {
    return;
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    prepared_[ids[i]] = {records[i].index, std::move(records[i].before)};
  }
}

std::string Identity(const BeforeRecord& where) {
  if (where.kind == PlaceKind::kRegistry) {
    return Identity(where.root, where.key_path, where.value_name);
  }
  const bool is_32bit = where.view == platform::RegistryView::k32Bit;
  return (where.kind == PlaceKind::kFile ? "F\\"
          : is_32bit                     ? "W32\\"
                                         : "W64\\") +
         Identity(where.root, where.key_path, where.value_name);
}

template <typename Call>
Status Recorder::Change(KeyHandle key, std::string_view name, const ValueState& wanted,
                        Call&& call) {
  const std::optional<Place> place = PlaceOf(key);
  if (!place || failure_) {
    return call();  // no way to record it
  }
  BeforeRecord where;
  where.root = place->root;
  where.key_path = place->path;
  where.value_name = std::string(name);
  // A state prepared for this value is on the disk already, read moments ago in this command:
  // it is not read again.
  if (const auto prepared = prepared_.find(Identity(where)); prepared != prepared_.end()) {
    where.before = prepared->second.second;
  } else if (const Status read = ReadBefore(key, *place, name, where.before);
             read != platform::kSuccess) {
    // Refusing the change would break the command; it goes ahead, and the user is told.
    const Status status = call();
    if (status == platform::kSuccess) {
      Missed(where, read);
    }
    return status;
  }
  // A value the registry accepted holds exactly the type and bytes given (or is gone): no need
  // to read it back.
  return Track(std::move(where), wanted, call,
               []() -> std::optional<ValueState> { return std::nullopt; });
}

Status Recorder::Track(BeforeRecord where, const ValueState& wanted,
                       const std::function<Status()>& call,
                       const std::function<std::optional<ValueState>()>& now) {
  if (failure_ || where.before == wanted) {
    return call();  // no change to record, or no way to record it
  }
  const bool alone = depth_ == 0;  // a change outside any command is a command of its own
  if (alone) {
    BeginCommand(kUnnamedCommand);
  }
  // A before-state prepared for this value, and still the value's state, is durable already.
  std::uint32_t index = 0;
  const ValueState before = where.before;
  const auto prepared = prepared_.find(Identity(where));
  if (prepared != prepared_.end() && prepared->second.second == before) {
    index = prepared->second.first;
    prepared_.erase(prepared);
  } else {
    where.index = values_ + 1;
    if (RecordBefore({std::move(where)})) {
      index = values_;
    }
  }
  const Status status = call();
  if (index != 0) {
    ValueState after = status == platform::kSuccess ? wanted : before;
    if (status == platform::kSuccess) {
      // What the place holds now, which is what a later undo compares with.
      if (std::optional<ValueState> read = now()) {
        after = std::move(*read);
      }
    }
    pending_ += EncodeRecord(
        AfterRecord{sequence_, journal_.file().CopyId(), index, status, std::move(after)});
    ++changed_;
  }
  if (alone) {
    EndCommand();
  }
  return status;
}

Status Recorder::SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t length) {
  const ValueState wanted =
      RegValue{type, data != nullptr ? std::string(reinterpret_cast<const char*>(data), length)
                                     : std::string()};
  return Change(key, name, wanted,
                [&] { return registry_.SetValue(key, name, type, data, length); });
}

Status Recorder::DeleteValue(KeyHandle key, std::string_view name) {
  return Change(key, name, ValueState(), [&] { return registry_.DeleteValue(key, name); });
}

Status Recorder::QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) {
  return registry_.QueryInfoKey(key, subkeys, values);
}

Status Recorder::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                           std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* data_length) {
  return registry_.EnumValue(key, index, name, name_length, type, data, data_length);
}

Status Recorder::QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* data_length) {
  return registry_.QueryValue(key, name, type, data, data_length);
}

}  // namespace velqor::journal
