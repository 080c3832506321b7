#include "XmlParser.h"

#include "XmlAttributeLines.h"
#include "XmlNodeMemory.h"
#include "XmlStringStream.h"
#include "XmlUnitBlocks.h"
#include "vbase/Characters.h"

#include <array>
#include <cstddef>

namespace vxml {

using vbase::EFilerError;
using vbase::EStringListError;
using vbase::SameCodeUnits;
using vbase::SameTextAscii;
using vbase::TrimControlChars;
using vbase::TrimRight;

// ---- The parser ----

namespace {

constexpr std::size_t ProgressRunStep = 4096;

std::u16string_view FixedNameOf(TXmlElementType aType) {
  switch (aType) {
  case xeComment:
    return u"Comment";
  case xeCData:
    return u"CData";
  default:
    return u"Special";
  }
}

// Passes over whole blocks of character data that hold no "<", noting what aRun records about
// them; returns where the first block with a "<" (or the last, partial one) starts.
const char16_t* SkipPlainBlocks(const char16_t* aPos, const char16_t* aEnd, TTextRun& aRun) {
  TUnitMask visible{}, cr{}, space{};
  for (; aEnd - aPos >= BlockUnits; aPos += BlockUnits) {
    const TUnitBlock block = LoadBlock(aPos);
    if (AnySet(block == Lane(u'<')))
      break;
    visible |= block > Lane(u' ');
    cr |= block == Lane(u'\r');
    space |= block == Lane(u' ');
  }
  aRun.HasVisible = AnySet(visible);
  aRun.HasCR = AnySet(cr);
  aRun.HasSpace = AnySet(space);
  return aPos;
}

// A start tag of the usual form, a name and attributes written name="value" (or with single
// quotes), read in one pass: its name and attribute lines are those the general reading gives.
struct TPlainTag {
  static constexpr std::size_t MaxLines = 8;
  std::u16string_view Name;
  std::array<std::u16string_view, MaxLines> Lines;
  std::size_t LineCount = 0;
};

bool EndsNamePart(char16_t aUnit) {
  return IsXmlWhitespace(aUnit) || IsQuote(aUnit) || aUnit == u'>';
}

// The attribute line at aPos with the blank or ">" after it, or an empty view when there is none.
std::u16string_view PlainAttributeLine(const char16_t* aPos, const char16_t* aEnd) {
  const char16_t* p = aPos;
  while (p != aEnd && !EndsNamePart(*p) && *p != u'=')
    ++p;
  if (p == aPos || aEnd - p < 2 || p[0] != u'=' || !IsQuote(p[1]))
    return {};
  p = std::find(p + 2, aEnd, p[1]);
  if (p == aEnd || ++p == aEnd || !(IsXmlWhitespace(*p) || *p == u'>'))
    return {};
  return {aPos, static_cast<std::size_t>(p - aPos)};
}

// False, with nothing read, for a tag of any other form, which takes the general way.
bool ReadPlainTag(TXmlCursor& aC, TPlainTag& aTag) {
  const char16_t* p = std::find_if(aC.Pos, aC.End, EndsNamePart);
  if (p == aC.Pos || p == aC.End || IsQuote(*p) || p[-1] == u'/')
    return false;
  aTag.Name = std::u16string_view(aC.Pos, static_cast<std::size_t>(p - aC.Pos));
  aTag.LineCount = 0;
  for (;;) {
    p = std::find_if_not(p, aC.End, IsXmlWhitespace);
    if (p == aC.End)
      return false;
    if (*p == u'>')
      break;
    const std::u16string_view line = PlainAttributeLine(p, aC.End);
    if (line.empty() || aTag.LineCount == TPlainTag::MaxLines)
      return false;
    aTag.Lines[aTag.LineCount++] = line;
    p += line.size();
  }
  aC.Pos = p + 1;
  return true;
}

// An error about the tag whose "<" is the code unit at aIndex: the place it reports points there.
EFilerError TagError(std::u16string aMessage, int64_t aIndex) {
  EFilerError error(std::move(aMessage));
  error.SetTextIndex(aIndex);
  return error;
}

// Line breaks and spaces at the end go; a TAB stops the strip.
std::u16string_view StripTrailingBreaks(std::u16string_view aText) {
  return TrimRight(
      aText, [](char16_t aUnit) { return aUnit == u'\n' || aUnit == u'\r' || aUnit == u' '; });
}

} // namespace

TXmlParser::TXmlParser(TXmlDocument* aDocument, TXmlStringStream& aStream)
    : FDocument(aDocument), fStream(aStream), fStreamSize(aStream.Size()) {
  const std::size_t position = static_cast<std::size_t>(aStream.Position() / 2);
  const std::u16string* text = &aStream.DataString();
  if (FDocument && aStream.Consumable()) {
    fTextStore = &TXmlNodeMemory::StoreOf(*FDocument);
    fText = &fTextStore->Adopt(aStream.TakeText());
    fTextStore->LendText(fText->data() + position);
    text = fText;
  }
  fCursor.Begin = text->data();
  fCursor.Pos = text->data() + position;
  fCursor.End = text->data() + text->size();
}

TXmlParser::~TXmlParser() {
  // What the parse left unused goes back to the system.
  if (fText)
    ReleaseWholePages(fTextStore->EndLoan(), fText->data() + fText->capacity());
  fStream.SetPosition(fCursor.Offset());
}

bool TXmlParser::CanKeepInPlace(const TXmlNode& aN, std::u16string_view aText) const {
  return fText && aN.fStore == fTextStore && !aText.empty() && fTextStore->AboveLentText(aText) &&
         reinterpret_cast<std::uintptr_t>(aText.data() + aText.size()) <=
             reinterpret_cast<std::uintptr_t>(fCursor.End);
}

void TXmlParser::LendPassedText() const {
  if (fText)
    fTextStore->RaiseLentLimit(fCursor.Pos);
}

void TXmlParser::KeepValue(TXmlNode& aN, std::u16string_view aText) {
  if (CanKeepInPlace(aN, aText))
    TXmlTextEdit::Refer(aN.FValue, *aN.fStore, fTextStore->MoveIntoLentText(aText));
  else
    aN.SetValueDirect(aText);
}

void TXmlParser::KeepLine(TXmlNode& aN, std::u16string_view aLine) {
  if (CanKeepInPlace(aN, aLine))
    TXmlLinesEdit::AddKept(aN.EnsureAttributes(), *aN.fStore, fTextStore->MoveIntoLentText(aLine));
  else
    aN.AttributeLineAdd(aLine);
}

void TXmlParser::NoteStop(vbase::Exception& aError) const {
  if (aError.TextIndex() < 0)
    aError.SetTextIndex(fCursor.Pos - fCursor.Begin);
}

void TXmlParser::NotifyProgress(int64_t aPosition) const {
  if (FDocument && FDocument->OnProgress)
    FDocument->OnProgress(FDocument, aPosition, fStreamSize);
}

void TXmlParser::NotifyNodeNew(TXmlNode& aN) const {
  if (FDocument && FDocument->OnNodeNew)
    FDocument->OnNodeNew(FDocument, &aN);
}

void TXmlParser::EndOfNode(TXmlNode& aN) const {
  if (Aborted())
    return;
  aN.EndPos = fCursor.Offset();
  NotifyProgress(aN.EndPos);
  if (FDocument && FDocument->OnNodeLoaded)
    FDocument->OnNodeLoaded(FDocument, &aN);
}

void TXmlParser::ParseNode(TXmlNode& aN) {
  aN.Clear();
  ParseNewNode(aN);
}

void TXmlParser::ParseNewNode(TXmlNode& aN) {
  if (Aborted())
    return;
  char16_t c = 0;
  if (!SkipWhitespace(fCursor, c) || c != u'<')
    return;
  aN.StartPos = fCursor.Offset() - 2;
  const TTagType& row = ReadTagKind(fCursor);
  aN.SetElementType(row.FStyle);
  try {
    ParseByKind(aN, row);
  } catch (...) {
    EndOfNode(aN);
    throw;
  }
  EndOfNode(aN);
}

void TXmlParser::ParseByKind(TXmlNode& aN, const TTagType& aRow) {
  switch (aRow.FStyle) {
  case xeNormal:
  case xeDeclaration:
  case xeStylesheet:
    ParseStartTag(aN, aRow);
    break;
  case xeComment:
  case xeCData:
  case xeExclam:
  case xeQuestion:
    ParseMarkupText(aN, aRow);
    break;
  case xeDoctype:
    aN.SetName(u"DTD");
    NotifyNodeNew(aN);
    if (!Aborted())
      ReadDoctype(aN);
    break;
  default:
    ParseDtdDeclaration(aN);
    break;
  }
}

void TXmlParser::ParseStartTag(TXmlNode& aN, const TTagType& aRow) {
  bool emptyElement = false;
  if (TPlainTag tag; aRow.FStyle == xeNormal && ReadPlainTag(fCursor, tag)) {
    aN.SetNameDirect(tag.Name);
    for (std::size_t i = 0; i < tag.LineCount; ++i)
      KeepLine(aN, tag.Lines[i]);
  } else {
    std::u16string_view text;
    ReadUntilTerminator(fCursor, aRow.FClose, text, true);
    emptyElement = aRow.FStyle == xeNormal && !text.empty() && text.back() == u'/';
    if (emptyElement)
      text.remove_suffix(1);
    ParseTagText(aN, text);
  }
  aN.StartValuePos = fCursor.Offset();
  NotifyNodeNew(aN);
  if (Aborted() || emptyElement || aRow.FStyle != xeNormal)
    return;
  ReadContent(aN);
}

void TXmlParser::ParseTagText(TXmlNode& aN, std::u16string_view aText) {
  SplitIntoTokens(aText);
  switch (aN.ElementType()) {
  case xeDeclaration:
    aN.SetNameDirect(u"xml");
    break;
  case xeStylesheet:
    aN.SetNameDirect(u"xml-stylesheet");
    aN.SetValueDirect(TrimControlChars(aText));
    break;
  default:
    if (fTokens.empty())
      throw TagError(u"Missing element name", aN.StartPos / 2);
    aN.SetNameDirect(fTokens.front());
    break;
  }
  // The first token is the name, or the "?xml" that the tag text starts with.
  if (fTokens.empty())
    throw EStringListError(u"List index out of bounds (0)");
  for (std::size_t i = 1; i < fTokens.size(); ++i)
    KeepLine(aN, fTokens[i]);
}

void TXmlParser::ParseMarkupText(TXmlNode& aN, const TTagType& aRow) {
  aN.SetName(FixedNameOf(aRow.FStyle));
  NotifyNodeNew(aN);
  if (Aborted())
    return;
  std::u16string_view text;
  if (ReadUntilTerminator(fCursor, aRow.FClose, text, false))
    KeepValue(aN, text);
}

TXmlNode* TXmlParser::ParseChild(TXmlNode& aParent) {
  if (fLevel >= MaxNestingDepth)
    throw EFilerError(u"Maximum nesting depth exceeded in element " + aParent.Name());
  LendPassedText();
  TXmlNode* child = aParent.NodeNew(u"");
  const TLevelGuard level(fLevel);
  ParseNewNode(*child);
  return child;
}

// Inline, as FinishContent: each has one caller, ReadContent, which every element's content passes
// through, and is worth no call of its own.
inline TTextRun TXmlParser::ReadTextRun() {
  TTextRun run;
  const char16_t* p = SkipPlainBlocks(fCursor.Pos, fCursor.End, run);
  for (; p != fCursor.End && *p != u'<'; ++p) {
    const char16_t c = *p;
    if (c > u' ')
      run.HasVisible = true;
    else if (c == u'\r')
      run.HasCR = true;
    else if (c == u' ')
      run.HasSpace = true;
  }
  run.Text = std::u16string_view(fCursor.Pos, static_cast<std::size_t>(p - fCursor.Pos));
  if (FDocument && FDocument->OnProgress)
    for (std::size_t units = ProgressRunStep; units <= run.Text.size(); units += ProgressRunStep)
      NotifyProgress(2 * ((fCursor.Pos - fCursor.Begin) + static_cast<std::ptrdiff_t>(units)));
  fCursor.Pos = p;
  return run;
}

namespace {

// Whether a close tag at C repeats aName exactly, as it nearly always does, and the reading of
// its text up to the ">" could end nowhere else: a name with a quote takes the general way.
bool ReadsExactCloseTag(TXmlCursor& aC, std::u16string_view AName) {
  const std::size_t size = AName.size();
  if (static_cast<std::size_t>(aC.End - aC.Pos) <= size || aC.Pos[size] != u'>' ||
      !SameCodeUnits(std::u16string_view(aC.Pos, size), AName) ||
      std::any_of(AName.begin(), AName.end(), IsQuote))
    return false;
  aC.Pos += size + 1;
  return true;
}

} // namespace

void TXmlParser::ReadCloseTag(const TXmlNode& aN, const char16_t* aLess) {
  if (ReadsExactCloseTag(fCursor, aN.Name()))
    return;
  const int64_t lessIndex = aLess - fCursor.Begin;
  std::u16string_view name;
  if (!ReadUntilTerminator(fCursor, u">", name, true))
    throw TagError(u"Missing \">\" in close tag of element " + aN.Name(), lessIndex);
  // A name may begin or end with control characters that trimming would cut off; a close tag
  // that repeats it exactly, as the writer writes it, matches too.
  if (!SameTextAscii(TrimControlChars(name), aN.Name()) && !SameTextAscii(name, aN.Name()))
    throw TagError(u"Incorrect close tag in element " + aN.Name(), lessIndex);
}

void TXmlParser::ReadContent(TXmlNode& aN) {
  bool hasChildren = false;
  for (;;) {
    LendPassedText();
    const TTextRun run = ReadTextRun();
    if (fCursor.AtEnd())
      throw EFilerError(u"Missing close tag in element " + aN.Name());
    aN.EndValuePos = fCursor.Offset();
    const char16_t* less = fCursor.Pos++;
    char16_t c = 0;
    if (!SkipWhitespace(fCursor, c))
      throw EFilerError(u"Missing data after \"<\" in element " + aN.Name());
    if (c == u'/') {
      ReadCloseTag(aN, less);
      FinishContent(aN, run, hasChildren);
      return;
    }
    FlushCharData(aN, run, true);
    hasChildren = true;
    // Back to the "<" when the child's first character followed it directly.
    fCursor.StepBack(2);
    TXmlNode* child = ParseChild(aN);
    if (Aborted())
      return;
    // A "<" followed by blanks starts no tag: the clear child it leaves could only be written as
    // "</>", a close tag, so it goes, as at the top level.
    const bool dropsComment =
        FDocument && FDocument->DropCommentsOnParse() && child->ElementType() == xeComment;
    if (dropsComment || child->IsClear())
      aN.NodeDelete(child->IndexInParent());
  }
}

bool TXmlParser::KeepsRun(const TTextRun& aRun, bool aBeforeChild) const {
  if (aRun.HasVisible)
    return true;
  return FDocument && FDocument->ReadWhiteSpaceValues() && !aBeforeChild && aRun.HasSpace;
}

void TXmlParser::FlushCharData(TXmlNode& aN, const TTextRun& aRun, bool aBeforeChild) {
  if (aRun.Text.empty() || !KeepsRun(aRun, aBeforeChild))
    return;
  auto charData = TXmlNode::CreateType(FDocument, xeCharData);
  KeepValue(*charData, aRun.Text);
  aN.NodeAdd(std::move(charData));
}

inline void TXmlParser::FinishContent(TXmlNode& aN, const TTextRun& aLastRun, bool aHasChildren) {
  // A CR after the last child element means the text runs were laid out on lines of their own.
  const bool stripBreaks = aHasChildren && aLastRun.HasCR;
  if (aN.NodeCount() == 0) {
    // The run would become the only child and move straight into the value.
    if (!aLastRun.Text.empty() && KeepsRun(aLastRun, aHasChildren))
      KeepValue(aN, stripBreaks ? StripTrailingBreaks(aLastRun.Text) : aLastRun.Text);
    return;
  }
  FlushCharData(aN, aLastRun, aHasChildren);
  if (stripBreaks)
    for (TXmlNode* child : aN.FNodes)
      if (child->ElementType() == xeCharData)
        TXmlTextEdit::Truncate(
            child->FValue, static_cast<uint32_t>(StripTrailingBreaks(child->FValue.View()).size()));
  TXmlNode* first = aN.Nodes(0);
  if (first->ElementType() == xeCharData) {
    TXmlNodeMemory::TakeValue(aN, *first);
    aN.NodeDelete(0);
  }
}

// ---- Node and document entry points ----

void TXmlNode::ReadFromString(std::u16string_view aValue) {
  TXmlStringStream stream{std::u16string(aValue)};
  TXmlParser(FDocument, stream).ParseNode(*this);
}

namespace {

void CheckTopLevelStructure(const TXmlDocument& aDocument) {
  const TXmlNode& topLevel = *aDocument.RootNodeList();
  int32_t roots = 0, lastRoot = -1, declarations = 0, firstDeclaration = -1, doctypes = 0,
          lastDoctype = -1, cdata = 0;
  for (int32_t i = 0; i < topLevel.NodeCount(); ++i) {
    switch (topLevel.Nodes(i)->ElementType()) {
    case xeNormal:
      ++roots;
      lastRoot = i;
      break;
    case xeDeclaration:
      if (declarations++ == 0)
        firstDeclaration = i;
      break;
    case xeDoctype:
      ++doctypes;
      lastDoctype = i;
      break;
    case xeCData:
      ++cdata;
      break;
    default:
      break;
    }
  }
  if (roots == 0) {
    EFilerError error(u"No root element found in xml");
    error.SetNotXmlDocument();
    throw error;
  }
  if (!aDocument.ParserWarnings())
    return;
  if (roots > 1)
    throw EFilerError(u"More than one root element found in xml");
  if (declarations > 1)
    throw EFilerError(u"More than one xml declaration found in xml");
  if (declarations == 1 && firstDeclaration != 0)
    throw EFilerError(u"Xml declaration must be first element");
  if (doctypes > 1)
    throw EFilerError(u"More than one doctype declaration found in root");
  if (doctypes == 1 && lastDoctype > lastRoot)
    throw EFilerError(u"Doctype declaration found after root element");
  if (cdata > 0)
    throw EFilerError(u"No CDATA allowed in root");
}

} // namespace

void ParseStream(TXmlDocument& aDocument, TXmlStringStream& aS) {
  aDocument.SetAbortParsing(false);
  TXmlNodeMemory::ClearTopLevel(aDocument);
  TXmlNode& topLevel = *aDocument.RootNodeList();
  TXmlParser parser(&aDocument, aS);
  try {
    parser.NotifyProgress(0);
    do {
      parser.SkipStrayText();
      TXmlNode* node = topLevel.NodeNew(u"");
      parser.ParseNewNode(*node);
      if (aDocument.AbortParsing())
        return;
      if (node->IsClear())
        topLevel.NodeDelete(topLevel.NodeCount() - 1);
    } while (!parser.AtEnd());
    parser.NotifyProgress(parser.StreamSize());
    CheckTopLevelStructure(aDocument);
  } catch (vbase::Exception& error) {
    parser.NoteStop(error);
    throw;
  }
}

} // namespace vxml
