// The connection wired into the main window, with a scripted adb that reports two phones: the
// scan opens "连接管理器 - Zorvik", the chooser lists both with their brand pictures, and closing
// it without a choice ends the attempt with the message of the device link.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "app/ConnectionLink.h"
#include "app/MainWindow.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "devlink/DeviceChooser.h"
#include "devlink/TcpSocket.h"
#include "support/LoopbackServer.h"
#include "app/resource.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

std::string besideTest(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1) + name;
}
std::string fakeAdb() { return besideTest("fakeadb.exe"); }

std::string connectionLabel(HWND window) {
  char label[512] = {};
  GetDlgItemTextA(window, IDC_CONNECTION_LABEL, label, sizeof label);
  return label;
}

struct ChooserSeen {
  std::atomic<bool> found{false};
  int rows = 0;
  std::string cells[2][4];
  std::string columns[4];
  int widths[4] = {};
  std::string method;
  bool topmost = false;
  std::string noRowLabel;  // the label after "连接" with no row selected
  bool stayedOpen = false;
};

// Waits for the chooser with this caption, reads it once both rows are in, keeps a screenshot,
// and cancels it.
std::thread watchChooser(const char* caption, ChooserSeen& seen, const std::string& shot, int press = IDCANCEL) {
  return std::thread([caption, &seen, shot, press] {
    HWND dlg = nullptr;
    for (int i = 0; i < 1500 && !(dlg && IsWindowVisible(dlg)); ++i) {
      dlg = FindWindowA(nullptr, caption);
      Sleep(10);
    }
    if (!dlg) return;
    seen.found = true;
    HWND list = GetDlgItem(dlg, IDC_DEVICE_LIST);
    for (int i = 0; i < 1000 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) < 2; ++i) Sleep(10);
    Sleep(300);
    seen.rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < 2 && r < seen.rows; ++r)
      for (int c = 0; c < 4; ++c) {
        char buf[128] = {};
        LVITEMA item{};
        item.iSubItem = c;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(list, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
        seen.cells[r][c] = buf;
      }
    for (int c = 0; c < 4; ++c) {
      char buf[64] = {};
      LVCOLUMNA col{};
      col.mask = LVCF_TEXT;
      col.pszText = buf;
      col.cchTextMax = sizeof buf;
      SendMessageA(list, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
      seen.columns[c] = buf;
      seen.widths[c] = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0));
    }
    char method[64] = {};
    GetDlgItemTextA(dlg, IDC_CONNECTION_METHOD, method, sizeof method);
    seen.method = method;
    seen.topmost = (GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    saveWindowPng(dlg, shot);
    PostMessageA(dlg, WM_COMMAND, press, 0);
  });
}

void expectTwoPhones(const ChooserSeen& seen) {
  ASSERT_EQ(seen.rows, 2);  // the offline phone is not listed
  EXPECT_EQ(seen.cells[0][1], "HTC [ Desire HD ] HT4A1JT00042");
  EXPECT_EQ(seen.cells[0][2], "API Level 10");
  EXPECT_EQ(seen.cells[0][3], "USB 数据线");
  EXPECT_EQ(seen.cells[1][1], "摩托罗拉 [ XT910 ] emulator-5556");
  EXPECT_EQ(seen.cells[1][2], "API Level 15");
  const char* titles[] = {"品牌信息", "硬件信息", "系统版本", "连接方式"};
  const int widths[] = {104, 200, 140, 140};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(seen.columns[c], titles[c]);
    EXPECT_EQ(seen.widths[c], widths[c]);
  }
  EXPECT_EQ(seen.method, "USB (数据线)");
  EXPECT_TRUE(seen.topmost);
}

}  // namespace

