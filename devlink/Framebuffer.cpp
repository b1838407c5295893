#include "devlink/Framebuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zorvik {
namespace {

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Receives exactly size bytes; false when the source ends or fails first.
bool receiveAll(FramebufferSource& source, uint8_t* out, size_t size) {
  size_t have = 0;
  while (have < size) {
    const int got = source.receive(out + have, size - have);
    if (got <= 0) return false;
    have += static_cast<size_t>(got);
  }
  return true;
}

class MemorySource : public FramebufferSource {
 public:
  MemorySource(const uint8_t* data, size_t size, size_t piece) : data_(data), size_(size), piece_(std::max<size_t>(piece, 1)) {}
  int receive(void* buffer, size_t size) override {
    const size_t n = std::min({size, size_ - at_, piece_});
    if (n == 0) return 0;
    std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return static_cast<int>(n);
  }
  bool sendRequestByte() override { return true; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t piece_;
  size_t at_ = 0;
};

// Pixels are copied as whole units of N bytes (memcpy of a constant size compiles to one move).
template <size_t N>
void rotateTyped(const uint8_t* s, uint8_t* d, uint32_t w, uint32_t h, int rotation) {
  if (rotation == kRotate180) {
    const size_t n = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < n; ++i) std::memcpy(d + (n - 1 - i) * N, s + i * N, N);
    return;
  }
  // Tiles keep both the rows read and the columns written in cache for the quarter turns.
  constexpr uint32_t kTile = 32;
  for (uint32_t y0 = 0; y0 < h; y0 += kTile) {
    const uint32_t y1 = std::min(h, y0 + kTile);
    for (uint32_t x0 = 0; x0 < w; x0 += kTile) {
      const uint32_t x1 = std::min(w, x0 + kTile);
      for (uint32_t y = y0; y < y1; ++y) {
        const uint8_t* row = s + static_cast<size_t>(y) * w * N;
        for (uint32_t x = x0; x < x1; ++x) {
          // The turned picture is h wide and w high.
          const size_t at = rotation == kRotateRight ? static_cast<size_t>(x) * h + (h - 1 - y)
                                                     : static_cast<size_t>(w - 1 - x) * h + y;
          std::memcpy(d + at * N, row + static_cast<size_t>(x) * N, N);
        }
      }
    }
  }
}

}  // namespace

int framebufferBytesPerPixel(uint32_t bpp) {
  if (bpp == 32) return 4;
  if (bpp == 24) return 3;
  return 2;
}

bool framebufferColoursSwapped(const FramebufferHeader& h) {
  return h.redOffset == 0 && h.redLength == 8 && h.blueOffset == 16;
}

bool framebufferHeaderSane(const FramebufferHeader& h) {
  if (h.width == 0 || h.height == 0 || h.width > kFramebufferSideMax || h.height > kFramebufferSideMax) return false;
  const uint64_t expected = static_cast<uint64_t>(h.width) * h.height * framebufferBytesPerPixel(h.bpp);
  return expected == h.size && expected <= kFramebufferBytesMax;
}

bool framebufferShapeShowable(uint32_t width, uint32_t height) {
  return width != 0 && height != 0 && static_cast<uint64_t>(width) <= static_cast<uint64_t>(height) * kFramebufferAspectMax &&
         static_cast<uint64_t>(height) <= static_cast<uint64_t>(width) * kFramebufferAspectMax;
}

const char* framebufferResultText(FramebufferResult result) {
  switch (result) {
    case FramebufferResult::Ok: return "ok";
    case FramebufferResult::NoDevice: return "no device";
    case FramebufferResult::ServerFailure: return "adb server unreachable or transport refused";
    case FramebufferResult::ServiceRefused: return "framebuffer service refused";
    case FramebufferResult::ShortHeader: return "framebuffer header cut short";
    case FramebufferResult::BadHeader: return "framebuffer header does not add up";
    case FramebufferResult::BadShape: return "framebuffer proportions no screen has";
    case FramebufferResult::RequestFailed: return "framebuffer request not sent";
    case FramebufferResult::ShortPixels: return "framebuffer pixels cut short";
    case FramebufferResult::TimedOut: return "adb server silent past the deadline";
    case FramebufferResult::Cancelled: return "capture cancelled";
  }
  return "unknown";
}

