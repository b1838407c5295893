// The ADB server side and the forward to the agent, over real sockets on loopback: the bytes of
// the host protocol, device states, the forward, the switches of the control channel, and many
// agent connections at once.
#include "VphoneFixture.h"

#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "sim/AdbProtocol.h"
#include "tools/adb/AdbClient.h"

#include <fstream>
#include <future>
#include <random>
#include <thread>

namespace zorvik::sim::test {
namespace {

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";  // 16 characters, as most phones have

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    phone_.setBaseState(dataSet());
    phone_.addDevice(kSerial);
    std::string error;
    ASSERT_TRUE(phone_.start(0, 0, error)) << error;
  }

  // One smart-socket exchange: sends the request, returns everything the server sent until it
  // closed.
  std::string exchange(const std::string& payload, const std::string& raw = std::string()) {
    TcpSocket s = TcpSocket::connectLoopback(phone_.adbPort());
    EXPECT_TRUE(s.valid());
    const std::string request = raw.empty() ? adbLengthPrefix(payload.size()) + payload : raw;
    s.sendAll(request.data(), request.size());
    s.shutdownSend();  // a request cut short ends instead of waiting for more
    std::string out;
    char buf[4096];
    int got;
    while ((got = s.receive(buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(got));
    return out;
  }

  // A transport to the device and one device service on the same connection.
  std::string onDevice(const std::string& service) {
    const std::string transport = std::string("host:transport:") + kSerial;
    return exchange("", adbLengthPrefix(transport.size()) + transport + adbLengthPrefix(service.size()) + service);
  }

  // Forwards a free local port to the agent and returns it.
  uint16_t forwardAgent() {
    const std::string answer = exchange(std::string("host-serial:") + kSerial + ":forward:tcp:0;tcp:50505");
    EXPECT_EQ(answer.substr(0, 8), "OKAYOKAY");
    return static_cast<uint16_t>(std::stoi(answer.substr(12)));
  }

  VirtualPhone phone_;
};

TEST_F(ServerTest, HostVersionDevicesAndFeaturesAreAnsweredAsAdbExpects) {
  EXPECT_EQ(exchange("host:version"), "OKAY00040029");
  EXPECT_EQ(exchange("host:devices"), std::string("OKAY0018") + kSerial + "\tdevice\n");
  EXPECT_NE(exchange("host:devices-l").find("model:MI_2S"), std::string::npos);
  EXPECT_EQ(exchange(std::string("host-serial:") + kSerial + ":features"), "OKAY0000");
  EXPECT_EQ(exchange(std::string("host-serial:") + kSerial + ":get-state"), "OKAY0006device");
  EXPECT_EQ(exchange("host:transport:NOSUCHPHONE").substr(0, 8), "FAIL001e");
}

TEST_F(ServerTest, ForwardLeadsToTheAgentAndIsListedAndRemoved) {
  // The connection code's own request for a 16-character serial announces 0x38 bytes.
  EXPECT_EQ(adbLengthPrefix((std::string("host-serial:") + kSerial + ":forward:tcp:50505;tcp:50505").size()), "0038");
  const uint16_t port = forwardAgent();
  EXPECT_EQ(queryAgentVersion(port), 21);
  const std::string list = exchange("host:list-forward");
  EXPECT_NE(list.find(std::string(kSerial) + " tcp:" + std::to_string(port) + " tcp:50505\n"), std::string::npos);
  EXPECT_EQ(exchange("host:killforward-all"), "OKAYOKAY");
  EXPECT_EQ(exchange("host:list-forward"), "OKAY0000");
  EXPECT_EQ(queryAgentVersion(port), -1);
}

TEST_F(ServerTest, MalformedRequestsGetFailAndTheServerGoesOnServing) {
  for (const std::string& raw : {std::string("zzzzhost:version"), std::string("0000"), std::string("ffff") + "x",
                                 std::string("-001")}) {
    const std::string answer = exchange("", raw);
    EXPECT_EQ(answer.substr(0, 4), "FAIL") << raw;
  }
  EXPECT_EQ(exchange("host:no-such-service").substr(0, 4), "FAIL");
  EXPECT_EQ(exchange("host:version"), "OKAY00040029");
}

// Random bytes on the ADB port, after a transport, and on the agent's forward: every connection
// ends, nothing is changed, and both go on answering.
TEST_F(ServerTest, GarbageOnEveryPortLeavesTheServerServing) {
  const uint16_t port = forwardAgent();
  std::mt19937 random(42);
  for (int i = 0; i < 60; ++i) {
    std::string junk(1 + random() % 300, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    if (i % 3 == 1) junk = "001fhost:transport:" + std::string(kSerial) + junk;
    if (i % 3 == 2) {
      TcpSocket agent = TcpSocket::connectLoopback(port);
      ASSERT_TRUE(agent.valid());
      agent.sendAll(junk.data(), junk.size());
      agent.shutdownSend();
      char sink[256];
      while (agent.receive(sink, sizeof sink) > 0) {
      }
      continue;
    }
    const std::string answer = exchange("", junk);
    EXPECT_TRUE(answer.empty() || answer.compare(0, 4, "FAIL") == 0 || answer.compare(0, 4, "OKAY") == 0) << i;
  }
  EXPECT_EQ(exchange("host:version"), "OKAY00040029");
  EXPECT_EQ(queryAgentVersion(port), 21);
  EXPECT_EQ(phone_.control("count contacts"), "OK " + std::to_string(dataSet().contacts.size()));
}

TEST_F(ServerTest, OfflineAndUnauthorizedDevicesAreListedButRefuseService) {
  EXPECT_EQ(phone_.control("device add OFFLINE1 offline"), "OK");
  EXPECT_EQ(phone_.control("device add LOCKED01 unauthorized"), "OK");
  const std::string list = exchange("host:devices");
  EXPECT_NE(list.find("OFFLINE1\toffline\n"), std::string::npos);
  EXPECT_NE(list.find("LOCKED01\tunauthorized\n"), std::string::npos);
  EXPECT_EQ(exchange("host:transport:OFFLINE1"), adbFail("device offline"));
  EXPECT_EQ(exchange("host:transport:LOCKED01").substr(0, 4), "FAIL");
  EXPECT_EQ(exchange("host-serial:OFFLINE1:forward:tcp:0;tcp:50505"), adbFail("device offline"));
  EXPECT_EQ(exchange("host:transport-any"), adbFail("more than one device/emulator"));
}

TEST_F(ServerTest, ShellAnswersGetpropPmAndAm) {
  const std::string props = onDevice("shell:getprop");
  EXPECT_EQ(props.substr(0, 8), "OKAYOKAY");
  EXPECT_NE(props.find("[ro.build.version.sdk]: [15]\r\n"), std::string::npos);
  EXPECT_NE(props.find("[ro.product.manufacturer]: [Xiaomi]\r\n"), std::string::npos);
  const std::string packages = onDevice("shell:pm list package");
  EXPECT_NE(packages.find("package:com.zorvik.Zorvik\r\n"), std::string::npos);
  const std::string am = "shell:am start -n com.zorvik.Zorvik/.Zorvik";
  EXPECT_NE(onDevice(am).find("Starting: Intent"),
            std::string::npos);
}

TEST_F(ServerTest, AnotherMakeOfPhoneAndAPackageInstalledUnderATemporaryName) {
  EXPECT_EQ(phone_.control(std::string("device props ") + kSerial + " HTC \"HTC Desire S\" 10"), "OK");
  const std::string props = onDevice("shell:getprop");
  EXPECT_NE(props.find("[ro.product.manufacturer]: [HTC]\r\n"), std::string::npos);
  EXPECT_NE(props.find("[ro.product.model]: [HTC Desire S]\r\n"), std::string::npos);
  EXPECT_NE(props.find("[ro.build.version.sdk]: [10]\r\n"), std::string::npos);

  EXPECT_EQ(phone_.control("install package com.example.game"), "OK");
  adb::AdbClient client(phone_.adbPort(), kSerial);
  adb::AdbError error;
  ASSERT_TRUE(client.push(std::string("PK\x03\x04") + " zip", "/data/local/tmp/~tmp1234.apk", error));
  std::string out;
  ASSERT_TRUE(client.shell("pm install -r /data/local/tmp/~tmp1234.apk", [&](const char* d, size_t n) { out.append(d, n); }, error));
  EXPECT_NE(out.find("Success"), std::string::npos);
  // The applications page sees it.
  const uint16_t port = forwardAgent();
  AgentBody apps;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListApplications), apps, port), AgentResult::Ok);
  const std::string body(apps.bytes.begin(), apps.bytes.end());
  EXPECT_NE(body.find("com.example.game"), std::string::npos);
  EXPECT_EQ(body.find("~tmp1234"), std::string::npos);
}

