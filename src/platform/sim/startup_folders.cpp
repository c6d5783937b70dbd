#include "platform/sim/startup_folders.h"

#include <algorithm>
#include <cstdint>

#include "platform/sim/wide_registry.h"
#include "platform/utf16.h"

namespace velqor::platform::sim {
namespace {

// The simulation's shortcut: a marker line, then the target's path and arguments as UTF-8, each
// ended by a NUL.
constexpr std::string_view kShortcutMagic = "VELQOR-SIM-SHORTCUT\n";

std::u16string_view Parent(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, slash);
}

}  // namespace

SimStartupFolders::SimStartupFolders() {
  for (const std::u16string_view folder : {kSimUserStartup, kSimCommonStartup}) {
    for (std::u16string_view part = folder; !part.empty(); part = Parent(part)) {
      folders_.insert(Fold(part));
    }
  }
  folders_.insert(Fold(u"C:\\Windows"));
}

bool SimStartupFolders::Denied(std::u16string_view path) const {
  const std::u16string folded = Fold(path);
  const bool denied = std::ranges::any_of(denied_, [&](const std::u16string& prefix) {
    return folded.size() > prefix.size() && folded.starts_with(prefix) &&
           folded[prefix.size()] == u'\\';
  });
  if (denied) faults_.Hit();
  return denied;
}

Status SimStartupFolders::FolderPath(StartupFolder folder, std::u16string& out) {
  if (const auto fault = faults_.Take(Operation::kFolderPath)) return *fault;
  out = folder == StartupFolder::kCurrentUser ? kSimUserStartup : kSimCommonStartup;
  return kSuccess;
}

Status SimStartupFolders::ListFiles(std::u16string_view folder, std::vector<std::u16string>& out) {
  if (const auto fault = faults_.Take(Operation::kList)) return *fault;
  const std::u16string folded = Fold(folder);
  if (!folders_.contains(folded)) {
    faults_.Hit();  // both folders exist unless a test removed one
    return kPathNotFound;
  }
  std::vector<std::u16string> names;
  for (const auto& [key, file] : files_) {
    if (Fold(Parent(file.path)) == folded) {
      names.push_back(file.path.substr(file.path.rfind(u'\\') + 1));
    }
  }
  out = std::move(names);
  return kSuccess;
}

Status SimStartupFolders::ReadFile(std::u16string_view path, std::string& out) {
  if (const auto fault = faults_.Take(Operation::kRead)) return *fault;
  const auto it = files_.find(Fold(path));
  if (it == files_.end()) {
    return folders_.contains(Fold(Parent(path))) ? kFileNotFound : kPathNotFound;
  }
  out = it->second.bytes;
  return kSuccess;
}

Status SimStartupFolders::WriteFile(std::u16string_view path, std::string_view bytes) {
  if (const auto fault = faults_.Take(Operation::kWrite)) return *fault;
  if (Denied(path)) {
    return kAccessDenied;
  }
  // The file's folder is made when missing, but not a folder above it.
  const std::u16string_view parent = Parent(path);
  if (!folders_.contains(Fold(parent)) && !folders_.contains(Fold(Parent(parent)))) {
    return kPathNotFound;
  }
  folders_.insert(Fold(parent));
  auto [it, added] = files_.try_emplace(Fold(path), File{std::u16string(path), {}});
  it->second.bytes = bytes;
  return kSuccess;
}

Status SimStartupFolders::RemoveFile(std::u16string_view path) {
  if (const auto fault = faults_.Take(Operation::kDelete)) return *fault;
  const auto it = files_.find(Fold(path));
  if (it == files_.end()) {
    return folders_.contains(Fold(Parent(path))) ? kFileNotFound : kPathNotFound;
  }
  if (Denied(path)) {
    return kAccessDenied;
  }
  files_.erase(it);
  return kSuccess;
}

Status SimStartupFolders::ReadShortcut(std::u16string_view path, ShortcutTarget& out) {
  if (const auto fault = faults_.Take(Operation::kReadShortcut)) return *fault;
  std::string bytes;
  if (const Status read = ReadFile(path, bytes); read != kSuccess) {
    return read;
  }
  const std::string_view in = bytes;
  const std::size_t path_end = in.find('\0', kShortcutMagic.size());
  if (in.substr(0, kShortcutMagic.size()) != kShortcutMagic || path_end == std::string_view::npos ||
      in.find('\0', path_end + 1) != in.size() - 1) {
    return kInvalidData;
  }
  const std::string_view target =
      in.substr(kShortcutMagic.size(), path_end - kShortcutMagic.size());
  out = ShortcutTarget{Utf16(target), Utf16(in.substr(path_end + 1, in.size() - path_end - 2))};
  return kSuccess;
}

Status SimStartupFolders::WriteShortcut(std::u16string_view path, const ShortcutTarget& target) {
  const std::string bytes =
      std::string(kShortcutMagic) + Utf8(target.path) + '\0' + Utf8(target.arguments) + '\0';
  return WriteFile(path, bytes);
}

void SimStartupFolders::RemoveFolder(std::u16string_view folder) {
  const std::u16string folded = Fold(folder);
  folders_.erase(folded);
  std::erase_if(files_,
                [&](const auto& entry) { return Fold(Parent(entry.second.path)) == folded; });
}

void SimStartupFolders::DenyWrites(std::u16string_view folder) {
  denied_.push_back(Fold(folder));
}

void SimStartupFolders::ClearFaults() {
  denied_.clear();
  faults_.Clear();
}

std::map<std::u16string, std::string> SimStartupFolders::Snapshot() const {
  std::map<std::u16string, std::string> all;
  for (const auto& [key, file] : files_) {
    all[file.path] = file.bytes;
  }
  return all;
}

}  // namespace velqor::platform::sim
