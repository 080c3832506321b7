// The writer: nodes to UTF-16 text, the text to the bytes of a code page, the bytes to a
// stream or to a file that is replaced only once the new content is complete.
#include "XmlWriter.h"

#include "XmlStringBuilder.h"
#include "vbase/Characters.h"
#include "vbase/ReplacementFile.h"
#include "vbase/Utf8.h"
#include "vbase/Utf8Path.h"
#include "vcharset/CodePages.h"
#include "vcharset/EncodingNames.h"
#include "vcharset/uCharsetMap.h"
#include "vxml/XmlDocument.h"

#include <optional>
#include <ostream>
#include <vector>

namespace vxml {

using vbase::EFilerError;
using vbase::EWriteError;
using vbase::IsControlOrSpace;
using vbase::PathOfUtf8;
using vbase::TReplacementFile;
using vbase::TrimRight;
using vbase::Utf8Encode;
using vbase::Utf8EncodeTo;
using vcharset::CodePageFromCharsetName;
using vcharset::IsCodePageSupported;
using vcharset::StandardEncodingCodePage;
using vcharset::Utf16ToCodePage;

namespace {

constexpr std::u16string_view TopLevelSeparator = u"\r\n";

[[noreturn]] void RaiseIllegalElementType() {
  throw EFilerError(u"Illegal element type");
}

// The "<!KEYWORD name value" forms lose their trailing blanks and control characters, as if the
// whole formatted text had been trimmed (it always starts with "<").
void AddTrimmedDeclaration(TXmlStringBuilder& aS, std::u16string_view aStart,
                           std::u16string_view AName, std::u16string_view aValue) {
  aS.AddString(aStart);
  const std::u16string_view value = TrimRight(aValue, IsControlOrSpace);
  const std::u16string_view name = value.empty() ? TrimRight(AName, IsControlOrSpace) : AName;
  if (!name.empty() || !value.empty()) {
    aS.AddChar(u' ');
    aS.AddString(name);
  }
  if (!value.empty()) {
    aS.AddChar(u' ');
    aS.AddString(value);
  }
  aS.AddChar(u'>');
}

} // namespace

// Writes a subtree depth first with an explicit stack, so that a tree built in code to any
// depth cannot exhaust the call stack.
class TXmlNodeWriter {
public:
  explicit TXmlNodeWriter(TXmlStringBuilder& aS) : fOut(aS) {}

  void Write(const TXmlNode& aNode) {
    const int32_t depth = aNode.TreeDepth();
    if (!Open(aNode, depth)) {
      Complete(aNode);
      return;
    }
    std::vector<TFrame> stack{{&aNode, depth, 0}};
    while (!stack.empty()) {
      fOut.PassIfFull();
      TFrame& frame = stack.back();
      const TXmlNode& node = *frame.Node;
      if (frame.NextChild > 0)
        AddSeparatorAfter(node, frame.NextChild - 1);
      if (frame.NextChild == node.NodeCount()) {
        Close(node, frame.Depth);
        Complete(node);
        stack.pop_back();
        continue;
      }
      const TXmlNode& child = *node.Nodes(frame.NextChild++);
      const int32_t childDepth = frame.Depth + 1;
      PrefetchAhead(node, frame.NextChild, child);
      if (Open(child, childDepth))
        stack.push_back({&child, childDepth, 0}); // invalidates frame
      else
        Complete(child);
    }
  }

  void AddInnerTagText(const TXmlNode& aNode) {
    for (int32_t i = 0; i < aNode.FAttributes.Count(); ++i) {
      fOut.AddChar(u' ');
      fOut.AddString(aNode.FAttributes.Line(i));
    }
    if (aNode.IsEmptyElementTag())
      fOut.AddChar(u'/');
  }

private:
  // The nodes of a tree built while another was taken apart lie wherever memory came free, not
  // one after another: what is written next is asked for ahead, so that the fetches overlap.
  // Each stage reads only what the stage before asked for: the node after the next sibling, the
  // next sibling's value and attribute list, and aChild's own children and attribute lines.
  // Inlined by force: a function made of prefetches alone counts as free of effects, and its
  // calls are dropped.
  [[gnu::always_inline]] static void PrefetchAhead(const TXmlNode& aParent, int32_t aNextSibling,
                                                   const TXmlNode& aChild) {
    const int32_t siblings = aParent.NodeCount();
    if (aNextSibling + 1 < siblings)
      PrefetchNode(aParent.Nodes(aNextSibling + 1));
    if (aNextSibling < siblings) {
      const TXmlNode& next = *aParent.Nodes(aNextSibling);
      __builtin_prefetch(next.FValue.View().data());
      __builtin_prefetch(next.FAttributes.Memory());
    }
    for (int32_t i = 0; i < aChild.NodeCount() && i < PrefetchedChildren; ++i)
      PrefetchNode(aChild.Nodes(i));
    for (int32_t i = 0; i < aChild.FAttributes.Count(); ++i)
      __builtin_prefetch(aChild.FAttributes.Line(i).data());
  }
  // Every cache line the node touches.
  [[gnu::always_inline]] static void PrefetchNode(const TXmlNode* aNode) {
    const auto* first = reinterpret_cast<const char*>(aNode);
    for (std::size_t offset = 0; offset < sizeof(TXmlNode); offset += 64)
      __builtin_prefetch(first + offset);
    __builtin_prefetch(first + sizeof(TXmlNode) - 1);
  }
  static constexpr int32_t PrefetchedChildren = 8;

