// The framebuffer reader: header pieces and the request byte, colour order, hostile headers,
// frames cut anywhere, rotation and the compact display size; the capture against scripted
// ADB servers that go silent or are cancelled.
#include "devlink/AdbBridge.h"
#include "devlink/Framebuffer.h"
#include "devlink/FramebufferCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace zorvik {
namespace {

void putWord(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Header words 1..13 then the pixels; colours as an RGBA device (red 0, blue 16) unless told.
std::vector<uint8_t> frameBytes(uint32_t bpp, uint32_t w, uint32_t h, const std::vector<uint8_t>& pixels,
                                uint32_t redOffset = 0, uint32_t sizeOverride = 0) {
  std::vector<uint8_t> out;
  putWord(out, 1);
  putWord(out, bpp);
  putWord(out, sizeOverride ? sizeOverride : static_cast<uint32_t>(pixels.size()));
  putWord(out, w);
  putWord(out, h);
  for (uint32_t v : {redOffset, 8u, redOffset == 0 ? 16u : 0u, 8u, 8u, 8u, 24u, 8u}) putWord(out, v);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::vector<uint8_t> countingPixels(size_t n) {
  std::vector<uint8_t> p(n);
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(i * 7 + 1);
  return p;
}

TEST(Framebuffer, RgbaFrameHasRedAndBlueExchanged) {
  const std::vector<uint8_t> rgba = {0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0x80};
  const auto bytes = frameBytes(32, 2, 1, rgba);
  Frame frame;
  ASSERT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::Ok);
  EXPECT_EQ(frame.pixels, (std::vector<uint8_t>{0x33, 0x22, 0x11, 0xFF, 0x66, 0x55, 0x44, 0x80}));
  EXPECT_EQ(frame.bytesPerPixel, 4);
  EXPECT_EQ(frame.width, 2u);
  EXPECT_EQ(frame.header.alphaOffset, 24u);
}

TEST(Framebuffer, BgraAnd565FramesKeepTheirBytes) {
  const std::vector<uint8_t> bgra = {0x11, 0x22, 0x33, 0xFF};
  auto bytes = frameBytes(32, 1, 1, bgra, 16);
  Frame frame;
  ASSERT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::Ok);
  EXPECT_EQ(frame.pixels, bgra);
  const std::vector<uint8_t> rgb565 = {0x1F, 0xF8, 0xE0, 0x07};
  bytes = frameBytes(16, 2, 1, rgb565, 11);
  ASSERT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::Ok);
  EXPECT_EQ(frame.pixels, rgb565);
  EXPECT_EQ(frame.bytesPerPixel, 2);
}

// 24 bpp pixels are three bytes: the exchange must follow them, not 4-byte groups.
TEST(Framebuffer, RgbFrameSwapsWithinThreeBytePixels) {
  const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const auto bytes = frameBytes(24, 3, 1, rgb);
  Frame frame;
  ASSERT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::Ok);
  EXPECT_EQ(frame.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7}));
}

TEST(Framebuffer, SwapRefusesPartialPixels) {
  std::vector<uint8_t> p = {1, 2, 3, 4, 5};
  EXPECT_FALSE(swapRedBlue(p, 4));
  EXPECT_EQ(p, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

// Every cut of a frame, delivered whole or a byte at a time, ends with a clear outcome and no frame.
TEST(Framebuffer, FrameCutAtEveryOffsetEndsWithoutImage) {
  const auto bytes = frameBytes(32, 3, 2, countingPixels(24));
  for (size_t piece : {size_t{1}, size_t{5}, kFramebufferPieceMax}) {
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      Frame frame;
      const FramebufferResult r = decodeFramebuffer(bytes.data(), cut, frame, piece);
      const FramebufferResult expected = cut < 52 ? FramebufferResult::ShortHeader : FramebufferResult::ShortPixels;
      EXPECT_EQ(r, expected) << "cut " << cut << " piece " << piece;
      EXPECT_TRUE(frame.pixels.empty());
      EXPECT_EQ(frame.width, 0u);
    }
    Frame whole;
    EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), whole, piece), FramebufferResult::Ok);
  }
}

TEST(Framebuffer, SizeThatDisagreesWithTheDimensionsEndsTheCapture) {
  Frame frame;
  auto bytes = frameBytes(32, 2, 2, countingPixels(16), 0, 12);
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  bytes = frameBytes(16, 2, 2, countingPixels(16));  // 16 bpp wants 8 bytes
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  bytes = frameBytes(32, 0, 0, {});
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  EXPECT_TRUE(frame.pixels.empty());
}

