// An in-memory stream over the UTF-16 code units of a text. Positions and sizes are in bytes,
// two per code unit, as the reader records them in nodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

class TXmlStringStream {
public:
  // The stream holds aText and starts at position 0.
  explicit TXmlStringStream(std::u16string aText) : fText(std::move(aText)) {}

  const std::u16string& DataString() const { return fText; }
  // A consumable stream lets the reader take its text, which stays with the document it is
  // parsed into; the stream is empty afterwards.
  void SetConsumable() { fConsumable = true; }
  bool Consumable() const { return fConsumable; }
  std::u16string TakeText() { return std::move(fText); }
  int64_t Size() const { return 2 * static_cast<int64_t>(fText.size()); }
  int64_t Position() const { return 2 * static_cast<int64_t>(fIndex); }
  // Clamped to the content and rounded down to a whole code unit.
  void SetPosition(int64_t aPosition);

private:
  std::u16string fText;
  std::size_t fIndex = 0;
  bool fConsumable = false;
};

} // namespace vxml
