#include "platform/win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/dpi.h"
#include "platform/win32/last_error.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Whether the keyboard focus is on `control` or inside it (a frame).
bool HoldsFocus(HWND control) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == control || IsChild(control, focus));
}

UniqueHicon LoadIconSized(HINSTANCE module, const wchar_t* name, int size_metric, UINT flags) {
  const int size = GetSystemMetrics(size_metric);
  return UniqueHicon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, flags)));
}

}  // namespace

Win32Window::Win32Window(Ui& ui, const WindowSpec& def)
    : ui_(ui),
      name_(def.name),
      dpi_(ScreenDpi()),
      client_width_(TwipsToPixels(def.client_width, dpi_)),
      client_height_(TwipsToPixels(def.client_height, dpi_)),
      background_colour_(def.background.value_or(GetSysColor(COLOR_BTNFACE))),
      font_(CreateMessageFont()) {
  if (def.background) {
    background_brush_.reset(CreateSolidBrush(*def.background));
  }
  RECT frame{0, 0, client_width_, client_height_};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0, static_cast<int>(work.right - work.left - width) / 2);
  const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top - height) / 2);
  const std::wstring caption = Widen(def.caption);
  hwnd_.reset(CreateBase(0, caption.c_str(), kFormStyle, x, y, width, height, nullptr, nullptr));
  if (!hwnd_) {
    ThrowLastError("Creating the window \"" + def.name + "\" failed");
  }
  if (!def.icon_resource.empty()) {
    const std::wstring resource = Widen(def.icon_resource);
    HINSTANCE module = GetModuleHandleW(nullptr);
    SetIcons(LoadIconSized(module, resource.c_str(), SM_CXICON, 0),
             LoadIconSized(module, resource.c_str(), SM_CXSMICON, 0));
  }
}

Win32Window::~Win32Window() {
  *alive_ = false;
  closing_ = true;
  hwnd_.reset();
}

Win32Window::Control& Win32Window::Get(ControlId control) {
  return const_cast<Control&>(std::as_const(*this).Get(control));
}

const Win32Window::Control& Win32Window::Get(ControlId control) const {
  if (control < 1 || static_cast<size_t>(control) > controls_.size()) {
    throw Failure(kInvalidParameter,
                  "The window \"" + name_ + "\" has no control " + std::to_string(control));
  }
  return controls_[static_cast<size_t>(control) - 1];
}

HWND Win32Window::ParentWindow(ControlId parent) const {
  if (parent == kNoControl) {
    return hwnd_.get();
  }
  const Control& container = Get(parent);
  if (container.def.kind != ControlKind::kFrame) {
    throw Failure(kInvalidParameter, "\"" + container.def.name + "\" is not a frame");
  }
  return container.windows.hwnd;
}

const Win32Window::Control* Win32Window::ControlOfWindow(HWND hwnd) const {
  for (const Control& control : controls_) {
    if (control.windows.hwnd == hwnd || (control.windows.caption == hwnd && hwnd != nullptr)) {
      return &control;
    }
  }
  return nullptr;
}

HWND Win32Window::ControlWindow(ControlId control) const {
  if (!IsOpen() || control < 1 || static_cast<size_t>(control) > controls_.size()) {
    return nullptr;
  }
  return controls_[static_cast<size_t>(control) - 1].windows.hwnd;
}

bool Win32Window::IsForm(HWND hwnd) {
  wchar_t name[32] = {};
  return GetClassNameW(hwnd, name, 32) > 0 && std::wstring_view(name) == kClassName;
}

ControlId Win32Window::AddControl(const ControlSpec& def) {
  if (!IsOpen()) {
    return kNoControl;
  }
  if (def.name.empty() || names_.contains(def.name)) {
    throw Failure(kInvalidParameter,
                  "The window \"" + name_ + "\" already has a control \"" + def.name + "\"");
  }
  HWND parent = ParentWindow(def.parent);
  const auto id = static_cast<ControlId>(controls_.size() + 1);
  Control control;
  control.def = def;
  control.sequence = id;
  control.windows = CreateControlWindows(def, parent, kFirstControlId + id,
                                         TwipRectToPixels(def.rect, dpi_), font_.get());
  if (def.white_on_black &&
      (def.kind == ControlKind::kCheckBox || def.kind == ControlKind::kOptionButton)) {
    UseClassicLook(control.windows.hwnd);
  }
  controls_.push_back(std::move(control));
  names_.emplace(def.name, id);
  ApplyTabOrder(controls_.back());
  if (!def.tooltip.empty()) {
    AddTooltip(controls_.back());
  }
  return id;
}

