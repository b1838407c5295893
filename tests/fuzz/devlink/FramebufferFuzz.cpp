// Any bytes after "framebuffer:" was accepted, delivered whole and in small pieces: the reader
// ends, keeps a frame only when its size adds up and its shape is a screen's, rotation keeps
// every byte, and the picture scaled to the page's display size is of that size.
#include "devlink/Framebuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  for (size_t piece : {kFramebufferPieceMax, size_t{3}}) {
    Frame frame;
    const FramebufferResult r = decodeFramebuffer(data, size, frame, piece);
    if (r != FramebufferResult::Ok) {
      if (!frame.pixels.empty() || frame.width != 0) std::abort();
      continue;
    }
    if (!framebufferShapeShowable(frame.width, frame.height)) std::abort();
    const size_t expected = static_cast<size_t>(frame.width) * frame.height * static_cast<size_t>(frame.bytesPerPixel);
    if (expected == 0 || frame.pixels.size() != expected || expected + 52 > size) std::abort();
    if (frame.width > 64 || frame.height > 64) continue;  // keep each run quick
    const Frame before = frame;
    for (int rotation = 0; rotation < 4; ++rotation) {
      Frame turned = before;
      rotateFrame(turned, rotation);
      if (turned.pixels.size() != expected) std::abort();
      auto a = before.pixels, b = turned.pixels;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      if (a != b) std::abort();
    }
    // Scaled once per input as the page does: to the compact display size, which stays bounded.
    if (piece != kFramebufferPieceMax) continue;
    {
      const int rotation = size % 2 ? kRotateRight : kRotateNone;
      const DisplaySize d = compactDisplaySize(frame.width, frame.height, rotation);
      if (std::min(d.width, d.height) < 1 || std::max(d.width, d.height) > kCompactDisplayHeightMax) std::abort();
      if ((rotation == kRotateNone ? d.width : d.height) != kCompactDisplayWidth) std::abort();
      Frame turned, scaled;
      rotateFrameInto(before, rotation, turned);
      if (!scaleFrameInto(turned, d.width, d.height, scaled)) std::abort();
      if (scaled.pixels.size() != static_cast<size_t>(d.width) * static_cast<size_t>(d.height) * 4) std::abort();
    }
  }
  return 0;
}
