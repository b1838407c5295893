// The group manager and its form against the virtual phone's agent, under Wine: the list, and
// groups created, renamed and deleted seen after the reload; opened from the contacts page.
// tests/win/with_vphone.sh starts the phone and forwards ZORVIK_AGENT_PORT to it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "app/PageTable.h"
#include "devlink/AgentSession.h"
#include "pim/win/ContactsPage.h"
#include "pim/win/GroupManager.h"
#include "pim/GroupWire.h"
#include "pim/win/GroupsResource.h"
#include "app/resource.h"

namespace zorvik {
namespace {

using namespace test;

// The phone's groups as the agent sends them now, read apart from the dialog.
std::vector<GroupRecord> phoneGroups() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListGroups), body) != AgentResult::Ok) return {};
  return parseGroupList(body.bytes.data(), body.bytes.size()).records;
}

class GroupManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    ASSERT_TRUE(frame_.create({.title = "Groups test", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               .x = 0, .y = 0, .width = 900, .height = 600}));
    host_ = std::make_unique<TestHost>(frame_.hwnd());
    manager_ = std::make_unique<GroupManager>(*host_);
    ASSERT_TRUE(manager_->createModeless(frame_.hwnd()));
    ShowWindow(manager_->hwnd(), SW_SHOW);
    waitLoaded();
  }
  void TearDown() override {
    if (manager_) pumpUntil([&] { return !manager_->busy(); }, 5000);
    manager_.reset();
    frame_.destroy();
  }
  void waitLoaded() { ASSERT_TRUE(pumpUntil([&] { return !manager_->busy(); }, 20000)); }
  int rowTitled(const std::string& title) {
    for (int r = 0; r < manager_->list().count(); ++r)
      if (manager_->list().view().cell(r, 1) == title) return r;
    return -1;
  }
  void tick(int row) {
    RECT cell{};
    ListView_GetSubItemRect(manager_->list().hwnd(), row, 4, LVIR_BOUNDS, &cell);
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = manager_->list().hwnd();
    n.hdr.idFrom = IDC_GROUP_LIST;
    n.hdr.code = NM_CLICK;
    n.iItem = row;
    n.iSubItem = 4;
    n.ptAction = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    SendMessageA(manager_->hwnd(), WM_NOTIFY, IDC_GROUP_LIST, reinterpret_cast<LPARAM>(&n));
  }

  Window frame_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<GroupManager> manager_;
};

TEST_F(GroupManagerTest, ListShowsEveryGroupWithItsColumns) {
  const std::vector<GroupRecord> phone = phoneGroups();
  ASSERT_FALSE(phone.empty());
  HWND w = manager_->hwnd();
  EXPECT_EQ(windowText(w), "联系人分组 - Zorvik");
  const std::pair<int, const char*> buttons[] = {{IDC_GROUP_REFRESH, "刷新"}, {IDC_GROUP_NEW, "新建分组"},
      {IDC_GROUP_MODIFY, "修改分组"}, {IDC_GROUP_DELETE, "删除选择"}, {IDOK, "确定"}};
  for (const auto& [id, text] : buttons) EXPECT_EQ(windowText(GetDlgItem(w, id)), text);
  ListView& view = manager_->list().view();
  ASSERT_EQ(view.columnCount(), 5);
  const char* titles[] = {"", "标题", "所属账户", "可见", "选择"};
  const int widths[] = {25, 200, 180, 70, 80};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  for (int r = 0; r < view.count(); ++r) {
    const GroupRecord& g = phone[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 1), g.title);
    EXPECT_EQ(view.cell(r, 2), g.account);
    EXPECT_EQ(view.cell(r, 3), g.visible == 1 ? "是" : "【隐藏】");
    EXPECT_EQ(manager_->records()[static_cast<size_t>(r)].groupId, g.groupId);
  }
  UpdateWindow(w);
  EXPECT_TRUE(test::saveWindowPng(w, test::artifactPath("group-manager.png")));
}