// A header promising 4 GB, or dimensions whose product wraps 32 bits, is refused before the
// request byte goes out; a plausible large header over a short stream costs only what arrived.
TEST(Framebuffer, HostileHeaderIsRefusedWithoutLargeAllocation) {
  Frame frame;
  auto bytes = frameBytes(32, 65536, 16384, {}, 0, 0);  // 65536 * 16384 * 4 wraps to 0
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  bytes = frameBytes(32, 1, 1, {}, 0, 0xFFFFFFFFu);
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  bytes = frameBytes(32, 8193, 2, {}, 0, 8193 * 2 * 4);
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::BadHeader);
  bytes = frameBytes(32, 8192, 8192, countingPixels(1000), 0, 8192u * 8192u * 4u);
  EXPECT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), FramebufferResult::ShortPixels);
}

// Shapes no screen has are refused before the request byte, naming what the phone claimed; the
// last shapes a screen may have (4:1 either way) still make a picture of a bounded size.
TEST(Framebuffer, ShapesOutsideFourToOneAreRefused) {
  const struct {
    uint32_t w, h;
    FramebufferResult result;
  } cases[] = {
      {1, 8192, FramebufferResult::BadShape}, {8192, 1, FramebufferResult::BadShape},
      {2, 9, FramebufferResult::BadShape},    {9, 2, FramebufferResult::BadShape},
      {0, 8192, FramebufferResult::BadHeader}, {8192, 0, FramebufferResult::BadHeader},
      {2, 8, FramebufferResult::Ok},          {8, 2, FramebufferResult::Ok},
  };
  for (const auto& c : cases) {
    const auto bytes = frameBytes(32, c.w, c.h, countingPixels(static_cast<size_t>(c.w) * c.h * 4));
    Frame frame;
    ASSERT_EQ(decodeFramebuffer(bytes.data(), bytes.size(), frame), c.result) << c.w << "x" << c.h;
    if (c.result != FramebufferResult::Ok) {
      EXPECT_TRUE(frame.pixels.empty());
      EXPECT_EQ(frame.header.width, c.w);
      EXPECT_EQ(frame.header.height, c.h);
      continue;
    }
    for (int rotation : {kRotateNone, kRotateRight}) {
      const DisplaySize d = compactDisplaySize(c.w, c.h, rotation);
      EXPECT_GE(std::min(d.width, d.height), kCompactDisplayWidth / 4);
      EXPECT_LE(std::max(d.width, d.height), kCompactDisplayHeightMax);
      Frame turned, scaled;
      rotateFrameInto(frame, rotation, turned);
      ASSERT_TRUE(scaleFrameInto(turned, d.width, d.height, scaled));
      EXPECT_EQ(scaled.pixels.size(), static_cast<size_t>(d.width) * d.height * 4);
    }
  }
}

// Whatever a caller passes, the display height stays within 1..kCompactDisplayHeightMax, and a
// scale target beyond the frame limits is refused rather than allocated.
TEST(Framebuffer, ComputedSizesAreBounded) {
  EXPECT_EQ(compactDisplaySize(1, 8192, kRotateNone).height, kCompactDisplayHeightMax);
  EXPECT_EQ(compactDisplaySize(8192, 1, kRotateNone).height, 1);
  EXPECT_EQ(compactDisplaySize(1, 0xFFFFFFFFu, kRotateRight).width, kCompactDisplayHeightMax);
  Frame one;
  one.width = one.height = 1;
  one.bytesPerPixel = 4;
  one.pixels = {1, 2, 3, 4};
  Frame out;
  EXPECT_FALSE(scaleFrameInto(one, 300, 2457600, out));  // what 1 x 8192 asked for: 2.9 GB
  EXPECT_TRUE(out.pixels.empty());
  EXPECT_FALSE(scaleFrameInto(one, 8193, 1, out));
  EXPECT_TRUE(scaleFrameInto(one, 8192, 1, out));
  EXPECT_EQ(out.pixels.size(), 8192u * 4u);
}

// Records what the reader asks for: the request byte after exactly 20 header bytes, and no
// pixel read larger than a piece.
class RecordingSource : public FramebufferSource {
 public:
  explicit RecordingSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int receive(void* buffer, size_t size) override {
    largestAsk = std::max(largestAsk, size);
    const size_t n = std::min(size, bytes_.size() - at_);
    if (n == 0) return 0;
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<int>(n);
  }
  bool sendRequestByte() override {
    requestAt = at_;
    return sendOk;
  }
  size_t largestAsk = 0;
  size_t requestAt = 0;
  bool sendOk = true;

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
};

