#include "vpresenter/uErrorReport.h"

#include "vbase/Errors.h"
#include "vbase/Utf8.h"
#include "vconvert/uReadFailure.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace vui {

using vbase::Exception;
using vbase::Utf8Decode;

namespace {

std::u16string DemangledName(const std::type_info& aType) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(aType.name(), nullptr, nullptr, &status), &std::free);
  return Utf8Decode(status == 0 ? name.get() : aType.name());
}

} // namespace

TErrorReport DescribeException(std::exception_ptr aError) {
  try {
    std::rethrow_exception(aError);
  } catch (const Exception& error) {
    return {error.Headline(),
            Utf8Decode(error.ClassName()),
            {},
            vconvert::ReadFailureSentence(error),
            error.WriteFailure() ? error.Message() : std::u16string()};
  } catch (const std::exception& error) {
    return {Utf8Decode(error.what()), DemangledName(typeid(error)), {}, {}};
  } catch (...) {
    return {u"An unknown exception occurred.", u"unknown", {}, {}};
  }
}

std::u16string ErrorBoxText(const TErrorReport& aReport) {
  if (aReport.Sentence.empty())
    return aReport.Message;
  return aReport.Sentence + u"\n\n" + aReport.Message;
}

std::u16string ErrorDetails(const TErrorReport& aReport) {
  std::u16string details = u"Exception class: " + aReport.ClassName;
  if (!aReport.OwnMessage.empty())
    details += u"\nException message: " + aReport.OwnMessage;
  if (aReport.LastLogLines.empty())
    return details;
  details += u"\n\nLast log lines:";
  for (const std::u16string& line : aReport.LastLogLines)
    details += u'\n' + line;
  return details;
}

} // namespace vui
