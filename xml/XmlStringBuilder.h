// A growable buffer of UTF-16 code units; positions are counted from 1.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vxml {

class TXmlStringBuilder {
public:
  TXmlStringBuilder() = default;
  explicit TXmlStringBuilder(std::size_t ACapacity) { FData.resize(ACapacity); }

  // The writer adds a few code units at a time, millions of times: the buffer only grows, and
  // its room is written directly.
  void AddChar(char16_t AUnit) {
    if (FLength == FData.size())
      Grow(1);
    FData[FLength++] = AUnit;
  }
  void AddString(std::u16string_view AText) {
    if (AText.size() > FData.size() - FLength)
      Grow(AText.size());
    // Names and marks are a few code units: a call to copy them would cost more than the copy.
    constexpr std::size_t ShortText = 8;
    char16_t* target = FData.data() + FLength;
    if (AText.size() <= ShortText)
      for (const char16_t c : AText)
        *target++ = c;
    else
      std::char_traits<char16_t>::copy(target, AText.data(), AText.size());
    FLength += AText.size();
  }
  void Clear() { FLength = 0; }

  // ALength code units from position AFirst; the part outside the content is left out.
  std::u16string StringCopy(int32_t AFirst, int32_t ALength) const;
  // One code unit at a position from 1 to Length; any other position is an EListError.
  char16_t Data(int32_t APosition) const;

  // With a sink, PassIfFull hands the text to it once it holds at least AChunk code units and
  // Pass hands over all of it; the builder keeps only what has not gone. A high surrogate at the
  // end waits for its partner.
  void SetSink(std::function<void(std::u16string_view)> ASink, std::size_t AChunk) {
    FSink = std::move(ASink);
    FChunk = AChunk;
  }
  void PassIfFull() {
    if (FSink && FLength >= FChunk)
      Pass();
  }
  void Pass();

  std::u16string_view Value() const { return {FData.data(), FLength}; }
  std::u16string TakeValue() {
    FData.resize(FLength);
    FLength = 0;
    return std::move(FData);
  }
  int32_t Length() const { return static_cast<int32_t>(FLength); }

private:
  // Room for at least AMore code units beyond the content.
  void Grow(std::size_t AMore);

  std::u16string FData;
  std::size_t FLength = 0;
  std::function<void(std::u16string_view)> FSink;
  std::size_t FChunk = 0;
};

} // namespace vxml
