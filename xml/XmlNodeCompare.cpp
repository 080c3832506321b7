#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <unordered_map>
#include <vector>

namespace vxml {

using vbase::AsciiUpper;

namespace {

bool Has(TXmlCompareOptions aOptions, TXmlCompareOption aOption) {
  return (aOptions & XmlCompareOption(aOption)) != 0;
}

// The first line of each attribute name of a node. Names match without regard to ASCII case;
// a line without "=" is a name without value and is found by its whole text.
class TAttributeIndex {
public:
  explicit TAttributeIndex(const TXmlNode& aNode) {
    for (int32_t i = aNode.AttributeCount() - 1; i >= 0; --i)
      fFirstLine[Key(aNode.AttributePair(i))] = i;
  }

  // The index of the first line with the name of aLine, or -1.
  int32_t Find(std::u16string_view aLine) const {
    const auto found = fFirstLine.find(Key(aLine));
    return found == fFirstLine.end() ? -1 : found->second;
  }

  const std::unordered_map<std::u16string, int32_t>& FirstLines() const { return fFirstLine; }

private:
  // The line up to and including its first "=", so a name never equals a line without value.
  static std::u16string Key(std::u16string_view aLine) {
    const std::size_t equals = aLine.find(u'=');
    std::u16string key(aLine.substr(0, equals == std::u16string_view::npos ? equals : equals + 1));
    for (char16_t& c : key)
      c = AsciiUpper(c);
    return key;
  }

  std::unordered_map<std::u16string, int32_t> fFirstLine;
};

bool AttributeNamesFound(const TXmlNode& aNode, const TXmlNode& aOther) {
  const TAttributeIndex other(aOther);
  for (int32_t i = 0; i < aNode.AttributeCount(); ++i)
    if (other.Find(aNode.AttributePair(i)) < 0)
      return false;
  return true;
}

// Lookups by name read the first line of a name, so only first lines are compared.
bool SharedAttributesEqual(const TXmlNode& aNode, const TXmlNode& aOther) {
  const TAttributeIndex own(aNode);
  const TAttributeIndex other(aOther);
  for (const auto& [name, index] : own.FirstLines()) {
    const int32_t otherIndex = other.Find(name);
    if (otherIndex >= 0 && aNode.AttributeValue(index) != aOther.AttributeValue(otherIndex))
      return false;
  }
  return true;
}

bool OwnChecksPass(const TXmlNode& aNode, const TXmlNode& aOther, TXmlCompareOptions aOptions) {
  return (!Has(aOptions, xcNodeName) || aNode.Name() == aOther.Name()) &&
         (!Has(aOptions, xcNodeType) || aNode.ElementType() == aOther.ElementType()) &&
         (!Has(aOptions, xcNodeValue) || aNode.ValueAsWidestring() == aOther.ValueAsWidestring()) &&
         (!Has(aOptions, xcAttribCount) || aNode.AttributeCount() == aOther.AttributeCount()) &&
         (!Has(aOptions, xcAttribNames) || AttributeNamesFound(aNode, aOther)) &&
         (!Has(aOptions, xcAttribValues) || SharedAttributesEqual(aNode, aOther)) &&
         (!Has(aOptions, xcChildCount) || aNode.NodeCount() == aOther.NodeCount());
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

  TComparison(TXmlNode* aNode, TXmlNode* aOther) : Node(aNode), Other(aOther) {}

  TXmlNode* PartnerOf(const TXmlNode& aChild) {
    if (PartnerByName.empty())
      for (int32_t i = Other->NodeCount() - 1; i >= 0; --i)
        PartnerByName[Other->Nodes(i)->Name()] = Other->Nodes(i);
    const auto found = PartnerByName.find(aChild.Name());
    return found == PartnerByName.end() ? nullptr : found->second;
  }
};

void AddMismatch(TXmlNodeList* aList, TXmlNode* aNode) {
  if (aList)
    aList->Add(aNode);
}

// Pairs the children from NextChild on; stops early with the pair to compare in depth.
TXmlNode* PairChildren(TComparison& aComparison, TXmlCompareOptions aOptions,
                       TXmlNodeList* aMismatches, TXmlNode*& aPartner) {
  while (aComparison.NextChild < aComparison.Node->NodeCount()) {
    TXmlNode* child = aComparison.Node->Nodes(aComparison.NextChild++);
    TXmlNode* partner = aComparison.PartnerOf(*child);
    if (!partner) {
      if (Has(aOptions, xcChildNames)) {
        AddMismatch(aMismatches, child);
        aComparison.ChildrenFailed = true;
      }
      continue;
    }
    if (Has(aOptions, xcChildValues) &&
        child->ValueAsWidestring() != partner->ValueAsWidestring()) {
      AddMismatch(aMismatches, child);
      aComparison.ChildrenFailed = true;
    }
    if (Has(aOptions, xcRecursive)) {
      aPartner = partner;
      return child;
    }
  }
  return nullptr;
}

} // namespace

bool TXmlNode::IsEqualTo(TXmlNode* aNode, TXmlCompareOptions aOptions,
                         TXmlNodeList* aMismatchNodes) {
  if (!aNode)
    return false;
  const bool pairsChildren =
      Has(aOptions, xcChildNames) || Has(aOptions, xcChildValues) || Has(aOptions, xcRecursive);
  std::vector<TComparison> pending;
  pending.emplace_back(this, aNode);
  bool equal = false;
  while (!pending.empty()) {
    TXmlNode* partner = nullptr;
    TXmlNode* deeper =
        pairsChildren ? PairChildren(pending.back(), aOptions, aMismatchNodes, partner) : nullptr;
    if (deeper) {
      pending.emplace_back(deeper, partner);
      continue;
    }
    const TComparison& done = pending.back();
    const bool ownEqual = OwnChecksPass(*done.Node, *done.Other, aOptions);
    if (!ownEqual && aMismatchNodes)
      aMismatchNodes->Insert(0, done.Node);
    equal = ownEqual && !done.ChildrenFailed;
    pending.pop_back();
    if (!equal && !pending.empty())
      pending.back().ChildrenFailed = true;
  }
  return equal;
}

} // namespace vxml
