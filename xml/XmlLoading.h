// Loading a document's bytes: the encoding they are decoded from.
#pragma once

#include <cstdint>
#include <string_view>

namespace vxml {

// The code page of raw document bytes: a byte-order mark, else the declaration's encoding
// (written exactly encoding="..." or encoding='...'), else 0. Bytes whose first 255 (up to the
// first ">") hold no "<" raise EAssertionFailed "Xml header error (empty stream?) ...".
uint32_t DetectCodePage(std::string_view aBytes);

} // namespace vxml
