#include "platform/sim/script_host.h"

#include "platform/ascii.h"
#include "platform/command_line.h"
#include "platform/registry_verbs.h"

namespace velqor::platform::sim {
namespace {

// The Win32 status of a class that is not registered (REGDB_E_CLASSNOTREG).
constexpr Status kClassNotRegistered = static_cast<Status>(0x80040154U);

}  // namespace

class SimScriptHost::Shell : public ScriptShell {
 public:
  explicit Shell(SimScriptHost& host) : host_(host) { ++host_.created_; }
  ~Shell() override { ++host_.released_; }
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  void RegWrite(std::string_view path, const ScriptValue& value, std::string_view type) override {
    Record({"RegWrite", std::string(path), value, std::string(type)},
           [&] { RegWriteVerb(host_.registry_, path, value, type); });
  }

  void RegDelete(std::string_view path) override {
    Record({"RegDelete", std::string(path), ScriptValue{}, {}},
           [&] { RegDeleteVerb(host_.registry_, path); });
  }

  void Run(std::string_view command) override {
    Record({"Run", std::string(command), ScriptValue{}, {}}, [&] {
      if (host_.IsMissing(command)) {
        ++host_.faults_hit_;
        ThrowIfFailed(kFileNotFound, "Run \"" + std::string(command) + '"');
      }
    });
  }

 private:
  // Logs the call before running it, so the log keeps the order even when a call raises.
  template <typename Action>
  void Record(ScriptCall call, Action&& action) {
    host_.calls_.push_back(std::move(call));
    const std::size_t index = host_.calls_.size() - 1;
    try {
      action();
    } catch (const Failure&) {
      host_.calls_[index].failed = true;
      throw;
    }
  }

  SimScriptHost& host_;
};

std::unique_ptr<ScriptShell> SimScriptHost::CreateShell() {
  if (unavailable_) {
    ++faults_hit_;
    throw Failure(ErrorDomain::kHresult, kClassNotRegistered,
                  "CreateObject \"WScript.Shell\" failed: the script host is unavailable");
  }
  return std::make_unique<Shell>(*this);
}

void SimScriptHost::MarkMissing(std::string_view command) {
  missing_.insert(AsciiLower(command));
}

bool SimScriptHost::IsMissing(std::string_view command) const {
  return missing_.count(AsciiLower(command)) != 0 ||
         missing_.count(AsciiLower(SplitCommandLine(command).file)) != 0;
}

std::vector<std::string> SimScriptHost::RunCommands() const {
  std::vector<std::string> commands;
  for (const ScriptCall& call : calls_) {
    if (call.verb == "Run" && !call.failed) commands.push_back(call.path);
  }
  return commands;
}

}  // namespace velqor::platform::sim
