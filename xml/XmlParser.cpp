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

std::u16string_view FixedNameOf(TXmlElementType AType) {
  switch (AType) {
  case xeComment:
    return u"Comment";
  case xeCData:
    return u"CData";
  default:
    return u"Special";
  }
}

// Passes over whole blocks of character data that hold no "<", noting what ARun records about
// them; returns where the first block with a "<" (or the last, partial one) starts.
const char16_t* SkipPlainBlocks(const char16_t* APos, const char16_t* AEnd, TTextRun& ARun) {
  TUnitMask visible{}, cr{}, space{};
  for (; AEnd - APos >= BlockUnits; APos += BlockUnits) {
    const TUnitBlock block = LoadBlock(APos);
    if (AnySet(block == Lane(u'<')))
      break;
    visible |= block > Lane(u' ');
    cr |= block == Lane(u'\r');
    space |= block == Lane(u' ');
  }
  ARun.HasVisible = AnySet(visible);
  ARun.HasCR = AnySet(cr);
  ARun.HasSpace = AnySet(space);
  return APos;
}

// A start tag of the usual form, a name and attributes written name="value" (or with single
// quotes), read in one pass: its name and attribute lines are those the general reading gives.
struct TPlainTag {
  static constexpr std::size_t MaxLines = 8;
  std::u16string_view Name;
  std::array<std::u16string_view, MaxLines> Lines;
  std::size_t LineCount = 0;
};

bool EndsNamePart(char16_t AUnit) {
  return IsXmlWhitespace(AUnit) || IsQuote(AUnit) || AUnit == u'>';
}

// The attribute line at APos with the blank or ">" after it, or an empty view when there is none.
std::u16string_view PlainAttributeLine(const char16_t* APos, const char16_t* AEnd) {
  const char16_t* p = APos;
  while (p != AEnd && !EndsNamePart(*p) && *p != u'=')
    ++p;
  if (p == APos || AEnd - p < 2 || p[0] != u'=' || !IsQuote(p[1]))
    return {};
  p = std::find(p + 2, AEnd, p[1]);
  if (p == AEnd || ++p == AEnd || !(IsXmlWhitespace(*p) || *p == u'>'))
    return {};
  return {APos, static_cast<std::size_t>(p - APos)};
}

// False, with nothing read, for a tag of any other form, which takes the general way.
bool ReadPlainTag(TXmlCursor& C, TPlainTag& ATag) {
  const char16_t* p = std::find_if(C.Pos, C.End, EndsNamePart);
  if (p == C.Pos || p == C.End || IsQuote(*p) || p[-1] == u'/')
    return false;
  ATag.Name = std::u16string_view(C.Pos, static_cast<std::size_t>(p - C.Pos));
  ATag.LineCount = 0;
  for (;;) {
    p = std::find_if_not(p, C.End, IsXmlWhitespace);
    if (p == C.End)
      return false;
    if (*p == u'>')
      break;
    const std::u16string_view line = PlainAttributeLine(p, C.End);
    if (line.empty() || ATag.LineCount == TPlainTag::MaxLines)
      return false;
    ATag.Lines[ATag.LineCount++] = line;
    p += line.size();
  }
  C.Pos = p + 1;
  return true;
}

// An error about the tag whose "<" is the code unit at AIndex: the place it reports points there.
EFilerError TagError(std::u16string AMessage, int64_t AIndex) {
  EFilerError error(std::move(AMessage));
  error.SetTextIndex(AIndex);
  return error;
}

// Line breaks and spaces at the end go; a TAB stops the strip.
std::u16string_view StripTrailingBreaks(std::u16string_view AText) {
  return TrimRight(
      AText, [](char16_t AUnit) { return AUnit == u'\n' || AUnit == u'\r' || AUnit == u' '; });
}

} // namespace

TXmlParser::TXmlParser(TXmlDocument* ADocument, TXmlStringStream& AStream)
    : FDocument(ADocument), FStream(AStream), FStreamSize(AStream.Size()) {
  const std::size_t position = static_cast<std::size_t>(AStream.Position() / 2);
  const std::u16string* text = &AStream.DataString();
  if (FDocument && AStream.Consumable()) {
    FTextStore = &TXmlNodeMemory::StoreOf(*FDocument);
    FText = &FTextStore->Adopt(AStream.TakeText());
    FTextStore->LendText(FText->data() + position);
    text = FText;
  }
  FCursor.Begin = text->data();
  FCursor.Pos = text->data() + position;
  FCursor.End = text->data() + text->size();
}

