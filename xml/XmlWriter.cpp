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
void AddTrimmedDeclaration(TXmlStringBuilder& S, std::u16string_view AStart,
                           std::u16string_view AName, std::u16string_view AValue) {
  S.AddString(AStart);
  const std::u16string_view value = TrimRight(AValue, IsControlOrSpace);
  const std::u16string_view name = value.empty() ? TrimRight(AName, IsControlOrSpace) : AName;
  if (!name.empty() || !value.empty()) {
    S.AddChar(u' ');
    S.AddString(name);
  }
  if (!value.empty()) {
    S.AddChar(u' ');
    S.AddString(value);
  }
  S.AddChar(u'>');
}

} // namespace

// Writes a subtree depth first with an explicit stack, so that a tree built in code to any
// depth cannot exhaust the call stack.
class TXmlNodeWriter {
public:
  explicit TXmlNodeWriter(TXmlStringBuilder& S) : FOut(S) {}

  void Write(const TXmlNode& ANode) {
    const int32_t depth = ANode.TreeDepth();
    if (!Open(ANode, depth)) {
      Complete(ANode);
      return;
    }
    std::vector<TFrame> stack{{&ANode, depth, 0}};
    while (!stack.empty()) {
      FOut.PassIfFull();
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

  void AddInnerTagText(const TXmlNode& ANode) {
    for (int32_t i = 0; i < ANode.FAttributes.Count(); ++i) {
      FOut.AddChar(u' ');
      FOut.AddString(ANode.FAttributes.Line(i));
    }
    if (ANode.IsEmptyElementTag())
      FOut.AddChar(u'/');
  }

private:
  // The nodes of a tree built while another was taken apart lie wherever memory came free, not
  // one after another: what is written next is asked for ahead, so that the fetches overlap.
  // Each stage reads only what the stage before asked for: the node after the next sibling, the
  // next sibling's value and attribute list, and AChild's own children and attribute lines.
  // Inlined by force: a function made of prefetches alone counts as free of effects, and its
  // calls are dropped.
  [[gnu::always_inline]] static void PrefetchAhead(const TXmlNode& AParent, int32_t ANextSibling,
                                                   const TXmlNode& AChild) {
    const int32_t siblings = AParent.NodeCount();
    if (ANextSibling + 1 < siblings)
      PrefetchNode(AParent.Nodes(ANextSibling + 1));
    if (ANextSibling < siblings) {
      const TXmlNode& next = *AParent.Nodes(ANextSibling);
      __builtin_prefetch(next.FValue.View().data());
      __builtin_prefetch(next.FAttributes.Memory());
    }
    for (int32_t i = 0; i < AChild.NodeCount() && i < PrefetchedChildren; ++i)
      PrefetchNode(AChild.Nodes(i));
    for (int32_t i = 0; i < AChild.FAttributes.Count(); ++i)
      __builtin_prefetch(AChild.FAttributes.Line(i).data());
  }
  // Every cache line the node touches.
  [[gnu::always_inline]] static void PrefetchNode(const TXmlNode* ANode) {
    const auto* first = reinterpret_cast<const char*>(ANode);
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
  bool Open(const TXmlNode& ANode, int32_t ADepth) {
    const TXmlElementType kind = ANode.FElementType;
    if (kind > xeUnknown)
      RaiseIllegalElementType();
    if (kind != xeCharData)
      AddIndent(ANode, ADepth);
    if (kind == xeNormal) {
      OpenElement(ANode);
      return true;
    }
    if (kind == xeDoctype && ANode.NodeCount() > 0) {
      OpenDoctypeSubset(ANode);
      return true;
    }
    AddLeaf(ANode);
    return false;
  }

  void OpenElement(const TXmlNode& ANode) {
    FOut.AddChar(u'<');
    if (StartsLikeOtherMarkup(ANode))
      FOut.AddChar(u' ');
    FOut.AddString(*ANode.FName);
    AddInnerTagText(ANode);
    if (!ANode.IsEmptyElementTag() && EndsWithSlash(ANode))
      FOut.AddChar(u' ');
    FOut.AddChar(u'>');
    FOut.AddString(ANode.FValue.View());
    if (ANode.NodeCount() > 0)
      FOut.AddString(LineBreak(ANode));
  }

  // Right after the "<", a top-level name starting with "?" or "!" would read back as another
  // kind of markup; after a blank the reader takes it as the element's name.
  static bool StartsLikeOtherMarkup(const TXmlNode& ANode) {
    const bool topLevel = ANode.FParent && !ANode.FParent->FParent;
    return topLevel && (ANode.FName->starts_with(u'?') || ANode.FName->starts_with(u'!'));
  }

  // A start tag whose text ends in "/" would read back as an empty-element tag; a blank before
  // the ">" keeps it open.
  static bool EndsWithSlash(const TXmlNode& ANode) {
    const int32_t attributes = ANode.AttributeCount();
    const std::u16string_view last =
        attributes > 0 ? ANode.FAttributes.Line(attributes - 1) : *ANode.FName;
    return !last.empty() && last.back() == u'/';
  }

  // With a subset the form is not trimmed: an empty value leaves two blanks before the "[".
  void OpenDoctypeSubset(const TXmlNode& ANode) {
    FOut.AddString(u"<!DOCTYPE ");
    FOut.AddString(*ANode.FName);
    FOut.AddChar(u' ');
    FOut.AddString(ANode.FValue.View());
    FOut.AddString(u" [");
    FOut.AddString(LineBreak(ANode));
  }

  // Kinds whose text is complete without their children.
  void AddLeaf(const TXmlNode& ANode) {
    const std::u16string_view name = *ANode.FName;
    const std::u16string_view value = ANode.FValue.View();
    switch (ANode.FElementType) {
    case xeComment:
      return AddWrapped(u"<!--", value, u"-->");
    case xeCData:
      return AddWrapped(u"<![CDATA[", value, u"]]>");
    case xeDeclaration:
      return AddTagWithAttributes(ANode, u"<?xml", u"?>");
    case xeStylesheet:
      return AddTagWithAttributes(ANode, u"<?xml-stylesheet", u"?>");
    case xeDoctype:
      return AddTrimmedDeclaration(FOut, u"<!DOCTYPE", name, value);
    case xeElement:
      return AddTrimmedDeclaration(FOut, u"<!ELEMENT", name, value);
    case xeAttList:
      return AddTrimmedDeclaration(FOut, u"<!ATTLIST", name, value);
    case xeEntity:
      return AddTrimmedDeclaration(FOut, u"<!ENTITY", name, value);
    case xeNotation:
      return AddTrimmedDeclaration(FOut, u"<!NOTATION", name, value);
    case xeExclam:
      return AddWrapped(u"<!", value, u">");
    case xeQuestion:
      return AddWrapped(u"<?", value, u"?>");
    case xeCharData:
      return FOut.AddString(value);
    case xeUnknown:
      return AddWrapped(u"<", value, u">");
    case xeNormal:
      break;
    }
  }

  // Elements break the line after each child unless character data stands on either side;
  // a document type puts every declaration of its subset on a line of its own.
  void AddSeparatorAfter(const TXmlNode& AParent, int32_t AIndex) {
    if (AParent.FElementType == xeNormal) {
      const TXmlNode* next = AParent.Nodes(AIndex + 1);
      if (AParent.Nodes(AIndex)->FElementType == xeCharData ||
          (next && next->FElementType == xeCharData))
        return;
    }
    FOut.AddString(LineBreak(AParent));
  }

  void Close(const TXmlNode& ANode, int32_t ADepth) {
    if (ANode.FElementType == xeDoctype) {
      FOut.AddString(u"]>");
      return;
    }
    if (ANode.IsEmptyElementTag())
      return;
    if (ANode.NodeCount() > 0)
      AddIndent(ANode, ADepth);
    FOut.AddString(u"</");
    FOut.AddString(*ANode.FName);
    FOut.AddChar(u'>');
  }

  // A node reports once its whole text is written, so children report before their parent.
  static void Complete(const TXmlNode& ANode) {
    TXmlDocument* document = ANode.FDocument;
    if (document && document->OnProgress)
      document->OnProgress(document, 0, 0);
  }

  void AddWrapped(std::u16string_view AStart, std::u16string_view AText,
                  std::u16string_view AClose) {
    FOut.AddString(AStart);
    FOut.AddString(AText);
    FOut.AddString(AClose);
  }

  void AddTagWithAttributes(const TXmlNode& ANode, std::u16string_view AStart,
                            std::u16string_view AClose) {
    FOut.AddString(AStart);
    AddInnerTagText(ANode);
    FOut.AddString(AClose);
  }

  // The compact layout has neither line breaks nor indentation; a node without a document
  // writes neither.
  void AddIndent(const TXmlNode& ANode, int32_t ADepth) {
    if (LineBreak(ANode).empty())
      return;
    for (int32_t level = 0; level < ADepth; ++level)
      FOut.AddString(ANode.FDocument->IndentString());
  }

  const std::u16string& LineBreak(const TXmlNode& ANode) {
    if (ANode.FDocument != FLayoutDocument) {
      FLayoutDocument = ANode.FDocument;
      FLineBreak = FLayoutDocument ? FLayoutDocument->LineBreakText() : std::u16string();
    }
    return FLineBreak;
  }

  TXmlStringBuilder& FOut;
  // Nodes of one tree nearly always share a document: its line break is looked up once.
  const TXmlDocument* FLayoutDocument = nullptr;
  std::u16string FLineBreak;
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

void ReportProgress(TXmlDocument& ADocument) {
  if (ADocument.OnProgress)
    ADocument.OnProgress(&ADocument, 0, 0);
}

void RequireRootElement(const TXmlDocument& ADocument) {
  if (ADocument.ParserWarnings() && !ADocument.Root())
    throw EFilerError(u"XML root element not defined.");
}

} // namespace

void WriteToStreamW(TXmlDocument& ADocument, TXmlStringBuilder& S) {
  RequireRootElement(ADocument);
  ReportProgress(ADocument);
  TXmlNodeWriter writer(S);
  const TXmlNode& topLevel = *ADocument.RootNodeList();
  for (int32_t i = 0; i < topLevel.NodeCount(); ++i) {
    if (i > 0)
      S.AddString(TopLevelSeparator);
    writer.Write(*topLevel.Nodes(i));
  }
  ReportProgress(ADocument);
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
uint32_t CodePageOfEncoding(std::u16string_view AEncoding) {
  if (AEncoding.empty())
    return 65001;
  const std::optional<uint32_t> standard = StandardEncodingCodePage(AEncoding);
  if (standard && IsCodePageSupported(*standard))
    return *standard;
  return CodePageFromCharsetName(AEncoding);
}

std::string_view ByteOrderMark(uint32_t ACodePage) {
  switch (ACodePage) {
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
bool ConvertsInPieces(uint32_t ACodePage) {
  return ACodePage == 1200 || ACodePage == 1201 || ACodePage == 65001;
}

constexpr std::size_t PieceUnits = 64 * 1024;

// One piece of the text in the code page, held in ABuffer, which keeps its room from piece to
// piece: UTF-8, the usual case, is written into that room without clearing it first.
std::string_view EncodePiece(uint32_t ACodePage, std::u16string_view APiece, std::string& ABuffer) {
  if (ACodePage != 65001) {
    ABuffer = Utf16ToCodePage(ACodePage, APiece);
    return ABuffer;
  }
  if (ABuffer.size() < 3 * APiece.size())
    ABuffer.resize(3 * APiece.size());
  const char* end = Utf8EncodeTo(APiece, ABuffer.data());
  return {ABuffer.data(), static_cast<std::size_t>(end - ABuffer.data())};
}

// The file's bytes, the text in the code page of EncodingString after the optional BOM, handed to
// AWrite in pieces. AOpen comes first, once the text is known to be writable in that code page;
// for code pages converted whole, after the whole text is built.
void EncodeForSaving(TXmlDocument& ADocument, bool RespectEncoding, bool WriteBOM,
                     const std::function<void()>& AOpen,
                     const std::function<void(std::string_view)>& AWrite) {
  if (!RespectEncoding)
    ADocument.SetEncodingString(u"UTF-8");
  const uint32_t codePage = CodePageOfEncoding(ADocument.EncodingString());
  if (!ConvertsInPieces(codePage)) {
    // Text and encoding errors come before anything is opened.
    std::string bytes = Utf16ToCodePage(codePage, ADocument.WriteToStringW());
    if (WriteBOM)
      bytes.insert(0, ByteOrderMark(codePage));
    AOpen();
    AWrite(bytes);
    return;
  }
  RequireRootElement(ADocument);
  AOpen();
  if (WriteBOM)
    AWrite(ByteOrderMark(codePage));
  TXmlStringBuilder text;
  std::string bytes;
  text.SetSink([&](std::u16string_view APiece) { AWrite(EncodePiece(codePage, APiece, bytes)); },
               PieceUnits);
  WriteToStreamW(ADocument, text);
  text.Pass();
}

} // namespace

void TXmlDocument::SaveToStream(std::ostream& Stream, bool RespectEncoding, bool WriteBOM) {
  EncodeForSaving(
      *this, RespectEncoding, WriteBOM, [] {},
      [&](std::string_view ABytes) {
        if (!Stream.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size())))
          throw EWriteError(u"Stream write error");
      });
  // A buffering stream may only fail when it passes the bytes on, so the flush counts too.
  if (!Stream.flush())
    throw EWriteError(u"Stream write error");
}

// ---- TXmlDocument: files ----

void TXmlDocument::SaveToFile(const std::u16string& FileName, bool RespectEncoding) {
  std::optional<TReplacementFile> file;
  EncodeForSaving(
      *this, RespectEncoding, true, [&] { file.emplace(PathOfUtf8(Utf8Encode(FileName))); },
      [&](std::string_view ABytes) { file->Write(ABytes); });
  file->Commit();
}

} // namespace vxml
