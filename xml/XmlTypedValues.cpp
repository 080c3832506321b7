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
T ConvertOr(std::u16string_view AText, T ADefault, TTryConvert TryConvert) {
  T value{};
  return TryConvert(AText, value) ? value : ADefault;
}

// The text a typed writer stores, or none when the value is the default and defaults are
// not written. The text is made only when it will be stored, so a failing conversion of a
// skipped value raises nothing.
template <typename T, typename TToText>
std::optional<std::u16string> TextToWrite(const TXmlNode& ANode, const T& AValue, const T& ADefault,
                                          TToText ToText) {
  if (!ANode.WriteOnDefault() && AValue == ADefault)
    return std::nullopt;
  return std::u16string(ToText(AValue));
}

void StoreInChild(TXmlNode& ANode, std::u16string_view AName,
                  const std::optional<std::u16string>& AText) {
  if (AText)
    ANode.NodeFindOrCreate(AName)->SetValueAsWidestring(*AText);
}

void StoreInAttribute(TXmlNode& ANode, std::u16string_view AName,
                      const std::optional<std::u16string>& AText) {
  if (!AText)
    return;
  const int32_t index = ANode.AttributeIndexByName(AName);
  if (index >= 0)
    ANode.SetAttributeValue(index, *AText);
  else
    ANode.AttributeAdd(AName, *AText);
}

std::u16string HexText(int32_t AValue, int32_t ADigits) {
  constexpr std::size_t MaxDigits = 8;
  char16_t digits[MaxDigits];
  std::size_t count = 0;
  uint32_t pattern = static_cast<uint32_t>(AValue);
  do {
    digits[MaxDigits - ++count] = HexDigitChars[pattern & 0xF];
    pattern >>= 4;
  } while (pattern != 0);
  std::u16string text(u"$");
  if (ADigits > static_cast<int32_t>(count))
    text.append(static_cast<std::size_t>(ADigits) - count, u'0');
  text.append(digits + MaxDigits - count, count);
  return text;
}

// A typed read of a child: ADefault without the child, else the child's own reading with
// that default.
template <typename T>
T ChildValueOr(const TXmlNode* AChild, T ADefault, T (TXmlNode::*AValueDef)(T) const) {
  return AChild ? (AChild->*AValueDef)(ADefault) : ADefault;
}

std::u16string CopyText(std::u16string_view AText) {
  return std::u16string(AText);
}

} // namespace

// ---- Values ----

std::u16string TXmlNode::FloatText(double Value) const {
  return FloatToText(Value, FDocument ? FDocument->FloatSignificantDigits() : DetachedFloatDigits,
                     FDocument ? FDocument->FloatAllowScientific() : DetachedFloatScientific);
}

double TXmlNode::ValueAsFloat() const {
  double value = 0;
  if (!TryTextToFloat(FValue.View(), value))
    throw Exception(u"Cannot convert value to float");
  return value;
}

void TXmlNode::SetValueAsFloat(double Value) {
  SetValueAsWidestring(FloatText(Value));
}

double TXmlNode::ValueAsFloatDef(double ADefault) const {
  return ConvertOr(FValue.View(), ADefault, TryTextToFloat);
}

TXmlDateTime TXmlNode::ValueAsDateTime() const {
  return TextToDateTime(ValueAsWidestring());
}

void TXmlNode::SetValueAsDateTime(TXmlDateTime Value) {
  SetValueAsWidestring(DateTimeToText(Value));
}

TXmlDateTime TXmlNode::ValueAsDateTimeDef(TXmlDateTime ADefault) const {
  return ConvertOr(ValueAsWidestring(), ADefault, TryTextToDateTime);
}

// ---- Child values ----

TXmlNode* TXmlNode::ChildByName(std::u16string_view AName) const {
  return Nodes(NodeIndexByName(AName));
}

bool TXmlNode::ReadBool(std::u16string_view AName, bool ADefault) const {
  return ChildValueOr(ChildByName(AName), ADefault, &TXmlNode::ValueAsBoolDef);
}

int32_t TXmlNode::ReadInteger(std::u16string_view AName, int32_t ADefault) const {
  return ChildValueOr(ChildByName(AName), ADefault, &TXmlNode::ValueAsIntegerDef);
}

int64_t TXmlNode::ReadInt64(std::u16string_view AName, int64_t ADefault) const {
  return ChildValueOr(ChildByName(AName), ADefault, &TXmlNode::ValueAsInt64Def);
}

