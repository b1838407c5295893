// The connection with Debian's adb client doing the listing, the package check, the getprop reads
// and the install, against a small ADB server of the test's own (FakeAdbServer).
#include "ConnectionTestSupport.h"
#include "FakeAdbServer.h"

#include "devlink/ByteOrder.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::Event;
using test::FakeAdbServer;
using test::LoopbackServer;

class RealAdb : public test::ConnectionFixture {
 protected:
  void SetUp() override {
    ConnectionFixture::SetUp();
    setAdbServerPort(server.port());
    test::setEnvironment("ANDROID_ADB_SERVER_PORT", std::to_string(server.port()));
    listener.adb = "adb";
  }
  // The server's tables are filled first; it answers from them once started.
  void serve() { server.start(); }
  void TearDown() override {
    test::setEnvironment("ANDROID_ADB_SERVER_PORT", "5037");
    ConnectionFixture::TearDown();
  }
  ConnectionOptions realOptions() const {
    ConnectionOptions o = options();
    o.adbPath = "adb";
    return o;
  }
  void agentAt(LoopbackServer& agent) { setAgentPort(agent.port()); }
  static test::ScriptedReply version(int32_t value) {
    test::ScriptedReply step{.requestSize = 4, .reply = std::vector<unsigned char>(4)};
    putInt32(value, step.reply.data());
    return step;
  }
  bool saw(const std::string& service) {
    const auto all = server.services();
    return std::find(all.begin(), all.end(), service) != all.end();
  }

  FakeAdbServer server;
};

TEST_F(RealAdb, OneDeviceConnectsThroughTheRealClient) {
  server.devicesListing = "0123456789ABCDEF\tdevice\n";
  server.shellOutput["0123456789ABCDEF|pm list package"] = "package:com.android.phone\r\npackage:com.zorvik.Zorvik\r\n";
  LoopbackServer agent({version(20)});
  agentAt(agent);
  serve();
  DeviceConnection connection(listener, realOptions());
  const auto start = std::chrono::steady_clock::now();
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"连接成功:)", 2}}));
  EXPECT_TRUE(listener.captions().empty());
  EXPECT_TRUE(saw("host:devices"));
  EXPECT_TRUE(saw("shell:pm list package"));
  EXPECT_TRUE(saw("host-serial:0123456789ABCDEF:forward:tcp:" + std::to_string(agent.port()) + ";tcp:50505"));
  for (int i = 0; i < 100 && !saw("shell:am start -n com.zorvik.Zorvik/.Zorvik"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(saw("shell:am start -n com.zorvik.Zorvik/.Zorvik"));
  RecordProperty("attempt_ms_without_fixed_waits", static_cast<int>(took.count() - realOptions().agentStartWaitMs));
}

TEST_F(RealAdb, WithoutAToolBesideTheProgramTheSearchPathFindsIt) {
  server.devicesListing = "S1\tdevice\n";
  ASSERT_EQ(adbPath(), "adb");
  ConnectionOptions defaults = realOptions();
  defaults.adbPath.clear();
  serve();
  DeviceConnection connection(listener, defaults);
  EXPECT_EQ(connection.scanDevices(), kScanOk);
  EXPECT_EQ(currentSerial(), "S1");
}

TEST_F(RealAdb, AnOfflineDeviceIsNotCounted) {
  server.devicesListing = "S1\toffline\n";
  serve();
  DeviceConnection connection(listener, realOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  EXPECT_EQ(listener.statuses().back(), (Event{"【错误】没有找到Android设备", 1}));
}

TEST_F(RealAdb, TwoDevicesWithNoneChosen) {
  server.devicesListing = "S1\tdevice\nS2\tdevice\nS3\toffline\n";
  serve();
  DeviceConnection connection(listener, realOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  EXPECT_EQ(listener.captions(), std::vector<std::string>{"连接管理器 - Zorvik"});
  EXPECT_EQ(listener.statuses().back(), (Event{"【错误】没有选择任何设备", 1}));
}

TEST_F(RealAdb, TheChooserReadsEachDeviceWithGetpropAndConnectsTheChosenOne) {
  server.devicesListing = "S1\tdevice\nS2\tdevice\n";
  server.shellOutput["S1|getprop"] = "[ro.build.version.sdk]: [8]\r\n[ro.product.manufacturer]: [samsung]\r\n[ro.product.model]: [GT-I9000]\r\n";
  server.shellOutput["S2|getprop"] = "[ro.build.version.sdk]: [14]\r\n[ro.product.manufacturer]: [meizu]\r\n[ro.product.model]: [meizu_mx]\r\n";
  server.shellOutput["S1|pm list package"] = "package:com.zorvik.Zorvik\r\n";
  LoopbackServer agent({version(21)});
  agentAt(agent);
  test::ChooserScript script;
  script.rowToConnect = 0;
  listener.chooser = &script;
  serve();
  DeviceConnection connection(listener, realOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  ASSERT_EQ(script.rows.size(), 2u);
  EXPECT_EQ(script.rows[0].hardwareText, "samsung [ GT-I9000 ]");
  EXPECT_EQ(script.rows[0].systemText, "API Level 8");
  EXPECT_EQ(script.rows[0].info.brandImage, 21011);
  EXPECT_EQ(script.rows[1].hardwareText, "魅族 [ mx ]");
  EXPECT_EQ(script.rows[1].info.versionName, "Android 4.0");
  EXPECT_EQ(script.statusLines, std::vector<std::string>{"连接协议成功"});
  EXPECT_EQ(listener.statuses().back(), (Event{"连接成功:)", 2}));
  EXPECT_EQ(currentSerial(), "S1");
}

TEST_F(RealAdb, AMissingPackageFileFailsTheInstallAndTheAttemptRunsOnceMore) {
  server.devicesListing = "S1\tdevice\n";
  server.shellOutput["S1|pm list package"] = "package:com.android.phone\r\n";
  serve();
  DeviceConnection connection(listener, realOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  const std::vector<Event> once = {{"连接设备中...", 0}, {"【提示】正在安装手机端...", 0}, {"【错误】安装失败，请到官网重下", 1}};
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(listener.statuses(), twice);
}

TEST_F(RealAdb, ForwardRefusedByTheServer) {
  server.devicesListing = "S1\tdevice\n";
  server.shellOutput["S1|pm list package"] = "package:com.zorvik.Zorvik\r\n";
  server.forwardAnswer = "FAIL0015cannot bind listener";
  serve();
  DeviceConnection connection(listener, realOptions());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(20000));
  EXPECT_EQ(listener.statuses().back(), (Event{"【错误】连接协议失败", 1}));
}

}  // namespace
}  // namespace zorvik