TXmlParser::~TXmlParser() {
  // What the parse left unused goes back to the system.
  if (FText)
    ReleaseWholePages(FTextStore->EndLoan(), FText->data() + FText->capacity());
  FStream.SetPosition(FCursor.Offset());
}

bool TXmlParser::CanKeepInPlace(const TXmlNode& N, std::u16string_view AText) const {
  return FText && N.FStore == FTextStore && !AText.empty() && FTextStore->AboveLentText(AText) &&
         reinterpret_cast<std::uintptr_t>(AText.data() + AText.size()) <=
             reinterpret_cast<std::uintptr_t>(FCursor.End);
}

void TXmlParser::LendPassedText() const {
  if (FText)
    FTextStore->RaiseLentLimit(FCursor.Pos);
}

void TXmlParser::KeepValue(TXmlNode& N, std::u16string_view AText) {
  if (CanKeepInPlace(N, AText))
    TXmlTextEdit::Refer(N.FValue, *N.FStore, FTextStore->MoveIntoLentText(AText));
  else
    N.SetValueDirect(AText);
}

void TXmlParser::KeepLine(TXmlNode& N, std::u16string_view ALine) {
  if (CanKeepInPlace(N, ALine))
    TXmlLinesEdit::AddKept(N.EnsureAttributes(), *N.FStore, FTextStore->MoveIntoLentText(ALine));
  else
    N.AttributeLineAdd(ALine);
}

void TXmlParser::NoteStop(vbase::Exception& AError) const {
  if (AError.TextIndex() < 0)
    AError.SetTextIndex(FCursor.Pos - FCursor.Begin);
}

void TXmlParser::NotifyProgress(int64_t APosition) const {
  if (FDocument && FDocument->OnProgress)
    FDocument->OnProgress(FDocument, APosition, FStreamSize);
}

void TXmlParser::NotifyNodeNew(TXmlNode& N) const {
  if (FDocument && FDocument->OnNodeNew)
    FDocument->OnNodeNew(FDocument, &N);
}

void TXmlParser::EndOfNode(TXmlNode& N) const {
  if (Aborted())
    return;
  N.EndPos = FCursor.Offset();
  NotifyProgress(N.EndPos);
  if (FDocument && FDocument->OnNodeLoaded)
    FDocument->OnNodeLoaded(FDocument, &N);
}

void TXmlParser::ParseNode(TXmlNode& N) {
  N.Clear();
  ParseNewNode(N);
}

void TXmlParser::ParseNewNode(TXmlNode& N) {
  if (Aborted())
    return;
  char16_t c = 0;
  if (!SkipWhitespace(FCursor, c) || c != u'<')
    return;
  N.StartPos = FCursor.Offset() - 2;
  const TTagType& row = ReadTagKind(FCursor);
  N.SetElementType(row.FStyle);
  try {
    ParseByKind(N, row);
  } catch (...) {
    EndOfNode(N);
    throw;
  }
  EndOfNode(N);
}

void TXmlParser::ParseByKind(TXmlNode& N, const TTagType& ARow) {
  switch (ARow.FStyle) {
  case xeNormal:
  case xeDeclaration:
  case xeStylesheet:
    ParseStartTag(N, ARow);
    break;
  case xeComment:
  case xeCData:
  case xeExclam:
  case xeQuestion:
    ParseMarkupText(N, ARow);
    break;
  case xeDoctype:
    N.SetName(u"DTD");
    NotifyNodeNew(N);
    if (!Aborted())
      ReadDoctype(N);
    break;
  default:
    ParseDtdDeclaration(N);
    break;
  }
}

void TXmlParser::ParseStartTag(TXmlNode& N, const TTagType& ARow) {
  bool emptyElement = false;
  if (TPlainTag tag; ARow.FStyle == xeNormal && ReadPlainTag(FCursor, tag)) {
    N.SetNameDirect(tag.Name);
    for (std::size_t i = 0; i < tag.LineCount; ++i)
      KeepLine(N, tag.Lines[i]);
  } else {
    std::u16string_view text;
    ReadUntilTerminator(FCursor, ARow.FClose, text, true);
    emptyElement = ARow.FStyle == xeNormal && !text.empty() && text.back() == u'/';
    if (emptyElement)
      text.remove_suffix(1);
    ParseTagText(N, text);
  }
  N.StartValuePos = FCursor.Offset();
  NotifyNodeNew(N);
  if (Aborted() || emptyElement || ARow.FStyle != xeNormal)
    return;
  ReadContent(N);
}

