#include "vbase/Utf8Path.h"

namespace vbase {

std::filesystem::path PathOfUtf8(std::string_view aText) {
  return std::filesystem::path(std::u8string(aText.begin(), aText.end()));
}

std::string Utf8OfPath(const std::filesystem::path& aPath) {
  const std::u8string text = aPath.u8string();
  return std::string(text.begin(), text.end());
}

} // namespace vbase
