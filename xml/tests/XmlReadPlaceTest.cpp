// A failed load of a file tells where the reader stopped in it, beside the exact message.
#include "ErrorOf.h"
#include "TestFiles.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using namespace vbase;
using namespace vxml;

namespace {

struct TFailure {
  std::string Error; // kind and message
  int64_t Line = 0;
  int64_t Column = 0;
  bool NotXmlDocument = false;
  std::u16string File;
};

class XmlReadPlaceTest : public ::testing::Test {
protected:
  std::u16string Write(const std::string& aBytes) {
    WriteFileBytes(fFolder.Path() / "project.vlp", aBytes);
    return Utf8Decode(fFolder.File("project.vlp"));
  }

  static TFailure LoadFailure(const std::u16string& aFileName) {
    TXmlDocument document;
    TFailure failure;
    failure.Error = ErrorOf([&] {
      try {
        document.LoadFromFile(aFileName);
      } catch (const Exception& error) {
        if (error.Place()) {
          failure.File = error.Place()->File;
          failure.Line = error.Place()->Line;
          failure.Column = error.Place()->Column;
        }
        failure.NotXmlDocument = error.NotXmlDocument();
        throw;
      }
    });
    return failure;
  }

  TTempFolder fFolder;
};

std::string Utf16LeWithMark(std::u16string_view aText) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : aText) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

const char16_t Declaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

struct TBrokenCase {
  const char* Name;
  std::u16string Text; // after the declaration
  std::string Error;
  int64_t Line;
  int64_t Column;
};

// Every line break kind, and characters of two, three and four UTF-8 bytes (the last a surrogate
// pair) before the fault on its line: columns count characters, whatever the encoding.
const TBrokenCase BrokenCases[] = {
    {"a wrong close tag, lines broken by CR LF",
     u"\r\n<PROJECT>\r\n  <NATIVE>Grüße € \U0001F600</NATIV>\r\n</PROJECT>\r\n",
     "EFilerError: Incorrect close tag in element NATIVE", 3, 20},
    {"a truncated file, lines broken by LF", u"\n<PROJECT>\n  <NATIVE>Grüße € \U0001F600",
     "EFilerError: Missing close tag in element NATIVE", 3, 20},
    {"stray markup, lines broken by CR", u"\r<PROJECT>\r  <é>x<>y</é>\r</PROJECT>\r",
     "EFilerError: Missing element name", 3, 7},
    {"a close tag without its end", u"\n<PROJECT>\n  <é>\U0001F600</é\n",
     "EFilerError: Missing \">\" in close tag of element é", 3, 7},
};

TEST_F(XmlReadPlaceTest, NamesTheFileLineAndColumnWhereTheReaderStopped) {
  for (const TBrokenCase& test : BrokenCases) {
    const std::u16string text = Declaration + test.Text;
    const struct {
      const char* Encoding;
      std::string Bytes;
    } encodings[] = {
        {"UTF-8", Utf8Encode(text)},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + Utf8Encode(text)},
        {"UTF-16 LE with byte-order mark", Utf16LeWithMark(text)},
    };
    for (const auto& encoding : encodings) {
      const std::u16string file = Write(encoding.Bytes);
      const TFailure failure = LoadFailure(file);
      const std::string name = std::string(test.Name) + ", " + encoding.Encoding;
      EXPECT_EQ(failure.Error, test.Error) << name;
      EXPECT_EQ(failure.File, file) << name;
      EXPECT_EQ(failure.Line, test.Line) << name;
      EXPECT_EQ(failure.Column, test.Column) << name;
      EXPECT_FALSE(failure.NotXmlDocument) << name;
    }
  }
}

TEST_F(XmlReadPlaceTest, AFaultFarIntoABigFileIsFoundAcrossItsPieces) {
  std::string bytes = "<PROJECT>\n";
  while (bytes.size() < 3 * (1u << 20))
    bytes += "  <ROW>Grüße</ROW>\n";
  bytes += "  <ROW>\xF0\x9F\x98\x80</RO>\n</PROJECT>\n";
  const TFailure failure = LoadFailure(Write("\xEF\xBB\xBF" + bytes));
  EXPECT_EQ(failure.Error, "EFilerError: Incorrect close tag in element ROW");
  EXPECT_EQ(failure.Line, static_cast<int64_t>(std::count(bytes.begin(), bytes.end(), '\n')) - 1);
  EXPECT_EQ(failure.Column, 9);
}

struct TNotXmlCase {
  const char* Name;
  std::string Bytes;
  std::string Error;
  int64_t Line;
  int64_t Column;
};

TEST_F(XmlReadPlaceTest, SaysWhenAFileIsNoXmlDocumentAtAll) {
  const TNotXmlCase cases[] = {
      {"a text file", "Dear reader,\nthis is no project.\n",
       "EAssertionFailed: Xml header error (empty stream?) (XmlDocument, line 1336)", 1, 1},
      {"an empty file", "",
       "EAssertionFailed: Xml header error (empty stream?) (XmlDocument, line 1336)", 1, 1},
      {"no element", "<!-- a comment -->\n<?pi?>\n", "EFilerError: No root element found in xml", 3,
       1},
      {"binary content", std::string("\x01\x00\x7F<\x02\x00\x03", 7),
       "EFilerError: Missing element name", 1, 4},
  };
  for (const TNotXmlCase& test : cases) {
    const std::u16string file = Write(test.Bytes);
    const TFailure failure = LoadFailure(file);
    EXPECT_EQ(failure.Error, test.Error) << test.Name;
    EXPECT_EQ(failure.File, file) << test.Name;
    EXPECT_EQ(failure.Line, test.Line) << test.Name;
    EXPECT_EQ(failure.Column, test.Column) << test.Name;
    EXPECT_TRUE(failure.NotXmlDocument) << test.Name;
  }
}

TEST_F(XmlReadPlaceTest, AFileThatCannotBeOpenedIsNamedWithoutAPlace) {
  const std::u16string missing = Utf8Decode(fFolder.File("missing.vlp"));
  const TFailure failure = LoadFailure(missing);
  EXPECT_EQ(failure.File, missing);
  EXPECT_EQ(failure.Line, 0);
  EXPECT_FALSE(failure.NotXmlDocument);
}

TEST_F(XmlReadPlaceTest, ALoadThatSucceedsLeavesNothingToReport) {
  EXPECT_EQ(LoadFailure(Write("<PROJECT>\n  <NATIVE>x</NATIVE>\n</PROJECT>\n")).Error, "no error");
}

} // namespace