FramebufferResult readFramebuffer(FramebufferSource& source, Frame& frame) {
  frame = Frame{};
  uint8_t words[16];
  FramebufferHeader h;
  if (!receiveAll(source, words, 4)) return FramebufferResult::ShortHeader;
  h.version = le32(words);
  if (!receiveAll(source, words, 16)) return FramebufferResult::ShortHeader;
  h.bpp = le32(words);
  h.size = le32(words + 4);
  h.width = le32(words + 8);
  h.height = le32(words + 12);
  frame.header = h;  // kept on a refusal, for its message
  if (!framebufferHeaderSane(h)) return FramebufferResult::BadHeader;
  if (!framebufferShapeShowable(h.width, h.height)) return FramebufferResult::BadShape;
  frame.header = FramebufferHeader{};
  if (!source.sendRequestByte()) return FramebufferResult::RequestFailed;
  if (!receiveAll(source, words, 16)) return FramebufferResult::ShortHeader;
  h.redOffset = le32(words);
  h.redLength = le32(words + 4);
  h.blueOffset = le32(words + 8);
  h.blueLength = le32(words + 12);
  if (!receiveAll(source, words, 16)) return FramebufferResult::ShortHeader;
  h.greenOffset = le32(words);
  h.greenLength = le32(words + 4);
  h.alphaOffset = le32(words + 8);
  h.alphaLength = le32(words + 12);

  // Grown with what arrives, so a lying size costs at most one piece beyond the real bytes.
  std::vector<uint8_t> pixels;
  pixels.reserve(std::min<size_t>(h.size, 16u * 1024 * 1024));
  size_t have = 0;
  while (have < h.size) {
    const size_t want = std::min<size_t>(kFramebufferPieceMax, h.size - have);
    pixels.resize(have + want);
    const int got = source.receive(pixels.data() + have, want);
    if (got <= 0) return FramebufferResult::ShortPixels;
    have += static_cast<size_t>(got);
  }
  pixels.resize(have);

  frame.bytesPerPixel = framebufferBytesPerPixel(h.bpp);
  if (framebufferColoursSwapped(h) && frame.bytesPerPixel >= 3 && !swapRedBlue(pixels, frame.bytesPerPixel)) {
    return FramebufferResult::BadHeader;
  }
  frame.header = h;
  frame.width = h.width;
  frame.height = h.height;
  frame.pixels = std::move(pixels);
  return FramebufferResult::Ok;
}

FramebufferResult decodeFramebuffer(const uint8_t* data, size_t size, Frame& frame, size_t pieceSize) {
  MemorySource source(data, size, pieceSize);
  return readFramebuffer(source, frame);
}

