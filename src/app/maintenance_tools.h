// The clean-up panel's maintenance tools. Each is started by its specified command first; where
// this Windows says that program does not exist, by the name the same tool has on later Windows.
#pragma once

#include <span>
#include <string_view>

#include "platform/launcher.h"
#include "platform/platform.h"

namespace velqor::app {

// The specified commands of the four launchers.
inline constexpr std::string_view kCleanManagerCommand = "cleanmgr.exe";
inline constexpr std::string_view kDefragmenterCommand = "dfrg.msc";
inline constexpr std::string_view kFileCheckCommand = "sfc /scannow";
inline constexpr std::string_view kWindowsUpdateCommand = "wupdmgr";

// How a command starts: by the program start with a window style, or by the script host's Run
// (a program, document or address opened by its association, in a normal window).
enum class StartBy { kProgram, kRun };

struct ToolCommand {
  std::string_view command;
  StartBy by;
  int show = platform::kSwShowMinimized;  // the program start's window style
};

struct MaintenanceTool {
  // What a sentence calls it: "The disk defragmenter".
  std::string_view name;
  // The specified command first, then the same tool under its later names, oldest first.
  std::span<const ToolCommand> commands;
};

// From Vista on, the defragmenter is dfrgui.exe and Windows Update is wuapp.exe; Windows 10 and
// 11 have Windows Update only in Settings (an address), 8 as a Control Panel item.
inline constexpr ToolCommand kCleanManagerCommands[] = {{kCleanManagerCommand, StartBy::kProgram}};
inline constexpr ToolCommand kDefragmenterCommands[] = {
    {kDefragmenterCommand, StartBy::kRun},
    {"dfrgui.exe", StartBy::kProgram, platform::kSwShowNormal}};
inline constexpr ToolCommand kFileCheckCommands[] = {{kFileCheckCommand, StartBy::kProgram}};
inline constexpr ToolCommand kWindowsUpdateCommands[] = {
    {kWindowsUpdateCommand, StartBy::kProgram},
    {"wuapp.exe", StartBy::kProgram},
    {"ms-settings:windowsupdate", StartBy::kRun},
    {"control /name Microsoft.WindowsUpdate", StartBy::kProgram}};

inline constexpr MaintenanceTool kCleanManager{"The disk clean-up tool", kCleanManagerCommands};
inline constexpr MaintenanceTool kDefragmenter{"The disk defragmenter", kDefragmenterCommands};
inline constexpr MaintenanceTool kFileCheck{"The system file checker", kFileCheckCommands};
inline constexpr MaintenanceTool kWindowsUpdate{"Windows Update", kWindowsUpdateCommands};

// Starts the first of the tool's commands that this Windows has: the next is tried only when
// Windows says the one before does not exist (file or path not found, no association). Raises a
// Failure "<name> is not available on this computer." when none exists, and for any other
// failure one that says what happened and what to do, with the status in parentheses. Script
// host Runs share one shell object, created when first needed.
void StartTool(const platform::Platform& platform, const MaintenanceTool& tool);

}  // namespace velqor::app
