// The font both windows write with: the system's message font at a DPI, the height of its lines,
// the width of its texts, and the buttons sized to show their captions in it.
#pragma once

#include <algorithm>
#include <string_view>
#include <windows.h>

namespace vui {

inline HFONT CreateMessageFont(UINT aDpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, aDpi);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

// Measures texts in a font on a window's screen for as long as it lives.
class TTextMeter {
public:
  TTextMeter(HWND aWindow, HFONT aFont)
      : fWindow(aWindow), fContext(GetDC(aWindow)), fPrevious(SelectObject(fContext, aFont)) {}
  ~TTextMeter() {
    SelectObject(fContext, fPrevious);
    ReleaseDC(fWindow, fContext);
  }
  TTextMeter(const TTextMeter&) = delete;
  TTextMeter& operator=(const TTextMeter&) = delete;

  int Width(std::u16string_view aText) const {
    SIZE size{};
    GetTextExtentPoint32W(fContext, reinterpret_cast<const wchar_t*>(aText.data()),
                          static_cast<int>(aText.size()), &size);
    return size.cx;
  }
  int LineHeight() const {
    TEXTMETRICW text{};
    GetTextMetricsW(fContext, &text);
    return text.tmHeight;
  }

private:
  HWND fWindow;
  HDC fContext;
  HGDIOBJ fPrevious;
};

inline int LineHeightOf(HWND aWindow, HFONT aFont) {
  return TTextMeter(aWindow, aFont).LineHeight();
}

// A push button's size for aCaption (without its "&"): the text with room on both sides for the
// frame and the focus rectangle, and never smaller than the system's usual button, at aDpi.
// BCM_GETIDEALSIZE leaves too little room under Wine, which then cuts the caption.
inline SIZE ButtonSizeFor(const TTextMeter& aMeter, std::u16string_view aCaption, UINT aDpi) {
  const auto scaled = [aDpi](int aPixels) {
    return MulDiv(aPixels, static_cast<int>(aDpi), USER_DEFAULT_SCREEN_DPI);
  };
  return {std::max(aMeter.Width(aCaption) + 2 * scaled(10), scaled(75)),
          std::max(aMeter.LineHeight() + scaled(10), scaled(23))};
}

} // namespace vui
