#include "startup/locations.h"

#include <map>
#include <set>
#include <unordered_map>

namespace velqor::startup {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::kSuccess;
using platform::RegistryView;
using platform::StartupFolder;
using platform::WideValue;

namespace {

constexpr char16_t kRun[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kRunOnce[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char16_t kPolicyRun[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";

// The system as one listing asks it: every command of a Run key may try "C:\Program" and the
// same search folders first, so each answer is kept for the rest of the listing.
class ListingSystem final : public platform::SystemInfo {
 public:
  explicit ListingSystem(const platform::SystemInfo& system) : system_(system) {}

  platform::WindowsVersion Version() const override { return system_.Version(); }
  bool FileExists(std::u16string_view path) const override {
    const auto [it, added] = files_.try_emplace(std::u16string(path), false);
    if (added) it->second = system_.FileExists(path);
    return it->second;
  }
  std::u16string ExpandEnvironment(std::u16string_view text) const override {
    // Only %NAME% is replaced: text without a % needs no call.
    if (text.find(u'%') == std::u16string_view::npos) return std::u16string(text);
    const auto [it, added] = expanded_.try_emplace(std::u16string(text));
    if (added) it->second = system_.ExpandEnvironment(text);
    return it->second;
  }
  std::uint64_t NowFileTime() const override { return system_.NowFileTime(); }

 private:
  const platform::SystemInfo& system_;
  mutable std::unordered_map<std::u16string, bool> files_;
  mutable std::unordered_map<std::u16string, std::u16string> expanded_;
};

bool IsText(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz;
}

// The record's values by lower-case name.
std::map<std::u16string, WideValue> RecordValues(platform::WideRegistry& registry,
                                                 std::u16string_view key) {
  std::vector<WideValue> values;
  std::map<std::u16string, WideValue> by_name;
  if (registry.EnumValues(kHkeyLocalMachine, RegistryView::kNative, key, values) == kSuccess) {
    for (WideValue& value : values) by_name[Lower(value.name)] = std::move(value);
  }
  return by_name;
}

std::u16string RecordText(const std::map<std::u16string, WideValue>& record,
                          std::u16string_view name) {
  const auto it = record.find(std::u16string(name));
  return it == record.end() ? std::u16string() : TextOf(it->second.bytes);
}

// The names (lower case) that the location's approval values disable, read in one enumeration
// rather than one read per entry: a Run key can hold thousands.
std::set<std::u16string> Disapproved(StartupPlatform& platform, const Location& location,
                                     Scheme scheme) {
  std::set<std::u16string> names;
  std::vector<WideValue> approvals;
  if (scheme != Scheme::kStartupApproved || location.approved == nullptr ||
      platform.registry.EnumValues(location.root, RegistryView::kNative,
                                   std::u16string(kApprovedKey) + u"\\" + location.approved,
                                   approvals) != kSuccess) {
    return names;
  }
  for (const WideValue& approval : approvals) {
    if (ApprovalDisables(approval.bytes)) names.insert(Lower(approval.name));
  }
  return names;
}

EntryStatus StatusOf(const CommandProgram& program) {
  return program.exists ? EntryStatus::kEnabled : EntryStatus::kFileNotFound;
}

void ListKey(StartupPlatform& platform, const Location& location, Scheme scheme,
             std::vector<Entry>& out) {
  std::vector<WideValue> values;
  if (platform.registry.EnumValues(location.root, location.view, location.key, values) !=
      kSuccess) {
    return;
  }
  const std::set<std::u16string> disabled = Disapproved(platform, location, scheme);
  for (WideValue& value : values) {
    Entry entry;
    entry.location = location.id;
    entry.name = value.name;
    entry.command = IsText(value.type) ? TextOf(value.bytes) : std::u16string();
    entry.program = FindProgram(entry.command, platform.system);
    entry.status =
        disabled.count(Lower(value.name)) != 0 ? EntryStatus::kDisabled : StatusOf(entry.program);
    entry.value = std::move(value);
    out.push_back(std::move(entry));
  }
}

void ListFolder(StartupPlatform& platform, const Location& location, Scheme scheme,
                std::vector<Entry>& out) {
  std::u16string folder;
  std::vector<std::u16string> names;
  if (platform.folders.FolderPath(*location.folder, folder) != kSuccess ||
      platform.folders.ListFiles(folder, names) != kSuccess) {
    return;
  }
  const std::set<std::u16string> disabled = Disapproved(platform, location, scheme);
  for (std::u16string& name : names) {
    const std::u16string lower = Lower(name);
    if (lower == u"desktop.ini") continue;  // the folder's own settings, never started
    Entry entry;
    entry.location = location.id;
    entry.file = folder;
    entry.file += u'\\';
    entry.file += name;
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, u".lnk") == 0) {
      platform::ShortcutTarget target;
      if (platform.folders.ReadShortcut(entry.file, target) == kSuccess) {
        const bool quote = target.path.find(u' ') != std::u16string::npos;
        entry.command = quote ? u"\"" + target.path + u"\"" : target.path;
        if (!target.arguments.empty()) entry.command += u" " + target.arguments;
        entry.program = {target.path, platform.system.FileExists(target.path)};
      } else {
        entry.program = {entry.file, false};
      }
    } else {
      entry.command = entry.file;
      entry.program = {entry.file, true};
    }
    entry.status = disabled.count(lower) != 0 ? EntryStatus::kDisabled : StatusOf(entry.program);
    entry.name = std::move(name);
    out.push_back(std::move(entry));
  }
}

// Entries the configuration utility keeps disabled, in its records.
void ListRecords(StartupPlatform& platform, std::vector<Entry>& out) {
  std::vector<std::u16string> records;
  if (platform.registry.EnumSubKeys(kHkeyLocalMachine, RegistryView::kNative, kMsConfigRegKey,
                                    records) == kSuccess) {
    for (const std::u16string& record_name : records) {
      const auto record =
          RecordValues(platform.registry, std::u16string(kMsConfigRegKey) + u"\\" + record_name);
      const std::u16string hive = RecordText(record, u"hkey");
      const std::u16string key = Lower(RecordText(record, u"key"));
      const auto command = record.find(u"command");
      for (const Location& location : AllLocations()) {
        if (location.key == nullptr || hive != RecordHive(location) ||
            key != Lower(RecordKeyPath(location)) || command == record.end() ||
            (location.view == RegistryView::k32Bit && !platform.registry.HasSeparate32BitView())) {
          continue;
        }
        Entry entry;
        entry.location = location.id;
        entry.name = RecordText(record, u"item");
        entry.value = WideValue{entry.name, command->second.type, command->second.bytes};
        entry.command = IsText(command->second.type) ? TextOf(command->second.bytes) : u"";
        entry.program = FindProgram(entry.command, platform.system);
        entry.status = EntryStatus::kDisabled;
        entry.disabled_by_record = true;
        entry.record = std::u16string(kMsConfigRegKey) + u"\\" + record_name;
        out.push_back(std::move(entry));
        break;
      }
    }
  }
  if (platform.registry.EnumSubKeys(kHkeyLocalMachine, RegistryView::kNative, kMsConfigFolderKey,
                                    records) == kSuccess) {
    for (const std::u16string& record_name : records) {
      const auto record =
          RecordValues(platform.registry, std::u16string(kMsConfigFolderKey) + u"\\" + record_name);
      const std::u16string where = Lower(RecordText(record, u"location"));
      Entry entry;
      entry.location =
          where == u"common startup" ? LocationId::kCommonFolder : LocationId::kUserFolder;
      entry.file = RecordText(record, u"path");
      entry.name = std::u16string(FileName(entry.file));
      entry.command = RecordText(record, u"command");
      entry.program = FindProgram(entry.command, platform.system);
      entry.status = EntryStatus::kDisabled;
      entry.disabled_by_record = true;
      entry.record = std::u16string(kMsConfigFolderKey) + u"\\" + record_name;
      if (!entry.name.empty() && (where == u"common startup" || where == u"startup")) {
        out.push_back(std::move(entry));
      }
    }
  }
}

}  // namespace

std::u16string_view FileName(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

const std::vector<Location>& AllLocations() {
  static const std::vector<Location> locations = {
      {LocationId::kUserRun, "Registry: current user, Run", kHkeyCurrentUser, RegistryView::kNative,
       kRun, std::nullopt, u"Run", false},
      {LocationId::kUserRunOnce, "Registry: current user, RunOnce", kHkeyCurrentUser,
       RegistryView::kNative, kRunOnce, std::nullopt, nullptr, false},
      {LocationId::kMachineRun, "Registry: all users, Run", kHkeyLocalMachine,
       RegistryView::kNative, kRun, std::nullopt, u"Run", true},
      {LocationId::kMachineRunOnce, "Registry: all users, RunOnce", kHkeyLocalMachine,
       RegistryView::kNative, kRunOnce, std::nullopt, nullptr, true},
      {LocationId::kMachineRun32, "Registry: all users, Run (32-bit)", kHkeyLocalMachine,
       RegistryView::k32Bit, kRun, std::nullopt, u"Run32", true},
      {LocationId::kMachineRunOnce32, "Registry: all users, RunOnce (32-bit)", kHkeyLocalMachine,
       RegistryView::k32Bit, kRunOnce, std::nullopt, nullptr, true},
      {LocationId::kUserPolicyRun, "Registry: current user, policy Run", kHkeyCurrentUser,
       RegistryView::kNative, kPolicyRun, std::nullopt, nullptr, false},
      {LocationId::kMachinePolicyRun, "Registry: all users, policy Run", kHkeyLocalMachine,
       RegistryView::kNative, kPolicyRun, std::nullopt, nullptr, true},
      {LocationId::kUserFolder, "Startup folder: current user", kHkeyCurrentUser,
       RegistryView::kNative, nullptr, StartupFolder::kCurrentUser, u"StartupFolder", false},
      {LocationId::kCommonFolder, "Startup folder: all users", kHkeyLocalMachine,
       RegistryView::kNative, nullptr, StartupFolder::kAllUsers, u"StartupFolder", true},
  };
  return locations;
}

const Location& LocationOf(LocationId id) {
  return AllLocations()[static_cast<std::size_t>(id)];
}

Scheme SchemeFor(platform::WindowsVersion version) {
  // Windows 8 is 6.2.
  const bool eight_or_later = version.major > 6 || (version.major == 6 && version.minor >= 2);
  return eight_or_later ? Scheme::kStartupApproved : Scheme::kMsConfig;
}

const char* StatusText(EntryStatus status) {
  switch (status) {
    case EntryStatus::kEnabled:
      return "Enabled";
    case EntryStatus::kDisabled:
      return "Disabled";
    case EntryStatus::kFileNotFound:
      return "File not found";
  }
  return "";
}

std::vector<Entry> ListEntries(StartupPlatform& parts) {
  ListingSystem system(parts.system);
  StartupPlatform platform{parts.registry, parts.folders, system};
  const Scheme scheme = SchemeFor(platform.system.Version());
  std::vector<Entry> entries;
  for (const Location& location : AllLocations()) {
    if (location.view == RegistryView::k32Bit && !platform.registry.HasSeparate32BitView()) {
      continue;
    }
    if (location.key != nullptr) {
      ListKey(platform, location, scheme, entries);
    } else {
      ListFolder(platform, location, scheme, entries);
    }
  }
  if (scheme == Scheme::kMsConfig) {
    ListRecords(platform, entries);
  }
  return entries;
}

bool ApprovalDisables(std::string_view bytes) {
  return !bytes.empty() && (static_cast<unsigned char>(bytes[0]) & 1U) != 0;
}

std::string ApprovalBytes(bool enabled, std::uint64_t filetime) {
  std::string bytes(12, '\0');
  bytes[0] = static_cast<char>(enabled ? kApprovedEnabled : kApprovedDisabled);
  for (int i = 0; i < 8 && !enabled; ++i) {
    bytes[4 + i] = static_cast<char>((filetime >> (8 * i)) & 0xFF);
  }
  return bytes;
}

std::u16string RecordKeyPath(const Location& location) {
  std::u16string path = location.key == nullptr ? u"" : location.key;
  if (location.view == RegistryView::k32Bit) {
    path.insert(std::u16string_view(u"Software\\").size(), u"Wow6432Node\\");
  }
  path.replace(0, 8, u"SOFTWARE");
  return path;
}

const char16_t* RecordHive(const Location& location) {
  return location.root == kHkeyLocalMachine ? u"HKLM" : u"HKCU";
}

std::u16string FolderRecordName(std::u16string_view path) {
  std::u16string name(path);
  for (char16_t& c : name) {
    if (c == u'\\') c = u'^';
  }
  return name;
}

std::u16string TextOf(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::string BytesOf(std::u16string_view text) {
  std::string bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

}  // namespace velqor::startup
