// The connection attempt from start to end, with the helper program in place of the tool, a
// scripted ADB server for the forward and a scripted agent for command 870003: every message with
// its state, the chooser, install and upgrade with their single retry, and the failure kinds.
#include "ConnectionTestSupport.h"

#include "devlink/ByteOrder.h"
#include "devlink/CurrentDevice.h"
#include "devlink/DeviceChooser.h"

#include <memory>

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::ConnectionFixture;
using test::Event;
using test::LoopbackServer;
using test::ScriptedReply;
using test::helperTool;
using test::unusedPort;

std::vector<unsigned char> version(int32_t value) {
  std::vector<unsigned char> word(4);
  putInt32(value, word.data());
  return word;
}

class ConnectionFlow : public ConnectionFixture {
 protected:
  // A forward step of the scripted ADB server for this serial and the test's agent port.
  ScriptedReply forward(const std::string& serial, const std::string& answer = "OKAY") {
    return {.requestSize = adbHostRequest(forwardService(serial)).size(), .reply = {answer.begin(), answer.end()}};
  }
  static ScriptedReply agentAnswers(int32_t value) { return {.requestSize = 4, .reply = version(value)}; }
};

TEST_F(ConnectionFlow, OneDeviceWithAgent20ConnectsWithoutTheChooser) {
  writeFile("devices.txt", "List of devices attached\n0123456789ABCDEF\tdevice\n\n");
  writeFile("packages.txt", "package:com.android.phone\npackage:com.zorvik.Zorvik\n");
  LoopbackServer adb({forward("0123456789ABCDEF")});
  LoopbackServer agent({agentAnswers(20)});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"连接成功:)", 2}}));
  EXPECT_EQ(listener.timers(), (std::vector<std::pair<int, unsigned>>{{1, 50}}));
  EXPECT_EQ(listener.sounds(), std::vector<int>{656});
  EXPECT_TRUE(listener.captions().empty());
  EXPECT_EQ(currentSerial(), "0123456789ABCDEF");
  adb.wait();
  agent.wait();
  EXPECT_EQ(agent.requests()[0].bytes, version(870003));
  // Connected: the level asked, for the special access it needs (the helper's phone has none).
  ASSERT_TRUE(waitForLogLines(4));
  EXPECT_EQ(logLines(), (std::vector<std::string>{"devices", "-s 0123456789ABCDEF shell pm list package",
                                                  "-s 0123456789ABCDEF shell am start -n com.zorvik.Zorvik/.Zorvik",
                                                  "-s 0123456789ABCDEF shell getprop ro.build.version.sdk"}));
}

TEST_F(ConnectionFlow, TheAgentLineSplitAcrossTwoOutputPiecesIsStillFound) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  // 250 bytes of other packages put the agent's line across the 255-byte piece boundary.
  std::string packages;
  while (packages.size() < 250) packages += "package:com.example.a\n";
  packages.resize(250, 'x');
  writeFile("packages.txt", packages + "\npackage:com.zorvik.Zorvik\npackage:com.android.phone\n");
  LoopbackServer adb({forward("S1")});
  LoopbackServer agent({agentAnswers(20)});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses().back(), (Event{"连接成功:)", 2}));
  EXPECT_EQ(countLog("-s S1 install -r " + apkPath()), 0);
}

TEST_F(ConnectionFlow, TheFixedWaitsAre3000Ms) {
  const ConnectionOptions defaults;
  EXPECT_EQ(defaults.arrivalDelayMs, 3000u);
  EXPECT_EQ(defaults.agentStartWaitMs, 3000u);
}

TEST_F(ConnectionFlow, AnOfflineDeviceIsNotCountedButNamed) {
  writeFile("devices.txt", "List of devices attached\nAAAA\toffline\n\n");
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【提示】设备离线，请重新插拔数据线", 0}}));
  EXPECT_EQ(logLines(), std::vector<std::string>{"devices"});
}

TEST_F(ConnectionFlow, TwoDevicesOpenTheChooserAndNoneChosenIsAnError) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\nS2\tdevice\n\n");
  setCurrentSerial("OLD");
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.captions(), std::vector<std::string>{"连接管理器 - Zorvik"});
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】没有选择任何设备", 1}}));
  EXPECT_EQ(currentSerial(), "");
}

