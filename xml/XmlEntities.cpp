#include "XmlParser.h"
#include "XmlStringStream.h"
#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <memory>
#include <unordered_map>

namespace vxml {

using vbase::EFilerError;
using vbase::TrimControlChars;

namespace {

// An entity whose markup names itself, directly or through others, nests one level deeper at
// each expansion; a few doubling entities grow the tree exponentially. Both stop here.
constexpr int32_t MaxExpansionDepth = 32;
constexpr int64_t MaxExpandedCodeUnits = int64_t(1) << 20;

// A value split at its first "&" and the next ";" after it; Name is empty when there is none.
struct TReference {
  std::u16string_view Before;
  std::u16string_view Name;
  std::u16string_view After;
};

TReference SplitAtReference(std::u16string_view AText) {
  const std::size_t ampersand = AText.find(u'&');
  const std::size_t semicolon =
      ampersand == std::u16string_view::npos ? ampersand : AText.find(u';', ampersand + 1);
  if (semicolon == std::u16string_view::npos)
    return {AText, {}, {}};
  return {AText.substr(0, ampersand), AText.substr(ampersand + 1, semicolon - ampersand - 1),
          AText.substr(semicolon + 1)};
}

class TEntityResolver {
public:
  explicit TEntityResolver(TXmlDocument& ADocument) : FDocument(ADocument) {}
  void Run(TXmlNode& ARoot);

private:
  // The text after a resolved reference waits here, as a view into the value it came from,
  // until its character-data node is visited: a copy per node would make a long chain of
  // references quadratic.
  struct TPendingText {
    std::shared_ptr<const std::u16string> Buffer;
    std::u16string_view Text;
  };

  void Walk(TXmlNode& ARoot);
  void RestorePendingText();
  const std::u16string& EntityText(std::u16string_view AName);
  void Charge(std::size_t ACodeUnits);
  // AIndex is N's index in its parent, known to the walk and dear to look up among many siblings.
  void Visit(TXmlNode& N, int32_t AIndex, int32_t ADepth);
  void ResolveValue(TXmlNode& N, int32_t AIndex, int32_t ADepth);
  void ResolveAttributes(TXmlNode& N);
  std::vector<std::unique_ptr<TXmlNode>> ParseEntityText(const std::u16string& AText);
  int32_t DepthOf(const TXmlNode* ANode, int32_t AParentDepth) const;

  // A node being walked, its next child, and how many expansions produced it.
  struct TFrame {
    TXmlNode* Node;
    int32_t NextChild;
    int32_t Depth;
  };

