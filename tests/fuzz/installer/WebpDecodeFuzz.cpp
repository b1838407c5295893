// Any bytes as a WebP picture (a package icon, a phone's application icon): a clear outcome, and
// a decoded picture within the bounds with exactly its pixels' bytes.
#include <cstdint>
#include <cstdlib>

#include "common/WebpImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvik::BgraImage image;
  const zorvik::WebpResult r = zorvik::decodeWebp(data, size, image);
  if (r != zorvik::WebpResult::kOk) {
    if (!image.pixels.empty() || image.width || image.height) std::abort();
    if (r == zorvik::WebpResult::kNotWebp && zorvik::looksLikeWebp(data, size)) std::abort();
    return 0;
  }
  if (image.width <= 0 || image.height <= 0 || image.width > zorvik::kMaxWebpSide ||
      image.height > zorvik::kMaxWebpSide)
    std::abort();
  if (image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4) std::abort();
  return 0;
}
