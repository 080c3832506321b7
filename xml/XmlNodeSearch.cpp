#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <vector>

namespace vxml {

using vbase::SameTextAscii;

namespace {

bool IsPath(std::u16string_view AName) {
  return !AName.empty() && AName[0] == u'/';
}
bool IsWildcard(std::u16string_view AName) {
  return !AName.empty() && AName[0] == u'*';
}

bool Matches(const TXmlNode& ANode, std::u16string_view AName) {
  if (IsPath(AName))
    return ANode.FullPath() == AName;
  return IsWildcard(AName) || ANode.Name() == AName;
}

// A path search enters only nodes whose own path begins the searched one.
bool MayHoldMatch(const TXmlNode& ANode, std::u16string_view AName) {
  if (!IsPath(AName))
    return true;
  const std::u16string path = ANode.FullPath();
  return path.size() <= AName.size() && SameTextAscii(AName.substr(0, path.size()), path);
}

// Queues the children so that the first child comes off the back first: with the work list
// the walk visits nodes in document order without recursing along the tree's depth.
void QueueChildren(const TXmlNode& ANode, std::vector<TXmlNode*>& APending) {
  for (int32_t i = ANode.NodeCount() - 1; i >= 0; --i)
    APending.push_back(ANode.Nodes(i));
}

enum class TVisitResult { Stop, Enter, Skip };

// Visits the descendants of ARoot in document order, entering a node's children only when
// the visitor asks for it; returns the node at which the visitor stopped.
template <typename TVisitor> TXmlNode* WalkDescendants(const TXmlNode& ARoot, TVisitor AVisitor) {
  std::vector<TXmlNode*> pending;
  QueueChildren(ARoot, pending);
  while (!pending.empty()) {
    TXmlNode* node = pending.back();
    pending.pop_back();
    switch (AVisitor(*node)) {
    case TVisitResult::Stop:
      return node;
    case TVisitResult::Enter:
      QueueChildren(*node, pending);
      break;
    case TVisitResult::Skip:
      break;
    }
  }
  return nullptr;
}

} // namespace

TXmlNode* TXmlNode::FindNode(std::u16string_view NodeName) const {
  return WalkDescendants(*this, [NodeName](const TXmlNode& ANode) {
    if (Matches(ANode, NodeName))
      return TVisitResult::Stop;
    return MayHoldMatch(ANode, NodeName) ? TVisitResult::Enter : TVisitResult::Skip;
  });
}

void TXmlNode::FindNodes(std::u16string_view NodeName, TXmlNodeList* AList) const {
  if (!AList)
    return;
  AList->Clear();
  WalkDescendants(*this, [NodeName, AList](TXmlNode& ANode) {
    if (Matches(ANode, NodeName))
      AList->Add(&ANode);
    return TVisitResult::Enter;
  });
}

TXmlNode* TXmlNode::NodeByAttributeValue(std::u16string_view NodeName,
                                         std::u16string_view AttribName,
                                         std::u16string_view AttribValue,
                                         bool ShouldRecurse) const {
  return WalkDescendants(*this, [&](const TXmlNode& ANode) {
    if (ANode.Name() == NodeName && ANode.HasAttribute(AttribName) &&
        ANode.AttributeByName(AttribName) == AttribValue)
      return TVisitResult::Stop;
    return ShouldRecurse ? TVisitResult::Enter : TVisitResult::Skip;
  });
}

} // namespace vxml