TEST(Framebuffer, RequestByteFollowsTheFirstTwentyBytesAndPixelsComeInPieces) {
  RecordingSource source(frameBytes(32, 300, 200, countingPixels(300 * 200 * 4)));
  Frame frame;
  ASSERT_EQ(readFramebuffer(source, frame), FramebufferResult::Ok);
  EXPECT_EQ(source.requestAt, 20u);
  EXPECT_EQ(source.largestAsk, kFramebufferPieceMax);
  RecordingSource refused(frameBytes(32, 1, 1, countingPixels(4)));
  refused.sendOk = false;
  EXPECT_EQ(readFramebuffer(refused, frame), FramebufferResult::RequestFailed);
}

Frame numbered(uint32_t w, uint32_t h) {
  Frame f;
  f.width = w;
  f.height = h;
  f.bytesPerPixel = 4;
  for (uint32_t i = 0; i < w * h; ++i) putWord(f.pixels, i);
  return f;
}

uint32_t at(const Frame& f, uint32_t x, uint32_t y) {
  uint32_t v;
  std::memcpy(&v, f.pixels.data() + (static_cast<size_t>(y) * f.width + x) * 4, 4);
  return v;
}

// Source 3 x 2:  0 1 2 / 3 4 5.
TEST(Framebuffer, RotationsTurnThePictureAndExchangeSides) {
  Frame right = numbered(3, 2);
  rotateFrame(right, kRotateRight);
  ASSERT_EQ(right.width, 2u);
  ASSERT_EQ(right.height, 3u);
  EXPECT_EQ(at(right, 0, 0), 3u);  // the bottom-left corner comes to the top left
  EXPECT_EQ(at(right, 1, 0), 0u);
  EXPECT_EQ(at(right, 0, 2), 5u);
  Frame left = numbered(3, 2);
  rotateFrame(left, kRotateLeft);
  EXPECT_EQ(left.width, 2u);
  EXPECT_EQ(at(left, 0, 0), 2u);  // the top-right corner comes to the top left
  EXPECT_EQ(at(left, 1, 2), 3u);
  Frame half = numbered(3, 2);
  rotateFrame(half, kRotate180);
  EXPECT_EQ(half.width, 3u);
  EXPECT_EQ(at(half, 0, 0), 5u);
  EXPECT_EQ(at(half, 2, 1), 0u);
  Frame none = numbered(3, 2);
  rotateFrame(none, 7);
  EXPECT_EQ(none.pixels, numbered(3, 2).pixels);
}

TEST(Framebuffer, RotationsOfOtherPixelSizesRoundTrip) {
  for (int bpp : {2, 3}) {
    Frame f;
    f.width = 37;
    f.height = 41;
    f.bytesPerPixel = bpp;
    f.pixels = countingPixels(37 * 41 * static_cast<size_t>(bpp));
    const auto original = f.pixels;
    rotateFrame(f, kRotateRight);
    EXPECT_NE(f.pixels, original);
    rotateFrame(f, kRotateLeft);
    EXPECT_EQ(f.pixels, original);
    EXPECT_EQ(f.width, 37u);
  }
}

TEST(Framebuffer, ScalingAveragesBlocksIntoFourBytePixels) {
  Frame f;
  f.width = 4;
  f.height = 2;
  f.bytesPerPixel = 4;
  // Left half: blue 0 and 100; right half: red 40 and 80.
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 4; ++x) {
      const uint8_t v = static_cast<uint8_t>(x < 2 ? (x + y) % 2 * 100 : 40 + (x + y) % 2 * 40);
      f.pixels.insert(f.pixels.end(), {static_cast<uint8_t>(x < 2 ? v : 0), 0, static_cast<uint8_t>(x < 2 ? 0 : v), 0});
    }
  Frame out;
  scaleFrameInto(f, 2, 1, out);
  ASSERT_EQ(out.pixels.size(), 8u);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{50, 0, 0, 255, 0, 0, 60, 255}));
  // RGB565 pure red and pure green, widened to full bytes.
  Frame rgb565;
  rgb565.width = 2;
  rgb565.height = 1;
  rgb565.bytesPerPixel = 2;
  rgb565.pixels = {0x00, 0xF8, 0xE0, 0x07};
  scaleFrameInto(rgb565, 2, 1, out);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{0, 0, 255, 255, 0, 255, 0, 255}));
  // Growing a picture repeats pixels; a bad size or a frame without pixels gives nothing.
  scaleFrameInto(rgb565, 4, 2, out);
  EXPECT_EQ(out.pixels.size(), 32u);
  scaleFrameInto(rgb565, 0, 2, out);
  EXPECT_TRUE(out.pixels.empty());
}