TEST_F(ServerTest, InstallingTheAgentStopsItUntilStartedAndAnswersItsNewVersion) {
  EXPECT_EQ(phone_.control("agent install-version 25"), "OK");
  adb::AdbClient client(phone_.adbPort(), kSerial);
  adb::AdbError error;
  ASSERT_TRUE(client.push(std::string("PK\x03\x04") + " not really zipped", "/data/local/tmp/com.zorvik.Zorvik.apk", error))
      << error.message;
  std::string out;
  auto collect = [&](const char* d, size_t n) { out.append(d, n); };
  ASSERT_TRUE(client.shell("pm install -r /data/local/tmp/com.zorvik.Zorvik.apk", collect, error));
  EXPECT_NE(out.find("Success"), std::string::npos) << out;
  const uint16_t port = forwardAgent();
  EXPECT_LT(queryAgentVersion(port), 1) << "the replaced agent is not running yet";
  out.clear();
  ASSERT_TRUE(client.shell("am start -n com.zorvik.Zorvik/.Zorvik", collect, error));
  EXPECT_EQ(queryAgentVersion(port), 25);

  // A chosen failure, and an outcome the control channel refuses.
  EXPECT_EQ(phone_.control("install outcome INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES"), "OK");
  EXPECT_EQ(phone_.control("install outcome Maybe").substr(0, 3), "ERR");
  out.clear();
  ASSERT_TRUE(client.shell("pm install -r /data/local/tmp/com.zorvik.Zorvik.apk", collect, error));
  EXPECT_NE(out.find("Failure [INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES]"), std::string::npos);
  // Uninstalling removes it from the list the connection checks.
  out.clear();
  ASSERT_TRUE(client.shell("pm uninstall com.zorvik.Zorvik", collect, error));
  EXPECT_NE(out.find("Success"), std::string::npos);
  out.clear();
  ASSERT_TRUE(client.shell("pm list packages", collect, error));
  EXPECT_EQ(out.find("com.zorvik.Zorvik"), std::string::npos);
  EXPECT_EQ(queryAgentVersion(port), -1);
}

