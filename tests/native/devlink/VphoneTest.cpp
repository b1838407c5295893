// The whole connection against the virtual phone, with Debian's adb client as the tool: the scan,
// the chooser, the package check, install and upgrade (pushed through sync), the forward and the
// agent's answer to 870003 through it.
#include "ConnectionTestSupport.h"
#include "support/VphoneProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <thread>

#include <unistd.h>


namespace zorvik {
namespace {

using test::Event;

class AgainstVphone : public test::ConnectionFixture {
 protected:
  // Starts the phone with these options and points the tool, our socket channel and the forward at it.
  void startPhone(const std::vector<std::string>& options) {
    phone_ = std::make_unique<test::VphoneProcess>(ZORVIK_VPHONE, options);
    ASSERT_NE(phone_->port(), 0) << "vphone did not start";
    setAdbServerPort(phone_->port());
    test::setEnvironment("ANDROID_ADB_SERVER_PORT", std::to_string(phone_->port()));
    setAgentPort(test::unusedPort());
    listener.adb = "adb";
    writeFile("pkg dir/com.zorvik.Zorvik.apk", std::string("PK\x03\x04", 4) + "agent package");
  }
  // Debian's adb starts a server of its own ("fork-server") when it finds none on its port: a tool
  // the flow launched without waiting ("am start") that reaches the port after the phone is gone
  // would leave one running. So the phone ends only after every adb this test started, and a
  // server started anyway is ended, whatever the test's outcome.
  void TearDown() override {
    for (int i = 0; i < 250 && adbChildRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint16_t port = phone_ ? phone_->port() : 0;
    phone_.reset();
    if (port != 0) {
      const std::string kill = "ANDROID_ADB_SERVER_PORT=" + std::to_string(port) + " adb -P " + std::to_string(port) +
                               " kill-server >/dev/null 2>&1";
      EXPECT_EQ(std::system(kill.c_str()), 0);
    }
    ConnectionFixture::TearDown();
  }
  // An adb process whose parent is this test, not yet ended.
  static bool adbChildRunning() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
      std::ifstream in(entry.path() / "stat");
      std::string stat;
      if (!std::getline(in, stat)) continue;
      const size_t open = stat.find('('), close = stat.rfind(')');
      if (open == std::string::npos || close == std::string::npos || close + 2 >= stat.size()) continue;
      char state = 0;
      long parent = 0;
      std::istringstream(stat.substr(close + 2)) >> state >> parent;
      if (parent == ::getpid() && state != 'Z' && stat.compare(open + 1, close - open - 1, "adb") == 0) return true;
    }
    return false;
  }
  ConnectionOptions phoneOptions() const {
    ConnectionOptions o = options();
    o.adbPath = "adb";
    o.agentStartWaitMs = 300;  // time for "am start" to reach the phone
    return o;
  }
  std::vector<Event> attempt() {
    DeviceConnection connection(listener, phoneOptions());
    connection.startConnection(false);
    EXPECT_TRUE(connection.waitIdle(30000));
    return listener.statuses();
  }

  std::unique_ptr<test::VphoneProcess> phone_;
};

TEST_F(AgainstVphone, OneDeviceGivesNoChooserAndConnects) {
  startPhone({"--device", "ZRVK0A1B2C3D4E5F"});
  DeviceConnection connection(listener, phoneOptions());
  const auto start = std::chrono::steady_clock::now();
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(30000));
  const long took = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"连接成功:)", 2}}));
  EXPECT_TRUE(listener.captions().empty());
  EXPECT_EQ(currentSerial(), "ZRVK0A1B2C3D4E5F");
  // The forward stays: the agent answers through it after the attempt as well.
  EXPECT_GE(queryAgentVersion(), 20);
  RecordProperty("attempt_ms_without_fixed_waits", static_cast<int>(took - phoneOptions().agentStartWaitMs));
  EXPECT_LT(took - static_cast<long>(phoneOptions().agentStartWaitMs), 1000);
}

// A phone that is there but not ready is named for what the user has to do, not "not found".
TEST_F(AgainstVphone, AnOfflineOrUnauthorizedDeviceIsNamedNotMissing) {
  startPhone({"--control-port", "0", "--device", "S1:offline"});
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"【提示】设备离线，请重新插拔数据线", 0}}));
  listener.clear();
  phone_->control("device state S1 unauthorized");
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"【提示】请在手机上允许USB调试", 0}}));
}

