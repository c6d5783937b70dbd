// The form model: what a window is and the rules its controls follow, decided once for every
// backend. A backend only creates, shows and reads native things and reports what the user did.
#pragma once

#include <map>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

namespace velqor::forms {

// The model speaks the window vocabulary of the platform's ui interface.
using platform::ControlId;
using platform::ControlSpec;
using platform::Handler;
using platform::Menu;
using platform::MenuEntry;
using platform::Row;
using platform::Status;
using platform::TwipRect;
using platform::Ui;
using platform::WindowHandle;
using platform::WindowSpec;

class Form;

// Where a control of the window goes when the window's client area has grown by `grow_x` and
// `grow_y` (either unit, negative when it shrank): it keeps its distance to the edges it is
// anchored to, and grows when anchored to two opposite ones.
TwipRect Anchored(const TwipRect& designed, unsigned anchors, int grow_x, int grow_y);

// A text as a native control shows it: up to its first NUL. The model keeps that, not more.
std::string_view UpToNul(std::string_view text);

// The native side of one form. The model calls it only for controls that exist and only while
// the window is open; the backend shows what it is told and reports the user's input to the form
// it was attached to. Calls that make something native raise a Failure when the system refuses.
class FormBackend {
 public:
  virtual ~FormBackend() = default;

  // The model that receives the user's input from now on.
  virtual void Attach(Form& form) = 0;
  // Creates control `id` as `def` describes, inside its container (kNoControl: the window).
  virtual void CreateControl(ControlId id, const ControlSpec& def) = 0;
  virtual void SetMenu(const std::vector<Menu>& menus) = 0;
  // Shows an entry of the menu set last greyed (false) or usable.
  virtual void SetMenuEntryEnabled(std::string_view entry_name, bool enabled) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // Why the file could not be loaded (kSuccess when it was); the current icon then stays.
  virtual Status SetIcon(std::string_view ico_path) = 0;
  virtual void Repaint() = 0;
  virtual void Show() = 0;
  // Destroys the native window; the backend reports nothing afterwards.
  virtual void Destroy() = 0;
  virtual WindowHandle Handle() const = 0;

  virtual void SetText(ControlId id, std::string_view text) = 0;
  virtual void SetVisible(ControlId id, bool visible) = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  // Gives the control the keyboard focus, or keeps it for when the window is next active.
  virtual void SetFocus(ControlId id) = 0;
  // Shows a check box's or option button's state (0, 1 or 2 greyed).
  virtual void SetValue(ControlId id, int value) = 0;
  virtual void AddItem(ControlId id, std::string_view text) = 0;
  virtual void ClearItems(ControlId id) = 0;
  // Shows the selected row, -1 for none.
  virtual void SetSelection(ControlId id, int row) = 0;
  // Lets a list scroll sideways just far enough for its widest row (`rows` as it shows them).
  virtual void FitHorizontalExtent(ControlId id, const std::vector<std::string>& rows) = 0;
  virtual void SetRedraw(ControlId id, bool redraw) = 0;
  // Report lists: a row put at `place`; many rows put after the last, in one step; the rows
  // shown in a new order, where row i is the one that was at `order[i]` (a permutation of the
  // places); the sorted column (-1: none) shown in the header.
  virtual void InsertRow(ControlId id, int place, const Row& row) = 0;
  virtual void AppendRows(ControlId id, std::span<const Row> rows) = 0;
  virtual void ReorderRows(ControlId id, const std::vector<int>& order) = 0;
  virtual void ShowSort(ControlId id, int column, bool ascending) = 0;
};

// A window as the program sees it, over one backend. Everything a caller can observe is decided
// here: handlers run through the dispatcher, a value or selection set by the program fires the
// click handler once and only on a change, option buttons of one container clear each other,
// controls that are hidden or disabled (or inside a hidden or disabled frame) ignore the user, so
// do the controls of a window not shown when clicked, an unknown id raises, and once closed the
// window ignores every call and answers defaults.
class Form : public platform::Window {
 public:
  // The backend must have made the native window already; the ui's dispatcher runs the handlers.
  Form(Ui& ui, const WindowSpec& def, std::unique_ptr<FormBackend> backend);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  ControlId AddControl(const ControlSpec& def) override;
  ControlId Find(std::string_view name) const override;
  void SetMenu(const std::vector<Menu>& menus) override;

  void OnClick(ControlId control, Handler handler) override;
  void OnMenu(std::string_view entry_name, Handler handler) override;
  void SetMenuEntryEnabled(std::string_view entry_name, bool enabled) override;
  void OnQueryUnload(Handler handler) override;

  void SetCaption(std::string_view caption) override;
  std::string Caption() const override;
  void SetIcon(std::string_view ico_path) override;
  void Repaint() override;
  void Show() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  WindowHandle Handle() const override;

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
  void FitHorizontalExtent(ControlId list) override;
  void SetRedraw(ControlId control, bool redraw) override;

