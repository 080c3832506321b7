// The in-memory XML tree: documents, nodes and node lists. Values and attribute values are
// kept in escaped form as they stand in a file; names are kept raw.
#pragma once

#include "vbase/Errors.h"
#include "vbase/IntegerText.h"
#include "vxml/Persistent.h"
#include "vxml/XmlDateTime.h"
#include "vxml/XmlGraphics.h"
#include "vxml/XmlText.h"
#include "vxml/XmlTypes.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

// Internal: the types of the node's stored fields, which the inline accessors below read for speed.
#include "vxml/detail/XmlNodeFields.h"

namespace vxml {

class TXmlDocument;
class TXmlNode;
// Where a document's nodes and texts are cut from: the layer's own.
class TXmlStore;

// Handlers are called with the document as Sender; an empty function is skipped.
using TXmlNodeEvent = std::function<void(TXmlDocument* aSender, TXmlNode* aNode)>;
using TXmlProgressEvent =
    std::function<void(TXmlDocument* aSender, int64_t aPosition, int64_t aSize)>;
using TXmlNodeCompareEvent =
    std::function<int32_t(TXmlDocument* aSender, TXmlNode* aNode1, TXmlNode* aNode2, void* aInfo)>;

// An ordered list of nodes it does not own: a node's children, or the result of a search.
class TXmlNodeList {
public:
  int32_t Count() const { return static_cast<int32_t>(fItems.size()); }
  TXmlNode* Items(int32_t aIndex) const { return fItems[static_cast<std::size_t>(aIndex)]; }
  int32_t Add(TXmlNode* aNode);
  void Insert(int32_t aIndex, TXmlNode* aNode);
  void Delete(int32_t aIndex);
  void Exchange(int32_t aIndex1, int32_t aIndex2);
  int32_t IndexOf(const TXmlNode* aNode) const;
  void Clear() { fItems.clear(); }

  auto begin() const { return fItems.begin(); }
  auto end() const { return fItems.end(); }

private:
  std::vector<TXmlNode*> fItems;
};

// Lifetime: a node lives as long as its holder (the parent it is attached to, or whoever took it
// detached) and reaches only its subtree, its ancestors and the document its tree is attached to,
// so a detached node has no parent and no document and outlives every document.
//
// Nodes made by the node model live in their document's store; one made with new or on the stack
// works the same. Either kind may be destroyed through a std::unique_ptr.
class TXmlNode : public TPersistent {
public:
  // Create: a detached xeNormal node cut from aDocument's storage (its own without one). Like
  // every detached node it follows no document until it is attached to one.
  explicit TXmlNode(TXmlDocument* aDocument);
  // Destroys the children and attribute lines; does not unlink the node from its parent.
  ~TXmlNode() override;
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;
  // Frees a node wherever it was made; the whole subtree goes without recursion.
  void operator delete(TXmlNode* aNode, std::destroying_delete_t);

  static std::unique_ptr<TXmlNode> CreateName(TXmlDocument* aDocument, std::u16string_view AName);
  static std::unique_ptr<TXmlNode>
  CreateNameValue(TXmlDocument* aDocument, std::u16string_view AName, std::u16string_view aValue);
  static std::unique_ptr<TXmlNode> CreateType(TXmlDocument* aDocument, TXmlElementType aType);

  const char* ClassName() const override { return "TXmlNode"; }
  void Assign(const TPersistent* aSource) override;

  // Plain fields.
  TXmlDocument* Document() const { return FDocument; }
  TXmlNode* Parent() const { return FParent; }
  TXmlElementType ElementType() const { return FElementType; }
  void SetElementType(TXmlElementType aType) { FElementType = aType; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t aTag) { FTag = aTag; }

  // The name is stored raw; TAB, LF, CR and space are rejected with
  // "Illegal character in node name "%s"".
  const std::u16string& Name() const { return *FName; }
  void SetName(std::u16string_view aValue);

