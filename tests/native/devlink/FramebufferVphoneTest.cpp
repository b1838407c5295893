// The capture against the virtual phone's "framebuffer:" in both of its pixel formats: the same
// home screen must arrive in both, red and blue in bitmap order.
#include "devlink/AdbBridge.h"
#include "devlink/FramebufferCapture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zorvik {
namespace {

// vphone on a free port, with a framebuffer format; the port is read from its first line.
class Vphone {
 public:
  explicit Vphone(int bpp) {
    std::vector<std::string> words = {ZORVIK_VPHONE, "--port", "0", "--set", "framebuffer bpp " + std::to_string(bpp)};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string line;
    char c;
    while (pid_ > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    unsigned port = 0;
    if (std::sscanf(line.c_str(), "vphone: adb server on 127.0.0.1:%u", &port) == 1) port_ = static_cast<uint16_t>(port);
  }
  ~Vphone() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  uint16_t port() const { return port_; }

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

Frame captureAt(int bpp) {
  Vphone phone(bpp);
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

TEST(FramebufferVphone, UnknownSerialIsAServerFailure) {
  Vphone phone(32);
  setAdbServerPort(phone.port());
  FramebufferCapture capture;
  Frame frame;
  EXPECT_EQ(capture.capture("NOSUCHPHONE", frame), FramebufferResult::ServerFailure);
}

}  // namespace
}  // namespace zorvik
