// The Startup folders and the files in them, byte for byte, and the targets of shortcuts: what the
// startup programs window reads and changes there. Every change names the whole file, so that a
// decorator can read its contents before the change and record them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace velqor::platform {

enum class StartupFolder { kCurrentUser, kAllUsers };

// What a shortcut starts: the target's path (environment variables expanded) and its arguments.
struct ShortcutTarget {
  std::u16string path;
  std::u16string arguments;
  bool operator==(const ShortcutTarget&) const = default;
};

// Nothing here throws; every call returns the Win32 status and leaves its out-parameters untouched
// on failure. Paths are full UTF-16 paths.
class StartupFolders {
 public:
  virtual ~StartupFolders() = default;

  // SHGetFolderPathW(CSIDL_STARTUP or CSIDL_COMMON_STARTUP), never creating the folder.
  [[nodiscard]] virtual Status FolderPath(StartupFolder folder, std::u16string& out) = 0;
  // The names of the files directly in `folder` (no folders); a missing folder gives
  // kPathNotFound or kFileNotFound.
  [[nodiscard]] virtual Status ListFiles(std::u16string_view folder,
                                         std::vector<std::u16string>& out) = 0;
  // The file's exact contents.
  [[nodiscard]] virtual Status ReadFile(std::u16string_view path, std::string& out) = 0;
  // Makes the file hold exactly `bytes` (created, or replaced), its folder created when only the
  // last level is missing. On failure a file that existed is as it was.
  [[nodiscard]] virtual Status WriteFile(std::u16string_view path, std::string_view bytes) = 0;
  // Removes the file (never a folder); a missing file gives kFileNotFound.
  [[nodiscard]] virtual Status RemoveFile(std::u16string_view path) = 0;
  // The target of a shortcut (.lnk), read with IShellLinkW and IPersistFile::Load and never
  // resolved: no search for a moved target, no window. A file that is not a shortcut fails.
  [[nodiscard]] virtual Status ReadShortcut(std::u16string_view path, ShortcutTarget& out) = 0;
  // Saves a shortcut to `target` (IShellLinkW, IPersistFile::Save): how tests seed the folders.
  [[nodiscard]] virtual Status WriteShortcut(std::u16string_view path,
                                             const ShortcutTarget& target) = 0;
};

}  // namespace velqor::platform
