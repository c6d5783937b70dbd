// The window operations of the measured commands, timed one by one.
#pragma once

#include <string>

namespace velqor::app {
class Form1;
}
namespace velqor::startup {
class frmMain;
}
namespace velqor::platform {
class Registry;
}

namespace velqor::bench {

// Caption, icon, repaint, enabling and reading a box on the loaded main window.
void PrintFormBreakdown(app::Form1& form, const std::string& icon_path);
// The fill's registry reading as the program does it and by one bare call per row; clearing,
// filling and reading the name list with `rows` rows, and the selection mirroring, on the loaded
// startup manager. Leaves the list refilled with `rows` rows.
void PrintListBreakdown(startup::frmMain& form, platform::Registry& registry, int rows);

}  // namespace velqor::bench
