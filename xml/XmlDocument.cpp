#include "vxml/XmlDocument.h"

#include "XmlNodeMemory.h"
#include "vbase/Characters.h"

#include <algorithm>

namespace vxml {

using vbase::TrimControlChars;

// The container is made with new: it must not live in a store that the document replaces. It is
// the one node without a parent that follows a document: the document holds it.
TXmlDocument::TXmlDocument(TXmlStore* aStore)
    : fStore(aStore), FRootNodes(std::make_unique<TXmlNode>(this)) {
  FRootNodes->FDocument = this;
  ApplyDefaults();
  AddDeclarationAndRoot();
}

TXmlDocument::TXmlDocument() : TXmlDocument(TXmlStore::Create()) {}

// The root is named once the document is whole: a name that fails then destroys it.
TXmlDocument::TXmlDocument(std::u16string_view aRootName) : TXmlDocument(TXmlStore::Create()) {
  Root()->SetName(aRootName);
}

namespace {

TXmlStore* HoldStore(TXmlStore* aStore) {
  aStore->AddRef();
  return aStore;
}

} // namespace

TXmlDocument::TXmlDocument(std::u16string_view aRootName, const TXmlDocument& aStorageOf)
    : TXmlDocument(HoldStore(aStorageOf.fStore)) {
  Root()->SetName(aRootName);
}

TXmlDocument::~TXmlDocument() {
  TXmlNodeMemory::DropTopLevel(*this);
  FRootNodes.reset();
  fStore->Release();
}

void TXmlDocument::Assign(const TPersistent* aSource) {
  if (const auto* document = dynamic_cast<const TXmlDocument*>(aSource)) {
    if (document == this)
      return;
    FBinaryEncoding = document->FBinaryEncoding;
    FDropCommentsOnParse = document->FDropCommentsOnParse;
    FExternalEncoding = document->FExternalEncoding;
    FParserWarnings = document->FParserWarnings;
    FIndentString = document->FIndentString;
    FUseFullNodes = document->FUseFullNodes;
    FWriteOnDefault = document->FWriteOnDefault;
    FXmlFormat = document->FXmlFormat;
    FSortAttributes = document->FSortAttributes;
    FRootNodes->Assign(document->FRootNodes.get());
  } else if (dynamic_cast<const TXmlNode*>(aSource)) {
    FRootNodes->Assign(aSource);
  } else {
    TPersistent::Assign(aSource);
  }
}

void TXmlDocument::CopyDocument(const TXmlDocument* aSource) {
  if (aSource)
    Assign(aSource);
}

void TXmlDocument::Clear() {
  ApplyDefaults();
  TXmlNodeMemory::ClearTopLevel(*this);
  AddDeclarationAndRoot();
}

void TXmlDocument::AddDeclarationAndRoot() {
  auto declaration = TXmlNode::CreateType(this, xeDeclaration);
  declaration->SetName(u"xml");
  declaration->AttributeAdd(u"version", u"1.0");
  declaration->AttributeAdd(u"encoding", u"utf-8");
  FRootNodes->NodeAdd(std::move(declaration));
  FRootNodes->NodeNew(u"");
}

void TXmlDocument::ApplyDefaults() {
  FBinaryEncoding = xbeBase64;
  FDropCommentsOnParse = false;
  FExternalEncoding = seUTF8;
  FFloatAllowScientific = true;
  FFloatSignificantDigits = 6;
  FIndentString = u"  ";
  FUseFullNodes = false;
  FWriteOnDefault = true;
  FXmlFormat = xfCompact;
  FSortAttributes = false;
  FReadWhiteSpaceValues = false;
}

bool TXmlDocument::IsEmpty() const {
  const TXmlNode* root = Root();
  return !root || root->IsClear();
}

TXmlNode* TXmlDocument::FirstTopLevelNode(TXmlElementType aType) const {
  return FRootNodes->NodeByElementType(aType);
}

TXmlNode* TXmlDocument::Root() const {
  return FirstTopLevelNode(xeNormal);
}

TXmlNode* TXmlDocument::LeadingDeclaration() const {
  TXmlNode* first = FRootNodes->Nodes(0);
  return first && first->ElementType() == xeDeclaration ? first : nullptr;
}

namespace {

// New top-level nodes go to index 1 (after the declaration); an empty list takes them at 0.
TXmlNode* InsertTopLevelNode(TXmlNode& aContainer, TXmlDocument* aDocument, TXmlElementType aType) {
  auto node = TXmlNode::CreateType(aDocument, aType);
  TXmlNode* result = node.get();
  aContainer.NodeInsert(std::min(1, aContainer.NodeCount()), std::move(node));
  return result;
}

} // namespace

TXmlNode* TXmlDocument::StyleSheetNode() {
  if (TXmlNode* node = FirstTopLevelNode(xeStylesheet))
    return node;
  return InsertTopLevelNode(*FRootNodes, this, xeStylesheet);
}

std::u16string TXmlDocument::EntityByName(std::u16string_view AName) const {
  for (int32_t i = 0; i < FRootNodes->NodeCount(); ++i) {
    const TXmlNode* doctype = FRootNodes->Nodes(i);
    if (doctype->ElementType() != xeDoctype)
      continue;
    for (int32_t j = 0; j < doctype->NodeCount(); ++j) {
      const TXmlNode* entity = doctype->Nodes(j);
      if (entity->ElementType() == xeEntity && entity->Name() == AName)
        return UnquoteText(TrimControlChars(entity->ValueDirect()));
    }
  }
  return {};
}

std::u16string TXmlDocument::EncodingString() const {
  if (const TXmlNode* declaration = LeadingDeclaration())
    FEncodingString = declaration->AttributeByName(u"encoding");
  return FEncodingString;
}

void TXmlDocument::SetEncodingString(std::u16string_view aValue) {
  if (aValue == EncodingString())
    return;
  FEncodingString = aValue.empty() ? u"utf-8" : std::u16string(aValue);
  TXmlNode* declaration = LeadingDeclaration();
  if (declaration && declaration->Name() != u"xsl:stylesheet")
    declaration->SetAttributeByName(u"encoding", FEncodingString);
}

std::u16string TXmlDocument::VersionString() const {
  const TXmlNode* declaration = LeadingDeclaration();
  return declaration ? declaration->AttributeByName(u"version") : std::u16string();
}

void TXmlDocument::SetVersionString(std::u16string_view aValue) {
  if (aValue == VersionString())
    return;
  if (!LeadingDeclaration() && !aValue.empty())
    FRootNodes->NodeInsert(0, TXmlNode::CreateType(this, xeDeclaration));
  if (TXmlNode* declaration = LeadingDeclaration())
    declaration->SetAttributeByName(u"version", aValue);
}

std::u16string TXmlDocument::CommentString() const {
  const TXmlNode* comment = FirstTopLevelNode(xeComment);
  return comment ? comment->ValueAsWidestring() : std::u16string();
}

void TXmlDocument::SetCommentString(std::u16string_view aValue) {
  TXmlNode* comment = FirstTopLevelNode(xeComment);
  if (!comment && !aValue.empty())
    comment = InsertTopLevelNode(*FRootNodes, this, xeComment);
  if (comment)
    comment->SetValueAsWidestring(aValue);
}

std::u16string TXmlDocument::LineBreakText() const {
  switch (FXmlFormat) {
  case xfReadable:
    return u"\r\n";
  case xfReadable_x13:
    return u"\r";
  case xfReadable_x10:
    return u"\n";
  case xfCompact:
    break;
  }
  return {};
}

} // namespace vxml