void TXmlParser::ParseTagText(TXmlNode& N, std::u16string_view AText) {
  SplitIntoTokens(AText);
  switch (N.ElementType()) {
  case xeDeclaration:
    N.SetNameDirect(u"xml");
    break;
  case xeStylesheet:
    N.SetNameDirect(u"xml-stylesheet");
    N.SetValueDirect(TrimControlChars(AText));
    break;
  default:
    if (FTokens.empty())
      throw TagError(u"Missing element name", N.StartPos / 2);
    N.SetNameDirect(FTokens.front());
    break;
  }
  // The first token is the name, or the "?xml" that the tag text starts with.
  if (FTokens.empty())
    throw EStringListError(u"List index out of bounds (0)");
  for (std::size_t i = 1; i < FTokens.size(); ++i)
    KeepLine(N, FTokens[i]);
}

void TXmlParser::ParseMarkupText(TXmlNode& N, const TTagType& ARow) {
  N.SetName(FixedNameOf(ARow.FStyle));
  NotifyNodeNew(N);
  if (Aborted())
    return;
  std::u16string_view text;
  if (ReadUntilTerminator(FCursor, ARow.FClose, text, false))
    KeepValue(N, text);
}

TXmlNode* TXmlParser::ParseChild(TXmlNode& AParent) {
  if (FLevel >= MaxNestingDepth)
    throw EFilerError(u"Maximum nesting depth exceeded in element " + AParent.Name());
  LendPassedText();
  TXmlNode* child = AParent.NodeNew(u"");
  const TLevelGuard level(FLevel);
  ParseNewNode(*child);
  return child;
}

// Inline, as FinishContent: each has one caller, ReadContent, which every element's content passes
// through, and is worth no call of its own.
inline TTextRun TXmlParser::ReadTextRun() {
  TTextRun run;
  const char16_t* p = SkipPlainBlocks(FCursor.Pos, FCursor.End, run);
  for (; p != FCursor.End && *p != u'<'; ++p) {
    const char16_t c = *p;
    if (c > u' ')
      run.HasVisible = true;
    else if (c == u'\r')
      run.HasCR = true;
    else if (c == u' ')
      run.HasSpace = true;
  }
  run.Text = std::u16string_view(FCursor.Pos, static_cast<std::size_t>(p - FCursor.Pos));
  if (FDocument && FDocument->OnProgress)
    for (std::size_t units = ProgressRunStep; units <= run.Text.size(); units += ProgressRunStep)
      NotifyProgress(2 * ((FCursor.Pos - FCursor.Begin) + static_cast<std::ptrdiff_t>(units)));
  FCursor.Pos = p;
  return run;
}

namespace {

// Whether a close tag at C repeats AName exactly, as it nearly always does, and the reading of
// its text up to the ">" could end nowhere else: a name with a quote takes the general way.
bool ReadsExactCloseTag(TXmlCursor& C, std::u16string_view AName) {
  const std::size_t size = AName.size();
  if (static_cast<std::size_t>(C.End - C.Pos) <= size || C.Pos[size] != u'>' ||
      !SameCodeUnits(std::u16string_view(C.Pos, size), AName) ||
      std::any_of(AName.begin(), AName.end(), IsQuote))
    return false;
  C.Pos += size + 1;
  return true;
}

} // namespace

void TXmlParser::ReadCloseTag(const TXmlNode& N, const char16_t* ALess) {
  if (ReadsExactCloseTag(FCursor, N.Name()))
    return;
  const int64_t lessIndex = ALess - FCursor.Begin;
  std::u16string_view name;
  if (!ReadUntilTerminator(FCursor, u">", name, true))
    throw TagError(u"Missing \">\" in close tag of element " + N.Name(), lessIndex);
  // A name may begin or end with control characters that trimming would cut off; a close tag
  // that repeats it exactly, as the writer writes it, matches too.
  if (!SameTextAscii(TrimControlChars(name), N.Name()) && !SameTextAscii(name, N.Name()))
    throw TagError(u"Incorrect close tag in element " + N.Name(), lessIndex);
}

