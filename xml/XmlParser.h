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
  // aDocument's settings and events apply (none: the defaults); a consumable stream's text is
  // taken into aDocument's store and parsed in place.
  TXmlParser(TXmlDocument* aDocument, TXmlStringStream& aStream);
  ~TXmlParser();
  TXmlParser(const TXmlParser&) = delete;
  TXmlParser& operator=(const TXmlParser&) = delete;

  // Parses into N, cleared first.
  void ParseNode(TXmlNode& aN);
  // As ParseNode, into a node just made, which holds nothing to clear.
  void ParseNewNode(TXmlNode& aN);
  // Characters outside markup at top level leave nothing behind: pass over them at once.
  void SkipStrayText() { fCursor.Pos = std::find(fCursor.Pos, fCursor.End, u'<'); }
  bool AtEnd() const { return fCursor.AtEnd(); }
  void NotifyProgress(int64_t aPosition) const;
  // The stream's size when the parse began: a consumable stream is empty once its text is taken.
  int64_t StreamSize() const { return fStreamSize; }
  // An error raised while parsing stopped the reader where it stands, unless it says otherwise.
  void NoteStop(vbase::Exception& aError) const;

private:
  bool Aborted() const { return FDocument && FDocument->AbortParsing(); }
  // fTokens holds the tokens of aText, none for blank text.
  void SplitIntoTokens(std::u16string_view aText) { fTokens.Split(aText); }

  // A value or attribute line that is a view into the parsed text: moved down over text already
  // parsed and referred to where it lands when the store keeps the text, copied otherwise.
  // Views must come in the order of the text.
  void KeepValue(TXmlNode& aN, std::u16string_view aText);
  void KeepLine(TXmlNode& aN, std::u16string_view aLine);
  bool CanKeepInPlace(const TXmlNode& aN, std::u16string_view aText) const;
  // Text before the cursor is never read again: the store may cut memory from it.
  void LendPassedText() const;
  void NotifyNodeNew(TXmlNode& aN) const;
  void EndOfNode(TXmlNode& aN) const;

  void ParseByKind(TXmlNode& aN, const TTagType& aRow);
  void ParseStartTag(TXmlNode& aN, const TTagType& aRow);
  void ParseTagText(TXmlNode& aN, std::u16string_view aText);
  void ParseMarkupText(TXmlNode& aN, const TTagType& aRow);
  // The declarations of a document type and its internal subset (XmlDoctype.cpp).
  void ParseDtdDeclaration(TXmlNode& aN);
  void ReadDoctype(TXmlNode& aN);
  void ReadContent(TXmlNode& aN);
  TTextRun ReadTextRun();
  void ReadCloseTag(const TXmlNode& aN, const char16_t* aLess);
  TXmlNode* ParseChild(TXmlNode& aParent);
  bool KeepsRun(const TTextRun& aRun, bool aBeforeChild) const;
  void FinishContent(TXmlNode& aN, const TTextRun& aLastRun, bool aHasChildren);
  void FlushCharData(TXmlNode& aN, const TTextRun& aRun, bool aBeforeChild);

  // One more level of nesting while a child is parsed, however its parse ends.
  struct TLevelGuard {
    explicit TLevelGuard(int32_t& aLevel) : Level(aLevel) { ++Level; }
    ~TLevelGuard() { --Level; }
    int32_t& Level;
  };

  TXmlDocument* FDocument;
  TXmlStringStream& fStream;
  const int64_t fStreamSize;
  TXmlCursor fCursor{};
  int32_t fLevel = 1;
  TTagTokens fTokens;
  // Set when the document's store took the stream's text: parsed values then stay in it.
  TXmlStore* fTextStore = nullptr;
  std::u16string* fText = nullptr;
};

// Replaces aDocument's top-level nodes with those parsed from the whole stream. The stream's text
// stays with the document when the stream is consumable.
void ParseStream(TXmlDocument& aDocument, TXmlStringStream& aS);

} // namespace vxml
