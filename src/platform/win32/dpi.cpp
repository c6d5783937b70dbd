#include "platform/win32/dpi.h"

namespace velqor::platform::win32 {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    return kDefaultDpi;
  }
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

int TwipsToPixels(int twips, int dpi) {
  // MulDiv rounds half away from zero, and keeps large figures from overflowing.
  return MulDiv(twips, dpi, kTwipsPerInch);
}

RECT TwipRectToPixels(const TwipRect& rect, int dpi) {
  const int left = TwipsToPixels(rect.left, dpi);
  const int top = TwipsToPixels(rect.top, dpi);
  return RECT{left, top, left + TwipsToPixels(rect.width, dpi),
              top + TwipsToPixels(rect.height, dpi)};
}

UniqueHfont CreateMessageFont(int dpi) {
  // Both fonts come at the screen's DPI.
  const auto scaled = [dpi, screen = ScreenDpi()](LOGFONTW font) {
    font.lfHeight = MulDiv(font.lfHeight, dpi, screen);
    return UniqueHfont(CreateFontIndirectW(&font));
  };
  // The structure as XP knows it (the build targets XP), which later systems accept too.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    if (UniqueHfont font = scaled(metrics.lfMessageFont)) {
      return font;
    }
  }
  LOGFONTW fallback{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
  return scaled(fallback);
}

}  // namespace velqor::platform::win32