TEST(Connection, TwoPhonesOpenTheConnectorAndNoChoiceEndsTheAttempt) {
  setCurrentSerial("");
  ConnectionOptions options;
  options.adbPath = fakeAdb();
  options.trackDevices = false;
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ChooserSeen seen;
  // The chooser request is sent to the window and runs only once this thread pumps, so the
  // watcher may start after the window.
  ASSERT_TRUE(window.createModeless(nullptr));
  auto watcher = watchChooser("连接管理器 - Zorvik", seen, artifactPath("device-chooser.png"));
  ShowWindow(window.hwnd(), SW_SHOW);
  char label[128] = {};
  bool ended = pumpUntil([&] {
    GetDlgItemTextA(window.hwnd(), IDC_CONNECTION_LABEL, label, sizeof label);
    return std::string(label) == "【错误】没有选择任何设备";
  }, 30000);
  watcher.join();
  EXPECT_TRUE(seen.found);
  expectTwoPhones(seen);
  EXPECT_TRUE(ended) << label;
  EXPECT_EQ(window.connectionState(), 1);
  EXPECT_EQ(currentSerial(), "");
  DestroyWindow(window.hwnd());
  link.shutdown();
  pump(50);
}

TEST(Connection, DeviceManagerCommandOpensTheChooserWithItsCaption) {
  ConnectionOptions options;
  options.adbPath = fakeAdb();
  ConnectionLink link(options);
  ChooserSeen seen;
  auto watcher = watchChooser("设备管理器 - Zorvik", seen, artifactPath("device-manager.png"));
  link.runChooser(nullptr, "设备管理器 - Zorvik");  // modal; the watcher cancels it
  watcher.join();
  EXPECT_TRUE(seen.found);
  expectTwoPhones(seen);
}

TEST(Connection, OnePhoneWithItsAgentTurnsTheLabelGreen) {
  setCurrentSerial("");
  SetEnvironmentVariableA("FAKEADB_ONE_DEVICE", "1");
  // The ADB server accepts the forward; the agent answers the version query with 20.
  const std::string forward = "host-serial:HT4A1JT00042:forward:tcp:";
  LoopbackServer agent({{.requestSize = 4, .reply = {0, 0, 0, 20}}});
  const std::string service = forward + std::to_string(agent.port()) + ";localabstract:zorvik_agent";
  LoopbackServer adbServer({{.requestSize = 4 + service.size(), .reply = {'O', 'K', 'A', 'Y'}}});
  setAdbServerPort(adbServer.port());
  setAgentPort(agent.port());
  ConnectionOptions options;
  options.adbPath = fakeAdb();
  options.agentStartWaitMs = 200;
  options.trackDevices = false;  // the scripted server answers the forward only
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ASSERT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  char label[128] = {};
  bool connected = pumpUntil([&] {
    GetDlgItemTextA(window.hwnd(), IDC_CONNECTION_LABEL, label, sizeof label);
    return std::string(label) == "连接成功:)";
  }, 30000);
  EXPECT_TRUE(connected) << label;
  EXPECT_EQ(window.connectionState(), 2);
  EXPECT_EQ(currentSerial(), "HT4A1JT00042");
  adbServer.wait();
  ASSERT_EQ(adbServer.requests().size(), 1u);
  const std::vector<unsigned char> bytes = adbServer.requests()[0].bytes;
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.end()), service);
  pump(300);  // the dashboard timer's tick
  window.setStatusText("连接协议成功");
  pump(100);
  saveWindowPng(window.hwnd(), artifactPath("mainwindow-connected.png"));
  DestroyWindow(window.hwnd());
  link.shutdown();
  SetEnvironmentVariableA("FAKEADB_ONE_DEVICE", nullptr);
  setAdbServerPort(5037);
  setAgentPort(kAgentPort);
  pump(50);
}

