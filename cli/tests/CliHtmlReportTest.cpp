#include "CliHtmlReport.h"

#include "CliReport.h"
#include "Utf8.h"
#include "XmlDocument.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace vcli;
using vbase::Utf8Encode;
using vxml::TXmlDocument;
using vxml::TXmlNode;

namespace {

// Texts that would be markup if they were not escaped.
const std::u16string Hostile = u"<script>alert('x')</script> & \"quoted\"";

std::vector<TInputResult> ResultsWithHostileTexts() {
  TInputResult converted;
  converted.Input = "/p/a<b>.vlp";
  converted.Output = "/p/a<b>.vlp_converted.vxp";
  converted.Targets.push_back(
      {true, vconvert::TTargetKind::tkVirtual, u"R;C:\\<src>", u".\\VnxVirtualTarget[1]", 7});
  converted.Targets.push_back({});
  converted.DroppedRows.push_back({u"C:\\gone & lost", u"Strings.U.S", Hostile});
  converted.DiscardedRows.push_back({u"C:\\a.exe", u"Strings.U.T", u"row <failed>"});
  converted.Verification.emplace();
  converted.Verification->Differences.push_back(
      {u"C:\\a.exe", u"Forms.F.B.Caption", u"comment", Hostile, std::nullopt});
  converted.Verification->Differences.push_back(
      {u"", std::nullopt, u"language", std::nullopt, u"fr"});

  TInputResult failed;
  failed.Input = "/p/broken.vlp";
  failed.Error = "Missing close tag in element <ROW>";
  return {converted, failed};
}

// The page read as a document: it must be well-formed, so every text in it was escaped.
std::unique_ptr<TXmlDocument> ReadPage(const std::string& aHtml) {
  auto document = std::make_unique<TXmlDocument>();
  document->ReadFromString(aHtml);
  return document;
}

void CollectTexts(const TXmlNode& aNode, std::set<std::u16string>& aTexts,
                  std::set<std::u16string>& aNames) {
  aNames.insert(aNode.Name());
  for (int32_t i = 0; i < aNode.AttributeCount(); ++i)
    aNames.insert(aNode.AttributeName(i));
  if (!aNode.ValueDirect().empty())
    aTexts.insert(aNode.ValueAsWidestring());
  for (int32_t i = 0; i < aNode.NodeCount(); ++i)
    CollectTexts(*aNode.Nodes(i), aTexts, aNames);
}

TEST(CliHtmlReportTest, EveryTextIsEscapedAndNothingComesFromElsewhere) {
  const std::string html = ReportHtml(ResultsWithHostileTexts());
  EXPECT_EQ(0u, html.find("<!DOCTYPE html>\n<html lang=\"en\">"));
  const std::unique_ptr<TXmlDocument> page = ReadPage(html);
  ASSERT_NE(nullptr, page->Root());
  EXPECT_EQ(u"html", page->Root()->Name());
  std::set<std::u16string> texts, names;
  CollectTexts(*page->Root(), texts, names);
  for (const std::u16string& expected :
       {std::u16string(u"/p/a<b>.vlp"), std::u16string(u"R;C:\\<src>"),
        std::u16string(u"C:\\gone & lost"), Hostile,
        std::u16string(u"Missing close tag in element <ROW>"), std::u16string(u"missing"),
        std::u16string(u"not in the old project"), std::u16string(u"7"),
        std::u16string(u"row <failed>")})
    EXPECT_EQ(1u, texts.count(expected)) << Utf8Encode(expected);
  for (const char16_t* foreign : {u"script", u"link", u"img", u"iframe", u"src", u"href"})
    EXPECT_EQ(0u, names.count(foreign)) << Utf8Encode(foreign);
  EXPECT_EQ(1u, names.count(u"style"));
}

TEST(CliHtmlReportTest, ShowsOutcomeAndVerificationOfEachInput) {
  const std::string html = ReportHtml(ResultsWithHostileTexts());
  for (const char* shown : {"2 inputs: 0 ok, 2 failed.", "<h2>/p/broken.vlp</h2>",
                            "<dd class=\"failed\">Missing close tag in element &lt;ROW&gt;</dd>",
                            "<p class=\"failed\">failed: 2 differences in 0 rows, 0 targets, 0 "
                            "excludes, 0 languages</p>",
                            "<p class=\"none\">not verified</p>", "<td class=\"count\">7</td>",
                            "<h3>Rows not carried over (1)</h3>",
                            "<h3>Rows that could not be read (1)</h3><table>\n<thead><tr>"
                            "<th>Vornalex 5 Target</th><th>Context</th><th>Error</th></tr>",
                            "<td>row &lt;failed&gt;</td>", "@media print"})
    EXPECT_NE(std::string::npos, html.find(shown)) << shown;
}

TEST(CliHtmlReportTest, FormatFollowsTheReportName) {
  for (const char* html : {"r.html", "R.HTM", "dir.json/r.Html"})
    EXPECT_TRUE(IsHtmlReportPath(html)) << html;
  for (const char* json : {"r.json", "r", "r.html.json", "html"})
    EXPECT_FALSE(IsHtmlReportPath(json)) << json;
}

} // namespace
