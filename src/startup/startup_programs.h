// The startup programs window: every place Windows starts programs from at log-on in one list,
// with Disable, Enable, Delete, Open file location and Refresh on the selected entry.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/ui.h"
#include "startup/actions.h"
#include "startup/locations.h"

namespace velqor::startup {

inline constexpr char kStartupProgramsCaption[] = "Velqor Startup programs";
inline constexpr char kMsgNoEntry[] = "No entry is selected.";

// The window. Its list has a context menu with the Entry menu's commands. One instance lives for
// the whole program; each Show() of a closed window makes it afresh, so nothing (size, sort,
// selection) is remembered. Every action finds its entry by the selected row's key, which stays
// with the row whatever the sort, and then by location and exact name in the system; a failure is
// shown in words and the list is read again.
class StartupPrograms {
 public:
  // The platform must outlive the window. `bracket`, when given, makes each change one command
  // of the change journal.
  explicit StartupPrograms(platform::Platform& platform, CommandBracket* bracket = nullptr);
  StartupPrograms(const StartupPrograms&) = delete;
  StartupPrograms& operator=(const StartupPrograms&) = delete;
  ~StartupPrograms();

  // Creates the window (filled) unless it is open, and shows it. A failure to create it raises.
  void Show();
  bool IsLoaded() const;
  // The open window, otherwise null.
  platform::Window* window();

  // Reads every location again, keeping the sort and, where it is still there, the selection.
  void Refresh();
  void Disable();
  void Enable();
  // Asks first, naming the entry and its location.
  void Delete();
  // Explorer with the entry's file (a shortcut itself, or the program a value starts) selected.
  void OpenFileLocation();

  // The entries the list shows; a row's key is its place here.
  const std::vector<Entry>& entries() const { return entries_; }
  platform::ControlId list() const { return list_; }

 private:
  void Load();
  // Greys what cannot act on the selected entry: all but Refresh when none is selected, Disable
  // for a disabled entry, Enable for any other.
  void UpdateCommands();
  // The entry of the selected row; null (after telling the user) when none is selected.
  const Entry* Selected();
  void Do(Action action);

  platform::Platform& platform_;
  StartupPlatform parts_;
  CommandBracket* bracket_;
  std::unique_ptr<platform::Window> window_;
  platform::ControlId list_ = platform::kNoControl;
  std::vector<Entry> entries_;
};

}  // namespace velqor::startup
