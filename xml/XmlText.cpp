#include "XmlText.h"

#include "XmlErrors.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <type_traits>

namespace {

struct TEscape {
  char16_t Character;
  std::u16string_view Entity;
};

// Order matters: the ampersand goes first so the entities added later are not escaped again.
constexpr std::array<TEscape, 6> EscapeTable{{
    {u'&', u"&amp;"},
    {u'<', u"&lt;"},
    {u'>', u"&gt;"},
    {u'\'', u"&apos;"},
    {u'"', u"&quot;"},
    {u'\0', u"&null;"},
}};

bool NeedsEscape(char16_t c) {
  return c == u'&' || c == u'<' || c == u'>' || c == u'\'' || c == u'"' || c == u'\0';
}

std::u16string_view EntityOf(char16_t c) {
  for (const auto& row : EscapeTable)
    if (row.Character == c)
      return row.Entity;
  return {};
}

// A numeric reference "&#...;" gives its code unit when the number is 0..0xFFFE.
bool ResolveNumericReference(std::u16string_view digits, char16_t& resolved) {
  if (digits.empty())
    return false;
  std::u16string number(digits);
  if ((number[0] | 0x20) == u'x')
    number[0] = u'$';
  int32_t value = -1;
  if (!TryTextToInt(number, value))
    value = -1;
  if (value < 0 || value > 0xFFFE)
    return false;
  resolved = static_cast<char16_t>(value);
  return true;
}

bool ResolveReference(std::u16string_view reference, char16_t& resolved) {
  if (reference.size() >= 2 && reference[1] == u'#')
    return ResolveNumericReference(reference.substr(2, reference.size() - 3), resolved);
  for (const auto& row : EscapeTable) {
    if (row.Entity == reference) {
      resolved = row.Character;
      return true;
    }
  }
  return false;
}

} // namespace

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

int Base64Digit(char16_t c) {
  if (c >= u'A' && c <= u'Z')
    return c - u'A';
  if (c >= u'a' && c <= u'z')
    return c - u'a' + 26;
  if (c >= u'0' && c <= u'9')
    return c - u'0' + 52;
  if (c == u'+')
    return 62;
  if (c == u'/')
    return 63;
  return -1;
}

namespace {

// The integer rule for both widths: a hexadecimal number is a bit pattern of TInt's width, a
// decimal one must lie in TInt's range.
template <typename TInt> bool TryTextToInteger(std::u16string_view text, TInt& result) {
  using TUnsigned = std::make_unsigned_t<TInt>;
  constexpr int bits = sizeof(TInt) * 8;
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size())
    return false;
  TUnsigned magnitude = 0;
  if (hex) {
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0 || (magnitude >> (bits - 4)) != 0)
        return false;
      magnitude = (magnitude << 4) | static_cast<TUnsigned>(digit);
    }
    const TUnsigned pattern = negative ? TUnsigned(0) - magnitude : magnitude;
    result = static_cast<TInt>(pattern);
    return true;
  }
  // The magnitude may reach one past the largest positive value, for the most negative number.
  const TUnsigned limit =
      static_cast<TUnsigned>(std::numeric_limits<TInt>::max()) + (negative ? 1 : 0);
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < u'0' || c > u'9')
      return false;
    const TUnsigned digit = c - u'0';
    if (magnitude > (limit - digit) / 10)
      return false;
    magnitude = magnitude * 10 + digit;
  }
  result = static_cast<TInt>(negative ? TUnsigned(0) - magnitude : magnitude);
  return true;
}

} // namespace

void AppendEscaped(std::u16string& AOut, std::u16string_view Text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (!NeedsEscape(Text[i]))
      continue;
    AOut.append(Text, runStart, i - runStart);
    AOut.append(EntityOf(Text[i]));
    runStart = i + 1;
  }
  AOut.append(Text, runStart);
}

std::u16string EscapeText(std::u16string_view Text) {
  std::u16string result;
  result.reserve(Text.size() + Text.size() / 8 + 8);
  AppendEscaped(result, Text);
  return result;
}

void AppendUnescaped(std::u16string& AOut, std::u16string_view Text) {
  std::size_t pos = 0;
  for (std::size_t amp = Text.find(u'&'); amp != std::u16string_view::npos;
       amp = Text.find(u'&', pos)) {
    const std::size_t semicolon = Text.find(u';', amp + 1);
    if (semicolon == std::u16string_view::npos)
      break;
    AOut.append(Text, pos, amp - pos);
    const std::u16string_view reference = Text.substr(amp, semicolon - amp + 1);
    char16_t resolved = 0;
    if (ResolveReference(reference, resolved))
      AOut += resolved;
    else
      AOut.append(reference);
    pos = semicolon + 1;
  }
  AOut.append(Text, pos);
}

std::u16string UnescapeText(std::u16string_view Text) {
  std::u16string result;
  result.reserve(Text.size());
  AppendUnescaped(result, Text);
  return result;
}

std::u16string QuoteText(std::u16string_view Text) {
  const char16_t quote = Text.find(u'"') == std::u16string_view::npos ? u'"' : u'\'';
  std::u16string result;
  result.reserve(Text.size() + 2);
  result += quote;
  result.append(Text);
  result += quote;
  return result;
}

std::u16string UnquoteText(std::u16string_view Text) {
  if (Text.size() < 2 || (Text[0] != u'"' && Text[0] != u'\''))
    return std::u16string(Text);
  const char16_t quote = Text[0];
  std::u16string result;
  for (std::size_t i = 1; i < Text.size(); ++i) {
    if (Text[i] != quote) {
      result += Text[i];
      continue;
    }
    if (i + 1 < Text.size() && Text[i + 1] == quote) {
      result += quote;
      ++i;
      continue;
    }
    break;
  }
  return result;
}

bool TryTextToInt(std::u16string_view Text, int32_t& Value) {
  return TryTextToInteger(Text, Value);
}

bool TryTextToInt64(std::u16string_view Text, int64_t& Value) {
  return TryTextToInteger(Text, Value);
}

std::u16string IntToText(int64_t Value) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, Value).ptr;
  return std::u16string(buffer, end);
}

std::u16string BoolToText(bool Value) {
  return Value ? u"True" : u"False";
}

bool TryTextToBool(std::u16string_view Text, bool& Value) {
  if (Text.empty())
    return false;
  char16_t c = Text[0] & 0xFF;
  if (c >= u'a' && c <= u'z')
    c -= 0x20;
  if (c == u'T' || c == u'Y') {
    Value = true;
    return true;
  }
  if (c == u'F' || c == u'N') {
    Value = false;
    return true;
  }
  return false;
}

bool TextToBool(std::u16string_view Text) {
  bool value = false;
  if (!TryTextToBool(Text, value))
    throw Exception(u"Cannot convert value to bool");
  return value;
}

std::u16string_view TrimControlChars(std::u16string_view AText) {
  while (!AText.empty() && AText.front() <= u' ')
    AText.remove_prefix(1);
  while (!AText.empty() && AText.back() <= u' ')
    AText.remove_suffix(1);
  return AText;
}

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  return true;
}

int CompareTextAscii(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = AsciiUpper(a[i]);
    const char16_t cb = AsciiUpper(b[i]);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
