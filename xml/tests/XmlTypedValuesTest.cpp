#include "ErrorOf.h"
#include "XmlFloatText.h"
#include "vxml/XmlDocument.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace vbase;
using namespace vxml;

namespace {

using namespace std::chrono;

TXmlDateTime At(int aYear, unsigned aMonth, unsigned aDay, milliseconds aTime = {}) {
  return sys_days(year(aYear) / month(aMonth) / day(aDay)) + aTime;
}

// ---- FloatToText and reading floats ----

TEST(FloatToText, FollowsDigitsAndExponentRules) {
  const double inf = std::numeric_limits<double>::infinity();
  struct {
    double Value;
    int32_t Digits;
    bool Scientific;
    std::u16string Expected;
  } const cases[] = {
      {1234567, 6, true, u"1234570"},     // rounded, then padded back to its magnitude
      {0.5, 6, true, u".5"},              // no leading zero
      {100, 6, true, u"100"},             // zeros before the point stay
      {0.001234, 6, true, u"1.234E-3"},   // far below 1: exponent
      {0.001234, 6, false, u".001234"},   // the same without exponents
      {0.01234, 6, true, u".01234"},      // one leading zero is still plain
      {12345678, 6, true, u"12345700"},   // two digits past Digits is still plain
      {123456789, 6, true, u"1.23457E8"}, // three is not
      {1e22, 6, true, u"1.00000E22"},     // zeros go only where they would follow the point
      {1e22, 6, false, u"10000000000000000000000"},
      {0, 6, true, u"0"},
      {-0.0, 6, true, u"0"},
      {-2.75, 6, true, u"-2.75"},
      {2.5, 1, true, u"2"},        // a tie rounds to the even digit
      {3.5, 1, true, u"4"},        // in both directions
      {0.375, 2, true, u".38"},    // exact binary tie
      {9.9999996, 6, true, u"10"}, // rounding carries into another digit
      {123456789, 9, true, u"123456789"},
      {inf, 6, true, u"INF"},
      {-inf, 6, true, u"-INF"},
      {std::nan(""), 6, true, u"NAN"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Value);
    EXPECT_EQ(FloatToText(row.Value, row.Digits, row.Scientific), row.Expected);
  }
}

TEST(FloatToText, RejectsDigitCountsOutsideOneToNine) {
  for (const int32_t digits : {0, 10, -1}) {
    SCOPED_TRACE(digits);
    EXPECT_EQ(ErrorOf([&] { FloatToText(1, digits, true); }),
              "Exception: Significant digits out of range");
  }
}

TEST(TryTextToFloat, AcceptsPlainDecimalTextOnly) {
  struct {
    std::u16string Text;
    bool Valid;
    double Expected;
  } const cases[] = {
      {u"1.5", true, 1.5},       {u"1,5", true, 1.5}, // the first comma is a decimal point
      {u"  -2e3 ", true, -2000}, {u"+3", true, 3},
      {u".5", true, 0.5},        {u"1.234E-3", true, 0.001234}, // what FloatToText writes
      {u"1,5,5", false, 0},                                     // a second comma stays a comma
      {u"1.5,5", false, 0},                                     // a comma after the point
      {u"+-1", false, 0},        {u"", false, 0},
      {u"   ", false, 0},        {u"abc", false, 0},
      {u"1e999", false, 0},                             // out of range
      {u"0x10", false, 0},       {u"\u0661", false, 0}, // digits of other scripts
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.Text.begin(), row.Text.end()));
    double value = -7;
    EXPECT_EQ(TryTextToFloat(row.Text, value), row.Valid);
    EXPECT_EQ(value, row.Valid ? row.Expected : -7);
  }
}

