// A form of the program as a real top-level window with standard Win32 controls.
#pragma once

#include <windows.h>
#undef MessageBox  // the interface has a MessageBox of its own

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/base_window.h"
#include "platform/win32/controls.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// One form: a fixed-size top-level window whose client area and controls are placed by twips at
// the screen's DPI, drawn in the message font. Every handler runs through the dispatcher of `ui`,
// so a failure in one is shown and the program goes on.
class Win32Window final : public Window, private BaseWindow<Win32Window> {
 public:
  static constexpr const wchar_t* kClassName = L"VelqorForm";
  // Control ids start above IDOK/IDCANCEL, which keyboard navigation sends on Enter and Escape.
  static constexpr int kFirstControlId = 100;
  static constexpr int kFirstMenuId = 0x8000;

  // Creates the window hidden, with its client area, caption, icon and background. Raises a
  // Failure when the system refuses to create it.
  Win32Window(Ui& ui, const WindowSpec& def);
  // Destroys the window without running the close request's handler.
  ~Win32Window() override;

  ControlId AddControl(const ControlSpec& def) override;
  ControlId Find(std::string_view name) const override;
  void SetMenu(const std::vector<Menu>& menus) override;

  void OnClick(ControlId control, Handler handler) override;
  void OnMenu(std::string_view entry_name, Handler handler) override;
  void OnQueryUnload(Handler handler) override;

  void SetCaption(std::string_view caption) override;
  std::string Caption() const override;
  void SetIcon(std::string_view ico_path) override;
  void Repaint() override;
  void Show() override;
  void Close() override;
  bool IsOpen() const override { return static_cast<bool>(hwnd_); }
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

  // The control's window (for a frame, its panel); nullptr for an unknown id or a closed window.
  HWND ControlWindow(ControlId control) const;
  // The DPI the window was laid out at.
  int Dpi() const noexcept { return dpi_; }
  // Whether `hwnd` is a form window of this program (the message loop asks it).
  static bool IsForm(HWND hwnd);
  // Hands a mouse message bound for a window of `form` to the form's tooltip, which shows the
  // tips of its controls from them (the message loop calls it for every message).
  static void RelayToTooltip(HWND form, MSG& msg);

  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  friend class BaseWindow<Win32Window>;

  struct Control {
    ControlSpec def;
    ControlWindows windows;
    Handler on_click;
    int sequence = 0;
    // Check boxes and option buttons: the value last seen, so that an option button fires only on
    // a change and a click refused can be taken back.
    int value_seen = 0;
  };

  Control& Get(ControlId control);
  const Control& Get(ControlId control) const;
  HWND ParentWindow(ControlId parent) const;
  const Control* ControlOfWindow(HWND hwnd) const;
  void ApplyTabOrder(const Control& added);
  // Whether `control` and every frame it is in are shown and enabled (the window itself aside).
  bool IsUsable(HWND control) const;
  // Whether `hwnd` is a control of this window that can be seen and used from the keyboard.
  bool CanTakeFocus(HWND hwnd) const;
  // Moves the focus from `lost`, just hidden or disabled, to the next control in the tab order.
  void PassFocusOn(HWND lost);
  void AddTooltip(const Control& control);
  void FitClientArea();
  void Fire(ControlId control);
  void OnCommand(ControlId control, int code);
  void OnMenuCommand(int id);
  // Records (or puts back) the values of the check boxes and option buttons in `parent`.
  void RememberValues(ControlId parent);
  void TakeBackValues(ControlId parent);
  LRESULT ColourFor(HWND control, HDC dc);
  // The messages of the window, one handler each; a false answer leaves the message to the
  // system's default handling.
  void OnWmCommand(WPARAM wparam, LPARAM lparam);
  bool OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnEraseBackground(HWND hwnd, HDC dc) const;
  bool OnSetCursor(HWND over, UINT hit) const;
  // Gives the focus back to the control that had it, or to the first in the tab order.
  bool RestoreFocus(HWND hwnd);
  void OnDestroy(HWND hwnd);
  // Draws a launcher, a button that looks like a label, with the focus frame when it has it.
  void DrawAsLabel(const DRAWITEMSTRUCT& item);
  void SetIcons(UniqueHicon big, UniqueHicon small);

  Ui& ui_;
  std::string name_;
  int dpi_;
  int client_width_;   // pixels
  int client_height_;  // pixels
  COLORREF background_colour_;
  UniqueHbrush background_brush_;  // empty: the system's dialog colour
  UniqueHfont font_;
  UniqueHicon big_icon_;
  UniqueHicon small_icon_;
  UniqueHmenu menu_;
  std::vector<Control> controls_;  // control id - 1
  std::map<std::string, ControlId, std::less<>> names_;
  std::vector<MenuEntry> menu_entries_;  // menu id - kFirstMenuId
  std::map<std::string, Handler, std::less<>> menu_handlers_;
  Handler on_query_unload_;
  HWND tooltip_ = nullptr;  // owned by the window, destroyed with it
  HWND last_focus_ = nullptr;
  bool closing_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  UniqueHwnd hwnd_;
};

}  // namespace velqor::platform::win32
