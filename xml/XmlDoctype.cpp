// The document type declaration: its name and external identifiers, and the declarations of its
// internal subset.
#include "XmlParser.h"
#include "vbase/Characters.h"

#include <algorithm>

namespace vxml {

using vbase::TrimControlChars;

namespace {

// The tokens after the first, each followed by CR LF.
std::u16string TokenLines(const TTagTokens& aTokens) {
  std::u16string lines;
  for (std::size_t i = 1; i < aTokens.size(); ++i)
    lines.append(aTokens[i]).append(u"\r\n");
  return lines;
}

std::u16string CrLfToSpaces(std::u16string_view aText) {
  std::u16string result;
  result.reserve(aText.size());
  for (std::size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] == u'\r' && i + 1 < aText.size() && aText[i + 1] == u'\n') {
      result += u' ';
      ++i;
    } else {
      result += aText[i];
    }
  }
  return result;
}

// The length of a parameter-entity reference "%name;" at aPos, or 0 when none starts there.
std::size_t ParameterEntityReferenceLength(const char16_t* aPos, const char16_t* aEnd) {
  if (aPos == aEnd || *aPos != u'%')
    return 0;
  const char16_t* p = aPos + 1;
  while (p != aEnd && !IsXmlWhitespace(*p) &&
         std::u16string_view(u"%;<>[]\"'&").find(*p) == std::u16string_view::npos)
    ++p;
  if (p == aPos + 1 || p == aEnd || *p != u';')
    return 0;
  return static_cast<std::size_t>(p + 1 - aPos);
}

} // namespace

void TXmlParser::ParseDtdDeclaration(TXmlNode& aN) {
  std::u16string_view text;
  ReadUntilChar(fCursor, u'>', text);
  SplitIntoTokens(text);
  if (!fTokens.empty()) {
    aN.SetName(fTokens.front());
    aN.SetValueDirect(TrimControlChars(TokenLines(fTokens)));
  }
  NotifyNodeNew(aN);
}

void TXmlParser::ReadDoctype(TXmlNode& aN) {
  const char16_t* first = fCursor.Pos;
  const char16_t* stop = std::find_if(
      first, fCursor.End, [](char16_t aUnit) { return aUnit == u'[' || aUnit == u'>'; });
  fCursor.Pos = stop;
  if (fCursor.AtEnd())
    return;
  ++fCursor.Pos;
  SplitIntoTokens(std::u16string_view(first, static_cast<std::size_t>(stop - first)));
  if (!fTokens.empty()) {
    aN.SetName(fTokens.front());
    aN.SetValueDirect(TrimControlChars(CrLfToSpaces(TokenLines(fTokens))));
  }
  if (*stop != u'[')
    return;
  // The internal subset: every declaration, every parameter-entity reference (kept as written,
  // so that the document saves as it loaded) and every stray character makes a child.
  char16_t c = 0;
  while (SkipWhitespace(fCursor, c) && c != u']') {
    fCursor.StepBack(1);
    if (const std::size_t length = ParameterEntityReferenceLength(fCursor.Pos, fCursor.End)) {
      auto reference = TXmlNode::CreateType(FDocument, xeCharData);
      reference->SetValueDirect(std::u16string(fCursor.Pos, length));
      aN.NodeAdd(std::move(reference));
      fCursor.Pos += length;
      continue;
    }
    ParseChild(aN);
    if (Aborted())
      break;
  }
  fCursor.Pos = std::find(fCursor.Pos, fCursor.End, u'>');
  if (!fCursor.AtEnd())
    ++fCursor.Pos;
}

} // namespace vxml
