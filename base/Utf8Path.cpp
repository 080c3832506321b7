#include "vbase/Utf8Path.h"

namespace vbase {

std::filesystem::path PathOfUtf8(std::string_view AText) {
  return std::filesystem::path(std::u8string(AText.begin(), AText.end()));
}

std::string Utf8OfPath(const std::filesystem::path& APath) {
  const std::u8string text = APath.u8string();
  return std::string(text.begin(), text.end());
}

} // namespace vbase