  void AddRow(ControlId list, const Row& row) override;
  void AddRows(ControlId list, std::vector<Row> rows) override;
  Row RowAt(ControlId list, int row) const override;
  int RowOfKey(ControlId list, std::uint64_t key) const override;
  std::optional<std::uint64_t> SelectedKey(ControlId list) const override;
  void SortBy(ControlId list, int column, bool ascending) override;
  int SortColumn(ControlId list) const override;
  bool SortAscending(ControlId list) const override;

  // --- The user's input, as a backend reports it. Each returns whether the window responded. ---

  // A click: a button is pressed, a check box goes 0->1, 1->0 or 2->0, an option button becomes
  // 1 (firing only if it was clear), a clickable label fires. A control that does not respond (or
  // whose window is not shown) keeps its state, and the backend is told it again (a native
  // control may have changed itself).
  bool UserClicked(ControlId control);
  // A row of a list chosen by the user, or -1 when the user left none selected (a click off a
  // report list's rows); fires when the row changes. A missing row raises.
  bool UserSelected(ControlId list, int row);
  // A click on a report list's column header: sorts by that column, ascending first, and the
  // other way round when it is sorted by it already.
  bool UserClickedHeader(ControlId list, int column);
  // The text of a text box as the user left it.
  void UserEdited(ControlId control, std::string_view text);
  // A menu entry chosen, from the menu bar, a context menu or by its shortcut; a greyed entry does
  // nothing. An unknown entry raises.
  bool UserChoseMenu(std::string_view entry_name);
  // The user asked for the context menu of `control`: a right-click on its row `row`, or off its
  // rows or from the keyboard (-1). A right-click on a row that is not selected selects it first,
  // as the system's lists do. Gives the entries to show, with the menu bar's captions and greying
  // (separators have no caption); nothing when the control has no context menu, it or its menu
  // does not respond, or the selection's handler closed the window. A missing row raises.
  std::optional<std::vector<MenuEntry>> UserAskedForContextMenu(ControlId control, int row);
  // The native window went without being asked to (the system destroyed it).
  void NativeWindowGone() noexcept { open_ = false; }

  // --- Reads of the model's state, for backends and tests; unknown ids raise. ---

  const std::string& name() const { return spec_.name; }
  const WindowSpec& def() const { return spec_; }
  // The id of a control by name, whether or not the window is open; raises when there is none.
  ControlId Id(std::string_view name) const;
  const ControlSpec& SpecOf(ControlId control) const;
  std::vector<ControlId> Controls() const;
  // Whether the control and all its containers are visible (the window itself aside).
  bool ShownInWindow(ControlId control) const;
  // Whether the control and all its containers are visible and enabled.
  bool Responds(ControlId control) const;
  bool HasClickHandler(ControlId control) const;
  const std::vector<Menu>& menus() const { return menus_; }
  // The entry's enabled flag as the menu defines it; raises for an unknown entry.
  bool IsMenuEntryEnabled(std::string_view entry_name) const;
  // How many times the close request's handler has run.
  int query_unload_count() const { return query_unload_count_; }
  bool shown() const { return open_ && shown_; }

 protected:
  const FormBackend& backend() const { return *backend_; }

 private:
  struct Control {
    ControlSpec def;
    std::string text;
    bool visible = true;
    bool enabled = true;
    int value = 0;
    std::vector<std::string> items;  // list boxes
    std::vector<Row> rows;           // report lists
    int sort_column = -1;
    bool sort_ascending = true;
    int selection = -1;
    bool drawn = true;  // SetRedraw
    Handler on_click;
  };

  Control& Get(ControlId control);
  const Control& Get(ControlId control) const;
  Control& List(ControlId list);
  Control& Report(ControlId list);
  const Control& Report(ControlId list) const;
  void CheckRow(const Control& list, int row, int first) const;
  // Puts the report list's rows in `order` (row i is the one at order[i]), here and on screen,
  // the selection staying with its row.
  void Reorder(ControlId list, Control& c, const std::vector<int>& order);
  void Fire(ControlId control);
  void Store(ControlId control, int value);
  const MenuEntry* Entry(std::string_view entry_name) const;
  // Raises unless `def` names a control without a context menu and only entries of the menu bar.
  void CheckContextMenu(const ControlSpec& def) const;
  // The context menu that belongs to `control`; kNoControl when none does.
  ControlId ContextMenuOf(ControlId control) const;

  Ui& ui_;
  WindowSpec spec_;
  std::unique_ptr<FormBackend> backend_;
  bool open_ = true;
  bool shown_ = false;
  bool closing_ = false;
  std::string caption_;
  std::vector<Control> controls_;  // control id - 1
  std::map<std::string, ControlId, std::less<>> names_;
  std::vector<Menu> menus_;
  std::map<std::string, Handler, std::less<>> menu_handlers_;
  Handler on_query_unload_;
  int query_unload_count_ = 0;
  // Cleared when the object goes, so that a handler that destroys its own window is survived.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velqor::forms