double TXmlNode::ReadFloat(std::u16string_view AName, double ADefault) const {
  return ChildValueOr(ChildByName(AName), ADefault, &TXmlNode::ValueAsFloatDef);
}

std::u16string TXmlNode::ReadString(std::u16string_view AName, std::u16string_view ADefault) const {
  const TXmlNode* child = ChildByName(AName);
  return child ? child->ValueAsWidestring() : std::u16string(ADefault);
}

TXmlDateTime TXmlNode::ReadDateTime(std::u16string_view AName, TXmlDateTime ADefault) const {
  return ConvertOr(ReadString(AName), ADefault, TryTextToDateTime);
}

TXmlColor TXmlNode::ReadColor(std::u16string_view AName, TXmlColor ADefault) const {
  const TXmlNode* child = ChildByName(AName);
  return child ? child->ValueAsInteger() : ADefault;
}

void TXmlNode::WriteBool(std::u16string_view AName, bool AValue, bool ADefault) {
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, BoolToText));
}

void TXmlNode::WriteInteger(std::u16string_view AName, int32_t AValue, int32_t ADefault) {
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, IntToText));
}

void TXmlNode::WriteInt64(std::u16string_view AName, int64_t AValue, int64_t ADefault) {
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, IntToText));
}

void TXmlNode::WriteFloat(std::u16string_view AName, double AValue, double ADefault) {
  // The settings are those of the child's document, which for an existing child may differ.
  const TXmlNode* existing = NodeByName(AName);
  const TXmlNode& settings = existing ? *existing : *this;
  const auto toText = [&settings](double AFloat) { return settings.FloatText(AFloat); };
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, toText));
}

void TXmlNode::WriteString(std::u16string_view AName, std::u16string_view AValue,
                           std::u16string_view ADefault) {
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, CopyText));
}

void TXmlNode::WriteDateTime(std::u16string_view AName, TXmlDateTime AValue) {
  WriteString(AName, DateTimeToText(AValue));
}

void TXmlNode::WriteHex(std::u16string_view AName, int32_t AValue, int32_t Digits,
                        int32_t ADefault) {
  const auto toText = [Digits](int32_t AInteger) { return HexText(AInteger, Digits); };
  StoreInChild(*this, AName, TextToWrite(*this, AValue, ADefault, toText));
}

void TXmlNode::WriteColor(std::u16string_view AName, TXmlColor AValue) {
  WriteHex(AName, AValue, 8);
}

// ---- Attribute values ----

bool TXmlNode::ReadAttributeBool(std::u16string_view AName, bool ADefault) const {
  return ConvertOr(AttributeByName(AName), ADefault, TryTextToBool);
}

int32_t TXmlNode::ReadAttributeInteger(std::u16string_view AName, int32_t ADefault) const {
  return ConvertOr(AttributeByName(AName), ADefault, TryTextToInt);
}

int64_t TXmlNode::ReadAttributeInt64(std::u16string_view AName, int64_t ADefault) const {
  return ConvertOr(AttributeByName(AName), ADefault, TryTextToInt64);
}

double TXmlNode::ReadAttributeFloat(std::u16string_view AName, double ADefault) const {
  return ConvertOr(AttributeByName(AName), ADefault, TryTextToFloat);
}

std::u16string TXmlNode::ReadAttributeString(std::u16string_view AName,
                                             std::u16string_view ADefault) const {
  std::u16string value = AttributeByName(AName);
  return value.empty() ? std::u16string(ADefault) : value;
}

void TXmlNode::WriteAttributeBool(std::u16string_view AName, bool AValue, bool ADefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, AValue, ADefault, BoolToText));
}

void TXmlNode::WriteAttributeInteger(std::u16string_view AName, int32_t AValue, int32_t ADefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, AValue, ADefault, IntToText));
}

void TXmlNode::WriteAttributeFloat(std::u16string_view AName, double AValue, double ADefault) {
  const auto toText = [this](double AFloat) { return FloatText(AFloat); };
  StoreInAttribute(*this, AName, TextToWrite(*this, AValue, ADefault, toText));
}

void TXmlNode::WriteAttributeString(std::u16string_view AName, std::u16string_view AValue,
                                    std::u16string_view ADefault) {
  StoreInAttribute(*this, AName, TextToWrite(*this, AValue, ADefault, CopyText));
}

} // namespace vxml
