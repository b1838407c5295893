#include "common/WebpImage.h"

#include <cstring>
#include <utility>

#include <webp/decode.h>

namespace zorvik {

bool looksLikeWebp(const uint8_t* bytes, size_t size) {
  return bytes && size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

WebpResult decodeWebp(const uint8_t* bytes, size_t size, BgraImage& out) {
  out = BgraImage();
  if (!looksLikeWebp(bytes, size)) return WebpResult::kNotWebp;
  if (size > kMaxWebpBytes) return WebpResult::kTooLarge;
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes, size, &features) != VP8_STATUS_OK) return WebpResult::kBadData;
  if (features.width <= 0 || features.height <= 0) return WebpResult::kBadData;
  if (features.width > kMaxWebpSide || features.height > kMaxWebpSide) return WebpResult::kTooLarge;
  // Frames of an animation need the demuxer; an animated icon is not drawn.
  if (features.has_animation) return WebpResult::kBadData;
  const size_t stride = static_cast<size_t>(features.width) * 4;
  std::vector<uint8_t> pixels(stride * static_cast<size_t>(features.height));
  if (!WebPDecodeBGRAInto(bytes, size, pixels.data(), pixels.size(), static_cast<int>(stride)))
    return WebpResult::kBadData;
  out.width = features.width;
  out.height = features.height;
  out.pixels = std::move(pixels);
  return WebpResult::kOk;
}

}  // namespace zorvik
