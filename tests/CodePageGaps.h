// Code pages that character-set names lead to but that the platform's converter lacks, so that
// tests expect them to fail instead: Windows has no ISO-8859-10, -14 and -16, and Wine, which
// runs the Windows tests, lacks the ISO-2022 family, GB18030 and logical Hebrew as well.
#pragma once

#include <algorithm>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

inline bool PlatformLacksCodePage(uint32_t aCodePage) {
#ifdef _WIN32
  static const bool UnderWine =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  constexpr uint32_t LackedByWindows[] = {28600, 28604, 28606};
  constexpr uint32_t LackedByWine[] = {38598, 50220, 50225, 50227, 54936};
  return std::find(std::begin(LackedByWindows), std::end(LackedByWindows), aCodePage) !=
             std::end(LackedByWindows) ||
         (UnderWine && std::find(std::begin(LackedByWine), std::end(LackedByWine), aCodePage) !=
                           std::end(LackedByWine));
#else
  (void)aCodePage;
  return false;
#endif
}
