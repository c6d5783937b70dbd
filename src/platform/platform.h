// The platform the program runs on, handed from the composition root to the windows.
#pragma once

namespace velqor::journal {
class Commands;
}

namespace velqor::platform {

class Registry;
class ScriptHost;
class Launcher;
class Ui;
class BrowserShell;
class Input;
class SettingsStore;
class WideRegistry;
class StartupFolders;
class SystemInfo;

// References to one implementation of every platform interface; the composition root owns them.
struct Platform {
  Registry& registry;
  ScriptHost& script_host;
  Launcher& launcher;
  Ui& ui;
  BrowserShell& browser;
  Input& input;
  SettingsStore& settings;
  // The UTF-16 registry with the 32-bit view, the Startup folders and the system's own facts: what
  // the startup programs window lists and changes.
  WideRegistry& wide_registry;
  StartupFolders& startup_folders;
  SystemInfo& system;
  // The change journal's commands, over the recorder that `registry` is; null where a test
  // builds a platform without one (nothing is then recorded or undoable).
  journal::Commands* journal = nullptr;
};

}  // namespace velqor::platform
