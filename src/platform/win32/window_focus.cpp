// The keyboard's way through a window: tab order, option groups, and where the focus goes when
// its control is hidden or disabled or the window is activated again.
#include "platform/win32/window.h"

#include <climits>
#include <utility>

namespace velqor::platform::win32 {
namespace {

// The window with the keyboard focus when it is `control` or inside it (a frame); else nullptr.
HWND FocusIn(HWND control) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == control || IsChild(control, focus)) ? focus : nullptr;
}

}  // namespace

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

void Win32Backend::MarkGroups(HWND parent) {
  // The dialog manager's arrow keys move, and check, within a group: each run of option buttons
  // in the tab order is one, every other control a group of its own.
  bool after_option = false;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const Control* c = ControlOfWindow(child);
    const bool option =
        c != nullptr && c->windows.hwnd == child && c->def.kind == ControlKind::kOptionButton;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    const LONG wanted = option && after_option ? style & ~WS_GROUP : style | WS_GROUP;
    if (wanted != style) {
      SetWindowLongW(child, GWL_STYLE, wanted);
    }
    after_option = option;
  }
}

bool Win32Backend::CanTakeFocus(HWND hwnd) const {
  if (hwnd == nullptr || !IsChild(hwnd_.get(), hwnd) || !IsWindowVisible(hwnd)) {
    return false;
  }
  // A control inside a disabled frame is disabled too, though its own style does not say so.
  for (HWND w = hwnd; w != hwnd_.get(); w = GetParent(w)) {
    if (!IsWindowEnabled(w)) {
      return false;
    }
  }
  return true;
}

void Win32Backend::PassFocusOn(HWND lost) {
  // The system leaves the focus nowhere (a disabled control) or on a window the user cannot see
  // (a hidden one, or the frame that held it): the keys would reach no control, and with no
  // focus not even Tab works. The next control in the tab order takes it, as in a dialog.
  if (lost != nullptr) {
    HWND next = GetNextDlgTabItem(hwnd_.get(), lost, FALSE);
    ::SetFocus(CanTakeFocus(next) ? next : hwnd_.get());
  }
}

void Win32Backend::SetVisible(ControlId id, bool visible) {
  HWND hwnd = Get(id).windows.hwnd;
  HWND focus = visible ? nullptr : FocusIn(hwnd);
  ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
  PassFocusOn(focus);
}

void Win32Backend::SetEnabled(ControlId id, bool enabled) {
  const Control& c = Get(id);
  HWND focus = enabled ? nullptr : FocusIn(c.windows.hwnd);
  EnableWindow(c.windows.hwnd, enabled ? TRUE : FALSE);
  if (c.windows.caption != nullptr) {
    EnableWindow(c.windows.caption, enabled ? TRUE : FALSE);
  }
  PassFocusOn(focus);
}

void Win32Backend::SetFocus(ControlId id) {
  HWND target = Get(id).windows.hwnd;
  if (GetActiveWindow() == hwnd_.get()) {
    ::SetFocus(target);
  } else {
    last_focus_ = target;  // taken up by WM_ACTIVATE
  }
}

void Win32Backend::SetDefaultButton(ControlId id) {
  const auto restyle = [this](ControlId button, DWORD type) {
    if (button != kNoControl && Get(button).def.kind == ControlKind::kButton) {
      HWND hwnd = Get(button).windows.hwnd;
      const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & 0xFFFFU;
      SendMessageW(hwnd, BM_SETSTYLE, (style & ~BS_TYPEMASK) | type, TRUE);
    }
  };
  restyle(default_button_, BS_PUSHBUTTON);
  default_button_ = id >= 1 && static_cast<size_t>(id) <= controls_.size() ? id : kNoControl;
  restyle(default_button_, BS_DEFPUSHBUTTON);
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

}  // namespace velqor::platform::win32
