#include "XmlDocument.h"

#include <unordered_map>
#include <vector>

namespace {

bool Has(TXmlCompareOptions AOptions, TXmlCompareOption AOption) {
  return (AOptions & XmlCompareOption(AOption)) != 0;
}

bool AttributeNamesFound(const TXmlNode& ANode, const TXmlNode& AOther) {
  for (int32_t i = 0; i < ANode.AttributeCount(); ++i)
    if (!AOther.HasAttribute(ANode.AttributeName(i)))
      return false;
  return true;
}

bool SharedAttributesEqual(const TXmlNode& ANode, const TXmlNode& AOther) {
  for (int32_t i = 0; i < ANode.AttributeCount(); ++i) {
    const std::u16string name = ANode.AttributeName(i);
    if (AOther.HasAttribute(name) && ANode.AttributeValue(i) != AOther.AttributeByName(name))
      return false;
  }
  return true;
}

bool OwnChecksPass(const TXmlNode& ANode, const TXmlNode& AOther, TXmlCompareOptions AOptions) {
  return (!Has(AOptions, xcNodeName) || ANode.Name() == AOther.Name()) &&
         (!Has(AOptions, xcNodeType) || ANode.ElementType() == AOther.ElementType()) &&
         (!Has(AOptions, xcNodeValue) || ANode.ValueAsWidestring() == AOther.ValueAsWidestring()) &&
         (!Has(AOptions, xcAttribCount) || ANode.AttributeCount() == AOther.AttributeCount()) &&
         (!Has(AOptions, xcAttribNames) || AttributeNamesFound(ANode, AOther)) &&
         (!Has(AOptions, xcAttribValues) || SharedAttributesEqual(ANode, AOther)) &&
         (!Has(AOptions, xcChildCount) || ANode.NodeCount() == AOther.NodeCount());
}

// One pair of nodes under comparison. The walk keeps these on a work list instead of the call
// stack, so a deep tree built in code cannot exhaust the stack.
struct TComparison {
  TXmlNode* Node;
  TXmlNode* Other;
  int32_t NextChild = 0;
  bool ChildrenFailed = false;
  // The first child of Other with each name, made on the first lookup, so that pairing stays
  // linear for wide nodes.
  std::unordered_map<std::u16string_view, TXmlNode*> PartnerByName;

  TComparison(TXmlNode* ANode, TXmlNode* AOther) : Node(ANode), Other(AOther) {}

  TXmlNode* PartnerOf(const TXmlNode& AChild) {
    if (PartnerByName.empty())
      for (int32_t i = Other->NodeCount() - 1; i >= 0; --i)
        PartnerByName[Other->Nodes(i)->Name()] = Other->Nodes(i);
    const auto found = PartnerByName.find(AChild.Name());
    return found == PartnerByName.end() ? nullptr : found->second;
  }
};

void AddMismatch(TXmlNodeList* AList, TXmlNode* ANode) {
  if (AList)
    AList->Add(ANode);
}

// Pairs the children from NextChild on; stops early with the pair to compare in depth.
TXmlNode* PairChildren(TComparison& AComparison, TXmlCompareOptions AOptions,
                       TXmlNodeList* AMismatches, TXmlNode*& APartner) {
  while (AComparison.NextChild < AComparison.Node->NodeCount()) {
    TXmlNode* child = AComparison.Node->Nodes(AComparison.NextChild++);
    TXmlNode* partner = AComparison.PartnerOf(*child);
    if (!partner) {
      if (Has(AOptions, xcChildNames)) {
        AddMismatch(AMismatches, child);
        AComparison.ChildrenFailed = true;
      }
      continue;
    }
    if (Has(AOptions, xcChildValues) &&
        child->ValueAsWidestring() != partner->ValueAsWidestring()) {
      AddMismatch(AMismatches, child);
      AComparison.ChildrenFailed = true;
    }
    if (Has(AOptions, xcRecursive)) {
      APartner = partner;
      return child;
    }
  }
  return nullptr;
}

} // namespace

bool TXmlNode::IsEqualTo(TXmlNode* ANode, TXmlCompareOptions Options, TXmlNodeList* MismatchNodes) {
  if (!ANode)
    return false;
  const bool pairsChildren =
      Has(Options, xcChildNames) || Has(Options, xcChildValues) || Has(Options, xcRecursive);
  std::vector<TComparison> pending;
  pending.emplace_back(this, ANode);
  bool equal = false;
  while (!pending.empty()) {
    TXmlNode* partner = nullptr;
    TXmlNode* deeper =
        pairsChildren ? PairChildren(pending.back(), Options, MismatchNodes, partner) : nullptr;
    if (deeper) {
      pending.emplace_back(deeper, partner);
      continue;
    }
    const TComparison& done = pending.back();
    const bool ownEqual = OwnChecksPass(*done.Node, *done.Other, Options);
    if (!ownEqual && MismatchNodes)
      MismatchNodes->Insert(0, done.Node);
    equal = ownEqual && !done.ChildrenFailed;
    pending.pop_back();
    if (!equal && !pending.empty())
      pending.back().ChildrenFailed = true;
  }
  return equal;
}
