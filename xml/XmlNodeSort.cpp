#include "vxml/XmlDocument.h"

namespace vxml {

namespace {

// The order of two children: the caller's routine, else the document's event, else the names.
class TChildOrder {
public:
  TChildOrder(const TXmlNode::TXmlNodeCompareFunction& ACompare, TXmlDocument* ADocument,
              void* AInfo)
      : FCompare(ACompare), FDocument(ADocument), FInfo(AInfo) {}

  int32_t operator()(TXmlNode* A, TXmlNode* B) const {
    if (FCompare)
      return FCompare(A, B, FInfo);
    if (FDocument && FDocument->OnNodeCompare)
      return FDocument->OnNodeCompare(FDocument, A, B, FInfo);
    return A->Name().compare(B->Name());
  }

private:
  const TXmlNode::TXmlNodeCompareFunction& FCompare;
  TXmlDocument* FDocument;
  void* FInfo;
};

// Splits Low..High around the middle child: afterwards Low..J order no later and I..High no
// earlier than it. The bounds on I and J keep an inconsistent comparison inside the range.
void Partition(TXmlNode& AParent, const TChildOrder& AOrder, int32_t ALow, int32_t AHigh,
               int32_t& I, int32_t& J) {
  TXmlNode* pivot = AParent.Nodes(ALow + (AHigh - ALow) / 2);
  I = ALow;
  J = AHigh;
  while (I <= J) {
    while (I < AHigh && AOrder(AParent.Nodes(I), pivot) < 0)
      ++I;
    while (J > ALow && AOrder(AParent.Nodes(J), pivot) > 0)
      --J;
    if (I <= J) {
      AParent.NodeExchange(I, J);
      ++I;
      --J;
    }
  }
}

// Recursing only into the shorter part and looping on the longer keeps the depth at log n.
void QuickSort(TXmlNode& AParent, const TChildOrder& AOrder, int32_t ALow, int32_t AHigh) {
  while (ALow < AHigh) {
    int32_t i = 0;
    int32_t j = 0;
    Partition(AParent, AOrder, ALow, AHigh, i, j);
    if (j - ALow < AHigh - i) {
      QuickSort(AParent, AOrder, ALow, j);
      ALow = i;
    } else {
      QuickSort(AParent, AOrder, i, AHigh);
      AHigh = j;
    }
  }
}

} // namespace

void TXmlNode::SortChildNodes(const TXmlNodeCompareFunction& Compare, void* Info) {
  if (NodeCount() < 2)
    return;
  QuickSort(*this, TChildOrder(Compare, FDocument, Info), 0, NodeCount() - 1);
}

} // namespace vxml
