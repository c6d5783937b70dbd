// The user interface without a screen: windows and controls kept as plain state, driven by tests
// the way a user drives the real one, with every message box, icon and caption change recorded.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

// A form as plain state. It behaves as the Win32 form does: handlers run through the dispatcher,
// option buttons clear their siblings, a value or selection set from code fires the click
// handler when it changes, and after Close() every call does nothing.
class HeadlessWindow final : public Window {
 public:
  // Made by HeadlessUi::CreateForm; the ui must outlive the window.
  HeadlessWindow(HeadlessUi& ui, const WindowSpec& def, WindowHandle handle);
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  ControlId AddControl(const ControlSpec& def) override;
  ControlId Find(std::string_view name) const override;
  void SetMenu(const std::vector<Menu>& menus) override;

  void OnClick(ControlId control, Handler handler) override;
  void OnMenu(std::string_view entry_name, Handler handler) override;
  void OnQueryUnload(Handler handler) override;

  void SetCaption(std::string_view caption) override;
  std::string Caption() const override;
  // Succeeds only for a file registered with HeadlessUi::AddFile; otherwise raises a Failure
  // naming the file and keeps the current icon.
  void SetIcon(std::string_view ico_path) override;
  void Repaint() override;
  void Show() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  WindowHandle Handle() const override { return open_ ? handle_ : 0; }

  void SetText(ControlId control, std::string_view text) override;
  std::string Text(ControlId control) const override;
  void SetVisible(ControlId control, bool visible) override;
  bool IsVisible(ControlId control) const override;
  void SetEnabled(ControlId control, bool enabled) override;
  bool IsEnabled(ControlId control) const override;
  void SetFocus(ControlId control) override;
  void SetValue(ControlId control, int value) override;
  int Value(ControlId control) const override;

  void AddItem(ControlId list, std::string_view text) override;
  void ClearItems(ControlId list) override;
  int ItemCount(ControlId list) const override;
  std::string ItemText(ControlId list, int row) const override;
  int Selection(ControlId list) const override;
  void SetSelection(ControlId list, int row) override;
  // Counts every character as 8 pixels, as wide as a character of the message font gets.
  void FitHorizontalExtent(ControlId list) override;
  void SetRedraw(ControlId control, bool redraw) override;

  // --- What a user does. Each returns whether the window responded; an unknown name raises. ---

  // A click as a user makes it: a button is pressed, a check box goes 0->1, 1->0 or 2->0, an
  // option button becomes 1 (firing only if it was clear), a clickable label fires. Nothing
  // happens for a closed or hidden window, a control that is not seen (it or a container hidden)
  // or not enabled (it or a container disabled), or after the program has been told to quit.
  bool Click(ControlId control);
  bool ClickByName(std::string_view name);
  // A click on a row of a list, under the same conditions as Click; fires when the row changes.
  // A row that does not exist raises a Failure.
  bool SelectRow(ControlId list, int row);
  // Chooses a menu entry by name; a greyed entry does nothing. An unknown entry raises.
  bool ChooseMenu(std::string_view entry_name);
  // The close box: the close request's handler runs, then the window goes.
  bool RequestClose();

  // --- What a test looks at. Reads of a closed window still answer from the last state. ---

  const std::string& name() const { return spec_.name; }
  const WindowSpec& def() const { return spec_; }
  // Whether Show() has been called (and the window is still open).
  bool IsShown() const { return open_ && shown_; }
  int show_count() const { return show_count_; }
  // The id of a control by name; raises a Failure when there is none.
  ControlId Id(std::string_view name) const;
  // The control as it was created; raises for an unknown id.
  const ControlSpec& SpecOf(ControlId control) const;
  // Every control id, in creation order.
  std::vector<ControlId> Controls() const;
  // Whether a user sees the control: the window shown, the control and all its containers
  // visible.
  bool IsSeen(ControlId control) const;
  // Whether a handler is registered for the control's clicks.
  bool HasClickHandler(ControlId control) const;
  int HorizontalExtent(ControlId list) const;
  // Whether the control is drawn (SetRedraw), and how many rows were added while it was not.
  bool IsRedrawing(ControlId control) const;
  int RowsAddedUndrawn(ControlId list) const;
  const std::vector<Menu>& menus() const { return menus_; }
  // The entry's enabled flag as the menu defines it; raises for an unknown entry.
  bool IsMenuEntryEnabled(std::string_view entry_name) const;
  // Every caption set after creation, in order.
  const std::vector<std::string>& caption_history() const { return caption_history_; }
  // Every icon file that was set successfully, in order; icon() is the last, or empty.
  const std::vector<std::string>& icon_history() const { return icon_history_; }
  std::string icon() const { return icon_history_.empty() ? std::string() : icon_history_.back(); }
  int repaint_count() const { return repaint_count_; }
  // The control last given the focus by the program; kNoControl when none was.
  ControlId focus() const { return focus_; }
  // How many times the close request's handler has run.
  int query_unload_count() const { return query_unload_count_; }