  TXmlDocument& FDocument;
  std::unordered_map<std::u16string, std::u16string> FEntities;
  std::unordered_map<const TXmlNode*, int32_t> FInsertedDepth;
  std::unordered_map<TXmlNode*, TPendingText> FPendingText;
  std::vector<TFrame> FStack;
  int64_t FExpandedCodeUnits = 0;
};

const std::u16string& TEntityResolver::EntityText(std::u16string_view AName) {
  std::u16string name(AName);
  auto found = FEntities.find(name);
  if (found == FEntities.end())
    found = FEntities.emplace(name, FDocument.EntityByName(AName)).first;
  return found->second;
}

void TEntityResolver::Charge(std::size_t ACodeUnits) {
  FExpandedCodeUnits += static_cast<int64_t>(ACodeUnits);
  if (FExpandedCodeUnits > MaxExpandedCodeUnits)
    throw EFilerError(u"Entity expansion limit exceeded");
}

int32_t TEntityResolver::DepthOf(const TXmlNode* ANode, int32_t AParentDepth) const {
  const auto found = FInsertedDepth.find(ANode);
  return found == FInsertedDepth.end() ? AParentDepth : found->second;
}

std::vector<std::unique_ptr<TXmlNode>>
TEntityResolver::ParseEntityText(const std::u16string& AText) {
  std::vector<std::unique_ptr<TXmlNode>> nodes;
  TXmlStringStream stream(AText);
  while (stream.Position() < stream.Size() && !FDocument.AbortParsing()) {
    auto node = TXmlNode::CreateType(&FDocument, xeNormal);
    TXmlParser(&FDocument, stream).ParseNode(*node);
    if (!node->IsEmpty())
      nodes.push_back(std::move(node));
  }
  return nodes;
}

void TEntityResolver::ResolveValue(TXmlNode& N, int32_t AIndex, int32_t ADepth) {
  const auto pending = FPendingText.find(&N);
  TPendingText value =
      pending == FPendingText.end() ? TPendingText{nullptr, N.ValueDirect()} : pending->second;
  TReference reference = SplitAtReference(value.Text);
  const std::u16string* text = reference.Name.empty() ? nullptr : &EntityText(reference.Name);
  // Element values take the nodes as first children, text between elements as next siblings.
  TXmlNode* target = &N;
  int32_t index = 0;
  if (N.ElementType() == xeCharData && N.Parent()) {
    target = N.Parent();
    index = AIndex + 1;
  } else if (N.ElementType() != xeNormal) {
    target = nullptr;
  }
  if (!text || text->find(u'<') == std::u16string::npos || !target) {
    if (value.Buffer)
      N.SetValueDirect(std::u16string(value.Text));
    FPendingText.erase(&N);
    return;
  }
  if (ADepth >= MaxExpansionDepth)
    throw EFilerError(u"Entity expansion limit exceeded");
  Charge(text->size());
  if (!value.Buffer) {
    value.Buffer = std::make_shared<const std::u16string>(N.ValueDirect());
    reference = SplitAtReference(*value.Buffer);
  }
  for (auto& node : ParseEntityText(*text)) {
    FInsertedDepth[node.get()] = ADepth + 1;
    target->NodeInsert(index++, std::move(node));
  }
  const bool dropBefore =
      N.ElementType() == xeCharData && TrimControlChars(reference.Before).empty();
  N.SetValueDirect(dropBefore ? std::u16string() : std::u16string(reference.Before));
  FPendingText.erase(&N);
  if (TrimControlChars(reference.After).empty())
    return;
  auto rest = TXmlNode::CreateType(&FDocument, xeCharData);
  FPendingText[rest.get()] = {value.Buffer, reference.After};
  target->NodeInsert(index, std::move(rest));
}

void TEntityResolver::ResolveAttributes(TXmlNode& N) {
  for (int32_t i = 0; i < N.AttributeCount(); ++i) {
    const std::u16string value = N.AttributeValue(i);
    std::u16string resolved;
    std::size_t done = 0;
    for (;;) {
      const std::size_t ampersand = value.find(u'&', done);
      const std::size_t semicolon =
          ampersand == std::u16string::npos ? ampersand : value.find(u';', ampersand + 1);
      if (semicolon == std::u16string::npos)
        break;
      const std::u16string& text =
          EntityText(std::u16string_view(value).substr(ampersand + 1, semicolon - ampersand - 1));
      resolved.append(value, done, ampersand - done);
      if (text.empty()) {
        resolved.append(value, ampersand, semicolon + 1 - ampersand);
      } else {
        Charge(text.size());
        resolved.append(text);
      }
      done = semicolon + 1;
    }
    resolved.append(value, done);
    N.SetAttributeValue(i, resolved);
  }
}

void TEntityResolver::Visit(TXmlNode& N, int32_t AIndex, int32_t ADepth) {
  ResolveValue(N, AIndex, ADepth);
  ResolveAttributes(N);
  FStack.push_back({&N, 0, ADepth});
}

void TEntityResolver::Run(TXmlNode& ARoot) {
  try {
    Walk(ARoot);
  } catch (...) {
    RestorePendingText();
    throw;
  }
}

// A failed resolution leaves the text that still waited in its nodes.
void TEntityResolver::RestorePendingText() {
  for (auto& [node, pending] : FPendingText)
    node->SetValueDirect(std::u16string(pending.Text));
  FPendingText.clear();
}

void TEntityResolver::Walk(TXmlNode& ARoot) {
  // A work list instead of recursion: expansions may nest deeper than the parsed tree.
  Visit(ARoot, ARoot.IndexInParent(), 0);
  while (!FStack.empty()) {
    TFrame& frame = FStack.back();
    if (frame.NextChild < frame.Node->NodeCount()) {
      TXmlNode* child = frame.Node->Nodes(frame.NextChild++);
      Visit(*child, frame.NextChild - 1, DepthOf(child, frame.Depth));
      continue;
    }
    TXmlNode* node = frame.Node;
    FStack.pop_back();
    for (int32_t i = node->NodeCount() - 1; i >= 0; --i)
      if (node->Nodes(i)->ElementType() == xeCharData && node->Nodes(i)->ValueDirect().empty())
        node->NodeDelete(i);
  }
}

} // namespace

void TXmlDocument::ResolveEntityReferences() {
  if (TXmlNode* root = Root())
    TEntityResolver(*this).Run(*root);
}

} // namespace vxml
