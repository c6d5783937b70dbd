// Every place Windows starts programs from at log-on, the entries found there, and the two stores
// that keep an entry disabled: the system's approval values (Windows 8 and later) and the
// configuration utility's records (Windows XP to 7).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/startup_folders.h"
#include "platform/system_info.h"
#include "platform/utf16.h"
#include "platform/wide_registry.h"
#include "startup/program_path.h"

namespace velqor::startup {

enum class LocationId {
  kUserRun,
  kUserRunOnce,
  kMachineRun,
  kMachineRunOnce,
  kMachineRun32,
  kMachineRunOnce32,
  kUserPolicyRun,
  kMachinePolicyRun,
  kUserFolder,
  kCommonFolder,
};

struct Location {
  LocationId id;
  const char* name;  // in words, as the window shows it
  platform::KeyHandle root;
  platform::RegistryView view = platform::RegistryView::kNative;
  const char16_t* key = nullptr;  // the registry key; null for a Startup folder
  std::optional<platform::StartupFolder> folder;
  // The approval values' key below Explorer\StartupApproved (under `root`), where the system's own
  // tools can disable entries of this location; null where they cannot.
  const char16_t* approved = nullptr;
  bool machine_wide = false;
};

// Every location, in the order the window lists them.
const std::vector<Location>& AllLocations();
const Location& LocationOf(LocationId id);

// Which store disables entries: chosen by the version the system really is.
enum class Scheme { kStartupApproved, kMsConfig };
Scheme SchemeFor(platform::WindowsVersion version);

enum class EntryStatus { kEnabled, kDisabled, kFileNotFound };
// "Enabled", "Disabled", "File not found".
const char* StatusText(EntryStatus status);

// One entry: where it is, its exact name (what every action looks it up by), what it runs.
struct Entry {
  LocationId location = LocationId::kUserRun;
  std::u16string name;        // the value's name, or the file's name in its folder
  platform::WideValue value;  // registry entries: the value as stored, or as its record keeps it
  std::u16string file;        // folder entries: the file's full path in its Startup folder
  std::u16string command;     // as stored (variables unexpanded); shortcuts: target and arguments
  CommandProgram program;
  EntryStatus status = EntryStatus::kEnabled;
  bool disabled_by_record = false;  // kept only in the configuration utility's store
  std::u16string record;            // then: the record's key under HKLM
};

// The platform parts the startup programs window works on.
struct StartupPlatform {
  platform::WideRegistry& registry;
  platform::StartupFolders& folders;
  platform::SystemInfo& system;
};

// The entries of every location that exists here (the 32-bit view only on 64-bit Windows). A
// location that cannot be read (missing, refused) has no entries; an unreadable shortcut is
// listed with an empty command and "File not found".
std::vector<Entry> ListEntries(StartupPlatform& platform);

// Where the stores live.
inline constexpr char16_t kApprovedKey[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
inline constexpr char16_t kMsConfigRegKey[] =
    u"SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
inline constexpr char16_t kMsConfigFolderKey[] =
    u"SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupfolder";

// The approval value's layout: 12 bytes, the state in the first byte (an odd number means
// disabled: 03 as the system writes it, 07 and others as it also reads them), then the FILETIME
// of the change (zero when enabled).
inline constexpr unsigned char kApprovedEnabled = 0x02;
inline constexpr unsigned char kApprovedDisabled = 0x03;
bool ApprovalDisables(std::string_view bytes);
std::string ApprovalBytes(bool enabled, std::uint64_t filetime);

// How the configuration utility names a location in its records: the key path as a 64-bit program
// sees it ("SOFTWARE\Wow6432Node\..." for the 32-bit view) and "HKLM" or "HKCU".
std::u16string RecordKeyPath(const Location& location);
const char16_t* RecordHive(const Location& location);
// The record of a folder entry is named after the file's full path with '^' for '\'.
std::u16string FolderRecordName(std::u16string_view path);

// Text of a registry string (UTF-16 bytes up to the first NUL), and back with its NUL.
std::u16string TextOf(std::string_view bytes);
std::string BytesOf(std::u16string_view text);
using platform::Utf8;
// The last part of a path, after its last back-slash.
std::u16string_view FileName(std::u16string_view path);

}  // namespace velqor::startup
