// The call-log page against the virtual phone's agent, under Wine: the rows, types, durations and
// ids the list shows, deleting ticked rows and every call, and the phone failing or going silent.
// contacts_vphone.sh starts the phone and forwards ZORVIK_AGENT_PORT to it.
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

#include "UiTestSupport.h"
#include "app/Controls.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "pim/CallLog.h"
#include "pim/CallLogPage.h"
#include "resource.h"
#include "support/LoopbackServer.h"

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

// The phone's call log as the agent sends it now, read apart from the page.
std::vector<CallRecord> phoneCalls() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListCalls), body) != AgentResult::Ok) return {};
  return parseCallList(body.bytes.data(), body.bytes.size()).records;
}

struct ModalStep {
  std::string title;
  std::function<void(HWND)> step;
  bool done = false;
};
ModalStep* g_step = nullptr;

void CALLBACK stepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_step || g_step->done) return;
  HWND w = FindWindowA(nullptr, g_step->title.c_str());
  if (!w || !IsWindowVisible(w)) return;
  g_step->done = true;
  KillTimer(nullptr, id);
  g_step->step(w);
}

// Runs `action` (which opens a modal window) with `step` done on the window titled `title`.
bool withModal(const std::string& title, std::function<void(HWND)> step, const std::function<void()>& action) {
  ModalStep s{title, std::move(step)};
  g_step = &s;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, stepTimer);
  action();
  if (!s.done) KillTimer(nullptr, timer);
  g_step = nullptr;
  return s.done;
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

void click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class CallLogPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through contacts_vphone.sh";
    ASSERT_TRUE(frame_.create({.title = "Call log test", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               .x = 0, .y = 0, .width = 1000, .height = 600}));
    host_ = std::make_unique<TestHost>(frame_.hwnd());
    const PageInfo* info = findPage(kPageCallLog);
    ASSERT_NE(info, nullptr);
    page_ = std::make_unique<CallLogPage>(*info, *host_);
    ASSERT_TRUE(page_->createModeless(frame_.hwnd()));
    RECT client = clientRectOf(frame_.hwnd());
    SetWindowPos(page_->hwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
    PageDataTable::instance().forget(info->pageKey);
    page_->reload();
    waitLoaded();
  }
  void TearDown() override {
    if (page_) pumpUntil([&] { return !page_->busy(); }, 5000);
    page_.reset();
    frame_.destroy();
  }
  void waitLoaded() { ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 20000)); }
  void clickCell(int row, int column) {
    RECT cell{};
    ListView_GetSubItemRect(page_->list().hwnd(), row, column, LVIR_BOUNDS, &cell);
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = page_->list().hwnd();
    n.hdr.idFrom = CallLogPage::kListId;
    n.hdr.code = NM_CLICK;
    n.iItem = row;
    n.iSubItem = column;
    n.ptAction = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    SendMessageA(page_->hwnd(), WM_NOTIFY, CallLogPage::kListId, reinterpret_cast<LPARAM>(&n));
  }

  Window frame_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<CallLogPage> page_;
};

TEST_F(CallLogPageTest, ListShowsEveryCallWithItsColumns) {
  const std::vector<CallRecord> phone = phoneCalls();
  ASSERT_FALSE(phone.empty());
  ListView& view = page_->list().view();
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
    EXPECT_EQ(page_->list().row(r).secondLine, want.number) << r;
    EXPECT_EQ(view.cell(r, 2), callTypeLabel(want.type)) << r;
    EXPECT_EQ(view.cell(r, 3), want.duration) << r;
    EXPECT_TRUE(std::regex_match(view.cell(r, 3), duration)) << r;
    EXPECT_EQ(view.cell(r, 4), want.callTime) << r;
    EXPECT_TRUE(std::regex_match(want.callTime, time)) << want.callTime;
    EXPECT_EQ(view.cell(r, 6), callIdCellText(want.callId)) << r;
    EXPECT_FALSE(page_->list().row(r).checked) << r;
    labels.insert(view.cell(r, 2));
    const std::string& loc = page_->locationOf(r);
    EXPECT_FALSE(loc.empty()) << r;
    if (want.number.size() == 11 && want.number[0] == '1' && loc != "没有记录" && loc != "未知") ++located;
  }
  // The data set has all three kinds of call and located mobiles.
  EXPECT_TRUE(labels.count("已接来电") && labels.count("拨出电话") && labels.count("未接来电"));
  EXPECT_GT(located, 0);
  EXPECT_EQ(host_->status(), "");
  EXPECT_TRUE(PageDataTable::instance().contains(page_->pageKey()));
  UpdateWindow(frame_.hwnd());
  EXPECT_TRUE(test::saveWindowPng(frame_.hwnd(), test::artifactPath("call-log-page.png")));
}

