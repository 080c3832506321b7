#include "vbase/WindowsErrors.h"

#include <string>
#include <windows.h>

namespace vbase {

std::u16string WindowsErrorText(unsigned long aError) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, aError, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text(reinterpret_cast<const char16_t*>(buffer), length);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.'))
    text.pop_back();
  if (!text.empty())
    return text;
  const std::string fallback = "System error " + std::to_string(aError);
  return std::u16string(fallback.begin(), fallback.end());
}

} // namespace vbase
