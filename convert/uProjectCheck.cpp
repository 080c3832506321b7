#include "vconvert/uProjectCheck.h"

#include "uCheckNewProject.h"
#include "uProjectComparison.h"
#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"

#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace vconvert {

using vbase::IntToText;

namespace {

// Runs aRead; a failure to read aFileName becomes aError.
bool ReadSide(TCheckSide aSide, const std::u16string& aFileName,
              std::optional<TCheckReadError>& aError, const std::function<void()>& aRead) {
  try {
    aRead();
    return true;
  } catch (const vbase::EStopped&) {
    throw; // no fault of the file
  } catch (const vbase::Exception& error) {
    aError = TCheckReadError{aSide, aFileName, error.Message()};
    return false;
  }
}

void AppendEscape(std::u16string& aOut, char16_t aCode) {
  aOut += u"\\x";
  aOut += vbase::HexDigitChars[(aCode >> 4) & 0xF];
  aOut += vbase::HexDigitChars[aCode & 0xF];
}

std::u16string Quoted(const std::optional<std::u16string>& aValue, std::u16string_view aNone) {
  if (!aValue)
    return std::u16string(aNone);
  // Appended rather than added: GCC takes the sum for an overlapping copy once it is inlined.
  std::u16string text(1, u'"');
  return text.append(VisibleText(*aValue)).append(1, u'"');
}

// The check's progress as one count: loading the old project gives the first half of it, the walk
// of its rows the second; each event looks at the stop first.
class TCheckProgress {
public:
  TCheckProgress(const TOnProgressEvent& aOnProgress, const TRunStop* aStop)
      : fOnProgress(aOnProgress), fStop(aStop) {}

  // The event of one half: an empty one when there is neither progress nor a stop to look at.
  TOnProgressEvent Half(int64_t aHalf) const {
    if (!fOnProgress && !fStop)
      return {};
    return [this, aHalf](int64_t aDone, int64_t aTotal) {
      if (fStop)
        fStop->Check();
      if (fOnProgress)
        fOnProgress(aHalf * HalfScale + (aTotal > 0 ? aDone * HalfScale / aTotal : 0),
                    2 * HalfScale);
    };
  }
  void Check() const {
    if (fStop)
      fStop->Check();
  }
  // Shown at once: the old project's first event comes once its text is read.
  void Start() const {
    Check();
    if (fOnProgress)
      fOnProgress(0, 0);
  }

private:
  static constexpr int64_t HalfScale = 1 << 20;
  const TOnProgressEvent& fOnProgress;
  const TRunStop* fStop;
};

} // namespace

TCheckResult CheckConversion(const std::u16string& aOldFileName, const std::u16string& aNewFileName,
                             const TOnProgressEvent& aOnProgress, const TRunStop* aStop) {
  const TCheckProgress progress(aOnProgress, aStop);
  progress.Start();
  TCheckResult result;
  std::optional<TNewProject> newProject;
  std::optional<TCheckReadError> newError;
  std::unique_ptr<TVLP5Project> oldProject;
  {
    // Loading is most of a check's time, and the two files load side by side.
    std::exception_ptr newFailure;
    std::jthread newLoader([&] {
      try {
        ReadSide(TCheckSide::csNew, aNewFileName, newError,
                 [&] { newProject.emplace(aNewFileName, aStop); });
      } catch (...) {
        newFailure = std::current_exception();
      }
    });
    // A stop ends both loads: the thread's is joined on the way out.
    ReadSide(TCheckSide::csOld, aOldFileName, result.ReadError,
             [&] { oldProject = std::make_unique<TVLP5Project>(aOldFileName, progress.Half(0)); });
    newLoader.join();
    if (newFailure)
      std::rethrow_exception(newFailure);
  }
  if (newError)
    result.ReadError = newError;
  if (result.ReadError)
    return result;
  progress.Check();
  oldProject->SetOnRowProgress(progress.Half(1));
  TProjectComparison comparison(*newProject, result);
  if (!ReadSide(TCheckSide::csOld, aOldFileName, result.ReadError,
                [&] { comparison.Run(*oldProject); }))
    // Half a comparison would name differences that are none.
    result.Differences.clear();
  return result;
}

std::u16string CheckCounts(const TCheckResult& aResult) {
  const auto count = [](int64_t aCount, std::u16string_view aNoun) {
    return IntToText(aCount) + u' ' + std::u16string(aNoun) + (aCount == 1 ? u"" : u"s");
  };
  return count(aResult.Rows, u"row") + u", " + count(aResult.Targets, u"target") + u", " +
         count(aResult.Excludes, u"exclude") + u", " + count(aResult.Languages, u"language");
}

std::u16string CheckFailureReason(const TCheckResult& aResult) {
  if (const auto& error = aResult.ReadError)
    return u"the " + std::u16string(SideName(error->Side)) + u" \"" + error->FileName +
           u"\" cannot be read: " + error->Message;
  const std::size_t count = aResult.Differences.size();
  return IntToText(static_cast<int64_t>(count)) + (count == 1 ? u" difference" : u" differences");
}

std::u16string DifferenceText(const TCheckDifference& aDifference) {
  std::u16string text;
  if (!aDifference.Target.empty())
    text += u"target " + Quoted(aDifference.Target, u"");
  if (aDifference.Context)
    text += (text.empty() ? u"row " : u", row ") + Quoted(aDifference.Context, u"");
  if (!text.empty())
    text += u": ";
  text += aDifference.What + u": old " + Quoted(aDifference.OldValue, u"(not in the old project)") +
          u", new " + Quoted(aDifference.NewValue, u"(missing)");
  return text;
}

std::u16string VisibleText(std::u16string_view aText) {
  std::u16string text;
  text.reserve(aText.size());
  for (const char16_t c : aText) {
    if (c == u'\r')
      text += u"\\r";
    else if (c == u'\n')
      text += u"\\n";
    else if (c == u'\t')
      text += u"\\t";
    else if (c < u' ' || c == 0x7F)
      AppendEscape(text, c);
    else
      text += c;
  }
  return text;
}

std::u16string_view SideName(TCheckSide aSide) {
  return aSide == TCheckSide::csOld ? u"old project" : u"new project";
}

} // namespace vconvert
