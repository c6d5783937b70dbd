#include "platform/win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/dpi.h"
#include "platform/win32/last_error.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kSizingStyle = WS_THICKFRAME | WS_MAXIMIZEBOX;
// Sent by systems that change a monitor's scale while programs run; older headers lack it.
constexpr UINT kWmDpiChanged = 0x02E0;
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

// A shortcut as menus spell it ("Ctrl+Z", "Ctrl+Shift+S", "F5", "Del") as an accelerator.
bool ParseShortcut(std::string_view keys, WORD command, ACCEL& accel) {
  accel = {FVIRTKEY, 0, command};
  for (const auto& [prefix, flag] :
       {std::pair{std::string_view("Ctrl+"), FCONTROL},
        std::pair{std::string_view("Shift+"), FSHIFT}, std::pair{std::string_view("Alt+"), FALT}}) {
    if (keys.starts_with(prefix)) {
      accel.fVirt = static_cast<BYTE>(accel.fVirt | flag);
      keys.remove_prefix(prefix.size());
    }
  }
  if (keys.size() == 1 &&
      ((keys[0] >= 'A' && keys[0] <= 'Z') || (keys[0] >= '0' && keys[0] <= '9'))) {
    accel.key = static_cast<WORD>(keys[0]);
  } else if (keys == "Del") {
    accel.key = VK_DELETE;
  } else if (keys.size() >= 2 && keys[0] == 'F' && keys.size() <= 3) {
    const int n = std::atoi(std::string(keys.substr(1)).c_str());
    if (n < 1 || n > 12) {
      return false;
    }
    accel.key = static_cast<WORD>(VK_F1 + n - 1);
  } else {
    return false;
  }
  return true;
}

UniqueHicon LoadIconSized(HINSTANCE module, const wchar_t* name, int size_metric, UINT flags) {
  const int size = GetSystemMetrics(size_metric);
  return UniqueHicon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, flags)));
}

}  // namespace

Win32Backend::Win32Backend(const WindowSpec& def)
    : dpi_(ScreenDpi()),
      design_width_(def.client_width),
      design_height_(def.client_height),
      background_colour_(def.background.value_or(GetSysColor(COLOR_BTNFACE))),
      font_(CreateMessageFont()) {
  if (def.background) {
    background_brush_.reset(CreateSolidBrush(*def.background));
  }
  const DWORD style = kFormStyle | (def.resizable ? kSizingStyle : 0);
  RECT frame{0, 0, TwipsToPixels(def.client_width, dpi_), TwipsToPixels(def.client_height, dpi_)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0, static_cast<int>(work.right - work.left - width) / 2);
  const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top - height) / 2);
  const std::wstring caption = Widen(def.caption);
  hwnd_.reset(CreateBase(0, caption.c_str(), style, x, y, width, height, nullptr, nullptr));
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

Win32Backend::~Win32Backend() {
  form_ = nullptr;
  hwnd_.reset();
}

const Win32Backend::Control* Win32Backend::ControlOfWindow(HWND hwnd) const {
  for (const Control& control : controls_) {
    if (control.windows.hwnd == hwnd || (control.windows.caption == hwnd && hwnd != nullptr)) {
      return &control;
    }
  }
  return nullptr;
}

HWND Win32Backend::ControlWindow(ControlId control) const {
  if (!hwnd_ || control < 1 || static_cast<size_t>(control) > controls_.size()) {
    return nullptr;
  }
  return controls_[static_cast<size_t>(control) - 1].windows.hwnd;
}

bool Win32Backend::IsForm(HWND hwnd) {
  wchar_t name[32] = {};
  return GetClassNameW(hwnd, name, 32) > 0 && std::wstring_view(name) == kClassName;
}

void Win32Backend::CreateControl(ControlId id, const ControlSpec& def) {
  HWND parent = def.parent == kNoControl ? hwnd_.get() : Get(def.parent).windows.hwnd;
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
  if (def.kind == ControlKind::kReportList) {
    AddColumns(controls_.back());
  }
  ApplyTabOrder(controls_.back());
  if (!def.tooltip.empty()) {
    AddTooltip(controls_.back());
  }
}