TEST_F(CallLogPageTest, DeleteWithNothingTickedShowsTheNoticeOnly) {
  const size_t before = phoneCalls().size();
  clickCell(0, 1);  // a click beside the box ticks nothing
  std::string text;
  ASSERT_TRUE(withModal("提示 - Zorvik", [&](HWND w) {
    text = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_EQ(text, "请先勾选每项最后的复选框后，再执行删除操作");
  EXPECT_FALSE(page_->busy());
  EXPECT_EQ(phoneCalls().size(), before);
}

TEST_F(CallLogPageTest, NoReplyEmptiesTheListACutReplyKeepsTheRowsAndSaysSo) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const int rows = page_->list().count();
  ASSERT_GT(rows, 0);
  for (const char* fault : {"reply truncate 870301 60", "reply close-mid 870301"}) {
    ASSERT_EQ(phoneControl(fault).rfind("OK", 0), 0u) << fault;
    page_->reload();
    waitLoaded();
    EXPECT_EQ(page_->list().count(), rows) << fault;
    EXPECT_EQ(host_->status(), "【X】连接中断：手机端的回复不完整") << fault;
    EXPECT_FALSE(PageDataTable::instance().contains(page_->pageKey())) << fault;
    phoneControl("reset");
  }
  ASSERT_EQ(phoneControl("reply noreply 870301").rfind("OK", 0), 0u);
  page_->reload();
  waitLoaded();
  EXPECT_EQ(page_->list().count(), 0);
  EXPECT_EQ(host_->status(), "");
  phoneControl("reset");
  page_->reload();
  waitLoaded();
  EXPECT_EQ(page_->list().count(), rows);
}

TEST_F(CallLogPageTest, SilentPhoneFailsAtTheDeadlineAndRefusedConnectionSaysSo) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const AgentDeadlines saved = agentDeadlines();
  setAgentDeadlines({2000, 1000});
  const int rows = page_->list().count();
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  page_->reload();
  EXPECT_TRUE(page_->busy());
  EXPECT_EQ(host_->status(), "正在读取...");
  waitLoaded();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  phoneControl("reset");
  setAgentDeadlines(saved);
  EXPECT_LT(ms, 3000.0);
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(page_->list().count(), rows);

  const uint16_t port = agentPort();
  setAgentPort(1);  // nothing listens there
  page_->reload();
  waitLoaded();
  setAgentPort(port);
  EXPECT_EQ(host_->status(), "【X】连接错误");
  EXPECT_EQ(page_->list().count(), rows);
}

// Changes the phone's data: runs last.
TEST_F(CallLogPageTest, ZDeleteTickedThenAllThenAllOnAnEmptyList) {
  std::vector<CallRecord> phone = phoneCalls();
  ASSERT_GE(phone.size(), 4u);
  ASSERT_EQ(page_->list().count(), static_cast<int>(phone.size()));
  clickCell(0, 5);
  clickCell(2, 5);
  clickCell(3, 5);
  clickCell(3, 5);  // ticked and unticked
  EXPECT_EQ(page_->list().checkedRows(), (std::vector<int>{0, 2}));
  // "取消" deletes nothing.
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDCANCEL); },
                        [&] { page_->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_FALSE(page_->busy());
  EXPECT_EQ(phoneCalls().size(), phone.size());
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kDeleteCalls); }));
  EXPECT_EQ(question, "您真的要删除选择的【 2 】条通话记录吗？");
  waitLoaded();
  std::vector<CallRecord> after = phoneCalls();
  ASSERT_EQ(after.size(), phone.size() - 2);
  for (const CallRecord& r : after) {
    EXPECT_NE(r.callId, phone[0].callId);
    EXPECT_NE(r.callId, phone[2].callId);
  }
  EXPECT_EQ(page_->list().count(), static_cast<int>(after.size()));
  EXPECT_EQ(page_->list().view().cell(0, 6), callIdCellText(phone[1].callId));

  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kDeleteAllCalls); }));
  EXPECT_EQ(question, "您真的要删除【 所有 】通话记录吗？");
  waitLoaded();
  EXPECT_TRUE(phoneCalls().empty());
  EXPECT_EQ(page_->list().count(), 0);

  // With the list empty, "删除全部" still asks and still sends 870304 (to a recording stand-in).
  test::LoopbackServer agent({{.requestSize = 12, .reply = {0, 0, 0, 1}}, {.requestSize = 4, .closeWithoutReply = true}});
  const uint16_t port = agentPort();
  setAgentPort(agent.port());
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDOK); },
                        [&] { page_->onToolbar(toolbar::kDeleteAllCalls); }));
  waitLoaded();
  setAgentPort(port);
  const auto requests = agent.requests();
  ASSERT_GE(requests.size(), 1u);
  EXPECT_EQ(requests[0].bytes, deleteAllCallsRequest());
}

}  // namespace
}  // namespace zorvik
