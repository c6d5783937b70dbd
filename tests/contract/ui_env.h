// The user interface that the UI contract suite runs against: the headless one natively, real
// windows under Windows (Wine). Each gives the suite a user's hands (clicks, a row chosen) and
// eyes (what the native controls show), so the rules are checked on both sides of the model.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

#ifdef _WIN32
#include <windows.h>
#undef MessageBox

#include <commctrl.h>

#include <algorithm>
#include <string_view>

#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/window.h"
#include "win32/popup_menu.h"
#else
#include "platform/sim/ui.h"
#endif

namespace velqor::contract {

#ifdef _WIN32

class Win32UiEnv {
 public:
  platform::Ui& ui() { return ui_; }

  // What the control's window sends its parent when the user clicks it.
  void Click(platform::Window& w, platform::ControlId id) {
    HWND hwnd = Hwnd(w, id);
    if (Native(w).SpecOf(id).kind == platform::ControlKind::kLabel) {
      Notify(hwnd, STN_CLICKED);
    } else {
      SendMessageW(hwnd, BM_CLICK, 0, 0);
    }
  }
  // The notification alone, as Wine sends it even for a disabled or hidden control.
  void NotifyClick(platform::Window& w, platform::ControlId id) { Notify(Hwnd(w, id), BN_CLICKED); }
  void SelectRow(platform::Window& w, platform::ControlId list, int row) {
    HWND hwnd = Hwnd(w, list);
    if (Native(w).SpecOf(list).kind == platform::ControlKind::kReportList) {
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = item.stateMask;
      SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
      ui_.DoEvents();  // what the window posted to itself meanwhile
      return;
    }
    SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Notify(hwnd, LBN_SELCHANGE);
  }
  // A left-click below the list's last row, then what the window posted to itself meanwhile.
  void ClickOffRows(platform::Window& w, platform::ControlId list) {
    HWND hwnd = Hwnd(w, list);
    RECT client;
    GetClientRect(hwnd, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom - 4);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
    ui_.DoEvents();
  }
  // What the list view tells its parent of a click on a column header.
  void ClickHeader(platform::Window& w, platform::ControlId list, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = Hwnd(w, list);
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(click.hdr.hwndFrom));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(GetParent(click.hdr.hwndFrom), WM_NOTIFY, click.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&click));
  }
  std::vector<std::vector<std::string>> ShownCells(platform::Window& w, platform::ControlId list) {
    HWND hwnd = Hwnd(w, list);
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0));
    const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<std::vector<std::string>> rows(
        static_cast<size_t>(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0)));
    for (size_t row = 0; row < rows.size(); ++row) {
      for (int column = 0; column < columns; ++column) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(hwnd, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        rows[row].push_back(platform::win32::Narrow(text));
      }
    }
    return rows;
  }
  // The column whose header shows the sort, and whether it points up; -1 when none does.
  std::pair<int, bool> ShownSort(platform::Window& w, platform::ControlId list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(Hwnd(w, list), LVM_GETHEADER, 0, 0));
    const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
      HDITEMW item{};
      item.mask = HDI_FORMAT;
      SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
      if ((item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0) {
        return {column, (item.fmt & HDF_SORTUP) != 0};
      }
    }
    return {-1, true};
  }
  // Ctrl and a letter pressed while the window is active, through the message loop.
  void PressCtrl(platform::Window& w, char letter) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE pressed[256];
    std::copy(keys, keys + 256, pressed);
    pressed[VK_CONTROL] = 0x80;
    SetKeyboardState(pressed);
    PostMessageW(reinterpret_cast<HWND>(w.Handle()), WM_KEYDOWN, static_cast<WPARAM>(letter), 1);
    ui_.DoEvents();
    SetKeyboardState(keys);
  }
  // The window's frame dragged until the client area has this size (twips).
  void Resize(platform::Window& w, int width, int height) {
    HWND hwnd = reinterpret_cast<HWND>(w.Handle());
    RECT outer;
    RECT client;
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    const int dpi = Native(w).Dpi();
    SetWindowPos(hwnd, nullptr, 0, 0,
                 outer.right - outer.left - client.right + MulDiv(width, dpi, 1440),
                 outer.bottom - outer.top - client.bottom + MulDiv(height, dpi, 1440),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Where the control is in its container, in twips.
  platform::TwipRect ShownRect(platform::Window& w, platform::ControlId id) {
    HWND hwnd = Hwnd(w, id);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    const int dpi = Native(w).Dpi();
    const auto twips = [dpi](LONG pixels) { return MulDiv(pixels, 1440, dpi); };
    return {twips(rect.left), twips(rect.top), twips(rect.right - rect.left),
            twips(rect.bottom - rect.top)};
  }
  // A right-click on the row (-1: Shift+F10 or the Application key instead) as the control tells
  // its parent. Gives the entries the context menu shows (test::ShownMenu), none when none shows;
  // then the entry captioned `choose` sends its command, as Wine sends it even for a greyed entry.
  std::vector<std::string> ContextMenu(platform::Window& w, platform::ControlId control, int row,
                                       const std::string& choose) {
    HWND hwnd = Hwnd(w, control);
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    POINT at{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(hwnd, &at);
    HWND form = reinterpret_cast<HWND>(w.Handle());
    const auto shown =
        test::ShowContextMenu(hwnd, row >= 0 ? MAKELPARAM(at.x, at.y) : -1, [&](HWND, HMENU menu) {
          for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            if (text[0] != 0 && platform::win32::Narrow(text) == choose) {
              PostMessageW(form, WM_COMMAND, GetMenuItemID(menu, i), 0);
            }
          }
          EndMenu();
        });
    ui_.DoEvents();
    return shown.entries;
  }
  // Answers the next Save As dialog as a user would: a name typed and OK, or Cancel.
  void AnswerNextSaveAs(std::optional<std::string> path) {
    save_as_answer_ = std::move(path);
    SetTimer(nullptr, 0, 100, &AnswerSaveAs);
  }
  bool Seen(platform::Window& w, platform::ControlId id) {
    return IsWindowVisible(Hwnd(w, id)) != FALSE;
  }
  int ShownValue(platform::Window& w, platform::ControlId id) {
    const auto state = SendMessageW(Hwnd(w, id), BM_GETCHECK, 0, 0);
    return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
  }
  std::vector<std::string> ShownRows(platform::Window& w, platform::ControlId list) {
    HWND hwnd = Hwnd(w, list);
    std::vector<std::string> rows;
    const auto count = SendMessageW(hwnd, LB_GETCOUNT, 0, 0);
    for (WPARAM row = 0; static_cast<LRESULT>(row) < count; ++row) {
      std::wstring text(static_cast<size_t>(SendMessageW(hwnd, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
      text.resize(static_cast<size_t>(
          SendMessageW(hwnd, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
      rows.push_back(platform::win32::Narrow(text));
    }
    return rows;
  }
  int ShownSelection(platform::Window& w, platform::ControlId list) {
    if (Native(w).SpecOf(list).kind == platform::ControlKind::kReportList) {
      return static_cast<int>(
          SendMessageW(Hwnd(w, list), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    const auto row = SendMessageW(Hwnd(w, list), LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
  }

 private:
  static platform::win32::Win32Window& Native(platform::Window& w) {
    return static_cast<platform::win32::Win32Window&>(w);
  }
  static HWND Hwnd(platform::Window& w, platform::ControlId id) {
    return Native(w).ControlWindow(id);
  }
  static inline std::optional<std::string> save_as_answer_;
  static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (std::wstring_view(name) == L"#32770" && IsWindowVisible(hwnd)) {
      *reinterpret_cast<HWND*>(found) = hwnd;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK AnswerSaveAs(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
      return;
    }
    KillTimer(nullptr, timer);
    if (!save_as_answer_) {
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    // The file name box: a combo box in the dialogs of this age, an edit box in older ones.
    const std::wstring name = platform::win32::Widen(*save_as_answer_);
    if (!SetDlgItemTextW(dialog, 0x47c, name.c_str())) {
      SetDlgItemTextW(dialog, 0x480, name.c_str());
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
  static void Notify(HWND control, int code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
  }

  platform::win32::Win32Ui ui_;
};

using UiEnvironments = ::testing::Types<Win32UiEnv>;

#else

class HeadlessUiEnv {
 public:
  platform::Ui& ui() { return ui_; }

  void Click(platform::Window& w, platform::ControlId id) { Native(w).Click(id); }
  void NotifyClick(platform::Window& w, platform::ControlId id) { Native(w).UserClicked(id); }
  void SelectRow(platform::Window& w, platform::ControlId list, int row) {
    Native(w).SelectRow(list, row);
  }
  void ClickOffRows(platform::Window& w, platform::ControlId list) { Native(w).ClickOffRows(list); }
  bool Seen(platform::Window& w, platform::ControlId id) { return Native(w).IsSeen(id); }
  int ShownValue(platform::Window& w, platform::ControlId id) { return w.Value(id); }
  std::vector<std::string> ShownRows(platform::Window& w, platform::ControlId list) {
    const auto& rows = Native(w).records().rows;
    const auto found = rows.find(list);
    return found == rows.end() ? std::vector<std::string>() : found->second;
  }
  int ShownSelection(platform::Window& w, platform::ControlId list) { return w.Selection(list); }
  void ClickHeader(platform::Window& w, platform::ControlId list, int column) {
    Native(w).ClickHeader(list, column);
  }
  std::vector<std::vector<std::string>> ShownCells(platform::Window& w, platform::ControlId list) {
    std::vector<std::vector<std::string>> cells;
    for (const platform::Row& row : Native(w).records().report_rows.at(list)) {
      cells.push_back(row.cells);
    }
    return cells;
  }
  std::pair<int, bool> ShownSort(platform::Window& w, platform::ControlId list) {
    const auto& sorts = Native(w).records().sorts;
    const auto found = sorts.find(list);
    return found == sorts.end() ? std::pair{-1, true} : found->second;
  }
  void PressCtrl(platform::Window& w, char letter) {
    Native(w).PressShortcut(std::string("Ctrl+") + letter);
  }
  void AnswerNextSaveAs(std::optional<std::string> path) { ui_.AnswerNextSaveAs(std::move(path)); }
  std::vector<std::string> ContextMenu(platform::Window& w, platform::ControlId control, int row,
                                       const std::string& choose) {
    std::vector<std::string> shown;
    std::string chosen;
    if (Native(w).RightClick(control, row)) {
      for (const platform::MenuEntry& entry : Native(w).context_menu()) {
        shown.push_back(entry.caption.empty() || entry.enabled ? entry.caption
                                                               : entry.caption + " (greyed)");
        chosen = !entry.caption.empty() && entry.caption == choose ? entry.name : chosen;
      }
    }
    if (!chosen.empty()) {
      Native(w).ChooseContextEntry(chosen);
    }
    return shown;
  }
  void Resize(platform::Window& w, int width, int height) { Native(w).Resize(width, height); }
  platform::TwipRect ShownRect(platform::Window& w, platform::ControlId id) {
    return Native(w).ControlRect(id);
  }

 private:
  static platform::sim::HeadlessWindow& Native(platform::Window& w) {
    return static_cast<platform::sim::HeadlessWindow&>(w);
  }

  platform::sim::HeadlessUi ui_;
};

using UiEnvironments = ::testing::Types<HeadlessUiEnv>;

#endif

}  // namespace velqor::contract
