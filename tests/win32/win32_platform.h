// One of every Win32 platform implementation and the Platform that refers to them, as the
// program's composition root builds it; for the tests that run under Wine.
#pragma once

#include "platform/platform.h"
#include "platform/win32/browser.h"
#include "platform/win32/input.h"
#include "platform/win32/launcher.h"
#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#include "platform/win32/settings.h"
#include "platform/win32/ui.h"

namespace velqor {

// Members are declared in dependency order. Not copyable or movable: the platform refers to the
// members by address. COM must be initialised on the thread (the test main does it).
struct Win32Platform {
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  platform::win32::Win32Registry registry;
  platform::win32::Win32ScriptHost script_host{registry};
  platform::win32::Win32Launcher launcher;
  platform::win32::Win32Ui ui;
  platform::win32::Win32BrowserShell browser;
  platform::win32::Win32Input input;
  platform::win32::Win32SettingsStore settings;
  platform::Platform platform{registry, script_host, launcher, ui, browser, input, settings};
};

}  // namespace velqor
