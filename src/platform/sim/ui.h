// The user interface without a screen: windows and controls kept as plain state, driven by tests
// the way a user drives the real one, with every message box, icon and caption change recorded.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form.h"
#include "platform/ui.h"

namespace velqor::platform::sim {

class HeadlessUi;

// One message box that the program showed, with the answer it got.
struct MessageBoxRecord {
  std::string prompt;
  std::string title;
  unsigned style = 0;
  int answer = 0;
  int windows_shown = 0;  // how many windows were shown (and open) when the box appeared
};

// What the headless backend was asked to show, kept as records for tests.
struct HeadlessRecords {
  int show_count = 0;
  int repaint_count = 0;
  int menu_bar_count = 0;                 // how many times the whole menu bar was set
  std::vector<std::string> icon_history;  // every icon file set successfully, in order
  std::map<ControlId, int> extents;       // horizontal extents of lists
  ControlId focus = kNoControl;           // the control last given the focus by the program
  std::set<ControlId> not_redrawing;      // controls with drawing stopped
  std::map<ControlId, int> rows_added_undrawn;
  std::map<ControlId, std::vector<std::string>> rows;  // the rows each list box shows
  std::map<ControlId, std::vector<Row>> report_rows;   // the rows each report list shows
  std::map<ControlId, std::pair<int, bool>> sorts;     // report lists: column, ascending
};

// One Save As dialog that the program showed, with the answer it got.
struct SaveAsRecord {
  SaveAsRequest request;
  std::optional<std::string> answer;
};

// A form over the headless backend, with what a user does and what a test looks at.
class HeadlessWindow final : public forms::Form {
 public:
  // Made by HeadlessUi::CreateForm; the ui must outlive the window.
  HeadlessWindow(HeadlessUi& ui, const WindowSpec& def, WindowHandle handle);
  ~HeadlessWindow() override;

  // --- What a user does. Each returns whether the window responded; an unknown name raises. ---

  // A click as a user makes it (see Form::UserClicked). Nothing happens for a closed or hidden
  // window, or after the program has been told to quit.
  bool Click(ControlId control);
  bool ClickByName(std::string_view name);
  // A row of a list chosen, as Click but also in a window not shown, whose lists a program can
  // still select in; fires when the row changes. A row that does not exist raises a Failure.
  bool SelectRow(ControlId list, int row);
  // A left-click on a list off its rows, under the same conditions as Click: a report list loses
  // its selection (firing when it had one), a list box keeps it. Not a list: raises a Failure.
  bool ClickOffRows(ControlId list);
  // Chooses a menu entry by name; a greyed entry does nothing. An unknown entry raises.
  bool ChooseMenu(std::string_view entry_name);
  // Presses a menu entry's shortcut ("Ctrl+Z"); false when no entry has it or it is greyed.
  bool PressShortcut(std::string_view keys);
  // A click on a report list's column header.
  bool ClickHeader(ControlId list, int column);
  // A right-click on the control, on its row `row` (-1: on none), or with -1 also Shift+F10 or
  // the Application key: its context menu shows as Form::UserAskedForContextMenu decides, and
  // stays shown until an entry is chosen or another is asked for. False when none shows.
  bool RightClick(ControlId control, int row = -1);
  // Chooses an entry of the context menu shown, by name, and closes the menu; false when no menu
  // is shown, it lacks the entry, or the entry is greyed.
  bool ChooseContextEntry(std::string_view entry_name);
  // The close box: the close request's handler runs, then the window goes.
  bool RequestClose();
  // The window's frame dragged to a client area of this size (twips); false when the window
  // cannot be resized.
  bool Resize(int client_width, int client_height);
  // Where the control is now in its container (twips), after the window's resizing.
  TwipRect ControlRect(ControlId control) const;

  // --- What a test looks at. Reads of a closed window still answer from the last state. ---

  // Whether Show() has been called (and the window is still open).
  bool IsShown() const { return shown(); }
  // Whether a user sees the control: the window shown, the control and all its containers
  // visible.
  bool IsSeen(ControlId control) const { return IsShown() && ShownInWindow(control); }
  const std::vector<std::string>& icon_history() const { return records().icon_history; }
  std::string icon() const {
    return icon_history().empty() ? std::string() : icon_history().back();
  }
  // What the backend was told, as the native side would show it.
  const HeadlessRecords& records() const;
  // The entries of the context menu shown; empty when none is.
  const std::vector<MenuEntry>& context_menu() const { return context_menu_; }

