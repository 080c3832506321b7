#include "ExpectError.h"
#include "XmlDocument.h"
#include "XmlFloatText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace std::chrono;

TXmlDateTime At(int AYear, unsigned AMonth, unsigned ADay, milliseconds ATime = {}) {
  return sys_days(year(AYear) / month(AMonth) / day(ADay)) + ATime;
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
    ExpectError<Exception>([&] { FloatToText(1, digits, true); },
                           "Significant digits out of range");
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
  ExpectError<Exception>([&] { node->ValueAsFloat(); }, "Cannot convert value to float");
  EXPECT_EQ(node->ValueAsFloatDef(4.5), 4.5);

  doc.SetFloatSignificantDigits(3);
  doc.SetFloatAllowScientific(false);
  node->SetValueAsFloat(0.00012345);
  EXPECT_EQ(node->ValueDirect(), u".000123");
  EXPECT_EQ(node->ValueAsFloat(), 0.000123);

  doc.SetFloatSignificantDigits(10);
  ExpectError<Exception>([&] { node->SetValueAsFloat(1); }, "Significant digits out of range");
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
    ExpectError<EConvertError>([&] { TextToDateTime(row.Text); }, row.Message);
  }
}

TEST(ValueAsDateTime, ConvertsTheUnescapedValue) {
  TXmlNode node(nullptr);
  node.SetValueAsDateTime(At(2001, 2, 3, 4h));
  EXPECT_EQ(node.ValueDirect(), u"2001-02-03T04:00:00.000Z");
  EXPECT_EQ(node.ValueAsDateTime(), At(2001, 2, 3, 4h));
  node.SetValueDirect(u"2001-02-31");
  ExpectError<EConvertError>([&] { node.ValueAsDateTime(); },
                             "''2001-02-31'' is not a valid date and time");
  EXPECT_EQ(node.ValueAsDateTimeDef(At(1999, 1, 1)), At(1999, 1, 1));
  node.SetValueDirect(u"");
  EXPECT_EQ(node.ValueAsDateTimeDef(At(1999, 1, 1)), At(1999, 1, 1));
}

// ---- Binary values ----

std::string Bytes(std::size_t ACount) {
  std::string bytes;
  for (std::size_t i = 0; i < ACount; ++i)
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
    ExpectError<EFilerError>([&] { doc.Root()->BufferRead(buffer.data(), row.Count); },
                             row.Message);
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
      ExpectError<EFilerError>([&] { doc.Root()->BufferLength(); },
                               "Error while calculating streamlength");
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

} // namespace
