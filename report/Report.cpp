#include "vreport/Report.h"

#include "vbase/ReplacementFile.h"
#include "vbase/Utf8.h"
#include "vbase/Utf8Path.h"
#include "vreport/HtmlReport.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace vreport {

using vbase::PathOfUtf8;
using vbase::TReplacementFile;
using vbase::Utf8Encode;
using vbase::Utf8OfPath;
using vconvert::TDroppedRow;
using vconvert::TTargetKind;

namespace {

using TJson = nlohmann::ordered_json;

TJson ToJson(const std::optional<std::string>& aText) {
  return aText ? TJson(*aText) : TJson(nullptr);
}

// A target without a counterpart is known only by its old name, when the old project gives one;
// a count is missing too when the run ended before the rows were counted.
TJson ToJson(const TTargetOutcome& aTarget) {
  if (!aTarget.Converted)
    return {{"kind", nullptr},
            {"converted", false},
            {"old_target",
             aTarget.OldTarget.empty() ? TJson(nullptr) : TJson(Utf8Encode(aTarget.OldTarget))},
            {"new_target", nullptr},
            {"rows", nullptr}};
  return {{"kind", aTarget.Kind == TTargetKind::tkVirtual ? "virtual" : "plain"},
          {"converted", true},
          {"old_target", Utf8Encode(aTarget.OldTarget)},
          {"new_target", Utf8Encode(aTarget.NewTarget)},
          {"rows", aTarget.Rows ? TJson(*aTarget.Rows) : nullptr}};
}

TJson ToJson(const std::optional<std::u16string>& aText) {
  return aText ? TJson(Utf8Encode(*aText)) : TJson(nullptr);
}

TJson ToJson(const std::vector<TDroppedRow>& aRows) {
  TJson rows = TJson::array();
  for (const TDroppedRow& row : aRows)
    rows.push_back({{"target", Utf8Encode(row.VLP5Target)},
                    {"context", Utf8Encode(row.Context)},
                    {"native", Utf8Encode(row.Native)}});
  return rows;
}

TJson ToJson(const std::vector<vconvert::TDiscardedRow>& aRows) {
  TJson rows = TJson::array();
  for (const vconvert::TDiscardedRow& row : aRows)
    rows.push_back({{"target", Utf8Encode(row.VLP5Target)},
                    {"context", Utf8Encode(row.Context)},
                    {"error", Utf8Encode(row.Message)}});
  return rows;
}

TJson ToJson(const vconvert::TCheckResult& aCheck) {
  TJson readError = nullptr;
  if (const auto& error = aCheck.ReadError)
    readError = {{"side", error->Side == vconvert::TCheckSide::csOld ? "old" : "new"},
                 {"file", Utf8Encode(error->FileName)},
                 {"message", Utf8Encode(error->Message)}};
  TJson differences = TJson::array();
  for (const vconvert::TCheckDifference& difference : aCheck.Differences)
    differences.push_back({{"target", Utf8Encode(difference.Target)},
                           {"context", ToJson(difference.Context)},
                           {"what", Utf8Encode(difference.What)},
                           {"old", ToJson(difference.OldValue)},
                           {"new", ToJson(difference.NewValue)}});
  return {{"passed", aCheck.Passed()},
          {"read_error", std::move(readError)},
          {"rows", aCheck.Rows},
          {"targets", aCheck.Targets},
          {"excludes", aCheck.Excludes},
          {"languages", aCheck.Languages},
          {"rows_not_carried_over", ToJson(aCheck.RowsNotCarriedOver)},
          {"differences", std::move(differences)}};
}

// A line or column, null when there is none.
TJson PlaceToJson(int64_t aNumber) {
  return aNumber > 0 ? TJson(aNumber) : TJson(nullptr);
}

TJson ToJson(const TInputResult& aResult) {
  TJson log = TJson::array();
  for (const std::u16string& line : aResult.Log)
    log.push_back(Utf8Encode(line));
  TJson targets = TJson::array();
  for (const TTargetOutcome& target : aResult.Targets)
    targets.push_back(ToJson(target));
  return {{"input", aResult.Input},
          {"output", ToJson(aResult.Output)},
          {"ok", aResult.Ok()},
          {"error", ToJson(aResult.Error)},
          {"line", PlaceToJson(aResult.ErrorLine)},
          {"column", PlaceToJson(aResult.ErrorColumn)},
          {"warning", ToJson(aResult.Warning)},
          {"log", std::move(log)},
          {"targets", std::move(targets)},
          {"rows_placed", aResult.RowsPlaced},
          {"rows_unplaced", aResult.RowsUnplaced},
          {"rows_dropped", ToJson(aResult.DroppedRows)},
          {"rows_discarded", ToJson(aResult.DiscardedRows)},
          {"verification", aResult.Verification ? ToJson(*aResult.Verification) : TJson(nullptr)}};
}

} // namespace

std::string ReportJson(const std::vector<TInputResult>& aResults) {
  TJson results = TJson::array();
  for (const TInputResult& result : aResults)
    results.push_back(ToJson(result));
  const TJson report{{"version", VLP_VERSION}, {"results", std::move(results)}};
  return report.dump(2, ' ', false, TJson::error_handler_t::replace) + "\n";
}

std::string LowerCaseExtension(const std::string& aPath) {
  std::string extension = Utf8OfPath(PathOfUtf8(aPath).extension());
  std::transform(extension.begin(), extension.end(), extension.begin(), [](char aChar) {
    return aChar >= 'A' && aChar <= 'Z' ? static_cast<char>(aChar + 32) : aChar;
  });
  return extension;
}

bool IsHtmlReportPath(const std::string& aPath) {
  const std::string extension = LowerCaseExtension(aPath);
  return extension == ".html" || extension == ".htm";
}

void WriteReport(const std::string& aPath, const std::vector<TInputResult>& aResults,
                 std::string_view aProgramName) {
  TReplacementFile file(PathOfUtf8(aPath));
  file.Write(IsHtmlReportPath(aPath) ? ReportHtml(aResults, aProgramName) : ReportJson(aResults));
  file.Commit();
}

} // namespace vreport
