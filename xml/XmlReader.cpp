#include "XmlReader.h"

#include "XmlAttributeLines.h"
#include "XmlStore.h"
#include "XmlStringStream.h"
#include "XmlUnitBlocks.h"
#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace vxml {

using vbase::EFilerError;
using vbase::EStringListError;
using vbase::SameCodeUnits;
using vbase::SameTextAscii;
using vbase::Trim;
using vbase::TrimControlChars;
using vbase::TrimRight;

// ---- Reading primitives ----

bool SkipWhitespace(TXmlCursor& C, char16_t& AChar) {
  while (!C.AtEnd()) {
    AChar = *C.Pos++;
    if (!IsXmlWhitespace(AChar))
      return true;
  }
  return false;
}

namespace {

// Where the reading of a kind goes on, counted from the code unit after the "<".
const char16_t* ContinuationOf(const TTagType& ARow, const char16_t* AAfterLess,
                               const char16_t* AEnd) {
  const std::ptrdiff_t startLength = static_cast<std::ptrdiff_t>(ARow.FStart.size());
  switch (ARow.FStyle) {
  case xeNormal:
  case xeDeclaration:
  case xeStylesheet:
    // The start string is read again as part of the tag text.
    return AAfterLess;
  case xeCData:
  case xeComment:
    return AAfterLess + startLength - 1;
  case xeExclam:
  case xeQuestion:
    return AAfterLess + 1;
  default:
    // DTD keywords: the separator after the keyword goes too.
    return std::min(AAfterLess + startLength, AEnd);
  }
}

} // namespace

const TTagType& ReadTagKind(TXmlCursor& C) {
  const char16_t* afterLess = C.Pos;
  // Every start string but "<" goes on with "!" or "?": anything else starts an element.
  if (C.AtEnd() || (*C.Pos != u'!' && *C.Pos != u'?'))
    return TagTypeTable.back();
  std::size_t result = TagTypeTable.size() - 1;
  uint32_t candidates = (1u << TagTypeTable.size()) - 1;
  // The k-th unit after "<" is compared with character k of every start string still in the
  // running; a completed start string stands until a longer one completes.
  for (std::size_t k = 1; candidates != 0 && !C.AtEnd(); ++k) {
    const char16_t c = *C.Pos++;
    uint32_t matched = 0;
    for (std::size_t row = TagTypeTable.size(); row-- > 0;) {
      const std::u16string_view start = TagTypeTable[row].FStart;
      if (!(candidates & (1u << row)) || start.size() <= k || start[k] != c)
        continue;
      matched |= 1u << row;
      if (start.size() == k + 1)
        result = row;
    }
    candidates = matched;
  }
  const TTagType& row = TagTypeTable[result];
  C.Pos = ContinuationOf(row, afterLess, C.End);
  return row;
}

namespace {

bool IsQuote(char16_t AUnit) {
  return AUnit == u'"' || AUnit == u'\'';
}

} // namespace

bool ReadUntilTerminator(TXmlCursor& C, std::u16string_view T, std::u16string_view& AText,
                         bool AQuoteAware) {
  if (T.empty())
    return false;
  const char16_t* first = C.Pos;
  const char16_t last = T.back();
  const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(T.size());
  for (const char16_t* p = first; p != C.End;) {
    // Only the terminator's last code unit and, where they count, quotes stop the scan.
    while (p != C.End && *p != last && !(AQuoteAware && IsQuote(*p)))
      ++p;
    if (p == C.End)
      break;
    const char16_t c = *p++;
    if (AQuoteAware && IsQuote(c)) {
      p = std::find(p, C.End, c);
      if (p != C.End)
        ++p;
    } else if (p - first >= length && std::u16string_view(p - length, T.size()) == T) {
      AText = std::u16string_view(first, static_cast<std::size_t>(p - length - first));
      C.Pos = p;
      return true;
    }
  }
  C.Pos = C.End;
  return false;
}

namespace {

// Joins the raw tokens as they arrive: the "=" pass first, then the quote pass over its
// results, each in one forward sweep so that long tags stay linear.
class TTokenJoiner {
public:
  explicit TTokenJoiner(std::vector<std::u16string>& ATokens) : FTokens(ATokens) {}

  void Add(std::u16string_view ARaw) {
    if (FHasPending && ARaw.front() == u'=') {
      FPending.append(ARaw);
      return;
    }
    Finish();
    FPending.assign(ARaw);
    FHasPending = true;
  }

