#include "ErrorOf.h"
#include "SystemReasons.h"
#include "TestFiles.h"
#include "XmlLoading.h"
#include "XmlTreeDump.h"
#include "vxml/XmlDocument.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace vbase;
using namespace vxml;

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

const std::string HeaderError =
    "EAssertionFailed: Xml header error (empty stream?) (XmlDocument, line 1336)";

std::string DetectedOrError(std::string_view aBytes) {
  std::string result;
  const std::string error = ErrorOf([&] { result = std::to_string(DetectCodePage(aBytes)); });
  return error == "no error" ? result : error;
}

TEST(XmlEncodingDetectionTest, DetectCodePageReadsMarkThenDeclaration) {
  struct {
    const char* Name;
    std::string Bytes;
    std::string Expected;
  } const cases[] = {
      {"UTF-8 mark wins over the declaration", "\xEF\xBB\xBF<?xml encoding='windows-1252'?>",
       "65001"},
      {"UTF-16 LE mark", "\xFF\xFE<\0a\0"s, "1200"},
      {"UTF-16 BE mark", "\xFE\xFF\0<\0a"s, "1201"},
      {"apostrophes", "<?xml version='1.0' encoding='windows-1252'?>", "1252"},
      {"double quotes", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", "65001"},
      {"no blanks around = allowed", "<?xml encoding = 'windows-1252'?>", "0"},
      {"letter case matters", "<?xml ENCODING=\"windows-1252\"?>", "0"},
      {"no declaration", "<a/>", "0"},
      {"declaration after the first >", "<a>  <?xml encoding='utf-8'?>", "0"},
      {"UTF-16 without mark has NULs in its header",
       "<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0'\0"s, "0"},
      {"iso-8859-1", "<?xml encoding='iso-8859-1'?>", "28591"},
      {"iso-8859-2", "<?xml encoding='iso-8859-2'?>", "28592"},
      {"iso-8859-8", "<?xml encoding='iso-8859-8'?>", "28598"},
      {"shift_jis", "<?xml encoding='shift_jis'?>", "932"},
      {"koi8-r", "<?xml encoding='koi8-r'?>", "20866"},
      {"utf-7", "<?xml encoding='utf-7'?>", "65000"},
      {"the name is not trimmed", "<?xml encoding=' utf-8'?>", "20127"},
      {"first < at byte 255 is still in the header", std::string(254, ' ') + "<a/>", "0"},
      {"empty input", "", HeaderError},
      {"whitespace only", " \r\n\t", HeaderError},
      {"first < after 300 blanks", std::string(300, ' ') + "<a/>", HeaderError},
      {"a > before the first <", "x>\n<a/>", HeaderError},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(DetectedOrError(row.Bytes), row.Expected);
  }
}

std::string Utf16Bytes(std::u16string_view aText, bool aBigEndian) {
  std::string bytes;
  for (const char16_t c : aText) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += aBigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

std::string Utf16Le(std::u16string_view aText) {
  return Utf16Bytes(aText, false);
}

std::string Declared(const char* aEncoding, const std::string& aValueBytes) {
  return "<?xml version=\"1.0\" encoding=\""s + aEncoding + "\"?>\r\n<a>" + aValueBytes + "</a>";
}

TEST(XmlEncodingDetectionTest, LoadsTextInEachEncoding) {
  struct {
    const char* Name;
    std::string Bytes;
    std::u16string Value;
  } const cases[] = {
      {"UTF-8 without mark", Declared("utf-8", "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC"), u"Grüße €"},
      {"UTF-8 without declaration", "<a>\xC3\xA9</a>", u"\u00C3\u00A9"},
      {"UTF-8 with mark", "\xEF\xBB\xBF<a>\xC3\xA9</a>", u"é"},
      {"UTF-16 LE with mark", "\xFF\xFE" + Utf16Le(u"<a>é€</a>"), u"é€"},
      {"UTF-16 BE with mark", "\xFE\xFF" + Utf16Bytes(u"<a>é€</a>", true), u"é€"},
      {"windows-1252", Declared("windows-1252", "Gr\xFC\xDF \x80"), u"Grüß €"},
      {"iso-8859-1", Declared("iso-8859-1", "caf\xE9"), u"café"},
      {"iso-8859-2", Declared("iso-8859-2", "\xB1\xB9"), u"ąš"},
      {"iso-8859-8", Declared("iso-8859-8", "\xE0\xE9"), u"אי"},
      {"shift_jis", Declared("shift_jis", "\x93\xFA\x96\x7B"), u"日本"},
      {"koi8-r", Declared("koi8-r", "\xF2\xD5\xD3"), u"Рус"},
      {"utf-7", Declared("utf-7", "+AOk-"), u"é"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    document.ReadFromString(row.Bytes);
    ASSERT_NE(document.Root(), nullptr);
    EXPECT_EQ(Visible(document.Root()->ValueDirect()), Visible(row.Value));
  }
}

TEST(XmlEncodingDetectionTest, AMarkOverridesTheDeclaredEncoding) {
  TXmlDocument document;
  document.ReadFromString("\xEF\xBB\xBF" + Declared("windows-1252", "\xC3\xA9"));
  EXPECT_EQ(document.Root()->ValueDirect(), u"é");
  EXPECT_EQ(document.EncodingString(), u"windows-1252");
  EXPECT_EQ(document.RootNodeList()->NodeCount(), 2);
}

TEST(XmlEncodingDetectionTest, Utf16WithoutMarkDoesNotLoadAsUtf16) {
  TXmlDocument document;
  const std::string error = ErrorOf([&] { document.ReadFromString(Utf16Le(u"<a>x</a>")); });
  EXPECT_TRUE(error != "no error" || document.Root()->Name() != u"a") << error;
}

TEST(XmlEncodingDetectionTest, LongLeadingWhitespaceNeedsAMark) {
  const std::string blanks(300, ' ');
  TXmlDocument document;
  EXPECT_EQ(ErrorOf([&] { document.ReadFromString(blanks + "<a>x</a>"); }), HeaderError);
  document.ReadFromString("\xEF\xBB\xBF" + blanks + "<a>x</a>");
  EXPECT_EQ(document.Root()->ValueDirect(), u"x");
}

// Every prefix sits at the very end of its own allocation, so a read past it is caught.
template <typename TChar, typename TLoad>
void LoadEveryPrefix(std::basic_string_view<TChar> aText, TLoad aLoad) {
  for (std::size_t length = 0; length <= aText.size(); ++length) {
    const auto buffer = std::make_unique<TChar[]>(length == 0 ? 1 : length);
    std::copy_n(aText.data(), length, buffer.get());
    TXmlDocument document;
    try {
      aLoad(document, std::basic_string_view<TChar>(buffer.get(), length));
    } catch (const Exception&) {
    }
  }
}

constexpr char16_t EveryFeature[] =
    u"<?xml version='1.0' encoding='utf-8'?>\r\n<?xml-stylesheet href='s.xsl'?>\r\n"
    u"<!DOCTYPE r PUBLIC 'p' [<!ENTITY e '<i>x</i>'><!ATTLIST r a CDATA #IMPLIED>%p;<!--d-->]>\r\n"
    u"<r a='1' b=\"t>u\">\r\n  t1 &e;<c/>t2<![CDATA[<&>]]><!-- c --><?pi x?><!x y>\r\n"
    u"  <d e = 'f'>g</D>\r\n</r>\r\n<!--after-->";

TEST(XmlEncodingDetectionTest, EveryTruncationFailsCleanly) {
  const std::u16string_view text = EveryFeature;
  LoadEveryPrefix(text, [](TXmlDocument& aDocument, std::u16string_view aPrefix) {
    aDocument.ReadFromStringW(aPrefix);
    aDocument.ResolveEntityReferences();
  });
  const std::string utf8 = Utf8Encode(text);
  LoadEveryPrefix(std::string_view(utf8), [](TXmlDocument& aDocument, std::string_view aPrefix) {
    aDocument.ReadFromString(aPrefix);
  });
  const std::string utf16 = "\xFF\xFE" + Utf16Le(text);
  LoadEveryPrefix(std::string_view(utf16), [](TXmlDocument& aDocument, std::string_view aPrefix) {
    aDocument.ReadFromString(aPrefix);
  });
  TXmlDocument document;
  document.ReadFromStringW(text);
  EXPECT_EQ(document.Root()->Name(), u"r");
}

// Random bytes, and random heaps of markup pieces inside a root element: a load either gives a
// document with a root or fails with one of the reader's own errors.
TEST(XmlEncodingDetectionTest, GarbageFailsCleanly) {
  static constexpr std::string_view Pieces[] = {
      "<",    ">",    "/",         "'",    "\"",
      "<!--", "-->",  "<![CDATA[", "]]>",  "<!DOCTYPE r ",
      "[",    "]",    "<?",        "?>",   "&e;",
      "=",    " ",    "\r\n",      "a",    "<a>",
      "</a>", "<b/>", "\xFF",      "\xFE", "<!ENTITY e '<b>&e;</b>'>",
      "\0"sv};
  std::mt19937 random(20240611);
  int loaded = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string bytes;
    const std::size_t length = random() % 60;
    for (std::size_t j = 0; j < length; ++j)
      bytes += i % 2 ? std::string(1, static_cast<char>(random()))
                     : std::string(Pieces[random() % std::size(Pieces)]);
    if (i % 2 == 0)
      bytes = "<r>" + bytes + "</r>";
    TXmlDocument document;
    try {
      document.ReadFromString(bytes);
      EXPECT_NE(document.Root(), nullptr);
      ++loaded;
      document.ResolveEntityReferences();
    } catch (const Exception&) {
    }
  }
  EXPECT_GT(loaded, 100); // the heaps reach past the first few checks
}

class XmlLoadFromFileTest : public ::testing::Test {
protected:
  std::u16string Write(const std::u16string& AName, const std::string& aBytes) {
    const std::filesystem::path path = fFolder.Path() / std::filesystem::path(Utf8Encode(AName));
    WriteFileBytes(path, aBytes);
    return Utf8Decode(path.string());
  }

  TTempFolder fFolder;
};

TEST_F(XmlLoadFromFileTest, LoadsAFileWithAUnicodeName) {
  const std::u16string path = Write(u"Prüfung ☺.vlp", "\xEF\xBB\xBF<xml><a>\xE2\x82\xAC</a></xml>");
  TXmlDocument document;
  document.LoadFromFile(path);
  EXPECT_EQ(DumpDocument(document), "Nxml\"\"[Na\"€\"]");
}

// Files are read in pieces of a mebibyte: sequences of every length, and broken ones, must decode
// across the seam as they do in one piece, wherever the seam cuts them.
TEST_F(XmlLoadFromFileTest, ABigFileLoadsAsItsBytesDoInOnePiece) {
  const std::string pattern = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE2\x82 \xC3\xF0\x9F\x98\x80";
  std::string text;
  while (text.size() < (1u << 20))
    text += pattern;
  std::vector<std::string> starts;
  for (std::size_t shift = 0; shift < pattern.size(); ++shift)
    starts.push_back("\xEF\xBB\xBF<r>" + std::string(shift, 'x'));
  starts.push_back("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>");
  starts.push_back("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>");
  for (const std::string& start : starts) {
    const std::string bytes = start + text + "</r>";
    TXmlDocument fromFile;
    fromFile.LoadFromFile(Write(u"big.vlp", bytes));
    TXmlDocument inOnePiece;
    inOnePiece.ReadFromString(bytes);
    EXPECT_TRUE(fromFile.Root()->ValueDirect() == inOnePiece.Root()->ValueDirect()) << start;
  }
}

TEST_F(XmlLoadFromFileTest, ReportsFilesThatCannotBeOpened) {
  const std::u16string missing = Utf8Decode(fFolder.File("missing.vlp"));
  const std::u16string folder = Utf8Decode(fFolder.Path().string());
  TXmlDocument document;
  EXPECT_EQ(ErrorOf([&] { document.LoadFromFile(missing); }),
            "EFOpenError: Cannot open file \"" + Utf8Encode(missing) + "\". " +
                Utf8Encode(SystemReasons().NoSuchFile));
  EXPECT_EQ(ErrorOf([&] { document.LoadFromFile(folder); }),
            "EFOpenError: Cannot open file \"" + Utf8Encode(folder) + "\". " +
                Utf8Encode(SystemReasons().IsAFolder));
}

TEST_F(XmlLoadFromFileTest, AnEmptyFileIsAHeaderError) {
  TXmlDocument document;
  EXPECT_EQ(ErrorOf([&] { document.LoadFromFile(Write(u"empty.vlp", "")); }), HeaderError);
}

TEST(XmlLoadFromStreamTest, ReadsTheStreamFromItsStart) {
  std::istringstream stream("<?xml version='1.0' encoding='windows-1252'?><a>\xE9</a>");
  stream.seekg(0, std::ios::end);
  TXmlDocument document;
  document.LoadFromStream(stream);
  EXPECT_EQ(document.Root()->ValueDirect(), u"é");
}

// A stream buffer whose device fails on the first read.
class TFailingBuffer : public std::streambuf {
protected:
  int_type underflow() override { throw std::ios_base::failure("device error"); }
};

TEST(XmlLoadFromStreamTest, AFailingStreamIsReported) {
  TFailingBuffer buffer;
  std::istream stream(&buffer);
  TXmlDocument document;
  EXPECT_EQ(ErrorOf([&] { document.LoadFromStream(stream); }), "EStreamError: Stream read error");
}

} // namespace