  // Values: the stored (escaped) text, and typed views of it.
  std::u16string_view ValueDirect() const { return FValue.View(); }
  void SetValueDirect(std::u16string_view aValue);
  std::u16string ValueAsWidestring() const { return UnescapeText(FValue.View()); }
  void SetValueAsWidestring(std::u16string_view aValue);
  std::string ValueAsString() const;
  void SetValueAsString(std::string_view aValue);
  bool ValueAsBool() const { return TextToBool(FValue.View()); }
  void SetValueAsBool(bool aValue) { SetValueDirect(BoolToText(aValue)); }
  bool ValueAsBoolDef(bool aDefault) const;
  // Integers read the stored text as it is, without unescaping.
  int32_t ValueAsInteger() const;
  void SetValueAsInteger(int32_t aValue) { SetValueDirect(vbase::IntToText(aValue)); }
  int32_t ValueAsIntegerDef(int32_t aDefault) const;
  int64_t ValueAsInt64() const;
  void SetValueAsInt64(int64_t aValue) { SetValueDirect(vbase::IntToText(aValue)); }
  int64_t ValueAsInt64Def(int64_t aDefault) const;

  // Attribute lines. Lookups by name ignore ASCII letter case; the first match wins.
  int32_t AttributeCount() const;
  void AttributeAdd(std::u16string_view AName, std::u16string_view aValue);
  void AttributeAdd(std::u16string_view AName, int32_t aValue);
  // Appends a line exactly as given (the reader keeps the file's quotes and references).
  void AttributeLineAdd(std::u16string_view aLine);
  std::u16string AttributeByName(std::u16string_view AName) const;
  // As AttributeByName, still escaped: a view into the node's storage, valid while the line is.
  std::u16string_view AttributeByNameDirect(std::u16string_view AName) const;
  void SetAttributeByName(std::u16string_view AName, std::u16string_view aValue);
  std::u16string AttributeName(int32_t aIndex) const;
  void SetAttributeName(int32_t aIndex, std::u16string_view aValue);
  std::u16string AttributePair(int32_t aIndex) const;
  std::u16string AttributeValue(int32_t aIndex) const;
  void SetAttributeValue(int32_t aIndex, std::u16string_view aValue);
  int32_t AttributeValueAsInteger(int32_t aIndex) const;
  void SetAttributeValueAsInteger(int32_t aIndex, int32_t aValue);
  int32_t AttributeIndexByName(std::u16string_view AName) const;
  bool HasAttribute(std::u16string_view AName) const { return AttributeIndexByName(AName) >= 0; }
  void AttributeDelete(int32_t aIndex);
  void AttributeExchange(int32_t aIndex1, int32_t aIndex2);
  void AttributesClear();

  // Children. Indexes are 0-based; out of range reads give none and changes do nothing.
  int32_t NodeCount() const { return static_cast<int32_t>(FNodes.Count()); }
  TXmlNode* Nodes(int32_t aIndex) const {
    if (aIndex < 0 || aIndex >= NodeCount())
      return nullptr;
    return FNodes[static_cast<uint32_t>(aIndex)];
  }
  // Both attach aNode and move its subtree to this node's document. They take it only when it is
  // not this node or one holding it, and NodeInsert only when Index is 0..NodeCount; otherwise
  // the caller keeps it and NodeAdd gives -1.
  int32_t NodeAdd(std::unique_ptr<TXmlNode>&& aNode);
  void NodeInsert(int32_t aIndex, std::unique_ptr<TXmlNode>&& aNode);
  TXmlNode* NodeNew(std::u16string_view AName);
  TXmlNode* NodeNewAtIndex(int32_t aIndex, std::u16string_view AName);
  TXmlNode* NodeFindOrCreate(std::u16string_view AName);
  void NodeDelete(int32_t aIndex);
  int32_t NodeRemove(TXmlNode* aNode);
  // Detaches aNode without destroying it: it comes back with no parent and no document.
  std::unique_ptr<TXmlNode> NodeExtract(TXmlNode* aNode);
  void NodeExchange(int32_t aIndex1, int32_t aIndex2);
  void NodesClear();
  // Removes this node from its parent and destroys it; nothing without a parent.
  void Delete();
  void DeleteEmptyNodes();

