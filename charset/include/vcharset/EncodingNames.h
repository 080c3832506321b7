// The encoding names a saved document may declare, as the writer knows them before it asks the
// character-set map: IANA character-set names, their aliases and a few common names.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vcharset {

// The Windows code page of aName, compared without regard to ASCII letter case; none for a
// name outside the table. Whether the code page can be converted is not checked here.
std::optional<uint32_t> StandardEncodingCodePage(std::u16string_view aName);

} // namespace vcharset
