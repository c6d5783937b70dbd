// One of every Win32 platform implementation, the change journal over them, and the Platform that
// refers to them, as the program's composition root builds it; for the tests that run under Wine.
#pragma once

#include "platform/platform.h"
#include "platform/win32/browser.h"
#include "platform/win32/input.h"
#include "platform/win32/journal_file.h"
#include "platform/win32/launcher.h"
#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#include "platform/win32/startup_folders.h"
#include "platform/win32/system_info.h"
#include "platform/win32/ui.h"
#include "platform/win32/wide_registry.h"

// After the Win32 headers, which undefine the system's MessageBox macro that would otherwise
// rename the interface's own MessageBox.
#include "journal/commands.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/registry_settings.h"

namespace velqor {

// Members are declared in dependency order. Not copyable or movable: the platform refers to the
// members by address. COM must be initialised on the thread (the test main does it).
struct Win32Platform {
  Win32Platform() { commands.Install(); }
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  platform::win32::Win32Registry registry;
  platform::win32::Win32JournalFile journal_file;
  journal::JournalWriter journal{journal_file};
  journal::Recorder recorder{registry, journal};
  platform::win32::Win32ScriptHost script_host{recorder};
  platform::win32::Win32Launcher launcher;
  platform::win32::Win32Ui ui;
  journal::Commands commands{recorder, ui};
  platform::win32::Win32BrowserShell browser;
  platform::win32::Win32Input input;
  platform::RegistrySettingsStore settings{recorder};
  platform::win32::Win32WideRegistry wide_registry;
  platform::win32::Win32StartupFolders startup_folders;
  platform::win32::Win32SystemInfo system;
  // The startup programs' places are recorded too, before the platform hands out their fronts.
  bool records_startup_places = (recorder.RecordAlso(wide_registry, startup_folders), true);
  platform::Platform platform{
      recorder,         script_host,         launcher, ui,       browser, input, settings,
      *recorder.wide(), *recorder.folders(), system,   &commands};
};

}  // namespace velqor
