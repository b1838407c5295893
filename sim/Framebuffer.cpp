#include "sim/Framebuffer.h"

#include "sim/AdbProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zorvik::sim {

namespace {

struct Rgb {
  int r, g, b;
};

class Canvas {
 public:
  Canvas() : px_(static_cast<size_t>(kScreenWidth) * kScreenHeight) {}
  void set(int x, int y, Rgb c, double alpha = 1.0) {
    if (x < 0 || y < 0 || x >= kScreenWidth || y >= kScreenHeight) return;
    Rgb& p = px_[static_cast<size_t>(y) * kScreenWidth + x];
    p.r = static_cast<int>(p.r + (c.r - p.r) * alpha);
    p.g = static_cast<int>(p.g + (c.g - p.g) * alpha);
    p.b = static_cast<int>(p.b + (c.b - p.b) * alpha);
  }
  void rect(int x0, int y0, int w, int h, Rgb c, double alpha = 1.0) {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) set(x, y, c, alpha);
  }
  void roundRect(int x0, int y0, int w, int h, int radius, Rgb c, double alpha = 1.0) {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) {
        const int dx = std::max({x0 + radius - x, 0, x - (x0 + w - 1 - radius)});
        const int dy = std::max({y0 + radius - y, 0, y - (y0 + h - 1 - radius)});
        if (dx * dx + dy * dy <= radius * radius) set(x, y, c, alpha);
      }
  }
  void circle(int cx, int cy, int r, Rgb c, double alpha) {
    for (int y = cy - r; y <= cy + r; ++y)
      for (int x = cx - r; x <= cx + r; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) set(x, y, c, alpha);
  }
  // A 5 x 7 pixel font for the clock, the date and the status bar.
  void text(int x, int y, const std::string& s, int scale, Rgb c) {
    for (char ch : s) {
      const uint8_t* g = glyph(ch);
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
          if (g[row] & (0x10 >> col)) rect(x + col * scale, y + row * scale, scale, scale, c);
      x += 6 * scale;
    }
  }
  static int textWidth(const std::string& s, int scale) { return static_cast<int>(s.size()) * 6 * scale - scale; }
  const std::vector<Rgb>& pixels() const { return px_; }

 private:
  static const uint8_t* glyph(char c) {
    static const uint8_t digits[10][7] = {
        {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
        {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
        {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
        {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
        {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}};
    static const uint8_t colon[7] = {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00};
    static const uint8_t dash[7] = {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00};
    static const uint8_t percent[7] = {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03};
    static const uint8_t blank[7] = {};
    if (c >= '0' && c <= '9') return digits[c - '0'];
    if (c == ':') return colon;
    if (c == '-') return dash;
    if (c == '%') return percent;
    return blank;
  }
  std::vector<Rgb> px_;
};

Canvas drawHomeScreen() {
  Canvas c;
  // Wallpaper: a dusk gradient with soft light spots.
  for (int y = 0; y < kScreenHeight; ++y) {
    const double t = static_cast<double>(y) / kScreenHeight;
    const Rgb row{static_cast<int>(20 + 40 * t), static_cast<int>(40 + 110 * t), static_cast<int>(110 + 60 * t)};
    for (int x = 0; x < kScreenWidth; ++x) c.set(x, y, row);
  }
  c.circle(390, 250, 120, {120, 200, 230}, 0.15);
  c.circle(80, 520, 160, {90, 170, 210}, 0.12);
  c.circle(300, 640, 90, {200, 230, 250}, 0.10);

  // Status bar: signal bars, Wi-Fi, battery, time.
  c.rect(0, 0, kScreenWidth, 30, {0, 0, 0});
  for (int i = 0; i < 4; ++i) c.rect(300 + i * 7, 22 - i * 5, 5, 5 + i * 5, {51, 181, 229});
  for (int i = 0; i < 3; ++i) c.roundRect(338 + i * 4, 8 + i * 4, 20 - i * 8, 14 - i * 4, 3, {51, 181, 229});
  c.rect(372, 8, 12, 16, {51, 181, 229});
  c.rect(376, 5, 4, 3, {51, 181, 229});
  c.rect(374, 10, 8, 4, {0, 0, 0});
  c.text(396, 8, "08:00", 2, {255, 255, 255});

  // Clock widget.
  const std::string time = "08:00";
  c.text((kScreenWidth - Canvas::textWidth(time, 12)) / 2, 90, time, 12, {255, 255, 255});
  const std::string date = "2012-12-08";
  c.text((kScreenWidth - Canvas::textWidth(date, 3)) / 2, 190, date, 3, {225, 235, 245});

  // Application icons, four by four, with label bars below them.
  const Rgb colours[] = {{31, 122, 60},  {30, 144, 255}, {230, 22, 45},  {0, 160, 233},  {255, 80, 0},
                         {51, 133, 255}, {255, 140, 0},  {45, 140, 240}, {44, 162, 249}, {49, 194, 124},
                         {31, 143, 255}, {0, 190, 6},    {90, 176, 240}, {255, 102, 51}, {43, 184, 170},
                         {37, 119, 227}};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      const int x = 36 + col * 114, y = 260 + row * 110;
      const Rgb colour = colours[row * 4 + col];
      c.roundRect(x + 2, y + 4, 72, 72, 16, {0, 0, 0}, 0.25);
      c.roundRect(x, y, 72, 72, 16, colour);
      c.roundRect(x, y, 72, 36, 16, {255, 255, 255}, 0.15);
      c.circle(x + 36, y + 36, 14, {255, 255, 255}, 0.85);
      c.rect(x + 8, y + 82, 56, 6, {255, 255, 255}, 0.8);
    }

  // Dock.
  c.rect(0, 712, kScreenWidth, 88, {0, 0, 0}, 0.35);
  const Rgb dock[] = {{67, 160, 71}, {251, 140, 0}, {0, 172, 193}, {30, 136, 229}};
  for (int i = 0; i < 4; ++i) {
    const int x = 40 + i * 114;
    c.roundRect(x, 724, 64, 64, 32, dock[i]);
    c.roundRect(x + 20, 744, 24, 24, 6, {255, 255, 255}, 0.9);
  }
  return c;
}

}  // namespace

std::string framebufferImage(int bpp, const std::string& model) {
  (void)model;
  static std::once_flag once;
  static Canvas* screen = nullptr;
  std::call_once(once, [] { screen = new Canvas(drawHomeScreen()); });
  const bool rgba = bpp == 32;
  const uint32_t bytesPerPixel = rgba ? 4 : 2;
  const uint32_t size = kScreenWidth * kScreenHeight * bytesPerPixel;
  std::string out;
  out.reserve(52 + size);
  const uint32_t header[13] = {1,
                               rgba ? 32u : 16u,
                               size,
                               static_cast<uint32_t>(kScreenWidth),
                               static_cast<uint32_t>(kScreenHeight),
                               rgba ? 0u : 11u,  // red offset, length
                               rgba ? 8u : 5u,
                               rgba ? 16u : 0u,  // blue
                               rgba ? 8u : 5u,
                               rgba ? 8u : 5u,  // green
                               rgba ? 8u : 6u,
                               rgba ? 24u : 0u,  // alpha
                               rgba ? 8u : 0u};
  for (uint32_t w : header) putLe32(out, w);
  for (const Rgb& p : screen->pixels()) {
    const int r = std::clamp(p.r, 0, 255), g = std::clamp(p.g, 0, 255), b = std::clamp(p.b, 0, 255);
    if (rgba) {
      out.push_back(static_cast<char>(r));
      out.push_back(static_cast<char>(g));
      out.push_back(static_cast<char>(b));
      out.push_back(static_cast<char>(255));
    } else {
      const uint16_t v = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
      out.push_back(static_cast<char>(v & 0xFF));
      out.push_back(static_cast<char>(v >> 8));
    }
  }
  return out;
}

std::string framebufferOfShape(int bpp, uint32_t width, uint32_t height) {
  const bool rgba = bpp == 32;
  const uint32_t bytesPerPixel = rgba ? 4 : 2;
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  std::string out;
  const uint32_t header[13] = {1, rgba ? 32u : 16u, static_cast<uint32_t>(pixels * bytesPerPixel), width, height,
                               rgba ? 0u : 11u, rgba ? 8u : 5u, rgba ? 16u : 0u, rgba ? 8u : 5u,
                               rgba ? 8u : 5u, rgba ? 8u : 6u, rgba ? 24u : 0u, rgba ? 8u : 0u};
  for (uint32_t w : header) putLe32(out, w);
  out.reserve(out.size() + pixels * bytesPerPixel);
  for (uint64_t i = 0; i < pixels * bytesPerPixel; ++i) out.push_back(static_cast<char>(i * 7 / bytesPerPixel));
  return out;
}

}  // namespace zorvik::sim
