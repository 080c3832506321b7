#include "XmlFloatText.h"
#include "vbase/Characters.h"
#include "vbase/IntegerText.h"
#include "vxml/XmlDocument.h"

#include <optional>

namespace vxml {

using vbase::Exception;
using vbase::HexDigitChars;
using vbase::IntToText;
using vbase::TryTextToInt;
using vbase::TryTextToInt64;

namespace {

// Used without a document: the fixed defaults of a detached node.
constexpr int32_t DetachedFloatDigits = 6;
constexpr bool DetachedFloatScientific = true;

template <typename T, typename TTryConvert>
T ConvertOr(std::u16string_view aText, T aDefault, TTryConvert aTryConvert) {
  T value{};
  return aTryConvert(aText, value) ? value : aDefault;
}

// The text a typed writer stores, or none when the value is the default and defaults are
// not written. The text is made only when it will be stored, so a failing conversion of a
// skipped value raises nothing.
template <typename T, typename TToText>
std::optional<std::u16string> TextToWrite(const TXmlNode& aNode, const T& aValue, const T& aDefault,
                                          TToText aToText) {
  if (!aNode.WriteOnDefault() && aValue == aDefault)
    return std::nullopt;
  return std::u16string(aToText(aValue));
}

void StoreInChild(TXmlNode& aNode, std::u16string_view AName,
                  const std::optional<std::u16string>& aText) {
  if (aText)
    aNode.NodeFindOrCreate(AName)->SetValueAsWidestring(*aText);
}

void StoreInAttribute(TXmlNode& aNode, std::u16string_view AName,
                      const std::optional<std::u16string>& aText) {
  if (!aText)
    return;
  const int32_t index = aNode.AttributeIndexByName(AName);
  if (index >= 0)
    aNode.SetAttributeValue(index, *aText);
  else
    aNode.AttributeAdd(AName, *aText);
}

std::u16string HexText(int32_t aValue, int32_t aDigits) {
  constexpr std::size_t MaxDigits = 8;
  char16_t digits[MaxDigits];
  std::size_t count = 0;
  uint32_t pattern = static_cast<uint32_t>(aValue);
  do {
    digits[MaxDigits - ++count] = HexDigitChars[pattern & 0xF];
    pattern >>= 4;
  } while (pattern != 0);
  std::u16string text(u"$");
  if (aDigits > static_cast<int32_t>(count))
    text.append(static_cast<std::size_t>(aDigits) - count, u'0');
  text.append(digits + MaxDigits - count, count);
  return text;
}

// A typed read of a child: aDefault without the child, else the child's own reading with
// that default.
template <typename T>
T ChildValueOr(const TXmlNode* aChild, T aDefault, T (TXmlNode::*aValueDef)(T) const) {
  return aChild ? (aChild->*aValueDef)(aDefault) : aDefault;
}

std::u16string CopyText(std::u16string_view aText) {
  return std::u16string(aText);
}

} // namespace

// ---- Values ----

std::u16string TXmlNode::FloatText(double aValue) const {
  return FloatToText(aValue, FDocument ? FDocument->FloatSignificantDigits() : DetachedFloatDigits,
                     FDocument ? FDocument->FloatAllowScientific() : DetachedFloatScientific);
}

double TXmlNode::ValueAsFloat() const {
  double value = 0;
  if (!TryTextToFloat(FValue.View(), value))
    throw Exception(u"Cannot convert value to float");
  return value;
}

void TXmlNode::SetValueAsFloat(double aValue) {
  SetValueAsWidestring(FloatText(aValue));
}

double TXmlNode::ValueAsFloatDef(double aDefault) const {
  return ConvertOr(FValue.View(), aDefault, TryTextToFloat);
}

TXmlDateTime TXmlNode::ValueAsDateTime() const {
  return TextToDateTime(ValueAsWidestring());
}

void TXmlNode::SetValueAsDateTime(TXmlDateTime aValue) {
  SetValueAsWidestring(DateTimeToText(aValue));
}

TXmlDateTime TXmlNode::ValueAsDateTimeDef(TXmlDateTime aDefault) const {
  return ConvertOr(ValueAsWidestring(), aDefault, TryTextToDateTime);
}

// ---- Child values ----

TXmlNode* TXmlNode::ChildByName(std::u16string_view AName) const {
  return Nodes(NodeIndexByName(AName));
}

bool TXmlNode::ReadBool(std::u16string_view AName, bool aDefault) const {
  return ChildValueOr(ChildByName(AName), aDefault, &TXmlNode::ValueAsBoolDef);
}

int32_t TXmlNode::ReadInteger(std::u16string_view AName, int32_t aDefault) const {
  return ChildValueOr(ChildByName(AName), aDefault, &TXmlNode::ValueAsIntegerDef);
}

int64_t TXmlNode::ReadInt64(std::u16string_view AName, int64_t aDefault) const {
  return ChildValueOr(ChildByName(AName), aDefault, &TXmlNode::ValueAsInt64Def);
}

double TXmlNode::ReadFloat(std::u16string_view AName, double aDefault) const {
  return ChildValueOr(ChildByName(AName), aDefault, &TXmlNode::ValueAsFloatDef);
}

std::u16string TXmlNode::ReadString(std::u16string_view AName, std::u16string_view aDefault) const {
  const TXmlNode* child = ChildByName(AName);
  return child ? child->ValueAsWidestring() : std::u16string(aDefault);
}

TXmlDateTime TXmlNode::ReadDateTime(std::u16string_view AName, TXmlDateTime aDefault) const {
  return ConvertOr(ReadString(AName), aDefault, TryTextToDateTime);
}

TXmlColor TXmlNode::ReadColor(std::u16string_view AName, TXmlColor aDefault) const {
  const TXmlNode* child = ChildByName(AName);
  return child ? child->ValueAsInteger() : aDefault;
}

void TXmlNode::WriteBool(std::u16string_view AName, bool aValue, bool aDefault) {
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, BoolToText));
}

