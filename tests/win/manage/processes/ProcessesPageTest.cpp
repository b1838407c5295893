// The process page against the virtual phone's agent, under Wine: the rows and columns the user
// sees read back from the list view, the free memory, ending ticked processes, and the phone
// refusing, cutting its reply, going silent or away. tests/win/with_vphone.sh starts the phone and
// forwards ZORVIK_AGENT_PORT to it.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "manage/processes/ProcessWire.h"
#include "manage/processes/win/ProcessesPage.h"

namespace zorvik {
namespace {

using namespace test;

// What the agent says runs now, read apart from the page.
std::vector<ProcessRecord> phoneProcesses() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListProcesses), body) != AgentResult::Ok) return {};
  return parseProcessList(body.bytes.data(), body.bytes.size()).records;
}

// A loopback port nobody listens on.
uint16_t unusedPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}

// Back to a sound phone: no reply faults, the agent running.
void soundPhone() {
  phoneControl("reset");
  phoneControl("agent running 1");
}

class ProcessesPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT") || !std::getenv("ZORVIK_TEST_CONTROL_PORT"))
      GTEST_SKIP() << "run through with_vphone.sh";
    soundPhone();
    ASSERT_TRUE(ui_.open(kPageProcesses, "Processes test", 1000, 640));
  }
  void TearDown() override {
    ui_.close(10000);
    soundPhone();
  }
  void loadAndWait() { ASSERT_TRUE(ui_.reloadAndWait()); }
  int rowOf(const std::string& processName) {
    for (int r = 0; r < ui_.page->list().count(); ++r)
      if (ui_.page->list().row(r).secondLine == processName) return r;
    return -1;
  }
  void clickCell(int row, int column) {
    clickListCell(ui_.page->hwnd(), ui_.page->list().hwnd(), IDC_PROCESS_LIST, row, column);
  }

  PageUnderTest<ProcessesPage> ui_;
};

TEST_F(ProcessesPageTest, RowsColumnsAndFreeMemoryAreThePhones) {
  loadAndWait();
  std::vector<ProcessRecord> phone = phoneProcesses();
  ASSERT_GE(phone.size(), 3u);
  ListView& view = ui_.page->list().view();
  ASSERT_EQ(view.columnCount(), 8);
  const char* titles[] = {"图标", "应用名称", "系统自带", "CPU 使用率", "内存占用", "PID", "其他", "选择"};
  const int widths[] = {70, 250, 80, 80, 90, 60, 60, 44};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  bool system = false, user = false;
  for (int r = 0; r < view.count(); ++r) {
    const ProcessRecord& want = phone[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 1), want.label) << r;
    EXPECT_EQ(ui_.page->list().row(r).secondLine, want.processName) << r;
    EXPECT_EQ(view.cell(r, 3), std::to_string(want.cpuPercent) + " %") << r;
    EXPECT_EQ(view.cell(r, 4), byteSizeText(static_cast<uint64_t>(want.memoryBytes))) << r;
    EXPECT_EQ(view.cell(r, 5), std::to_string(want.pid)) << r;
    EXPECT_EQ(view.cell(r, 6), "详细") << r;
    EXPECT_FALSE(ui_.page->list().row(r).checked) << r;
    EXPECT_EQ(ui_.page->records()[static_cast<size_t>(r)].systemFlag, want.systemFlag);
    (want.systemFlag ? system : user) = true;
  }
  EXPECT_TRUE(system && user);  // both kinds of mark are on screen
  int32_t word = 0;
  ASSERT_EQ(exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &word), AgentResult::Ok);
  EXPECT_EQ(ui_.page->freeMemoryText(), byteSizeText(static_cast<uint32_t>(word)));
  EXPECT_EQ(windowText(ui_.page->item(IDC_PROCESS_FREE_LABEL)), "剩余运行内存 (RAM) ");
  EXPECT_EQ(windowText(ui_.page->item(IDC_PROCESS_STATS)), "Zorvik 手机任务管理器统计信息");
  EXPECT_EQ(ui_.host->status(), "");
  EXPECT_TRUE(PageDataTable::instance().contains(ui_.info->pageKey));
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("processes-page.png")));
}

