// The capture against the virtual phone's "framebuffer:" in both of its pixel formats: the same
// home screen must arrive in both, red and blue in bitmap order.
#include "devlink/AdbBridge.h"
#include "devlink/FramebufferCapture.h"
#include "support/VphoneProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>


namespace zorvik {
namespace {

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

Frame captureAt(int bpp) {
  test::VphoneProcess phone(ZORVIK_VPHONE, {"--set", "framebuffer bpp " + std::to_string(bpp)});
  EXPECT_NE(phone.port(), 0);
  setAdbServerPort(phone.port());
  FramebufferCapture capture;
  Frame frame;
  EXPECT_EQ(capture.capture(kSerial, frame), FramebufferResult::Ok);
  return frame;
}

TEST(FramebufferVphone, BothFormatsGiveTheSameScreen) {
  const Frame rgba = captureAt(32);
  const Frame rgb565 = captureAt(16);
  ASSERT_EQ(rgba.width, 480u);
  ASSERT_EQ(rgba.height, 800u);
  ASSERT_EQ(rgba.pixels.size(), 480u * 800u * 4u);
  ASSERT_EQ(rgb565.bytesPerPixel, 2);
  ASSERT_EQ(rgb565.pixels.size(), 480u * 800u * 2u);
  std::set<uint32_t> colours;
  size_t far = 0;
  for (size_t i = 0; i < 480u * 800u; ++i) {
    const uint8_t* p = &rgba.pixels[i * 4];  // blue, green, red, alpha
    const unsigned v = rgb565.pixels[i * 2] | rgb565.pixels[i * 2 + 1] << 8;
    const int r = static_cast<int>((v >> 11) << 3), g = static_cast<int>(((v >> 5) & 63) << 2), b = static_cast<int>((v & 31) << 3);
    if (std::abs(p[2] - r) > 8 || std::abs(p[1] - g) > 4 || std::abs(p[0] - b) > 8) ++far;
    colours.insert(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16));
  }
  EXPECT_EQ(far, 0u) << "pixels differing between the two formats";
  EXPECT_GT(colours.size(), 50u) << "a drawn screen, not a flat fill";
}

// Shapes a screen cannot have, served by the phone: refused with the claimed size, no frame.
TEST(FramebufferVphone, OddShapesAreRefused) {
  const std::pair<const char*, FramebufferResult> cases[] = {
      {"1 8192", FramebufferResult::BadShape}, {"8192 1", FramebufferResult::BadShape}, {"0 8192", FramebufferResult::BadHeader}};
  for (const auto& [shape, expected] : cases) {
    test::VphoneProcess phone(ZORVIK_VPHONE, {"--set", std::string("framebuffer shape ") + shape});
    ASSERT_NE(phone.port(), 0);
    setAdbServerPort(phone.port());
    FramebufferCapture capture;
    Frame frame;
    EXPECT_EQ(capture.capture(kSerial, frame), expected) << shape;
    EXPECT_TRUE(frame.pixels.empty()) << shape;
    EXPECT_EQ(std::to_string(frame.header.width) + " " + std::to_string(frame.header.height), shape);
  }
}

TEST(FramebufferVphone, UnknownSerialIsAServerFailure) {
  test::VphoneProcess phone(ZORVIK_VPHONE, {"--set", "framebuffer bpp 32"});
  setAdbServerPort(phone.port());
  FramebufferCapture capture;
  Frame frame;
  EXPECT_EQ(capture.capture("NOSUCHPHONE", frame), FramebufferResult::ServerFailure);
}

}  // namespace
}  // namespace zorvik