void Win32Window::ApplyTabOrder(const Control& added) {
  // Controls with a tab index come first in its order; the others follow in creation order. The
  // siblings already there are in that order, so the new control goes right after the last one
  // that comes before it: one move per control instead of a move of every sibling.
  const auto key = [](const Control& c) {
    return std::pair(c.def.tab_index >= 0 ? c.def.tab_index : INT_MAX, c.sequence);
  };
  const Control* before = nullptr;
  for (const Control& control : controls_) {
    if (&control != &added && control.def.parent == added.def.parent && key(control) < key(added) &&
        (before == nullptr || key(*before) < key(control))) {
      before = &control;
    }
  }
  constexpr UINT kOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  const HWND previous = before != nullptr ? before->windows.hwnd : nullptr;
  // A control created in order is usually in its place already; a move costs messages.
  if (GetWindow(added.windows.hwnd, GW_HWNDPREV) != previous) {
    SetWindowPos(added.windows.hwnd, previous != nullptr ? previous : HWND_TOP, 0, 0, 0, 0,
                 kOrderOnly);
  }
  if (added.def.label != kNoControl) {
    const HWND label = Get(added.def.label).windows.hwnd;
    const HWND just_before = GetWindow(added.windows.hwnd, GW_HWNDPREV);
    if (just_before != label) {
      SetWindowPos(label, just_before != nullptr ? just_before : HWND_TOP, 0, 0, 0, 0, kOrderOnly);
    }
  }
  if (added.def.parent != kNoControl) {
    // The caption window stays below the frame's controls, so it never paints over them.
    const HWND caption = Get(added.def.parent).windows.caption;
    if (GetWindow(caption, GW_HWNDNEXT) != nullptr) {
      SetWindowPos(caption, HWND_BOTTOM, 0, 0, 0, 0, kOrderOnly);
    }
  }
}

void Win32Window::AddTooltip(const Control& control) {
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_.get(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tooltip_ == nullptr) {
      return;  // a tip is a help, not a function: the form works without it
    }
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(6000, dpi_));
  }
  std::wstring text = Widen(control.def.tooltip);
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  // Not TTF_SUBCLASS: a subclassed control costs every message sent to it a property lookup,
  // which under Wine is a server round trip; the message loop relays the mouse instead.
  info.uFlags = TTF_IDISHWND;
  info.hwnd = hwnd_.get();
  info.uId = reinterpret_cast<UINT_PTR>(control.windows.hwnd);
  info.lpszText = text.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Win32Window::RelayToTooltip(HWND form, MSG& msg) {
  if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) {
    return;
  }
  const auto* self = reinterpret_cast<const Win32Window*>(GetWindowLongPtrW(form, GWLP_USERDATA));
  if (self != nullptr && self->tooltip_ != nullptr) {
    SendMessageW(self->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
}

ControlId Win32Window::Find(std::string_view name) const {
  const auto found = names_.find(name);
  return found == names_.end() ? kNoControl : found->second;
}

void Win32Window::SetMenu(const std::vector<Menu>& menus) {
  if (!IsOpen()) {
    return;
  }
  UniqueHmenu bar(CreateMenu());
  std::vector<MenuEntry> entries;
  for (const Menu& menu : menus) {
    HMENU popup = CreatePopupMenu();
    for (const MenuEntry& entry : menu.entries) {
      if (entry.caption.empty()) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const auto id = static_cast<UINT_PTR>(kFirstMenuId + static_cast<int>(entries.size()));
      const std::wstring caption = Widen(entry.caption);
      AppendMenuW(popup, MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED), id, caption.c_str());
      entries.push_back(entry);
    }
    const std::wstring caption = Widen(menu.caption);
    // The bar owns the pop-up from here on.
    AppendMenuW(bar.get(), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                caption.c_str());
  }
  ::SetMenu(hwnd_.get(), bar.get());
  menu_ = std::move(bar);
  menu_entries_ = std::move(entries);
  FitClientArea();
}

