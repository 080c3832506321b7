// Any bytes loaded as a document. A document that loads is saved in every layout, in its own
// encoding and in UTF-8, and what was saved must load again; so must the document once its
// entity references are resolved.
#include "Errors.h"
#include "FuzzTarget.h"
#include "XmlDocument.h"

#include <sstream>
#include <string>

using namespace vbase;
using namespace vxml;

namespace {

struct TLayout {
  TXmlFormatType Format;
  const char* Name;
};

constexpr TLayout Layouts[] = {{xfCompact, "compact"},
                               {xfReadable, "readable"},
                               {xfReadable_x13, "readable_x13"},
                               {xfReadable_x10, "readable_x10"}};

void ExpectSavedLoads(TXmlDocument& aDocument, bool aRespectEncoding, bool aWriteBom,
                      const std::string& aHow) {
  std::ostringstream saved;
  try {
    aDocument.SaveToStream(saved, aRespectEncoding, aWriteBom);
  } catch (const Exception& error) {
    FuzzFinding("a loaded document cannot be saved " + aHow + ": " + error.what());
  }
  TXmlDocument again;
  try {
    again.ReadFromString(saved.str());
  } catch (const Exception& error) {
    FuzzFinding("a document saved " + aHow + " does not load again: " + error.what());
  }
}

void ExpectEveryLayoutLoads(TXmlDocument& aDocument, const std::string& aWhat) {
  // With a byte-order mark, as files are saved: without one, a document in UTF-16 could not be
  // told from an 8-bit one.
  for (const TLayout& layout : Layouts) {
    aDocument.SetXmlFormat(layout.Format);
    ExpectSavedLoads(aDocument, true, true, aWhat + " " + layout.Name);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  TXmlDocument document;
  try {
    document.ReadFromString(FuzzBytes(aData, aSize));
  } catch (const Exception&) {
    return 0; // refused with one of the reader's own errors
  }
  ExpectEveryLayoutLoads(document, "as loaded,");
  try {
    document.ResolveEntityReferences();
  } catch (const Exception&) {
    return 0;
  }
  ExpectEveryLayoutLoads(document, "with entities resolved,");
  // Last: saving without respecting the encoding declares UTF-8 in the document itself.
  ExpectSavedLoads(document, false, false, "in UTF-8");
  return 0;
}