  void Finish() {
    if (!FHasPending)
      return;
    const bool hasEquals = FPending.find(u'=') != std::u16string::npos;
    if (!FTokens.empty() && IsQuote(FPending.front()) && FPreviousHasEquals)
      FTokens.back().append(FPending);
    else
      FTokens.push_back(std::move(FPending));
    FPreviousHasEquals = hasEquals;
    FPending.clear();
    FHasPending = false;
  }

private:
  std::vector<std::u16string>& FTokens;
  std::u16string FPending;
  bool FHasPending = false;
  bool FPreviousHasEquals = false;
};

// The whitespace-separated stretches of AText, quoted stretches kept whole, before any joining.
void SplitRawTokens(std::u16string_view AText, std::vector<std::u16string_view>& ARaw) {
  const std::u16string_view text = Trim(AText, IsXmlWhitespace);
  std::size_t tokenStart = 0;
  char16_t quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quote) {
      if (c == quote)
        quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if (IsXmlWhitespace(c)) {
      if (i > tokenStart)
        ARaw.push_back(text.substr(tokenStart, i - tokenStart));
      tokenStart = i + 1;
    }
  }
  if (text.size() > tokenStart)
    ARaw.push_back(text.substr(tokenStart));
}

void JoinRawTokens(const std::vector<std::u16string_view>& ARaw,
                   std::vector<std::u16string>& ATokens) {
  TTokenJoiner joiner(ATokens);
  for (const std::u16string_view raw : ARaw)
    joiner.Add(raw);
  joiner.Finish();
}

// Only a token after the first that starts with "=" or a quote can join the one before it.
bool NeedsJoining(const std::vector<std::u16string_view>& ARaw) {
  return std::any_of(ARaw.begin() + std::min<std::ptrdiff_t>(1, std::ssize(ARaw)), ARaw.end(),
                     [](std::u16string_view ARawToken) {
                       return ARawToken.front() == u'=' || IsQuote(ARawToken.front());
                     });
}

} // namespace

void SplitTagText(std::u16string_view AText, std::vector<std::u16string>& ATokens) {
  std::vector<std::u16string_view> raw;
  SplitRawTokens(AText, raw);
  if (raw.empty())
    return;
  ATokens.clear();
  JoinRawTokens(raw, ATokens);
}

void TTagTokens::Split(std::u16string_view AText) {
  FTokens.clear();
  SplitRawTokens(AText, FTokens);
  if (!NeedsJoining(FTokens))
    return;
  FJoined.clear();
  JoinRawTokens(FTokens, FJoined);
  FTokens.assign(FJoined.begin(), FJoined.end());
}

// ---- The parser ----

namespace {

constexpr std::size_t ProgressRunStep = 4096;

// A stretch of character data between two pieces of markup, with what matters about it.
struct TTextRun {
  std::u16string_view Text;
  bool HasCR = false;
  bool HasSpace = false;
  bool HasVisible = false; // a code unit above U+0020
};

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

// Parses nodes from a stream with a cursor over its text; the stream's position follows the
// cursor when the parser goes.
class TXmlParser {
public:
  TXmlParser(TXmlDocument* ADocument, TXmlStringStream& AStream);
  ~TXmlParser();
  TXmlParser(const TXmlParser&) = delete;
  TXmlParser& operator=(const TXmlParser&) = delete;

  // Parses into N, cleared first.
  void ParseNode(TXmlNode& N);
  // As ParseNode, into a node just made, which holds nothing to clear.
  void ParseNewNode(TXmlNode& N);
  // Characters outside markup at top level leave nothing behind: pass over them at once.
  void SkipStrayText() { FCursor.Pos = std::find(FCursor.Pos, FCursor.End, u'<'); }
  bool AtEnd() const { return FCursor.AtEnd(); }
  void NotifyProgress(int64_t APosition) const;
  // The stream's size when the parse began: a consumable stream is empty once its text is taken.
  int64_t StreamSize() const { return FStreamSize; }
  // An error raised while parsing stopped the reader where it stands, unless it says otherwise.
  void NoteStop(vbase::Exception& AError) const;

private:
  bool Aborted() const { return FDocument && FDocument->AbortParsing(); }
  // FTokens holds the tokens of AText, none for blank text.
  void SplitIntoTokens(std::u16string_view AText) { FTokens.Split(AText); }

  // A value or attribute line that is a view into the parsed text: moved down over text already
  // parsed and referred to where it lands when the store keeps the text, copied otherwise.
  // Views must come in the order of the text.
  void KeepValue(TXmlNode& N, std::u16string_view AText);
  void KeepLine(TXmlNode& N, std::u16string_view ALine);
  bool CanKeepInPlace(const TXmlNode& N, std::u16string_view AText) const;
  // Text before the cursor is never read again: the store may cut memory from it.
  void LendPassedText() const;
  void NotifyNodeNew(TXmlNode& N) const;
  void EndOfNode(TXmlNode& N) const;

