// The attribute lines of a node: name, "=", then the quoted escaped value, one text a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxml {

class TXmlAttributeLines {
public:
  // A sorted list keeps its lines in case-insensitive order and drops a line equal to one it
  // already holds; an unsorted one keeps insertion order and accepts duplicates.
  explicit TXmlAttributeLines(bool ASorted) : FSorted(ASorted) {}

  bool Sorted() const { return FSorted; }
  int32_t Count() const { return static_cast<int32_t>(FLines.size()); }
  const std::u16string& Line(int32_t Index) const {
    return FLines[static_cast<std::size_t>(Index)];
  }

  void Add(std::u16string ALine);
  // Rewriting in place would break the order of a sorted list: both raise EStringListError.
  void Put(int32_t Index, std::u16string ALine);
  void Exchange(int32_t Index1, int32_t Index2);
  void Delete(int32_t Index);

  // The text before the first "=" (the whole line when there is none).
  static std::u16string_view NamePart(std::u16string_view ALine);
  // Index of the first line with an "=" whose name part matches AName case-insensitively, or -1.
  int32_t IndexOfName(std::u16string_view AName) const;

private:
  void RequireUnsorted() const;

  bool FSorted;
  std::vector<std::u16string> FLines;
};

} // namespace vxml
