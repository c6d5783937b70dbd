// A context menu as a user meets it: asked for with WM_CONTEXTMENU, then read and answered from
// inside its modal loop by a timer, as the menu shows until a choice or Escape ends it.
#pragma once

#include <windows.h>
#undef MessageBox

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/text.h"

namespace velqor::test {

// What a context menu showed: its place on the screen and its entries ("&Caption", with
// " (greyed)" when greyed, "" for a separator); no entries when none showed.
struct ShownMenu {
  RECT place{};
  std::vector<std::string> entries;
};

namespace popup_menu {
inline ShownMenu shown;
inline std::function<void(HWND popup, HMENU menu)> answer;
inline UINT_PTR give_up = 0;

// Ends a menu that an answer left open (a keystroke lost on a loaded machine), so that the test
// fails on what it then reads instead of waiting in the menu's loop for ever.
inline void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EndMenu();
}

// The timer's callback: once the menu shows, reads it, then answers it.
inline void CALLBACK Read(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (popup == nullptr || !IsWindowVisible(popup)) return;
  KillTimer(nullptr, timer);
  GetWindowRect(popup, &shown.place);
  auto* menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  for (UINT i = 0; static_cast<int>(i) < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
    const bool greyed = text[0] != 0 && (GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0;
    shown.entries.push_back(platform::win32::Narrow(text) + (greyed ? " (greyed)" : ""));
  }
  if (answer) {
    answer(popup, menu);
    give_up = SetTimer(nullptr, 0, 10000, &GiveUp);
  } else {
    EndMenu();
  }
}
}  // namespace popup_menu

// Sends WM_CONTEXTMENU to `control` (`where`: a point on the screen, -1 from the keyboard), reads
// the menu that shows, then runs `answer` on it inside the menu's loop (nothing: the menu closes).
inline ShownMenu ShowContextMenu(HWND control, LPARAM where,
                                 std::function<void(HWND popup, HMENU menu)> answer = {}) {
  popup_menu::shown = {};
  popup_menu::answer = std::move(answer);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &popup_menu::Read);
  SendMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), where);
  KillTimer(nullptr, timer);
  if (popup_menu::give_up != 0) {
    KillTimer(nullptr, std::exchange(popup_menu::give_up, 0));
  }
  return popup_menu::shown;
}

}  // namespace velqor::test
