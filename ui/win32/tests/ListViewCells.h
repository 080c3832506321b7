// What a list view shows in a cell, asked of the list as the system would, for the windows'
// tests.
#pragma once

#include "Win32Desktop.h"

#include <commctrl.h>
#include <string>

namespace vui {

inline std::u16string CellText(HWND aList, int aRow, int aColumn) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = aColumn;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(aList, LVM_GETITEMTEXTW, static_cast<WPARAM>(aRow), reinterpret_cast<LPARAM>(&item));
  return FromWide(buffer);
}

} // namespace vui