void Win32Backend::AddColumns(const Control& control) {
  HWND list = control.windows.hwnd;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (size_t i = 0; i < control.def.columns.size(); ++i) {
    std::wstring caption = Widen(control.def.columns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = caption.data();
    column.cx = TwipsToPixels(control.def.columns[i].width, dpi_);
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void Win32Backend::Layout() {
  RECT client;
  GetClientRect(hwnd_.get(), &client);
  const int grow_x = client.right - TwipsToPixels(design_width_, dpi_);
  const int grow_y = client.bottom - TwipsToPixels(design_height_, dpi_);
  for (const Control& c : controls_) {
    if (c.def.parent != kNoControl || c.def.anchors == (kAnchorLeft | kAnchorTop)) {
      continue;  // where it was created, or inside a frame that does not resize
    }
    const RECT designed = TwipRectToPixels(c.def.rect, dpi_);
    const TwipRect place =
        forms::Anchored({designed.left, designed.top, designed.right - designed.left,
                         designed.bottom - designed.top},
                        c.def.anchors, grow_x, grow_y);
    SetWindowPos(c.windows.hwnd, nullptr, place.left, place.top, std::max(0, place.width),
                 std::max(0, place.height), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Backend::OnDpiChanged(int dpi, const RECT& suggested) {
  // Every control goes to its twips at the new scale; the window takes the size the system
  // suggests, and the anchors place the controls in it.
  dpi_ = dpi;
  for (const Control& c : controls_) {
    const RECT place = TwipRectToPixels(c.def.rect, dpi_);
    SetWindowPos(c.windows.hwnd, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(hwnd_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void Win32Backend::ApplyTabOrder(const Control& added) {
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

void Win32Backend::AddTooltip(const Control& control) {
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

void Win32Backend::RelayToTooltip(HWND form, MSG& msg) {
  if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) {
    return;
  }
  const auto* self = reinterpret_cast<const Win32Backend*>(GetWindowLongPtrW(form, GWLP_USERDATA));
  if (self != nullptr && self->tooltip_ != nullptr) {
    SendMessageW(self->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
}

void Win32Backend::SetMenu(const std::vector<Menu>& menus) {
  UniqueHmenu bar(CreateMenu());
  std::vector<std::string> entries;
  std::vector<ACCEL> shortcuts;
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
      const auto tab = entry.caption.find('\t');
      if (ACCEL accel;
          tab != std::string::npos && ParseShortcut(std::string_view(entry.caption).substr(tab + 1),
                                                    static_cast<WORD>(id), accel)) {
        shortcuts.push_back(accel);
      }
      entries.push_back(entry.name);
    }
    const std::wstring caption = Widen(menu.caption);
    // The bar owns the pop-up from here on.
    AppendMenuW(bar.get(), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                caption.c_str());
  }
  ::SetMenu(hwnd_.get(), bar.get());
  menu_ = std::move(bar);
  menu_entries_ = std::move(entries);
  shortcuts_.reset(shortcuts.empty() ? nullptr
                                     : CreateAcceleratorTableW(shortcuts.data(),
                                                               static_cast<int>(shortcuts.size())));
  FitClientArea();
}

bool Win32Backend::TranslateShortcut(HWND form, MSG& msg) {
  const auto* self = reinterpret_cast<const Win32Backend*>(GetWindowLongPtrW(form, GWLP_USERDATA));
  return self != nullptr && self->shortcuts_ &&
         TranslateAcceleratorW(form, self->shortcuts_.get(), &msg) != 0;
}

void Win32Backend::FitClientArea() {
  // The client area keeps its designed size under the menu bar.
  const int width = TwipsToPixels(design_width_, dpi_);
  const int height = TwipsToPixels(design_height_, dpi_);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd_.get(), GWL_STYLE)),
                     menu_ ? TRUE : FALSE, 0);
  SetWindowPos(hwnd_.get(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps onto a second line takes more room than AdjustWindowRectEx counts.
  RECT client;
  GetClientRect(hwnd_.get(), &client);
  const int missing = height - (client.bottom - client.top);
  if (missing != 0) {
    SetWindowPos(hwnd_.get(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Backend::SetCaption(std::string_view caption) {
  SetWindowTextW(hwnd_.get(), Widen(caption).c_str());
}

void Win32Backend::SetIcon(std::string_view ico_path) {
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

void Win32Backend::SetIcons(UniqueHicon big, UniqueHicon small) {
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

void Win32Backend::Repaint() {
  // Brings the screen up to date at once: the frame (caption and icon) drawn again, then
  // whatever of the window and its controls waits to be drawn. Redrawing the controls that
  // have not changed would show nothing new and, under Wine, costs more than the writes that
  // follow it in Boost.
  RedrawWindow(hwnd_.get(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  RedrawWindow(hwnd_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Backend::Show() {
  ShowWindow(hwnd_.get(), IsIconic(hwnd_.get()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_.get());
  UpdateWindow(hwnd_.get());
}

void Win32Backend::Destroy() {
  form_ = nullptr;
  hwnd_.reset();
}

WindowHandle Win32Backend::Handle() const {
  return reinterpret_cast<WindowHandle>(hwnd_.get());
}

void Win32Backend::SetText(ControlId id, std::string_view text) {
  const Control& c = Get(id);
  SetWindowTextW(c.windows.caption != nullptr ? c.windows.caption : c.windows.hwnd,
                 Widen(text).c_str());
  if (c.windows.caption != nullptr) {
    InvalidateRect(c.windows.caption, nullptr, TRUE);
  }
}

bool Win32Backend::IsUsable(HWND control) const {
  // A control inside a hidden or disabled frame is hidden or disabled too, though its own style
  // does not say so.
  for (HWND w = control; w != nullptr && w != hwnd_.get(); w = GetParent(w)) {
    if (!IsWindowEnabled(w) || (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) == 0) {
      return false;
    }
  }
  return true;
}

bool Win32Backend::CanTakeFocus(HWND hwnd) const {
  return hwnd != nullptr && IsChild(hwnd_.get(), hwnd) && IsWindowVisible(hwnd) && IsUsable(hwnd);
}

void Win32Backend::PassFocusOn(HWND lost) {
  // The system leaves the focus nowhere (a disabled control) or on a window the user cannot see
  // (a hidden one, or the frame that held it): the keys would reach no control, and with no
  // focus not even Tab works. The next control in the tab order takes it, as in a dialog.
  HWND next = GetNextDlgTabItem(hwnd_.get(), lost, FALSE);
  ::SetFocus(CanTakeFocus(next) ? next : hwnd_.get());
}

void Win32Backend::SetVisible(ControlId id, bool visible) {
  HWND hwnd = Get(id).windows.hwnd;
  HWND focus = !visible && HoldsFocus(hwnd) ? GetFocus() : nullptr;
  ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
  if (focus != nullptr) {
    PassFocusOn(focus);
  }
}

void Win32Backend::SetEnabled(ControlId id, bool enabled) {
  const Control& c = Get(id);
  HWND focus = !enabled && HoldsFocus(c.windows.hwnd) ? GetFocus() : nullptr;
  EnableWindow(c.windows.hwnd, enabled ? TRUE : FALSE);
  if (c.windows.caption != nullptr) {
    EnableWindow(c.windows.caption, enabled ? TRUE : FALSE);
  }
  if (focus != nullptr) {
    PassFocusOn(focus);
  }
}

void Win32Backend::SetFocus(ControlId id) {
  HWND target = Get(id).windows.hwnd;
  if (GetActiveWindow() == hwnd_.get()) {
    ::SetFocus(target);
  } else {
    last_focus_ = target;  // taken up by WM_ACTIVATE
  }
}

void Win32Backend::SetValue(ControlId id, int value) {
  HWND hwnd = Get(id).windows.hwnd;
  if (Get(id).def.kind == ControlKind::kCheckBox) {
    // Only a three-state box can show grey; out of grey it is a two-state box again, so that a
    // user's click never makes it grey.
    const bool three_state = (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTO3STATE;
    if ((value == 2) != three_state) {
      SendMessageW(hwnd, BM_SETSTYLE, value == 2 ? BS_AUTO3STATE : BS_AUTOCHECKBOX, TRUE);
    }
  }
  SendMessageW(hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void Win32Backend::AddItem(ControlId id, std::string_view text) {
  SendMessageW(Get(id).windows.hwnd, LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void Win32Backend::ClearItems(ControlId id) {
  const bool report = Get(id).def.kind == ControlKind::kReportList;
  const bool was_quiet = std::exchange(quiet_, true);
  SendMessageW(Get(id).windows.hwnd, report ? LVM_DELETEALLITEMS : LB_RESETCONTENT, 0, 0);
  quiet_ = was_quiet;
}

void Win32Backend::SetSelection(ControlId id, int row) {
  HWND hwnd = Get(id).windows.hwnd;
  if (Get(id).def.kind != ControlKind::kReportList) {
    SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    return;
  }
  const bool was_quiet = std::exchange(quiet_, true);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (row >= 0) {
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  quiet_ = was_quiet;
}

void Win32Backend::InsertRow(ControlId id, int place, const Row& row) {
  HWND hwnd = Get(id).windows.hwnd;
  const bool was_quiet = std::exchange(quiet_, true);
  for (size_t cell = 0; cell < std::max<size_t>(row.cells.size(), 1); ++cell) {
    std::wstring text = cell < row.cells.size() ? Widen(row.cells[cell]) : std::wstring();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = place;
    item.iSubItem = static_cast<int>(cell);
    item.pszText = text.data();
    SendMessageW(hwnd, cell == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                 cell == 0 ? 0 : static_cast<WPARAM>(place), reinterpret_cast<LPARAM>(&item));
  }
  quiet_ = was_quiet;
}

void Win32Backend::ShowRows(ControlId id, const std::vector<Row>& rows) {
  ClearItems(id);
  for (size_t i = 0; i < rows.size(); ++i) {
    InsertRow(id, static_cast<int>(i), rows[i]);
  }
}

void Win32Backend::ShowSort(ControlId id, int column, bool ascending) {
  // The arrows need version 6 of the common controls; older ones ignore the flags, and the list
  // is sorted all the same.
  HWND header = reinterpret_cast<HWND>(SendMessageW(Get(id).windows.hwnd, LVM_GETHEADER, 0, 0));
  const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) {
      item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    }
    SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

void Win32Backend::FitHorizontalExtent(ControlId id, const std::vector<std::string>& rows) {
  HWND hwnd = Get(id).windows.hwnd;
  int widest = 0;
  HDC dc = GetDC(hwnd);
  const HGDIOBJ old_font = SelectObject(dc, font_.get());
  for (const std::string& row : rows) {
    const std::wstring text = Widen(row);
    SIZE size{};
    if (!text.empty() &&
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
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

void Win32Backend::SetRedraw(ControlId id, bool redraw) {
  HWND hwnd = Get(id).windows.hwnd;
  SendMessageW(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
  if (redraw) {
    // Nothing of the changes made meanwhile was drawn, the scroll bars included.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

void Win32Backend::OnCommand(const Control& control, int code) {
  HWND hwnd = control.windows.hwnd;
  switch (control.def.kind) {
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kOptionButton:
      if (code == BN_CLICKED) {
        form_->UserClicked(control.sequence);
      }
      break;
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      // A launcher is a button drawn as a label (BN_CLICKED); other labels are statics.
      if (code == STN_CLICKED || (control.def.clickable && code == BN_CLICKED)) {
        form_->UserClicked(control.sequence);
      }
      break;
    case ControlKind::kListBox:
      if (const auto row = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
          code == LBN_SELCHANGE && row >= 0) {
        form_->UserSelected(control.sequence, static_cast<int>(row));
      }
      break;
    case ControlKind::kTextBox:
      if (code == EN_CHANGE) {
        form_->UserEdited(control.sequence, Narrow(WindowText(hwnd)));
      }
      break;
    case ControlKind::kFrame:
    case ControlKind::kReportList:
      break;
  }
}

void Win32Backend::DrawAsLabel(const DRAWITEMSTRUCT& item) {
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

void Win32Backend::OnNotify(const NMHDR& header) {
  const Control* c = ControlOfWindow(header.hwndFrom);
  if (c == nullptr || c->def.kind != ControlKind::kReportList || quiet_) {
    return;
  }
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if (header.code == LVN_COLUMNCLICK) {
    form_->UserClickedHeader(c->sequence, change.iSubItem);
  } else if (header.code == LVN_ITEMCHANGED && (change.uChanged & LVIF_STATE) != 0 &&
             (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0 &&
             change.iItem >= 0) {
    form_->UserSelected(c->sequence, change.iItem);
  }
}

LRESULT Win32Backend::ColourFor(HWND control, HDC dc) {
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

bool Win32Backend::OnActivate(HWND hwnd, bool active) {
  if (!active) {
    HWND focus = GetFocus();
    last_focus_ = focus != nullptr && IsChild(hwnd, focus) ? focus : nullptr;
    return true;
  }
  // The control that had the focus may have been hidden or disabled since.
  HWND target = CanTakeFocus(last_focus_) ? last_focus_ : GetNextDlgTabItem(hwnd, nullptr, FALSE);
  if (target == nullptr) {
    return false;
  }
  ::SetFocus(target);
  return true;
}

void Win32Backend::OnWmCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  if (lparam == 0 && HIWORD(wparam) == 0 && id == IDOK) {
    // Enter: the keyboard navigation presses the default button, and a form has none; the
    // push button with the focus is pressed instead, as in a dialog.
    const Control* c = ControlOfWindow(GetFocus());
    if (c != nullptr && (c->def.kind == ControlKind::kButton || c->def.clickable) &&
        c->windows.hwnd == GetFocus()) {
      OnCommand(*c, BN_CLICKED);
    }
  } else if (lparam == 0) {
    // A menu entry, chosen from the menu (0) or by its shortcut (1).
    const auto index = static_cast<size_t>(id - kFirstMenuId);
    if (id >= kFirstMenuId && index < menu_entries_.size()) {
      form_->UserChoseMenu(menu_entries_[index]);
    }
  } else if (const Control* c = ControlOfWindow(reinterpret_cast<HWND>(lparam)); c != nullptr) {
    OnCommand(*c, HIWORD(wparam));
  }
}

bool Win32Backend::OnSetCursor(HWND control, UINT hit) const {
  const Control* c = ControlOfWindow(control);
  if (c != nullptr && c->def.clickable && hit == HTCLIENT) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
  }
  return false;
}

void Win32Backend::OnDestroy(HWND hwnd) {
  // The system destroys an attached menu with the window; ours is freed by its owner.
  ::SetMenu(hwnd, nullptr);
  menu_.reset();
  tooltip_ = nullptr;
  if (hwnd_.get() == hwnd) {
    (void)hwnd_.release();
    if (form_ != nullptr) {
      form_->NativeWindowGone();
    }
  }
}

LRESULT Win32Backend::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (form_ != nullptr) {
        OnWmCommand(wparam, lparam);
      }
      return 0;
    case WM_NOTIFY:
      if (form_ != nullptr) {
        OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
      }
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourFor(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (const Control* c = ControlOfWindow(item.hwndItem); c != nullptr && c->def.clickable) {
        DrawAsLabel(item);
        return TRUE;
      }
      break;
    }
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client,
               background_brush_ ? background_brush_.get() : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wparam), LOWORD(lparam))) {
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
    case WM_SETFOCUS:
      if (OnActivate(hwnd, message == WM_SETFOCUS || LOWORD(wparam) != WA_INACTIVE)) {
        return 0;
      }
      break;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) {
        Layout();
      }
      break;
    case kWmDpiChanged:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE:
    case WM_ENDSESSION:
      // At log-off or shut-down the program is ended after WM_ENDSESSION, with no WM_CLOSE: the
      // close request runs here, or what it takes back (a boost) would outlast the program.
      if (form_ != nullptr && (message == WM_CLOSE || wparam != FALSE)) {
        form_->Close();
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

Win32Window::Win32Window(Ui& ui, const WindowSpec& def)
    : forms::Form(ui, def, std::make_unique<Win32Backend>(def)) {}

HWND Win32Window::ControlWindow(ControlId control) const {
  return IsOpen() ? native().ControlWindow(control) : nullptr;
}

}  // namespace velqor::platform::win32
