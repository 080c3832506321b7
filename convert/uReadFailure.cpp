#include "vconvert/uReadFailure.h"

#include "vbase/IntegerText.h"

namespace vconvert {

using vbase::IntToText;

namespace {

std::u16string NameWithoutFolder(const std::u16string& aPath) {
  const std::size_t separator = aPath.find_last_of(u"/\\");
  return separator == std::u16string::npos ? aPath : aPath.substr(separator + 1);
}

} // namespace

std::u16string ReadFailureSentence(const vbase::Exception& aError) {
  if (!aError.Place())
    return {};
  const vbase::TTextPlace& place = *aError.Place();
  std::u16string quotedName(u"\"");
  quotedName.append(NameWithoutFolder(place.File)).append(u"\"");
  if (aError.NotXmlDocument())
    return quotedName.append(u" is not an XML document.");
  std::u16string sentence(u"The project ");
  sentence.append(quotedName).append(u" could not be read");
  if (place.Line == 0)
    return sentence.append(u".");
  return sentence.append(u": line ")
      .append(IntToText(place.Line))
      .append(u", column ")
      .append(IntToText(place.Column))
      .append(u".");
}

} // namespace vconvert