  struct TFrame {
    const TXmlNode* Node;
    int32_t Depth;
    int32_t NextChild;
  };

  // Appends the node's text up to its children; true when children and a closing part follow.
  bool Open(const TXmlNode& aNode, int32_t aDepth) {
    const TXmlElementType kind = aNode.FElementType;
    if (kind > xeUnknown)
      RaiseIllegalElementType();
    if (kind != xeCharData)
      AddIndent(aNode, aDepth);
    if (kind == xeNormal) {
      OpenElement(aNode);
      return true;
    }
    if (kind == xeDoctype && aNode.NodeCount() > 0) {
      OpenDoctypeSubset(aNode);
      return true;
    }
    AddLeaf(aNode);
    return false;
  }

  void OpenElement(const TXmlNode& aNode) {
    fOut.AddChar(u'<');
    if (StartsLikeOtherMarkup(aNode))
      fOut.AddChar(u' ');
    fOut.AddString(*aNode.FName);
    AddInnerTagText(aNode);
    if (!aNode.IsEmptyElementTag() && EndsWithSlash(aNode))
      fOut.AddChar(u' ');
    fOut.AddChar(u'>');
    fOut.AddString(aNode.FValue.View());
    if (aNode.NodeCount() > 0)
      fOut.AddString(LineBreak(aNode));
  }

  // Right after the "<", a top-level name starting with "?" or "!" would read back as another
  // kind of markup; after a blank the reader takes it as the element's name.
  static bool StartsLikeOtherMarkup(const TXmlNode& aNode) {
    const bool topLevel = aNode.FParent && !aNode.FParent->FParent;
    return topLevel && (aNode.FName->starts_with(u'?') || aNode.FName->starts_with(u'!'));
  }

  // A start tag whose text ends in "/" would read back as an empty-element tag; a blank before
  // the ">" keeps it open.
  static bool EndsWithSlash(const TXmlNode& aNode) {
    const int32_t attributes = aNode.AttributeCount();
    const std::u16string_view last =
        attributes > 0 ? aNode.FAttributes.Line(attributes - 1) : *aNode.FName;
    return !last.empty() && last.back() == u'/';
  }

  // With a subset the form is not trimmed: an empty value leaves two blanks before the "[".
  void OpenDoctypeSubset(const TXmlNode& aNode) {
    fOut.AddString(u"<!DOCTYPE ");
    fOut.AddString(*aNode.FName);
    fOut.AddChar(u' ');
    fOut.AddString(aNode.FValue.View());
    fOut.AddString(u" [");
    fOut.AddString(LineBreak(aNode));
  }

  // Kinds whose text is complete without their children.
  void AddLeaf(const TXmlNode& aNode) {
    const std::u16string_view name = *aNode.FName;
    const std::u16string_view value = aNode.FValue.View();
    switch (aNode.FElementType) {
    case xeComment:
      return AddWrapped(u"<!--", value, u"-->");
    case xeCData:
      return AddWrapped(u"<![CDATA[", value, u"]]>");
    case xeDeclaration:
      return AddTagWithAttributes(aNode, u"<?xml", u"?>");
    case xeStylesheet:
      return AddTagWithAttributes(aNode, u"<?xml-stylesheet", u"?>");
    case xeDoctype:
      return AddTrimmedDeclaration(fOut, u"<!DOCTYPE", name, value);
    case xeElement:
      return AddTrimmedDeclaration(fOut, u"<!ELEMENT", name, value);
    case xeAttList:
      return AddTrimmedDeclaration(fOut, u"<!ATTLIST", name, value);
    case xeEntity:
      return AddTrimmedDeclaration(fOut, u"<!ENTITY", name, value);
    case xeNotation:
      return AddTrimmedDeclaration(fOut, u"<!NOTATION", name, value);
    case xeExclam:
      return AddWrapped(u"<!", value, u">");
    case xeQuestion:
      return AddWrapped(u"<?", value, u"?>");
    case xeCharData:
      return fOut.AddString(value);
    case xeUnknown:
      return AddWrapped(u"<", value, u">");
    case xeNormal:
      break;
    }
  }