TEST_F(ServerTest, SwitchesShapeTheAgentReplies) {
  const uint16_t port = forwardAgent();
  AgentBody whole;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), whole, port), AgentResult::Ok);
  ASSERT_TRUE(whole.complete);

  // In 7-byte pieces with a pause: the same body.
  EXPECT_EQ(phone_.control("reply pieces 7 1"), "OK");
  AgentBody pieces;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), pieces, port), AgentResult::Ok);
  EXPECT_EQ(pieces.bytes, whole.bytes);
  EXPECT_EQ(phone_.control("reply pieces 0 0"), "OK");

  EXPECT_EQ(phone_.control("reply noreply 870301"), "OK");
  AgentBody none;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), none, port), AgentResult::NoReply);

  EXPECT_EQ(phone_.control("reply truncate 870101 1000"), "OK");
  AgentBody cut;
  exchangeForBody(bareRequest(AgentCommand::ListContacts), cut, port);
  EXPECT_FALSE(cut.complete);
  EXPECT_EQ(cut.bytes.size(), 996u);

  EXPECT_EQ(phone_.control("reply close-mid 870701"), "OK");
  AgentBody half;
  exchangeForBody(bareRequest(AgentCommand::ListBookmarks), half, port);
  EXPECT_FALSE(half.complete);

  EXPECT_EQ(phone_.control("agent version 19"), "OK");
  EXPECT_EQ(queryAgentVersion(port), 19);
  EXPECT_EQ(phone_.control("agent running 0"), "OK");
  EXPECT_EQ(queryAgentVersion(port), -1);
  EXPECT_EQ(phone_.control("reset"), "OK");
  EXPECT_EQ(phone_.control("agent running 1"), "OK");

  EXPECT_EQ(phone_.control("forward refuse 1"), "OK");
  EXPECT_EQ(exchange(std::string("host-serial:") + kSerial + ":forward:tcp:0;tcp:50505").substr(0, 4), "FAIL");
  EXPECT_EQ(phone_.control("nonsense").substr(0, 3), "ERR");
}