TEST_F(ProcessesPageTest, EndingTickedProcessesRemovesThemAfterTheReload) {
  loadAndWait();
  const int before = ui_.page->list().count();
  ASSERT_GE(before, 3);
  const std::string first = ui_.page->list().row(0).secondLine, third = ui_.page->list().row(2).secondLine;
  const std::string kept = ui_.page->list().row(1).secondLine;
  clickCell(0, 7);
  clickCell(2, 7);
  clickCell(1, 7);
  clickCell(1, 7);  // ticked and unticked again: stays
  clickCell(1, 6);  // "详细" does nothing
  ASSERT_EQ(ui_.page->list().checkedRows(), (std::vector<int>{0, 2}));
  ui_.page->onToolbar(toolbar::kEndProcesses);
  EXPECT_TRUE(ui_.page->busy());
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->busy(); }, 20000));
  EXPECT_EQ(ui_.page->list().count(), before - 2);
  EXPECT_EQ(rowOf(first), -1);
  EXPECT_EQ(rowOf(third), -1);
  EXPECT_GE(rowOf(kept), 0);
  EXPECT_EQ(static_cast<int>(phoneProcesses().size()), before - 2);
}

TEST_F(ProcessesPageTest, EndingWithNothingTickedAsksNoConfirmationAndReloads) {
  loadAndWait();
  const int before = ui_.page->list().count();
  ui_.page->endChecked();
  EXPECT_TRUE(ui_.page->ending());
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->busy(); }, 20000));
  EXPECT_EQ(ui_.page->list().count(), before);
  EXPECT_EQ(ui_.host->status(), "");
}

TEST_F(ProcessesPageTest, RefusedCutOrUnreachableListLeavesItEmptyAndSaysWhy) {
  loadAndWait();
  ASSERT_GT(ui_.page->list().count(), 0);
  struct Case {
    const char* fault;
    const char* status;
  } cases[] = {
      {"reply noreply 871801", ""},
      {"reply truncate 871801 40", "【X】连接中断：手机端的回复不完整"},
      {"reply close-mid 871801", "【X】连接中断：手机端的回复不完整"},
      {"agent running 0", "【X】连接中断：手机端的回复不完整"},  // the forward takes the call, nobody answers
  };
  for (const Case& c : cases) {
    ASSERT_EQ(phoneControl(c.fault).rfind("OK", 0), 0u) << c.fault;
    loadAndWait();
    EXPECT_EQ(ui_.page->list().count(), 0) << c.fault;
    EXPECT_TRUE(ui_.page->records().empty()) << c.fault;
    EXPECT_EQ(ui_.host->status(), c.status) << c.fault;
    // A failure lets the next visit try again; a refusal is a finished load.
    EXPECT_EQ(PageDataTable::instance().contains(ui_.info->pageKey), *c.status == '\0') << c.fault;
    soundPhone();
  }
  // The forward itself gone (adb server away): nothing accepts the connection.
  const uint16_t port = agentPort();
  setAgentPort(unusedPort());
  loadAndWait();
  setAgentPort(port);
  EXPECT_EQ(ui_.page->list().count(), 0);
  EXPECT_EQ(ui_.host->status(), "【X】连接错误");
  loadAndWait();
  EXPECT_GT(ui_.page->list().count(), 0);
  EXPECT_EQ(ui_.host->status(), "");
}

TEST_F(ProcessesPageTest, SilentPhoneEndsAtTheDeadlineAndRefreshWorksAgain) {
  const AgentDeadlines saved = agentDeadlines();
  setAgentDeadlines({2000, 1000});
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  PageDataTable::instance().forget(ui_.info->pageKey);
  ui_.page->reload();
  EXPECT_TRUE(ui_.page->busy());
  EXPECT_EQ(ui_.host->status(), "正在读取...");
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->busy(); }, 8000));
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 5000.0);  // two exchanges, each ended a second after its last byte
  EXPECT_EQ(ui_.host->status(), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(ui_.page->list().count(), 0);
  setAgentDeadlines(saved);
  soundPhone();
  loadAndWait();
  EXPECT_GT(ui_.page->list().count(), 0);
}

}  // namespace
}  // namespace zorvik