TEST(Framebuffer, CompactDisplaySize) {
  EXPECT_EQ(compactDisplaySize(480, 800, kRotateNone).width, 300);
  EXPECT_EQ(compactDisplaySize(480, 800, kRotateNone).height, 500);
  EXPECT_EQ(compactDisplaySize(480, 800, kRotateRight).width, 500);
  EXPECT_EQ(compactDisplaySize(480, 800, kRotateRight).height, 300);
  EXPECT_EQ(compactDisplaySize(1080, 1920, kRotate180).height, 533);  // 533.33 truncated
  EXPECT_EQ(compactDisplaySize(0, 800, kRotateNone).height, kCompactInitialHeight);
}

// ---------------------------------------------------------------- over a socket

// Accepts one client, answers "OKAY" to the transport and to "framebuffer:", then sends what
// it is given and stays silent (holding the connection) until released.
class SilentServer {
 public:
  explicit SilentServer(std::vector<uint8_t> afterOkay, bool refuseService = false) {
    listener_.listen(0);
    thread_ = std::thread([this, afterOkay = std::move(afterOkay), refuseService] {
      TcpSocket client = listener_.accept();
      if (!client.valid()) return;
      char request[64];
      client.receiveExactly(request, 4 + std::strlen("host:transport:S1"));
      client.sendAll("OKAY", 4);
      client.receiveExactly(request, 4 + std::strlen("framebuffer:"));
      received_.assign(request, 16);
      if (refuseService) {
        client.sendAll("FAIL0004nope", 12);
        return;
      }
      client.sendAll("OKAY", 4);
      if (!afterOkay.empty()) client.sendAll(afterOkay.data(), afterOkay.size());
      char sink;
      while (client.receive(&sink, 1) > 0) {
      }
    });
  }
  ~SilentServer() {
    listener_.close();
    if (thread_.joinable()) thread_.join();
  }
  uint16_t port() const { return listener_.port(); }
  std::string received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  TcpListener listener_;
  std::thread thread_;
  std::string received_;
};

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(FramebufferCapture, NoDeviceSendsNothing) {
  FramebufferCapture capture;
  Frame frame;
  EXPECT_EQ(capture.capture("", frame), FramebufferResult::NoDevice);
}

TEST(FramebufferCapture, SilentServerEndsAtTheDeadline) {
  const auto header = frameBytes(32, 2, 2, {}, 0, 16);  // part of the header, then silence
  SilentServer server(std::vector<uint8_t>(header.begin(), header.begin() + 30));
  setAdbServerPort(server.port());
  FramebufferCapture capture;
  Frame frame;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(capture.capture("S1", frame, 400), FramebufferResult::TimedOut);
  EXPECT_LT(msSince(start), 3000.0);
  EXPECT_TRUE(frame.pixels.empty());
  capture.cancel();  // releases nothing: the capture is over
}

TEST(FramebufferCapture, CancelWakesABlockedRead) {
  SilentServer server({});
  setAdbServerPort(server.port());
  FramebufferCapture capture;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    capture.cancel();
  });
  Frame frame;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(capture.capture("S1", frame, 20000), FramebufferResult::Cancelled);
  EXPECT_LT(msSince(start), 5000.0);
  canceller.join();
  EXPECT_EQ(capture.capture("S1", frame), FramebufferResult::Cancelled);  // until reset
}

// A server that takes the transport request and never answers: closing the page must not wait
// for the answer's own 15-second limit.
TEST(FramebufferCapture, CancelWakesAWaitForTheTransportAnswer) {
  TcpListener listener;
  ASSERT_TRUE(listener.listen(0));
  std::thread server([&] {
    TcpSocket client = listener.accept();
    char sink;
    while (client.valid() && client.receive(&sink, 1) > 0) {
    }
  });
  setAdbServerPort(listener.port());
  FramebufferCapture capture;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    capture.cancel();
  });
  Frame frame;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(capture.capture("S1", frame, 20000), FramebufferResult::Cancelled);
  EXPECT_LT(msSince(start), 5000.0);
  canceller.join();
  server.join();
}

TEST(FramebufferCapture, ServiceRequestIsLowerCaseFramedAndRefusalIsReported) {
  SilentServer server({}, true);
  setAdbServerPort(server.port());
  FramebufferCapture capture;
  Frame frame;
  EXPECT_EQ(capture.capture("S1", frame, 2000), FramebufferResult::ServiceRefused);
  EXPECT_EQ(server.received(), "000cframebuffer:");
}

}  // namespace
}  // namespace zorvik