TEST_F(ServerTest, ReplyTruncateCodeOffEndsThatCodesCutOnly) {
  const uint16_t port = forwardAgent();
  EXPECT_EQ(phone_.control("reply truncate 870101 1000"), "OK");
  EXPECT_EQ(phone_.control("reply truncate 870301 10"), "OK");
  EXPECT_EQ(phone_.control("reply truncate 870101 off"), "OK");  // as the control's help gives it
  AgentBody contacts, calls;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), contacts, port), AgentResult::Ok);
  EXPECT_TRUE(contacts.complete);
  exchangeForBody(bareRequest(AgentCommand::ListCalls), calls, port);
  EXPECT_FALSE(calls.complete) << "the other code stays cut";
  EXPECT_EQ(phone_.control("reply truncate off"), "OK");
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), calls, port), AgentResult::Ok);
  EXPECT_TRUE(calls.complete);
  EXPECT_EQ(phone_.control("reply truncate 870101 lots").substr(0, 3), "ERR");
  EXPECT_EQ(phone_.control("reply truncate").substr(0, 3), "ERR");
  EXPECT_NE(phone_.control("help").find("; reply truncate CODE BYTES|off;"), std::string::npos);
}

TEST_F(ServerTest, ChangesThroughTheAgentShowOnTheNextLoad) {
  const uint16_t port = forwardAgent();
  const std::string before = phone_.control("count calls");
  EXPECT_EQ(before, "OK 100");
  AgentArgs one;
  one.int32(1);
  int32_t status = 0;
  ASSERT_EQ(exchangeForStatus(framedRequest(AgentCommand::DeleteAllCalls, one), &status, port), AgentResult::Ok);
  EXPECT_EQ(phone_.control("count calls"), "OK 0");
}

TEST_F(ServerTest, SixteenAgentConnectionsAtOnce) {
  const uint16_t port = forwardAgent();
  AgentBody reference;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), reference, port), AgentResult::Ok);
  std::vector<std::future<bool>> results;
  for (int i = 0; i < 16; ++i)
    results.push_back(std::async(std::launch::async, [&] {
      bool ok = true;
      for (int k = 0; k < 4; ++k) {
        AgentBody body;
        ok = ok && exchangeForBody(bareRequest(AgentCommand::ListContacts), body, port) == AgentResult::Ok &&
             body.complete && body.bytes == reference.bytes;
      }
      return ok;
    }));
  for (auto& r : results) EXPECT_TRUE(r.get());
}

