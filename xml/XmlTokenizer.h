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
  void StepBack(std::ptrdiff_t aCount) { Pos -= std::min(aCount, Pos - Begin); }
};

// Consumes whitespace and the first other code unit, which it returns; false at the end. Inline:
// the parser calls it around every piece of markup.
inline bool SkipWhitespace(TXmlCursor& aC, char16_t& aChar) {
  while (!aC.AtEnd()) {
    aChar = *aC.Pos++;
    if (!IsXmlWhitespace(aChar))
      return true;
  }
  return false;
}

inline bool IsQuote(char16_t aUnit) {
  return aUnit == u'"' || aUnit == u'\'';
}

// Called after a "<": the row whose start string matches longest, with the cursor where that
// kind's reading goes on (see the table's users in XmlParser.cpp).
const TTagType& ReadTagKind(TXmlCursor& aC);

// The text up to the first T (outside quotes when aQuoteAware), consumed with T. At the end of
// the input everything is consumed, aText is left alone and the result is false.
bool ReadUntilTerminator(TXmlCursor& aC, std::u16string_view aT, std::u16string_view& aText,
                         bool aQuoteAware);
inline bool ReadUntilChar(TXmlCursor& aC, char16_t aChar, std::u16string_view& aText) {
  return ReadUntilTerminator(aC, std::u16string_view(&aChar, 1), aText, true);
}

// The whitespace-separated tokens of a tag (quoted stretches kept whole). A token starting
// with "=" joins the one before it, then a quoted token joins one holding "=": a = 'x' gives a='x'.
// Blank text leaves aTokens as it was.
void SplitTagText(std::u16string_view aText, std::vector<std::u16string>& aTokens);

// The same tokens as views: into the split text, or into copies kept here for tokens that had to
// be joined. They stay valid until the next Split or the split text goes.
class TTagTokens {
public:
  void Split(std::u16string_view aText);
  bool empty() const { return fTokens.empty(); }
  std::size_t size() const { return fTokens.size(); }
  std::u16string_view front() const { return fTokens.front(); }
  std::u16string_view operator[](std::size_t aIndex) const { return fTokens[aIndex]; }

private:
  std::vector<std::u16string_view> fTokens;
  std::vector<std::u16string> fJoined;
};

} // namespace vxml
