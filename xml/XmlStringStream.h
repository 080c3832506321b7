// An in-memory stream over the UTF-16 code units of a text. Positions and sizes are in bytes,
// two per code unit, as the reader records them in nodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

class TXmlStringStream {
public:
  // The stream holds AText and starts at position 0.
  explicit TXmlStringStream(std::u16string AText) : FText(std::move(AText)) {}

  const std::u16string& DataString() const { return FText; }
  // A consumable stream lets the reader take its text, which stays with the document it is
  // parsed into; the stream is empty afterwards.
  void SetConsumable() { FConsumable = true; }
  bool Consumable() const { return FConsumable; }
  std::u16string TakeText() { return std::move(FText); }
  int64_t Size() const { return 2 * static_cast<int64_t>(FText.size()); }
  int64_t Position() const { return 2 * static_cast<int64_t>(FIndex); }
  // Clamped to the content and rounded down to a whole code unit.
  void SetPosition(int64_t APosition);

private:
  std::u16string FText;
  std::size_t FIndex = 0;
  bool FConsumable = false;
};

} // namespace vxml