// A tool that never ends: its deadline ends it with the time-out in the label, and closing the
// window while it runs ends it too, without waiting for it.
TEST(Connection, AHungAdbTimesOutInTheLabelAndNeverHoldsTheClose) {
  setCurrentSerial("");
  ASSERT_EQ(runningCount("hangadb.exe"), 0);
  ConnectionOptions options;
  options.adbPath = besideTest("hangadb.exe");
  options.listingDeadlineMs = 2000;
  options.trackDevices = false;
  {
    ConnectionLink link(options);
    MainWindow window(link.windowOptions(false));
    link.attach(window);
    ASSERT_TRUE(window.createModeless(nullptr));
    ShowWindow(window.hwnd(), SW_SHOW);
    EXPECT_TRUE(pumpUntil([&] { return connectionLabel(window.hwnd()) == "【错误】列出设备超时"; }, 15000))
        << connectionLabel(window.hwnd());
    EXPECT_EQ(window.connectionState(), 1);
    EXPECT_TRUE(pumpUntil([] { return runningCount("hangadb.exe") == 0; }, 3000));
    saveWindowPng(window.hwnd(), artifactPath("mainwindow-adb-timeout.png"));
    DestroyWindow(window.hwnd());
    link.shutdown();
  }
  options.listingDeadlineMs = kAdbListingDeadlineMs;
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ASSERT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  ASSERT_TRUE(pumpUntil([] { return runningCount("hangadb.exe") > 0; }, 10000));
  EXPECT_EQ(connectionLabel(window.hwnd()), "连接设备中...");
  const auto start = std::chrono::steady_clock::now();
  DestroyWindow(window.hwnd());
  link.shutdown();
  const long closeMs = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  RecordProperty("close_ms_with_hung_adb", static_cast<int>(closeMs));
  std::printf("closing with a hung adb took %ld ms\n", closeMs);
  EXPECT_LT(closeMs, 3000);
  EXPECT_TRUE(pumpUntil([] { return runningCount("hangadb.exe") == 0; }, 2000)) << "the tool outlived the window";
  pump(50);
}

// The suite's adb.exe with nothing on the server port: the label names the missing server.
TEST(Connection, NoAdbServerIsNamedInTheLabel) {
  setCurrentSerial("");
  const uint16_t port = [] {
    TcpListener probe;
    probe.listen(0);
    return probe.port();
  }();
  SetEnvironmentVariableA("ANDROID_ADB_SERVER_PORT", std::to_string(port).c_str());
  ConnectionOptions options;
  options.adbPath = besideTest("adb.exe");
  options.trackDevices = false;
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ASSERT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  EXPECT_TRUE(pumpUntil([&] { return connectionLabel(window.hwnd()) == kNoAdbServerText; }, 20000))
      << connectionLabel(window.hwnd());
  EXPECT_EQ(window.connectionState(), 1);
  saveWindowPng(window.hwnd(), artifactPath("mainwindow-no-adb-server.png"));
  DestroyWindow(window.hwnd());
  link.shutdown();
  SetEnvironmentVariableA("ANDROID_ADB_SERVER_PORT", nullptr);
  pump(50);
}

namespace {

void setDeviceDesc(const std::string& device, const char* desc) {
  std::string key = "SYSTEM\\CurrentControlSet\\Enum\\USB\\" + device + "\\INST01";
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(h, "DeviceDesc", 0, REG_SZ, reinterpret_cast<const BYTE*>(desc), static_cast<DWORD>(strlen(desc) + 1));
  RegCloseKey(h);
}

void removeDevice(const std::string& device) {
  std::string key = "SYSTEM\\CurrentControlSet\\Enum\\USB\\" + device;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (key + "\\INST01").c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

// Sends the notice Windows sends for a USB device interface.
void sendUsbNotice(HWND window, WPARAM event, const std::string& path) {
  std::vector<char> buf(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + path.size() + 1, 0);
  auto* n = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buf.data());
  n->dbcc_size = static_cast<DWORD>(buf.size());
  n->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  memcpy(n->dbcc_name, path.c_str(), path.size() + 1);
  SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(n));
}

}  // namespace