void Win32Window::FitClientArea() {
  RECT frame{0, 0, client_width_, client_height_};
  AdjustWindowRectEx(&frame, kFormStyle, menu_ ? TRUE : FALSE, 0);
  RECT window;
  GetWindowRect(hwnd_.get(), &window);
  SetWindowPos(hwnd_.get(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps onto a second line takes more room than AdjustWindowRectEx counts.
  RECT client;
  GetClientRect(hwnd_.get(), &client);
  const int missing = client_height_ - (client.bottom - client.top);
  if (missing != 0) {
    SetWindowPos(hwnd_.get(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Window::OnClick(ControlId control, Handler handler) {
  Get(control).on_click = std::move(handler);
}

void Win32Window::OnMenu(std::string_view entry_name, Handler handler) {
  menu_handlers_.insert_or_assign(std::string(entry_name), std::move(handler));
}

void Win32Window::OnQueryUnload(Handler handler) {
  on_query_unload_ = std::move(handler);
}

void Win32Window::SetCaption(std::string_view caption) {
  if (IsOpen()) {
    SetWindowTextW(hwnd_.get(), Widen(caption).c_str());
  }
}

std::string Win32Window::Caption() const {
  return IsOpen() ? Narrow(WindowText(hwnd_.get())) : std::string();
}

void Win32Window::SetIcon(std::string_view ico_path) {
  if (!IsOpen()) {
    return;
  }
  const std::wstring path = Widen(ico_path);
  UniqueHicon big = LoadIconSized(nullptr, path.c_str(), SM_CXICON, LR_LOADFROMFILE);
  UniqueHicon small = LoadIconSized(nullptr, path.c_str(), SM_CXSMICON, LR_LOADFROMFILE);
  if (!big || !small) {
    Status status = static_cast<Status>(GetLastError());
    if (status == kSuccess || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      status = kFileNotFound;
    }
    throw MakeFailure(ErrorDomain::kWin32, status,
                      "Could not load the icon \"" + std::string(ico_path) + "\"");
  }
  SetIcons(std::move(big), std::move(small));
}

void Win32Window::SetIcons(UniqueHicon big, UniqueHicon small) {
  // The window keeps drawing the old icons until told of the new ones: swap, then free.
  if (big) {
    SendMessageW(hwnd_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    big_icon_ = std::move(big);
  }
  if (small) {
    SendMessageW(hwnd_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    small_icon_ = std::move(small);
  }
}

void Win32Window::Repaint() {
  if (IsOpen()) {
    // Brings the screen up to date at once: the frame (caption and icon) drawn again, then
    // whatever of the window and its controls waits to be drawn. Redrawing the controls that
    // have not changed would show nothing new and, under Wine, costs more than the writes that
    // follow it in Boost.
    RedrawWindow(hwnd_.get(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
    RedrawWindow(hwnd_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

void Win32Window::Show() {
  if (!IsOpen()) {
    return;
  }
  ShowWindow(hwnd_.get(), IsIconic(hwnd_.get()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_.get());
  UpdateWindow(hwnd_.get());
}

void Win32Window::Close() {
  if (!IsOpen() || closing_) {
    return;
  }
  closing_ = true;
  const std::shared_ptr<bool> alive = alive_;
  const Handler handler = on_query_unload_;
  RunHandler(ui_, handler);
  if (*alive) {
    hwnd_.reset();
    closing_ = false;
  }
}

WindowHandle Win32Window::Handle() const {
  return reinterpret_cast<WindowHandle>(hwnd_.get());
}

void Win32Window::SetText(ControlId control, std::string_view text) {
  if (!IsOpen()) {
    return;
  }
  const Control& c = Get(control);
  SetWindowTextW(c.windows.caption != nullptr ? c.windows.caption : c.windows.hwnd,
                 Widen(text).c_str());
  if (c.windows.caption != nullptr) {
    InvalidateRect(c.windows.caption, nullptr, TRUE);
  }
}

std::string Win32Window::Text(ControlId control) const {
  if (!IsOpen()) {
    return {};
  }
  const Control& c = Get(control);
  if (c.def.kind == ControlKind::kListBox) {
    const int row = Selection(control);
    return row < 0 ? std::string() : ItemText(control, row);
  }
  return Narrow(WindowText(c.windows.caption != nullptr ? c.windows.caption : c.windows.hwnd));
}

bool Win32Window::IsUsable(HWND control) const {
  // A control inside a hidden or disabled frame is hidden or disabled too, though its own style
  // does not say so.
  for (HWND w = control; w != nullptr && w != hwnd_.get(); w = GetParent(w)) {
    if (!IsWindowEnabled(w) || (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) == 0) {
      return false;
    }
  }
  return true;
}

bool Win32Window::CanTakeFocus(HWND hwnd) const {
  return hwnd != nullptr && IsChild(hwnd_.get(), hwnd) && IsWindowVisible(hwnd) && IsUsable(hwnd);
}

void Win32Window::PassFocusOn(HWND lost) {
  // The system leaves the focus nowhere (a disabled control) or on a window the user cannot see
  // (a hidden one, or the frame that held it): the keys would reach no control, and with no
  // focus not even Tab works. The next control in the tab order takes it, as in a dialog.
  HWND next = GetNextDlgTabItem(hwnd_.get(), lost, FALSE);
  ::SetFocus(CanTakeFocus(next) ? next : hwnd_.get());
}

void Win32Window::SetVisible(ControlId control, bool visible) {
  if (!IsOpen()) {
    return;
  }
  HWND hwnd = Get(control).windows.hwnd;
  HWND focus = !visible && HoldsFocus(hwnd) ? GetFocus() : nullptr;
  ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
  if (focus != nullptr) {
    PassFocusOn(focus);
  }
}

bool Win32Window::IsVisible(ControlId control) const {
  return IsOpen() && (GetWindowLongW(Get(control).windows.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Window::SetEnabled(ControlId control, bool enabled) {
  if (!IsOpen()) {
    return;
  }
  const Control& c = Get(control);
  HWND focus = !enabled && HoldsFocus(c.windows.hwnd) ? GetFocus() : nullptr;
  EnableWindow(c.windows.hwnd, enabled ? TRUE : FALSE);
  if (c.windows.caption != nullptr) {
    EnableWindow(c.windows.caption, enabled ? TRUE : FALSE);
  }
  if (focus != nullptr) {
    PassFocusOn(focus);
  }
}

bool Win32Window::IsEnabled(ControlId control) const {
  return IsOpen() && IsWindowEnabled(Get(control).windows.hwnd) != FALSE;
}

void Win32Window::SetFocus(ControlId control) {
  if (!IsOpen()) {
    return;
  }
  HWND target = Get(control).windows.hwnd;
  if (GetActiveWindow() == hwnd_.get()) {
    ::SetFocus(target);
  } else {
    last_focus_ = target;  // taken up by WM_ACTIVATE
  }
}

void Win32Window::SetValue(ControlId control, int value) {
  if (!IsOpen()) {
    return;
  }
  Control& c = Get(control);
  if (c.def.kind != ControlKind::kCheckBox && c.def.kind != ControlKind::kOptionButton) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" has no value");
  }
  const int wanted =
      c.def.kind == ControlKind::kOptionButton ? (value != 0 ? 1 : 0) : std::clamp(value, 0, 2);
  if (Value(control) == wanted) {
    return;
  }
  if (c.def.kind == ControlKind::kOptionButton && wanted == 1) {
    for (const Control& other : controls_) {
      if (other.def.kind == ControlKind::kOptionButton && other.def.parent == c.def.parent) {
        SendMessageW(other.windows.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
  }
  if (wanted == 2) {
    // Only a three-state box can show grey; a user's next click takes it back to two states.
    SendMessageW(c.windows.hwnd, BM_SETSTYLE, BS_AUTO3STATE, TRUE);
  }
  SendMessageW(c.windows.hwnd, BM_SETCHECK, static_cast<WPARAM>(wanted), 0);
  RememberValues(c.def.parent);
  Fire(control);
}

int Win32Window::Value(ControlId control) const {
  if (!IsOpen()) {
    return 0;
  }
  const Control& c = Get(control);
  if (c.def.kind != ControlKind::kCheckBox && c.def.kind != ControlKind::kOptionButton) {
    return 0;
  }
  const auto state = SendMessageW(c.windows.hwnd, BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void Win32Window::RememberValues(ControlId parent) {
  for (Control& c : controls_) {
    if (c.def.parent == parent) {
      c.value_seen = Value(c.sequence);
    }
  }
}

void Win32Window::TakeBackValues(ControlId parent) {
  for (const Control& c : controls_) {
    if (c.def.parent == parent && Value(c.sequence) != c.value_seen) {
      SendMessageW(c.windows.hwnd, BM_SETCHECK, static_cast<WPARAM>(c.value_seen), 0);
    }
  }
}

void Win32Window::AddItem(ControlId list, std::string_view text) {
  if (IsOpen()) {
    SendMessageW(Get(list).windows.hwnd, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
}

void Win32Window::ClearItems(ControlId list) {
  if (IsOpen()) {
    SendMessageW(Get(list).windows.hwnd, LB_RESETCONTENT, 0, 0);
  }
}

int Win32Window::ItemCount(ControlId list) const {
  if (!IsOpen()) {
    return 0;
  }
  const auto count = SendMessageW(Get(list).windows.hwnd, LB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int>(count);
}

std::string Win32Window::ItemText(ControlId list, int row) const {
  if (!IsOpen()) {
    return {};
  }
  HWND hwnd = Get(list).windows.hwnd;
  const auto length = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (row < 0 || length == LB_ERR) {
    throw Failure(kInvalidParameter,
                  "The list \"" + Get(list).def.name + "\" has no row " + std::to_string(row));
  }
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
  return Narrow(text);
}

int Win32Window::Selection(ControlId list) const {
  if (!IsOpen()) {
    return -1;
  }
  const auto row = SendMessageW(Get(list).windows.hwnd, LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? -1 : static_cast<int>(row);
}

void Win32Window::SetSelection(ControlId list, int row) {
  if (!IsOpen()) {
    return;
  }
  const Control& c = Get(list);
  if (row < -1 || row >= ItemCount(list)) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no row " + std::to_string(row));
  }
  if (Selection(list) == row) {
    return;
  }
  SendMessageW(c.windows.hwnd, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  Fire(list);
}

void Win32Window::FitHorizontalExtent(ControlId list) {
  if (!IsOpen()) {
    return;
  }
  HWND hwnd = Get(list).windows.hwnd;
  const int rows = ItemCount(list);
  int widest = 0;
  HDC dc = GetDC(hwnd);
  const HGDIOBJ old_font = SelectObject(dc, font_.get());
  std::wstring text;
  for (int row = 0; row < rows; ++row) {
    const auto length = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    if (length <= 0) {
      continue;
    }
    text.resize(static_cast<size_t>(length) + 1);
    const auto copied = SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(row),
                                     reinterpret_cast<LPARAM>(text.data()));
    SIZE size{};
    if (copied > 0 && GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(copied), &size)) {
      widest = std::max(widest, static_cast<int>(size.cx));
    }
  }
  SelectObject(dc, old_font);
  ReleaseDC(hwnd, dc);
  // A list box draws its rows a few pixels in from its left edge; the same again on the right
  // lets the last character show whole.
  const int margin = widest > 0 ? 2 * GetSystemMetrics(SM_CXEDGE) + 2 : 0;
  SendMessageW(hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + margin), 0);
}

void Win32Window::SetRedraw(ControlId control, bool redraw) {
  if (!IsOpen()) {
    return;
  }
  HWND hwnd = Get(control).windows.hwnd;
  SendMessageW(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
  if (redraw) {
    // Nothing of the changes made meanwhile was drawn, the scroll bars included.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

void Win32Window::Fire(ControlId control) {
  // A copy: the handler may replace itself or add controls while it runs.
  const Handler handler = Get(control).on_click;
  RunHandler(ui_, handler);
}

void Win32Window::OnCommand(ControlId control, int code) {
  Control& c = Get(control);
  // Windows sends no command from a control that is disabled or hidden, itself or its frame;
  // Wine does, for BM_CLICK, and has checked the box by then. What the user can neither see nor
  // use changes nothing and runs nothing.
  if (!IsUsable(c.windows.hwnd)) {
    TakeBackValues(c.def.parent);
    return;
  }
  switch (c.def.kind) {
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      if (code == BN_CLICKED) {
        if (c.def.kind == ControlKind::kCheckBox &&
            (GetWindowLongW(c.windows.hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTO3STATE &&
            Value(control) == 2) {
          // Out of grey back to a two-state box that the click has just cleared.
          SendMessageW(c.windows.hwnd, BM_SETSTYLE, BS_AUTOCHECKBOX, TRUE);
          SendMessageW(c.windows.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        RememberValues(c.def.parent);
        Fire(control);
      }
      break;
    case ControlKind::kOptionButton:
      if (code == BN_CLICKED) {
        const bool before = c.value_seen == 1;
        RememberValues(c.def.parent);
        if (!before && Value(control) == 1) {
          Fire(control);
        }
      }
      break;
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      if (code == STN_CLICKED && c.def.clickable) {
        Fire(control);
      }
      break;
    case ControlKind::kListBox:
      if (code == LBN_SELCHANGE) {
        Fire(control);
      }
      break;
    case ControlKind::kFrame:
    case ControlKind::kTextBox:
      break;
  }
}

void Win32Window::OnMenuCommand(int id) {
  const int index = id - kFirstMenuId;
  if (index < 0 || static_cast<size_t>(index) >= menu_entries_.size() ||
      !menu_entries_[static_cast<size_t>(index)].enabled) {
    return;
  }
  const auto found = menu_handlers_.find(menu_entries_[static_cast<size_t>(index)].name);
  if (found != menu_handlers_.end()) {
    const Handler handler = found->second;
    RunHandler(ui_, handler);
  }
}

LRESULT Win32Window::ColourFor(HWND control, HDC dc) {
  const Control* c = ControlOfWindow(control);
  if (c != nullptr && c->def.white_on_black) {
    SetTextColor(dc, kWhite);
    SetBkColor(dc, kBlack);
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, background_colour_);
  return reinterpret_cast<LRESULT>(background_brush_ ? background_brush_.get()
                                                     : GetSysColorBrush(COLOR_BTNFACE));
}

void Win32Window::DrawAsLabel(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  // The colours a label of the same place gets, then its text as a static draws it.
  FillRect(dc, &item.rcItem, reinterpret_cast<HBRUSH>(ColourFor(item.hwndItem, dc)));
  if ((item.itemState & ODS_DISABLED) != 0) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ old_font = SelectObject(dc, font_.get());
  const std::wstring text = WindowText(item.hwndItem);
  RECT area = item.rcItem;
  const UINT format =
      DT_LEFT | DT_TOP | DT_WORDBREAK | ((item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0U);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    // The focus shows as a dotted frame round the text, as on a check box.
    RECT focus = item.rcItem;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &focus, format | DT_CALCRECT);
    InflateRect(&focus, 1, 1);
    IntersectRect(&focus, &focus, &item.rcItem);
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, old_font);
}

void Win32Window::OnWmCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  if (lparam == 0 && HIWORD(wparam) == 0 && id == IDOK) {
    // Enter: the keyboard navigation presses the default button, and a form has none; the
    // push button with the focus is pressed instead, as in a dialog.
    const Control* c = ControlOfWindow(GetFocus());
    if (c != nullptr && (c->def.kind == ControlKind::kButton || c->def.clickable) &&
        c->windows.hwnd == GetFocus()) {
      OnCommand(c->sequence, BN_CLICKED);
    }
  } else if (lparam == 0 && HIWORD(wparam) == 0) {
    OnMenuCommand(id);
  } else if (const Control* c = ControlOfWindow(reinterpret_cast<HWND>(lparam)); c != nullptr) {
    OnCommand(c->sequence, HIWORD(wparam));
  }
}

bool Win32Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const Control* c = ControlOfWindow(item.hwndItem);
  if (c == nullptr || !c->def.clickable) {
    return false;
  }
  DrawAsLabel(item);
  return true;
}

void Win32Window::OnEraseBackground(HWND hwnd, HDC dc) const {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client,
           background_brush_ ? background_brush_.get() : GetSysColorBrush(COLOR_BTNFACE));
}

bool Win32Window::OnSetCursor(HWND over, UINT hit) const {
  const Control* c = ControlOfWindow(over);
  if (c == nullptr || !c->def.clickable || hit != HTCLIENT) {
    return false;
  }
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

bool Win32Window::RestoreFocus(HWND hwnd) {
  // The control that had the focus may have been hidden or disabled since.
  HWND target = CanTakeFocus(last_focus_) ? last_focus_ : GetNextDlgTabItem(hwnd, nullptr, FALSE);
  if (target == nullptr) {
    return false;
  }
  ::SetFocus(target);
  return true;
}

void Win32Window::OnDestroy(HWND hwnd) {
  // The system destroys an attached menu with the window; ours is freed by its owner.
  ::SetMenu(hwnd, nullptr);
  menu_.reset();
  tooltip_ = nullptr;
  if (hwnd_.get() == hwnd) {
    (void)hwnd_.release();
  }
}

LRESULT Win32Window::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnWmCommand(wparam, lparam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourFor(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    case WM_DRAWITEM:
      if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) {
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      OnEraseBackground(hwnd, reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wparam), LOWORD(lparam))) {
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        last_focus_ = focus != nullptr && IsChild(hwnd, focus) ? focus : nullptr;
        return 0;
      }
      return RestoreFocus(hwnd) ? 0 : DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_SETFOCUS:
      if (RestoreFocus(hwnd)) {
        return 0;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ENDSESSION:
      // At log-off or shut-down the program is ended after this message, with no WM_CLOSE: the
      // close request runs here, or what it takes back (a boost) would outlast the program.
      if (wparam != FALSE) {
        Close();
      }
      return 0;
    case WM_DESTROY:
      OnDestroy(hwnd);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace velqor::platform::win32
