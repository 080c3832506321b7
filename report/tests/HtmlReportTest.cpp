#include "vreport/HtmlReport.h"

#include "ChildProcess.h"
#include "TestFiles.h"
#include "vbase/Utf8.h"
#include "vreport/Report.h"
#include "vxml/XmlDocument.h"

#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

using namespace vreport;
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
  converted.Targets.push_back(
      {false, vconvert::TTargetKind::tkPlain, u"C:\\<App>.res", u"", std::nullopt});
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

TEST(HtmlReportTest, EveryTextIsEscapedAndNothingComesFromElsewhere) {
  const std::string html = ReportHtml(ResultsWithHostileTexts(), "vlp5tovxp-cli");
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

TEST(HtmlReportTest, ShowsOutcomeAndVerificationOfEachInput) {
  const std::string html = ReportHtml(ResultsWithHostileTexts(), "vlp5tovxp-cli");
  for (const char* shown : {"2 inputs: 0 ok, 2 failed.", "<h2>/p/broken.vlp</h2>",
                            "<dd class=\"failed\">Missing close tag in element &lt;ROW&gt;</dd>",
                            "<p class=\"failed\">failed: 2 differences in 0 rows, 0 targets, 0 "
                            "excludes, 0 languages</p>",
                            "<p class=\"none\">not verified</p>", "<td class=\"count\">7</td>",
                            "<h3>Rows not carried over (1)</h3>",
                            "<h3>Rows that could not be read (1)</h3><table>\n<thead><tr>"
                            "<th>Vornalex 5 Target</th><th>Context</th><th>Error</th></tr>",
                            "<td>row &lt;failed&gt;</td>", "@media print",
                            "<tr class=\"unconverted\"><td>no</td><td></td><td>C:\\&lt;App&gt;.res"
                            "</td><td></td><td class=\"count\"></td></tr>"})
    EXPECT_NE(std::string::npos, html.find(shown)) << shown;
}

// The page names the program that wrote it, in its title and beside its version, and nowhere
// else: the batch command's page and the window's differ in nothing but that.
TEST(HtmlReportTest, NamesTheProgramThatWroteIt) {
  const std::string window = ReportHtml(ResultsWithHostileTexts(), "vlp5tovxp");
  for (const std::string& shown :
       {std::string("<title>vlp5tovxp report</title>"),
        std::string("2 inputs: 0 ok, 2 failed. vlp5tovxp ") + VLP_VERSION + "</p>"})
    EXPECT_NE(std::string::npos, window.find(shown)) << shown;
  std::string batch = ReportHtml(ResultsWithHostileTexts(), "vlp5tovxp-cli");
  std::size_t names = 0;
  for (std::size_t at = batch.find("-cli"); at != std::string::npos; at = batch.find("-cli", at)) {
    batch.erase(at, 4);
    ++names;
  }
  EXPECT_EQ(2u, names);
  EXPECT_EQ(window, batch);
}

// Every kind of fact a report holds, each number distinct so that it is found only where it stands.
std::vector<TInputResult> ResultsOfEveryKind() {
  std::vector<TInputResult> results = ResultsWithHostileTexts();
  results[0].Log = {u"Opening old project...", u"Dictionary name: Demo dictionary",
                    u"Total processing time: 97ms"};
  results[0].RowsPlaced = 1201;
  results[0].RowsUnplaced = 1;
  results[1].ErrorLine = 42;
  results[1].ErrorColumn = 17;
  results[1].Log = {u"Opening old project..."};

  TInputResult verified;
  verified.Input = "/p/verified.vlp";
  verified.Output = "/p/verified.vlp_converted.vxp";
  verified.Targets.push_back(
      {true, vconvert::TTargetKind::tkPlain, u"C:\\app\\App.dpr", u"C:\\app\\App.dpr", 305});
  verified.RowsPlaced = 305;
  verified.Verification.emplace();
  verified.Verification->Rows = 305;
  verified.Verification->Targets = 11;
  verified.Verification->Excludes = 23;
  verified.Verification->Languages = 5;
  verified.Verification->RowsNotCarriedOver.push_back({u"C:\\app\\App.res", u"Strings.S", u"Gone"});

  TInputResult unreadable;
  unreadable.Input = "/p/unreadable.vlp";
  unreadable.Output = "/p/unreadable.vxp";
  unreadable.Verification.emplace();
  unreadable.Verification->ReadError = {vconvert::TCheckSide::csNew, u"/p/unreadable.vxp",
                                        u"Incorrect close tag in element row"};
  results.push_back(verified);
  results.push_back(unreadable);
  return results;
}

// The texts of the page, one a line.
std::u16string PageText(const std::string& aHtml) {
  const std::unique_ptr<TXmlDocument> page = ReadPage(aHtml);
  std::set<std::u16string> texts, names;
  CollectTexts(*page->Root(), texts, names);
  std::u16string joined;
  for (const std::u16string& text : texts)
    joined.append(text).append(u"\n");
  return joined;
}

// aNumber as a whole number somewhere in aText: no digit right before or after it.
bool HoldsNumber(std::u16string_view aText, const std::u16string& aNumber) {
  const auto digit = [](char16_t aChar) { return aChar >= u'0' && aChar <= u'9'; };
  for (std::size_t at = aText.find(aNumber); at != std::u16string_view::npos;
       at = aText.find(aNumber, at + 1)) {
    const std::size_t end = at + aNumber.size();
    if ((at == 0 || !digit(aText[at - 1])) && (end == aText.size() || !digit(aText[end])))
      return true;
  }
  return false;
}

// Every text and number of the JSON report, wherever it stands, is on the page; true, false and
// null are said in words, which the other tests check.
void ExpectFactsOnPage(const nlohmann::json& aValue, std::u16string_view aPage) {
  if (aValue.is_string()) {
    const std::u16string text = vbase::Utf8Decode(aValue.get<std::string>());
    EXPECT_NE(std::u16string_view::npos, aPage.find(text)) << aValue.get<std::string>();
  } else if (aValue.is_number()) {
    EXPECT_TRUE(HoldsNumber(aPage, vbase::Utf8Decode(aValue.dump()))) << aValue.dump();
  } else if (aValue.is_structured()) {
    for (const nlohmann::json& item : aValue)
      ExpectFactsOnPage(item, aPage);
  }
}

TEST(HtmlReportTest, HoldsEveryFactOfTheJsonReport) {
  const std::vector<TInputResult> results = ResultsOfEveryKind();
  const nlohmann::json report = nlohmann::json::parse(ReportJson(results));
  const std::u16string page = PageText(ReportHtml(results, "vlp5tovxp-cli"));
  ExpectFactsOnPage(report, page);
  EXPECT_NE(std::u16string::npos, page.find(u"/p/broken.vlp, line 42, column 17"));
}

#ifndef _WIN32
// What a browser is given must be HTML without a fault, not only well-formed.
TEST(HtmlReportTest, PageIsValidHtml) {
  TTempFolder folder;
  WriteFileBytes(folder.File("report.html"), ReportHtml(ResultsOfEveryKind(), "vlp5tovxp-cli"));
  TTempFolder capture;
  const TProcessResult tidy =
      RunCapturing("tidy", {"-q", "-e", "report.html"}, folder.Path(), capture);
  EXPECT_EQ(0, tidy.Status) << tidy.Err;
  EXPECT_EQ("", tidy.Err);
}
#endif

TEST(HtmlReportTest, FormatFollowsTheReportName) {
  for (const char* html : {"r.html", "R.HTM", "dir.json/r.Html"})
    EXPECT_TRUE(IsHtmlReportPath(html)) << html;
  for (const char* json : {"r.json", "r", "r.html.json", "html"})
    EXPECT_FALSE(IsHtmlReportPath(json)) << json;
}

} // namespace