TEST(ValueAsFloat, ReadsStoredTextAndWritesWithDocumentSettings) {
  TXmlDocument doc(u"xml");
  TXmlNode* node = doc.Root()->NodeNew(u"f");
  node->SetValueDirect(u"abc");
  EXPECT_EQ(ErrorOf([&] { node->ValueAsFloat(); }), "Exception: Cannot convert value to float");
  EXPECT_EQ(node->ValueAsFloatDef(4.5), 4.5);

  doc.SetFloatSignificantDigits(3);
  doc.SetFloatAllowScientific(false);
  node->SetValueAsFloat(0.00012345);
  EXPECT_EQ(node->ValueDirect(), u".000123");
  EXPECT_EQ(node->ValueAsFloat(), 0.000123);

  doc.SetFloatSignificantDigits(10);
  EXPECT_EQ(ErrorOf([&] { node->SetValueAsFloat(1); }),
            "Exception: Significant digits out of range");
  EXPECT_EQ(node->ValueDirect(), u".000123");
}

TEST(ValueAsFloat, DetachedNodeUsesSixDigitsWithExponents) {
  TXmlNode node(nullptr);
  node.SetValueAsFloat(0.0000123456789);
  EXPECT_EQ(node.ValueDirect(), u"1.23457E-5");
}

// ---- Dates ----

TEST(DateTimeToText, WritesTheTimeOnlyWhenThereIsOne) {
  struct {
    TXmlDateTime Value;
    std::u16string Expected;
  } const cases[] = {
      {At(2024, 3, 1), u"2024-03-01"},
      {At(2024, 3, 1, 13h + 45min + 7s + 250ms), u"2024-03-01T13:45:07.250Z"},
      {At(2024, 3, 1, 1ms), u"2024-03-01T00:00:00.001Z"},
      {At(33, 12, 31, 23h), u"0033-12-31T23:00:00.000Z"},
      {At(1900, 1, 1, 1s), u"1900-01-01T00:00:01.000Z"}, // before the clock's epoch
  };
  for (const auto& row : cases) {
    EXPECT_EQ(DateTimeToText(row.Value), row.Expected);
    EXPECT_EQ(TextToDateTime(row.Expected), row.Value);
  }
}

TEST(TextToDateTime, ReadsFieldsByPosition) {
  struct {
    std::u16string Text;
    TXmlDateTime Expected;
  } const cases[] = {
      {u"2024-03-01", At(2024, 3, 1)},
      {u"2024-03-01T13:45", At(2024, 3, 1)},                // 16 characters: no time at all
      {u"2024-03-01T13:45:0", At(2024, 3, 1, 13h + 45min)}, // seconds "0"
      {u"2024-03-01T13:45:5", At(2024, 3, 1, 13h + 45min + 5s)},
      {u"2024-03-01T13:45:xx.yyyZ", At(2024, 3, 1, 13h + 45min)}, // not numbers: zero
      {u"2024-03-01 13:45:07,250", At(2024, 3, 1, 13h + 45min + 7s + 250ms)},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.Text.begin(), row.Text.end()));
    EXPECT_EQ(TextToDateTime(row.Text), row.Expected);
  }
}

TEST(TextToDateTime, RaisesForFieldsThatAreNoNumbersOrNoDate) {
  struct {
    std::u16string Text;
    std::string Message;
  } const cases[] = {
      {u"20x4-01-01", "''20x4'' is not a valid integer value"},
      {u"2024-01-", "'''' is not a valid integer value"}, // the day is missing
      {u"", "'''' is not a valid integer value"},
      {u"2024-01-01Taa:00:00", "''aa'' is not a valid integer value"},
      {u"2024-02-30", "''2024-02-30'' is not a valid date and time"},
      {u"0000-01-01", "''0000-01-01'' is not a valid date and time"},
      {u"2024-01-01T24:00:00", "''2024-01-01T24:00:00'' is not a valid date and time"},
      {u"2024-01-01T10:60:00", "''2024-01-01T10:60:00'' is not a valid date and time"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Message);
    EXPECT_EQ(ErrorOf([&] { TextToDateTime(row.Text); }), "EConvertError: " + row.Message);
  }
}

