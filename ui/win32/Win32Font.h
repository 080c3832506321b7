// The font both windows write with: the system's message font at a DPI, and the height of its
// lines.
#pragma once

#include <windows.h>

namespace vui {

inline HFONT CreateMessageFont(UINT aDpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, aDpi);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

inline int LineHeightOf(HWND aWindow, HFONT aFont) {
  const HDC context = GetDC(aWindow);
  const HGDIOBJ previous = SelectObject(context, aFont);
  TEXTMETRICW text{};
  GetTextMetricsW(context, &text);
  SelectObject(context, previous);
  ReleaseDC(aWindow, context);
  return text.tmHeight;
}

} // namespace vui
