// Standard output and error of the Windows program: UTF-8 text shown as such on a console, and
// passed on byte for byte (no CR LF translation) to a file or pipe.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>

namespace vcli {

class TWindowsOutput {
public:
  // AStandardHandle is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit TWindowsOutput(unsigned long AStandardHandle);
  ~TWindowsOutput();
  TWindowsOutput(const TWindowsOutput&) = delete;
  TWindowsOutput& operator=(const TWindowsOutput&) = delete;

  std::ostream& Stream() { return FStream; }
  bool IsConsole() const { return FIsConsole; }

private:
  bool FIsConsole;
  std::unique_ptr<std::streambuf> FBuffer;
  std::ostream FStream;
};

} // namespace vcli
