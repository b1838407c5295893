// The ADB server requests on the wire: length prefixes, the forward and transport services, the
// four-byte answer, and the failure kinds. Built natively and for Windows (run under Wine).
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace zorvik {
namespace {

using test::LoopbackServer;
using test::ScriptedReply;

std::vector<unsigned char> bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::string text(const std::vector<unsigned char>& bytes) { return {bytes.begin(), bytes.end()}; }

uint16_t unusedPort() {
  TcpListener probe;
  EXPECT_TRUE(probe.listen(0));
  return probe.port();
}

// Points the requests at a scripted server and the forward at the standard agent port.
class AdbWire : public ::testing::Test {
 protected:
  void SetUp() override {
    savedServer_ = adbServerPort();
    savedAgent_ = agentPort();
    setAgentPort(kAgentPort);
  }
  void TearDown() override {
    setAdbServerPort(savedServer_);
    setAgentPort(savedAgent_);
  }
  uint16_t savedServer_ = 0, savedAgent_ = 0;
};

const std::string kSerial16 = "0123456789ABCDEF";
// The agent listens on an abstract socket that serves adbd only, not on a port every app reaches.
const std::string kForward16 = "host-serial:0123456789ABCDEF:forward:tcp:50505;localabstract:zorvik_agent";

TEST_F(AdbWire, LengthPrefixesAreUpperCaseForHostAndLowerCaseForFramebuffer) {
  EXPECT_EQ(adbHostRequest(kForward16).substr(0, 4), "0049");
  EXPECT_EQ(adbHostRequest("host:transport:" + kSerial16), "001Fhost:transport:0123456789ABCDEF");
  EXPECT_EQ(adbServiceRequest("framebuffer:"), "000cframebuffer:");
  EXPECT_EQ(adbHostRequest("host:version"), "000Chost:version");
  EXPECT_EQ(adbHostRequest(""), "0000");
}

TEST_F(AdbWire, RequestsLongerThanTheBufferAreRefusedNotCut) {
  EXPECT_EQ(adbHostRequest(std::string(251, 'x')).size(), 255u);
  EXPECT_EQ(adbHostRequest(std::string(252, 'x')), "");
  EXPECT_EQ(adbServiceRequest(std::string(4000, 'x')), "");
}

TEST_F(AdbWire, ForwardSendsOneRequestAndSucceedsOnOkay) {
  LoopbackServer server({{.requestSize = 4 + kForward16.size(), .reply = bytes("OKAY")}});
  setAdbServerPort(server.port());
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::Ok);
  server.wait();
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(text(requests[0].bytes), "0049" + kForward16);
  EXPECT_EQ(requests[0].recvCalls, 1u);
}

TEST_F(AdbWire, ForwardUsesTheAgentPortChosenForTestsOnThePcSide) {
  setAgentPort(50600);
  const std::string service = "host-serial:S1:forward:tcp:50600;localabstract:zorvik_agent";
  LoopbackServer server({{.requestSize = 4 + service.size(), .reply = bytes("OKAY")}});
  setAdbServerPort(server.port());
  EXPECT_EQ(forwardAgentPort("S1"), AdbSocketResult::Ok);
  server.wait();
  EXPECT_EQ(text(server.requests()[0].bytes), adbHostRequest(service));
}

TEST_F(AdbWire, ForwardAnsweredWithFailOrNothingIsAProtocolFailure) {
  const std::string fail = "FAIL0014cannot bind to socket";
  const size_t size = 4 + kForward16.size();
  LoopbackServer server({{.requestSize = size, .reply = bytes(fail)},
                         {.requestSize = size, .closeWithoutReply = true},
                         {.requestSize = size, .reply = bytes("OKA")},
                         {.requestSize = size, .reply = bytes("OKAYOKAY"), .pieces = {1}}});
  setAdbServerPort(server.port());
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::ProtocolFailure);
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::ProtocolFailure);
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::ProtocolFailure);
  // An answer that trickles in byte by byte is still read whole.
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::Ok);
}

TEST_F(AdbWire, ForwardWithoutServerIsAPortFailureAndWithoutSerialNoDevice) {
  setAdbServerPort(unusedPort());
  EXPECT_EQ(forwardAgentPort(kSerial16), AdbSocketResult::PortFailure);
  EXPECT_EQ(forwardAgentPort(""), AdbSocketResult::NoDevice);
}

TEST_F(AdbWire, ForwardWithASerialTooLongForTheBufferSendsNothing) {
  LoopbackServer server({{.requestSize = 4, .closeWithoutReply = true}});
  setAdbServerPort(server.port());
  EXPECT_EQ(forwardAgentPort(std::string(300, 'S')), AdbSocketResult::PortFailure);
}

TEST_F(AdbWire, TransportLeavesTheSocketSpeakingToTheDevice) {
  const std::string transport = "001Fhost:transport:" + kSerial16;
  TcpListener listener;
  ASSERT_TRUE(listener.listen(0));
  setAdbServerPort(listener.port());
  std::string seen;
  // One connection: the transport request, OKAY, then the framebuffer request on the same socket.
  std::thread server([&] {
    TcpSocket client = listener.accept();
    std::string first(transport.size(), '\0');
    client.receiveExactly(first.data(), first.size());
    client.sendAll("OKAY", 4);
    std::string second(16, '\0');
    client.receiveExactly(second.data(), second.size());
    client.sendAll("OKAY", 4);
    seen = first + second;
  });
  TcpSocket socket;
  ASSERT_EQ(openTransport(kSerial16, socket), AdbSocketResult::Ok);
  ASSERT_TRUE(socket.valid());
  EXPECT_EQ(adbRequest(socket, adbServiceRequest("framebuffer:")), AdbSocketResult::Ok);
  server.join();
  EXPECT_EQ(seen, transport + "000cframebuffer:");
}

TEST_F(AdbWire, TransportRefusedLeavesNoSocket) {
  LoopbackServer server({{.requestSize = 4 + 17, .reply = bytes("FAIL0010device not found")}});
  setAdbServerPort(server.port());
  TcpSocket socket;
  EXPECT_EQ(openTransport("S1", socket), AdbSocketResult::ProtocolFailure);
  EXPECT_FALSE(socket.valid());
  EXPECT_EQ(openTransport("", socket), AdbSocketResult::NoDevice);
  setAdbServerPort(unusedPort());
  EXPECT_EQ(openTransport("S1", socket), AdbSocketResult::PortFailure);
}

}  // namespace
}  // namespace zorvik
