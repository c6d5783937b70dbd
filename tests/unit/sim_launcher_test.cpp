// The simulated launcher: what the program's starts and shell opens leave for the tests to read.
#include "platform/sim/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velqor::platform::sim {
namespace {

TEST(SimLauncherTest, MissingProgramsFailNamingTheCommandAndEveryCallIsRecorded) {
  SimLauncher launcher;
  launcher.MarkMissing("SFC");
  launcher.StartProgram("cleanmgr.exe", kSwShowMinimized);
  try {
    launcher.StartProgram("sfc /scannow", kSwShowMinimized);
    FAIL() << "a missing program must raise";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.status(), kFileNotFound);
    EXPECT_NE(std::string(failure.what()).find("\"sfc /scannow\""), std::string::npos);
  }
  ASSERT_EQ(launcher.starts().size(), 2U);
  EXPECT_TRUE(launcher.starts()[1].failed);
  EXPECT_EQ(launcher.StartedCommands(), std::vector<std::string>{"cleanmgr.exe"});

  launcher.SetActiveWindow(0x1234);
  launcher.ShellOpen(launcher.ActiveWindow(), "Open", "https://velqor.example/", "", kSwShowNormal);
  ASSERT_EQ(launcher.shell_opens().size(), 1U);
  EXPECT_EQ(launcher.shell_opens()[0].owner, 0x1234U);
  EXPECT_EQ(launcher.shell_opens()[0].file, "https://velqor.example/");
}

}  // namespace
}  // namespace velqor::platform::sim
