#include "info/win/InfoIcons.h"

#include "common/win/Handles.h"

namespace zorvik {

namespace {

struct Pen {
  Pen(HDC dc, COLORREF color, int width) : pen_(CreatePen(PS_SOLID, width, color)), select_(dc, pen_.get()) {}
  UniquePen pen_;
  SelectObjectScope select_;
};
struct Fill {
  Fill(HDC dc, COLORREF color) : brush_(CreateSolidBrush(color)), select_(dc, brush_.get()) {}
  UniqueBrush brush_;
  SelectObjectScope select_;
};

// Coordinates in a 24-unit square scaled into the box.
struct Grid {
  const RECT& box;
  int x(int u) const { return box.left + u * (box.right - box.left) / 24; }
  int y(int u) const { return box.top + u * (box.bottom - box.top) / 24; }
  int w(int u) const { return (box.right - box.left) * u / 24 > 0 ? (box.right - box.left) * u / 24 : 1; }
};

void sun(HDC dc, const Grid& g, int cx, int cy, int r) {
  Pen pen(dc, RGB(230, 140, 0), g.w(1));
  Fill fill(dc, RGB(255, 196, 0));
  Ellipse(dc, g.x(cx - r), g.y(cy - r), g.x(cx + r), g.y(cy + r));
}
void cloud(HDC dc, const Grid& g, int top, COLORREF color) {
  Pen pen(dc, RGB(110, 120, 135), g.w(1));
  Fill fill(dc, color);
  Ellipse(dc, g.x(3), g.y(top + 4), g.x(12), g.y(top + 11));
  Ellipse(dc, g.x(8), g.y(top), g.x(18), g.y(top + 10));
  Ellipse(dc, g.x(13), g.y(top + 4), g.x(22), g.y(top + 11));
  RoundRect(dc, g.x(5), g.y(top + 6), g.x(20), g.y(top + 11), g.w(4), g.w(4));
}
void drops(HDC dc, const Grid& g, int count) {
  Pen pen(dc, RGB(30, 110, 220), g.w(2));
  for (int i = 0; i < count; ++i) {
    const int x = 6 + i * (12 / (count > 1 ? count - 1 : 1));
    MoveToEx(dc, g.x(x + 1), g.y(16), nullptr);
    LineTo(dc, g.x(x), g.y(21));
  }
}
void flakes(HDC dc, const Grid& g, int count, int first) {
  Pen pen(dc, RGB(70, 150, 230), g.w(1));
  Fill fill(dc, RGB(200, 230, 255));
  for (int i = first; i < count; ++i) {
    const int x = 6 + i * (12 / (count > 1 ? count - 1 : 1));
    const int y = 17 + (i % 2) * 3;
    Ellipse(dc, g.x(x - 1), g.y(y - 1), g.x(x + 2), g.y(y + 2));
  }
}
void bolt(HDC dc, const Grid& g) {
  Pen pen(dc, RGB(220, 150, 0), g.w(1));
  Fill fill(dc, RGB(255, 210, 0));
  POINT p[] = {{g.x(12), g.y(14)}, {g.x(9), g.y(19)}, {g.x(12), g.y(19)}, {g.x(10), g.y(23)},
               {g.x(15), g.y(17)}, {g.x(12), g.y(17)}, {g.x(14), g.y(14)}};
  Polygon(dc, p, 7);
}
void lines(HDC dc, const Grid& g, COLORREF color) {
  Pen pen(dc, color, g.w(2));
  for (int y = 6; y <= 20; y += 5) {
    MoveToEx(dc, g.x(3 + (y % 2) * 2), g.y(y), nullptr);
    LineTo(dc, g.x(21 - (y % 2) * 2), g.y(y));
  }
}
void glyph(HDC dc, const RECT& box, const char* text, COLORREF color) {
  const int h = (box.bottom - box.top) * 3 / 4;
  UniqueFont font(CreateFontA(-h, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "Arial"));
  SelectObjectScope select(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  RECT r = box;
  DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

void drawWeatherIcon(HDC dc, const RECT& box, int index) {
  const Grid g{box};
  const COLORREF grey = RGB(215, 220, 228), dark = RGB(160, 168, 180);
  switch (index) {
    case 0: sun(dc, g, 12, 12, 7); break;
    case 1: sun(dc, g, 8, 8, 6); cloud(dc, g, 9, grey); break;
    case 2: cloud(dc, g, 6, grey); break;
    case 3: cloud(dc, g, 3, dark); bolt(dc, g); break;
    case 4: cloud(dc, g, 3, grey); drops(dc, g, 2); break;
    case 5: cloud(dc, g, 3, dark); drops(dc, g, 4); break;
    case 6: cloud(dc, g, 3, grey); drops(dc, g, 2); flakes(dc, g, 3, 1); break;
    case 7: cloud(dc, g, 3, grey); flakes(dc, g, 3, 0); break;
    case 8: cloud(dc, g, 3, dark); flakes(dc, g, 5, 0); break;
    case 9: lines(dc, g, RGB(150, 160, 170)); break;
    case 10: lines(dc, g, RGB(190, 140, 70)); break;
    default: glyph(dc, box, "?", RGB(120, 120, 120)); break;
  }
}

void drawUpdateIcon(HDC dc, const RECT& box, int index) {
  static const COLORREF kColors[4] = {RGB(40, 160, 60), RGB(30, 110, 220), RGB(210, 50, 40), RGB(240, 140, 0)};
  static const char* const kGlyphs[4] = {"+", "^", "!", "V"};
  const int i = index >= 0 && index < 4 ? index : 3;
  const Grid g{box};
  {
    Pen pen(dc, kColors[i], 1);
    Fill fill(dc, kColors[i]);
    RoundRect(dc, g.x(1), g.y(1), g.x(23), g.y(23), g.w(8), g.w(8));
  }
  glyph(dc, box, kGlyphs[i], RGB(255, 255, 255));
}

HIMAGELIST makeIconList(int size, int count, void (*draw)(HDC, const RECT&, int)) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count, 0);
  if (!list) return nullptr;
  WindowDc screen(nullptr);
  for (int i = 0; i < count; ++i) {
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), size, size));
    {
      BitmapDc dc(screen.get(), bitmap.get());
      RECT r{0, 0, size, size};
      UniqueBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
      FillRect(dc.get(), &r, magenta.get());
      draw(dc.get(), r, i);
    }
    ImageList_AddMasked(list, bitmap.get(), RGB(255, 0, 255));
  }
  return list;
}

}  // namespace zorvik
