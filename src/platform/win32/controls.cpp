#include "platform/win32/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/failure.h"
#include "platform/win32/last_error.h"
#include "platform/win32/system_dll.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// Twips for two lines of the message font and a button's border, at any DPI (both scale alike).
constexpr int kTwoLineButtonHeight = 600;

struct ClassAndStyle {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

ClassAndStyle StyleOf(const ControlSpec& def) {
  const bool notify = def.clickable || !def.tooltip.empty();
  switch (def.kind) {
    case ControlKind::kButton:
      // A caption wraps only where a second line has room: in a button a line high, a long
      // caption ("Delete <name> from startup") would wrap out of sight.
      // BS_NOTIFY: the focus coming and going makes the button the one Enter presses.
      return {L"BUTTON",
              kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY |
                  (def.rect.height >= kTwoLineButtonHeight ? BS_MULTILINE : 0),
              0};
    case ControlKind::kCheckBox:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::kOptionButton:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
    case ControlKind::kLabel:
      if (def.clickable) {
        // A button drawn as the label (WM_DRAWITEM): Tab reaches it, Enter and Space press it,
        // and a screen reader announces a button, on every system from XP on.
        return {L"BUTTON", kChild | WS_TABSTOP | BS_OWNERDRAW | BS_NOTIFY, 0};
      }
      return {L"STATIC", kChild | SS_LEFT | (notify ? SS_NOTIFY : 0), 0};
    case ControlKind::kPicture:
      return {L"STATIC", kChild | SS_BITMAP | (notify ? SS_NOTIFY : 0), 0};
    case ControlKind::kListBox:
      return {L"LISTBOX",
              kChild | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE};
    case ControlKind::kTextBox:
      return {L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE};
    case ControlKind::kReportList:
      return {WC_LISTVIEWW, kChild | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
              WS_EX_CLIENTEDGE};
    case ControlKind::kFrame:
    case ControlKind::kContextMenu:  // neither is made here
      break;
  }
  return {L"STATIC", kChild, 0};
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

Panel::Panel(HWND parent, int id, const RECT& rect, const wchar_t* caption) {
  // WS_EX_CONTROLPARENT lets the keyboard navigation of the form step into the panel's controls.
  hwnd_ =
      CreateBase(WS_EX_CONTROLPARENT, L"", kChild, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  if (hwnd_ == nullptr) {
    ThrowLastError("Could not create a frame");
  }
  // The frame and its caption are drawn here rather than by a group box: a themed group box
  // draws its caption in the theme's colour and ignores the parent's, which left the captions of
  // the black panels black on black. Without SS_NOTIFY the static lets clicks through.
  caption_ = CreateWindowExW(0, L"STATIC", caption, kChild | SS_OWNERDRAW, 0, 0,
                             rect.right - rect.left, rect.bottom - rect.top, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)),
                             GetModuleHandleW(nullptr), nullptr);
}

void Panel::DrawCaption(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  const HWND parent = GetParent(hwnd_);
  // The parent chooses the colours (WM_CTLCOLORSTATIC sets the text colour in `dc`); the form
  // at the top of the chain always gives a brush.
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
      parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(caption_)));
  const HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(caption_, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  // The etched line runs through the middle of the caption's first line, as a group box's does.
  RECT frame = item.rcItem;
  frame.top += metrics.tmHeight / 2 - 1;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

  if (const std::wstring text = WindowText(caption_); !text.empty()) {
    RECT label{item.rcItem.left + 8, item.rcItem.top, item.rcItem.right - 8,
               item.rcItem.top + metrics.tmHeight};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
              DT_SINGLELINE | DT_LEFT | DT_TOP | DT_CALCRECT);
    label.right = std::min(label.right, item.rcItem.right - 8);
    RECT gap = label;
    InflateRect(&gap, 2, 0);
    FillRect(dc, &gap, brush);
    if ((item.itemState & ODS_DISABLED) != 0) {
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
              DT_SINGLELINE | DT_LEFT | DT_TOP | DT_END_ELLIPSIS);
  }
  SelectObject(dc, old_font);
}

Panel::~Panel() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    Detach(hwnd_);
  }
}

LRESULT Panel::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DRAWITEM:
      if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
          item->hwndItem == caption_) {
        DrawCaption(*item);
        return TRUE;
      }
      [[fallthrough]];  // a control's, which its parent draws
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return SendMessageW(GetParent(hwnd), message, wparam, lparam);
    case WM_ERASEBKGND: {
      auto* dc = reinterpret_cast<HDC>(wparam);
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessageW(GetParent(hwnd), WM_CTLCOLORSTATIC, wparam, reinterpret_cast<LPARAM>(hwnd)));
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, brush);
      return 1;
    }
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      caption_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

ControlWindows CreateControlWindows(const ControlSpec& def, HWND parent, int id, const RECT& rect,
                                    HFONT font) {
  ControlWindows windows;
  const std::wstring caption = Widen(def.caption);
  if (def.kind == ControlKind::kFrame) {
    windows.panel = std::make_unique<Panel>(parent, id, rect, caption.c_str());
    windows.hwnd = windows.panel->hwnd();
    windows.caption = windows.panel->caption();
    if (windows.caption != nullptr) {
      SendMessageW(windows.caption, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return windows;
  }
  const ClassAndStyle cs = StyleOf(def);
  windows.hwnd = CreateWindowExW(cs.ex_style, cs.window_class, caption.c_str(), cs.style, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (windows.hwnd == nullptr) {
    ThrowLastError("Could not create the control \"" + def.name + "\"");
  }
  SendMessageW(windows.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (def.kind == ControlKind::kPicture && !def.image.empty()) {
    // Loaded at the control's size, so that the picture fills its place at any DPI.
    const std::wstring image = Widen(def.image);
    windows.bitmap.reset(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), image.c_str(),
                                                         IMAGE_BITMAP, rect.right - rect.left,
                                                         rect.bottom - rect.top, LR_DEFAULTCOLOR)));
    if (windows.bitmap) {
      SendMessageW(windows.hwnd, STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(windows.bitmap.get()));
    }
  }
  return windows;
}

void UseClassicLook(HWND control) noexcept {
  static const auto set_window_theme = ProcIn<HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR)>(
      LoadSystemDll(L"uxtheme.dll"), "SetWindowTheme");
  if (set_window_theme != nullptr && control != nullptr) {
    set_window_theme(control, L"", L"");
  }
}

}  // namespace velqor::platform::win32
