// The platform the program runs on, handed from the composition root to the windows.
#pragma once

namespace velqor::platform {

class Registry;
class ScriptHost;
class Launcher;
class Ui;
class BrowserShell;
class Input;
class SettingsStore;

// References to one implementation of every platform interface; the composition root owns them.
struct Platform {
  Registry& registry;
  ScriptHost& script_host;
  Launcher& launcher;
  Ui& ui;
  BrowserShell& browser;
  Input& input;
  SettingsStore& settings;
};

}  // namespace velqor::platform
