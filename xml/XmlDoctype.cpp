// The document type declaration: its name and external identifiers, and the declarations of its
// internal subset.
#include "XmlParser.h"
#include "vbase/Characters.h"

#include <algorithm>

namespace vxml {

using vbase::TrimControlChars;

namespace {

// The tokens after the first, each followed by CR LF.
std::u16string TokenLines(const TTagTokens& ATokens) {
  std::u16string lines;
  for (std::size_t i = 1; i < ATokens.size(); ++i)
    lines.append(ATokens[i]).append(u"\r\n");
  return lines;
}

std::u16string CrLfToSpaces(std::u16string_view AText) {
  std::u16string result;
  result.reserve(AText.size());
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') {
      result += u' ';
      ++i;
    } else {
      result += AText[i];
    }
  }
  return result;
}

// The length of a parameter-entity reference "%name;" at APos, or 0 when none starts there.
std::size_t ParameterEntityReferenceLength(const char16_t* APos, const char16_t* AEnd) {
  if (APos == AEnd || *APos != u'%')
    return 0;
  const char16_t* p = APos + 1;
  while (p != AEnd && !IsXmlWhitespace(*p) &&
         std::u16string_view(u"%;<>[]\"'&").find(*p) == std::u16string_view::npos)
    ++p;
  if (p == APos + 1 || p == AEnd || *p != u';')
    return 0;
  return static_cast<std::size_t>(p + 1 - APos);
}

} // namespace

void TXmlParser::ParseDtdDeclaration(TXmlNode& N) {
  std::u16string_view text;
  ReadUntilChar(FCursor, u'>', text);
  SplitIntoTokens(text);
  if (!FTokens.empty()) {
    N.SetName(FTokens.front());
    N.SetValueDirect(TrimControlChars(TokenLines(FTokens)));
  }
  NotifyNodeNew(N);
}

void TXmlParser::ReadDoctype(TXmlNode& N) {
  const char16_t* first = FCursor.Pos;
  const char16_t* stop = std::find_if(
      first, FCursor.End, [](char16_t AUnit) { return AUnit == u'[' || AUnit == u'>'; });
  FCursor.Pos = stop;
  if (FCursor.AtEnd())
    return;
  ++FCursor.Pos;
  SplitIntoTokens(std::u16string_view(first, static_cast<std::size_t>(stop - first)));
  if (!FTokens.empty()) {
    N.SetName(FTokens.front());
    N.SetValueDirect(TrimControlChars(CrLfToSpaces(TokenLines(FTokens))));
  }
  if (*stop != u'[')
    return;
  // The internal subset: every declaration, every parameter-entity reference (kept as written,
  // so that the document saves as it loaded) and every stray character makes a child.
  char16_t c = 0;
  while (SkipWhitespace(FCursor, c) && c != u']') {
    FCursor.StepBack(1);
    if (const std::size_t length = ParameterEntityReferenceLength(FCursor.Pos, FCursor.End)) {
      auto reference = TXmlNode::CreateType(FDocument, xeCharData);
      reference->SetValueDirect(std::u16string(FCursor.Pos, length));
      N.NodeAdd(std::move(reference));
      FCursor.Pos += length;
      continue;
    }
    ParseChild(N);
    if (Aborted())
      break;
  }
  FCursor.Pos = std::find(FCursor.Pos, FCursor.End, u'>');
  if (!FCursor.AtEnd())
    ++FCursor.Pos;
}

} // namespace vxml
