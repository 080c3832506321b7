#include "CliTargetTable.h"

#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>

namespace vcli {

using vbase::IntToText;
using vbase::Utf8Encode;

namespace {

using TLine = std::vector<std::u16string>;

// Characters as a terminal counts them, near enough: code points.
std::size_t DisplayWidth(std::u16string_view aText) {
  return static_cast<std::size_t>(std::count_if(
      aText.begin(), aText.end(), [](char16_t aUnit) { return aUnit < 0xDC00 || aUnit > 0xDFFF; }));
}

TLine LineOf(const vreport::TTargetOutcome& aTarget) {
  return {aTarget.Converted ? u"yes" : u"no", aTarget.OldTarget, aTarget.NewTarget,
          aTarget.Rows ? IntToText(*aTarget.Rows) : u""};
}

std::vector<std::size_t> ColumnWidths(const std::vector<TLine>& aLines) {
  std::vector<std::size_t> widths(aLines.front().size(), 0);
  for (const TLine& line : aLines)
    for (std::size_t i = 0; i < line.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(line[i]));
  return widths;
}

std::string LineText(const TLine& aLine, const std::vector<std::size_t>& aWidths) {
  std::string text;
  for (std::size_t i = 0; i + 1 < aLine.size(); ++i)
    text += Utf8Encode(aLine[i]) + std::string(aWidths[i] - DisplayWidth(aLine[i]) + 2, ' ');
  // The count is right-aligned, as in the window.
  text += std::string(aWidths.back() - DisplayWidth(aLine.back()), ' ') + Utf8Encode(aLine.back());
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

} // namespace

void PrintTargetTable(std::ostream& aOut, const std::vector<vreport::TTargetOutcome>& aTargets) {
  if (aTargets.empty())
    return;
  std::vector<TLine> lines{{u"Converted", u"Vornalex 5 Target", u"Vornalex 7 Target", u"Rows"}};
  for (const vreport::TTargetOutcome& target : aTargets)
    lines.push_back(LineOf(target));
  const std::vector<std::size_t> widths = ColumnWidths(lines);
  aOut << '\n';
  for (const TLine& line : lines)
    aOut << LineText(line, widths) << '\n';
}

} // namespace vcli
