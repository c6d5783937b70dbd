#include "platform/win32/script_host.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/command_line.h"
#include "platform/registry_verbs.h"
#include "platform/win32/launcher.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

class Win32Shell : public ScriptShell {
 public:
  explicit Win32Shell(Registry& registry) : registry_(registry) {}

  void RegWrite(std::string_view path, const ScriptValue& value, std::string_view type) override {
    RegWriteVerb(registry_, path, value, type);
  }

  void RegDelete(std::string_view path) override { RegDeleteVerb(registry_, path); }

  void Run(std::string_view command) override {
    const CommandLine line = SplitCommandLine(command);
    // A bare name that the system folder holds ("dfrg.msc") is opened from there, never from the
    // current folder, where a planted file of that name could be.
    std::wstring file = SystemFolderFile(Widen(line.file));
    if (file.empty()) {
      file = Widen(line.file);
    }
    const std::wstring parameters = Widen(line.parameters);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;  // a failure is raised to the caller, not shown by Windows
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
      const DWORD error = GetLastError();
      ThrowIfFailed(error != 0 ? static_cast<Status>(error) : kFileNotFound,
                    "Run \"" + std::string(command) + '"');
    }
  }

 private:
  Registry& registry_;
};

}  // namespace

std::unique_ptr<ScriptShell> Win32ScriptHost::CreateShell() {
  return std::make_unique<Win32Shell>(registry_);
}

}  // namespace velqor::platform::win32
