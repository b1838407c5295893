// Arguments quoted by the adb tools survive the phone's shell word splitting unchanged, and the
// server's reading of host requests refuses what it cannot trust.
#include "sim/AdbProtocol.h"
#include "sim/DeviceShell.h"
#include "tools/adb/AdbClient.h"

#include <gtest/gtest.h>

namespace zorvik::sim {
namespace {

TEST(ShellWords, QuotedArgumentsComeBackUnchanged) {
  for (const std::string& arg : {std::string("/data/local/tmp/a b.apk"), std::string("it's"), std::string("\"x\""),
                                 std::string("semi;colon"), std::string(""), std::string("back\\slash")}) {
    const auto words = splitShellWords("pm install " + adb::quoteForShell(arg));
    ASSERT_EQ(words.size(), 3u) << arg;
    EXPECT_EQ(words[2], arg);
  }
  EXPECT_EQ(splitShellWords("  getprop   ro.product.model "), (std::vector<std::string>{"getprop", "ro.product.model"}));
  EXPECT_EQ(splitShellWords("pm 'install' \"-r\" x\\ y"), (std::vector<std::string>{"pm", "install", "-r", "x y"}));
  EXPECT_EQ(splitShellWords("echo 'unterminated"), (std::vector<std::string>{"echo", "unterminated"}));
}

TEST(HostRequests, SerialsWithColonsAndForwardAddresses) {
  std::string serial, command;
  ASSERT_TRUE(splitSerialRequest("127.0.0.1:5555:forward:tcp:1;tcp:2", serial, command));
  EXPECT_EQ(serial, "127.0.0.1:5555");
  EXPECT_EQ(command, "forward:tcp:1;tcp:2");
  EXPECT_FALSE(splitSerialRequest(":features", serial, command));
  int port = 0;
  EXPECT_TRUE(parseTcpAddress("tcp:50505", port));
  EXPECT_EQ(port, 50505);
  EXPECT_FALSE(parseTcpAddress("tcp:65536", port));
  EXPECT_FALSE(parseTcpAddress("tcp:", port));
  EXPECT_FALSE(parseTcpAddress("localabstract:x", port));
  EXPECT_FALSE(parseTcpAddress("tcp:99999999999", port));
}

}  // namespace
}  // namespace zorvik::sim