TEST_F(GroupManagerTest, CreateRenameAndDeleteShowAfterTheReload) {
  const int before = manager_->list().count();
  HWND w = manager_->hwnd();
  std::string title;
  ASSERT_TRUE(withModal("新建分组 - Zorvik", [&](HWND f) {
    title = windowText(GetDlgItem(f, IDC_GROUP_TITLE));
    SetDlgItemTextA(f, IDC_GROUP_TITLE, "测试分组");
    click(f, IDOK);
  }, [&] { click(w, IDC_GROUP_NEW); }));
  EXPECT_EQ(title, "");
  waitLoaded();
  ASSERT_EQ(manager_->list().count(), before + 1);
  int row = rowTitled("测试分组");
  ASSERT_GE(row, 0);
  const int32_t id = manager_->records()[static_cast<size_t>(row)].groupId;

  // Renaming takes the selection-mark row, not a ticked one.
  const int other = row == 0 ? 1 : 0;
  tick(other);
  ListView_SetSelectionMark(manager_->list().hwnd(), row);
  ASSERT_TRUE(withModal("修改分组 - Zorvik", [&](HWND f) {
    title = windowText(GetDlgItem(f, IDC_GROUP_TITLE));
    SetDlgItemTextA(f, IDC_GROUP_TITLE, "改名分组");
    click(f, IDOK);
  }, [&] { click(w, IDC_GROUP_MODIFY); }));
  EXPECT_EQ(title, "测试分组");
  waitLoaded();
  EXPECT_EQ(rowTitled("测试分组"), -1);
  row = rowTitled("改名分组");
  ASSERT_GE(row, 0);
  EXPECT_EQ(manager_->records()[static_cast<size_t>(row)].groupId, id);
  EXPECT_EQ(manager_->list().count(), before + 1);

  // An empty title sends nothing and still reloads.
  ListView_SetSelectionMark(manager_->list().hwnd(), row);
  ASSERT_TRUE(withModal("修改分组 - Zorvik", [&](HWND f) {
    SetDlgItemTextA(f, IDC_GROUP_TITLE, "");
    click(f, IDOK);
  }, [&] { click(w, IDC_GROUP_MODIFY); }));
  EXPECT_TRUE(manager_->busy());
  waitLoaded();
  EXPECT_EQ(rowTitled("改名分组"), row);

  // Delete: the ticked row only, after "删除" (the reloads cleared the tick of the other row).
  EXPECT_TRUE(manager_->list().checkedRows().empty());
  tick(row);
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND d) { click(d, IDCANCEL); }, [&] { click(w, IDC_GROUP_DELETE); }));
  EXPECT_EQ(static_cast<int>(phoneGroups().size()), before + 1);
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND d) {
    question = windowText(GetDlgItem(d, IDC_NOTICE_TEXT));
    click(d, IDOK);
  }, [&] { click(w, IDC_GROUP_DELETE); }));
  EXPECT_EQ(question, "您真的要删除选择的【 1 】条联系人分组吗？");
  waitLoaded();
  EXPECT_EQ(manager_->list().count(), before);
  EXPECT_EQ(rowTitled("改名分组"), -1);
  for (const GroupRecord& g : phoneGroups()) EXPECT_NE(g.groupId, id);
}

TEST_F(GroupManagerTest, DeleteWithNothingTickedShowsTheNoticeOnly) {
  const size_t before = phoneGroups().size();
  std::string text;
  ASSERT_TRUE(withModal("提示 - Zorvik", [&](HWND d) {
    text = windowText(GetDlgItem(d, IDC_NOTICE_TEXT));
    click(d, IDOK);
  }, [&] { click(manager_->hwnd(), IDC_GROUP_DELETE); }));
  EXPECT_EQ(text, "请先勾选每项最后的复选框后，再执行删除操作");
  EXPECT_EQ(phoneGroups().size(), before);
}

TEST_F(GroupManagerTest, RefusedConnectionKeepsTheRowsAndTheFormStillClosesWithOk) {
  const int rows = manager_->list().count();
  const uint16_t port = agentPort();
  setAgentPort(1);  // nothing listens there
  bool closed = false;
  ASSERT_TRUE(withModal("新建分组 - Zorvik", [&](HWND f) {
    SetDlgItemTextA(f, IDC_GROUP_TITLE, "不会到达");
    click(f, IDOK);
  }, [&] {
    GroupEditDialog form(*host_, true);
    closed = form.run(manager_->hwnd()) == IDOK;
  }));
  EXPECT_TRUE(closed);
  EXPECT_EQ(host_->status(), "【X】连接错误");
  // Through the manager's own button: the form's failure is said inside the manager, which covers
  // the main window's status line, and stays there through the reload that follows.
  ASSERT_TRUE(withModal("新建分组 - Zorvik", [&](HWND f) {
    SetDlgItemTextA(f, IDC_GROUP_TITLE, "不会到达");
    click(f, IDOK);
  }, [&] { click(manager_->hwnd(), IDC_GROUP_NEW); }));
  waitLoaded();
  EXPECT_EQ(manager_->statusText(), "【X】连接错误");
  click(manager_->hwnd(), IDC_GROUP_REFRESH);
  waitLoaded();
  EXPECT_EQ(manager_->statusText(), "【X】连接错误");
  setAgentPort(port);
  click(manager_->hwnd(), IDC_GROUP_REFRESH);
  waitLoaded();
  EXPECT_EQ(manager_->statusText(), "");
  EXPECT_EQ(manager_->list().count(), rows);
  EXPECT_EQ(rowTitled("不会到达"), -1);
}

TEST_F(GroupManagerTest, ContactsPageGroupButtonOpensTheManager) {
  const PageInfo* info = findPage(kPageContacts);
  ASSERT_NE(info, nullptr);
  ContactsPage page(*info, *host_);
  ASSERT_TRUE(page.createModeless(frame_.hwnd()));
  int rows = -1;
  ASSERT_TRUE(withModal("联系人分组 - Zorvik", [&](HWND d) {
    // The manager loads when it opens; "确定" closes it.
    pumpUntil([&] { return ListView_GetItemCount(GetDlgItem(d, IDC_GROUP_LIST)) > 0; }, 10000);
    rows = ListView_GetItemCount(GetDlgItem(d, IDC_GROUP_LIST));
    click(d, IDOK);
  }, [&] { page.onToolbar(toolbar::kGroups); }));
  EXPECT_EQ(rows, static_cast<int>(phoneGroups().size()));
}

}  // namespace
}  // namespace zorvik