TEST(Connection, UsbNoticesOfAdbInterfacesReachTheDeviceLink) {
  setDeviceDesc("VID_18D1&PID_4E12", "Android ADB Interface");
  setDeviceDesc("VID_0781&PID_5567", "USB Mass Storage Device");
  ConnectionOptions options;
  options.adbPath = "Z:\\nonexistent\\adb.exe";  // the start-up attempt fails at once
  options.trackDevices = false;
  options.arrivalDelayMs = 100;
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ASSERT_TRUE(window.createModeless(nullptr));
  char label[128] = {};
  auto labelIs = [&](const std::string& want) {
    return pumpUntil([&] {
      GetDlgItemTextA(window.hwnd(), IDC_CONNECTION_LABEL, label, sizeof label);
      return want == label;
    }, 10000);
  };
  ASSERT_TRUE(labelIs("【组件丢失，请重新安装")) << label;
  const std::string storage = "\\\\?\\USB#VID_0781&PID_5567#4C530001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  const std::string phone = "\\\\?\\USB#VID_18D1&PID_4E12#ZX1B2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  // Not an ADB interface: ignored.
  sendUsbNotice(window.hwnd(), DBT_DEVICEREMOVECOMPLETE, storage);
  pump(200);
  EXPECT_STREQ(label, "【组件丢失，请重新安装");
  // The phone goes: notice, balloon.
  sendUsbNotice(window.hwnd(), DBT_DEVICEREMOVECOMPLETE, phone);
  EXPECT_TRUE(labelIs("【提示】检测到一个设备断开")) << label;
  EXPECT_EQ(window.connectionState(), 0);
  EXPECT_EQ(window.tray().lastBalloon(), "卓维克|Android设备已经断开USB连接");
  // It comes back: balloon, then a delayed attempt.
  sendUsbNotice(window.hwnd(), DBT_DEVICEARRIVAL, phone);
  EXPECT_TRUE(pumpUntil([&] { return window.tray().lastBalloon() == "卓维克|检测到Android设备，正在尝试连接..."; }));
  EXPECT_TRUE(labelIs("【组件丢失，请重新安装")) << label;
  DestroyWindow(window.hwnd());
  link.shutdown();
  removeDevice("VID_18D1&PID_4E12");
  removeDevice("VID_0781&PID_5567");
  pump(50);
}

TEST(Connection, ConnectInTheChooserSetsTheSerialAndForwardsThePort) {
  setCurrentSerial("");
  const std::string service = "host-serial:emulator-5556:forward:tcp:" + std::to_string(agentPort()) + ";localabstract:zorvik_agent";
  LoopbackServer adbServer({{.requestSize = 4 + service.size(), .reply = {'O', 'K', 'A', 'Y'}}});
  setAdbServerPort(adbServer.port());
  ConnectionOptions options;
  options.adbPath = fakeAdb();
  ConnectionLink link(options);
  MainWindow window(MainWindowOptions{});
  ASSERT_TRUE(window.createModeless(nullptr));
  link.attach(window);
  ChooserSeen seen;
  // The watcher selects the second phone, then presses "连接".
  std::thread watcher([&] {
    HWND dlg = nullptr;
    for (int i = 0; i < 1500 && !(dlg && IsWindowVisible(dlg)); ++i) {
      dlg = FindWindowA(nullptr, "设备管理器 - Zorvik");
      Sleep(10);
    }
    if (!dlg) return;
    seen.found = true;
    HWND list = GetDlgItem(dlg, IDC_DEVICE_LIST);
    for (int i = 0; i < 1000 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) < 2; ++i) Sleep(10);
    Sleep(200);
    // "连接" with no row selected: the dialog stays and its label says what is missing.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    char label[128] = {};
    for (int i = 0; i < 300 && std::string(label) != kChooseRowFirstLabel; ++i) {
      Sleep(10);
      GetDlgItemTextA(dlg, IDC_DEVICE_LABEL, label, sizeof label);
    }
    seen.noRowLabel = label;
    seen.stayedOpen = IsWindowVisible(dlg) != FALSE;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  });
  link.runChooser(window.hwnd(), "设备管理器 - Zorvik");  // returns when the dialog closes
  watcher.join();
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.noRowLabel, kChooseRowFirstLabel);
  EXPECT_TRUE(seen.stayedOpen);
  EXPECT_EQ(currentSerial(), "emulator-5556");
  adbServer.wait();
  ASSERT_EQ(adbServer.requests().size(), 1u);
  const std::vector<unsigned char> bytes = adbServer.requests()[0].bytes;
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.end()), service);
  char status[128] = {};
  EXPECT_TRUE(pumpUntil([&] {
    GetDlgItemTextA(window.hwnd(), IDC_STATUS_LINE, status, sizeof status);
    return std::string(status) == "连接协议成功";
  })) << status;
  DestroyWindow(window.hwnd());
  setAdbServerPort(5037);
  pump(50);
}
