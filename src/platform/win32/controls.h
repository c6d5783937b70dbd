// The standard Win32 controls behind each kind of control of a form, and the panel that makes a
// frame a container.
#pragma once

#include <windows.h>
#undef MessageBox  // the interface has a MessageBox of its own

#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/base_window.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// The container child window of a frame: it holds the frame's caption window (drawn by the panel
// as an etched frame with the caption in the parent's colours) and the frame's controls, so that
// hiding it hides them all. It hands notifications and colour requests of its children up to its
// parent, and paints its background with the brush its parent gives for it (WM_CTLCOLORSTATIC with
// the panel as the control).
class Panel : public BaseWindow<Panel> {
 public:
  static constexpr const wchar_t* kClassName = L"VelqorPanel";

  // Creates the panel at `rect` (pixels, in the parent's client area) with its caption; the
  // window is owned by its parent. Raises a Failure when the system refuses.
  Panel(HWND parent, int id, const RECT& rect, const wchar_t* caption);
  ~Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // The container window (non-owning: the parent window destroys it).
  HWND hwnd() const noexcept { return hwnd_; }
  // The window that holds and shows the caption (non-owning, a child of the panel).
  HWND caption() const noexcept { return caption_; }

  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void DrawCaption(const DRAWITEMSTRUCT& item) const;

  HWND hwnd_ = nullptr;
  HWND caption_ = nullptr;
};

// The windows of one control as created.
struct ControlWindows {
  HWND hwnd = nullptr;           // the control; for a frame, its panel (non-owning)
  HWND caption = nullptr;        // frames: the caption window of the panel (non-owning)
  std::unique_ptr<Panel> panel;  // frames: the panel's object
  UniqueHbitmap bitmap;          // pictures: the bitmap shown, owned here
};

// Creates the control that `def` describes at `rect` (pixels in `parent`'s client area) with
// control id `id` and `font`. A picture whose bitmap resource is missing stays empty. Raises a
// Failure naming the control when the system refuses to create it.
ControlWindows CreateControlWindows(const ControlSpec& def, HWND parent, int id, const RECT& rect,
                                    HFONT font);

// The window's text as it shows it.
std::wstring WindowText(HWND hwnd);

// Switches visual styles off for one control, so that it draws its text in the colours the parent
// chooses (themed check boxes ignore them). Does nothing where themes don't exist.
void UseClassicLook(HWND control) noexcept;

}  // namespace velqor::platform::win32
