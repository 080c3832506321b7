#include "vxml/XmlDocument.h"

namespace vxml {

namespace {

// The order of two children: the caller's routine, else the document's event, else the names.
class TChildOrder {
public:
  TChildOrder(const TXmlNode::TXmlNodeCompareFunction& aCompare, TXmlDocument* aDocument,
              void* aInfo)
      : fCompare(aCompare), FDocument(aDocument), fInfo(aInfo) {}

  int32_t operator()(TXmlNode* aA, TXmlNode* aB) const {
    if (fCompare)
      return fCompare(aA, aB, fInfo);
    if (FDocument && FDocument->OnNodeCompare)
      return FDocument->OnNodeCompare(FDocument, aA, aB, fInfo);
    return aA->Name().compare(aB->Name());
  }

private:
  const TXmlNode::TXmlNodeCompareFunction& fCompare;
  TXmlDocument* FDocument;
  void* fInfo;
};

// Splits Low..High around the middle child: afterwards Low..J order no later and I..High no
// earlier than it. The bounds on I and J keep an inconsistent comparison inside the range.
void Partition(TXmlNode& aParent, const TChildOrder& aOrder, int32_t aLow, int32_t aHigh,
               int32_t& aI, int32_t& aJ) {
  TXmlNode* pivot = aParent.Nodes(aLow + (aHigh - aLow) / 2);
  aI = aLow;
  aJ = aHigh;
  while (aI <= aJ) {
    while (aI < aHigh && aOrder(aParent.Nodes(aI), pivot) < 0)
      ++aI;
    while (aJ > aLow && aOrder(aParent.Nodes(aJ), pivot) > 0)
      --aJ;
    if (aI <= aJ) {
      aParent.NodeExchange(aI, aJ);
      ++aI;
      --aJ;
    }
  }
}

// Recursing only into the shorter part and looping on the longer keeps the depth at log n.
void QuickSort(TXmlNode& aParent, const TChildOrder& aOrder, int32_t aLow, int32_t aHigh) {
  while (aLow < aHigh) {
    int32_t i = 0;
    int32_t j = 0;
    Partition(aParent, aOrder, aLow, aHigh, i, j);
    if (j - aLow < aHigh - i) {
      QuickSort(aParent, aOrder, aLow, j);
      aLow = i;
    } else {
      QuickSort(aParent, aOrder, i, aHigh);
      aHigh = j;
    }
  }
}

} // namespace

void TXmlNode::SortChildNodes(const TXmlNodeCompareFunction& aCompare, void* aInfo) {
  if (NodeCount() < 2)
    return;
  QuickSort(*this, TChildOrder(aCompare, FDocument, aInfo), 0, NodeCount() - 1);
}

} // namespace vxml
