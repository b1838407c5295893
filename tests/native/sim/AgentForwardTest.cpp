// The forward to the agent's abstract socket, the refusal switch, an outside agent answering in
// vphone's place, and the agent's version read from the package installed.
#include "VphoneFixture.h"

#include "devlink/AgentSession.h"
#include "phone/AgentListener.h"
#include "sim/AdbProtocol.h"
#include "sim/SimPhoneData.h"
#include "tools/adb/AdbClient.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace zorvik::sim::test {
namespace {

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

class AgentForwardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    phone_.setBaseState(dataSet());
    phone_.addDevice(kSerial);
    std::string error;
    ASSERT_TRUE(phone_.start(0, -1, error)) << error;
  }
  // "host-serial:S:forward:tcp:0;<target>": the local port, or 0 when refused.
  uint16_t forward(const std::string& target) {
    TcpSocket s = TcpSocket::connectLoopback(phone_.adbPort());
    const std::string payload = std::string("host-serial:") + kSerial + ":forward:tcp:0;" + target;
    const std::string request = adbLengthPrefix(payload.size()) + payload;
    s.sendAll(request.data(), request.size());
    std::string out;
    char buf[256];
    int got;
    while ((got = s.receive(buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(got));
    return out.compare(0, 8, "OKAYOKAY") == 0 ? static_cast<uint16_t>(std::stoi(out.substr(12))) : 0;
  }
  VirtualPhone phone_;
};

TEST_F(AgentForwardTest, TheAgentIsReachedOnItsAbstractSocketAndRefusesWhatTheSwitchSays) {
  const uint16_t port = forward("localabstract:zorvik_agent");
  ASSERT_NE(port, 0);
  EXPECT_EQ(queryAgentVersion(port), phone::kPhoneAgentVersion);
  const uint16_t elsewhere = forward("localabstract:another_app");
  ASSERT_NE(elsewhere, 0);
  EXPECT_EQ(queryAgentVersion(elsewhere), -1) << "nothing of the agent's listens there";

  EXPECT_EQ(phone_.control("reply refuse 870301 call-log-read"), "OK");
  EXPECT_EQ(phone_.control("reply refuse 870303 7"), "OK");
  EXPECT_EQ(phone_.control("reply refuse 870303 maybe").substr(0, 3), "ERR");
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, port), agentRefused(AgentRefusal::CallLogRead));
  const size_t calls = dataSet().calls.size();
  EXPECT_EQ(exchangeForStatus(idListRequest(AgentCommand::DeleteCalls, {static_cast<int32_t>(dataSet().calls[0].id)}),
                              nullptr, port),
            agentRefused(AgentRefusal::CallLogWrite));
  EXPECT_EQ(phone_.control("count calls"), "OK " + std::to_string(calls)) << "a refused delete deleted";
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, port), AgentResult::Ok) << "only 870301";
  EXPECT_EQ(phone_.control("reply refuse 870301 off"), "OK");
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, port), AgentResult::Ok);
}

// The protocol core over a data set of its own, behind the listener: what a package's native code
// does on a phone, here in the test's process.
class OutsideAgent {
 public:
  explicit OutsideAgent(PhoneState state) : state_(std::move(state)), data_(state_), listener_(data_, options()) {}
  bool start() { return listener_.start(); }
  static std::string name() { return "zorvik_outside_" + std::to_string(::getpid()); }
  std::string answer(const Bytes& request) {
    return phone::answerAgentRequest(data_, request.data(), request.size(), phone::kPhoneAgentVersion);
  }

 private:
  static phone::ListenerOptions options() {
    phone::ListenerOptions o;
    o.name = name();
    o.extraUid = static_cast<long long>(::getuid());  // vphone connects as the test's user
    return o;
  }
  PhoneState state_;
  SimPhoneData data_;
  phone::AgentListener listener_;
};

TEST_F(AgentForwardTest, AnOutsideAgentAnswersInVphonesPlaceWithItsOwnData) {
  PhoneState other = dataSet();
  other.calls.resize(3);
  OutsideAgent outside(other);
  ASSERT_TRUE(outside.start());
  const uint16_t port = forward("localabstract:zorvik_agent");
  ASSERT_EQ(phone_.control("agent outside " + OutsideAgent::name()), "OK");
  AgentBody body;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, port), AgentResult::Ok);
  const std::string expected = outside.answer(bareRequest(AgentCommand::ListCalls));
  EXPECT_EQ(std::string(body.bytes.begin(), body.bytes.end()), expected.substr(4)) << "not the outside agent's calls";

  // Nothing listening under the name: the connection closes unanswered, as a stopped agent's does.
  ASSERT_EQ(phone_.control("agent outside nobody_listens_here"), "OK");
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, port), AgentResult::Cut);
  ASSERT_EQ(phone_.control("agent outside off"), "OK");
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, port), AgentResult::Ok);
  PhoneState own = dataSet();
  EXPECT_EQ(body.bytes.size() + 4, ask(own, bareRequest(AgentCommand::ListCalls)).size()) << "vphone's own calls";
}

TEST_F(AgentForwardTest, AnInstalledAgentPackageAnswersTheVersionItsManifestCarries) {
  std::ifstream in(ZORVIK_TEST_AGENT_APK, std::ios::binary);
  if (!in) GTEST_SKIP() << "no test package (aapt missing)";
  const std::string apk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  adb::AdbClient client(phone_.adbPort(), kSerial);
  adb::AdbError error;
  ASSERT_TRUE(client.push(apk, "/data/local/tmp/agent.apk", error)) << error.message;
  std::string out;
  auto collect = [&](const char* d, size_t n) { out.append(d, n); };
  ASSERT_TRUE(client.shell("pm install -r /data/local/tmp/agent.apk && am start -n com.zorvik.Zorvik/.Zorvik", collect,
                           error));
  EXPECT_NE(out.find("Success"), std::string::npos) << out;
  EXPECT_EQ(queryAgentVersion(forward("localabstract:zorvik_agent")), 23);
}

}  // namespace
}  // namespace zorvik::sim::test