  TXmlNode* NodeByName(std::u16string_view AName) const;
  int32_t NodeIndexOf(const TXmlNode* aNode) const;
  int32_t NodeIndexByName(std::u16string_view AName) const { return NodeIndexByNameFrom(AName, 0); }
  int32_t NodeIndexByNameFrom(std::u16string_view AName, int32_t aFrom) const;
  TXmlNode* NodeByElementType(TXmlElementType aElementType) const;
  TXmlNode* NodeByAttributeValue(std::u16string_view aNodeName, std::u16string_view aAttribName,
                                 std::u16string_view aAttribValue,
                                 bool aShouldRecurse = true) const;
  void NodesByName(std::u16string_view AName, TXmlNodeList* aList) const;

  // State and position in the tree.
  void Clear();
  bool IsEmpty() const;
  bool IsClear() const { return FName->empty() && IsEmpty(); }
  int32_t IndexInParent() const;
  int32_t TreeDepth() const;
  int32_t TotalNodeCount() const;
  std::u16string FullPath() const;
  std::u16string CascadedName() const;
  bool WriteOnDefault() const;
  // IndentString once per tree level in the readable layouts; empty in the compact one.
  std::u16string IndentText() const;

  // -- Reading a node from text (XmlParser.cpp).
  // Clears the node and parses the first node of aValue, with its subtree, into it; the rest
  // of the text is ignored. The node's document's settings and events apply (none: the defaults).
  void ReadFromString(std::u16string_view aValue);

  // -- Writing a node as text (XmlWriter.cpp).
  // This node and its subtree as text: indented at the node's own depth in its document, with
  // no line break at the end.
  std::u16string WriteToString() const;
  // The attribute part of a start tag: a blank before each stored attribute line, then "/" when
  // the node is written as an empty-element tag.
  std::u16string InnerTagText() const;

  // -- Typed values (XmlTypedValues.cpp), binary values, searches, sorting, comparison.
  // Floats read the stored text with its first "," taken as "." and raise "Cannot convert value
  // to float"; they are written with the document's FloatSignificantDigits and
  // FloatAllowScientific (6 and true without a document).
  double ValueAsFloat() const;
  void SetValueAsFloat(double aValue);
  double ValueAsFloatDef(double aDefault) const;
  TXmlDateTime ValueAsDateTime() const;
  void SetValueAsDateTime(TXmlDateTime aValue);
  TXmlDateTime ValueAsDateTimeDef(TXmlDateTime aDefault) const;

  // Binary values (XmlBinary.cpp). The encoding is the document's; BinHex without a document,
  // where setting it has no effect. In the readable layouts the encoded text is cut into lines
  // of 76 characters, each led by a line break and this node's indentation.
  TBinaryEncodingType BinaryEncoding() const;
  void SetBinaryEncoding(TBinaryEncodingType aValue);
  void BufferWrite(const void* aBuffer, int32_t aCount);
  // Raises EFilerError "Missing data in binary stream" when the value holds fewer than Count
  // bytes, and "Invalid character in binary stream" for a character the encoding has no use for.
  void BufferRead(void* aBuffer, int32_t aCount) const;
  // Raises EFilerError "Error while calculating streamlength" for a text of impossible length.
  int32_t BufferLength() const;
  // The value as bytes, always in Base64 whatever the document's setting.
  std::string BinaryString() const;
  void SetBinaryString(std::string_view aValue);

  // Settings kept as the values of named children. A read gives aDefault for a missing child
  // and for a value that does not convert. A write creates the child when needed, and does
  // nothing when WriteOnDefault is false and aValue equals aDefault.
  bool ReadBool(std::u16string_view AName, bool aDefault = false) const;
  int32_t ReadInteger(std::u16string_view AName, int32_t aDefault = 0) const;
  int64_t ReadInt64(std::u16string_view AName, int64_t aDefault = 0) const;
  double ReadFloat(std::u16string_view AName, double aDefault = 0) const;
  // aDefault only for a missing child: an empty value reads as "".
  std::u16string ReadString(std::u16string_view AName, std::u16string_view aDefault = u"") const;
  TXmlDateTime ReadDateTime(std::u16string_view AName, TXmlDateTime aDefault = {}) const;
  // Unlike the other reads, a present value that is not an integer raises EConvertError.
  TXmlColor ReadColor(std::u16string_view AName, TXmlColor aDefault = 0) const;
  void WriteBool(std::u16string_view AName, bool aValue, bool aDefault = false);
  void WriteInteger(std::u16string_view AName, int32_t aValue, int32_t aDefault = 0);
  void WriteInt64(std::u16string_view AName, int64_t aValue, int64_t aDefault = 0);
  void WriteFloat(std::u16string_view AName, double aValue, double aDefault = 0);
  void WriteString(std::u16string_view AName, std::u16string_view aValue,
                   std::u16string_view aDefault = u"");
  // Always written: a date has no default to skip.
  void WriteDateTime(std::u16string_view AName, TXmlDateTime aValue);
  // "$" and at least Digits upper-case hexadecimal digits of aValue's 32-bit pattern.
  void WriteHex(std::u16string_view AName, int32_t aValue, int32_t aDigits, int32_t aDefault = 0);
  // "$" and eight hexadecimal digits; black counts as the default.
  void WriteColor(std::u16string_view AName, TXmlColor aValue);

