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

bool NeedsEscape(char16_t aUnit) {
  return aUnit == u'&' || aUnit == u'<' || aUnit == u'>' || aUnit == u'\'' || aUnit == u'"' ||
         aUnit == u'\0';
}

std::u16string_view EntityOf(char16_t aUnit) {
  for (const auto& row : EscapeTable)
    if (row.Character == aUnit)
      return row.Entity;
  return {};
}

// A numeric reference "&#...;" gives its code unit when the number is 0..0xFFFE.
bool ResolveNumericReference(std::u16string_view aDigits, char16_t& aResolved) {
  if (aDigits.empty())
    return false;
  std::u16string number(aDigits);
  if ((number[0] | 0x20) == u'x')
    number[0] = u'$';
  int32_t value = -1;
  if (!TryTextToInt(number, value))
    value = -1;
  if (value < 0 || value > 0xFFFE)
    return false;
  aResolved = static_cast<char16_t>(value);
  return true;
}

bool ResolveReference(std::u16string_view aReference, char16_t& aResolved) {
  if (aReference.size() >= 2 && aReference[1] == u'#')
    return ResolveNumericReference(aReference.substr(2, aReference.size() - 3), aResolved);
  for (const auto& row : EscapeTable) {
    if (row.Entity == aReference) {
      aResolved = row.Character;
      return true;
    }
  }
  return false;
}

// Whether a block of eight code units holds one that needs an entity.
bool BlockNeedsEscape(const char16_t* aPos) {
  const TUnitBlock block = LoadBlock(aPos);
  return AnySet((block == Lane(u'&')) | (block == Lane(u'<')) | (block == Lane(u'>')) |
                (block == Lane(u'\'')) | (block == Lane(u'"')) | (block == Lane(u'\0')));
}

} // namespace

void AppendEscaped(std::u16string& aOut, std::u16string_view aText) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    // Most text needs no entity: whole blocks of it are passed at once.
    while (aText.size() - i >= BlockUnits && !BlockNeedsEscape(aText.data() + i))
      i += BlockUnits;
    if (i == aText.size())
      break;
    if (!NeedsEscape(aText[i]))
      continue;
    aOut.append(aText, runStart, i - runStart);
    aOut.append(EntityOf(aText[i]));
    runStart = i + 1;
  }
  aOut.append(aText, runStart);
}

std::u16string EscapeText(std::u16string_view aText) {
  std::u16string result;
  result.reserve(aText.size() + aText.size() / 8 + 8);
  AppendEscaped(result, aText);
  return result;
}

void AppendUnescaped(std::u16string& aOut, std::u16string_view aText) {
  std::size_t pos = 0;
  for (std::size_t amp = FindCodeUnit(aText, u'&'); amp != std::u16string_view::npos;
       amp = FindCodeUnit(aText, u'&', pos)) {
    const std::size_t semicolon = aText.find(u';', amp + 1);
    if (semicolon == std::u16string_view::npos)
      break;
    aOut.append(aText, pos, amp - pos);
    const std::u16string_view reference = aText.substr(amp, semicolon - amp + 1);
    char16_t resolved = 0;
    if (ResolveReference(reference, resolved))
      aOut += resolved;
    else
      aOut.append(reference);
    pos = semicolon + 1;
  }
  aOut.append(aText, pos);
}

std::u16string UnescapeText(std::u16string_view aText) {
  std::u16string result;
  result.reserve(aText.size());
  AppendUnescaped(result, aText);
  return result;
}

std::u16string QuoteText(std::u16string_view aText) {
  const char16_t quote = aText.find(u'"') == std::u16string_view::npos ? u'"' : u'\'';
  std::u16string result;
  result.reserve(aText.size() + 2);
  result += quote;
  result.append(aText);
  result += quote;
  return result;
}

std::u16string UnquoteText(std::u16string_view aText) {
  if (aText.size() < 2 || (aText[0] != u'"' && aText[0] != u'\''))
    return std::u16string(aText);
  const char16_t quote = aText[0];
  std::u16string result;
  for (std::size_t i = 1; i < aText.size(); ++i) {
    if (aText[i] != quote) {
      result += aText[i];
      continue;
    }
    if (i + 1 < aText.size() && aText[i + 1] == quote) {
      result += quote;
      ++i;
      continue;
    }
    break;
  }
  return result;
}

std::u16string BoolToText(bool aValue) {
  return aValue ? u"True" : u"False";
}

bool TryTextToBool(std::u16string_view aText, bool& aValue) {
  if (aText.empty())
    return false;
  const char16_t c = AsciiUpper(aText[0] & 0xFF);
  if (c == u'T' || c == u'Y') {
    aValue = true;
    return true;
  }
  if (c == u'F' || c == u'N') {
    aValue = false;
    return true;
  }
  return false;
}

bool TextToBool(std::u16string_view aText) {
  bool value = false;
  if (!TryTextToBool(aText, value))
    throw Exception(u"Cannot convert value to bool");
  return value;
}

} // namespace vxml