TEST_F(ConnectionFlow, TwoDevicesAndTheChosenOneIsConnected) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\nS2\tdevice\n\n");
  writeFile("getprop-S1.txt", "[ro.build.version.sdk]: [10]\n[ro.product.manufacturer]: [HTC]\n[ro.product.model]: [Desire HD]\n");
  writeFile("getprop-S2.txt", "[ro.product.model]: [meizu_M9]\n[ro.product.manufacturer]: [motorola]\n[ro.build.version.sdk]: [15]\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  LoopbackServer adb({forward("S2"), forward("S2")});
  LoopbackServer agent({agentAnswers(25)});
  useServers(adb, agent);
  test::ChooserScript script;
  script.rowToConnect = 1;
  listener.chooser = &script;
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(15000));
  EXPECT_EQ(script.statusLines, std::vector<std::string>{"连接协议成功"});
  EXPECT_TRUE(script.closed);
  ASSERT_EQ(script.rows.size(), 2u);
  EXPECT_EQ(script.rows[0].info.serial, "S1");
  EXPECT_EQ(script.rows[0].hardwareText, "HTC [ Desire HD ] S1");
  EXPECT_EQ(script.rows[0].systemText, "API Level 10");
  EXPECT_EQ(script.rows[0].info.versionName, "Android 2.3.X");
  EXPECT_EQ(script.rows[0].info.brandImage, 21015);
  EXPECT_EQ(script.rows[0].info.connectionKind, 0);
  EXPECT_EQ(script.rows[1].hardwareText, "摩托罗拉 [ M9 ] S2");
  EXPECT_EQ(script.rows[1].info.versionName, "Android 4.0.3");
  EXPECT_EQ(script.rows[1].info.brandImage, 21008);
  EXPECT_EQ(script.labels.front(), "获取设备信息中,请稍等...");
  EXPECT_EQ(script.firstRowSelections, 1);
  EXPECT_EQ(listener.statuses().back(), (Event{"连接成功:)", 2}));
  EXPECT_EQ(currentSerial(), "S2");
}

TEST_F(ConnectionFlow, AgentMissingIsInstalledOnceAndTheAttemptRunsOnceMore) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.android.phone\n");
  writeFile("install.txt", "\t1220 KB/s (34567 bytes in 0.027s)\n\tpkg: /data/local/tmp/com.zorvik.Zorvik.apk\nSuccess\n");
  LoopbackServer adb({forward("S1")});
  LoopbackServer agent({agentAnswers(20)});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(15000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0},
                                                     {"【提示】正在安装手机端...", 0},
                                                     {"安装成功", 2},
                                                     {"连接设备中...", 0},
                                                     {"连接成功:)", 2}}));
  EXPECT_EQ(countLog("-s S1 install -r " + apkPath()), 1);
}

TEST_F(ConnectionFlow, ACertificateFailureGivesItsMessageAndExactlyOneMoreAttempt) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "");
  writeFile("install.txt", "\tpkg: /data/local/tmp/com.zorvik.Zorvik.apk\nFailure [INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES]\n");
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(15000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::vector<Event> once = {{"连接设备中...", 0},
                                   {"【提示】正在安装手机端...", 0},
                                   {"【错误】签名错误，先卸载老版本", 1}};
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(listener.statuses(), twice);
  EXPECT_EQ(countLog("devices"), 2);
  EXPECT_EQ(countLog("-s S1 install -r " + apkPath()), 2);
}

TEST_F(ConnectionFlow, OtherInstallFailuresHaveTheirMessages) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("install.txt", "Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]\n");
  {
    DeviceConnection connection(listener, options());
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(15000));
  }
  writeFile("install.txt", "Failure [INSTALL_FAILED_INVALID_APK]\n");
  {
    DeviceConnection connection(listener, options());
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(15000));
  }
  const auto statuses = listener.statuses();
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Event{"【错误】安装失败，手机空间不足", 1}), 2);
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Event{"【错误】安装失败，请到官网重下", 1}), 2);
}

TEST_F(ConnectionFlow, Version19IsUpgradedAndThenConnects) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  writeFile("install.txt", "Success\n");
  LoopbackServer adb({forward("S1"), forward("S1")});
  LoopbackServer agent({agentAnswers(19), agentAnswers(20)});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(15000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0},
                                                     {"【提示】正在升级手机端...", 0},
                                                     {"安装成功", 2},
                                                     {"连接设备中...", 0},
                                                     {"连接成功:)", 2}}));
  EXPECT_EQ(listener.sounds(), std::vector<int>{656});
}