  // Elements break the line after each child unless character data stands on either side;
  // a document type puts every declaration of its subset on a line of its own.
  void AddSeparatorAfter(const TXmlNode& aParent, int32_t aIndex) {
    if (aParent.FElementType == xeNormal) {
      const TXmlNode* next = aParent.Nodes(aIndex + 1);
      if (aParent.Nodes(aIndex)->FElementType == xeCharData ||
          (next && next->FElementType == xeCharData))
        return;
    }
    fOut.AddString(LineBreak(aParent));
  }

  void Close(const TXmlNode& aNode, int32_t aDepth) {
    if (aNode.FElementType == xeDoctype) {
      fOut.AddString(u"]>");
      return;
    }
    if (aNode.IsEmptyElementTag())
      return;
    if (aNode.NodeCount() > 0)
      AddIndent(aNode, aDepth);
    fOut.AddString(u"</");
    fOut.AddString(*aNode.FName);
    fOut.AddChar(u'>');
  }

  // A node reports once its whole text is written, so children report before their parent.
  static void Complete(const TXmlNode& aNode) {
    TXmlDocument* document = aNode.FDocument;
    if (document && document->OnProgress)
      document->OnProgress(document, 0, 0);
  }

  void AddWrapped(std::u16string_view aStart, std::u16string_view aText,
                  std::u16string_view aClose) {
    fOut.AddString(aStart);
    fOut.AddString(aText);
    fOut.AddString(aClose);
  }

  void AddTagWithAttributes(const TXmlNode& aNode, std::u16string_view aStart,
                            std::u16string_view aClose) {
    fOut.AddString(aStart);
    AddInnerTagText(aNode);
    fOut.AddString(aClose);
  }

  // The compact layout has neither line breaks nor indentation; a node without a document
  // writes neither.
  void AddIndent(const TXmlNode& aNode, int32_t aDepth) {
    if (LineBreak(aNode).empty())
      return;
    for (int32_t level = 0; level < aDepth; ++level)
      fOut.AddString(aNode.FDocument->IndentString());
  }

  const std::u16string& LineBreak(const TXmlNode& aNode) {
    if (aNode.FDocument != fLayoutDocument) {
      fLayoutDocument = aNode.FDocument;
      fLineBreak = fLayoutDocument ? fLayoutDocument->LineBreakText() : std::u16string();
    }
    return fLineBreak;
  }

