// The parser: nodes from decoded UTF-16 text, with the document's settings and events.
#pragma once

#include "XmlTokenizer.h"
#include "vbase/Errors.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

class TXmlStringStream;

// Deeper elements fail with "Maximum nesting depth exceeded in element %s": the parser
// recurses once per level and must not run out of stack.
inline constexpr int32_t MaxNestingDepth = 1000;

// A stretch of character data between two pieces of markup, with what matters about it.
struct TTextRun {
  std::u16string_view Text;
  bool HasCR = false;
  bool HasSpace = false;
  bool HasVisible = false; // a code unit above U+0020
};

// Parses nodes from a stream with a cursor over its text; the stream's position follows the
// cursor when the parser goes.
class TXmlParser {
public:
  // ADocument's settings and events apply (none: the defaults); a consumable stream's text is
  // taken into ADocument's store and parsed in place.
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
  // The declarations of a document type and its internal subset (XmlDoctype.cpp).
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

// Replaces ADocument's top-level nodes with those parsed from the whole stream. The stream's text
// stays with the document when the stream is consumable.
void ParseStream(TXmlDocument& ADocument, TXmlStringStream& S);

} // namespace vxml
