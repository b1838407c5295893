#pragma once
// The information pages' font and report-list columns (their controls: createChild in app/Controls.h).
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

namespace zorvik {

// The pages' 12-pixel GB2312 text font.
inline HFONT createPageFont(int height = -12, int weight = FW_NORMAL) {
  return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "SimSun");
}

// Report-list columns, left to right.
inline void addListColumns(HWND list, const char* const* headers, const int* widths, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(headers[i]);
    col.cx = widths[i];
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
}

}  // namespace zorvik
