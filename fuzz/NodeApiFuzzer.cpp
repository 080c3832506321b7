// Sequences of node and document calls read from the input, across three documents of which two
// share their storage: nodes are made, attached, moved between documents, extracted and held
// past the end of their document, deleted, cleared, reloaded, read, written and saved, and the
// documents go in any order. Whatever the order, no call may read freed memory (the sanitizers
// watch), and the lifetime rule holds: a held node has no parent and no document, and every node
// of a tree names its parent and follows the document of the tree.
#include "FuzzTarget.h"
#include "vbase/Errors.h"
#include "vxml/XmlDocument.h"

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace vbase;
using namespace vxml;

namespace {

// The input read as a stream of bytes; past its end every byte is 0.
class TInput {
public:
  TInput(const uint8_t* aData, size_t aSize) : fData(aData), fSize(aSize) {}
  bool AtEnd() const { return fSize == 0; }
  uint8_t Byte() {
    if (fSize == 0)
      return 0;
    --fSize;
    return *fData++;
  }
  // A number below aLimit, which must not be 0.
  uint32_t Below(uint32_t aLimit) { return Byte() % aLimit; }
  int32_t Index() { return static_cast<int32_t>(Byte() % 8) - 1; }
  // Up to 255 bytes of the input as Latin-1 text.
  std::u16string Text() {
    std::u16string text(Byte(), u'\0');
    for (char16_t& c : text)
      c = Byte();
    return text;
  }

private:
  const uint8_t* fData;
  size_t fSize;
};

constexpr std::array<std::u16string_view, 5> Names = {u"a", u"b", u"row", u"x:y", u""};
constexpr std::array<std::string_view, 4> Texts = {
    "<?xml version=\"1.0\"?><a x=\"1\" y='2'><b>t&amp;u</b><c/><!-- c --><b>2</b></a>",
    "<!DOCTYPE r [<!ENTITY e \"<q>v</q>\"><!ENTITY f 'w'>]><r>&e; and &f;<s a='&f;'/></r>",
    "<r><![CDATA[x]]> text <k n=\"1\">\r\n  <l/>\r\n</k><?pi x?></r>",
    "<r/>",
};
// Two documents share their storage, as the conversion's pair does; the third has its own.
constexpr int DocumentCount = 3;
constexpr std::size_t MaxHeld = 6;
constexpr int MaxSteps = 400;
constexpr int32_t MaxDepth = 6;

struct TState {
  std::array<std::unique_ptr<TXmlDocument>, DocumentCount> Documents;
  std::vector<std::unique_ptr<TXmlNode>> Held;
};

void Expect(bool aHolds, const char* aPromise) {
  if (!aHolds)
    FuzzFinding(aPromise);
}

TXmlDocument* DocumentOf(TState& aState, TInput& aInput) {
  return aState.Documents[aInput.Below(DocumentCount)].get();
}

void NewDocument(TState& aState, uint32_t aSlot) {
  auto& slot = aState.Documents[aSlot];
  slot.reset();
  const auto& partner = aState.Documents[1 - std::min<uint32_t>(aSlot, 1)];
  if (aSlot < 2 && partner)
    slot = std::make_unique<TXmlDocument>(u"pair", *partner);
  else
    slot = std::make_unique<TXmlDocument>(u"own");
}

// A node of a document's tree or of a held tree: a top chosen by the input, then children down.
TXmlNode* Pick(TState& aState, TInput& aInput) {
  std::vector<TXmlNode*> tops;
  for (const auto& document : aState.Documents)
    if (document)
      tops.push_back(document->RootNodeList());
  for (const auto& held : aState.Held)
    tops.push_back(held.get());
  if (tops.empty())
    return nullptr;
  TXmlNode* node = tops[aInput.Below(static_cast<uint32_t>(tops.size()))];
  for (uint32_t depth = aInput.Below(MaxDepth); depth > 0 && node->NodeCount() > 0; --depth)
    node =
        node->Nodes(static_cast<int32_t>(aInput.Below(static_cast<uint32_t>(node->NodeCount()))));
  return node;
}

// The held node the input names, taken from the held list; none when nothing is held.
std::unique_ptr<TXmlNode> TakeHeld(TState& aState, TInput& aInput) {
  if (aState.Held.empty())
    return nullptr;
  const auto index = aInput.Below(static_cast<uint32_t>(aState.Held.size()));
  auto node = std::move(aState.Held[index]);
  aState.Held.erase(aState.Held.begin() + index);
  return node;
}

void Hold(TState& aState, std::unique_ptr<TXmlNode> aNode) {
  if (!aNode)
    return;
  if (aState.Held.size() == MaxHeld)
    aState.Held.erase(aState.Held.begin());
  aState.Held.push_back(std::move(aNode));
}

void Attach(TState& aState, TInput& aInput, TXmlNode* aTarget, bool aInsert) {
  auto node = TakeHeld(aState, aInput);
  if (!node)
    return;
  if (aInsert)
    aTarget->NodeInsert(aInput.Index(), std::move(node));
  else
    aTarget->NodeAdd(std::move(node));
  Hold(aState, std::move(node)); // refused: the caller keeps it
}

void WriteTyped(TXmlNode& aNode, TInput& aInput) {
  const std::u16string_view name = Names[aInput.Below(Names.size())];
  const auto number = static_cast<int32_t>(aInput.Byte() * 0x01010101u);
  switch (aInput.Below(10)) {
  case 0:
    aNode.SetValueAsInteger(number);
    break;
  case 1:
    aNode.SetValueAsFloat(number / 7.0);
    break;
  case 2:
    aNode.SetValueAsBool(number & 1);
    break;
  case 3:
    aNode.SetValueAsDateTime(TXmlDateTime(std::chrono::milliseconds(int64_t(number) * 99991)));
    break;
  case 4:
    aNode.WriteInteger(name, number, 3);
    break;
  case 5:
    aNode.WriteFloat(name, number / 3.0);
    break;
  case 6:
    aNode.WriteString(name, aInput.Text());
    break;
  case 7: {
    const std::u16string text = aInput.Text();
    aNode.BufferWrite(text.data(), static_cast<int32_t>(text.size() * sizeof(char16_t)));
    break;
  }
  case 8:
    aNode.SetBinaryEncoding(number & 1 ? xbeBase64 : xbeBinHex);
    break;
  default:
    aNode.WriteFont(name, TXmlFont{});
    break;
  }
}

void ReadTyped(const TXmlNode& aNode, TInput& aInput) {
  const std::u16string_view name = Names[aInput.Below(Names.size())];
  switch (aInput.Below(9)) {
  case 0:
    aNode.ValueAsFloatDef(0);
    aNode.ValueAsIntegerDef(0);
    break;
  case 1:
    aNode.ReadInteger(name);
    aNode.ReadString(name);
    break;
  case 2:
    aNode.BinaryString();
    break;
  case 3: {
    std::string bytes(static_cast<std::size_t>(std::max(aNode.BufferLength(), 0)), '\0');
    aNode.BufferRead(bytes.data(), static_cast<int32_t>(bytes.size()));
    break;
  }
  case 4:
    aNode.IndentText();
    aNode.TreeDepth();
    aNode.WriteOnDefault();
    break;
  case 5:
    aNode.FullPath();
    aNode.CascadedName();
    break;
  case 6:
    aNode.TotalNodeCount();
    aNode.IndexInParent();
    break;
  case 7:
    aNode.ReadFont(name);
    aNode.ValueAsDateTimeDef({});
    break;
  default:
    aNode.FindNode(name);
    aNode.ReadAttributeInteger(name);
    break;
  }
}

void ChangeAttributes(TXmlNode& aNode, TInput& aInput) {
  const std::u16string_view name = Names[aInput.Below(Names.size())];
  switch (aInput.Below(6)) {
  case 0:
    aNode.AttributeAdd(name, aInput.Text());
    break;
  case 1:
    aNode.SetAttributeByName(name, aInput.Text());
    break;
  case 2:
    aNode.AttributeDelete(aInput.Index());
    break;
  case 3:
    aNode.AttributeExchange(aInput.Index(), aInput.Index());
    break;
  case 4:
    aNode.SetAttributeValue(aInput.Index(), aInput.Text());
    break;
  default:
    aNode.AttributesClear();
    break;
  }
}

void ChangeSettings(TXmlDocument& aDocument, TInput& aInput) {
  const uint8_t value = aInput.Byte();
  switch (aInput.Below(5)) {
  case 0:
    aDocument.SetSortAttributes(value & 1);
    break;
  case 1:
    aDocument.SetXmlFormat(static_cast<TXmlFormatType>(value % 4));
    break;
  case 2:
    aDocument.SetBinaryEncoding(value & 1 ? xbeBase64 : xbeBinHex);
    break;
  case 3:
    aDocument.SetUseFullNodes(value & 1);
    break;
  default:
    aDocument.SetFloatSignificantDigits(value % 20);
    break;
  }
}

void Save(TXmlDocument& aDocument, TInput& aInput) {
  if (aInput.Byte() & 1) {
    aDocument.WriteToStringW();
    return;
  }
  std::ostringstream stream;
  aDocument.SaveToStream(stream, true, false);
}

void Reload(TXmlDocument& aDocument, TInput& aInput) {
  if (aInput.Byte() & 1) {
    aDocument.ReadFromString(Texts[aInput.Below(Texts.size())]);
    aDocument.ResolveEntityReferences();
  } else {
    aDocument.ReadFromStringW(aInput.Text());
  }
}

// One call on the state, chosen by the input.
void Step(TState& aState, TInput& aInput) {
  const uint8_t operation = aInput.Below(24);
  if (operation < 2) {
    const uint32_t slot = aInput.Below(DocumentCount);
    if (operation == 0)
      NewDocument(aState, slot);
    else
      aState.Documents[slot].reset();
    return;
  }
  if (operation == 2) {
    Hold(aState,
         TXmlNode::CreateName(DocumentOf(aState, aInput), Names[aInput.Below(Names.size())]));
    return;
  }
  if (operation == 3) {
    TakeHeld(aState, aInput).reset();
    return;
  }
  if (operation < 8) {
    TXmlDocument* document = DocumentOf(aState, aInput);
    if (!document)
      return;
    switch (operation) {
    case 4:
      ChangeSettings(*document, aInput);
      break;
    case 5:
      Save(*document, aInput);
      break;
    case 6:
      Reload(*document, aInput);
      break;
    default:
      document->Clear();
      break;
    }
    return;
  }
  TXmlNode* node = Pick(aState, aInput);
  if (!node)
    return;
  switch (operation) {
  case 8:
    node->NodeNew(Names[aInput.Below(Names.size())]);
    break;
  case 9:
    node->NodeNewAtIndex(aInput.Index(), Names[aInput.Below(Names.size())]);
    break;
  case 10:
    Attach(aState, aInput, node, false);
    break;
  case 11:
    Attach(aState, aInput, node, true);
    break;
  case 12:
    if (TXmlNode* parent = node->Parent())
      Hold(aState, parent->NodeExtract(node));
    break;
  case 13:
    node->Delete();
    break;
  case 14:
    node->NodeDelete(aInput.Index());
    break;
  case 15:
    node->NodesClear();
    break;
  case 16:
    node->Clear();
    break;
  case 17:
    node->ReadFromString(aInput.Byte() & 1 ? aInput.Text() : u"<n a='1'><m/>t</n>");
    break;
  case 18:
    WriteTyped(*node, aInput);
    break;
  case 19:
    ReadTyped(*node, aInput);
    break;
  case 20:
    ChangeAttributes(*node, aInput);
    break;
  case 21:
    node->WriteToString();
    break;
  case 22: {
    TXmlNode* source = Pick(aState, aInput);
    if (aInput.Byte() & 1)
      node->Assign(source);
    else
      node->IsEqualTo(source, TXmlCompareOptions(aInput.Byte()), nullptr);
    break;
  }
  default:
    node->NodeExchange(aInput.Index(), aInput.Index());
    node->SortChildNodes();
    if (aInput.Byte() & 1)
      node->DeleteEmptyNodes();
    break;
  }
}

// Every node below aTop names its parent and follows aDocument.
void CheckTree(const TXmlNode& aTop, const TXmlDocument* aDocument) {
  std::vector<const TXmlNode*> pending{&aTop};
  while (!pending.empty()) {
    const TXmlNode* node = pending.back();
    pending.pop_back();
    Expect(node->Document() == aDocument, "a node follows the document of its tree");
    for (int32_t i = 0; i < node->NodeCount(); ++i) {
      const TXmlNode* child = node->Nodes(i);
      Expect(child->Parent() == node, "a child names its parent");
      pending.push_back(child);
    }
  }
}

void CheckLifetimes(const TState& aState) {
  for (const auto& document : aState.Documents)
    if (document)
      CheckTree(*document->RootNodeList(), document.get());
  for (const auto& held : aState.Held) {
    Expect(held->Parent() == nullptr, "a held node has no parent");
    CheckTree(*held, nullptr);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  TInput input(aData, aSize);
  TState state;
  NewDocument(state, 0);
  NewDocument(state, 1);
  NewDocument(state, 2);
  for (int step = 0; step < MaxSteps && !input.AtEnd(); ++step) {
    try {
      Step(state, input);
    } catch (const Exception&) {
      // The layer's own errors are answers; only what the sanitizers or the checks see counts.
    }
    CheckLifetimes(state);
  }
  // The documents go first, in the input's order, and the held nodes outlive them.
  const uint32_t first = input.Below(DocumentCount);
  const uint32_t step = 1 + input.Below(DocumentCount - 1);
  for (uint32_t i = 0; i < DocumentCount; ++i)
    state.Documents[(first + i * step) % DocumentCount].reset();
  for (const auto& held : state.Held)
    held->WriteToString();
  return 0;
}
