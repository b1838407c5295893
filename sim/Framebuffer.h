#pragma once
// The framebuffer service's answer: a version-1 header (13 little-endian words: version, bpp,
// size, width, height, then offset and length of red, blue, green and alpha) followed by the
// pixels of a drawn home screen, 480 x 800.
#include <cstdint>
#include <string>

namespace zorvik::sim {

inline constexpr int kScreenWidth = 480;
inline constexpr int kScreenHeight = 800;

// bpp 32 gives RGBA bytes (red at offset 0, so a reader must swap red and blue); any other value
// gives RGB565.
std::string framebufferImage(int bpp, const std::string& model);
// A header that says width x height (its size the product times the bytes per pixel) and that
// many pixels of a plain gradient: the odd shapes a reader must refuse or survive.
std::string framebufferOfShape(int bpp, uint32_t width, uint32_t height);

}  // namespace zorvik::sim
