// The call-log page against the virtual phone's agent, under Wine: the rows, types, durations and
// ids the list shows, deleting ticked rows and every call, and the phone failing or going silent.
// tests/win/with_vphone.sh starts the phone and forwards ZORVIK_AGENT_PORT to it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "pim/CallLog.h"
#include "pim/win/CallLogPage.h"
#include "app/resource.h"
#include "support/LoopbackServer.h"

namespace zorvik {
namespace {

using namespace test;

// The phone's call log as the agent sends it now, read apart from the page.
std::vector<CallRecord> phoneCalls() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListCalls), body) != AgentResult::Ok) return {};
  return parseCallList(body.bytes.data(), body.bytes.size()).records;
}

class CallLogPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    ASSERT_TRUE(ui_.open(kPageCallLog, "Call log test", 1000, 600));
    ASSERT_TRUE(ui_.reloadAndWait());
  }
  void TearDown() override { ui_.close(5000); }
  void waitLoaded() { ASSERT_TRUE(pumpUntil([&] { return !ui_.page->busy(); }, 20000)); }
  void clickCell(int row, int column) {
    clickListCell(ui_.page->hwnd(), ui_.page->list().hwnd(), CallLogPage::kListId, row, column);
  }

  PageUnderTest<CallLogPage> ui_;
};

TEST_F(CallLogPageTest, ListShowsEveryCallWithItsColumns) {
  const std::vector<CallRecord> phone = phoneCalls();
  ASSERT_FALSE(phone.empty());
  ListView& view = ui_.page->list().view();
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  ASSERT_EQ(view.columnCount(), 7);
  const char* titles[] = {"头像", "联系人", "类型", "通话用时", "上次联系时间、归属地", "选择", ""};
  const int widths[] = {60, 160, 110, 140, 200, 44, 0};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  const std::regex duration(R"(\d\d:\d\d:\d\d\n)"), time(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
  std::set<std::string> labels;
  int located = 0;
  for (int r = 0; r < view.count(); ++r) {
    const CallRecord& want = phone[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 1), want.name) << r;
    EXPECT_EQ(ui_.page->list().row(r).secondLine, want.number) << r;
    EXPECT_EQ(view.cell(r, 2), callTypeLabel(want.type)) << r;
    EXPECT_EQ(view.cell(r, 3), want.duration) << r;
    EXPECT_TRUE(std::regex_match(view.cell(r, 3), duration)) << r;
    EXPECT_EQ(view.cell(r, 4), want.callTime) << r;
    EXPECT_TRUE(std::regex_match(want.callTime, time)) << want.callTime;
    EXPECT_EQ(view.cell(r, 6), callIdCellText(want.callId)) << r;
    EXPECT_FALSE(ui_.page->list().row(r).checked) << r;
    labels.insert(view.cell(r, 2));
    const std::string& loc = ui_.page->locationOf(r);
    EXPECT_FALSE(loc.empty()) << r;
    if (want.number.size() == 11 && want.number[0] == '1' && loc != "没有记录" && loc != "未知") ++located;
  }
  // The data set has all three kinds of call and located mobiles.
  EXPECT_TRUE(labels.count("已接来电") && labels.count("拨出电话") && labels.count("未接来电"));
  EXPECT_GT(located, 0);
  EXPECT_EQ(ui_.host->status(), "");
  EXPECT_TRUE(PageDataTable::instance().contains(ui_.page->pageKey()));
  UpdateWindow(ui_.frame.hwnd());
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("call-log-page.png")));
}

TEST_F(CallLogPageTest, DeleteWithNothingTickedShowsTheNoticeOnly) {
  const size_t before = phoneCalls().size();
  clickCell(0, 1);  // a click beside the box ticks nothing
  std::string text;
  ASSERT_TRUE(withModal("提示 - Zorvik", [&](HWND w) {
    text = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { ui_.page->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_EQ(text, "请先勾选每项最后的复选框后，再执行删除操作");
  EXPECT_FALSE(ui_.page->busy());
  EXPECT_EQ(phoneCalls().size(), before);
}

TEST_F(CallLogPageTest, NoReplyEmptiesTheListACutReplyKeepsTheRowsAndSaysSo) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const int rows = ui_.page->list().count();
  ASSERT_GT(rows, 0);
  for (const char* fault : {"reply truncate 870301 60", "reply close-mid 870301"}) {
    ASSERT_EQ(phoneControl(fault).rfind("OK", 0), 0u) << fault;
    ui_.page->reload();
    waitLoaded();
    EXPECT_EQ(ui_.page->list().count(), rows) << fault;
    EXPECT_EQ(ui_.host->status(), "【X】连接中断：手机端的回复不完整") << fault;
    EXPECT_FALSE(PageDataTable::instance().contains(ui_.page->pageKey())) << fault;
    phoneControl("reset");
  }
  ASSERT_EQ(phoneControl("reply noreply 870301").rfind("OK", 0), 0u);
  ui_.page->reload();
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), 0);
  EXPECT_EQ(ui_.host->status(), "");
  phoneControl("reset");
  ui_.page->reload();
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), rows);
}