TEST(ValueAsDateTime, ConvertsTheUnescapedValue) {
  TXmlNode node(nullptr);
  node.SetValueAsDateTime(At(2001, 2, 3, 4h));
  EXPECT_EQ(node.ValueDirect(), u"2001-02-03T04:00:00.000Z");
  EXPECT_EQ(node.ValueAsDateTime(), At(2001, 2, 3, 4h));
  node.SetValueDirect(u"2001-02-31");
  EXPECT_EQ(ErrorOf([&] { node.ValueAsDateTime(); }),
            "EConvertError: ''2001-02-31'' is not a valid date and time");
  EXPECT_EQ(node.ValueAsDateTimeDef(At(1999, 1, 1)), At(1999, 1, 1));
  node.SetValueDirect(u"");
  EXPECT_EQ(node.ValueAsDateTimeDef(At(1999, 1, 1)), At(1999, 1, 1));
}

// ---- Binary values ----

std::string Bytes(std::size_t aCount) {
  std::string bytes;
  for (std::size_t i = 0; i < aCount; ++i)
    bytes += static_cast<char>(i * 37 + 11);
  return bytes;
}

TEST(BufferWrite, RoundTripsEveryLengthInEveryEncodingAndLayout) {
  for (const TBinaryEncodingType encoding : {xbeBase64, xbeBinHex}) {
    for (const TXmlFormatType format : {xfCompact, xfReadable, xfReadable_x10}) {
      for (const std::size_t count : {0, 1, 2, 3, 4, 56, 57, 58, 300}) {
        SCOPED_TRACE(testing::Message() << int(encoding) << " " << int(format) << " " << count);
        TXmlDocument doc(u"xml");
        doc.SetBinaryEncoding(encoding);
        doc.SetXmlFormat(format);
        TXmlNode* node = doc.Root()->NodeNew(u"data")->NodeNew(u"bin");
        const std::string bytes = Bytes(count);
        node->BufferWrite(bytes.data(), static_cast<int32_t>(count));
        ASSERT_EQ(node->BufferLength(), static_cast<int32_t>(count));
        std::string read(count, '\0');
        node->BufferRead(read.data(), static_cast<int32_t>(count));
        EXPECT_EQ(read, bytes);
      }
    }
  }
}

TEST(BufferWrite, ReadableLayoutPutsLinesOf76AtTheNodesIndentation) {
  TXmlDocument doc(u"xml");
  TXmlNode* node = doc.Root()->NodeNew(u"bin");
  const std::string bytes(58, '\xFF'); // 80 characters of Base64, the last two padding
  const std::u16string encoded = std::u16string(76, u'/') + u"/w==";

  node->BufferWrite(bytes.data(), 58);
  EXPECT_EQ(node->ValueDirect(), encoded) << "compact: one line";

  doc.SetXmlFormat(xfReadable);
  node->BufferWrite(bytes.data(), 58);
  EXPECT_EQ(node->ValueDirect(),
            u"\r\n  " + encoded.substr(0, 76) + u"\r\n  " + encoded.substr(76) + u"\r\n  ");

  node->BufferWrite(bytes.data(), 0);
  EXPECT_EQ(node->ValueDirect(), u"\r\n  ");
}

TEST(BufferWrite, BinHexWritesTwoUpperCaseDigitsPerByte) {
  TXmlDocument doc(u"xml");
  doc.SetBinaryEncoding(xbeBinHex);
  const unsigned char bytes[] = {0x00, 0xAB, 0x1F};
  doc.Root()->BufferWrite(bytes, 3);
  EXPECT_EQ(doc.Root()->ValueDirect(), u"00AB1F");
}

