// A form of the program as a real top-level window with standard Win32 controls.
#pragma once

#include <windows.h>
#undef MessageBox  // the interface has a MessageBox of its own

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form.h"
#include "platform/ui.h"
#include "platform/win32/base_window.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// The Win32 side of one form: a fixed-size top-level window whose client area and controls are
// placed by twips at the screen's DPI, drawn in the message font, with tooltips, owner-drawn
// frames, focus and tab order. It shows what the form model tells it and reports the user's
// clicks, selections, edits, menu choices and close requests to that model.
class Win32Backend final : public forms::FormBackend, private BaseWindow<Win32Backend> {
 public:
  static constexpr const wchar_t* kClassName = L"VelqorForm";
  // Control ids start above IDOK/IDCANCEL, which keyboard navigation sends on Enter and Escape.
  static constexpr int kFirstControlId = 100;
  static constexpr int kFirstMenuId = 0x8000;
  static constexpr UINT kWmRowDeselected = WM_APP + 1;  // wparam: the report list's control id

  // Creates the window hidden, with its client area, caption, icon and background. Raises a
  // Failure when the system refuses to create it.
  explicit Win32Backend(const WindowSpec& def);
  // Destroys the window without reporting anything.
  ~Win32Backend() override { Destroy(); }

  void Attach(forms::Form& form) override { form_ = &form; }
  void CreateControl(ControlId id, const ControlSpec& def) override;
  void SetMenu(const std::vector<Menu>& menus) override;
  void SetMenuEntryEnabled(std::string_view entry_name, bool enabled) override;
  void SetCaption(std::string_view caption) override;
  Status SetIcon(std::string_view ico_path) override;
  void Repaint() override;
  void Show() override;
  void Destroy() override;
  WindowHandle Handle() const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetVisible(ControlId id, bool visible) override;
  void SetEnabled(ControlId id, bool enabled) override;
  void SetValue(ControlId id, int value) override;
  void AddItem(ControlId id, std::string_view text) override;
  void ClearItems(ControlId id) override;
  void SetSelection(ControlId id, int row) override;
  void FitHorizontalExtent(ControlId id, const std::vector<std::string>& rows) override;
  void SetFocus(ControlId id) override;
  void SetRedraw(ControlId id, bool redraw) override;
  void InsertRow(ControlId id, int place, const Row& row) override;
  void AppendRows(ControlId id, std::span<const Row> rows) override;
  void ReorderRows(ControlId id, const std::vector<int>& order) override;
  void ShowSort(ControlId id, int column, bool ascending) override;

  // The control's window (for a frame, its panel); nullptr for an unknown id or a closed window.
  HWND ControlWindow(ControlId control) const;
  int Dpi() const noexcept { return dpi_; }
  // The object of a form window of this program; nullptr for any other window or none (the
  // message loop asks it for every message).
  static const Win32Backend* Of(HWND hwnd);
  // Hands a mouse message bound for a window of the form to its tooltip, which shows the tips of
  // its controls from them.
  void RelayToTooltip(MSG& msg) const;
  // Runs the menu entry whose shortcut `msg` is, if it is one of this form's.
  bool TranslateShortcut(MSG& msg) const;

  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  friend class BaseWindow<Win32Backend>;

  struct Control {
    ControlSpec def;
    ControlWindows windows;
    int sequence = 0;
    // Report lists: each native row's lParam, by the row's place. A tag is the row's ordinal
    // since the list was last emptied, so tags index a table; LVM_SORTITEMS reorders by them.
    std::vector<LPARAM> row_tags;
  };

