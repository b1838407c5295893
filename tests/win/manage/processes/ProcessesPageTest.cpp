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

// A phone that shows no app the others' processes: no list, the reason, and the free memory it
// does give.
TEST_F(ProcessesPageTest, APhoneThatHidesOtherAppsProcessesSaysSoAndStillShowsFreeMemory) {
  // The package refuses by itself; vphone is told to.
  if (!std::getenv("ZORVIK_JVM_AGENT")) {
    ASSERT_EQ(phoneControl("reply refuse 871801 processes").rfind("OK", 0), 0u);
  }
  loadAndWait();
  EXPECT_EQ(ui_.page->list().count(), 0);
  int32_t word = 0;
  ASSERT_EQ(exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &word), AgentResult::Ok);
  EXPECT_EQ(ui_.page->freeMemoryText(), byteSizeText(static_cast<uint32_t>(word)));
  EXPECT_EQ(ui_.host->status(),
            "【提示】此手机不允许查看进程：Android 只让应用看到它自己的进程，请在手机的设置中查看正在运行的应用");
  EXPECT_FALSE(PageDataTable::instance().contains(ui_.info->pageKey));
}

// The free memory that could not be read keeps the value shown, and the page says so and is
// loaded again next time, though the list came whole.
TEST_F(ProcessesPageTest, AFailedFreeMemoryKeepsItsValueAndSaysWhy) {
  loadAndWait();
  const std::string value = ui_.page->freeMemoryText();
  ASSERT_NE(value, "N/A");
  ASSERT_EQ(phoneControl("reply truncate 871806 2").rfind("OK", 0), 0u);
  loadAndWait();
  EXPECT_EQ(ui_.page->freeMemoryText(), value);
  EXPECT_GT(ui_.page->list().count(), 0);
  EXPECT_EQ(ui_.host->status(), "【X】连接中断：手机端的回复不完整");
  EXPECT_FALSE(PageDataTable::instance().contains(ui_.info->pageKey));
}

}  // namespace
}  // namespace zorvik