TEST_F(ConnectionFlow, AnAgentThatDoesNotAnswerIsAFailedConnection) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  LoopbackServer adb({forward("S1")});
  LoopbackServer agent({{.requestSize = 4, .closeWithoutReply = true}});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses().back(), (Event{"【错误】连接手机端失败", 1}));
  EXPECT_TRUE(listener.sounds().empty());
}

TEST_F(ConnectionFlow, ForwardRefusedIsAProtocolFailure) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  LoopbackServer adb({forward("S1", "FAIL0015cannot bind listener")});
  LoopbackServer agent({});
  useServers(adb, agent);
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】连接协议失败", 1}}));
}

TEST_F(ConnectionFlow, NoAdbServerIsAPortFailure) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  setAdbServerPort(unusedPort());
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】连接端口失败", 1}}));
}

// The tool beside the program is a client only: with no ADB server on its port the user reads what
// to do about the server, not that no phone is attached.
TEST_F(ConnectionFlow, NoAdbServerIsNamedNotAnEmptyListing) {
  const std::vector<Event> noServer{{"连接设备中...", 0}, {kNoAdbServerText, 1}};
  // Debian's platform tools' adb when it cannot start its server (its two forms of the last line).
  for (const char* said : {"* daemon not running; starting now at tcp:5037\nADB server didn't ACK\n"
                           "* failed to start daemon\nadb: failed to check server version: cannot connect to daemon\n",
                           "* failed to start daemon\nerror: cannot connect to daemon\n"}) {
    listener.clear();
    writeFile("devices.txt", said);
    DeviceConnection connection(listener, options());
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(10000));
    EXPECT_EQ(listener.statuses(), noServer) << said;
    EXPECT_EQ(listener.balloons(), (std::vector<Event>{{std::string(kNoAdbServerText) + "|" + kBalloonTitle, 0}})) << said;
  }
#ifdef ZORVIK_ADB_TOOL
  // The suite's own client, with nothing listening on the server port.
  listener.clear();
  test::setEnvironment("ANDROID_ADB_SERVER_PORT", std::to_string(unusedPort()));
  ConnectionOptions ours = options();
  ours.adbPath = ZORVIK_ADB_TOOL;
  {
    DeviceConnection connection(listener, ours);
    connection.startConnection(false);
    ASSERT_TRUE(connection.waitIdle(10000));
  }
  test::setEnvironment("ANDROID_ADB_SERVER_PORT", "5037");
  EXPECT_EQ(listener.statuses(), noServer);
#endif
  // An empty listing is still no phone.
  listener.clear();
  writeFile("devices.txt", "List of devices attached\n\n");
  DeviceConnection connection(listener, options());
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】没有找到Android设备", 1}}));
}

TEST_F(ConnectionFlow, NoToolAtAllAsksForAReinstall) {
  ConnectionOptions missing = options();
  missing.adbPath = programFolder() + "no-such-adb";
  DeviceConnection connection(listener, missing);
  connection.startConnection(false);
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【组件丢失，请重新安装", 1}}));
}

TEST_F(ConnectionFlow, OneAttemptAtATime) {
  writeFile("devices.txt", "List of devices attached\n");
  ConnectionOptions slow = options();
  slow.arrivalDelayMs = 300;
  DeviceConnection connection(listener, slow);
  connection.startConnection(true);
  connection.startConnection(false);
  connection.startConnection(true);
  EXPECT_TRUE(connection.attemptRunning());
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}, {"【错误】没有找到Android设备", 1}}));
  EXPECT_EQ(countLog("devices"), 1);
}

TEST_F(ConnectionFlow, ArrivalAndRemovalNotices) {
  writeFile("devices.txt", "List of devices attached\n");
  DeviceConnection connection(listener, options());
  connection.onAdbRemoval();
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"【提示】检测到一个设备断开", 0}}));
  EXPECT_EQ(listener.balloons(), (std::vector<Event>{{"Android设备已经断开USB连接|卓维克", 0}}));
  EXPECT_EQ(listener.sounds(), std::vector<int>{657});
  setCurrentSerial("KEEP");
  connection.onAdbArrival();
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.balloons().back(), (Event{"检测到Android设备，正在尝试连接...|卓维克", 0}));
  EXPECT_EQ(listener.statuses().back(), (Event{"【错误】没有找到Android设备", 1}));
  EXPECT_EQ(countLog("devices"), 1);
}