TEST_F(ServerTest, FramebufferInBothModes) {
  for (int bpp : {32, 16}) {
    EXPECT_EQ(phone_.control("framebuffer bpp " + std::to_string(bpp)), "OK");
    const std::string fb = onDevice("framebuffer:");
    ASSERT_GE(fb.size(), 8u + 52);
    EXPECT_EQ(fb.substr(0, 8), "OKAYOKAY");
    const auto* h = reinterpret_cast<const unsigned char*>(fb.data() + 8);
    EXPECT_EQ(getLe32(h), 1u);
    EXPECT_EQ(getLe32(h + 4), static_cast<uint32_t>(bpp));
    const uint32_t size = getLe32(h + 8), width = getLe32(h + 12), height = getLe32(h + 16);
    EXPECT_EQ(width, 480u);
    EXPECT_EQ(height, 800u);
    EXPECT_EQ(size, width * height * static_cast<uint32_t>(bpp / 8));
    EXPECT_EQ(fb.size(), 8u + 52 + size);
    if (bpp == 32) {
      EXPECT_EQ(getLe32(h + 20), 0u);   // red offset
      EXPECT_EQ(getLe32(h + 24), 8u);   // red length
      EXPECT_EQ(getLe32(h + 28), 16u);  // blue offset
    } else {
      EXPECT_EQ(getLe32(h + 20), 11u);
    }
  }
}

// "framebuffer shape": a header of that shape whose size is the product, the pixels to match;
// sides beyond 8192 refused; "off" the home screen again.
TEST_F(ServerTest, FramebufferOfAnyShape) {
  EXPECT_EQ(phone_.control("framebuffer shape 9000 1").substr(0, 3), "ERR");
  EXPECT_EQ(phone_.control("framebuffer shape 0 0").substr(0, 3), "ERR");
  for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{3, 2}, {0, 5}}) {
    ASSERT_EQ(phone_.control("framebuffer shape " + std::to_string(w) + " " + std::to_string(h)), "OK");
    const std::string fb = onDevice("framebuffer:");
    ASSERT_GE(fb.size(), 8u + 52);
    const auto* header = reinterpret_cast<const unsigned char*>(fb.data() + 8);
    EXPECT_EQ(getLe32(header + 12), w);
    EXPECT_EQ(getLe32(header + 16), h);
    EXPECT_EQ(getLe32(header + 8), w * h * 4);
    EXPECT_EQ(fb.size(), 8u + 52 + w * h * 4);
  }
  ASSERT_EQ(phone_.control("framebuffer shape off"), "OK");
  EXPECT_EQ(getLe32(reinterpret_cast<const unsigned char*>(onDevice("framebuffer:").data() + 8 + 12)), 480u);
}

TEST_F(ServerTest, WaitForDeviceAndTrackDevices) {
  EXPECT_EQ(exchange("host:wait-for-any-device"), "OKAYOKAY");
  EXPECT_EQ(exchange(std::string("host-serial:") + kSerial + ":wait-for-usb-device"), "OKAYOKAY");

  TcpSocket track = TcpSocket::connectLoopback(phone_.adbPort());
  const std::string fixed = "0012host:track-devices";
  track.sendAll(fixed.data(), fixed.size());
  auto readList = [&] {
    char head[5] = {};
    if (track.receiveExactly(head, 4) != 4) return std::string("(closed)");
    std::string text(std::stoul(head, nullptr, 16), '\0');
    track.receiveExactly(text.data(), text.size());
    return text;
  };
  char okay[5] = {};
  ASSERT_EQ(track.receiveExactly(okay, 4), 4u);
  EXPECT_STREQ(okay, "OKAY");
  EXPECT_EQ(readList(), std::string(kSerial) + "\tdevice\n");
  EXPECT_EQ(phone_.control("device add SECOND01 offline"), "OK");
  EXPECT_EQ(readList(), std::string(kSerial) + "\tdevice\nSECOND01\toffline\n");
}

TEST_F(ServerTest, KillStopsTheServer) {
  const uint16_t port = phone_.adbPort();
  auto asked = std::async(std::launch::async, [this] { phone_.waitUntilStopped(); });
  EXPECT_EQ(exchange("host:kill"), "OKAY");
  const bool stopRequested = asked.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!stopRequested) phone_.stop();  // releases the waiter
  EXPECT_TRUE(stopRequested) << "host:kill did not ask the server to stop";
  // What the vphone program does once asked; then nothing listens and the next client sees the
  // server gone.
  phone_.stop();
  EXPECT_FALSE(TcpSocket::connectLoopback(port).valid());
}

}  // namespace
}  // namespace zorvik::sim::test