TEST(BufferRead, ReportsMissingAndInvalidData) {
  struct {
    TBinaryEncodingType Encoding;
    std::u16string Value;
    int32_t Count;
    std::string Message;
  } const cases[] = {
      {xbeBase64, u"QUJD", 4, "Missing data in binary stream"},
      {xbeBase64, u"QQ==", 2, "Missing data in binary stream"}, // padding ends the data
      {xbeBinHex, u"414", 2, "Missing data in binary stream"},
      {xbeBase64, u"QU!D", 3, "Invalid character in binary stream"},
      {xbeBinHex, u"4G", 1, "Invalid character in binary stream"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Message);
    TXmlDocument doc;
    doc.SetBinaryEncoding(row.Encoding);
    doc.Root()->SetValueDirect(row.Value);
    std::string buffer(8, '\0');
    EXPECT_EQ(ErrorOf([&] { doc.Root()->BufferRead(buffer.data(), row.Count); }),
              "EFilerError: " + row.Message);
  }
}

TEST(BufferRead, SkipsLayoutAndReadsOnlyWhatIsAsked) {
  TXmlDocument doc;
  doc.Root()->SetValueDirect(u"\r\n  QU\tJD\n QUJD\r\n");
  std::string buffer(4, '\0');
  doc.Root()->BufferRead(buffer.data(), 4);
  EXPECT_EQ(buffer, "ABCA");
}

TEST(BufferLength, CountsPaddingAndRejectsImpossibleLengths) {
  struct {
    TBinaryEncodingType Encoding;
    std::u16string Value;
    int32_t Expected; // -1: the length error
  } const cases[] = {
      {xbeBase64, u"QUJD", 3},          {xbeBase64, u"QUI=", 2},
      {xbeBase64, u"QQ==", 1},          {xbeBase64, u"", 0},
      {xbeBase64, u"\r\n QQ==\r\n", 1}, {xbeBase64, u"QUJ", -1}, // not a multiple of four
      {xbeBinHex, u"41 42", 2},         {xbeBinHex, u"414", -1},
  };
  for (const auto& row : cases) {
    TXmlDocument doc;
    doc.SetBinaryEncoding(row.Encoding);
    doc.Root()->SetValueDirect(row.Value);
    if (row.Expected >= 0)
      EXPECT_EQ(doc.Root()->BufferLength(), row.Expected);
    else
      EXPECT_EQ(ErrorOf([&] { doc.Root()->BufferLength(); }),
                "EFilerError: Error while calculating streamlength");
  }
}

TEST(BinaryString, IsBase64WhateverTheSetting) {
  TXmlDocument doc(u"xml");
  doc.SetBinaryEncoding(xbeBinHex);
  TXmlNode detached(nullptr);
  for (TXmlNode* node : {doc.Root(), &detached}) {
    node->SetBinaryString(std::string("AB\0", 3));
    EXPECT_EQ(node->ValueDirect(), u"QUIA");
    EXPECT_EQ(node->BinaryString(), std::string("AB\0", 3));
  }
  EXPECT_EQ(doc.BinaryEncoding(), xbeBinHex);
}

TEST(BinaryEncoding, FollowsTheDocumentAndIsBinHexWithoutOne) {
  TXmlDocument doc;
  EXPECT_EQ(doc.Root()->BinaryEncoding(), xbeBase64);
  doc.Root()->SetBinaryEncoding(xbeBinHex);
  EXPECT_EQ(doc.BinaryEncoding(), xbeBinHex);
  TXmlNode detached(nullptr);
  detached.SetBinaryEncoding(xbeBase64);
  EXPECT_EQ(detached.BinaryEncoding(), xbeBinHex);
}

// ---- Typed child values and attributes ----

class TypedValues : public testing::Test {
protected:
  TXmlDocument fDoc{u"xml"};
  TXmlNode& fRoot = *fDoc.Root();

  std::u16string Stored(std::u16string_view AName) const {
    const TXmlNode* child = fRoot.NodeByName(AName);
    return std::u16string(child ? child->ValueDirect() : u"<missing>");
  }
};

