// Where reading a file stopped, in the terms a user finds it by in an editor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vbase {

// Lines and columns count from 1. A column counts characters of the decoded text: a surrogate
// pair is one character, and the byte-order mark at the start, which editors do not show, is
// none. Line 0 stands for no place inside the file.
struct TTextPlace {
  std::u16string File;
  int64_t Line = 0;
  int64_t Column = 0;
};

// Counts the lines (broken by CR, LF or CR LF) and the characters of a text that arrives in
// pieces, up to the code unit at a given index of the whole text.
class TLineCounter {
public:
  explicit TLineCounter(uint64_t aStopIndex) : fRemaining(aStopIndex) {}

  // Counts over the next piece; false once the stop is reached.
  bool Pass(std::u16string_view aPiece);
  int64_t Line() const { return fLine; }
  int64_t Column() const { return fColumn; }
  // A NUL character, which no text file holds, came before the stop.
  bool SawNul() const { return fSawNul; }

private:
  void Count(char16_t aUnit);

  uint64_t fRemaining;
  int64_t fLine = 1;
  int64_t fColumn = 1;
  bool fAtStart = true;
  char16_t fPrevious = 0;
  bool fSawNul = false;
};

} // namespace vbase
