// Windows, their standard controls, menus and message boxes, and the one dispatcher through which
// every handler of the program runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/launcher.h"

namespace velqor::platform {

// Positions and sizes in twips (1440 per inch; 15 per pixel at 96 DPI).
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind {
  kButton,        // BUTTON, BS_PUSHBUTTON
  kCheckBox,      // BUTTON, BS_AUTOCHECKBOX; value 0, 1 or 2 (greyed)
  kOptionButton,  // BUTTON, BS_AUTORADIOBUTTON; value 0 or 1
  kFrame,         // a captioned group box that is also a container: hiding it hides its controls
  kLabel,         // STATIC
  kPicture,       // STATIC showing a bitmap resource
  kListBox,       // LISTBOX, unsorted, notifying
  kTextBox,       // EDIT, single line
  kReportList,    // SysListView32 in report view: columns, whole rows selected, sorted by a header
  // The pop-up menu of another control (`owner`), shown by a right-click on it, Shift+F10 or the
  // Application key; it has no window of its own.
  kContextMenu,
};

// One column of a report list: its header caption and width.
struct Column {
  std::string caption;
  int width = 0;  // twips
};

// Which edges of the window a control keeps its distance to when the window is resized; a
// control anchored to two opposite edges grows with the window.
enum Anchor : unsigned {
  kAnchorLeft = 1,
  kAnchorTop = 2,
  kAnchorRight = 4,
  kAnchorBottom = 8,
};

// Identifies a control within its window; kNoControl is the window itself (as a parent).
using ControlId = int;
inline constexpr ControlId kNoControl = 0;

// Everything a form says about one control: its name, container, caption and place. Every member
// has a default, so that a form names only what it sets (designated initialisers).
struct ControlSpec {
  ControlKind kind = ControlKind::kButton;
  std::string name{};             // the program's name for it ("XPButton1"); unique per window
  ControlId parent = kNoControl;  // container (a frame), or the window
  std::string caption{};          // window text, with & for the mnemonic
  TwipRect rect{};                // relative to the container's client area
  int tab_index = -1;             // -1: creation order
  std::string tooltip{};          // empty: none
  // Labels that start something: they look as labels do, show the hand cursor, take a tab stop
  // and are pressed with Enter or Space, and a screen reader calls them buttons.
  bool clickable = false;
  bool white_on_black = false;  // drawn white text on a black background
  std::string image{};          // pictures: the bitmap resource's name
  // The label that names this control (a field or a list) for a screen reader, which takes the
  // name from the label just before the control in the window's order; it is kept there.
  ControlId label = kNoControl;
  std::vector<Column> columns = {};             // report lists: the columns, left to right
  unsigned anchors = kAnchorLeft | kAnchorTop;  // controls of the window itself, not of frames
  // Context menus: the control they belong to (one menu each), and their entries as names of
  // entries of the menu bar ("": a separator), whose captions, greying and handlers they share.
  ControlId owner = kNoControl;
  std::vector<std::string> entries = {};
};

// One entry of a drop-down menu; entries with an empty caption are separators. A caption may
// end in a tab and a shortcut ("&Undo\tCtrl+Z"): the menu shows it, and the keys choose the entry.
struct MenuEntry {
  std::string name;     // "ex"
  std::string caption;  // "Exit"
  bool enabled = true;  // false: shown greyed and cannot be chosen
};

// One menu of the menu bar.
struct Menu {
  std::string name;     // "dile"
  std::string caption;  // "&File"
  std::vector<MenuEntry> entries;
};

// A colour as the system stores it: 0x00BBGGRR.
using Colour = std::uint32_t;

struct WindowSpec {
  std::string name;                  // "Form1"
  std::string caption;               // "Velqor"
  int client_width = 0;              // twips
  int client_height = 0;             // twips
  std::string icon_resource;         // the window's own icon, a resource name; empty: the default
  std::optional<Colour> background;  // the client area's colour; none: the system's dialog colour
  bool resizable = false;            // a sizing frame; controls then keep their places by anchors
};

// The Save As dialog's question: what to save and where to begin.
struct SaveAsRequest {
  std::string title;              // the dialog's caption
  std::string file_name;          // the name offered
  std::string filter_name;        // "Registry files (*.reg)"
  std::string filter_pattern;     // "*.reg"
  std::string default_extension;  // "reg": added when the user types a name without one
};

// One row of a report list: its cells left to right, and a key of the program's that stays with
// the row whatever its place.
struct Row {
  std::uint64_t key = 0;
  std::vector<std::string> cells = {};
};

using Handler = std::function<void()>;

// A top-level window and its controls. Operations on a control id that the window does not have
// raise a Failure. After the window has been closed (IsOpen() false) every call does nothing and
// reads give empty or default values.
class Window {
 public:
  virtual ~Window() = default;

