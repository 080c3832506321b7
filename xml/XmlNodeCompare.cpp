#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <unordered_map>
#include <vector>

namespace vxml {

using vbase::AsciiUpper;

namespace {

bool Has(TXmlCompareOptions AOptions, TXmlCompareOption AOption) {
  return (AOptions & XmlCompareOption(AOption)) != 0;
}

// The first line of each attribute name of a node. Names match without regard to ASCII case;
// a line without "=" is a name without value and is found by its whole text.
class TAttributeIndex {
public:
  explicit TAttributeIndex(const TXmlNode& ANode) {
    for (int32_t i = ANode.AttributeCount() - 1; i >= 0; --i)
      FFirstLine[Key(ANode.AttributePair(i))] = i;
  }

  // The index of the first line with the name of ALine, or -1.
  int32_t Find(std::u16string_view ALine) const {
    const auto found = FFirstLine.find(Key(ALine));
    return found == FFirstLine.end() ? -1 : found->second;
  }

  const std::unordered_map<std::u16string, int32_t>& FirstLines() const { return FFirstLine; }

private:
  // The line up to and including its first "=", so a name never equals a line without value.
  static std::u16string Key(std::u16string_view ALine) {
    const std::size_t equals = ALine.find(u'=');
    std::u16string key(ALine.substr(0, equals == std::u16string_view::npos ? equals : equals + 1));
    for (char16_t& c : key)
      c = AsciiUpper(c);
    return key;
  }

  std::unordered_map<std::u16string, int32_t> FFirstLine;
};

bool AttributeNamesFound(const TXmlNode& ANode, const TXmlNode& AOther) {
  const TAttributeIndex other(AOther);
  for (int32_t i = 0; i < ANode.AttributeCount(); ++i)
    if (other.Find(ANode.AttributePair(i)) < 0)
      return false;
  return true;
}

// Lookups by name read the first line of a name, so only first lines are compared.
bool SharedAttributesEqual(const TXmlNode& ANode, const TXmlNode& AOther) {
  const TAttributeIndex own(ANode);
  const TAttributeIndex other(AOther);
  for (const auto& [name, index] : own.FirstLines()) {
    const int32_t otherIndex = other.Find(name);
    if (otherIndex >= 0 && ANode.AttributeValue(index) != AOther.AttributeValue(otherIndex))
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

} // namespace vxml