bool swapRedBlue(std::vector<uint8_t>& pixels, int bytesPerPixel) {
  if (bytesPerPixel < 3 || pixels.size() % static_cast<size_t>(bytesPerPixel) != 0) return false;
  if (bytesPerPixel == 4) {
    // Word-wise: exchanges bytes 0 and 2 of each little-endian pixel, keeps 1 and 3.
    const size_t n = pixels.size() / 4;
    uint8_t* p = pixels.data();
    for (size_t i = 0; i < n; ++i, p += 4) {
      uint32_t v;
      std::memcpy(&v, p, 4);
      v = (v & 0xFF00FF00u) | ((v & 0x000000FFu) << 16) | ((v & 0x00FF0000u) >> 16);
      std::memcpy(p, &v, 4);
    }
    return true;
  }
  for (size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
  return true;
}

bool rotationExchangesSides(int rotation) { return rotation == kRotateRight || rotation == kRotateLeft; }

void rotateFrameInto(const Frame& in, int rotation, Frame& out) {
  const size_t pixelCount = static_cast<size_t>(in.width) * in.height;
  const bool turn = rotation == kRotateRight || rotation == kRotateLeft || rotation == kRotate180;
  if (!turn || pixelCount == 0 || in.pixels.size() != pixelCount * static_cast<size_t>(in.bytesPerPixel)) {
    out = in;
    return;
  }
  out.header = in.header;
  out.bytesPerPixel = in.bytesPerPixel;
  out.pixels.resize(in.pixels.size());
  switch (in.bytesPerPixel) {
    case 4: rotateTyped<4>(in.pixels.data(), out.pixels.data(), in.width, in.height, rotation); break;
    case 3: rotateTyped<3>(in.pixels.data(), out.pixels.data(), in.width, in.height, rotation); break;
    default: rotateTyped<2>(in.pixels.data(), out.pixels.data(), in.width, in.height, rotation); break;
  }
  out.width = rotationExchangesSides(rotation) ? in.height : in.width;
  out.height = rotationExchangesSides(rotation) ? in.width : in.height;
}

void rotateFrame(Frame& frame, int rotation) {
  if (rotation != kRotateRight && rotation != kRotateLeft && rotation != kRotate180) return;
  Frame turned;
  rotateFrameInto(frame, rotation, turned);
  frame = std::move(turned);
}

namespace {
// Blue, green, red of one source pixel.
inline void readBgr(const uint8_t* p, int bytesPerPixel, uint32_t& b, uint32_t& g, uint32_t& r) {
  if (bytesPerPixel >= 3) {
    b = p[0];
    g = p[1];
    r = p[2];
    return;
  }
  const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;  // RGB565
  r = (v >> 11) << 3 | (v >> 13);
  g = ((v >> 5) & 63) << 2 | ((v >> 9) & 3);
  b = (v & 31) << 3 | ((v >> 2) & 7);
}
}  // namespace

bool scaleFrameInto(const Frame& in, int width, int height, Frame& out) {
  const size_t bpp = static_cast<size_t>(in.bytesPerPixel);
  if (width < 1 || height < 1 || static_cast<uint32_t>(width) > kFramebufferSideMax ||
      static_cast<uint32_t>(height) > kFramebufferSideMax ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > kFramebufferBytesMax || in.width == 0 ||
      in.height == 0 || in.pixels.size() != static_cast<size_t>(in.width) * in.height * bpp) {
    out = Frame{};
    return false;
  }
  const uint32_t w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
  out.header = in.header;
  out.width = w;
  out.height = h;
  out.bytesPerPixel = 4;
  out.pixels.resize(static_cast<size_t>(w) * h * 4);
  // Source columns of each target column, computed once.
  std::vector<uint32_t> x0(w), x1(w);
  for (uint32_t x = 0; x < w; ++x) {
    x0[x] = static_cast<uint32_t>(static_cast<uint64_t>(x) * in.width / w);
    x1[x] = std::max(x0[x] + 1, static_cast<uint32_t>(static_cast<uint64_t>(x + 1) * in.width / w));
  }
  std::vector<uint32_t> sums(static_cast<size_t>(w) * 3);
  uint8_t* d = out.pixels.data();
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t y0 = static_cast<uint32_t>(static_cast<uint64_t>(y) * in.height / h);
    const uint32_t y1 = std::max(y0 + 1, static_cast<uint32_t>(static_cast<uint64_t>(y + 1) * in.height / h));
    std::fill(sums.begin(), sums.end(), 0u);
    for (uint32_t sy = y0; sy < y1; ++sy) {
      const uint8_t* row = in.pixels.data() + static_cast<size_t>(sy) * in.width * bpp;
      for (uint32_t x = 0; x < w; ++x) {
        uint32_t* sum = &sums[static_cast<size_t>(x) * 3];
        for (uint32_t sx = x0[x]; sx < x1[x]; ++sx) {
          uint32_t b, g, r;
          readBgr(row + sx * bpp, in.bytesPerPixel, b, g, r);
          sum[0] += b;
          sum[1] += g;
          sum[2] += r;
        }
      }
    }
    for (uint32_t x = 0; x < w; ++x, d += 4) {
      const uint32_t n = (x1[x] - x0[x]) * (y1 - y0);
      const uint32_t* sum = &sums[static_cast<size_t>(x) * 3];
      d[0] = static_cast<uint8_t>((sum[0] + n / 2) / n);
      d[1] = static_cast<uint8_t>((sum[1] + n / 2) / n);
      d[2] = static_cast<uint8_t>((sum[2] + n / 2) / n);
      d[3] = 0xFF;
    }
  }
  return true;
}

DisplaySize compactDisplaySize(uint32_t frameWidth, uint32_t frameHeight, int rotation) {
  DisplaySize size;
  if (frameWidth == 0) return size;
  size.width = kCompactDisplayWidth;
  const double height = static_cast<double>(size.width) / frameWidth * frameHeight;
  size.height = height < 1 ? 1 : height > kCompactDisplayHeightMax ? kCompactDisplayHeightMax : static_cast<int>(height);
  if (rotationExchangesSides(rotation)) std::swap(size.width, size.height);
  return size;
}

}  // namespace zorvik
