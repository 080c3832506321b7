#include "WindowsConsole.h"

#include "vbase/Utf8.h"

#include <algorithm>
#include <string>
#include <windows.h>

namespace vcli {

namespace {

// Collects bytes and hands them on when the stream is flushed or the buffer is full.
class TBufferedOutput : public std::streambuf {
public:
  explicit TBufferedOutput(HANDLE aHandle) : fHandle(aHandle) {}

protected:
  int_type overflow(int_type aCharacter) override {
    if (traits_type::eq_int_type(aCharacter, traits_type::eof()))
      return traits_type::not_eof(aCharacter);
    fPending += traits_type::to_char_type(aCharacter);
    if (fPending.size() >= FlushSize && sync() != 0)
      return traits_type::eof();
    return aCharacter;
  }

  std::streamsize xsputn(const char* aText, std::streamsize aCount) override {
    fPending.append(aText, static_cast<std::size_t>(aCount));
    if (fPending.size() >= FlushSize && sync() != 0)
      return 0;
    return aCount;
  }

  int sync() override { return Deliver(fPending) ? 0 : -1; }

  virtual bool Deliver(std::string& aPending) = 0;

  HANDLE fHandle;

private:
  static constexpr std::size_t FlushSize = 16384;
  std::string fPending;
};

// A file or a pipe gets the UTF-8 bytes as they are.
class TByteOutput final : public TBufferedOutput {
public:
  using TBufferedOutput::TBufferedOutput;

private:
  bool Deliver(std::string& aPending) override {
    std::string_view rest = aPending;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20));
      if (!::WriteFile(fHandle, rest.data(), count, &written, nullptr) || written == 0)
        return false;
      rest.remove_prefix(written);
    }
    aPending.clear();
    return true;
  }
};

// A console shows UTF-16 text whatever its code page. A UTF-8 sequence cut off by a flush waits
// for its rest.
class TConsoleOutput final : public TBufferedOutput {
public:
  using TBufferedOutput::TBufferedOutput;

private:
  bool Deliver(std::string& aPending) override {
    const std::size_t complete = vbase::Utf8CompleteLength(aPending);
    const std::u16string text = vbase::Utf8Decode(std::string_view(aPending).substr(0, complete));
    std::u16string_view rest = text;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
      if (!::WriteConsoleW(fHandle, rest.data(), count, &written, nullptr) || written == 0)
        return false;
      rest.remove_prefix(written);
    }
    aPending.erase(0, complete);
    return true;
  }
};

bool IsConsoleHandle(HANDLE aHandle) {
  DWORD mode = 0;
  return ::GetConsoleMode(aHandle, &mode) != 0;
}

// The progress bar clears its line with an escape sequence.
void EnableEscapeSequences(HANDLE aHandle) {
  DWORD mode = 0;
  if (::GetConsoleMode(aHandle, &mode))
    ::SetConsoleMode(aHandle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::unique_ptr<std::streambuf> OutputBufferFor(HANDLE aHandle, bool aIsConsole) {
  if (aIsConsole)
    return std::make_unique<TConsoleOutput>(aHandle);
  return std::make_unique<TByteOutput>(aHandle);
}

} // namespace

TWindowsOutput::TWindowsOutput(unsigned long aStandardHandle)
    : fIsConsole(IsConsoleHandle(::GetStdHandle(aStandardHandle))),
      fBuffer(OutputBufferFor(::GetStdHandle(aStandardHandle), fIsConsole)),
      fStream(fBuffer.get()) {
  if (fIsConsole)
    EnableEscapeSequences(::GetStdHandle(aStandardHandle));
}

TWindowsOutput::~TWindowsOutput() {
  fStream.flush();
}

} // namespace vcli