  void ParseByKind(TXmlNode& N, const TTagType& ARow);
  void ParseStartTag(TXmlNode& N, const TTagType& ARow);
  void ParseTagText(TXmlNode& N, std::u16string_view AText);
  void ParseMarkupText(TXmlNode& N, const TTagType& ARow);
  void ParseDtdDeclaration(TXmlNode& N);
  void ReadDoctype(TXmlNode& N);
  void ReadContent(TXmlNode& N);
  TTextRun ReadTextRun();
  void ReadCloseTag(const TXmlNode& N, const char16_t* ALess);
  TXmlNode* ParseChild(TXmlNode& AParent);
  bool KeepsRun(const TTextRun& ARun, bool ABeforeChild) const;
  void FinishContent(TXmlNode& N, const TTextRun& ALastRun, bool AHasChildren);
  void FlushCharData(TXmlNode& N, const TTextRun& ARun, bool ABeforeChild);

  // One more level of nesting while a child is parsed, however its parse ends.
  struct TLevelGuard {
    explicit TLevelGuard(int32_t& ALevel) : Level(ALevel) { ++Level; }
    ~TLevelGuard() { --Level; }
    int32_t& Level;
  };

  TXmlDocument* FDocument;
  TXmlStringStream& FStream;
  const int64_t FStreamSize;
  TXmlCursor FCursor{};
  int32_t FLevel = 1;
  TTagTokens FTokens;
  // Set when the document's store took the stream's text: parsed values then stay in it.
  TXmlStore* FTextStore = nullptr;
  std::u16string* FText = nullptr;
};

TXmlParser::TXmlParser(TXmlDocument* ADocument, TXmlStringStream& AStream)
    : FDocument(ADocument), FStream(AStream), FStreamSize(AStream.Size()) {
  const std::size_t position = static_cast<std::size_t>(AStream.Position() / 2);
  const std::u16string* text = &AStream.DataString();
  if (FDocument && AStream.Consumable()) {
    FTextStore = FDocument->FStore;
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

TXmlNode* TXmlParser::ParseChild(TXmlNode& AParent) {
  if (FLevel >= MaxNestingDepth)
    throw EFilerError(u"Maximum nesting depth exceeded in element " + AParent.Name());
  LendPassedText();
  TXmlNode* child = AParent.NodeNew(u"");
  const TLevelGuard level(FLevel);
  ParseNewNode(*child);
  return child;
}

TTextRun TXmlParser::ReadTextRun() {
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

void TXmlParser::FinishContent(TXmlNode& N, const TTextRun& ALastRun, bool AHasChildren) {
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
    N.TakeValue(*first);
    N.NodeDelete(0);
  }
}

// ---- Node and document entry points ----

void TXmlNode::ParseNode(TXmlStringStream& S, TXmlDocument* ADocument) {
  TXmlParser parser(ADocument, S);
  parser.ParseNode(*this);
}

void TXmlNode::ReadFromString(std::u16string_view AValue) {
  TXmlStringStream stream{std::u16string(AValue)};
  ParseNode(stream, FDocument);
}

void TXmlDocument::ParseStream(TXmlStringStream& S) {
  FAbortParsing = false;
  ClearTopLevel();
  TXmlParser parser(this, S);
  try {
    parser.NotifyProgress(0);
    do {
      parser.SkipStrayText();
      TXmlNode* node = FRootNodes->NodeNew(u"");
      parser.ParseNewNode(*node);
      if (FAbortParsing)
        return;
      if (node->IsClear())
        FRootNodes->NodeDelete(FRootNodes->NodeCount() - 1);
    } while (!parser.AtEnd());
    parser.NotifyProgress(parser.StreamSize());
    CheckTopLevelStructure();
  } catch (vbase::Exception& error) {
    parser.NoteStop(error);
    throw;
  }
}

void TXmlDocument::ReadFromStringW(std::u16string_view AValue) {
  TXmlStringStream stream{std::u16string(AValue)};
  ParseStream(stream);
}

void TXmlDocument::CheckTopLevelStructure() const {
  int32_t roots = 0, lastRoot = -1, declarations = 0, firstDeclaration = -1, doctypes = 0,
          lastDoctype = -1, cdata = 0;
  for (int32_t i = 0; i < FRootNodes->NodeCount(); ++i) {
    switch (FRootNodes->Nodes(i)->ElementType()) {
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
  if (!FParserWarnings)
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

} // namespace vxml
