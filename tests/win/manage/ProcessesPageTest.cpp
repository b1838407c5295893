// The process page against the virtual phone's agent, under Wine: the rows and columns the user
// sees read back from the list view, the free memory, ending ticked processes, and the phone
// refusing, cutting its reply, going silent or away. processes_vphone.sh starts the phone and
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

#include "UiTestSupport.h"
#include "app/Controls.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "app/Window.h"
#include "common/ByteSize.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "manage/ProcessWire.h"
#include "manage/ProcessesPage.h"

namespace zorvik {
namespace {

using test::pumpUntil;

class TestHost : public PageHost {
public:
  explicit TestHost(HWND main) : main_(main) {}
  HWND mainHwnd() const override { return main_; }
  void setStatusText(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = text;
  }
  void showPage(int, int) override {}
  std::string status() {
    std::lock_guard<std::mutex> lock(mu_);
    return status_;
  }

private:
  HWND main_;
  std::mutex mu_;
  std::string status_;
};

// What the agent says runs now, read apart from the page.
std::vector<ProcessRecord> phoneProcesses() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListProcesses), body) != AgentResult::Ok) return {};
  return parseProcessList(body.bytes.data(), body.bytes.size()).records;
}

std::string phoneControl(const std::string& command) {
  const char* port = std::getenv("ZORVIK_TEST_CONTROL_PORT");
  if (!port) return "";
  TcpSocket s = TcpSocket::connectLoopback(static_cast<uint16_t>(std::atoi(port)));
  std::string line = command + "\n", answer;
  if (!s.sendAll(line.data(), line.size())) return "";
  char c;
  while (s.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
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
      GTEST_SKIP() << "run through processes_vphone.sh";
    soundPhone();
    ASSERT_TRUE(frame_.create({.title = "Processes test", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               .x = 0, .y = 0, .width = 1000, .height = 640}));
    host_ = std::make_unique<TestHost>(frame_.hwnd());
    info_ = findPage(kPageProcesses);
    ASSERT_NE(info_, nullptr);
    page_ = std::make_unique<ProcessesPage>(*info_, *host_);
    ASSERT_TRUE(page_->createModeless(frame_.hwnd()));
    RECT client = clientRectOf(frame_.hwnd());
    SetWindowPos(page_->hwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
  void TearDown() override {
    if (page_) pumpUntil([&] { return !page_->busy(); }, 10000);
    page_.reset();
    frame_.destroy();
    soundPhone();
  }
  void loadAndWait() {
    PageDataTable::instance().forget(info_->pageKey);
    page_->reload();
    ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 20000));
  }
  int rowOf(const std::string& processName) {
    for (int r = 0; r < page_->list().count(); ++r)
      if (page_->list().row(r).secondLine == processName) return r;
    return -1;
  }
  void clickCell(int row, int column) {
    RECT cell{};
    ListView_GetSubItemRect(page_->list().hwnd(), row, column, LVIR_BOUNDS, &cell);
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = page_->list().hwnd();
    n.hdr.idFrom = IDC_PROCESS_LIST;
    n.hdr.code = NM_CLICK;
    n.iItem = row;
    n.iSubItem = column;
    n.ptAction = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    SendMessageA(page_->hwnd(), WM_NOTIFY, IDC_PROCESS_LIST, reinterpret_cast<LPARAM>(&n));
  }

  Window frame_;
  std::unique_ptr<TestHost> host_;
  const PageInfo* info_ = nullptr;
  std::unique_ptr<ProcessesPage> page_;
};