TEST_F(CallLogPageTest, SilentPhoneFailsAtTheDeadlineAndRefusedConnectionSaysSo) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const AgentDeadlines saved = agentDeadlines();
  setAgentDeadlines({2000, 1000});
  const int rows = ui_.page->list().count();
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  ui_.page->reload();
  EXPECT_TRUE(ui_.page->busy());
  EXPECT_EQ(ui_.host->status(), "正在读取...");
  waitLoaded();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  phoneControl("reset");
  setAgentDeadlines(saved);
  EXPECT_LT(ms, 3000.0);
  EXPECT_EQ(ui_.host->status(), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(ui_.page->list().count(), rows);

  const uint16_t port = agentPort();
  setAgentPort(1);  // nothing listens there
  ui_.page->reload();
  waitLoaded();
  setAgentPort(port);
  EXPECT_EQ(ui_.host->status(), "【X】连接错误");
  EXPECT_EQ(ui_.page->list().count(), rows);
}

TEST_F(CallLogPageTest, APhoneThatRefusesTheCallLogSaysWhatWasRefusedAndWhatToDo) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const int rows = ui_.page->list().count();
  ASSERT_EQ(phoneControl("reply refuse 870301 call-log-read").rfind("OK", 0), 0u);
  ui_.page->reload();
  waitLoaded();
  phoneControl("reset");
  EXPECT_EQ(ui_.host->status(), "【提示】手机拒绝读取通话记录：请在手机上允许「卓维克手机端」读取通话记录，然后刷新");
  EXPECT_FALSE(PageDataTable::instance().contains(ui_.page->pageKey()));
  ui_.page->reload();
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), rows);
  EXPECT_EQ(ui_.host->status(), "");
}

// Changes the phone's data: runs last.
TEST_F(CallLogPageTest, ZDeleteTickedThenAllThenAllOnAnEmptyList) {
  std::vector<CallRecord> phone = phoneCalls();
  ASSERT_GE(phone.size(), 4u);
  ASSERT_EQ(ui_.page->list().count(), static_cast<int>(phone.size()));
  clickCell(0, 5);
  clickCell(2, 5);
  clickCell(3, 5);
  clickCell(3, 5);  // ticked and unticked
  EXPECT_EQ(ui_.page->list().checkedRows(), (std::vector<int>{0, 2}));
  // "取消" deletes nothing.
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDCANCEL); },
                        [&] { ui_.page->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_FALSE(ui_.page->busy());
  EXPECT_EQ(phoneCalls().size(), phone.size());
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { ui_.page->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_EQ(question, "您真的要删除选择的【 2 】条通话记录吗？");
  waitLoaded();
  std::vector<CallRecord> after = phoneCalls();
  ASSERT_EQ(after.size(), phone.size() - 2);
  for (const CallRecord& r : after) {
    EXPECT_NE(r.callId, phone[0].callId);
    EXPECT_NE(r.callId, phone[2].callId);
  }
  EXPECT_EQ(ui_.page->list().count(), static_cast<int>(after.size()));
  EXPECT_EQ(ui_.page->list().view().cell(0, 6), callIdCellText(phone[1].callId));

  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { ui_.page->onToolbar(toolbar::kDeleteAllCalls); }));
  EXPECT_EQ(question, "您真的要删除【 所有 】通话记录吗？");
  waitLoaded();
  EXPECT_TRUE(phoneCalls().empty());
  EXPECT_EQ(ui_.page->list().count(), 0);

  // With the list empty, "删除全部" still asks and still sends 870304 (to a recording stand-in).
  test::LoopbackServer agent({{.requestSize = 12, .reply = {0, 0, 0, 1}}, {.requestSize = 4, .closeWithoutReply = true}});
  const uint16_t port = agentPort();
  setAgentPort(agent.port());
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDOK); },
                        [&] { ui_.page->onToolbar(toolbar::kDeleteAllCalls); }));
  waitLoaded();
  setAgentPort(port);
  const auto requests = agent.requests();
  ASSERT_GE(requests.size(), 1u);
  EXPECT_EQ(requests[0].bytes, deleteAllCallsRequest());
}

}  // namespace
}  // namespace zorvik
