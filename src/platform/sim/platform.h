// One of every simulated platform implementation and the Platform that refers to them: a fresh,
// deterministic machine for each test.
#pragma once

#include "platform/platform.h"
#include "platform/sim/browser.h"
#include "platform/sim/input.h"
#include "platform/sim/launcher.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/settings.h"
#include "platform/sim/ui.h"

namespace velqor {

// Members are declared in dependency order, so that windows and hosts go before what they use.
// Not copyable or movable: the platform refers to the members by address.
struct SimPlatform {
  SimPlatform() = default;
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  platform::sim::SimRegistry registry;
  platform::sim::SimScriptHost script_host{registry};
  platform::sim::SimLauncher launcher;
  platform::sim::HeadlessUi ui;
  platform::sim::SimBrowserShell browser;
  platform::sim::SimInput input;
  platform::sim::SimSettingsStore settings;
  platform::Platform platform{registry, script_host, launcher, ui, browser, input, settings};
};

}  // namespace velqor
