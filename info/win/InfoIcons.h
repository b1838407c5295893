#pragma once
// The pictures of the information pages, drawn with GDI: the weather page's twelve icons (index
// 0..11, see weatherIconIndex) and the update list's four (kUpdateIcon…).
#include <windows.h>
#include <commctrl.h>

namespace zorvik {

void drawWeatherIcon(HDC dc, const RECT& box, int index);
void drawUpdateIcon(HDC dc, const RECT& box, int index);

// An image list of `count` icons of `size` pixels drawn by `draw`. Owned by the caller; a list
// view given it without LVS_SHAREIMAGELISTS destroys it with itself.
HIMAGELIST makeIconList(int size, int count, void (*draw)(HDC, const RECT&, int));

}  // namespace zorvik
