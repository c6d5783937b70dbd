// The simulated Startup folders: files kept in memory by full path, folders that can be missing or
// refused, and shortcuts stored in a small format of the simulation's own.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/faults.h"
#include "platform/startup_folders.h"

namespace velqor::platform::sim {

inline constexpr char16_t kSimUserStartup[] =
    u"C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
inline constexpr char16_t kSimCommonStartup[] =
    u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";

class SimStartupFolders : public StartupFolders {
 public:
  enum class Operation { kFolderPath, kList, kRead, kWrite, kDelete, kReadShortcut };

  // Both Startup folders and C:\\Windows exist, empty.
  SimStartupFolders();

  Status FolderPath(StartupFolder folder, std::u16string& out) override;
  Status ListFiles(std::u16string_view folder, std::vector<std::u16string>& out) override;
  Status ReadFile(std::u16string_view path, std::string& out) override;
  Status WriteFile(std::u16string_view path, std::string_view bytes) override;
  Status RemoveFile(std::u16string_view path) override;
  Status ReadShortcut(std::u16string_view path, ShortcutTarget& out) override;
  Status WriteShortcut(std::u16string_view path, const ShortcutTarget& target) override;

  // Faults: the folder (and everything in it) missing; writes and deletes below `folder`
  // refused; one call that fails with `status` and has no effect.
  void RemoveFolder(std::u16string_view folder);
  void DenyWrites(std::u16string_view folder);
  void FailNext(Operation operation, Status status) { faults_.FailNext(operation, status); }
  void ClearFaults();
  // How many calls a fault (a missing folder included) has made fail.
  std::size_t faults_hit() const { return faults_.hits(); }

  // Every file, full path (as created) -> contents.
  std::map<std::u16string, std::string> Snapshot() const;

 private:
  struct File {
    std::u16string path;
    std::string bytes;
  };
  bool Denied(std::u16string_view path) const;

  std::map<std::u16string, File> files_;  // by folded path
  std::set<std::u16string> folders_;      // folded
  std::vector<std::u16string> denied_;    // folded folder prefixes
  Faults<Operation> faults_;
};

}  // namespace velqor::platform::sim
