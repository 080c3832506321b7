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
  explicit TXmlStringBuilder(std::size_t aCapacity) { fData.resize(aCapacity); }

  // The writer adds a few code units at a time, millions of times: the buffer only grows, and
  // its room is written directly.
  void AddChar(char16_t aUnit) {
    if (fLength == fData.size())
      Grow(1);
    fData[fLength++] = aUnit;
  }
  void AddString(std::u16string_view aText) {
    if (aText.size() > fData.size() - fLength)
      Grow(aText.size());
    // Names and marks are a few code units: a call to copy them would cost more than the copy.
    constexpr std::size_t ShortText = 8;
    char16_t* target = fData.data() + fLength;
    if (aText.size() <= ShortText)
      for (const char16_t c : aText)
        *target++ = c;
    else
      std::char_traits<char16_t>::copy(target, aText.data(), aText.size());
    fLength += aText.size();
  }
  void Clear() { fLength = 0; }

  // ALength code units from position aFirst; the part outside the content is left out.
  std::u16string StringCopy(int32_t AFirst, int32_t ALength) const;
  // One code unit at a position from 1 to Length; any other position is an EListError.
  char16_t Data(int32_t aPosition) const;

  // With a sink, PassIfFull hands the text to it once it holds at least aChunk code units and
  // Pass hands over all of it; the builder keeps only what has not gone. A high surrogate at the
  // end waits for its partner.
  void SetSink(std::function<void(std::u16string_view)> aSink, std::size_t aChunk) {
    fSink = std::move(aSink);
    fChunk = aChunk;
  }
  void PassIfFull() {
    if (fSink && fLength >= fChunk)
      Pass();
  }
  void Pass();

  std::u16string_view Value() const { return {fData.data(), fLength}; }
  std::u16string TakeValue() {
    fData.resize(fLength);
    fLength = 0;
    return std::move(fData);
  }
  int32_t Length() const { return static_cast<int32_t>(fLength); }

private:
  // Room for at least aMore code units beyond the content.
  void Grow(std::size_t aMore);

  std::u16string fData;
  std::size_t fLength = 0;
  std::function<void(std::u16string_view)> fSink;
  std::size_t fChunk = 0;
};

} // namespace vxml
