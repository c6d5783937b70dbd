#include "platform/win32/window.h"

#include <commctrl.h>

#include <algorithm>
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
constexpr int kTipWidth = 6000;  // twips; longer tips wrap

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
      background_brush_(def.background ? CreateSolidBrush(*def.background) : nullptr),
      font_(CreateMessageFont(dpi_)) {
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

const Win32Backend::Control* Win32Backend::ControlOfWindow(HWND hwnd) const {
  if (hwnd == nullptr) {
    return nullptr;  // context menus have no window
  }
  for (const Control& control : controls_) {
    if (control.windows.hwnd == hwnd || control.windows.caption == hwnd) {
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

const Win32Backend* Win32Backend::Of(HWND hwnd) {
  wchar_t name[32] = {};
  const bool form =
      hwnd != nullptr && GetClassNameW(hwnd, name, 32) > 0 && std::wstring_view(name) == kClassName;
  return form ? reinterpret_cast<const Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))
              : nullptr;
}

void Win32Backend::CreateControl(ControlId id, const ControlSpec& def) {
  HWND parent = def.parent == kNoControl ? hwnd_.get() : Get(def.parent).windows.hwnd;
  Control control;
  control.def = def;
  control.sequence = id;
  if (def.kind == ControlKind::kContextMenu) {
    controls_.push_back(std::move(control));  // made each time it is shown
    return;
  }
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
  MarkGroups(parent);
  if (!def.tooltip.empty()) {
    AddTooltip(controls_.back());
  }
}

void Win32Backend::Layout(bool all) {
  RECT client;
  GetClientRect(hwnd_.get(), &client);
  const int grow_x = client.right - TwipsToPixels(design_width_, dpi_);
  const int grow_y = client.bottom - TwipsToPixels(design_height_, dpi_);
  constexpr unsigned kStays = kAnchorLeft | kAnchorTop;
  for (const Control& c : controls_) {
    // Inside a frame, which does not resize, a control stays where it was made.
    const unsigned anchors = c.def.parent == kNoControl ? c.def.anchors : kStays;
    if (c.windows.hwnd == nullptr || (anchors == kStays && !all)) {
      continue;  // a context menu, or where it already is
    }
    const RECT designed = TwipRectToPixels(c.def.rect, dpi_);
    const TwipRect place =
        forms::Anchored({designed.left, designed.top, designed.right - designed.left,
                         designed.bottom - designed.top},
                        anchors, grow_x, grow_y);
    SetWindowPos(c.windows.hwnd, nullptr, place.left, place.top, std::max(0, place.width),
                 std::max(0, place.height), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Backend::OnDpiChanged(int dpi, const RECT& suggested) {
  // Every control goes to its twips at the new scale, in the message font at that scale; the
  // window takes the size the system suggests, and the anchors place the controls in it.
  dpi_ = dpi;
  UniqueHfont font = CreateMessageFont(dpi_);
  for (const Control& c : controls_) {
    if (c.windows.hwnd == nullptr) {
      continue;
    }
    for (HWND hwnd : {c.windows.hwnd, c.windows.caption}) {
      if (hwnd != nullptr) {
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
      }
    }
    for (size_t i = 0; i < c.def.columns.size(); ++i) {
      SendMessageW(c.windows.hwnd, LVM_SETCOLUMNWIDTH, i,
                   TwipsToPixels(c.def.columns[i].width, dpi_));
    }
  }
  font_ = std::move(font);  // the old one only now, when no control uses it any more
  if (tooltip_ != nullptr) {
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kTipWidth, dpi_));
  }
  SetWindowPos(hwnd_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  Layout(true);
  InvalidateRect(hwnd_.get(), nullptr, TRUE);
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
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kTipWidth, dpi_));
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

void Win32Backend::RelayToTooltip(MSG& msg) const {
  if (tooltip_ != nullptr && msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
}

void Win32Backend::FitClientArea() {
  // The client area keeps its designed size under the menu bar, however many lines the bar takes
  // (AdjustWindowRectEx counts one): the window grows by what the client area lacks, twice, in
  // case the bar wraps otherwise at the new width.
  for (int pass = 0; pass < 2; ++pass) {
    RECT window;
    RECT client;
    GetWindowRect(hwnd_.get(), &window);
    GetClientRect(hwnd_.get(), &client);
    SetWindowPos(hwnd_.get(), nullptr, 0, 0,
                 window.right - window.left + TwipsToPixels(design_width_, dpi_) - client.right,
                 window.bottom - window.top + TwipsToPixels(design_height_, dpi_) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Backend::SetCaption(std::string_view caption) {
  SetWindowTextW(hwnd_.get(), Widen(caption).c_str());
}

Status Win32Backend::SetIcon(std::string_view ico_path) {
  const std::wstring path = Widen(ico_path);
  UniqueHicon big = LoadIconSized(nullptr, path.c_str(), SM_CXICON, LR_LOADFROMFILE);
  UniqueHicon small = LoadIconSized(nullptr, path.c_str(), SM_CXSMICON, LR_LOADFROMFILE);
  if (!big || !small) {
    const auto status = static_cast<Status>(GetLastError());
    return status == kSuccess || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES
               ? kFileNotFound
               : status;
  }
  SetIcons(std::move(big), std::move(small));
  return kSuccess;
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
  if ((code == BN_SETFOCUS || code == BN_KILLFOCUS) &&
      (control.def.kind == ControlKind::kButton || control.def.clickable)) {
    // No form names a default button: as in a dialog, the one with the focus is it, and Enter
    // elsewhere presses nothing.
    SetDefaultButton(code == BN_SETFOCUS ? control.sequence : kNoControl);
    return;
  }
  static_assert(STN_CLICKED == BN_CLICKED);  // a launcher is a button, other labels are statics
  switch (control.def.kind) {
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kOptionButton:
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      // A second click on a push button, though quick, presses it again.
      if (code == BN_CLICKED ||
          (code == BN_DOUBLECLICKED && control.def.kind == ControlKind::kButton)) {
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
    case ControlKind::kContextMenu:
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

LRESULT Win32Backend::ColourFor(HWND control, HDC dc) {
  const Control* c = ControlOfWindow(control);
  if (c != nullptr && c->def.white_on_black) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, background_colour_);
  return reinterpret_cast<LRESULT>(background_brush_ ? background_brush_.get()
                                                     : GetSysColorBrush(COLOR_BTNFACE));
}

void Win32Backend::OnWmCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const auto control = static_cast<size_t>(id - kFirstControlId);
  if (lparam == 0 && id > kFirstControlId && control <= controls_.size()) {
    // Enter on the default button, which the dialog manager finds by id only among the window's
    // own children: one inside a frame comes without its window.
    OnCommand(controls_[control - 1], HIWORD(wparam));
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
    case kWmRowDeselected:
      if (form_ != nullptr) {
        OnRowDeselected(static_cast<ControlId>(wparam));
      }
      return 0;
    case WM_CONTEXTMENU:
      if (form_ != nullptr && OnContextMenu(reinterpret_cast<HWND>(wparam), lparam)) {
        return 0;
      }
      break;
    case DM_GETDEFID:
      return default_button_ == kNoControl
                 ? 0
                 : MAKELRESULT(kFirstControlId + default_button_, DC_HASDEFID);
    case DM_SETDEFID:
      SetDefaultButton(static_cast<int>(wparam) - kFirstControlId);
      return TRUE;
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
    case WM_SETCURSOR:  // the hand over clickable labels
      if (const Control* c = ControlOfWindow(reinterpret_cast<HWND>(wparam));
          c != nullptr && c->def.clickable && LOWORD(lparam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
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
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

Win32Window::Win32Window(Ui& ui, const WindowSpec& def)
    : forms::Form(ui, def, std::make_unique<Win32Backend>(def)) {}

}  // namespace velqor::platform::win32
