// Any bytes loaded as a document. A document that loads is saved in every layout, in its own
// encoding and in UTF-8, and what was saved must load again whenever the encoding carries it.
// Its entity references are then resolved, and the result must still save.
#include "FuzzTarget.h"
#include "XmlLoading.h"
#include "vbase/Errors.h"
#include "vcharset/CodePages.h"
#include "vxml/XmlDocument.h"

#include <optional>
#include <sstream>
#include <string>

using namespace vbase;
using namespace vcharset;
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

std::string Saved(TXmlDocument& aDocument, bool aRespectEncoding, bool aWriteBom,
                  const std::string& aHow) {
  std::ostringstream saved;
  try {
    aDocument.SaveToStream(saved, aRespectEncoding, aWriteBom);
  } catch (const Exception& error) {
    FuzzFinding("a loaded document cannot be saved " + aHow + ": " + error.what());
  }
  return std::move(saved).str();
}

// The text a reader finds in saved bytes, without the byte-order mark; none when the encoding it
// detects cannot be converted.
std::optional<std::u16string> ReadBack(std::string_view aBytes) {
  try {
    std::u16string text = CodePageToUtf16(DetectCodePage(aBytes), aBytes);
    if (text.starts_with(u'\xFEFF'))
      text.erase(0, 1);
    return text;
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// An encoding may not carry a document: characters it lacks are saved as "?"; one that is not
// ASCII-compatible cannot be recognised without a byte-order mark; and the reader takes the
// encoding from any declaration in the first 255 bytes, which a save that drops stray
// characters can bring into reach. Only a document that reads back as the text that was written
// must load again.
void ExpectSavedLoads(TXmlDocument& aDocument, bool aRespectEncoding, bool aWriteBom,
                      const std::string& aHow) {
  const std::string bytes = Saved(aDocument, aRespectEncoding, aWriteBom, aHow);
  if (ReadBack(bytes) != aDocument.WriteToStringW())
    return;
  TXmlDocument again;
  try {
    again.ReadFromString(bytes);
  } catch (const Exception& error) {
    FuzzFinding("a document saved " + aHow + " does not load again: " + error.what());
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
  // With a byte-order mark, as files are saved: without one, a document in UTF-16 could not be
  // told from an 8-bit one.
  for (const TLayout& layout : Layouts) {
    document.SetXmlFormat(layout.Format);
    ExpectSavedLoads(document, true, true, layout.Name);
  }
  // Saving without respecting the encoding declares UTF-8 in the document itself.
  ExpectSavedLoads(document, false, false, "in UTF-8");

  try {
    document.ResolveEntityReferences();
  } catch (const Exception&) {
    return 0;
  }
  // Resolving stores every attribute back through the value setter, which can turn a line the
  // reader kept leniently (a name holding a quote) into one it cannot read again: the result
  // only has to save.
  Saved(document, true, true, "with its entities resolved");
  return 0;
}
