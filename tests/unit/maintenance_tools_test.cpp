// The maintenance tools on every Windows: the specified command first, the same tool's later
// names where Windows has no such program, and words for the user when none exists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/maintenance_tools.h"
#include "platform/sim/platform.h"

namespace velqor::app {
namespace {

// What was started, in order: "run X" for the script host, "start X" for the program start.
std::vector<std::string> Started(const SimPlatform& sim) {
  std::vector<std::string> started;
  for (const auto& command : sim.script_host.RunCommands()) started.push_back("run " + command);
  for (const auto& command : sim.launcher.StartedCommands()) started.push_back("start " + command);
  return started;
}

TEST(MaintenanceTools, EachLaterNameIsTriedOnlyWhereTheOneBeforeIsMissing) {
  struct Row {
    const MaintenanceTool& tool;
    std::vector<std::string> missing;  // marked missing in both the launcher and the script host
    std::string started;
  };
  const std::vector<Row> rows = {
      {kDefragmenter, {}, "run dfrg.msc"},
      {kDefragmenter, {"dfrg.msc"}, "start dfrgui.exe"},
      {kWindowsUpdate, {}, "start wupdmgr"},
      {kWindowsUpdate, {"wupdmgr"}, "start wuapp.exe"},
      {kWindowsUpdate, {"wupdmgr", "wuapp.exe"}, "run ms-settings:windowsupdate"},
      {kWindowsUpdate,
       {"wupdmgr", "wuapp.exe", "ms-settings:windowsupdate"},
       "start control /name Microsoft.WindowsUpdate"},
      {kCleanManager, {}, "start cleanmgr.exe"},
      {kFileCheck, {}, "start sfc /scannow"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.started);
    SimPlatform sim;
    for (const std::string& command : row.missing) {
      sim.launcher.MarkMissing(command);
      sim.script_host.MarkMissing(command);
    }
    EXPECT_NO_THROW(StartTool(sim.platform, row.tool));
    EXPECT_EQ(Started(sim), std::vector<std::string>{row.started});
    EXPECT_EQ(sim.script_host.shells_created(), sim.script_host.shells_released());
  }
  SimPlatform sim;
  sim.script_host.MarkMissing("dfrg.msc");
  StartTool(sim.platform, kDefragmenter);
  ASSERT_EQ(sim.launcher.starts().size(), 1U);
  EXPECT_EQ(sim.launcher.starts()[0].show, platform::kSwShowNormal) << "as dfrg.msc opens";
}

TEST(MaintenanceTools, NoneThereIsToldInWordsAndAnyOtherFailureSaysWhatToDo) {
  for (const MaintenanceTool* tool :
       {&kCleanManager, &kDefragmenter, &kFileCheck, &kWindowsUpdate}) {
    SCOPED_TRACE(tool->name);
    SimPlatform sim;
    for (const ToolCommand& command : tool->commands) {
      sim.launcher.MarkMissing(command.command);
      sim.script_host.MarkMissing(command.command);
    }
    try {
      StartTool(sim.platform, *tool);
      ADD_FAILURE() << "no Failure";
    } catch (const platform::Failure& failure) {
      EXPECT_EQ(std::string(failure.what()),
                std::string(tool->name) + " is not available on this computer.");
    }
    EXPECT_EQ(sim.launcher.starts().size() + sim.script_host.calls().size(), tool->commands.size())
        << "every name tried once";
  }

  SimPlatform sim;
  sim.launcher.FailStart("wupdmgr", 740);
  try {
    StartTool(sim.platform, kWindowsUpdate);
    ADD_FAILURE() << "no Failure";
  } catch (const platform::Failure& failure) {
    EXPECT_EQ(failure.status(), 740);
    EXPECT_EQ(std::string(failure.what()),
              "Windows Update could not be started: it needs an administrator's rights (740). "
              "Start Velqor with \"Run as administrator\" and try again.");
  }
  EXPECT_EQ(sim.launcher.starts().size(), 1U) << "a program that is there is not replaced";
}

}  // namespace
}  // namespace velqor::app