void TXmlNode::WriteInteger(std::u16string_view AName, int32_t aValue, int32_t aDefault) {
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, IntToText));
}

void TXmlNode::WriteInt64(std::u16string_view AName, int64_t aValue, int64_t aDefault) {
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, IntToText));
}

void TXmlNode::WriteFloat(std::u16string_view AName, double aValue, double aDefault) {
  // The settings are those of the child's document, which for an existing child may differ.
  const TXmlNode* existing = NodeByName(AName);
  const TXmlNode& settings = existing ? *existing : *this;
  const auto toText = [&settings](double aFloat) { return settings.FloatText(aFloat); };
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, toText));
}

void TXmlNode::WriteString(std::u16string_view AName, std::u16string_view aValue,
                           std::u16string_view aDefault) {
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, CopyText));
}

void TXmlNode::WriteDateTime(std::u16string_view AName, TXmlDateTime aValue) {
  WriteString(AName, DateTimeToText(aValue));
}

void TXmlNode::WriteHex(std::u16string_view AName, int32_t aValue, int32_t aDigits,
                        int32_t aDefault) {
  const auto toText = [aDigits](int32_t aInteger) { return HexText(aInteger, aDigits); };
  StoreInChild(*this, AName, TextToWrite(*this, aValue, aDefault, toText));
}

void TXmlNode::WriteColor(std::u16string_view AName, TXmlColor aValue) {
  WriteHex(AName, aValue, 8);
}

// ---- Attribute values ----

bool TXmlNode::ReadAttributeBool(std::u16string_view AName, bool aDefault) const {
  return ConvertOr(AttributeByName(AName), aDefault, TryTextToBool);
}

int32_t TXmlNode::ReadAttributeInteger(std::u16string_view AName, int32_t aDefault) const {
  return ConvertOr(AttributeByName(AName), aDefault, TryTextToInt);
}

int64_t TXmlNode::ReadAttributeInt64(std::u16string_view AName, int64_t aDefault) const {
  return ConvertOr(AttributeByName(AName), aDefault, TryTextToInt64);
}

double TXmlNode::ReadAttributeFloat(std::u16string_view AName, double aDefault) const {
  return ConvertOr(AttributeByName(AName), aDefault, TryTextToFloat);
}

std::u16string TXmlNode::ReadAttributeString(std::u16string_view AName,
                                             std::u16string_view aDefault) const {
  std::u16string value = AttributeByName(AName);
  return value.empty() ? std::u16string(aDefault) : value;
}

void TXmlNode::WriteAttributeBool(std::u16string_view AName, bool aValue, bool aDefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, aValue, aDefault, BoolToText));
}

void TXmlNode::WriteAttributeInteger(std::u16string_view AName, int32_t aValue, int32_t aDefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, aValue, aDefault, IntToText));
}

void TXmlNode::WriteAttributeFloat(std::u16string_view AName, double aValue, double aDefault) {
  const auto toText = [this](double aFloat) { return FloatText(aFloat); };
  StoreInAttribute(*this, AName, TextToWrite(*this, aValue, aDefault, toText));
}

void TXmlNode::WriteAttributeString(std::u16string_view AName, std::u16string_view aValue,
                                    std::u16string_view aDefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, aValue, aDefault, CopyText));
}

} // namespace vxml
