// The Startup folders of the running system, their files, and shortcuts through the shell's
// IShellLinkW. The calling thread must have entered COM (the program's user-interface thread has).
#pragma once

#include "platform/startup_folders.h"

namespace velqor::platform::win32 {

class Win32StartupFolders : public StartupFolders {
 public:
  Status FolderPath(StartupFolder folder, std::u16string& out) override;
  Status ListFiles(std::u16string_view folder, std::vector<std::u16string>& out) override;
  Status ReadFile(std::u16string_view path, std::string& out) override;
  Status WriteFile(std::u16string_view path, std::string_view bytes) override;
  Status RemoveFile(std::u16string_view path) override;
  Status ReadShortcut(std::u16string_view path, ShortcutTarget& out) override;
  Status WriteShortcut(std::u16string_view path, const ShortcutTarget& target) override;
};

}  // namespace velqor::platform::win32
