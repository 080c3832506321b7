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

bool Matches(const TXmlNode& aNode, std::u16string_view AName) {
  if (IsPath(AName))
    return aNode.FullPath() == AName;
  return IsWildcard(AName) || aNode.Name() == AName;
}

// A path search enters only nodes whose own path begins the searched one.
bool MayHoldMatch(const TXmlNode& aNode, std::u16string_view AName) {
  if (!IsPath(AName))
    return true;
  const std::u16string path = aNode.FullPath();
  return path.size() <= AName.size() && SameTextAscii(AName.substr(0, path.size()), path);
}

// Queues the children so that the first child comes off the back first: with the work list
// the walk visits nodes in document order without recursing along the tree's depth.
void QueueChildren(const TXmlNode& aNode, std::vector<TXmlNode*>& aPending) {
  for (int32_t i = aNode.NodeCount() - 1; i >= 0; --i)
    aPending.push_back(aNode.Nodes(i));
}

enum class TVisitResult { Stop, Enter, Skip };

// Visits the descendants of aRoot in document order, entering a node's children only when
// the visitor asks for it; returns the node at which the visitor stopped.
template <typename TVisitor> TXmlNode* WalkDescendants(const TXmlNode& aRoot, TVisitor aVisitor) {
  std::vector<TXmlNode*> pending;
  QueueChildren(aRoot, pending);
  while (!pending.empty()) {
    TXmlNode* node = pending.back();
    pending.pop_back();
    switch (aVisitor(*node)) {
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

TXmlNode* TXmlNode::FindNode(std::u16string_view aNodeName) const {
  return WalkDescendants(*this, [aNodeName](const TXmlNode& aNode) {
    if (Matches(aNode, aNodeName))
      return TVisitResult::Stop;
    return MayHoldMatch(aNode, aNodeName) ? TVisitResult::Enter : TVisitResult::Skip;
  });
}

void TXmlNode::FindNodes(std::u16string_view aNodeName, TXmlNodeList* aList) const {
  if (!aList)
    return;
  aList->Clear();
  WalkDescendants(*this, [aNodeName, aList](TXmlNode& aNode) {
    if (Matches(aNode, aNodeName))
      aList->Add(&aNode);
    return TVisitResult::Enter;
  });
}

TXmlNode* TXmlNode::NodeByAttributeValue(std::u16string_view aNodeName,
                                         std::u16string_view aAttribName,
                                         std::u16string_view aAttribValue,
                                         bool aShouldRecurse) const {
  return WalkDescendants(*this, [&](const TXmlNode& aNode) {
    if (aNode.Name() == aNodeName && aNode.HasAttribute(aAttribName) &&
        aNode.AttributeByName(aAttribName) == aAttribValue)
      return TVisitResult::Stop;
    return aShouldRecurse ? TVisitResult::Enter : TVisitResult::Skip;
  });
}

} // namespace vxml
