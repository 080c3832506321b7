#include "vconvert/uReadFailure.h"

#include "TestFiles.h"
#include "vbase/Utf8.h"
#include "vconvert/uVLP5Reader.h"

#include <gtest/gtest.h>
#include <string>

using namespace vbase;
using namespace vconvert;

namespace {

// The sentence for the error that loading the old project aFileName raises.
std::string SentenceForLoading(const std::u16string& aFileName) {
  try {
    TVLP5Project project(aFileName, nullptr);
  } catch (const Exception& error) {
    return Utf8Encode(ReadFailureSentence(error));
  }
  return "loaded";
}

TEST(uReadFailureTest, LeadsWithTheFileAndThePlace) {
  TTempFolder folder;
  const struct {
    const char* Name;
    const char* Bytes;
    std::string Sentence;
  } cases[] = {
      {"Grüße.vlp", "<PROJECT>\n  <NATIVE>x</NATIV>\n</PROJECT>\n",
       "The project \"Grüße.vlp\" could not be read: line 2, column 12."},
      {"notes.vlp", "Only words here.\n", "\"notes.vlp\" is not an XML document."},
      {"good.vlp", "<PROJECT/>", "loaded"},
  };
  for (const auto& test : cases) {
    WriteFileBytes(PathOfUtf8(folder.File(test.Name)), test.Bytes);
    EXPECT_EQ(SentenceForLoading(Utf8Decode(folder.File(test.Name))), test.Sentence) << test.Name;
  }
  EXPECT_EQ(SentenceForLoading(Utf8Decode(folder.File("missing.vlp"))),
            "The project \"missing.vlp\" could not be read.");
}

TEST(uReadFailureTest, AnErrorOfNoFileHasNoSentence) {
  EXPECT_EQ(ReadFailureSentence(EConvertError(u"'x' is not a valid integer value")), u"");
}

} // namespace
