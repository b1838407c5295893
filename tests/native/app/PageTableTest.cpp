#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/PageTable.h"

using namespace zorvik;

TEST(PageTable, GroupsHoldThePagesOfTheTableWithTheirCaptions) {
  EXPECT_STREQ(groupInfo(0).caption, "欢迎使用");
  EXPECT_STREQ(groupInfo(1).caption, "资料管理");
  EXPECT_STREQ(groupInfo(2).caption, "资源下载");
  EXPECT_STREQ(groupInfo(3).caption, "手机管理");
  EXPECT_STREQ(groupInfo(4).caption, "系统工具");
  EXPECT_STREQ(groupInfo(5).caption, "内存整理");
  EXPECT_EQ(groupInfo(0).pageCount, 8);  // with the weather page
  EXPECT_EQ(groupInfo(1).pageCount, 7);
  EXPECT_EQ(groupInfo(2).pageCount, 8);
  EXPECT_EQ(groupInfo(3).pageCount, 7);
  EXPECT_EQ(groupInfo(4).pageCount, 7);
  // Every page id is group * 10 + index and findPage returns that entry.
  std::set<int> ids;
  for (int g = 0; g < kGroupCount; ++g)
    for (int i = 0; i < groupInfo(g).pageCount; ++i) {
      const PageInfo& p = groupInfo(g).pages[i];
      EXPECT_EQ(p.id, g * 10 + i);
      EXPECT_EQ(findPage(p.id), &p);
      ids.insert(p.id);
    }
  EXPECT_EQ(ids.size(), 38u);
  EXPECT_STREQ(findPage(10)->caption, "联系人");
  EXPECT_STREQ(findPage(16)->caption, "Web收藏夹");
  EXPECT_STREQ(findPage(27)->caption, "视频转换");
  EXPECT_STREQ(findPage(36)->caption, "桌面管理");
  EXPECT_STREQ(findPage(45)->caption, "任务管理器");
  EXPECT_STREQ(findPage(46)->caption, "性能优化");
}

TEST(PageTable, UnknownIdsFindNothing) {
  EXPECT_EQ(findPage(-1), nullptr);
  EXPECT_EQ(findPage(8), nullptr);
  EXPECT_EQ(findPage(28), nullptr);
  EXPECT_EQ(findPage(51), nullptr);
  EXPECT_EQ(findPage(60), nullptr);
  EXPECT_EQ(findPage(1000000), nullptr);
}

TEST(PageTable, ToolbarCaptionsPerPage) {
  auto bar = [](int id) {
    std::string s;
    const PageInfo* p = findPage(id);
    for (int i = 0; i < toolbarButtonCount(*p); ++i) s += std::string(p->toolbar[i]) + "|";
    return s;
  };
  EXPECT_EQ(bar(5), "继续任务|全部暂停|删除选择的|相关设置|");
  EXPECT_EQ(bar(10), "重新获取|添加联系人|分组管理|删除选择的|");
  EXPECT_EQ(bar(12), "刷新通话记录|删除选择的|删除全部|");
  EXPECT_EQ(bar(15), "转到根目录|");
  EXPECT_EQ(bar(20), "返回上一页|商城主页|");
  EXPECT_EQ(bar(43), "刷新自启动项|展开全部项|收起全部项|");
  EXPECT_EQ(bar(44), "刷新屏幕|保存为文件|设置保存目录|打开保存目录|");
  for (int id = 31; id <= 36; ++id) EXPECT_EQ(bar(id), "") << id;  // pages without content of their own
  EXPECT_EQ(bar(14), "");
}

TEST(PageTable, PageKeysOfTheLoadingPages) {
  EXPECT_EQ(findPage(6)->pageKey, kKeyHelp);
  EXPECT_EQ(findPage(10)->pageKey, 1);
  EXPECT_EQ(findPage(11)->pageKey, 2);
  EXPECT_EQ(findPage(12)->pageKey, 3);
  EXPECT_EQ(findPage(13)->pageKey, 4);
  EXPECT_EQ(findPage(15)->pageKey, 6);
  EXPECT_EQ(findPage(16)->pageKey, 7);
  EXPECT_EQ(findPage(30)->pageKey, 8);
  EXPECT_EQ(findPage(20)->pageKey, 9);
  EXPECT_EQ(findPage(40)->pageKey, 10);
  EXPECT_EQ(findPage(41)->pageKey, 11);
  EXPECT_EQ(findPage(42)->pageKey, 12);
  EXPECT_EQ(findPage(43)->pageKey, 13);
  EXPECT_EQ(findPage(44)->pageKey, 14);
  EXPECT_EQ(findPage(45)->pageKey, 15);
  // No two pages share a key.
  std::set<int> keys;
  for (int g = 0; g < kGroupCount; ++g)
    for (int i = 0; i < groupInfo(g).pageCount; ++i) {
      int k = groupInfo(g).pages[i].pageKey;
      if (k != kNoPageKey) {
        EXPECT_TRUE(keys.insert(k).second) << k;
      }
    }
  EXPECT_EQ(keys.size(), 15u);
}

// The names code uses stand for the rows they say: each named page is at its group and index,
// and each page's last named toolbar button is its last caption.
TEST(PageTable, NamedIdsAndToolbarIndicesMatchTheRows) {
  for (int g = 0; g < kGroupCount; ++g)
    for (int i = 0; i < groupInfo(g).pageCount; ++i) EXPECT_EQ(groupInfo(g).pages[i].id, pageIdOf(g, i));
  EXPECT_STREQ(findPage(kPageContacts)->caption, "联系人");
  EXPECT_STREQ(findPage(kPageCalendar)->caption, "日程管理");
  EXPECT_STREQ(findPage(kPageScreenCapture)->caption, "屏幕截图");
  EXPECT_STREQ(findPage(kPageMemory)->caption, "内存整理");
  EXPECT_EQ(groupOfPage(kPageStore), kGroupDownloads);
  const std::pair<PageId, int> lastButtons[] = {
      {kPageTasks, toolbar::kSettings}, {kPageContacts, toolbar::kDeleteContacts},
      {kPageMessages, toolbar::kMoreActions}, {kPageCallLog, toolbar::kDeleteAllCalls},
      {kPageAlarms, toolbar::kDeleteAlarms}, {kPageFiles, toolbar::kGoToRoot},
      {kPageBookmarks, toolbar::kDeleteBookmarks}, {kPageStore, toolbar::kStoreHome},
      {kPageApplications, toolbar::kDeleteApplications}, {kPageSystemInfo, toolbar::kRefreshSystemInfo},
      {kPagePhoneSettings, toolbar::kRefreshPhoneSettings}, {kPageCleaner, toolbar::kDeleteFound},
      {kPageStartup, toolbar::kCollapseAll}, {kPageScreenCapture, toolbar::kOpenFolder},
      {kPageProcesses, toolbar::kEndProcesses},
  };
  for (const auto& [page, last] : lastButtons) EXPECT_EQ(toolbarButtonCount(*findPage(page)), last + 1) << page;
  EXPECT_STREQ(findPage(kPageContacts)->toolbar[toolbar::kAddContact], "添加联系人");
  EXPECT_STREQ(findPage(kPageScreenCapture)->toolbar[toolbar::kSaveToFile], "保存为文件");
}