  Control& Get(ControlId control) { return controls_[static_cast<size_t>(control) - 1]; }
  const Control* ControlOfWindow(HWND hwnd) const;
  void ApplyTabOrder(const Control& added);
  // Sets WS_GROUP on the controls of `parent` so that each option group is one group.
  void MarkGroups(HWND parent);
  // Whether `hwnd` is a control of this window that can be seen and used from the keyboard: it
  // and every frame it is in shown and enabled.
  bool CanTakeFocus(HWND hwnd) const;
  // Moves the focus from `lost`, just hidden or disabled, to the next control in the tab order
  // (nullptr: the focus was elsewhere, and stays).
  void PassFocusOn(HWND lost);
  // The control that Enter presses (DM_SETDEFID; kNoControl or an unknown id: none), a push button
  // drawn as the default one; a push button or launcher is it while it has the focus.
  void SetDefaultButton(ControlId id);
  void AddTooltip(const Control& control);
  void FitClientArea();
  // A control's notification, a menu entry or Enter.
  void OnWmCommand(WPARAM wparam, LPARAM lparam);
  void OnCommand(const Control& control, int code);
  // A right-click, Shift+F10 or the Application key on `control` (WM_CONTEXTMENU): shows its
  // context menu at the pointer, or from the keyboard at the selected row (else the control's
  // top-left corner); the entry chosen arrives as the menu bar's WM_COMMAND. False when it is not
  // a control of this window (the title bar's system menu is the system's).
  bool OnContextMenu(HWND control, LPARAM where);
  // The command id of a menu bar entry; 0 when the bar has none of that name.
  UINT MenuId(std::string_view entry_name) const;
  void OnNotify(const NMHDR& header);
  // Reports a report list left with no row selected (kWmRowDeselected, posted when a row lost its
  // selection: a click on another row drops the old one before selecting the new, so the list is
  // read only once the click is over).
  void OnRowDeselected(ControlId list);
  void AddColumns(const Control& control);
  // Puts one row's cells into the native row at `place`, made with `tag` as its lParam.
  void PutRow(HWND list, int place, const Row& row, LPARAM tag);
  // Puts the anchored controls of the window (`all`: every control) where their anchors say for
  // the current client area.
  void Layout(bool all = false);
  void OnDpiChanged(int dpi, const RECT& suggested);
  // Keeps the focus on a usable control as the window loses and regains it; false: not handled.
  bool OnActivate(HWND hwnd, bool active);
  LRESULT ColourFor(HWND control, HDC dc);
  // Draws a launcher, a button that looks like a label, with the focus frame when it has it.
  void DrawAsLabel(const DRAWITEMSTRUCT& item);
  void SetIcons(UniqueHicon big, UniqueHicon small);

  forms::Form* form_ = nullptr;
  int dpi_;
  int design_width_;  // the client area as designed, twips
  int design_height_;
  COLORREF background_colour_;
  UniqueHbrush background_brush_;  // empty: the system's dialog colour
  UniqueHfont font_;
  UniqueHicon big_icon_;
  UniqueHicon small_icon_;
  UniqueHmenu menu_;
  UniqueHaccel shortcuts_;
  std::vector<Control> controls_;          // control id - 1
  std::vector<std::string> menu_entries_;  // names by menu id - kFirstMenuId
  HWND tooltip_ = nullptr;                 // owned by the window, destroyed with it
  HWND last_focus_ = nullptr;
  ControlId default_button_ = kNoControl;
  bool quiet_ = false;  // the program changing a report list: its notifications are not the user's
  UniqueHwnd hwnd_;
};

// A form over the Win32 backend. Every handler runs through the dispatcher of `ui`, so a failure
// in one is shown and the program goes on.
class Win32Window final : public forms::Form {
 public:
  static constexpr const wchar_t* kClassName = Win32Backend::kClassName;

  Win32Window(Ui& ui, const WindowSpec& def);

  // The control's window (for a frame, its panel); nullptr for an unknown id or a closed window.
  HWND ControlWindow(ControlId control) const { return native().ControlWindow(control); }
  // The DPI the window was laid out at.
  int Dpi() const noexcept { return native().Dpi(); }

 private:
  const Win32Backend& native() const { return static_cast<const Win32Backend&>(backend()); }
};

}  // namespace velqor::platform::win32