  TXmlStringBuilder& fOut;
  // Nodes of one tree nearly always share a document: its line break is looked up once.
  const TXmlDocument* fLayoutDocument = nullptr;
  std::u16string fLineBreak;
};

// ---- TXmlNode ----

bool TXmlNode::IsEmptyElementTag() const {
  // Below the top level means a grandparent: the document's container is the parent of the
  // top-level nodes.
  const bool belowTopLevel = FParent && FParent->FParent;
  return FValue.Empty() && NodeCount() == 0 && FElementType == xeNormal &&
         !(FDocument && FDocument->UseFullNodes()) && belowTopLevel;
}

std::u16string TXmlNode::InnerTagText() const {
  TXmlStringBuilder text;
  TXmlNodeWriter(text).AddInnerTagText(*this);
  return text.TakeValue();
}

std::u16string TXmlNode::WriteToString() const {
  TXmlStringBuilder text;
  TXmlNodeWriter(text).Write(*this);
  return text.TakeValue();
}

// ---- TXmlDocument: text ----

namespace {

void ReportProgress(TXmlDocument& aDocument) {
  if (aDocument.OnProgress)
    aDocument.OnProgress(&aDocument, 0, 0);
}

void RequireRootElement(const TXmlDocument& aDocument) {
  if (aDocument.ParserWarnings() && !aDocument.Root())
    throw EFilerError(u"XML root element not defined.");
}

} // namespace

void WriteToStreamW(TXmlDocument& aDocument, TXmlStringBuilder& aS) {
  RequireRootElement(aDocument);
  ReportProgress(aDocument);
  TXmlNodeWriter writer(aS);
  const TXmlNode& topLevel = *aDocument.RootNodeList();
  for (int32_t i = 0; i < topLevel.NodeCount(); ++i) {
    if (i > 0)
      aS.AddString(TopLevelSeparator);
    writer.Write(*topLevel.Nodes(i));
  }
  ReportProgress(aDocument);
}

std::u16string TXmlDocument::WriteToStringW() {
  TXmlStringBuilder text;
  WriteToStreamW(*this, text);
  return text.TakeValue();
}

// ---- TXmlDocument: bytes ----

namespace {

// The table's name wins only for a code page the platform converts; otherwise the
// character-set map decides. A document that names no encoding (loaded without declaration, or
// with a declaration that lacks one) is written as UTF-8, the encoding a reader assumes for it:
// the map's answer for an empty name, US-ASCII, would turn every other character into "?".
uint32_t CodePageOfEncoding(std::u16string_view aEncoding) {
  if (aEncoding.empty())
    return 65001;
  const std::optional<uint32_t> standard = StandardEncodingCodePage(aEncoding);
  if (standard && IsCodePageSupported(*standard))
    return *standard;
  return CodePageFromCharsetName(aEncoding);
}

std::string_view ByteOrderMark(uint32_t aCodePage) {
  switch (aCodePage) {
  case 1200:
    return "\xFF\xFE";
  case 1201:
    return "\xFE\xFF";
  case 65001:
    return "\xEF\xBB\xBF";
  default:
    return {};
  }
}

} // namespace

namespace {

// Code pages that convert each code unit on its own (a surrogate pair kept together), so the text
// can be converted and written piece by piece instead of being held whole twice over.
bool ConvertsInPieces(uint32_t aCodePage) {
  return aCodePage == 1200 || aCodePage == 1201 || aCodePage == 65001;
}

constexpr std::size_t PieceUnits = 64 * 1024;

// One piece of the text in the code page, held in aBuffer, which keeps its room from piece to
// piece: UTF-8, the usual case, is written into that room without clearing it first.
std::string_view EncodePiece(uint32_t aCodePage, std::u16string_view aPiece, std::string& aBuffer) {
  if (aCodePage != 65001) {
    aBuffer = Utf16ToCodePage(aCodePage, aPiece);
    return aBuffer;
  }
  if (aBuffer.size() < 3 * aPiece.size())
    aBuffer.resize(3 * aPiece.size());
  const char* end = Utf8EncodeTo(aPiece, aBuffer.data());
  return {aBuffer.data(), static_cast<std::size_t>(end - aBuffer.data())};
}

// The file's bytes, the text in the code page of EncodingString after the optional BOM, handed to
// aWrite in pieces. aOpen comes first, once the text is known to be writable in that code page;
// for code pages converted whole, after the whole text is built.
void EncodeForSaving(TXmlDocument& aDocument, bool aRespectEncoding, bool aWriteBOM,
                     const std::function<void()>& aOpen,
                     const std::function<void(std::string_view)>& aWrite) {
  if (!aRespectEncoding)
    aDocument.SetEncodingString(u"UTF-8");
  const uint32_t codePage = CodePageOfEncoding(aDocument.EncodingString());
  if (!ConvertsInPieces(codePage)) {
    // Text and encoding errors come before anything is opened.
    std::string bytes = Utf16ToCodePage(codePage, aDocument.WriteToStringW());
    if (aWriteBOM)
      bytes.insert(0, ByteOrderMark(codePage));
    aOpen();
    aWrite(bytes);
    return;
  }
  RequireRootElement(aDocument);
  aOpen();
  if (aWriteBOM)
    aWrite(ByteOrderMark(codePage));
  TXmlStringBuilder text;
  std::string bytes;
  text.SetSink([&](std::u16string_view aPiece) { aWrite(EncodePiece(codePage, aPiece, bytes)); },
               PieceUnits);
  WriteToStreamW(aDocument, text);
  text.Pass();
}

} // namespace

void TXmlDocument::SaveToStream(std::ostream& aStream, bool aRespectEncoding, bool aWriteBOM) {
  EncodeForSaving(
      *this, aRespectEncoding, aWriteBOM, [] {},
      [&](std::string_view aBytes) {
        if (!aStream.write(aBytes.data(), static_cast<std::streamsize>(aBytes.size())))
          throw EWriteError(u"Stream write error");
      });
  // A buffering stream may only fail when it passes the bytes on, so the flush counts too.
  if (!aStream.flush())
    throw EWriteError(u"Stream write error");
}

// ---- TXmlDocument: files ----

void TXmlDocument::SaveToFile(const std::u16string& aFileName, bool aRespectEncoding) {
  std::optional<TReplacementFile> file;
  EncodeForSaving(
      *this, aRespectEncoding, true, [&] { file.emplace(PathOfUtf8(Utf8Encode(aFileName))); },
      [&](std::string_view aBytes) { file->Write(aBytes); });
  file->Commit();
}

} // namespace vxml
