#include "XmlTokenizer.h"

#include "vbase/Characters.h"
#include "vxml/XmlText.h"

#include <cstddef>

namespace vxml {

using vbase::Trim;

namespace {

// Where the reading of a kind goes on, counted from the code unit after the "<".
const char16_t* ContinuationOf(const TTagType& ARow, const char16_t* AAfterLess,
                               const char16_t* AEnd) {
  const std::ptrdiff_t startLength = static_cast<std::ptrdiff_t>(ARow.FStart.size());
  switch (ARow.FStyle) {
  case xeNormal:
  case xeDeclaration:
  case xeStylesheet:
    // The start string is read again as part of the tag text.
    return AAfterLess;
  case xeCData:
  case xeComment:
    return AAfterLess + startLength - 1;
  case xeExclam:
  case xeQuestion:
    return AAfterLess + 1;
  default:
    // DTD keywords: the separator after the keyword goes too.
    return std::min(AAfterLess + startLength, AEnd);
  }
}

} // namespace

const TTagType& ReadTagKind(TXmlCursor& C) {
  const char16_t* afterLess = C.Pos;
  // Every start string but "<" goes on with "!" or "?": anything else starts an element.
  if (C.AtEnd() || (*C.Pos != u'!' && *C.Pos != u'?'))
    return TagTypeTable.back();
  std::size_t result = TagTypeTable.size() - 1;
  uint32_t candidates = (1u << TagTypeTable.size()) - 1;
  // The k-th unit after "<" is compared with character k of every start string still in the
  // running; a completed start string stands until a longer one completes.
  for (std::size_t k = 1; candidates != 0 && !C.AtEnd(); ++k) {
    const char16_t c = *C.Pos++;
    uint32_t matched = 0;
    for (std::size_t row = TagTypeTable.size(); row-- > 0;) {
      const std::u16string_view start = TagTypeTable[row].FStart;
      if (!(candidates & (1u << row)) || start.size() <= k || start[k] != c)
        continue;
      matched |= 1u << row;
      if (start.size() == k + 1)
        result = row;
    }
    candidates = matched;
  }
  const TTagType& row = TagTypeTable[result];
  C.Pos = ContinuationOf(row, afterLess, C.End);
  return row;
}

bool ReadUntilTerminator(TXmlCursor& C, std::u16string_view T, std::u16string_view& AText,
                         bool AQuoteAware) {
  if (T.empty())
    return false;
  const char16_t* first = C.Pos;
  const char16_t last = T.back();
  const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(T.size());
  for (const char16_t* p = first; p != C.End;) {
    // Only the terminator's last code unit and, where they count, quotes stop the scan.
    while (p != C.End && *p != last && !(AQuoteAware && IsQuote(*p)))
      ++p;
    if (p == C.End)
      break;
    const char16_t c = *p++;
    if (AQuoteAware && IsQuote(c)) {
      p = std::find(p, C.End, c);
      if (p != C.End)
        ++p;
    } else if (p - first >= length && std::u16string_view(p - length, T.size()) == T) {
      AText = std::u16string_view(first, static_cast<std::size_t>(p - length - first));
      C.Pos = p;
      return true;
    }
  }
  C.Pos = C.End;
  return false;
}

namespace {

// Joins the raw tokens as they arrive: the "=" pass first, then the quote pass over its
// results, each in one forward sweep so that long tags stay linear.
class TTokenJoiner {
public:
  explicit TTokenJoiner(std::vector<std::u16string>& ATokens) : FTokens(ATokens) {}

  void Add(std::u16string_view ARaw) {
    if (FHasPending && ARaw.front() == u'=') {
      FPending.append(ARaw);
      return;
    }
    Finish();
    FPending.assign(ARaw);
    FHasPending = true;
  }

  void Finish() {
    if (!FHasPending)
      return;
    const bool hasEquals = FPending.find(u'=') != std::u16string::npos;
    if (!FTokens.empty() && IsQuote(FPending.front()) && FPreviousHasEquals)
      FTokens.back().append(FPending);
    else
      FTokens.push_back(std::move(FPending));
    FPreviousHasEquals = hasEquals;
    FPending.clear();
    FHasPending = false;
  }

private:
  std::vector<std::u16string>& FTokens;
  std::u16string FPending;
  bool FHasPending = false;
  bool FPreviousHasEquals = false;
};

// The whitespace-separated stretches of AText, quoted stretches kept whole, before any joining.
void SplitRawTokens(std::u16string_view AText, std::vector<std::u16string_view>& ARaw) {
  const std::u16string_view text = Trim(AText, IsXmlWhitespace);
  std::size_t tokenStart = 0;
  char16_t quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quote) {
      if (c == quote)
        quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if (IsXmlWhitespace(c)) {
      if (i > tokenStart)
        ARaw.push_back(text.substr(tokenStart, i - tokenStart));
      tokenStart = i + 1;
    }
  }
  if (text.size() > tokenStart)
    ARaw.push_back(text.substr(tokenStart));
}

void JoinRawTokens(const std::vector<std::u16string_view>& ARaw,
                   std::vector<std::u16string>& ATokens) {
  TTokenJoiner joiner(ATokens);
  for (const std::u16string_view raw : ARaw)
    joiner.Add(raw);
  joiner.Finish();
}

// Only a token after the first that starts with "=" or a quote can join the one before it.
bool NeedsJoining(const std::vector<std::u16string_view>& ARaw) {
  return std::any_of(ARaw.begin() + std::min<std::ptrdiff_t>(1, std::ssize(ARaw)), ARaw.end(),
                     [](std::u16string_view ARawToken) {
                       return ARawToken.front() == u'=' || IsQuote(ARawToken.front());
                     });
}

} // namespace

void SplitTagText(std::u16string_view AText, std::vector<std::u16string>& ATokens) {
  std::vector<std::u16string_view> raw;
  SplitRawTokens(AText, raw);
  if (raw.empty())
    return;
  ATokens.clear();
  JoinRawTokens(raw, ATokens);
}

void TTagTokens::Split(std::u16string_view AText) {
  FTokens.clear();
  SplitRawTokens(AText, FTokens);
  if (!NeedsJoining(FTokens))
    return;
  FJoined.clear();
  JoinRawTokens(FTokens, FJoined);
  FTokens.assign(FJoined.begin(), FJoined.end());
}

} // namespace vxml