TEST_F(ProcessesPageTest, RowsColumnsAndFreeMemoryAreThePhones) {
  loadAndWait();
  std::vector<ProcessRecord> phone = phoneProcesses();
  ASSERT_GE(phone.size(), 3u);
  ListView& view = page_->list().view();
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
    EXPECT_EQ(page_->list().row(r).secondLine, want.processName) << r;
    EXPECT_EQ(view.cell(r, 3), std::to_string(want.cpuPercent) + " %") << r;
    EXPECT_EQ(view.cell(r, 4), byteSizeText(static_cast<uint64_t>(want.memoryBytes))) << r;
    EXPECT_EQ(view.cell(r, 5), std::to_string(want.pid)) << r;
    EXPECT_EQ(view.cell(r, 6), "详细") << r;
    EXPECT_FALSE(page_->list().row(r).checked) << r;
    EXPECT_EQ(page_->records()[static_cast<size_t>(r)].systemFlag, want.systemFlag);
    (want.systemFlag ? system : user) = true;
  }
  EXPECT_TRUE(system && user);  // both kinds of mark are on screen
  int32_t word = 0;
  ASSERT_EQ(exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &word), AgentResult::Ok);
  EXPECT_EQ(page_->freeMemoryText(), byteSizeText(static_cast<uint32_t>(word)));
  EXPECT_EQ(windowText(page_->item(IDC_PROCESS_FREE_LABEL)), "剩余运行内存 (RAM) ");
  EXPECT_EQ(windowText(page_->item(IDC_PROCESS_STATS)), "Zorvik 手机任务管理器统计信息");
  EXPECT_EQ(host_->status(), "");
  EXPECT_TRUE(PageDataTable::instance().contains(info_->pageKey));
  EXPECT_TRUE(test::saveWindowPng(frame_.hwnd(), test::artifactPath("processes-page.png")));
}

TEST_F(ProcessesPageTest, EndingTickedProcessesRemovesThemAfterTheReload) {
  loadAndWait();
  const int before = page_->list().count();
  ASSERT_GE(before, 3);
  const std::string first = page_->list().row(0).secondLine, third = page_->list().row(2).secondLine;
  const std::string kept = page_->list().row(1).secondLine;
  clickCell(0, 7);
  clickCell(2, 7);
  clickCell(1, 7);
  clickCell(1, 7);  // ticked and unticked again: stays
  clickCell(1, 6);  // "详细" does nothing
  ASSERT_EQ(page_->list().checkedRows(), (std::vector<int>{0, 2}));
  page_->onToolbar(toolbar::kEndProcesses);
  EXPECT_TRUE(page_->busy());
  ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 20000));
  EXPECT_EQ(page_->list().count(), before - 2);
  EXPECT_EQ(rowOf(first), -1);
  EXPECT_EQ(rowOf(third), -1);
  EXPECT_GE(rowOf(kept), 0);
  EXPECT_EQ(static_cast<int>(phoneProcesses().size()), before - 2);
}

TEST_F(ProcessesPageTest, EndingWithNothingTickedAsksNoConfirmationAndReloads) {
  loadAndWait();
  const int before = page_->list().count();
  page_->endChecked();
  EXPECT_TRUE(page_->ending());
  ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 20000));
  EXPECT_EQ(page_->list().count(), before);
  EXPECT_EQ(host_->status(), "");
}

TEST_F(ProcessesPageTest, RefusedCutOrUnreachableListLeavesItEmptyAndSaysWhy) {
  loadAndWait();
  ASSERT_GT(page_->list().count(), 0);
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
    EXPECT_EQ(page_->list().count(), 0) << c.fault;
    EXPECT_TRUE(page_->records().empty()) << c.fault;
    EXPECT_EQ(host_->status(), c.status) << c.fault;
    // A failure lets the next visit try again; a refusal is a finished load.
    EXPECT_EQ(PageDataTable::instance().contains(info_->pageKey), *c.status == '\0') << c.fault;
    soundPhone();
  }
  // The forward itself gone (adb server away): nothing accepts the connection.
  const uint16_t port = agentPort();
  setAgentPort(unusedPort());
  loadAndWait();
  setAgentPort(port);
  EXPECT_EQ(page_->list().count(), 0);
  EXPECT_EQ(host_->status(), "【X】连接错误");
  loadAndWait();
  EXPECT_GT(page_->list().count(), 0);
  EXPECT_EQ(host_->status(), "");
}

TEST_F(ProcessesPageTest, SilentPhoneEndsAtTheDeadlineAndRefreshWorksAgain) {
  const AgentDeadlines saved = agentDeadlines();
  setAgentDeadlines({2000, 1000});
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  PageDataTable::instance().forget(info_->pageKey);
  page_->reload();
  EXPECT_TRUE(page_->busy());
  EXPECT_EQ(host_->status(), "正在读取...");
  ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 8000));
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 5000.0);  // two exchanges, each ended a second after its last byte
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(page_->list().count(), 0);
  setAgentDeadlines(saved);
  soundPhone();
  loadAndWait();
  EXPECT_GT(page_->list().count(), 0);
}

}  // namespace
}  // namespace zorvik
