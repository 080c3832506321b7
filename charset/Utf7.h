// UTF-7 (code page 65000): plain ASCII for the directly encoded characters, modified base64 of
// UTF-16 code units between "+" and "-" for every other character.
#pragma once

#include <string>
#include <string_view>

namespace vcharset {

// Encodes the directly encoded set (letters, digits, ' ( ) , - . / : ? space, tab, CR, LF) as
// itself, "+" as "+-", and everything else, the optional direct set ! " # $ % & * ; < = > @ [ ]
// ^ _ ` { | } included, in base64 runs that always end with "-".
void Utf7EncodeAppend(std::u16string_view aText, std::string& aOut);

// Accepts every ASCII character outside runs. A byte above 0x7F, a "+" that starts no run, and a
// run that ends with stray bits give U+FFFD each.
void Utf7DecodeAppend(std::string_view aBytes, std::u16string& aOut);

} // namespace vcharset
