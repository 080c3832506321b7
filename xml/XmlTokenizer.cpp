#include "XmlTokenizer.h"

#include "vbase/Characters.h"
#include "vxml/XmlText.h"

#include <cstddef>

namespace vxml {

using vbase::Trim;

namespace {

// Where the reading of a kind goes on, counted from the code unit after the "<".
const char16_t* ContinuationOf(const TTagType& aRow, const char16_t* aAfterLess,
                               const char16_t* aEnd) {
  const std::ptrdiff_t startLength = static_cast<std::ptrdiff_t>(aRow.FStart.size());
  switch (aRow.FStyle) {
  case xeNormal:
  case xeDeclaration:
  case xeStylesheet:
    // The start string is read again as part of the tag text.
    return aAfterLess;
  case xeCData:
  case xeComment:
    return aAfterLess + startLength - 1;
  case xeExclam:
  case xeQuestion:
    return aAfterLess + 1;
  default:
    // DTD keywords: the separator after the keyword goes too.
    return std::min(aAfterLess + startLength, aEnd);
  }
}

} // namespace

const TTagType& ReadTagKind(TXmlCursor& aC) {
  const char16_t* afterLess = aC.Pos;
  // Every start string but "<" goes on with "!" or "?": anything else starts an element.
  if (aC.AtEnd() || (*aC.Pos != u'!' && *aC.Pos != u'?'))
    return TagTypeTable.back();
  std::size_t result = TagTypeTable.size() - 1;
  uint32_t candidates = (1u << TagTypeTable.size()) - 1;
  // The k-th unit after "<" is compared with character k of every start string still in the
  // running; a completed start string stands until a longer one completes.
  for (std::size_t k = 1; candidates != 0 && !aC.AtEnd(); ++k) {
    const char16_t c = *aC.Pos++;
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
  aC.Pos = ContinuationOf(row, afterLess, aC.End);
  return row;
}

bool ReadUntilTerminator(TXmlCursor& aC, std::u16string_view aT, std::u16string_view& aText,
                         bool aQuoteAware) {
  if (aT.empty())
    return false;
  const char16_t* first = aC.Pos;
  const char16_t last = aT.back();
  const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(aT.size());
  for (const char16_t* p = first; p != aC.End;) {
    // Only the terminator's last code unit and, where they count, quotes stop the scan.
    while (p != aC.End && *p != last && !(aQuoteAware && IsQuote(*p)))
      ++p;
    if (p == aC.End)
      break;
    const char16_t c = *p++;
    if (aQuoteAware && IsQuote(c)) {
      p = std::find(p, aC.End, c);
      if (p != aC.End)
        ++p;
    } else if (p - first >= length && std::u16string_view(p - length, aT.size()) == aT) {
      aText = std::u16string_view(first, static_cast<std::size_t>(p - length - first));
      aC.Pos = p;
      return true;
    }
  }
  aC.Pos = aC.End;
  return false;
}

namespace {

// Joins the raw tokens as they arrive: the "=" pass first, then the quote pass over its
// results, each in one forward sweep so that long tags stay linear.
class TTokenJoiner {
public:
  explicit TTokenJoiner(std::vector<std::u16string>& aTokens) : fTokens(aTokens) {}

  void Add(std::u16string_view aRaw) {
    if (fHasPending && aRaw.front() == u'=') {
      fPending.append(aRaw);
      return;
    }
    Finish();
    fPending.assign(aRaw);
    fHasPending = true;
  }

  void Finish() {
    if (!fHasPending)
      return;
    const bool hasEquals = fPending.find(u'=') != std::u16string::npos;
    if (!fTokens.empty() && IsQuote(fPending.front()) && fPreviousHasEquals)
      fTokens.back().append(fPending);
    else
      fTokens.push_back(std::move(fPending));
    fPreviousHasEquals = hasEquals;
    fPending.clear();
    fHasPending = false;
  }

private:
  std::vector<std::u16string>& fTokens;
  std::u16string fPending;
  bool fHasPending = false;
  bool fPreviousHasEquals = false;
};

// The whitespace-separated stretches of aText, quoted stretches kept whole, before any joining.
void SplitRawTokens(std::u16string_view aText, std::vector<std::u16string_view>& aRaw) {
  const std::u16string_view text = Trim(aText, IsXmlWhitespace);
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
        aRaw.push_back(text.substr(tokenStart, i - tokenStart));
      tokenStart = i + 1;
    }
  }
  if (text.size() > tokenStart)
    aRaw.push_back(text.substr(tokenStart));
}

void JoinRawTokens(const std::vector<std::u16string_view>& aRaw,
                   std::vector<std::u16string>& aTokens) {
  TTokenJoiner joiner(aTokens);
  for (const std::u16string_view raw : aRaw)
    joiner.Add(raw);
  joiner.Finish();
}

// Only a token after the first that starts with "=" or a quote can join the one before it.
bool NeedsJoining(const std::vector<std::u16string_view>& aRaw) {
  return std::any_of(aRaw.begin() + std::min<std::ptrdiff_t>(1, std::ssize(aRaw)), aRaw.end(),
                     [](std::u16string_view aRawToken) {
                       return aRawToken.front() == u'=' || IsQuote(aRawToken.front());
                     });
}

} // namespace

void SplitTagText(std::u16string_view aText, std::vector<std::u16string>& aTokens) {
  std::vector<std::u16string_view> raw;
  SplitRawTokens(aText, raw);
  if (raw.empty())
    return;
  aTokens.clear();
  JoinRawTokens(raw, aTokens);
}

void TTagTokens::Split(std::u16string_view aText) {
  fTokens.clear();
  SplitRawTokens(aText, fTokens);
  if (!NeedsJoining(fTokens))
    return;
  fJoined.clear();
  JoinRawTokens(fTokens, fJoined);
  fTokens.assign(fJoined.begin(), fJoined.end());
}

} // namespace vxml