TEST_F(TypedValues, WritersStoreTheTextForms) {
  fRoot.WriteBool(u"b", true);
  fRoot.WriteInteger(u"i", -12);
  fRoot.WriteInt64(u"l", int64_t(1) << 40);
  fRoot.WriteFloat(u"f", 0.5);
  fRoot.WriteString(u"s", u"a<b");
  fRoot.WriteDateTime(u"d", At(2020, 5, 6));
  fRoot.WriteHex(u"h", 255, 4);
  fRoot.WriteHex(u"n", -1, 2); // the 32-bit pattern, never shortened
  fRoot.WriteColor(u"c", 0x00FF8000);
  const std::pair<std::u16string, std::u16string> expected[] = {
      {u"b", u"True"},  {u"i", u"-12"},       {u"l", u"1099511627776"},
      {u"f", u".5"},    {u"s", u"a&lt;b"},    {u"d", u"2020-05-06"},
      {u"h", u"$00FF"}, {u"n", u"$FFFFFFFF"}, {u"c", u"$00FF8000"},
  };
  for (const auto& [name, text] : expected)
    EXPECT_EQ(Stored(name), text);
  fRoot.WriteInteger(u"i", 7);
  EXPECT_EQ(fRoot.NodeCount(), 9) << "a second write reuses the child";
  EXPECT_EQ(Stored(u"i"), u"7");
}

TEST_F(TypedValues, ReadersGiveTheDefaultForMissingOrUnreadableChildren) {
  fRoot.NodeNew(u"bad")->SetValueAsWidestring(u"q1");
  fRoot.NodeNew(u"empty");
  for (const std::u16string_view name : {u"missing", u"bad"}) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    EXPECT_EQ(fRoot.ReadInteger(name, 5), 5);
    EXPECT_EQ(fRoot.ReadInt64(name, 6), 6);
    EXPECT_EQ(fRoot.ReadFloat(name, 1.5), 1.5);
    EXPECT_EQ(fRoot.ReadDateTime(name, At(2000, 1, 1)), At(2000, 1, 1));
  }
  EXPECT_EQ(fRoot.ReadBool(u"missing", true), true);
  EXPECT_EQ(fRoot.ReadBool(u"empty", true), true);
  EXPECT_EQ(fRoot.ReadString(u"missing", u"dflt"), u"dflt");
  EXPECT_EQ(fRoot.ReadString(u"empty", u"dflt"), u"") << "present but empty is not missing";
  EXPECT_EQ(fRoot.ReadString(u"bad", u"dflt"), u"q1");
  EXPECT_EQ(fRoot.ReadColor(u"missing", 0x123), 0x123);
  EXPECT_EQ(ErrorOf([&] { fRoot.ReadColor(u"bad", 0); }),
            "EConvertError: ''q1'' is not a valid integer value");
}

TEST_F(TypedValues, ReadersGiveBackWhatWritersStored) {
  fRoot.WriteBool(u"b", true);
  fRoot.WriteInteger(u"i", -12);
  fRoot.WriteInt64(u"l", INT64_MIN);
  fRoot.WriteFloat(u"f", -1234.5);
  fRoot.WriteString(u"s", u"a<b & \"c\"");
  fRoot.WriteDateTime(u"d", At(2020, 5, 6, 7h + 8ms));
  fRoot.WriteColor(u"c", 0x00FF8000);
  EXPECT_TRUE(fRoot.ReadBool(u"b"));
  EXPECT_EQ(fRoot.ReadInteger(u"i"), -12);
  EXPECT_EQ(fRoot.ReadInt64(u"l"), INT64_MIN);
  EXPECT_EQ(fRoot.ReadFloat(u"f"), -1234.5);
  EXPECT_EQ(fRoot.ReadString(u"s"), u"a<b & \"c\"");
  EXPECT_EQ(fRoot.ReadDateTime(u"d"), At(2020, 5, 6, 7h + 8ms));
  EXPECT_EQ(fRoot.ReadColor(u"c"), 0x00FF8000);
}

