// One of every simulated platform implementation, the change journal over them, and the Platform
// that refers to them: a fresh, deterministic machine for each test.
#pragma once

#include "journal/commands.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/platform.h"
#include "platform/sim/browser.h"
#include "platform/sim/input.h"
#include "platform/sim/journal_file.h"
#include "platform/sim/launcher.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#include "platform/sim/settings.h"
#include "platform/sim/startup_folders.h"
#include "platform/sim/system_info.h"
#include "platform/sim/ui.h"
#include "platform/sim/wide_registry.h"

namespace velqor {

// Members are declared in dependency order, so that windows and hosts go before what they use.
// Not copyable or movable: the platform refers to the members by address.
struct SimPlatform {
  SimPlatform() { commands.Install(); }
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  platform::sim::SimRegistry registry;
  // Every change of the program goes through the journal's recorder, as in the program.
  platform::sim::SimDisk disk;
  platform::sim::SimJournalFile journal_file{disk};
  journal::JournalWriter journal{journal_file};
  journal::Recorder recorder{registry, journal};
  platform::sim::SimScriptHost script_host{recorder};
  platform::sim::SimLauncher launcher;
  platform::sim::HeadlessUi ui;
  journal::Commands commands{recorder, ui};
  platform::sim::SimBrowserShell browser;
  platform::sim::SimInput input;
  platform::sim::SimSettingsStore settings;
  platform::sim::SimWideRegistry wide_registry;
  platform::sim::SimStartupFolders startup_folders;
  platform::sim::SimSystemInfo system;
  // The startup programs' places are recorded too, before the platform hands out their fronts.
  bool records_startup_places = (recorder.RecordAlso(wide_registry, startup_folders), true);
  platform::Platform platform{
      recorder,         script_host,         launcher, ui,       browser, input, settings,
      *recorder.wide(), *recorder.folders(), system,   &commands};
};

}  // namespace velqor