  // Drawing settings as a child aName with one child per member (XmlGraphics.cpp). A missing
  // child reads as the record's defaults.
  TXmlFont ReadFont(std::u16string_view AName) const;
  void WriteFont(std::u16string_view AName, const TXmlFont& aValue);
  TXmlPen ReadPen(std::u16string_view AName) const;
  void WritePen(std::u16string_view AName, const TXmlPen& aValue);
  TXmlBrush ReadBrush(std::u16string_view AName) const;
  void WriteBrush(std::u16string_view AName, const TXmlBrush& aValue);

  // The same for attributes. A read gives aDefault for a missing attribute and for a value
  // that does not convert; ReadAttributeString also for an empty value.
  bool ReadAttributeBool(std::u16string_view AName, bool aDefault = false) const;
  int32_t ReadAttributeInteger(std::u16string_view AName, int32_t aDefault = 0) const;
  int64_t ReadAttributeInt64(std::u16string_view AName, int64_t aDefault = 0) const;
  double ReadAttributeFloat(std::u16string_view AName, double aDefault = 0) const;
  std::u16string ReadAttributeString(std::u16string_view AName,
                                     std::u16string_view aDefault = u"") const;
  void WriteAttributeBool(std::u16string_view AName, bool aValue, bool aDefault = false);
  void WriteAttributeInteger(std::u16string_view AName, int32_t aValue, int32_t aDefault = 0);
  void WriteAttributeFloat(std::u16string_view AName, double aValue, double aDefault = 0);
  void WriteAttributeString(std::u16string_view AName, std::u16string_view aValue,
                            std::u16string_view aDefault = u"");

  // Subtree searches (XmlNodeSearch.cpp). NodeName is a name, a full path starting with "/"
  // (only matching path prefixes are entered), or "*" for any node. This node is not a candidate.
  TXmlNode* FindNode(std::u16string_view aNodeName) const;
  // Clears aList, then adds every match in document order.
  void FindNodes(std::u16string_view aNodeName, TXmlNodeList* aList) const;

  // Negative, zero or positive as Node1 orders before, with or after Node2.
  using TXmlNodeCompareFunction =
      std::function<int32_t(TXmlNode* aNode1, TXmlNode* aNode2, void* aInfo)>;
  // Quicksort of the direct children (not stable) by Compare, else the document's
  // OnNodeCompare, else the names (XmlNodeSort.cpp).
  void SortChildNodes(const TXmlNodeCompareFunction& aCompare = {}, void* aInfo = nullptr);

  // Compares this node with aNode under Options (XmlNodeCompare.cpp). Children are paired by
  // name; a child without partner or with another value is appended to MismatchNodes, a node
  // failing its own checks is inserted at its front. MismatchNodes may be none.
  bool IsEqualTo(TXmlNode* aNode, TXmlCompareOptions aOptions,
                 TXmlNodeList* aMismatchNodes = nullptr);

  // Byte offsets in the parsed text, set by the reader; 0 for nodes built in memory.
  int32_t StartPos = 0;
  int32_t EndPos = 0;
  int32_t EndValuePos = 0;
  int32_t StartValuePos = 0;

private:
  // The layer's own steps on a node: where its memory comes from and goes (XmlNodeMemory.h),
  // reading it and writing it.
  friend class TXmlDocument;
  friend class TXmlNodeMemory;
  friend class TXmlParser;
  friend class TXmlNodeWriter;