TEST_F(TypedValues, WriteOnDefaultFalseSkipsValuesEqualToTheirDefault) {
  fDoc.SetWriteOnDefault(false);
  fRoot.WriteBool(u"b", false);
  fRoot.WriteInteger(u"i", 3, 3);
  fRoot.WriteInt64(u"l", 0);
  fRoot.WriteFloat(u"f", 0);
  fRoot.WriteString(u"s", u"x", u"x");
  fRoot.WriteHex(u"h", 0, 8);
  fRoot.WriteColor(u"c", 0);
  fRoot.WriteAttributeBool(u"ab", false);
  fRoot.WriteAttributeInteger(u"ai", 0);
  fRoot.WriteAttributeFloat(u"af", 2.5, 2.5);
  fRoot.WriteAttributeString(u"as", u"");
  EXPECT_EQ(fRoot.NodeCount(), 0);
  EXPECT_EQ(fRoot.AttributeCount(), 0);

  fRoot.WriteInteger(u"i", 4, 3);
  fRoot.WriteDateTime(u"d", TXmlDateTime{}); // a date has no default
  EXPECT_EQ(Stored(u"i"), u"4");
  EXPECT_EQ(Stored(u"d"), u"1970-01-01");

  fDoc.SetWriteOnDefault(true);
  fRoot.WriteInteger(u"z", 0);
  EXPECT_EQ(Stored(u"z"), u"0");
}

TEST_F(TypedValues, AFloatThatCannotBeWrittenLeavesNoChild) {
  fDoc.SetFloatSignificantDigits(0);
  EXPECT_EQ(ErrorOf([&] { fRoot.WriteFloat(u"f", 1); }),
            "Exception: Significant digits out of range");
  EXPECT_EQ(ErrorOf([&] { fRoot.WriteAttributeFloat(u"f", 1); }),
            "Exception: Significant digits out of range");
  EXPECT_EQ(fRoot.NodeCount(), 0);
  EXPECT_EQ(fRoot.AttributeCount(), 0);
}

TEST_F(TypedValues, AttributeWritersReplaceTheFirstLineOrAddOne) {
  fRoot.AttributeAdd(u"Count", u"1");
  fRoot.WriteAttributeInteger(u"count", 2);
  fRoot.WriteAttributeBool(u"flag", true);
  fRoot.WriteAttributeFloat(u"ratio", 0.25);
  fRoot.WriteAttributeString(u"text", u"a\"b");
  EXPECT_EQ(fRoot.AttributeCount(), 4);
  EXPECT_EQ(fRoot.AttributePair(0), u"Count=\"2\"") << "the line keeps its name";
  EXPECT_EQ(fRoot.AttributePair(1), u"flag=\"True\"");
  EXPECT_EQ(fRoot.AttributePair(2), u"ratio=\".25\"");
  EXPECT_EQ(fRoot.AttributePair(3), u"text=\"a&quot;b\"");
}

TEST_F(TypedValues, AttributeReadersFallBackOnTheirDefault) {
  fRoot.AttributeAdd(u"yes", u"yes");
  fRoot.AttributeAdd(u"one", u"1");
  fRoot.AttributeAdd(u"hex", u"$7FFFFFFFFF");
  fRoot.AttributeAdd(u"comma", u"1,25");
  fRoot.AttributeAdd(u"empty", u"");
  EXPECT_TRUE(fRoot.ReadAttributeBool(u"yes"));
  EXPECT_TRUE(fRoot.ReadAttributeBool(u"one", true)) << "1 is not a boolean text";
  EXPECT_FALSE(fRoot.ReadAttributeBool(u"missing"));
  EXPECT_EQ(fRoot.ReadAttributeInteger(u"one"), 1);
  EXPECT_EQ(fRoot.ReadAttributeInteger(u"hex", -3), -3) << "too wide for 32 bits";
  EXPECT_EQ(fRoot.ReadAttributeInt64(u"hex"), 0x7FFFFFFFFF);
  EXPECT_EQ(fRoot.ReadAttributeInt64(u"yes", 9), 9);
  EXPECT_EQ(fRoot.ReadAttributeFloat(u"comma"), 1.25);
  EXPECT_EQ(fRoot.ReadAttributeFloat(u"yes", 0.5), 0.5);
  EXPECT_EQ(fRoot.ReadAttributeString(u"one", u"d"), u"1");
  EXPECT_EQ(fRoot.ReadAttributeString(u"empty", u"d"), u"d") << "empty reads as the default";
  EXPECT_EQ(fRoot.ReadAttributeString(u"missing", u"d"), u"d");
}