TEST_F(ConnectionFlow, DestroyingTheConnectionDuringTheWaitEndsQuickly) {
  writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
  writeFile("packages.txt", "package:com.zorvik.Zorvik\n");
  LoopbackServer adb({forward("S1")});
  LoopbackServer agent({});
  useServers(adb, agent);
  ConnectionOptions waiting = options();
  waiting.agentStartWaitMs = 3000;
  const auto start = std::chrono::steady_clock::now();
  {
    DeviceConnection connection(listener, waiting);
    connection.startConnection(false);
    adb.wait();  // the forward is done: the attempt is in its 3000 ms wait
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_EQ(listener.statuses(), (std::vector<Event>{{"连接设备中...", 0}}));
}

class Chooser : public ConnectionFlow {
 protected:
  // "连接" and the wait for its worker, as the dialog's loop does.
  AdbSocketResult connectAndWait(DeviceChooser& chooser, int row) {
    if (!chooser.connect(row)) return AdbSocketResult::NoDevice;
    EXPECT_TRUE(view.waitFor([&] { return !chooser.connecting(); }, 20000));
    return chooser.lastConnectResult();
  }
  // One device, S1, whose forward the ADB server answers only after ms.
  std::unique_ptr<LoopbackServer> slowForward(unsigned ms) {
    writeFile("devices.txt", "List of devices attached\nS1\tdevice\n");
    ScriptedReply slow = forward("S1");
    slow.silentMs = ms;
    auto adb = std::make_unique<LoopbackServer>(std::vector<ScriptedReply>{slow});
    setAdbServerPort(adb->port());
    return adb;
  }
  // Opens the chooser and waits until its one row is in and the listing has ended.
  bool listed(DeviceChooser& chooser) {
    chooser.open();
    return view.waitFor([&] { return view.rows.size() == 1 && !chooser.listing(); });
  }
  void twoDevices() {
    writeFile("devices.txt", "List of devices attached\nS1\tdevice\nS2\tdevice\n");
    writeFile("getprop-S1.txt", "[ro.build.version.sdk]: [7]\n[ro.product.manufacturer]: [samsung]\n[ro.product.model]: [GT-I5700]\n");
  }
  test::ChooserScript view;
};

TEST_F(Chooser, AFailureWhileTheListIsStillReadKeepsTheDialogOpen) {
  twoDevices();
  LoopbackServer adb({forward("S1", "FAIL0004nope"), forward("S1", "FAIL0004nope")});
  setAdbServerPort(adb.port());
  DeviceChooser chooser(view, helperTool());
  chooser.open();
  // The first row is in; its timer has not been fired, so the second device is still to be read.
  ASSERT_TRUE(view.waitFor([&] { return view.rows.size() == 1 && view.timers.size() == 1; }));
  EXPECT_TRUE(chooser.listing());
  EXPECT_EQ(connectAndWait(chooser, 0), AdbSocketResult::ProtocolFailure);
  EXPECT_EQ(view.statusLines, std::vector<std::string>{"【错误】连接协议失败"});
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(currentSerial(), "S1");
  EXPECT_EQ(view.rows[0].hardwareText, "samsung [ GT-I5700 ] S1");
  EXPECT_EQ(view.rows[0].info.versionName, "Android 2.1");
  // The second device has no getprop output: it is listed all the same, with what could be read.
  chooser.onNextDeviceTimer();
  ASSERT_TRUE(view.waitFor([&] { return view.rows.size() == 2; }));
  ASSERT_TRUE(view.waitFor([&] { return !chooser.listing(); }));
  EXPECT_EQ(view.rows[1].info.serial, "S2");
  EXPECT_EQ(view.rows[1].hardwareText, " [  ] S2");
  EXPECT_EQ(view.rows[1].info.versionName, "未知版本");
  EXPECT_EQ(view.rows[1].info.brandImage, 21004);
  // Once the list is complete a failure closes the dialog.
  EXPECT_EQ(connectAndWait(chooser, 0), AdbSocketResult::ProtocolFailure);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.firstRowSelections, 1);
  // Each connect says it is connecting, then the label shows the serial in use again.
  EXPECT_EQ(view.labels, (std::vector<std::string>{"获取设备信息中,请稍等...", "", kConnectingLabel, "S1",
                                                   kConnectingLabel, "S1"}));
}

