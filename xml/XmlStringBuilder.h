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
  explicit TXmlStringBuilder(std::size_t capacity) { FData.reserve(capacity); }

  void AddChar(char16_t c) { FData.push_back(c); }
  void AddString(std::u16string_view s) { FData.append(s); }
  void Clear() { FData.clear(); }

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
    if (FSink && FData.size() >= FChunk)
      Pass();
  }
  void Pass();

  const std::u16string& Value() const { return FData; }
  std::u16string TakeValue() { return std::move(FData); }
  int32_t Length() const { return static_cast<int32_t>(FData.size()); }

private:
  std::u16string FData;
  std::function<void(std::u16string_view)> FSink;
  std::size_t FChunk = 0;
};

} // namespace vxml