 private:
  bool UserMayAct() const;
  // The list's definition; raises a Failure when the control is not a list.
  const ControlSpec& ListSpec(ControlId list) const;

  HeadlessUi& headless_ui_;
  std::vector<MenuEntry> context_menu_;
  int client_width_;
  int client_height_;
};

// The headless user interface: creates HeadlessWindows, answers message boxes from a script and
// records everything the program asked of it.
class HeadlessUi final : public Ui {
 public:
  HeadlessUi() = default;
  HeadlessUi(const HeadlessUi&) = delete;
  HeadlessUi& operator=(const HeadlessUi&) = delete;

  std::unique_ptr<Window> CreateForm(const WindowSpec& def) override;
  // Records the box and returns the next scripted answer; without one, kIdNo for a Yes/No box,
  // kIdCancel for a Yes/No/Cancel box and kIdOk for any other.
  int MessageBox(std::string_view prompt, std::string_view title, unsigned style) override;
  std::string ProgramFolder() const override { return program_folder_; }
  // Counts the call and runs the scripted callback, if any, through the dispatcher.
  void DoEvents() override;
  // Records the request and returns the next scripted answer; without one, cancelled.
  std::optional<std::string> SaveAs(const SaveAsRequest& request) override;
  void Quit() override { quit_requested_ = true; }

  // --- Set-up by tests. ---

  // The answer of the next message box that has no answer yet (answers queue up in order).
  void AnswerNextMessageBox(int answer) { answers_.push_back(answer); }
  void SetProgramFolder(std::string folder) { program_folder_ = std::move(folder); }
  // Registers a file as existing, so that SetIcon can load it. Paths compare as Windows compares
  // them: letter case ignored, '/' and '\' alike.
  void AddFile(std::string_view path);
  void RemoveFile(std::string_view path);
  bool FileExists(std::string_view path) const;
  // How many icon loads failed because their file was not there.
  int missing_file_loads() const { return missing_file_loads_; }
  // The answer of the next Save As dialog (answers queue up in order); nothing: cancelled.
  void AnswerNextSaveAs(std::optional<std::string> path) {
    save_as_answers_.push_back(std::move(path));
  }
  // What each DoEvents() also does (a pending event arriving, say); empty: nothing.
  void SetDoEventsCallback(Handler callback) { do_events_callback_ = std::move(callback); }

  // --- What tests look at. ---

  const std::vector<MessageBoxRecord>& message_boxes() const { return message_boxes_; }
  // The last message box, or nullptr when none has been shown.
  const MessageBoxRecord* last_message_box() const {
    return message_boxes_.empty() ? nullptr : &message_boxes_.back();
  }
  const std::vector<SaveAsRecord>& save_as_dialogs() const { return save_as_dialogs_; }
  int do_events_count() const { return do_events_count_; }
  bool quit_requested() const { return quit_requested_; }
  // The newest window of that name that is still open, or nullptr.
  HeadlessWindow* FindWindow(std::string_view name) const;
  // Every window that exists (open or closed but not destroyed), in creation order.
  std::vector<HeadlessWindow*> Windows() const { return windows_; }
  // How many windows have been created in all.
  int forms_created() const { return forms_created_; }

 private:
  friend class HeadlessWindow;
  friend class HeadlessBackend;
  void Forget(HeadlessWindow* window);

  std::deque<int> answers_;
  std::deque<std::optional<std::string>> save_as_answers_;
  std::vector<SaveAsRecord> save_as_dialogs_;
  std::vector<MessageBoxRecord> message_boxes_;
  std::string program_folder_ = "C:\\Program Files\\Velqor";
  std::set<std::string> files_;  // normalised
  Handler do_events_callback_;
  int do_events_count_ = 0;
  bool quit_requested_ = false;
  int forms_created_ = 0;
  int missing_file_loads_ = 0;
  std::vector<HeadlessWindow*> windows_;
};

}  // namespace velqor::platform::sim
