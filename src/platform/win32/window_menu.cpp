// A window's menu bar and the keyboard shortcuts of its entries.
#include "platform/win32/window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/win32/text.h"

namespace velqor::platform::win32 {
namespace {

// A shortcut as menus spell it ("Ctrl+Z", "Ctrl+Shift+S", "F5") as an accelerator.
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

// Appends an entry with command `id`, greyed or not, or a separator (an entry without a caption).
void AppendEntry(HMENU menu, const MenuEntry& entry, UINT id) {
  const bool separator = entry.caption.empty();
  AppendMenuW(menu, separator ? MF_SEPARATOR : MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED),
              separator ? 0 : id, Widen(entry.caption).c_str());
}

}  // namespace

void Win32Backend::SetMenu(const std::vector<Menu>& menus) {
  UniqueHmenu bar(CreateMenu());
  std::vector<std::string> entries;
  std::vector<ACCEL> shortcuts;
  for (const Menu& menu : menus) {
    HMENU popup = CreatePopupMenu();
    for (const MenuEntry& entry : menu.entries) {
      const auto id = static_cast<UINT>(kFirstMenuId + static_cast<int>(entries.size()));
      AppendEntry(popup, entry, id);
      const auto tab = entry.caption.find('\t');
      if (ACCEL accel;
          tab != std::string::npos && ParseShortcut(std::string_view(entry.caption).substr(tab + 1),
                                                    static_cast<WORD>(id), accel)) {
        shortcuts.push_back(accel);
      }
      if (!entry.caption.empty()) {
        entries.push_back(entry.name);
      }
    }
    // The bar owns the pop-up from here on.
    AppendMenuW(bar.get(), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                Widen(menu.caption).c_str());
  }
  ::SetMenu(hwnd_.get(), bar.get());
  menu_ = std::move(bar);
  menu_entries_ = std::move(entries);
  shortcuts_.reset(shortcuts.empty() ? nullptr
                                     : CreateAcceleratorTableW(shortcuts.data(),
                                                               static_cast<int>(shortcuts.size())));
  FitClientArea();
}

UINT Win32Backend::MenuId(std::string_view entry_name) const {
  const auto found = std::find(menu_entries_.begin(), menu_entries_.end(), entry_name);
  return found == menu_entries_.end()
             ? 0U
             : static_cast<UINT>(kFirstMenuId + (found - menu_entries_.begin()));
}

void Win32Backend::SetMenuEntryEnabled(std::string_view entry_name, bool enabled) {
  if (const UINT id = MenuId(entry_name); id != 0 && menu_) {
    EnableMenuItem(menu_.get(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

bool Win32Backend::OnContextMenu(HWND control, LPARAM where) {
  const Control* c = ControlOfWindow(control);
  if (c == nullptr || c->windows.hwnd != control) {
    return false;
  }
  const ControlId id = c->sequence;
  const bool report = c->def.kind == ControlKind::kReportList;
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  int row = -1;
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: at the selected row, brought into view, or at the control's corner.
    at = {0, 0};
    const auto selected =
        report ? SendMessageW(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)
               : -1;
    if (selected >= 0) {
      SendMessageW(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
      RECT bounds{};
      bounds.left = LVIR_BOUNDS;
      SendMessageW(control, LVM_GETITEMRECT, static_cast<WPARAM>(selected),
                   reinterpret_cast<LPARAM>(&bounds));
      at = {std::max(bounds.left, 0L), bounds.bottom};
    }
    ClientToScreen(control, &at);
  } else if (report) {
    // The row under the pointer, which the click selects before the menu shows.
    LVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(control, &hit.pt);
    const auto found = SendMessageW(control, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    row = found >= 0 && (hit.flags & LVHT_ONITEM) != 0 ? static_cast<int>(found) : -1;
  }
  const auto entries = form_->UserAskedForContextMenu(id, row);
  if (!entries || form_ == nullptr || !hwnd_) {
    return true;  // no menu, or the selection's handler closed the window
  }
  UniqueHmenu popup(CreatePopupMenu());
  for (const MenuEntry& entry : *entries) {
    // The menu bar's command id: the choice arrives as the bar's WM_COMMAND, and the model
    // decides there whether the entry may run.
    if (const UINT command = MenuId(entry.name); entry.caption.empty() || command != 0) {
      AppendEntry(popup.get(), entry, command);
    }
  }
  TrackPopupMenuEx(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y,
                   hwnd_.get(), nullptr);
  return true;
}

bool Win32Backend::TranslateShortcut(MSG& msg) const {
  return shortcuts_ && TranslateAcceleratorW(hwnd_.get(), shortcuts_.get(), &msg) != 0;
}

}  // namespace velqor::platform::win32