// ---- Drawing settings ----

TEST_F(TypedValues, MissingDrawingSettingsReadAsTheirDefaults) {
  const TXmlFont font = fRoot.ReadFont(u"Font");
  EXPECT_EQ(font.Name, u"Arial");
  EXPECT_EQ(font.Color, 0);
  EXPECT_EQ(font.Size, 14);
  EXPECT_FALSE(font.Bold || font.Italic || font.Underline || font.Strikeout);
  const TXmlPen pen = fRoot.ReadPen(u"Pen");
  EXPECT_EQ((std::array{pen.Color, pen.Mode, pen.Style, pen.Width}), (std::array{0, 4, 0, 1}));
  const TXmlBrush brush = fRoot.ReadBrush(u"Brush");
  EXPECT_EQ(brush.Color, 0xFFFFFF);
  EXPECT_EQ(brush.Style, 0);
}

TEST_F(TypedValues, DrawingSettingsRoundTrip) {
  const TXmlFont font{u"Courier New", 0x0000FF, 9, true, false, true, true};
  const TXmlPen pen{0x112233, 7, 2, 3};
  const TXmlBrush brush{0x445566, 1};
  fRoot.WriteFont(u"Font", font);
  fRoot.WritePen(u"Pen", pen);
  fRoot.WriteBrush(u"Brush", brush);
  EXPECT_EQ(fRoot.NodeByName(u"Font")->NodeByName(u"Color")->ValueDirect(), u"$000000FF");
  const TXmlFont readFont = fRoot.ReadFont(u"Font");
  EXPECT_EQ(readFont.Name, font.Name);
  EXPECT_EQ(readFont.Color, font.Color);
  EXPECT_EQ(readFont.Size, font.Size);
  EXPECT_EQ((std::array{readFont.Bold, readFont.Italic, readFont.Underline, readFont.Strikeout}),
            (std::array{true, false, true, true}));
  const TXmlPen readPen = fRoot.ReadPen(u"Pen");
  EXPECT_EQ((std::array{readPen.Color, readPen.Mode, readPen.Style, readPen.Width}),
            (std::array{0x112233, 7, 2, 3}));
  const TXmlBrush readBrush = fRoot.ReadBrush(u"Brush");
  EXPECT_EQ(readBrush.Color, 0x445566);
  EXPECT_EQ(readBrush.Style, 1);
}

TEST_F(TypedValues, PenAndBrushWriteAgainstZeroDefaults) {
  fDoc.SetWriteOnDefault(false);
  fRoot.WritePen(u"Pen", TXmlPen{});       // mode 4 and width 1 differ from the zero defaults
  fRoot.WriteBrush(u"Brush", TXmlBrush{}); // white differs from black
  fRoot.WriteFont(u"Font", TXmlFont{});
  const TXmlNode* pen = fRoot.NodeByName(u"Pen");
  ASSERT_EQ(pen->NodeCount(), 2);
  EXPECT_EQ(pen->NodeByName(u"Mode")->ValueDirect(), u"4");
  EXPECT_EQ(pen->NodeByName(u"Width")->ValueDirect(), u"1");
  const TXmlNode* brush = fRoot.NodeByName(u"Brush");
  ASSERT_EQ(brush->NodeCount(), 1);
  EXPECT_EQ(brush->NodeByName(u"Color")->ValueDirect(), u"$00FFFFFF");
  EXPECT_EQ(fRoot.NodeByName(u"Font")->NodeCount(), 0);
  EXPECT_EQ(fRoot.ReadPen(u"Pen").Mode, 4);
  EXPECT_EQ(fRoot.ReadBrush(u"Brush").Color, 0xFFFFFF);
}

} // namespace
