// Random sequences of Disable, Enable and Delete over random entries of every location, in both
// stores (the Windows version is drawn too), with refusals injected. After each action: a refused
// action changed nothing at all, and a done one changed only the entry acted on and its record in
// the store; a Disable followed by an Enable gives the entry back byte for byte.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "platform/sim/startup_folders.h"
#include "platform/sim/system_info.h"
#include "platform/sim/wide_registry.h"
#include "startup/actions.h"
#include "startup/locations.h"

namespace velqor::fuzz {
namespace {

using platform::RegistryView;
using startup::LocationId;
namespace sim = platform::sim;

constexpr const char16_t* kNames[] = {u"a", u"A", u"b", u"\u00e9", u"a.lnk", u"b.bat"};
constexpr const char16_t* kCommands[] = {u"C:\\App\\app.exe", u"%SystemRoot%\\gone.exe -x",
                                         u"rundll32 x.dll,E", u"\"C:\\App\\app.exe\" /s"};

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

// Whether a changed registry place ("<root>|<view>|<path>|<name>") may change when acting on
// `name` at `location`: the entry itself, its approval value, or the configuration utility's store.
bool MayChange(const std::u16string& place, const startup::Location& location,
               std::u16string_view name, std::u16string_view file) {
  const std::u16string lower = Lower(place);
  if (lower.find(Lower(startup::kMsConfigRegKey)) != std::u16string::npos ||
      lower.find(Lower(startup::kMsConfigFolderKey)) != std::u16string::npos) {
    return true;
  }
  const std::u16string root = location.root == platform::kHkeyCurrentUser ? u"hkcu|" : u"hklm|";
  const std::u16string view = location.view == RegistryView::k32Bit ? u"32|" : u"|";
  const std::u16string leaf = Lower(file.empty() ? name : file.substr(file.rfind(u'\\') + 1));
  if (location.key != nullptr && lower == root + view + Lower(location.key) + u"|" + leaf) {
    return true;
  }
  return location.approved != nullptr && lower == root + u"|" + Lower(startup::kApprovedKey) +
                                                      u"\\" + Lower(location.approved) + u"|" +
                                                      leaf;
}

template <typename Map>
std::map<typename Map::key_type, bool> Changed(const Map& before, const Map& after) {
  std::map<typename Map::key_type, bool> changed;
  for (const auto& [key, value] : before) {
    const auto it = after.find(key);
    if (it == after.end() || !(it->second == value)) changed[key] = true;
  }
  for (const auto& [key, value] : after) {
    if (before.count(key) == 0) changed[key] = true;
  }
  return changed;
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  using namespace velqor::fuzz;
  FuzzedDataProvider in(data, size);
  sim::SimWideRegistry registry(in.ConsumeBool());
  sim::SimStartupFolders folders;
  sim::SimSystemInfo system;
  system.AddFile(u"C:\\App\\app.exe");
  system.SetVersion(in.ConsumeBool() ? platform::WindowsVersion{6, 1, 7601}
                                     : platform::WindowsVersion{10, 0, 19045});
  startup::StartupPlatform platform{registry, folders, system};
  const auto& locations = startup::AllLocations();

  for (int i = in.ConsumeIntegralInRange(0, 8); i > 0; --i) {
    const startup::Location& location =
        locations[in.ConsumeIntegralInRange<std::size_t>(0, locations.size() - 1)];
    const std::u16string name = kNames[in.ConsumeIntegralInRange<std::size_t>(0, 5)];
    const std::u16string command = kCommands[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
    if (location.key != nullptr) {
      static_cast<void>(
          registry.WriteValue(location.root, location.view, location.key,
                              {name, in.ConsumeBool() ? platform::kRegExpandSz : platform::kRegSz,
                               startup::BytesOf(command)}));
    } else {
      std::u16string folder;
      static_cast<void>(folders.FolderPath(*location.folder, folder));
      static_cast<void>(folders.WriteShortcut(folder + u"\\" + name, {command, u"-x"}));
    }
  }

  while (in.remaining_bytes() > 0) {
    const auto action = static_cast<startup::Action>(in.ConsumeIntegralInRange(0, 2));
    const std::vector<startup::Entry> entries = startup::ListEntries(platform);
    if (entries.empty()) break;
    const startup::Entry& entry =
        entries[in.ConsumeIntegralInRange<std::size_t>(0, entries.size() - 1)];
    const startup::Location& location = startup::LocationOf(entry.location);
    const bool deny = in.ConsumeIntegralInRange(0, 3) == 0;
    registry.DenyWrites(platform::kHkeyLocalMachine, deny);
    const auto registry_before = registry.Snapshot();
    const auto files_before = folders.Snapshot();
    bool done = true;
    try {
      startup::Act(platform, action, entry.location, entry.name);
    } catch (const platform::Failure&) {
      done = false;
    }
    registry.DenyWrites(platform::kHkeyLocalMachine, false);
    const std::string what = std::string(startup::ActionName(action)) + " " +
                             startup::Utf8(entry.name) + " in " + location.name;
    if (!done) {
      FUZZ_CHECK(registry.Snapshot() == registry_before, what + ": refused, yet changed");
      FUZZ_CHECK(folders.Snapshot() == files_before, what + ": refused, yet files changed");
      continue;
    }
    for (const auto& [place, changed] : Changed(registry_before, registry.Snapshot())) {
      FUZZ_CHECK(MayChange(place, location, entry.name, entry.file),
                 what + " changed " + startup::Utf8(place));
    }
    for (const auto& [path, changed] : Changed(files_before, folders.Snapshot())) {
      FUZZ_CHECK(Lower(path) == Lower(entry.file) || Lower(path).find(u"\\pss\\") != path.npos,
                 what + " changed " + startup::Utf8(path));
    }
    // A disable taken back at once leaves everything as it was.
    if (action == startup::Action::kDisable && entry.status != startup::EntryStatus::kDisabled &&
        in.ConsumeBool()) {
      try {
        startup::Act(platform, startup::Action::kEnable, entry.location, entry.name);
      } catch (const platform::Failure&) {
        continue;
      }
      for (const auto& [place, changed] : Changed(registry_before, registry.Snapshot())) {
        FUZZ_CHECK(place.find(startup::kApprovedKey) != std::u16string::npos,
                   what + " then enable left " + startup::Utf8(place) + " changed");
      }
      FUZZ_CHECK(folders.Snapshot() == files_before, what + " then enable: files differ");
    }
  }
  return 0;
}