TEST_F(AgainstVphone, TrackedDevicesDisconnectAndReconnectWithoutAClick) {
  startPhone({"--control-port", "0", "--device", "S1"});
  DeviceConnection connection(listener, phoneOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(30000));
  ASSERT_TRUE(connection.connected());
  connection.startTracking();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the stream's first message
  listener.clear();
  // The phone goes: the disconnected state at once, an exchange waiting on it ends.
  ASSERT_EQ(phone_->control("device remove S1").rfind("OK", 0), 0u);
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(listener.waitForStatus({"【提示】检测到一个设备断开", 0}, 3000));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
  EXPECT_FALSE(connection.connected());
  EXPECT_EQ(listener.sounds(), std::vector<int>{657});
  // It comes back: the automatic connection, no click.
  ASSERT_EQ(phone_->control("device add S1").rfind("OK", 0), 0u);
  ASSERT_TRUE(listener.waitForStatus({"连接成功:)", 2}, 20000));
  EXPECT_TRUE(connection.connected());
  // Not allowed yet: named; allowed on the phone: connected.
  listener.clear();
  phone_->control("device remove S1");
  ASSERT_TRUE(listener.waitForStatus({"【提示】检测到一个设备断开", 0}, 3000));
  phone_->control("device add S1 unauthorized");
  ASSERT_TRUE(listener.waitForStatus({"【提示】请在手机上允许USB调试", 0}, 3000));
  phone_->control("device state S1 device");
  ASSERT_TRUE(listener.waitForStatus({"连接成功:)", 2}, 20000));
}

TEST_F(AgainstVphone, TwoDevicesOpenTheChooserAndNoneChosenIsAnError) {
  startPhone({"--device", "S1", "--device", "S2", "--device", "S3:offline"});
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】没有选择任何设备", 1}}));
  EXPECT_EQ(listener.captions(), std::vector<std::string>{"连接管理器 - Zorvik"});
}

TEST_F(AgainstVphone, TheChooserListsBothDevicesAndConnectsTheSecond) {
  startPhone({"--device", "S1", "--device", "S2"});
  test::ChooserScript script;
  script.rowToConnect = 1;
  listener.chooser = &script;
  EXPECT_EQ(attempt().back(), (Event{"连接成功:)", 2}));
  ASSERT_EQ(script.rows.size(), 2u);
  EXPECT_EQ(script.rows[0].info.serial, "S1");
  EXPECT_EQ(script.rows[1].info.serial, "S2");
  EXPECT_EQ(script.rows[0].hardwareText, "Xiaomi [ MI 2S ] S1");
  EXPECT_EQ(script.rows[1].hardwareText, "Xiaomi [ MI 2S ] S2");  // two phones of one model told apart
  EXPECT_EQ(script.rows[0].systemText, "API Level 15");
  EXPECT_EQ(script.rows[0].info.versionName, "Android 4.0.3");
  EXPECT_EQ(script.statusLines, std::vector<std::string>{"连接协议成功"});
  EXPECT_EQ(currentSerial(), "S2");
}

TEST_F(AgainstVphone, AgentMissingIsInstalledOnceThenTheAttemptConnects) {
  startPhone({"--device", "S1", "--set", "agent installed 0"});
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0},
                                           {"【提示】正在安装手机端...", 0},
                                           {"安装成功", 2},
                                           {"连接设备中...", 0},
                                           {"连接成功:)", 2}}));
  EXPECT_EQ(listener.sounds(), std::vector<int>{656});
}

TEST_F(AgainstVphone, FromAndroid6TheInstallGrantsRuntimePermissionsAndAHungGrantIsOnlyANotice) {
  const std::vector<Event> installed = {{"连接设备中...", 0}, {"【提示】正在安装手机端...", 0}, {"安装成功", 2},
                                        {"连接设备中...", 0}, {"连接成功:)", 2}};
  std::string allGranted = "OK install-g=1";
  std::vector<std::string> permissions(std::begin(kAgentPermissions), std::end(kAgentPermissions));
  std::sort(permissions.begin(), permissions.end());
  for (const std::string& p : permissions) allGranted += " " + p;
  struct Case {
    const char* sdk;
    bool hungGrant;
    std::string grants;
  } cases[] = {
      {"15", false, "OK install-g=0"},  // an older pm knows neither -g nor runtime grants
      {"23", false, allGranted + " WRITE_SETTINGS=allow"},  // and the connection's appops after the grants
      {"23", true, "OK install-g=1 WRITE_SETTINGS=allow"},
  };
  for (const Case& c : cases) {
    listener.clear();
    std::vector<std::string> options = {"--device", "S1", "--control-port", "0", "--set", "agent installed 0",
                                        "--set", std::string("device props S1 Xiaomi MI ") + c.sdk};
    if (c.hungGrant) options.insert(options.end(), {"--set", "shell delay 60000 pm grant"});
    startPhone(options);
    ConnectionOptions o = phoneOptions();
    o.shellDeadlineMs = 500;
    const auto t0 = std::chrono::steady_clock::now();
    DeviceConnection connection(listener, o);
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(30000));
    std::vector<Event> expected = installed;
    if (c.hungGrant) expected.insert(expected.begin() + 3, Event{kGrantNoticeText, 0});
    EXPECT_EQ(listener.statuses(), expected) << "SDK " << c.sdk;
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(15)) << "the hung grant held the connection";
    EXPECT_EQ(phone_->control("agent grants S1"), c.grants);
  }
}

