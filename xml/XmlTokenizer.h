// The reader's building blocks: the reading primitives that walk a cursor over decoded UTF-16
// text and cut tag text into tokens.
#pragma once

#include "XmlTagTypes.h"
#include "vxml/XmlText.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxml {

// A read position in decoded UTF-16 text.
struct TXmlCursor {
  const char16_t* Begin;
  const char16_t* Pos;
  const char16_t* End;

  bool AtEnd() const { return Pos == End; }
  // Byte offset of the position, as node positions record it.
  int32_t Offset() const { return static_cast<int32_t>((Pos - Begin) * 2); }
  void StepBack(std::ptrdiff_t ACount) { Pos -= std::min(ACount, Pos - Begin); }
};

// Consumes whitespace and the first other code unit, which it returns; false at the end. Inline:
// the parser calls it around every piece of markup.
inline bool SkipWhitespace(TXmlCursor& C, char16_t& AChar) {
  while (!C.AtEnd()) {
    AChar = *C.Pos++;
    if (!IsXmlWhitespace(AChar))
      return true;
  }
  return false;
}

inline bool IsQuote(char16_t AUnit) {
  return AUnit == u'"' || AUnit == u'\'';
}

// Called after a "<": the row whose start string matches longest, with the cursor where that
// kind's reading goes on (see the table's users in XmlParser.cpp).
const TTagType& ReadTagKind(TXmlCursor& C);

// The text up to the first T (outside quotes when AQuoteAware), consumed with T. At the end of
// the input everything is consumed, AText is left alone and the result is false.
bool ReadUntilTerminator(TXmlCursor& C, std::u16string_view T, std::u16string_view& AText,
                         bool AQuoteAware);
inline bool ReadUntilChar(TXmlCursor& C, char16_t AChar, std::u16string_view& AText) {
  return ReadUntilTerminator(C, std::u16string_view(&AChar, 1), AText, true);
}

// The whitespace-separated tokens of a tag (quoted stretches kept whole). A token starting
// with "=" joins the one before it, then a quoted token joins one holding "=": a = 'x' gives a='x'.
// Blank text leaves ATokens as it was.
void SplitTagText(std::u16string_view AText, std::vector<std::u16string>& ATokens);

// The same tokens as views: into the split text, or into copies kept here for tokens that had to
// be joined. They stay valid until the next Split or the split text goes.
class TTagTokens {
public:
  void Split(std::u16string_view AText);
  bool empty() const { return FTokens.empty(); }
  std::size_t size() const { return FTokens.size(); }
  std::u16string_view front() const { return FTokens.front(); }
  std::u16string_view operator[](std::size_t AIndex) const { return FTokens[AIndex]; }

private:
  std::vector<std::u16string_view> FTokens;
  std::vector<std::u16string> FJoined;
};

} // namespace vxml
