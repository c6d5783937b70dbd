// frmMain: the startup manager window, which lists the machine-wide or the per-user Run key and
// removes a per-user entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "registry/enumeration.h"

namespace velqor::startup {

// The key path, under either root, of the two sources the window shows.
inline constexpr std::string_view kRunSubKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The full path that the Delete button shows, before the selected entry's name.
inline constexpr std::string_view kUserRunPath =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";

// The messages of the Delete button when it removes nothing.
inline constexpr std::string_view kMsgNoSelection =
    "No startup entry is selected, so nothing was removed.";
inline constexpr std::string_view kMsgDefaultValue =
    "The entry without a name is the Run key's default value; it is not removed here.";
inline constexpr std::string_view kMsgMachineWide =
    "Entries of the machine-wide Run key are not removed here. Choose \"Run (Current user)\" "
    "to remove an entry of your own.";

// The startup manager window. One instance lives for the whole program; the window it shows is
// created on Show() and goes when the user closes it, and the next Show() loads it afresh.
// Failures of the registry never raise out of it: they show as empty lists or in a message box.
class frmMain {
 public:
  // Keeps the platform, which must outlive the window; creates nothing yet.
  explicit frmMain(platform::Platform& platform);
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;
  // Destroys the window if it is loaded and closes the key handle the lists came from.
  ~frmMain();

  // Loads the window if it is not loaded (creating it and filling the lists from the machine-wide
  // Run key) and shows it, not modal and without owner. A failure to create it raises.
  void Show();
  // Whether the window exists and has not been closed.
  bool IsLoaded() const;
  // The window while it is loaded, otherwise null; for tests and the composition root.
  platform::Window* window();

  // Removes every row of both lists.
  void ClearLists();
  // Fills the lists from the machine-wide Run key; each step that fails is skipped.
  void LoadRun();
  // Fills the lists from the per-user Run key; each step that fails is skipped.
  void LoadUserRun();

  // The handlers of the window's events, as the controls call them.
  void Form_Load();
  void optRun_Click();
  void optRun2_Click();
  void lstName_Click();
  void lstCmdLine_Click();
  // Removes the selected per-user entry by its exact name, after showing its path; refuses, with
  // a message, when nothing is selected, the default value is selected or the machine-wide list
  // is shown; reports a deletion that fails. Raises only when no shell object can be made.
  void Command1_Click();
  void cmdBrowse_Click();
  // The close request: closes the open key handle; the window then goes.
  void Form_QueryUnload();

  // The window's state: the key the lists show (0 when none is open), the number of values it
  // had when they were filled, and the name last selected.
  platform::KeyHandle hRunKey() const { return run_key_.get(); }
  std::int32_t lEntryCount() const { return lEntryCount_; }
  const std::string& sSelName() const { return sSelName_; }

  // The control ids of the loaded window (kNoControl before the first load).
  struct Controls {
    platform::ControlId Frame1 = platform::kNoControl;
    platform::ControlId optRun = platform::kNoControl;
    platform::ControlId optRun2 = platform::kNoControl;
    platform::ControlId lbl0 = platform::kNoControl;
    platform::ControlId lstName = platform::kNoControl;
    platform::ControlId lbl1 = platform::kNoControl;
    platform::ControlId lstCmdLine = platform::kNoControl;
    platform::ControlId lbl2 = platform::kNoControl;
    platform::ControlId txtName = platform::kNoControl;
    platform::ControlId lbl3 = platform::kNoControl;
    platform::ControlId txtCmdLine = platform::kNoControl;
    platform::ControlId cmdBrowse = platform::kNoControl;
    platform::ControlId Command1 = platform::kNoControl;
  };
  // The ids of the controls of the current (or last) window.
  const Controls& controls() const { return ids_; }

 private:
  // Creates the window, its controls and their handlers, and runs the load.
  void Load();
  // Fills both lists from the Run key under `root`.
  void FillFrom(platform::KeyHandle root);
  // Closes hRunKey when it is open; it reads 0 after.
  void CloseRunKey();
  // Widens both lists' scroll extents to their longest rows.
  void SetExtents();
  // Shows a message titled with the program's name.
  void Tell(std::string_view message, unsigned style);

  platform::Platform& platform_;
  registry::RegEnum enum_;
  std::unique_ptr<platform::Window> window_;
  Controls ids_;

  platform::ScopedKey run_key_;  // hRunKey
  std::int32_t lEntryCount_ = 0;
  std::string sSelName_;

  // Per row of the lists: the value's exact name, as the registry holds it, to delete by.
  std::vector<std::string> exact_names_;
  // The root the lists were last filled from; 0 before the first fill.
  platform::KeyHandle shown_root_ = 0;
};

}  // namespace velqor::startup
