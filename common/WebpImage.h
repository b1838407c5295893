#pragma once
// WebP pictures decoded with libwebp, for the icons that GDI+ cannot read (packages built by
// current tools store their launcher icons as WebP). The bytes come from outside (a package, the
// phone): their size and the picture's dimensions are bounded before anything is allocated.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorvik {

// More than any icon or screenshot needs; a larger file or picture is refused, not decoded.
constexpr size_t kMaxWebpBytes = 16u << 20;
constexpr int kMaxWebpSide = 4096;

// Pixels top row first, four bytes each in the order B, G, R, A, alpha not premultiplied: the
// layout of a 32-bit top-down DIB and of GDI+'s PixelFormat32bppARGB.
struct BgraImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

enum class WebpResult {
  kOk,
  kNotWebp,   // no "RIFF" … "WEBP" header: some other format
  kTooLarge,  // over kMaxWebpBytes, or a side over kMaxWebpSide
  kBadData,   // a WebP header, but the picture cannot be decoded (cut, corrupt, animated)
};

// True when the bytes start as a WebP file does ("RIFF", a size, "WEBP").
bool looksLikeWebp(const uint8_t* bytes, size_t size);

// Decodes a still WebP picture into out (left empty unless kOk).
WebpResult decodeWebp(const uint8_t* bytes, size_t size, BgraImage& out);

}  // namespace zorvik
