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

TReference SplitAtReference(std::u16string_view aText) {
  const std::size_t ampersand = aText.find(u'&');
  const std::size_t semicolon =
      ampersand == std::u16string_view::npos ? ampersand : aText.find(u';', ampersand + 1);
  if (semicolon == std::u16string_view::npos)
    return {aText, {}, {}};
  return {aText.substr(0, ampersand), aText.substr(ampersand + 1, semicolon - ampersand - 1),
          aText.substr(semicolon + 1)};
}

class TEntityResolver {
public:
  explicit TEntityResolver(TXmlDocument& aDocument) : FDocument(aDocument) {}
  void Run(TXmlNode& aRoot);

private:
  // The text after a resolved reference waits here, as a view into the value it came from,
  // until its character-data node is visited: a copy per node would make a long chain of
  // references quadratic.
  struct TPendingText {
    std::shared_ptr<const std::u16string> Buffer;
    std::u16string_view Text;
  };

  void Walk(TXmlNode& aRoot);
  void RestorePendingText();
  const std::u16string& EntityText(std::u16string_view AName);
  void Charge(std::size_t aCodeUnits);
  // aIndex is N's index in its parent, known to the walk and dear to look up among many siblings.
  void Visit(TXmlNode& aN, int32_t aIndex, int32_t aDepth);
  void ResolveValue(TXmlNode& aN, int32_t aIndex, int32_t aDepth);
  void ResolveAttributes(TXmlNode& aN);
  std::vector<std::unique_ptr<TXmlNode>> ParseEntityText(const std::u16string& aText);
  int32_t DepthOf(const TXmlNode* aNode, int32_t aParentDepth) const;

  // A node being walked, its next child, and how many expansions produced it.
  struct TFrame {
    TXmlNode* Node;
    int32_t NextChild;
    int32_t Depth;
  };

  TXmlDocument& FDocument;
  std::unordered_map<std::u16string, std::u16string> fEntities;
  std::unordered_map<const TXmlNode*, int32_t> fInsertedDepth;
  std::unordered_map<TXmlNode*, TPendingText> fPendingText;
  std::vector<TFrame> fStack;
  int64_t fExpandedCodeUnits = 0;
};

const std::u16string& TEntityResolver::EntityText(std::u16string_view AName) {
  std::u16string name(AName);
  auto found = fEntities.find(name);
  if (found == fEntities.end())
    found = fEntities.emplace(name, FDocument.EntityByName(AName)).first;
  return found->second;
}

void TEntityResolver::Charge(std::size_t aCodeUnits) {
  fExpandedCodeUnits += static_cast<int64_t>(aCodeUnits);
  if (fExpandedCodeUnits > MaxExpandedCodeUnits)
    throw EFilerError(u"Entity expansion limit exceeded");
}

int32_t TEntityResolver::DepthOf(const TXmlNode* aNode, int32_t aParentDepth) const {
  const auto found = fInsertedDepth.find(aNode);
  return found == fInsertedDepth.end() ? aParentDepth : found->second;
}

std::vector<std::unique_ptr<TXmlNode>>
TEntityResolver::ParseEntityText(const std::u16string& aText) {
  std::vector<std::unique_ptr<TXmlNode>> nodes;
  TXmlStringStream stream(aText);
  while (stream.Position() < stream.Size() && !FDocument.AbortParsing()) {
    auto node = TXmlNode::CreateType(&FDocument, xeNormal);
    TXmlParser(&FDocument, stream).ParseNode(*node);
    if (!node->IsEmpty())
      nodes.push_back(std::move(node));
  }
  return nodes;
}

void TEntityResolver::ResolveValue(TXmlNode& aN, int32_t aIndex, int32_t aDepth) {
  const auto pending = fPendingText.find(&aN);
  TPendingText value =
      pending == fPendingText.end() ? TPendingText{nullptr, aN.ValueDirect()} : pending->second;
  TReference reference = SplitAtReference(value.Text);
  const std::u16string* text = reference.Name.empty() ? nullptr : &EntityText(reference.Name);
  // Element values take the nodes as first children, text between elements as next siblings.
  TXmlNode* target = &aN;
  int32_t index = 0;
  if (aN.ElementType() == xeCharData && aN.Parent()) {
    target = aN.Parent();
    index = aIndex + 1;
  } else if (aN.ElementType() != xeNormal) {
    target = nullptr;
  }
  if (!text || text->find(u'<') == std::u16string::npos || !target) {
    if (value.Buffer)
      aN.SetValueDirect(std::u16string(value.Text));
    fPendingText.erase(&aN);
    return;
  }
  if (aDepth >= MaxExpansionDepth)
    throw EFilerError(u"Entity expansion limit exceeded");
  Charge(text->size());
  if (!value.Buffer) {
    value.Buffer = std::make_shared<const std::u16string>(aN.ValueDirect());
    reference = SplitAtReference(*value.Buffer);
  }
  for (auto& node : ParseEntityText(*text)) {
    fInsertedDepth[node.get()] = aDepth + 1;
    target->NodeInsert(index++, std::move(node));
  }
  const bool dropBefore =
      aN.ElementType() == xeCharData && TrimControlChars(reference.Before).empty();
  aN.SetValueDirect(dropBefore ? std::u16string() : std::u16string(reference.Before));
  fPendingText.erase(&aN);
  if (TrimControlChars(reference.After).empty())
    return;
  auto rest = TXmlNode::CreateType(&FDocument, xeCharData);
  fPendingText[rest.get()] = {value.Buffer, reference.After};
  target->NodeInsert(index, std::move(rest));
}

void TEntityResolver::ResolveAttributes(TXmlNode& aN) {
  for (int32_t i = 0; i < aN.AttributeCount(); ++i) {
    const std::u16string value = aN.AttributeValue(i);
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
    aN.SetAttributeValue(i, resolved);
  }
}

void TEntityResolver::Visit(TXmlNode& aN, int32_t aIndex, int32_t aDepth) {
  ResolveValue(aN, aIndex, aDepth);
  ResolveAttributes(aN);
  fStack.push_back({&aN, 0, aDepth});
}

void TEntityResolver::Run(TXmlNode& aRoot) {
  try {
    Walk(aRoot);
  } catch (...) {
    RestorePendingText();
    throw;
  }
}

// A failed resolution leaves the text that still waited in its nodes.
void TEntityResolver::RestorePendingText() {
  for (auto& [node, pending] : fPendingText)
    node->SetValueDirect(std::u16string(pending.Text));
  fPendingText.clear();
}

void TEntityResolver::Walk(TXmlNode& aRoot) {
  // A work list instead of recursion: expansions may nest deeper than the parsed tree.
  Visit(aRoot, aRoot.IndexInParent(), 0);
  while (!fStack.empty()) {
    TFrame& frame = fStack.back();
    if (frame.NextChild < frame.Node->NodeCount()) {
      TXmlNode* child = frame.Node->Nodes(frame.NextChild++);
      Visit(*child, frame.NextChild - 1, DepthOf(child, frame.Depth));
      continue;
    }
    TXmlNode* node = frame.Node;
    fStack.pop_back();
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