 private:
  struct Control {
    ControlSpec def;
    std::string text;
    bool visible = true;
    bool enabled = true;
    int value = 0;
    std::vector<std::string> items;
    int selection = -1;
    int extent = 0;
    bool redraw = true;
    int rows_added_undrawn = 0;
    Handler on_click;
  };

  Control& Get(ControlId control);
  const Control& Get(ControlId control) const;
  bool Responds(ControlId control) const;
  void Fire(ControlId control);
  void Store(Control& control, int value);
  const MenuEntry* Entry(std::string_view entry_name) const;

  HeadlessUi& ui_;
  WindowSpec spec_;
  WindowHandle handle_;
  bool open_ = true;
  bool shown_ = false;
  bool closing_ = false;
  int show_count_ = 0;
  std::string caption_;
  std::vector<Control> controls_;  // control id - 1
  std::map<std::string, ControlId, std::less<>> names_;
  std::vector<Menu> menus_;
  std::map<std::string, Handler, std::less<>> menu_handlers_;
  Handler on_query_unload_;
  std::vector<std::string> caption_history_;
  std::vector<std::string> icon_history_;
  int repaint_count_ = 0;
  ControlId focus_ = kNoControl;
  int query_unload_count_ = 0;
  // Cleared when the object goes, so that a handler that destroys its own window is survived.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The headless user interface: creates HeadlessWindows, answers message boxes from a script and
// records everything the program asked of it.
class HeadlessUi final : public Ui {
 public:
  HeadlessUi() = default;
  HeadlessUi(const HeadlessUi&) = delete;
  HeadlessUi& operator=(const HeadlessUi&) = delete;

  std::unique_ptr<Window> CreateForm(const WindowSpec& def) override;
  // Records the box and returns the next scripted answer; without one, kIdNo for a Yes/No box
  // and kIdOk for any other.
  int MessageBox(std::string_view prompt, std::string_view title, unsigned style) override;
  std::string ProgramFolder() const override { return program_folder_; }
  // Counts the call and runs the scripted callback, if any, through the dispatcher.
  void DoEvents() override;
  void Quit() override { ++quit_count_; }

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
  // What each DoEvents() also does (a pending event arriving, say); empty: nothing.
  void SetDoEventsCallback(Handler callback) { do_events_callback_ = std::move(callback); }

  // --- What tests look at. ---

  const std::vector<MessageBoxRecord>& message_boxes() const { return message_boxes_; }
  // The last message box, or nullptr when none has been shown.
  const MessageBoxRecord* last_message_box() const {
    return message_boxes_.empty() ? nullptr : &message_boxes_.back();
  }
  std::size_t pending_answers() const { return answers_.size(); }
  int do_events_count() const { return do_events_count_; }
  bool quit_requested() const { return quit_count_ > 0; }
  int quit_count() const { return quit_count_; }
  // The newest window of that name that is still open, or nullptr.
  HeadlessWindow* FindWindow(std::string_view name) const;
  // Every window that exists (open or closed but not destroyed), in creation order.
  std::vector<HeadlessWindow*> Windows() const { return windows_; }
  // How many windows have been created in all.
  int forms_created() const { return forms_created_; }

 private:
  friend class HeadlessWindow;
  void Forget(HeadlessWindow* window);

  std::deque<int> answers_;
  std::vector<MessageBoxRecord> message_boxes_;
  std::string program_folder_ = "C:\\Program Files\\Velqor";
  std::set<std::string> files_;  // normalised
  Handler do_events_callback_;
  int do_events_count_ = 0;
  int quit_count_ = 0;
  int forms_created_ = 0;
  int missing_file_loads_ = 0;
  std::vector<HeadlessWindow*> windows_;
};

}  // namespace velqor::platform::sim