void TXmlParser::ReadContent(TXmlNode& N) {
  bool hasChildren = false;
  for (;;) {
    LendPassedText();
    const TTextRun run = ReadTextRun();
    if (FCursor.AtEnd())
      throw EFilerError(u"Missing close tag in element " + N.Name());
    N.EndValuePos = FCursor.Offset();
    const char16_t* less = FCursor.Pos++;
    char16_t c = 0;
    if (!SkipWhitespace(FCursor, c))
      throw EFilerError(u"Missing data after \"<\" in element " + N.Name());
    if (c == u'/') {
      ReadCloseTag(N, less);
      FinishContent(N, run, hasChildren);
      return;
    }
    FlushCharData(N, run, true);
    hasChildren = true;
    // Back to the "<" when the child's first character followed it directly.
    FCursor.StepBack(2);
    TXmlNode* child = ParseChild(N);
    if (Aborted())
      return;
    // A "<" followed by blanks starts no tag: the clear child it leaves could only be written as
    // "</>", a close tag, so it goes, as at the top level.
    const bool dropsComment =
        FDocument && FDocument->DropCommentsOnParse() && child->ElementType() == xeComment;
    if (dropsComment || child->IsClear())
      N.NodeDelete(child->IndexInParent());
  }
}

bool TXmlParser::KeepsRun(const TTextRun& ARun, bool ABeforeChild) const {
  if (ARun.HasVisible)
    return true;
  return FDocument && FDocument->ReadWhiteSpaceValues() && !ABeforeChild && ARun.HasSpace;
}

void TXmlParser::FlushCharData(TXmlNode& N, const TTextRun& ARun, bool ABeforeChild) {
  if (ARun.Text.empty() || !KeepsRun(ARun, ABeforeChild))
    return;
  auto charData = TXmlNode::CreateType(FDocument, xeCharData);
  KeepValue(*charData, ARun.Text);
  N.NodeAdd(std::move(charData));
}

inline void TXmlParser::FinishContent(TXmlNode& N, const TTextRun& ALastRun, bool AHasChildren) {
  // A CR after the last child element means the text runs were laid out on lines of their own.
  const bool stripBreaks = AHasChildren && ALastRun.HasCR;
  if (N.NodeCount() == 0) {
    // The run would become the only child and move straight into the value.
    if (!ALastRun.Text.empty() && KeepsRun(ALastRun, AHasChildren))
      KeepValue(N, stripBreaks ? StripTrailingBreaks(ALastRun.Text) : ALastRun.Text);
    return;
  }
  FlushCharData(N, ALastRun, AHasChildren);
  if (stripBreaks)
    for (TXmlNode* child : N.FNodes)
      if (child->ElementType() == xeCharData)
        TXmlTextEdit::Truncate(
            child->FValue, static_cast<uint32_t>(StripTrailingBreaks(child->FValue.View()).size()));
  TXmlNode* first = N.Nodes(0);
  if (first->ElementType() == xeCharData) {
    TXmlNodeMemory::TakeValue(N, *first);
    N.NodeDelete(0);
  }
}

// ---- Node and document entry points ----

void TXmlNode::ReadFromString(std::u16string_view AValue) {
  TXmlStringStream stream{std::u16string(AValue)};
  TXmlParser(FDocument, stream).ParseNode(*this);
}

namespace {

void CheckTopLevelStructure(const TXmlDocument& ADocument) {
  const TXmlNode& topLevel = *ADocument.RootNodeList();
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
  if (!ADocument.ParserWarnings())
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

void ParseStream(TXmlDocument& ADocument, TXmlStringStream& S) {
  ADocument.SetAbortParsing(false);
  TXmlNodeMemory::ClearTopLevel(ADocument);
  TXmlNode& topLevel = *ADocument.RootNodeList();
  TXmlParser parser(&ADocument, S);
  try {
    parser.NotifyProgress(0);
    do {
      parser.SkipStrayText();
      TXmlNode* node = topLevel.NodeNew(u"");
      parser.ParseNewNode(*node);
      if (ADocument.AbortParsing())
        return;
      if (node->IsClear())
        topLevel.NodeDelete(topLevel.NodeCount() - 1);
    } while (!parser.AtEnd());
    parser.NotifyProgress(parser.StreamSize());
    CheckTopLevelStructure(ADocument);
  } catch (vbase::Exception& error) {
    parser.NoteStop(error);
    throw;
  }
}

} // namespace vxml