TEST_F(Chooser, NoSelectedRowDoesNothingAndAnUnreachableServerIsAPortFailure) {
  writeFile("devices.txt", "List of devices attached\nS9\tdevice\n");
  setAdbServerPort(unusedPort());
  setCurrentSerial("KEPT");
  DeviceChooser chooser(view, helperTool());
  chooser.open();
  ASSERT_TRUE(view.waitFor([&] { return view.rows.size() == 1; }));
  ASSERT_TRUE(view.waitFor([&] { return !chooser.listing(); }));
  EXPECT_FALSE(chooser.connect(-1));
  EXPECT_FALSE(chooser.connect(5));
  EXPECT_TRUE(view.statusLines.empty());
  EXPECT_EQ(view.labels.back(), kChooseRowFirstLabel) << "OK without a row says what is missing";
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(currentSerial(), "KEPT");
  EXPECT_EQ(connectAndWait(chooser, 0), AdbSocketResult::PortFailure);
  EXPECT_EQ(view.statusLines, std::vector<std::string>{"【错误】连接端口失败"});
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(currentSerial(), "S9");
}

// "连接" against a server that takes its time: the call returns at once, the label says it is
// connecting, a second OK meanwhile is ignored, and the outcome arrives when the server answers.
TEST_F(Chooser, ConnectWaitsForTheServerOnAWorker) {
  auto adb = slowForward(1500);
  DeviceChooser chooser(view, helperTool());
  ASSERT_TRUE(listed(chooser));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(chooser.connect(0));
  EXPECT_FALSE(chooser.connect(0)) << "a second OK while one runs";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(chooser.connecting());
  ASSERT_TRUE(view.waitFor([&] { return !view.labels.empty() && view.labels.back() == kConnectingLabel; }));
  EXPECT_FALSE(view.closed);
  ASSERT_TRUE(view.waitFor([&] { return !chooser.connecting(); }, 10000));
  EXPECT_EQ(chooser.lastConnectResult(), AdbSocketResult::Ok);
  EXPECT_EQ(view.statusLines, std::vector<std::string>{"连接协议成功"});
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(adb->requests().size(), 1u);
}

// The dialog closing while the server has not answered neither waits for it nor hears from it.
TEST_F(Chooser, ClosingDuringAConnectDoesNotWaitForTheServer) {
  auto adb = slowForward(2000);
  auto chooser = std::make_unique<DeviceChooser>(view, helperTool());
  ASSERT_TRUE(listed(*chooser));
  ASSERT_TRUE(chooser->connect(0));
  const auto start = std::chrono::steady_clock::now();
  chooser.reset();
  const auto closing = std::chrono::steady_clock::now() - start;
  EXPECT_LT(closing, std::chrono::milliseconds(1000));
  adb->wait();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the late answer has come and gone
  EXPECT_TRUE(view.waitFor([&] { return view.statusLines.empty(); }, 10));
}

TEST_F(Chooser, WithoutTheToolTheLabelSaysSo) {
  DeviceChooser chooser(view, programFolder() + "no-such-adb");
  chooser.open();
  ASSERT_TRUE(view.waitFor([&] { return view.labels.size() == 2; }));
  EXPECT_EQ(view.labels.back(), "【组件丢失，请重新安装");
  ASSERT_TRUE(view.waitFor([&] { return !chooser.listing(); }));
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(Chooser, WithoutAServerTheLabelSaysWhatToDo) {
  writeFile("devices.txt", "* failed to start daemon\nerror: cannot connect to daemon\n");
  DeviceChooser chooser(view, helperTool());
  chooser.open();
  ASSERT_TRUE(view.waitFor([&] { return !chooser.listing(); }));
  ASSERT_EQ(view.labels.size(), 2u);
  EXPECT_EQ(view.labels.back(), kNoAdbServerText);
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(Chooser, ClosingWhileAPropertyReadRunsStopsIt) {
  twoDevices();
  {
    DeviceChooser chooser(view, helperTool());
    chooser.open();
    chooser.open();  // a second open while listing is ignored
    ASSERT_TRUE(view.waitFor([&] { return view.rows.size() == 1; }));
  }
  EXPECT_EQ(countLog("devices"), 1);
  EXPECT_EQ(view.rows.size(), 1u);
}

}  // namespace
}  // namespace zorvik
