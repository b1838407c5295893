// The connection under Wine, as the installed program runs it: the suite's adb.exe beside the
// test program as the tool (adbPath), Winsock for the forward and the agent, and the native
// virtual phone (started by the CTest fixture) as the ADB server and the phone.
#include "ConnectionTestSupport.h"
#include "phone/AgentVersion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace zorvik {
namespace {

using test::Event;

struct Ports {
  uint16_t adb = 0, control = 0;
};

Ports vphonePorts() {
  Ports ports;
  std::ifstream(programFolder() + "vphone-ports.txt") >> ports.adb >> ports.control;
  return ports;
}

// One control command; the answer line starts with "OK" or "ERR".
std::string control(uint16_t port, const std::string& command) {
  TcpSocket socket = TcpSocket::connectLoopback(port);
  const std::string line = command + "\n";
  if (!socket.sendAll(line.data(), line.size())) return "ERR send";
  std::string answer;
  char c;
  while (socket.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

class WineConnection : public test::ConnectionFixture {
 protected:
  void SetUp() override {
    ConnectionFixture::SetUp();
    ports_ = vphonePorts();
    ASSERT_NE(ports_.adb, 0) << "the vphone fixture did not run";
    setAdbServerPort(ports_.adb);
    test::setEnvironment("ANDROID_ADB_SERVER_PORT", std::to_string(ports_.adb));
    setAgentPort(test::unusedPort());
    ASSERT_EQ(adbPath(), programFolder() + "adb.exe");
    listener.adb = adbPath();
    writeFile("pkg dir/com.zorvik.Zorvik.apk", std::string("PK\x03\x04", 4) + "agent package");
    ASSERT_EQ(control(ports_.control, "reset"), "OK");
  }
  // Leaves exactly these devices attached (serials are per test: agent state stays with a device).
  void attach(const std::vector<std::string>& serials, const std::string& offline = {}) {
    // "status" answers "OK serial:state:agent=...:vN ... forwards=N install=..."
    std::istringstream status(control(ports_.control, "status"));
    std::string word;
    while (status >> word) {
      const size_t colon = word.find(':');
      if (colon != std::string::npos) control(ports_.control, "device remove " + word.substr(0, colon));
    }
    for (const std::string& serial : serials) {
      ASSERT_EQ(control(ports_.control, "device add " + serial), "OK");
    }
    if (!offline.empty()) {
      ASSERT_EQ(control(ports_.control, "device add " + offline + " offline"), "OK");
    }
  }
  void set(const std::string& command) { ASSERT_EQ(control(ports_.control, command).substr(0, 2), "OK") << command; }
  std::vector<Event> attempt(const std::string& package = {}) {
    ConnectionOptions o = options();
    if (!package.empty()) o.agentPackagePath = package;
    o.adbPath.clear();  // adbPath(): adb.exe beside the program
    o.agentStartWaitMs = 500;
    DeviceConnection connection(listener, o);
    connection.startConnection(false);
    EXPECT_TRUE(connection.waitIdle(60000));
    return listener.statuses();
  }

  Ports ports_;
};

TEST_F(WineConnection, OneDeviceConnectsThroughTheSuitesAdbExe) {
  attach({"WINE0001"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"连接成功:)", 2}}));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  RecordProperty("attempt_ms_without_fixed_waits", static_cast<int>(took.count()) - 500);
  EXPECT_EQ(listener.sounds(), std::vector<int>{656});
  EXPECT_EQ(listener.timers(), (std::vector<std::pair<int, unsigned>>{{1, 50}}));
  EXPECT_EQ(currentSerial(), "WINE0001");
  EXPECT_GE(queryAgentVersion(), 20);
}

TEST_F(WineConnection, AnOfflineDeviceIsNamedNotCountedAndTwoOpenTheChooser) {
  attach({}, "WINE0002");
  EXPECT_EQ(attempt().back(), (Event{"【提示】设备离线，请重新插拔数据线", 0}));
  attach({"WINE0003", "WINE0004"}, "WINE0005");
  EXPECT_EQ(attempt().back(), (Event{"【错误】没有选择任何设备", 1}));
  EXPECT_EQ(listener.captions(), std::vector<std::string>{"连接管理器 - Zorvik"});
}

TEST_F(WineConnection, TheChooserReadsBothDevicesAndConnectsTheChosenOne) {
  attach({"WINE0006", "WINE0007"});
  test::ChooserScript script;
  script.rowToConnect = 1;
  listener.chooser = &script;
  EXPECT_EQ(attempt().back(), (Event{"连接成功:)", 2}));
  ASSERT_EQ(script.rows.size(), 2u);
  EXPECT_EQ(script.rows[1].info.serial, "WINE0007");
  EXPECT_EQ(script.rows[0].systemText, "API Level 15");
  EXPECT_EQ(script.statusLines, std::vector<std::string>{"连接协议成功"});
  EXPECT_EQ(currentSerial(), "WINE0007");
}

TEST_F(WineConnection, AgentMissingIsInstalledOnceAndTheAttemptRunsOnceMore) {
  attach({"WINE0008"});
  set("agent installed 0 WINE0008");
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0},
                                           {"【提示】正在安装手机端...", 0},
                                           {"安装成功", 2},
                                           {"连接设备中...", 0},
                                           {"连接成功:)", 2}}));
}

