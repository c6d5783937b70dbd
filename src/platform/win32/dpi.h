// The forms' design unit (twips) in pixels at a window's DPI, and the font of the user interface.
#pragma once

#include <windows.h>

#include "platform/ui.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultDpi = 96;

// The screen's logical DPI (GetDeviceCaps LOGPIXELSX, available on every system served); 96 when
// it cannot be read.
int ScreenDpi();

// Twips in pixels at `dpi`, rounded to the nearest pixel (15 twips per pixel at 96 DPI).
int TwipsToPixels(int twips, int dpi);

// A twip rectangle (left, top, width, height) as a pixel RECT; each of the four figures is rounded
// on its own, so every edge is within half a pixel of its twips.
RECT TwipRectToPixels(const TwipRect& rect, int dpi);

// A new font like the system's message font (NONCLIENTMETRICS lfMessageFont) at `dpi` (the system
// gives it at the screen's DPI); when that cannot be read, one like DEFAULT_GUI_FONT. Never empty.
UniqueHfont CreateMessageFont(int dpi = ScreenDpi());

}  // namespace velqor::platform::win32
