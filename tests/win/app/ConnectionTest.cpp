// The connection wired into the main window, with a scripted adb that reports two phones: the
// scan opens "连接管理器 - Zorvik", the chooser lists both with their brand pictures, and closing
// it without a choice ends the attempt with the message of the device link.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "UiTestSupport.h"
#include "app/ConnectionLink.h"
#include "app/MainWindow.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "support/LoopbackServer.h"
#include "resource.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

std::string fakeAdb() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1) + "fakeadb.exe";
}

struct ChooserSeen {
  std::atomic<bool> found{false};
  int rows = 0;
  std::string cells[2][4];
  std::string columns[4];
  int widths[4] = {};
  std::string method;
  bool topmost = false;
};

// Waits for the chooser with this caption, reads it once both rows are in, keeps a screenshot,
// and cancels it.
std::thread watchChooser(const char* caption, ChooserSeen& seen, const std::string& shot) {
  return std::thread([caption, &seen, shot] {
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
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
  });
}

void expectTwoPhones(const ChooserSeen& seen) {
  ASSERT_EQ(seen.rows, 2);  // the offline phone is not listed
  EXPECT_EQ(seen.cells[0][1], "HTC [ Desire HD ]");
  EXPECT_EQ(seen.cells[0][2], "API Level 10");
  EXPECT_EQ(seen.cells[0][3], "USB 数据线");
  EXPECT_EQ(seen.cells[1][1], "摩托罗拉 [ XT910 ]");
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
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ChooserSeen seen;
  auto watcher = watchChooser("连接管理器 - Zorvik", seen, artifactPath("device-chooser.png"));
  ASSERT_TRUE(window.createModeless(nullptr));
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
  const std::string service = forward + std::to_string(agent.port()) + ";tcp:50505";
  LoopbackServer adbServer({{.requestSize = 4 + service.size(), .reply = {'O', 'K', 'A', 'Y'}}});
  setAdbServerPort(adbServer.port());
  setAgentPort(agent.port());
  ConnectionOptions options;
  options.adbPath = fakeAdb();
  options.agentStartWaitMs = 200;
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
