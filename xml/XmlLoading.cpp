#include "XmlLoading.h"

#include "XmlParser.h"
#include "XmlStore.h"
#include "XmlStringStream.h"
#include "vbase/FileContent.h"
#include "vbase/Utf8.h"
#include "vcharset/CodePages.h"
#include "vcharset/uCharsetMap.h"
#include "vxml/XmlDocument.h"

#include <cstring>
#include <functional>
#include <istream>

namespace vxml {

using vbase::EAssertionFailed;
using vbase::EEncodingError;
using vbase::EFilerError;
using vbase::EStreamError;
using vbase::ReadToEnd;
using vbase::TFileReader;
using vbase::TLineCounter;
using vbase::Utf8CompleteLength;
using vbase::Utf8Decode;
using vbase::Utf8DecodeAppend;
using vcharset::CodePageFromCharsetName;
using vcharset::CodePageToUtf16;
using vcharset::IsUtf8CodePage;

namespace {

constexpr std::size_t HeaderLimit = 255;

// Node positions count code units in 32 bits; no code page takes more than three bytes for one
// code unit, so more bytes than this can never fit.
constexpr uint64_t MaxTextUnits = (uint64_t(1) << 31) - 1;
constexpr uint64_t MaxTextBytes = 3 * MaxTextUnits;

[[noreturn]] void RaiseTooLarge() {
  throw EFilerError(u"Text too large: a document holds at most 2147483647 code units");
}

bool StartsWith(std::string_view aBytes, std::string_view aPrefix) {
  return aBytes.substr(0, aPrefix.size()) == aPrefix;
}

// The bytes up to and including the first ">", at most HeaderLimit of them.
std::string_view HeaderOf(std::string_view aBytes) {
  const std::string_view head = aBytes.substr(0, HeaderLimit);
  const std::size_t close = head.find('>');
  return close == std::string_view::npos ? head : head.substr(0, close + 1);
}

// The name after encoding=" or encoding=' (letter case and spacing exactly so), up to the same
// quote or to the end of the header.
bool FindDeclaredEncoding(std::string_view aHeader, std::string_view& AName) {
  for (const char quote : {'"', '\''}) {
    const std::string key = std::string("encoding=") + quote;
    const std::size_t at = aHeader.find(key);
    if (at == std::string_view::npos)
      continue;
    const std::string_view rest = aHeader.substr(at + key.size());
    AName = rest.substr(0, rest.find(quote));
    return true;
  }
  return false;
}

constexpr std::size_t FilePiece = 1 << 20;

// Up to aMaximum bytes from the start of aFile; fewer only when the file ends.
std::string ReadStart(TFileReader& aFile, std::size_t aMaximum) {
  std::string bytes(aMaximum, '\0');
  std::size_t filled = 0;
  while (filled < aMaximum)
    if (const std::size_t count = aFile.Read(bytes.data() + filled, aMaximum - filled))
      filled += count;
    else
      break;
  bytes.resize(filled);
  return bytes;
}

// Hands the bytes of a UTF-8 file, aStart (those read already) and the rest, to aConsume piece by
// piece, so that they are never held whole; a sequence cut off at the end of a piece waits for the
// next. aConsume returns false to stop.
template <class TConsume>
void ForEachUtf8Piece(TFileReader& aFile, std::string aStart, TConsume aConsume) {
  std::string piece = std::move(aStart);
  std::size_t filled = piece.size();
  piece.resize(FilePiece + 4);
  for (;;) {
    const std::string_view bytes(piece.data(), filled);
    const std::size_t complete = Utf8CompleteLength(bytes);
    if (!aConsume(bytes.substr(0, complete)))
      return;
    const std::size_t kept = filled - complete;
    std::memmove(piece.data(), piece.data() + complete, kept);
    const std::size_t count = aFile.Read(piece.data() + kept, FilePiece);
    filled = kept + count;
    if (count == 0) {
      aConsume(std::string_view(piece.data(), kept));
      return;
    }
  }
}

// aOnPiece is called after each piece: reading a large file takes a while before the parse
// reports its first node.
std::u16string ReadUtf8Text(TFileReader& aFile, std::string aStart,
                            const std::function<void()>& aOnPiece) {
  std::u16string text;
  // No sequence gives more code units than it has bytes.
  text.reserve(static_cast<std::size_t>(aFile.Size()));
  AdviseHugePages(text.data(), text.data() + text.capacity());
  ForEachUtf8Piece(aFile, std::move(aStart), [&](std::string_view aBytes) {
    Utf8DecodeAppend(aBytes, text);
    if (text.size() > MaxTextUnits)
      RaiseTooLarge();
    aOnPiece();
    return true;
  });
  return text;
}

// Counts lines and columns up to code unit aIndex of the text that aFileName decodes to. The file
// is read again, only after a failure: the parse takes memory from the text it has passed.
TLineCounter CountUpTo(const std::u16string& aFileName, uint64_t aIndex) {
  TLineCounter counter(aIndex);
  if (aIndex == 0)
    return counter;
  TFileReader file(aFileName, MaxTextBytes);
  std::string start = ReadStart(file, FilePiece);
  const uint32_t codePage = DetectCodePage(start);
  if (IsUtf8CodePage(codePage)) {
    std::u16string decoded;
    ForEachUtf8Piece(file, std::move(start), [&](std::string_view aBytes) {
      decoded.clear();
      Utf8DecodeAppend(aBytes, decoded);
      return counter.Pass(decoded);
    });
  } else {
    ReadToEnd(file, start);
    counter.Pass(CodePageToUtf16(codePage, start));
  }
  return counter;
}

// aError, raised while aFileName was read, gets the file and, when the reader said where it
// stopped, the line and column there.
void PlaceInFile(vbase::Exception& aError, const std::u16string& aFileName) {
  if (dynamic_cast<const EEncodingError*>(&aError))
    aError.SetNotXmlDocument();
  aError.SetPlace({aFileName, 0, 0});
  if (aError.TextIndex() < 0)
    return;
  try {
    const TLineCounter counter = CountUpTo(aFileName, static_cast<uint64_t>(aError.TextIndex()));
    if (counter.SawNul())
      aError.SetNotXmlDocument();
    aError.SetPlace({aFileName, counter.Line(), counter.Column()});
  } catch (const std::exception&) {
    // The file changed or went since it was read: the error stands, naming only the file.
  }
}

} // namespace

uint32_t DetectCodePage(std::string_view aBytes) {
  if (StartsWith(aBytes, "\xEF\xBB\xBF"))
    return 65001;
  if (StartsWith(aBytes, "\xFF\xFE"))
    return 1200;
  if (StartsWith(aBytes, "\xFE\xFF"))
    return 1201;
  const std::string_view header = HeaderOf(aBytes);
  if (header.find('<') == std::string_view::npos) {
    EAssertionFailed error(u"Xml header error (empty stream?) (XmlDocument, line 1336)");
    error.SetTextIndex(0);
    error.SetNotXmlDocument();
    throw error;
  }
  std::string_view name;
  if (!FindDeclaredEncoding(header, name))
    return 0;
  return CodePageFromCharsetName(Utf8Decode(name));
}

namespace {

// The text stays with the document, which parses it in place. Raises EFilerError "Text too
// large: ..." for text beyond what node positions can count.
void LoadFromText(TXmlDocument& aDocument, std::u16string aText) {
  if (aText.size() > MaxTextUnits)
    RaiseTooLarge();
  TXmlStringStream stream(std::move(aText));
  stream.SetConsumable();
  ParseStream(aDocument, stream);
}

void LoadFromOwnBytes(TXmlDocument& aDocument, std::string aBytes) {
  std::u16string text = CodePageToUtf16(DetectCodePage(aBytes), aBytes);
  std::string().swap(aBytes); // the raw bytes go before the parse starts
  LoadFromText(aDocument, std::move(text));
}

} // namespace

void TXmlDocument::LoadFromFile(const std::u16string& aFileName) {
  try {
    TFileReader file(aFileName, MaxTextBytes);
    std::string start = ReadStart(file, FilePiece);
    if (IsUtf8CodePage(DetectCodePage(start))) {
      // Position 0 of an unknown size until the parse begins.
      LoadFromText(*this, ReadUtf8Text(file, std::move(start), [this] {
        if (OnProgress)
          OnProgress(this, 0, 0);
      }));
      return;
    }
    ReadToEnd(file, start);
    LoadFromOwnBytes(*this, std::move(start));
  } catch (const vbase::EStopped&) {
    throw; // finding its line would read the whole file again
  } catch (vbase::Exception& error) {
    PlaceInFile(error, aFileName);
    throw;
  }
}

void TXmlDocument::LoadFromStream(std::istream& aStream) {
  aStream.clear();
  aStream.seekg(0);
  // A stream that cannot seek is read from where it stands.
  aStream.clear(aStream.rdstate() & ~std::ios::failbit);
  std::string bytes;
  char chunk[65536];
  while (aStream.read(chunk, sizeof chunk) || aStream.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(aStream.gcount()));
    if (bytes.size() > MaxTextBytes)
      RaiseTooLarge();
  }
  if (aStream.bad())
    throw EStreamError(u"Stream read error");
  LoadFromOwnBytes(*this, std::move(bytes));
}

void TXmlDocument::ReadFromString(std::string_view aValue) {
  LoadFromText(*this, CodePageToUtf16(DetectCodePage(aValue), aValue));
}

void TXmlDocument::ReadFromStringW(std::u16string_view aValue) {
  TXmlStringStream stream{std::u16string(aValue)};
  ParseStream(*this, stream);
}

} // namespace vxml
