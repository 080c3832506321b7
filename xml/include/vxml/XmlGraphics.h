// Plain records for the drawing settings that nodes can store (ReadFont, WritePen, ...). The
// core knows no graphics library; a front end copies these to and from its own objects.
#pragma once

#include <cstdint>
#include <string>

namespace vxml {

// An RGB value as 0x00BBGGRR.
using TXmlColor = int32_t;

// Default members are what reading gives for a missing element.
struct TXmlFont {
  std::u16string Name = u"Arial";
  TXmlColor Color = 0;
  int32_t Size = 14;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strikeout = false;
};

struct TXmlPen {
  TXmlColor Color = 0;
  int32_t Mode = 4;  // copy the pen colour
  int32_t Style = 0; // solid
  int32_t Width = 1;
};

struct TXmlBrush {
  TXmlColor Color = 0xFFFFFF; // white
  int32_t Style = 0;          // solid
};

} // namespace vxml
