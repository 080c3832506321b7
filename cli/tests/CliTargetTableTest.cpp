#include "CliTargetTable.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace vcli;
using vconvert::TTargetKind;

namespace {

std::string TableOf(const std::vector<vreport::TTargetOutcome>& aTargets) {
  std::ostringstream out;
  PrintTargetTable(out, aTargets);
  return out.str();
}

TEST(CliTargetTableTest, NoTargetsNoTable) {
  EXPECT_EQ("", TableOf({}));
}

// Columns line up by characters, whatever their length in UTF-8 or UTF-16: Cyrillic and
// Japanese texts, a character beyond the 16-bit range and a count wider than its header.
TEST(CliTargetTableTest, ColumnsAlignByCharacters) {
  const std::vector<vreport::TTargetOutcome> targets{
      {true, TTargetKind::tkPlain, u"C:\\\u0444\u0430\u0439\u043B.exe",
       u"C:\\\u0444\u0430\u0439\u043B.exe", 12345},
      {false, TTargetKind::tkPlain, u"C:\\App.res", u"", std::nullopt},
      {true, TTargetKind::tkVirtual, u"R;C:\\\u65E5\u672C\U0001F600", u".\\VnxVirtualTarget[1]", 0},
      {true, TTargetKind::tkPlain, u"b.exe", u"b.exe", std::nullopt},
  };
  const std::string expected =
      "\n"
      "Converted  Vornalex 5 Target  Vornalex 7 Target       Rows\n"
      "yes        C:\\\u0444\u0430\u0439\u043B.exe        C:\\\u0444\u0430\u0439\u043B.exe"
      "            12345\n"
      "no         C:\\App.res\n"
      "yes        R;C:\\\u65E5\u672C\U0001F600           .\\VnxVirtualTarget[1]      0\n"
      "yes        b.exe              b.exe\n";
  EXPECT_EQ(expected, TableOf(targets));
}

} // namespace
