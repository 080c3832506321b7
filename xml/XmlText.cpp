#include "vxml/XmlText.h"

#include "XmlUnitBlocks.h"
#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"

#include <array>

namespace vxml {

using vbase::AsciiUpper;
using vbase::Exception;
using vbase::FindCodeUnit;
using vbase::TryTextToInt;

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

bool NeedsEscape(char16_t AUnit) {
  return AUnit == u'&' || AUnit == u'<' || AUnit == u'>' || AUnit == u'\'' || AUnit == u'"' ||
         AUnit == u'\0';
}

std::u16string_view EntityOf(char16_t AUnit) {
  for (const auto& row : EscapeTable)
    if (row.Character == AUnit)
      return row.Entity;
  return {};
}

// A numeric reference "&#...;" gives its code unit when the number is 0..0xFFFE.
bool ResolveNumericReference(std::u16string_view ADigits, char16_t& AResolved) {
  if (ADigits.empty())
    return false;
  std::u16string number(ADigits);
  if ((number[0] | 0x20) == u'x')
    number[0] = u'$';
  int32_t value = -1;
  if (!TryTextToInt(number, value))
    value = -1;
  if (value < 0 || value > 0xFFFE)
    return false;
  AResolved = static_cast<char16_t>(value);
  return true;
}

bool ResolveReference(std::u16string_view AReference, char16_t& AResolved) {
  if (AReference.size() >= 2 && AReference[1] == u'#')
    return ResolveNumericReference(AReference.substr(2, AReference.size() - 3), AResolved);
  for (const auto& row : EscapeTable) {
    if (row.Entity == AReference) {
      AResolved = row.Character;
      return true;
    }
  }
  return false;
}

// Whether a block of eight code units holds one that needs an entity.
bool BlockNeedsEscape(const char16_t* APos) {
  const TUnitBlock block = LoadBlock(APos);
  return AnySet((block == Lane(u'&')) | (block == Lane(u'<')) | (block == Lane(u'>')) |
                (block == Lane(u'\'')) | (block == Lane(u'"')) | (block == Lane(u'\0')));
}

} // namespace

void AppendEscaped(std::u16string& AOut, std::u16string_view Text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    // Most text needs no entity: whole blocks of it are passed at once.
    while (Text.size() - i >= BlockUnits && !BlockNeedsEscape(Text.data() + i))
      i += BlockUnits;
    if (i == Text.size())
      break;
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
  for (std::size_t amp = FindCodeUnit(Text, u'&'); amp != std::u16string_view::npos;
       amp = FindCodeUnit(Text, u'&', pos)) {
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

std::u16string BoolToText(bool Value) {
  return Value ? u"True" : u"False";
}

bool TryTextToBool(std::u16string_view Text, bool& Value) {
  if (Text.empty())
    return false;
  const char16_t c = AsciiUpper(Text[0] & 0xFF);
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

} // namespace vxml
