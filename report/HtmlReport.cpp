#include "vreport/HtmlReport.h"

#include "vbase/Utf8.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace vreport {

using vbase::Utf8Encode;
using vconvert::TCheckDifference;
using vconvert::TCheckResult;
using vconvert::TDroppedRow;
using vconvert::TTargetKind;

namespace {

constexpr std::string_view PageStyle = R"(
body { font: 10.5pt/1.4 sans-serif; color: #111; margin: 2em; }
h1 { font-size: 1.5em; margin: 0 0 .3em; }
h2 { font-size: 1.15em; margin: 1.8em 0 .4em; padding-top: .6em; border-top: 2px solid #999;
     overflow-wrap: anywhere; }
h3 { font-size: 1em; margin: 1.2em 0 .3em; }
dl { display: grid; grid-template-columns: max-content auto; gap: .15em 1em; margin: 0; }
dt { font-weight: bold; }
dd { margin: 0; overflow-wrap: anywhere; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #bbb; padding: .2em .4em; text-align: left; vertical-align: top;
         white-space: pre-wrap; overflow-wrap: anywhere; }
th { background: #eee; }
td.count { text-align: right; white-space: nowrap; }
tr.unconverted td { color: #777; }
pre.log { font-size: .9em; background: #f6f6f6; border: 1px solid #ddd; padding: .4em .6em;
          margin: 0; white-space: pre-wrap; overflow-wrap: anywhere; tab-size: 4; }
.ok { color: #185c18; font-weight: bold; }
.failed { color: #a11; font-weight: bold; }
.none { color: #777; font-style: italic; }
@media print {
  body { margin: 0; font-size: 9pt; }
  h2 { break-before: auto; break-after: avoid; }
  h3 { break-after: avoid; }
  thead { display: table-header-group; }
  tr { break-inside: avoid; }
}
)";

class TPage {
public:
  void Raw(std::string_view aMarkup) { fText += aMarkup; }

  void Text(std::string_view aUtf8) {
    for (const char c : aUtf8) {
      switch (c) {
      case '&':
        fText += "&amp;";
        break;
      case '<':
        fText += "&lt;";
        break;
      case '>':
        fText += "&gt;";
        break;
      case '"':
        fText += "&quot;";
        break;
      case '\'':
        fText += "&#39;";
        break;
      default:
        fText += c;
      }
    }
  }
  void Text(std::u16string_view aText) { Text(Utf8Encode(aText)); }

  // <aTag class="aClass">aText</aTag>, the class left out when empty.
  template <typename TText>
  void Element(std::string_view aTag, const TText& aText, std::string_view aClass = {}) {
    fText += '<';
    fText += aTag;
    if (!aClass.empty())
      fText.append(" class=\"").append(aClass).append("\"");
    fText += '>';
    Text(aText);
    fText.append("</").append(aTag).append(">");
  }

  void TableHead(std::initializer_list<std::string_view> aCaptions) {
    Raw("<table>\n<thead><tr>");
    for (const std::string_view caption : aCaptions)
      Element("th", caption);
    Raw("</tr></thead>\n<tbody>\n");
  }
  void TableEnd() { Raw("</tbody>\n</table>\n"); }

  std::string Take() { return std::move(fText); }

private:
  std::string fText;
};

// A value of a difference on one line, or what stands for none.
void ValueCell(TPage& aPage, const std::optional<std::u16string>& aValue, std::string_view aNone) {
  if (aValue)
    aPage.Element("td", vconvert::VisibleText(*aValue));
  else
    aPage.Element("td", aNone, "none");
}

void WriteTargets(TPage& aPage, const std::vector<TTargetOutcome>& aTargets) {
  if (aTargets.empty())
    return;
  aPage.Element("h3", std::string_view("Targets"));
  aPage.TableHead({"Converted", "Kind", "Vornalex 5 Target", "Vornalex 7 Target", "Rows"});
  for (const TTargetOutcome& target : aTargets) {
    aPage.Raw(target.Converted ? "<tr>" : "<tr class=\"unconverted\">");
    aPage.Element("td", std::string_view(target.Converted ? "yes" : "no"));
    aPage.Element("td", std::string_view(!target.Converted                       ? ""
                                         : target.Kind == TTargetKind::tkVirtual ? "virtual"
                                                                                 : "plain"));
    aPage.Element("td", target.OldTarget);
    aPage.Element("td", target.NewTarget);
    aPage.Element("td", target.Rows ? std::to_string(*target.Rows) : std::string(), "count");
    aPage.Raw("</tr>\n");
  }
  aPage.TableEnd();
}

// Rows of a kind that a run leaves out, each with its target, its context and aDetail.
template <typename TRow>
void WriteRowsLeftOut(TPage& aPage, std::string_view aHeading, const std::vector<TRow>& aRows,
                      std::string_view aDetailCaption, std::u16string TRow::*aDetail) {
  if (aRows.empty())
    return;
  aPage.Element("h3", std::string(aHeading) + " (" + std::to_string(aRows.size()) + ")");
  aPage.TableHead({"Vornalex 5 Target", "Context", aDetailCaption});
  for (const TRow& row : aRows) {
    aPage.Raw("<tr>");
    aPage.Element("td", row.VLP5Target);
    aPage.Element("td", vconvert::VisibleText(row.Context));
    aPage.Element("td", vconvert::VisibleText(row.*aDetail));
    aPage.Raw("</tr>\n");
  }
  aPage.TableEnd();
}

void WriteRowsNotCarriedOver(TPage& aPage, std::string_view aHeading,
                             const std::vector<TDroppedRow>& aRows) {
  WriteRowsLeftOut(aPage, aHeading, aRows, "Native text", &TDroppedRow::Native);
}

void WriteDifferences(TPage& aPage, const std::vector<TCheckDifference>& aDifferences) {
  aPage.TableHead({"Target", "Context", "What", "Old value", "New value"});
  for (const TCheckDifference& difference : aDifferences) {
    aPage.Raw("<tr>");
    aPage.Element("td", difference.Target);
    ValueCell(aPage, difference.Context, "");
    aPage.Element("td", difference.What);
    ValueCell(aPage, difference.OldValue, "not in the old project");
    ValueCell(aPage, difference.NewValue, "missing");
    aPage.Raw("</tr>\n");
  }
  aPage.TableEnd();
}

void WriteVerification(TPage& aPage, const TInputResult& aResult) {
  aPage.Element("h3", std::string_view("Verification"));
  if (!aResult.Verification) {
    aPage.Element("p", std::string_view("not verified"), "none");
    return;
  }
  const TCheckResult& check = *aResult.Verification;
  if (const auto& error = check.ReadError) {
    aPage.Element("p",
                  u"failed: the " + std::u16string(vconvert::SideName(error->Side)) + u" \"" +
                      error->FileName + u"\" cannot be read: " + error->Message,
                  "failed");
    return;
  }
  if (check.Passed()) {
    aPage.Element("p", u"passed: " + vconvert::CheckCounts(check), "ok");
  } else {
    const std::size_t count = check.Differences.size();
    aPage.Element("p",
                  "failed: " + std::to_string(count) +
                      (count == 1 ? " difference" : " differences") + " in " +
                      Utf8Encode(vconvert::CheckCounts(check)),
                  "failed");
    WriteDifferences(aPage, check.Differences);
  }
  // A conversion lists these once already, under its own heading.
  if (aResult.DroppedRows.empty())
    WriteRowsNotCarriedOver(aPage,
                            "Rows without a converted target, as expected not in the new project",
                            check.RowsNotCarriedOver);
}

void WriteLog(TPage& aPage, const std::vector<std::u16string>& aLog) {
  if (aLog.empty())
    return;
  aPage.Element("h3", std::string_view("Log"));
  aPage.Raw("<pre class=\"log\">");
  for (const std::u16string& line : aLog) {
    aPage.Text(line);
    aPage.Raw("\n");
  }
  aPage.Raw("</pre>\n");
}

// Where reading the input stopped, as the reader said: the file, line and column.
std::string ErrorPlace(const TInputResult& aResult) {
  return aResult.Input + ", line " + std::to_string(aResult.ErrorLine) + ", column " +
         std::to_string(aResult.ErrorColumn);
}

void WriteInput(TPage& aPage, const TInputResult& aResult) {
  aPage.Raw("<section>\n");
  aPage.Element("h2", aResult.Input);
  aPage.Raw("<dl>\n");
  aPage.Element("dt", std::string_view("Outcome"));
  aPage.Element("dd", std::string_view(aResult.Ok() ? "ok" : "failed"),
                aResult.Ok() ? "ok" : "failed");
  if (aResult.Output) {
    aPage.Element("dt", std::string_view("New project"));
    aPage.Element("dd", *aResult.Output);
  }
  if (aResult.Error) {
    aPage.Element("dt", std::string_view("Error"));
    aPage.Element("dd", *aResult.Error, "failed");
  }
  if (aResult.ErrorLine > 0) {
    aPage.Element("dt", std::string_view("Where"));
    aPage.Element("dd", ErrorPlace(aResult));
  }
  aPage.Element("dt", std::string_view("Rows placed"));
  aPage.Element("dd", std::to_string(aResult.RowsPlaced));
  aPage.Element("dt", std::string_view("Rows not carried over"));
  aPage.Element("dd", std::to_string(aResult.RowsUnplaced));
  if (aResult.Warning) {
    aPage.Element("dt", std::string_view("Warning"));
    aPage.Element("dd", *aResult.Warning);
  }
  aPage.Raw("</dl>\n");
  WriteTargets(aPage, aResult.Targets);
  WriteRowsNotCarriedOver(aPage, "Rows not carried over", aResult.DroppedRows);
  WriteRowsLeftOut(aPage, "Rows that could not be read", aResult.DiscardedRows, "Error",
                   &vconvert::TDiscardedRow::Message);
  WriteVerification(aPage, aResult);
  WriteLog(aPage, aResult.Log);
  aPage.Raw("</section>\n");
}

std::string Summary(const std::vector<TInputResult>& aResults, std::string_view aProgramName) {
  const auto ok = std::count_if(aResults.begin(), aResults.end(),
                                [](const TInputResult& aResult) { return aResult.Ok(); });
  return std::to_string(aResults.size()) + (aResults.size() == 1 ? " input: " : " inputs: ") +
         std::to_string(ok) + " ok, " +
         std::to_string(aResults.size() - static_cast<std::size_t>(ok)) + " failed. " +
         std::string(aProgramName) + " " + VLP_VERSION;
}

} // namespace

std::string ReportHtml(const std::vector<TInputResult>& aResults, std::string_view aProgramName) {
  TPage page;
  page.Raw("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>");
  page.Text(std::string(aProgramName) + " report");
  page.Raw("</title>\n<style>");
  page.Raw(PageStyle);
  page.Raw("</style>\n</head>\n<body>\n");
  page.Element("h1", std::string_view("Conversion report"));
  page.Element("p", Summary(aResults, aProgramName));
  for (const TInputResult& result : aResults)
    WriteInput(page, result);
  page.Raw("</body>\n</html>\n");
  return page.Take();
}

} // namespace vreport
