#pragma once
// Child controls of the information pages, made in code in one font, and report-list columns.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

namespace zorvik {

// Makes visible children of `parent` in `font` (borrowed; the page keeps it).
class ChildMaker {
 public:
  ChildMaker(HWND parent, HFONT font) : parent_(parent), font_(font) {}
  HWND operator()(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                  DWORD exStyle = 0, HFONT font = nullptr) const {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : font_), FALSE);
    return c;
  }

 private:
  HWND parent_;
  HFONT font_;
};

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
