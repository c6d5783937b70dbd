// Form1: the main window of the program, with the tweak and clean-up panels, the Internet speed
// buttons, the pop-up killer switch, the tool launchers and the menus.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "app/maintenance_tools.h"
#include "booster/booster.h"
#include "journal/changes_window.h"
#include "journal/current_settings.h"
#include "journal/recorder.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "popup/ie_windows.h"
#include "popup/popup_killer.h"
#include "startup/frm_main.h"
#include "startup/startup_programs.h"

namespace velqor::app {

// The command of "Shutdown now !", and the web pages of the Help menu.
inline constexpr std::string_view kShutdownCommand = "shutdown -s -t 0";
inline constexpr std::string_view kHomePage = "https://velqor.example/";
inline constexpr std::string_view kProductsPage = "https://velqor.example/products";

// The main window. It exists from the program's start to its end; its handlers run through the
// platform's dispatcher, so a failure in one is shown and the window goes on.
class Form1 {
 public:
  // Keeps the platform, which must outlive the window; creates nothing yet.
  explicit Form1(platform::Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  // Destroys the windows without running the close request's handler.
  ~Form1();

  // Creates the window and its controls, shows it in its start-up state, then runs Form_Load.
  // Raises a Failure when the window cannot be created; a failing tracker is shown instead and
  // the window stays open.
  void Load();

  // Start-up: the tweak panel shown, the clean-up panel hidden, "&Restore Settings" disabled,
  // then the browser window tracker created into IEWin. Its failure is kept for Load, which
  // shows it through the dispatcher.
  void Form_Load();
  // The close request from any source: takes back the Internet speed values; never cancels.
  void Form_QueryUnload();

  // "&Apply XP Tweak": brings back the tweak panel when the clean-up panel shows, otherwise
  // writes every box's tweak. A refused write raises and ends the apply.
  void XPButton1_Click();
  // "&Internet Speed" and "&Restore Settings".
  void XPButton2_Click();
  void XPButton4_Click();
  // "&CleanUp Junk" shows the clean-up panel, "Back to XP Tweak" the tweak panel.
  void XPButton3_Click();
  void Command1_Click();
  // Writes DisablePagingExecutive at once; raises the script host's failure.
  void Check1_Click();
  // The pop-up killer switch.
  void chkPopupKillerActivate_Click();

  // The tool launchers (see StartTool); each raises a Failure that tells what to do when its
  // tool cannot be started.
  void Label1_Click();
  void Label2_Click();
  void Label3_Click();
  void Label4_Click();

  // The menu commands. ex_Click unloads the window (running Form_QueryUnload) and ends the
  // program; shut_Click starts the shutdown at once; smn_Click shows the one startup manager.
  void ex_Click();
  void smn_Click();
  void shut_Click();
  // Shows the one startup programs window.
  void stp_Click();
  void vwb_Click();
  void quelmp_Click();
  // Tools > "&Undo last change" (Ctrl+Z): undoes the newest command not undone yet that is not
  // an undo itself, asking first about values changed since. Greyed when there is none.
  void undo_Click();
  // Tools > "&Changes..." and "Current &settings...": show the one window of each.
  void changes_Click();
  void settings_Click();

  // The window; only valid after Load().
  platform::Window& window() { return *window_; }
  // Whether the window was loaded and has been unloaded (closed) since.
  bool IsUnloaded() const { return window_ != nullptr && !window_->IsOpen(); }
  // The Changes and Current settings windows, once the Tools menu has created them; else null.
  journal::ChangesWindow* changes_window() { return changes_.get(); }
  journal::CurrentSettingsWindow* settings_window() { return settings_.get(); }
  // The startup manager, once the Tools menu has created it; otherwise null.
  startup::frmMain* startup_manager() { return startup_.get(); }
  // The startup programs window, once the Tools menu has created it; otherwise null.
  startup::StartupPrograms* startup_programs() { return startup_programs_.get(); }
  // The browser window tracker made at start-up (null if none could be made).
  const std::shared_ptr<popup::cIEWindows>& tracker() const { return IEWin; }
  // The pop-up killer's shared state (bKillerActive and friends).
  popup::PopupState& popup_state() { return popup_killer_.state(); }

  // The ids of the window's controls.
  struct Controls {
    platform::ControlId Picture1 = platform::kNoControl;
    platform::ControlId XPButton1 = platform::kNoControl;
    platform::ControlId XPButton3 = platform::kNoControl;
    platform::ControlId XPButton2 = platform::kNoControl;
    platform::ControlId XPButton4 = platform::kNoControl;
    platform::ControlId Frame2 = platform::kNoControl;
    platform::ControlId Check[8] = {};
    platform::ControlId Frame3 = platform::kNoControl;
    platform::ControlId Label1 = platform::kNoControl;
    platform::ControlId Label2 = platform::kNoControl;
    platform::ControlId Label3 = platform::kNoControl;
    platform::ControlId Label4 = platform::kNoControl;
    platform::ControlId Command1 = platform::kNoControl;
    platform::ControlId Frame1 = platform::kNoControl;
    platform::ControlId chkPopupKillerActivate = platform::kNoControl;
  };
  const Controls& controls() const { return ids_; }

 private:
  // Adds every control of the window and its menu bar (form1_layout.cpp).
  void CreateControls();
  void CreateMenus();
  // Connects every control and menu entry to its handler.
  void ConnectHandlers();
  // The tweak panel shown, the clean-up panel hidden, "&Restore Settings" disabled.
  void ShowStartPanels();
  // Starts a maintenance tool minimized, with the focus.
  void StartMinimized(std::string_view command);
  // Opens a web page with the shell, owned by the active window.
  void OpenPage(std::string_view address);
  // Records the before-states of a table-driven command's values in one go, when journalled.
  void Prepare(const std::vector<journal::PlannedChange>& plan);
  // Greys "&Undo last change" when the journal holds nothing left to undo.
  void UpdateUndoEntry();

  platform::Platform& platform_;
  booster::InternetBooster booster_;
  popup::PopupKiller popup_killer_;
  std::shared_ptr<popup::cIEWindows> IEWin;  // from Form_Load to the end
  // A failure of the tracker at start-up, told once the window shows.
  std::exception_ptr start_failure_;
  std::unique_ptr<startup::frmMain> startup_;
  std::unique_ptr<journal::ChangesWindow> changes_;
  std::unique_ptr<journal::CurrentSettingsWindow> settings_;
  std::unique_ptr<startup::StartupPrograms> startup_programs_;
  std::unique_ptr<platform::Window> window_;
  Controls ids_;
  bool undo_enabled_ = false;
};

}  // namespace velqor::app
