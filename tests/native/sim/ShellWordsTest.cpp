// Arguments quoted by the adb tools survive the phone's shell word splitting unchanged, and the
// smart-socket framing refuses what it cannot trust.
#include "sim/AdbProtocol.h"
#include "sim/VirtualPhone.h"
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

TEST(AdbFraming, RequestsSplitAnywhereAndHostileLengths) {
  const std::string wire = "000chost:version0012host:transport-any";
  for (size_t cut = 0; cut < 16; ++cut)
    EXPECT_EQ(parseAdbRequest(wire.data(), cut).status, AdbRequest::NeedMore) << cut;
  AdbRequest first = parseAdbRequest(wire.data(), wire.size());
  ASSERT_EQ(first.status, AdbRequest::Complete);
  EXPECT_EQ(first.payload, "host:version");
  AdbRequest second = parseAdbRequest(wire.data() + first.consumed, wire.size() - first.consumed);
  EXPECT_EQ(second.payload, "host:transport-any");
  EXPECT_EQ(parseAdbRequest("ffffxxxx", 8).status, AdbRequest::Malformed);  // longer than any request
  EXPECT_EQ(parseAdbRequest("0000", 4).status, AdbRequest::Malformed);
  EXPECT_EQ(parseAdbRequest("00g1x", 5).status, AdbRequest::Malformed);
  EXPECT_EQ(adbFail("device offline"), "FAIL000edevice offline");

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
