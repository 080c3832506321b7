#include "WindowsConsole.h"

#include "Utf8.h"

#include <algorithm>
#include <string>
#include <windows.h>

namespace vcli {

namespace {

// Collects bytes and hands them on when the stream is flushed or the buffer is full.
class TBufferedOutput : public std::streambuf {
public:
  explicit TBufferedOutput(HANDLE AHandle) : FHandle(AHandle) {}

protected:
  int_type overflow(int_type ACharacter) override {
    if (traits_type::eq_int_type(ACharacter, traits_type::eof()))
      return traits_type::not_eof(ACharacter);
    FPending += traits_type::to_char_type(ACharacter);
    if (FPending.size() >= FlushSize && sync() != 0)
      return traits_type::eof();
    return ACharacter;
  }

  std::streamsize xsputn(const char* AText, std::streamsize ACount) override {
    FPending.append(AText, static_cast<std::size_t>(ACount));
    if (FPending.size() >= FlushSize && sync() != 0)
      return 0;
    return ACount;
  }

  int sync() override { return Deliver(FPending) ? 0 : -1; }

  virtual bool Deliver(std::string& APending) = 0;

  HANDLE FHandle;

private:
  static constexpr std::size_t FlushSize = 16384;
  std::string FPending;
};

// A file or a pipe gets the UTF-8 bytes as they are.
class TByteOutput final : public TBufferedOutput {
public:
  using TBufferedOutput::TBufferedOutput;

private:
  bool Deliver(std::string& APending) override {
    std::string_view rest = APending;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20));
      if (!::WriteFile(FHandle, rest.data(), count, &written, nullptr) || written == 0)
        return false;
      rest.remove_prefix(written);
    }
    APending.clear();
    return true;
  }
};

// A console shows UTF-16 text whatever its code page. A UTF-8 sequence cut off by a flush waits
// for its rest.
class TConsoleOutput final : public TBufferedOutput {
public:
  using TBufferedOutput::TBufferedOutput;

private:
  bool Deliver(std::string& APending) override {
    const std::size_t complete = vbase::Utf8CompleteLength(APending);
    const std::u16string text = vbase::Utf8Decode(std::string_view(APending).substr(0, complete));
    std::u16string_view rest = text;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
      if (!::WriteConsoleW(FHandle, rest.data(), count, &written, nullptr) || written == 0)
        return false;
      rest.remove_prefix(written);
    }
    APending.erase(0, complete);
    return true;
  }
};

bool IsConsoleHandle(HANDLE AHandle) {
  DWORD mode = 0;
  return ::GetConsoleMode(AHandle, &mode) != 0;
}

// The progress bar clears its line with an escape sequence.
void EnableEscapeSequences(HANDLE AHandle) {
  DWORD mode = 0;
  if (::GetConsoleMode(AHandle, &mode))
    ::SetConsoleMode(AHandle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::unique_ptr<std::streambuf> OutputBufferFor(HANDLE AHandle, bool AIsConsole) {
  if (AIsConsole)
    return std::make_unique<TConsoleOutput>(AHandle);
  return std::make_unique<TByteOutput>(AHandle);
}

} // namespace

TWindowsOutput::TWindowsOutput(unsigned long AStandardHandle)
    : FIsConsole(IsConsoleHandle(::GetStdHandle(AStandardHandle))),
      FBuffer(OutputBufferFor(::GetStdHandle(AStandardHandle), FIsConsole)),
      FStream(FBuffer.get()) {
  if (FIsConsole)
    EnableEscapeSequences(::GetStdHandle(AStandardHandle));
}

TWindowsOutput::~TWindowsOutput() {
  FStream.flush();
}

} // namespace vcli