  // Creates a control; containers must be added before the controls they hold.
  virtual ControlId AddControl(const ControlSpec& def) = 0;
  // Finds a control by its name; kNoControl when there is none.
  virtual ControlId Find(std::string_view name) const = 0;
  virtual void SetMenu(const std::vector<Menu>& menus) = 0;

  // Click handlers: a button pressed, a check box or option button changed (by the user or by
  // SetValue), a clickable label clicked, a list's selection changed (by the user or by
  // SetSelection).
  virtual void OnClick(ControlId control, Handler handler) = 0;
  virtual void OnMenu(std::string_view entry_name, Handler handler) = 0;
  // Greys a menu entry (false) or makes it usable again, in the menu bar and in every context
  // menu that shows it. An entry that does not exist raises a Failure.
  virtual void SetMenuEntryEnabled(std::string_view entry_name, bool enabled) = 0;
  // The close request (close box, system menu, WM_CLOSE or Close()): runs before the window goes.
  virtual void OnQueryUnload(Handler handler) = 0;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string Caption() const = 0;
  // Loads an .ico file as the window's big and small icon. Raises a Failure naming the file when
  // it is missing or unreadable; the current icon then stays.
  virtual void SetIcon(std::string_view ico_path) = 0;
  // Draws at once, before the caller goes on, everything of the window that is not yet on the
  // screen: its frame (caption and icon) and every control changed since it was last drawn.
  virtual void Repaint() = 0;
  // Shows the window, not modal; creates nothing new.
  virtual void Show() = 0;
  // Runs the close request's handler, then destroys the window; afterwards IsOpen() is false.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual WindowHandle Handle() const = 0;

  virtual void SetText(ControlId control, std::string_view text) = 0;
  virtual std::string Text(ControlId control) const = 0;
  virtual void SetVisible(ControlId control, bool visible) = 0;
  // Whether the control itself is shown (not whether its container is).
  virtual bool IsVisible(ControlId control) const = 0;
  virtual void SetEnabled(ControlId control, bool enabled) = 0;
  virtual bool IsEnabled(ControlId control) const = 0;
  // Gives the control the keyboard focus: at once when the window is the active one, otherwise
  // when the window next becomes active.
  virtual void SetFocus(ControlId control) = 0;
  // Check box 0, 1 or 2; option button 0 or 1. Setting a different value fires the click handler,
  // as a user's click does; setting an option button to 1 clears the others of its container.
  virtual void SetValue(ControlId control, int value) = 0;
  virtual int Value(ControlId control) const = 0;

  // List boxes. Rows are kept in the order added.
  virtual void AddItem(ControlId list, std::string_view text) = 0;
  virtual void ClearItems(ControlId list) = 0;
  virtual int ItemCount(ControlId list) const = 0;
  // Raises a Failure for a row that does not exist.
  virtual std::string ItemText(ControlId list, int row) const = 0;
  // The selected row, -1 when none.
  virtual int Selection(ControlId list) const = 0;
  // Selects a row; a change fires the click handler. A row that does not exist raises a Failure
  // and changes nothing.
  virtual void SetSelection(ControlId list, int row) = 0;
  // Lets a list scroll sideways just far enough to show its widest row whole, and not at all
  // when every row fits.
  virtual void FitHorizontalExtent(ControlId list) = 0;
  // Stops (false) or resumes (true) drawing a control while it changes many times: a list drawn
  // row by row costs a repaint per row. The control changes and answers as usual meanwhile;
  // resuming draws it once, when pending messages are next handled.
  virtual void SetRedraw(ControlId control, bool redraw) = 0;

