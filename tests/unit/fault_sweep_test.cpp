// Every command of every window, run once with each platform operation failing in turn. After
// every pair the program must still be running, must have changed the registry only where its
// tables say, must have told the user of exactly the failures that are not meant to pass
// quietly, and must run the same command properly once the fault is lifted.
#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "unit/fault_sweep.h"

namespace velqor::sweep {
namespace {

using platform::sim::HeadlessWindow;

TEST(FaultSweep, MainWindowCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(MainWindowCommands());
  std::cout << "[ sweep    ] main window: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, MainWindowCommands().size() * AllFaults().size());
}

TEST(FaultSweep, StartupManagerCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(StartupManagerCommands());
  std::cout << "[ sweep    ] startup manager: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, StartupManagerCommands().size() * AllFaults().size());
}

TEST(FaultSweep, StartupProgramsCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(StartupProgramsCommands());
  std::cout << "[ sweep    ] startup programs: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, StartupProgramsCommands().size() * AllFaults().size());
}

TEST(FaultSweep, ChangesWindowCommandsSurviveEveryFault) {
  const SweepResult result = Sweep(ChangesWindowCommands());
  std::cout << "[ sweep    ] changes window: " << result.cases << " (command, fault) cases\n";
  EXPECT_EQ(result.cases, ChangesWindowCommands().size() * AllFaults().size());
}

// A fault that strikes no command proves nothing: its hook or its target has gone astray.
TEST(FaultSweep, EveryFaultStrikesSomeCommand) {
  std::vector<Command> all = MainWindowCommands();
  for (Command& command : StartupManagerCommands()) all.push_back(std::move(command));
  for (Command& command : StartupProgramsCommands()) all.push_back(std::move(command));
  for (Command& command : ChangesWindowCommands()) all.push_back(std::move(command));
  const SweepResult result = Sweep(all, /*report=*/false);
  for (const Fault& fault : AllFaults()) {
    EXPECT_GT(result.strikes.at(fault.name), 0U) << fault.name << " never made a call fail";
  }
}

// A control or menu entry given a handler later must get its row in the tables above.
TEST(FaultSweep, EveryControlAndMenuEntryWithAHandlerIsSwept) {
  Env env;
  env.EnsureStartup();
  env.EnsureStartupPrograms();
  env.EnsureChanges();
  const auto check = [](HeadlessWindow& w, const std::vector<Command>& commands) {
    std::set<std::string> swept;
    for (const Command& command : commands) swept.insert(command.control);
    for (const platform::ControlId id : w.Controls()) {
      if (w.HasClickHandler(id)) {
        EXPECT_TRUE(swept.contains(w.SpecOf(id).name))
            << w.name() << "." << w.SpecOf(id).name << " has a handler but no sweep row";
      }
    }
    for (const platform::Menu& menu : w.menus()) {
      for (const platform::MenuEntry& entry : menu.entries) {
        if (!entry.name.empty()) {
          EXPECT_TRUE(swept.contains(entry.name))
              << w.name() << " menu entry " << entry.name << " has no sweep row";
        }
      }
    }
  };
  check(env.Main(), MainWindowCommands());
  check(env.Startup(), StartupManagerCommands());
  check(env.Programs(), StartupProgramsCommands());
  check(env.Changes(), ChangesWindowCommands());
}

// The allowed set is only worth its name if it catches a write outside the tables.
TEST(FaultSweep, AllowedChangesCatchAWriteOutsideTheTables) {
  Env env;
  const AllowedChanges allowed;
  const std::string before = env.sim.registry.Snapshot();
  env.sim.registry.SeedText(kHkcu, "Control Panel\\desktop", "menushowdelay", "20");
  env.sim.registry.SeedText(kHklm, startup::kRunSubKey, "Anything", "x.exe");
  EXPECT_TRUE(allowed.Stray(before, env.sim.registry.Snapshot()).empty())
      << "a tweak value (in another case) and a Run entry are the program's to change";
  env.sim.registry.SeedText(kHkcu, "Control Panel\\Desktop", "Wallpaper", "x.bmp");
  env.sim.registry.SeedKey(kHklm, "SOFTWARE\\Elsewhere");
  const std::vector<std::string> stray = allowed.Stray(before, env.sim.registry.Snapshot());
  ASSERT_EQ(stray.size(), 2U);
  EXPECT_NE(stray[0].find("Wallpaper"), std::string::npos);
  EXPECT_NE(stray[1].find("Elsewhere"), std::string::npos);
}

}  // namespace
}  // namespace velqor::sweep
