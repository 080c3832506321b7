#include "CliReport.h"

#include "ReplacementFile.h"
#include "Utf8.h"
#include "Utf8Path.h"

#include <nlohmann/json.hpp>

namespace vcli {

using vbase::PathOfUtf8;
using vbase::TReplacementFile;
using vbase::Utf8Encode;
using vconvert::TDroppedRow;
using vconvert::TTargetKind;

namespace {

using TJson = nlohmann::ordered_json;

TJson ToJson(const std::optional<std::string>& aText) {
  return aText ? TJson(*aText) : TJson(nullptr);
}

// A target without a counterpart is known by nothing but that; a count is missing too when the
// run ended before the rows were counted.
TJson ToJson(const TTargetOutcome& aTarget) {
  if (!aTarget.Converted)
    return {{"kind", nullptr},
            {"converted", false},
            {"old_target", nullptr},
            {"new_target", nullptr},
            {"rows", nullptr}};
  return {{"kind", aTarget.Kind == TTargetKind::tkVirtual ? "virtual" : "plain"},
          {"converted", true},
          {"old_target", Utf8Encode(aTarget.OldTarget)},
          {"new_target", Utf8Encode(aTarget.NewTarget)},
          {"rows", aTarget.Rows ? TJson(*aTarget.Rows) : nullptr}};
}

TJson ToJson(const TInputResult& aResult) {
  TJson log = TJson::array();
  for (const std::u16string& line : aResult.Log)
    log.push_back(Utf8Encode(line));
  TJson dropped = TJson::array();
  for (const TDroppedRow& row : aResult.DroppedRows)
    dropped.push_back({{"target", Utf8Encode(row.VLP5Target)},
                       {"context", Utf8Encode(row.Context)},
                       {"native", Utf8Encode(row.Native)}});
  TJson targets = TJson::array();
  for (const TTargetOutcome& target : aResult.Targets)
    targets.push_back(ToJson(target));
  return {{"input", aResult.Input},
          {"output", ToJson(aResult.Output)},
          {"ok", aResult.Ok()},
          {"error", ToJson(aResult.Error)},
          {"log", std::move(log)},
          {"targets", std::move(targets)},
          {"rows_placed", aResult.RowsPlaced},
          {"rows_unplaced", aResult.RowsUnplaced},
          {"rows_dropped", std::move(dropped)}};
}

} // namespace

std::string ReportJson(const std::vector<TInputResult>& aResults) {
  TJson results = TJson::array();
  for (const TInputResult& result : aResults)
    results.push_back(ToJson(result));
  const TJson report{{"version", VLP_VERSION}, {"results", std::move(results)}};
  return report.dump(2, ' ', false, TJson::error_handler_t::replace) + "\n";
}

void WriteReport(const std::string& aPath, const std::vector<TInputResult>& aResults) {
  TReplacementFile file(PathOfUtf8(aPath));
  file.Write(ReportJson(aResults));
  file.Commit();
}

} // namespace vcli