  // A node holding aStore, whose hold passes to the node.
  TXmlNode(TXmlStore* aStore, detail::TXmlStoreNotes aNotes);
  // The one way into a tree: the detached aNode becomes the child at aIndex, with this node as
  // its parent and this node's document for its subtree. On failure nothing has changed.
  TXmlNode* Attach(uint32_t aIndex, TXmlNode* aNode);
  // Whether aNode may be attached here: it must not be this node or hold it.
  bool CanTake(const TXmlNode& aNode) const;
  // The one way out of a tree: the child at aIndex leaves with no parent and no document.
  TXmlNode* Detach(uint32_t aIndex);
  // Sets aDocument on this node and its subtree, which all follow one document.
  void ChangeDocument(TXmlDocument* aDocument);

  detail::TXmlAttributeLines& EnsureAttributes();
  detail::TXmlAttributeLines* LinesIfIndex(int32_t aIndex) const;
  void AssignFromNode(const TXmlNode& aSource);
  // SetName without the check of its characters: for names that were valid where they came from.
  void SetNameDirect(std::u16string_view aValue);
  // A childless xeNormal node without value below the top level, unless UseFullNodes says no.
  bool IsEmptyElementTag() const;
  std::u16string FloatText(double aValue) const;
  TXmlNode* ChildByName(std::u16string_view AName) const;

  // The order packs the node into as few bytes as the fields allow.
  int32_t FTag = 0;
  mutable int32_t FIndexInParentCache = 0;
  // Where this node's texts and arrays live; the node keeps it alive.
  TXmlStore* fStore;
  TXmlDocument* FDocument = nullptr;
  TXmlNode* FParent = nullptr;
  const std::u16string* FName;
  detail::TXmlItems<TXmlNode*> FNodes;
  detail::TXmlAttributeLines FAttributes;
  [[no_unique_address]] detail::TXmlStoredText FValue;
  TXmlElementType FElementType = xeNormal;
  detail::TXmlStoreNotes fStoreNotes;
};

class TXmlDocument : public TPersistent {
public:
  // Create: the declaration (version 1.0, encoding utf-8) and an empty root element.
  TXmlDocument();
  // CreateName: as above with the root element named aRootName.
  explicit TXmlDocument(std::u16string_view aRootName);
  // As CreateName, with nodes cut from the storage of aStorageOf: memory that either document
  // frees serves the other, so a document built while another is taken apart needs little
  // memory of its own. The storage lasts until both are gone, or cleared or loaded again; the two
  // documents must be used by one thread at a time.
  TXmlDocument(std::u16string_view aRootName, const TXmlDocument& aStorageOf);
  ~TXmlDocument() override;
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  const char* ClassName() const override { return "TXmlDocument"; }
  void Assign(const TPersistent* aSource) override;
  void CopyDocument(const TXmlDocument* aSource);

  // Back to the declaration and an empty root, with the default settings.
  void Clear();
  void ApplyDefaults();
  bool IsEmpty() const;

  TXmlNode* Root() const;
  TXmlNode* RootNodeList() const { return FRootNodes.get(); }
  TXmlNode* StyleSheetNode();
  std::u16string EntityByName(std::u16string_view AName) const;

  std::u16string EncodingString() const;
  void SetEncodingString(std::u16string_view aValue);
  std::u16string VersionString() const;
  void SetVersionString(std::u16string_view aValue);
  std::u16string CommentString() const;
  void SetCommentString(std::u16string_view aValue);
  std::u16string LineBreakText() const;

  // -- Loading (XmlLoading.cpp; entity references in XmlEntities.cpp).
  // Missing or unreadable files raise EFOpenError "Cannot open file "%s". %s".
  void LoadFromFile(const std::u16string& aFileName);
  // Reads the stream from its start to its end and parses the bytes.
  void LoadFromStream(std::istream& aStream);
  // 8-bit text is read exactly like the bytes of a file, encoding detection included.
  void ReadFromString(std::string_view aValue);
  // UTF-16 text is parsed as it is: no encoding detection, no header check.
  void ReadFromStringW(std::u16string_view aValue);
  // Replaces references to DOCTYPE entities in Root's subtree: a reference in a value whose
  // entity holds markup becomes the parsed nodes; references in attributes become the text.
  // Runaway expansion raises EFilerError "Entity expansion limit exceeded".
  void ResolveEntityReferences();

