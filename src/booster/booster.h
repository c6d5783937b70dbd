// The Internet speed booster: Boost, Restore and the restore that runs whenever the main window
// closes, over the registry writers and the script host.
#pragma once

#include <functional>
#include <string_view>

#include "booster/booster_tables.h"
#include "platform/registry.h"
#include "platform/script_host.h"
#include "platform/ui.h"
#include "registry/access.h"

namespace velqor::booster {

// The texts the booster shows.
inline constexpr std::string_view kBoostedCaption = "Your Internet speed is set to Maximum";
inline constexpr std::string_view kRestoredCaption =
    "Your Internet speed is slow.Press 'Boost Speed' to increase.";
inline constexpr std::string_view kRestorePrompt =
    "Are you sure you want to restore your registry to previous settings?";
inline constexpr std::string_view kRestoreTitle = "Quelm Internet Speed Booster";
// Appended directly to the program's folder as the system reports it.
inline constexpr std::string_view kBoostedIcon = "/start.ico";
inline constexpr std::string_view kRestoredIcon = "/stop.ico";

// Runs a kCreateKey or kSetValue row through the handle-based writers; never reports a failure.
void WriteStep(registry::RegistryAccess& access, const RegistryStep& step);

// The booster's commands for one main window. It keeps references to the platform, which must
// outlive it, and no state of its own: the state shows in the window's caption, icon and buttons.
class InternetBooster {
 public:
  InternetBooster(platform::Registry& registry, platform::ScriptHost& host, platform::Ui& ui);

  // The click of "&Internet Speed": sets the boosted caption and icon, repaints, enables
  // `restore_button`, disables `boost_button` and moves the focus to `restore_button`, then
  // writes B1 to B23. The writes fail silently. An icon file that cannot be loaded leaves the
  // current icon; the command goes on to its end, and then tells the user which file it was.
  void Boost(platform::Window& window, platform::ControlId boost_button,
             platform::ControlId restore_button);

  // The click of "&Restore Settings": asks Yes/No and stops on any answer but Yes; otherwise sets
  // the restored caption and icon, disables `restore_button`, enables `boost_button` and moves
  // the focus to it, then runs U1 to U12 and S, each step skipped when it fails. An icon file that
  // cannot be loaded is told as Boost tells it. A script host that cannot create a shell object
  // raises its Failure after the buttons have changed. `before_writes`, when given, runs once
  // the user has said Yes and before anything changes.
  void Restore(platform::Window& window, platform::ControlId boost_button,
               platform::ControlId restore_button,
               const std::function<void()>& before_writes = nullptr);

  // The restore of the main window's close: S, then U1 to U12 each skipped when it fails. Leaves
  // the window alone. Raises the script host's Failure, before writing anything, when no shell
  // object can be created; the caller lets the close go on regardless.
  void ExitRestore();

 private:
  class IconNote;
  // Sets the icon from the program's folder; when the file will not load, keeps the current icon
  // and notes the failure in `note`.
  void ShowIcon(platform::Window& window, std::string_view file, IconNote& note) const;
  void RunUndoStep(platform::ScriptShell& shell, const UndoStep& step);

  registry::RegistryAccess access_;
  platform::ScriptHost& host_;
  platform::Ui& ui_;
};

}  // namespace velqor::booster
