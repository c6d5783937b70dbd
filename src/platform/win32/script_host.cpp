#include "platform/win32/script_host.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/script_verbs.h"
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
    const std::wstring file = Widen(line.file);
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

CommandLine SplitCommandLine(std::string_view command) {
  const std::size_t start = command.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    return {};
  }
  command.remove_prefix(start);
  CommandLine line;
  std::size_t rest = 0;
  if (command.front() == '"') {
    const std::size_t close = command.find('"', 1);
    line.file = command.substr(1, close == std::string_view::npos ? command.npos : close - 1);
    rest = close == std::string_view::npos ? command.size() : close + 1;
  } else {
    const std::size_t space = command.find(' ');
    line.file = command.substr(0, space);
    rest = space == std::string_view::npos ? command.size() : space;
  }
  const std::size_t parameters = command.find_first_not_of(' ', rest);
  if (parameters != std::string_view::npos) {
    line.parameters = command.substr(parameters);
  }
  return line;
}

}  // namespace velqor::platform::win32