  // -- Saving (XmlWriter.cpp).
  // The file is replaced only once every byte is written; a failed save leaves it as it was.
  void SaveToFile(const std::u16string& aFileName, bool aRespectEncoding);
  void SaveToStream(std::ostream& aStream, bool aRespectEncoding, bool aWriteBOM);
  // The whole document as UTF-16 text: top-level nodes joined by CR LF, no encoding step.
  std::u16string WriteToStringW();

  // Settings.
  bool AbortParsing() const { return FAbortParsing; }
  void SetAbortParsing(bool aValue) { FAbortParsing = aValue; }
  TBinaryEncodingType BinaryEncoding() const { return FBinaryEncoding; }
  void SetBinaryEncoding(TBinaryEncodingType aValue) { FBinaryEncoding = aValue; }
  bool DropCommentsOnParse() const { return FDropCommentsOnParse; }
  void SetDropCommentsOnParse(bool aValue) { FDropCommentsOnParse = aValue; }
  TStringEncodingType ExternalEncoding() const { return FExternalEncoding; }
  void SetExternalEncoding(TStringEncodingType aValue) { FExternalEncoding = aValue; }
  bool FloatAllowScientific() const { return FFloatAllowScientific; }
  void SetFloatAllowScientific(bool aValue) { FFloatAllowScientific = aValue; }
  int32_t FloatSignificantDigits() const { return FFloatSignificantDigits; }
  void SetFloatSignificantDigits(int32_t aValue) { FFloatSignificantDigits = aValue; }
  bool ParserWarnings() const { return FParserWarnings; }
  void SetParserWarnings(bool aValue) { FParserWarnings = aValue; }
  const std::u16string& IndentString() const { return FIndentString; }
  void SetIndentString(std::u16string aValue) { FIndentString = std::move(aValue); }
  bool UseFullNodes() const { return FUseFullNodes; }
  void SetUseFullNodes(bool aValue) { FUseFullNodes = aValue; }
  bool WriteOnDefault() const { return FWriteOnDefault; }
  void SetWriteOnDefault(bool aValue) { FWriteOnDefault = aValue; }
  TXmlFormatType XmlFormat() const { return FXmlFormat; }
  void SetXmlFormat(TXmlFormatType aValue) { FXmlFormat = aValue; }
  bool SortAttributes() const { return FSortAttributes; }
  void SetSortAttributes(bool aValue) { FSortAttributes = aValue; }
  bool ReadWhiteSpaceValues() const { return FReadWhiteSpaceValues; }
  void SetReadWhiteSpaceValues(bool aValue) { FReadWhiteSpaceValues = aValue; }

  TXmlNodeCompareEvent OnNodeCompare;
  TXmlNodeEvent OnNodeNew;
  TXmlNodeEvent OnNodeLoaded;
  TXmlProgressEvent OnProgress;

private:
  // The layer's own steps on the document's memory (XmlNodeMemory.h).
  friend class TXmlNodeMemory;

  // A new document on aStore, whose hold passes to the document.
  explicit TXmlDocument(TXmlStore* aStore);
  // The declaration (version 1.0, encoding utf-8) and an empty root element, to an empty list.
  void AddDeclarationAndRoot();
  TXmlNode* FirstTopLevelNode(TXmlElementType aType) const;
  TXmlNode* LeadingDeclaration() const;

  // Where the nodes made for this document live.
  TXmlStore* fStore;
  bool FAbortParsing = false;
  TBinaryEncodingType FBinaryEncoding = xbeBase64;
  bool FDropCommentsOnParse = false;
  TStringEncodingType FExternalEncoding = seUTF8;
  bool FFloatAllowScientific = true;
  int32_t FFloatSignificantDigits = 6;
  bool FParserWarnings = false;
  std::unique_ptr<TXmlNode> FRootNodes;
  std::u16string FIndentString;
  bool FUseFullNodes = false;
  bool FWriteOnDefault = true;
  TXmlFormatType FXmlFormat = xfCompact;
  bool FSortAttributes = false;
  bool FReadWhiteSpaceValues = false;
  mutable std::u16string FEncodingString;
};

} // namespace vxml
