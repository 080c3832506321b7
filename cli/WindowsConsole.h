// Standard output and error of the Windows program: UTF-8 text shown as such on a console, and
// passed on byte for byte (no CR LF translation) to a file or pipe.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>

namespace vcli {

class TWindowsOutput {
public:
  // aStandardHandle is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit TWindowsOutput(unsigned long aStandardHandle);
  ~TWindowsOutput();
  TWindowsOutput(const TWindowsOutput&) = delete;
  TWindowsOutput& operator=(const TWindowsOutput&) = delete;

  std::ostream& Stream() { return fStream; }
  bool IsConsole() const { return fIsConsole; }

private:
  bool fIsConsole;
  std::unique_ptr<std::streambuf> fBuffer;
  std::ostream fStream;
};

} // namespace vcli
