// The user interface that the UI contract suite runs against: the headless one natively, real
// windows under Windows (Wine). Each gives the suite a user's hands (clicks, a row chosen) and
// eyes (what the native controls show), so the rules are checked on both sides of the model.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

#ifdef _WIN32
#include <windows.h>
#undef MessageBox

#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/window.h"
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
    SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Notify(hwnd, LBN_SELCHANGE);
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
  bool Seen(platform::Window& w, platform::ControlId id) { return Native(w).IsSeen(id); }
  int ShownValue(platform::Window& w, platform::ControlId id) { return w.Value(id); }
  std::vector<std::string> ShownRows(platform::Window& w, platform::ControlId list) {
    const auto& rows = Native(w).records().rows;
    const auto found = rows.find(list);
    return found == rows.end() ? std::vector<std::string>() : found->second;
  }
  int ShownSelection(platform::Window& w, platform::ControlId list) { return w.Selection(list); }

 private:
  static platform::sim::HeadlessWindow& Native(platform::Window& w) {
    return static_cast<platform::sim::HeadlessWindow&>(w);
  }

  platform::sim::HeadlessUi ui_;
};

using UiEnvironments = ::testing::Types<HeadlessUiEnv>;

#endif

}  // namespace velqor::contract