// At every connection, the special access the phone's level needs; a phone that holds it up or
// refuses it gets a notice, and the connection is made all the same.
TEST_F(AgainstVphone, EachConnectionAllowsTheAppOpsTheLevelNeedsAndARefusalIsOnlyANotice) {
  struct Case {
    const char* sdk;
    const char* fault;  // a vphone setting, or null
    std::string grants;
  } cases[] = {
      {"22", nullptr, "OK install-g=0"},
      {"23", nullptr, "OK install-g=0 WRITE_SETTINGS=allow"},
      {"28", nullptr, "OK install-g=0 GET_USAGE_STATS=allow WRITE_SETTINGS=allow"},
      {"29", nullptr, "OK install-g=0 GET_USAGE_STATS=allow SYSTEM_ALERT_WINDOW=allow WRITE_SETTINGS=allow"},
      {"30", nullptr,
       "OK install-g=0 GET_USAGE_STATS=allow MANAGE_EXTERNAL_STORAGE=allow SYSTEM_ALERT_WINDOW=allow WRITE_SETTINGS=allow"},
      {"30", "shell delay 60000 appops", "OK install-g=0"},
  };
  for (const Case& c : cases) {
    listener.clear();
    std::vector<std::string> options = {"--device", "S1", "--control-port", "0", "--set",
                                        std::string("device props S1 Xiaomi MI ") + c.sdk};
    if (c.fault) options.insert(options.end(), {"--set", c.fault});
    startPhone(options);
    ConnectionOptions o = phoneOptions();
    o.shellDeadlineMs = 500;
    const auto t0 = std::chrono::steady_clock::now();
    DeviceConnection connection(listener, o);
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(30000));
    std::vector<Event> expected = {{"连接设备中...", 0}, {"连接成功:)", 2}};
    if (c.fault) expected.insert(expected.begin() + 1, Event{kAppOpsNoticeText, 0});
    EXPECT_EQ(listener.statuses(), expected) << "SDK " << c.sdk;
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(15)) << "the hung appops held the connection";
    EXPECT_EQ(phone_->control("agent grants S1"), c.grants) << "SDK " << c.sdk;
  }
}

TEST_F(AgainstVphone, AnAgentPackageInstalledThroughTheFlowAnswersTheVersionItCarries) {
  std::ifstream in(ZORVIK_TEST_AGENT_APK, std::ios::binary);
  if (!in) GTEST_SKIP() << "no test package (aapt missing)";
  startPhone({"--device", "S1", "--set", "agent installed 0", "--set", "agent install-version 20"});
  writeFile("pkg dir/com.zorvik.Zorvik.apk", std::string(std::istreambuf_iterator<char>(in), {}));
  EXPECT_EQ(attempt().back(), (Event{"连接成功:)", 2}));
  EXPECT_EQ(queryAgentVersion(), 23) << "the version of the package installed, not vphone's default";
}

TEST_F(AgainstVphone, ACertificateFailureGivesExactlyOneMoreAttempt) {
  startPhone({"--device", "S1", "--set", "agent installed 0", "--set",
              "install outcome INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES"});
  const std::vector<Event> once = {{"连接设备中...", 0}, {"【提示】正在安装手机端...", 0}, {"【错误】签名错误，先卸载老版本", 1}};
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(attempt(), twice);
}

TEST_F(AgainstVphone, Version19IsUpgradedAndVersion20Connects) {
  startPhone({"--device", "S1", "--set", "agent version 19", "--set", "agent install-version 20"});
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0},
                                           {"【提示】正在升级手机端...", 0},
                                           {"安装成功", 2},
                                           {"连接设备中...", 0},
                                           {"连接成功:)", 2}}));
  EXPECT_EQ(queryAgentVersion(), 20);
}

TEST_F(AgainstVphone, ForwardRefusedIsAProtocolFailure) {
  startPhone({"--device", "S1", "--set", "forward refuse 1"});
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】连接协议失败", 1}}));
}

TEST_F(AgainstVphone, AnUnreachableServerPortIsAPortFailure) {
  startPhone({"--device", "S1"});
  setAdbServerPort(test::unusedPort());  // the tool still reaches the phone; our socket does not
  EXPECT_EQ(attempt(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】连接端口失败", 1}}));
}

TEST_F(AgainstVphone, WithoutAToolBesideTheProgramTheSearchPathFindsIt) {
  startPhone({"--device", "S1"});
  ASSERT_EQ(adbPath(), "adb");
  ConnectionOptions defaults = phoneOptions();
  defaults.adbPath.clear();
  DeviceConnection connection(listener, defaults);
  EXPECT_EQ(connection.scanDevices(), kScanOk);
  EXPECT_EQ(currentSerial(), "S1");
}

TEST_F(AgainstVphone, AMissingPackageFileIsNamedAndTheAttemptRunsOnceMore) {
  startPhone({"--device", "S1", "--set", "agent installed 0"});
  std::filesystem::remove(apkPath());
  const std::vector<Event> once = {{"连接设备中...", 0}, {"【提示】正在安装手机端...", 0}, {kAgentPackageMissingText, 1}};
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(attempt(), twice);
}

TEST_F(AgainstVphone, NoToolAtAllAsksForAReinstall) {
  startPhone({"--device", "S1"});
  ConnectionOptions missing = phoneOptions();
  missing.adbPath = "/nonexistent/adb";
  DeviceConnection connection(listener, missing);
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【组件丢失，请重新安装", 1}}));
}

}  // namespace
}  // namespace zorvik