  // Report lists. ClearItems, ItemCount, Selection, SetSelection and Text (the first cell of the
  // selected row) apply to them too; a selection change fires the click handler.
  // Adds a row at the end, or in its sorted place when the list is sorted.
  virtual void AddRow(ControlId list, const Row& row) = 0;
  // Adds many rows as AddRow would one after another, with the same result, in one step: a
  // list of thousands is filled (and sorted once) in about the time of its native fill.
  virtual void AddRows(ControlId list, std::vector<Row> rows) = 0;
  // The row at a place; raises a Failure for a row that does not exist.
  virtual Row RowAt(ControlId list, int row) const = 0;
  // The place of the first row with this key, -1 when no row has it; nothing is copied.
  virtual int RowOfKey(ControlId list, std::uint64_t key) const = 0;
  // The key of the selected row; nothing when no row is selected.
  virtual std::optional<std::uint64_t> SelectedKey(ControlId list) const = 0;
  // Sorts the rows by a column's text (letter case ignored, ties kept in their order) and shows
  // the direction in that column's header. A column that does not exist raises a Failure.
  virtual void SortBy(ControlId list, int column, bool ascending) = 0;
  // The column sorted by, -1 when none, and whether ascending.
  virtual int SortColumn(ControlId list) const = 0;
  virtual bool SortAscending(ControlId list) const = 0;
};

inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbYesNoCancel = 0x03;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Runs one handler as a command of the program, given the name the user knows it by (its
// caption without "&" or shortcut text, "Close" for the close request). It calls the handler
// once and lets its failures through to the dispatcher.
using CommandRunner = std::function<void(std::string_view command, const Handler& handler)>;

class Ui {
 public:
  virtual ~Ui() = default;

  // Set once by the composition root (the change journal); until then a command is just its
  // handler. Kept here, not per window, so that every window made later runs its commands the
  // same way.
  void SetCommandRunner(CommandRunner runner) { command_runner_ = std::move(runner); }
  const CommandRunner& command_runner() const { return command_runner_; }

  virtual std::unique_ptr<Window> CreateForm(const WindowSpec& def) = 0;
  // A modal message box (MessageBoxW) owned by the active window; returns the button pressed.
  virtual int MessageBox(std::string_view prompt, std::string_view title, unsigned style) = 0;
  // The program's folder exactly as the system reports it, without a trailing back-slash.
  virtual std::string ProgramFolder() const = 0;
  // Lets pending messages run (DoEvents).
  virtual void DoEvents() = 0;
  // Ends the message loop: the program ends once the handler that asked returns.
  virtual void Quit() = 0;
  // The standard Save As dialog, owned by the active window; the full path chosen, or nothing
  // when the user cancelled.
  virtual std::optional<std::string> SaveAs(const SaveAsRequest& request) = 0;

 private:
  CommandRunner command_runner_;
};

// The title of every message that the program shows of its own.
inline constexpr std::string_view kProgramTitle = "Velqor";

// The dispatcher: runs one handler; a Failure or other exception that escapes it is shown in a
// message box titled "Velqor" that says what failed, and the program goes on. Never throws.
void RunHandler(Ui& ui, const Handler& handler) noexcept;

// The name of the command behind a caption: "&Apply XP Tweak" gives "Apply XP Tweak", "&Undo last
// change\tCtrl+Z" gives "Undo last change", "&&" stays one "&".
std::string CommandName(std::string_view caption);

// The dispatcher for a command the user started: the handler through the ui's command runner,
// named after `caption`, inside RunHandler.
void RunCommand(Ui& ui, std::string_view caption, const Handler& handler) noexcept;

}  // namespace velqor::platform
