#pragma once
// The phone's screen as the ADB server's "framebuffer:" service sends it: a header of 13
// little-endian words, one request byte from us, then the pixels. Reading is bounded: a header
// whose pixel count does not add up, or that asks for an absurd amount, ends the capture before
// anything large is allocated; the buffer grows only with bytes that really arrived.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorvik {

struct FramebufferHeader {
  uint32_t version = 0;
  uint32_t bpp = 0;
  uint32_t size = 0;  // pixel bytes after the header
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t redOffset = 0;
  uint32_t redLength = 0;
  uint32_t blueOffset = 0;
  uint32_t blueLength = 0;
  uint32_t greenOffset = 0;
  uint32_t greenLength = 0;
  uint32_t alphaOffset = 0;
  uint32_t alphaLength = 0;
};

// Pixels are read in pieces of at most this many bytes.
constexpr size_t kFramebufferPieceMax = 102400;
// Larger frames are refused (an 8K display at 32 bpp is 132 MB; we stop at 8192 x 8192 pixels).
constexpr uint32_t kFramebufferSideMax = 8192;
constexpr uint64_t kFramebufferBytesMax = 256ull * 1024 * 1024;
// No screen is more than four times as long as it is wide: a header that says so (1 x 8192,
// 8192 x 1) would ask the compact layout for a picture of millions of rows or of none.
constexpr uint32_t kFramebufferAspectMax = 4;

// 32 -> 4, 24 -> 3, 16 or anything else -> 2 (shown as RGB565).
int framebufferBytesPerPixel(uint32_t bpp);
// Red at byte 0 and blue at byte 2 (RGBA): red and blue must be exchanged for a BGR bitmap.
bool framebufferColoursSwapped(const FramebufferHeader& header);
// The pixel count and the byte count agree, and neither is absurd.
bool framebufferHeaderSane(const FramebufferHeader& header);
// Neither side longer than kFramebufferAspectMax times the other (and neither zero).
bool framebufferShapeShowable(uint32_t width, uint32_t height);

enum class FramebufferResult {
  Ok,
  NoDevice,        // no phone chosen: nothing is sent
  ServerFailure,   // the server could not be reached or refused the transport
  ServiceRefused,  // "framebuffer:" not accepted
  ShortHeader,     // fewer header bytes than the layout has
  BadHeader,       // size disagrees with width x height x bytes per pixel, or is absurd
  BadShape,        // a sane header whose proportions no screen has (see kFramebufferAspectMax)
  RequestFailed,   // the request byte could not be sent
  ShortPixels,     // the connection ended before all the pixels arrived
  TimedOut,        // the server went silent past the deadline
  Cancelled,       // cancel() closed the connection
};
const char* framebufferResultText(FramebufferResult result);

// One frame: pixels as the bitmap expects them (blue first for 24 and 32 bpp), rows of
// width x bytesPerPixel bytes without padding.
struct Frame {
  FramebufferHeader header;
  uint32_t width = 0;
  uint32_t height = 0;
  int bytesPerPixel = 0;
  std::vector<uint8_t> pixels;
};

// Where the reader gets its bytes: one receive call (bytes, 0 closed, <0 failed or timed out)
// and the one request byte.
class FramebufferSource {
 public:
  virtual ~FramebufferSource() = default;
  virtual int receive(void* buffer, size_t size) = 0;
  virtual bool sendRequestByte() = 0;
};

// Reads the header in its pieces (version; bpp..height; after the request byte, the two colour
// quartets), then the pixels in pieces of at most kFramebufferPieceMax, and puts the colours in
// order. On any failure the frame is left empty but for `header`, which keeps the words read
// (so a refusal can name the size the phone claimed).
FramebufferResult readFramebuffer(FramebufferSource& source, Frame& frame);
// The same over bytes in memory, delivered in pieces of at most pieceSize (tests, fuzzing).
FramebufferResult decodeFramebuffer(const uint8_t* data, size_t size, Frame& frame,
                                    size_t pieceSize = kFramebufferPieceMax);

// Red and blue exchanged in every pixel of 3 or 4 bytes; false (nothing changed) when the byte
// count is not a whole number of pixels.
bool swapRedBlue(std::vector<uint8_t>& pixels, int bytesPerPixel);

// Rotation index: 0 none, 1 right 90 degrees, 2 left 90 degrees, 3 180 degrees (anything else
// is none). 1 and 2 exchange width and height.
constexpr int kRotateNone = 0;
constexpr int kRotateRight = 1;
constexpr int kRotateLeft = 2;
constexpr int kRotate180 = 3;
bool rotationExchangesSides(int rotation);
// Rotates the frame in place (pixels, width, height).
void rotateFrame(Frame& frame, int rotation);
// Rotates into another frame, reusing its buffer (no fresh pages for every frame of a refresh);
// out must not be in.
void rotateFrameInto(const Frame& in, int rotation, Frame& out);

// Scales a frame to width x height (each at least 1) by averaging the source pixels that fall on
// each target pixel, giving 4-byte blue-green-red-unused pixels whatever the source format: the
// picture on screen is drawn from this small copy rather than scaled at every paint. A target
// beyond kFramebufferSideMax on a side or kFramebufferBytesMax in all, or a source whose bytes do
// not match its size, gives an empty frame (returns false).
bool scaleFrameInto(const Frame& in, int width, int height, Frame& out);

// The capture page's compact layout: 300 pixels wide, the height following the frame's
// proportions (truncated, and held within 1..kCompactDisplayHeightMax whatever the frame);
// exchanged for rotations 1 and 2.
constexpr int kCompactDisplayWidth = 300;
constexpr int kCompactInitialHeight = 450;
constexpr int kCompactDisplayHeightMax = kCompactDisplayWidth * static_cast<int>(kFramebufferAspectMax);
struct DisplaySize {
  int width = kCompactDisplayWidth;
  int height = kCompactInitialHeight;
};
DisplaySize compactDisplaySize(uint32_t frameWidth, uint32_t frameHeight, int rotation);

}  // namespace zorvik
