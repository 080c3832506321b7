// File-system paths to and from UTF-8 text. A path's own narrow form is not UTF-8 everywhere (on
// Windows it is not), so text that names files goes through these.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vbase {

std::filesystem::path PathOfUtf8(std::string_view aText);
std::string Utf8OfPath(const std::filesystem::path& aPath);

} // namespace vbase