// A serial with blanks reaches adb.exe whole on every command line: listing, package check, the
// install, "am start", the level read.
TEST_F(WineConnection, ASerialWithBlanksInstallsAndConnects) {
  attach({});
  const std::string serial = "my device 1";
  ASSERT_EQ(control(ports_.control, "device add '" + serial + "'"), "OK");
  // The status listing splits at blanks: this device leaves by name, whatever the outcome.
  struct Detach {
    uint16_t port;
    ~Detach() { control(port, "device remove 'my device 1'"); }
  } detach{ports_.control};
  set("agent installed 0 '" + serial + "'");
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0},
                                           {"【提示】正在安装手机端...", 0},
                                           {"安装成功", 2},
                                           {"连接设备中...", 0},
                                           {"连接成功:)", 2}}));
  EXPECT_EQ(currentSerial(), serial);
}

TEST_F(WineConnection, ACertificateFailureGivesExactlyOneMoreAttempt) {
  attach({"WINE0009"});
  set("agent installed 0 WINE0009");
  set("install outcome INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES");
  const std::vector<Event> once = {{"连接设备中...", 0}, {"【提示】正在安装手机端...", 0}, {"【错误】签名错误，先卸载老版本", 1}};
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(attempt(), twice);
}

TEST_F(WineConnection, Version19IsUpgraded) {
  attach({"WINE0010"});
  set("agent version 19 WINE0010");
  set("agent install-version 20 WINE0010");
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0},
                                           {"【提示】正在升级手机端...", 0},
                                           {"安装成功", 2},
                                           {"连接设备中...", 0},
                                           {"连接成功:)", 2}}));
}

TEST_F(WineConnection, ForwardRefusedAndNoServer) {
  attach({"WINE0011"});
  set("forward refuse 1");
  EXPECT_EQ(attempt().back(), (Event{"【错误】连接协议失败", 1}));
  set("forward refuse 0");
  setAdbServerPort(test::unusedPort());
  EXPECT_EQ(attempt().back(), (Event{"【错误】连接端口失败", 1}));
}

#ifdef ZORVIK_AGENT_PACKAGE_PATH
// The agent package this build made (phone/android/package), installed by the suite's own flow
// under another file name: the virtual phone can only know it is the agent, and which version it
// answers, from the package's compiled manifest (the version it would give otherwise is too old).
TEST_F(WineConnection, TheBuiltAgentPackageIsInstalledAndConnects) {
  std::ifstream in(ZORVIK_AGENT_PACKAGE_PATH, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  ASSERT_GT(bytes.str().size(), 10000u) << ZORVIK_AGENT_PACKAGE_PATH;
  const std::string renamed = apkPath().substr(0, apkPath().find_last_of('/') + 1) + "agent-build.apk";
  std::ofstream(renamed, std::ios::binary) << bytes.str();
  attach({"WINE0012"});
  set("agent installed 0 WINE0012");
  set("agent install-version 5 WINE0012");
  EXPECT_EQ(attempt(renamed), (std::vector<Event>{{"连接设备中...", 0},
                                                  {"【提示】正在安装手机端...", 0},
                                                  {"安装成功", 2},
                                                  {"连接设备中...", 0},
                                                  {"连接成功:)", 2}}));
  EXPECT_EQ(queryAgentVersion(), phone::kPhoneAgentVersion);
}
#endif

}  // namespace
}  // namespace zorvik
