// The cleaner page against the virtual phone's agent, under Wine: the columns, the three fixed
// rows then the phone's applications, the progress texts, clearing what is checked (seen after a
// new scan), and the phone refusing or going silent while scanning and while clearing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <shlwapi.h>
#include <string>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "manage/system/win/CleanerPage.h"
#include "manage/system/CleanerWire.h"

namespace zorvik {
namespace {

using test::phoneControl;
using test::pump;
using test::pumpUntil;
using test::ShortDeadlines;
using test::TestHost;
using test::PageUnderTest;

std::string textOf(HWND w) {
  char text[256] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// The phone's applications with cached data as its agent sends them now, read apart from the page.
WireList<CacheRecord> phoneCache() {
  AgentBody body;
  EXPECT_EQ(exchangeForBody(scanCacheRequest(), body), AgentResult::Ok);
  return parseCacheList(body.bytes.data(), body.bytes.size());
}

class CleanerPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    phoneControl("reset");
    ASSERT_TRUE(ui_.open(kPageCleaner, "Cleaner test", 900, 640));
    ASSERT_EQ(ui_.info->pageKey, 12);
    EXPECT_EQ(textOf(ui_.page->progressLabel()), "扫描系统搜索历史记录和应用缓存");
    scan();
  }
  void TearDown() override {
    ui_.close(5000);
    phoneControl("reset");
  }
  void scan() {
    ui_.page->reload();
    ASSERT_TRUE(pumpUntil([&] { return !ui_.page->scanning(); }, 20000));
  }
  void expectOnlyFixedRows() {
    ListView& view = ui_.page->list().view();
    ASSERT_EQ(view.count(), 3);
    EXPECT_EQ(view.cell(0, 1), "浏览器搜索");
    EXPECT_EQ(view.cell(1, 1), "浏览器历史");
    EXPECT_EQ(view.cell(2, 1), "Market搜索");
    EXPECT_EQ(textOf(ui_.page->progressLabel()), "扫描完成");
  }

  PageUnderTest<CleanerPage> ui_;
};

TEST_F(CleanerPageTest, FixedRowsThenEveryApplicationWithItsColumns) {
  WireList<CacheRecord> phone = phoneCache();
  ASSERT_TRUE(phone.ended);
  ASSERT_FALSE(phone.records.empty());
  EXPECT_EQ(PageDataTable::instance().state(12), PageDataState::Loaded);
  EXPECT_EQ(textOf(ui_.page->progressLabel()), "扫描完成");
  ListView& view = ui_.page->list().view();
  ASSERT_EQ(view.columnCount(), 6);
  const char* titles[] = {"类型", "清理项目和说明", "推荐周期", "风险提示", "数量或大小", "选择"};
  const int widths[] = {60, 330, 100, 90, 90, 54};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), 3 + static_cast<int>(phone.records.size()));
  const char* seconds[] = {"删除系统自带浏览器的搜索记录", "删除系统自带浏览器的历史记录", "删除Android Market搜索记录"};
  const char* periods[] = {"随时", "随时", "每月"};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(ui_.page->list().row(r).secondLine, seconds[r]);
    EXPECT_EQ(view.cell(r, 2), periods[r]);
    EXPECT_EQ(view.cell(r, 3), "无");
    EXPECT_EQ(view.cell(r, 4), "N/A");
  }
  int withIcon = 0;
  for (size_t i = 0; i < phone.records.size(); ++i) {
    const int r = 3 + static_cast<int>(i);
    EXPECT_EQ(view.cell(r, 1), phone.records[i].label);
    EXPECT_EQ(ui_.page->list().row(r).secondLine, phone.records[i].package);
    EXPECT_EQ(view.cell(r, 2), "随时");
    EXPECT_EQ(view.cell(r, 3), "无");
    char want[64];
    StrFormatByteSize64A(phone.records[i].size, want, sizeof want);
    EXPECT_EQ(view.cell(r, 4), want);
    withIcon += ui_.page->list().row(r).image.empty() ? 0 : 1;
  }
  EXPECT_GT(withIcon, 0);
  EXPECT_EQ(static_cast<int>(ui_.page->list().checkedRows().size()), view.count());  // every row checked
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("cleaner_page.png"));
}

TEST_F(CleanerPageTest, ClearingTheCheckedApplicationsShowsAfterTheNextScan) {
  WireList<CacheRecord> before = phoneCache();
  ASSERT_GE(before.records.size(), 2u);
  // Keep only fixed row 1 and the first application checked.
  for (int r = 0; r < ui_.page->list().count(); ++r) ui_.page->list().setChecked(r, r == 1 || r == 3);
  const std::string cleared = ui_.page->list().row(3).secondLine;
  const int rows = ui_.page->list().count();
  ui_.page->onToolbar(toolbar::kDeleteFound);
  EXPECT_TRUE(ui_.page->clearing());
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->clearing(); }, 10000));
  EXPECT_EQ(ui_.host->status(), "");
  EXPECT_EQ(ui_.page->list().count(), rows);  // no new scan by itself
  scan();
  ASSERT_EQ(ui_.page->list().count(), rows - 1);
  for (int r = 3; r < ui_.page->list().count(); ++r) EXPECT_NE(ui_.page->list().row(r).secondLine, cleared);
}

TEST_F(CleanerPageTest, ScanningTextWhileTheScanRunsAndRefusedReplyLeavesTheFixedRows) {
  const int rows = ui_.page->list().count();
  ASSERT_EQ(phoneControl("reply noreply 871601").rfind("OK", 0), 0u);
  ui_.page->reload();
  EXPECT_TRUE(ui_.page->scanning());
  EXPECT_EQ(textOf(ui_.page->progressLabel()), "正在获取应用的缓存信息，整个过程需要5秒左右，请稍等...");
  EXPECT_EQ(ui_.page->list().count(), rows);  // the rows go only when the answer has come
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->scanning(); }, 10000));
  expectOnlyFixedRows();
  EXPECT_EQ(ui_.host->status(), "");
}

TEST_F(CleanerPageTest, ClearingOnASilentPhoneKeepsTheWindowAnswering) {
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  ui_.page->clearChecked();
  ASSERT_TRUE(ui_.page->clearing());
  DWORD_PTR result = 0;
  std::thread asker([&] {
    EXPECT_NE(SendMessageTimeoutA(ui_.page->hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
  });
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->clearing(); }, 5000));
  asker.join();
  EXPECT_EQ(ui_.host->status(), "【X】连接超时：手机端没有响应");
}

// What no app may clear (every row is checked after a scan: the browsers' histories too): the
// phone's reason, and the next scan finds every row still there. The package's agent refuses by
// itself; vphone is told to.
TEST_F(CleanerPageTest, ClearingWhatThePhoneRefusesSaysWhyAndChangesNothing) {
  const bool jvm = std::getenv("ZORVIK_JVM_AGENT") != nullptr;
  if (!jvm) {
    ASSERT_EQ(phoneControl("reply refuse 871602 clean").rfind("OK", 0), 0u);
  }
  const int rows = ui_.page->list().count();
  if (jvm) {
    ASSERT_GT(rows, 3);  // vphone's caches may be cleared by the cases before
  }
  ui_.page->onToolbar(toolbar::kDeleteFound);
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->clearing(); }, 10000));
  EXPECT_EQ(ui_.host->status(), agentRefusalText(AgentRefusal::CleanNotOffered));
  phoneControl("reply refuse off");
  scan();
  EXPECT_EQ(ui_.page->list().count(), rows);
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("cleaner_clean_refused.png"));
}

// A phone that gives no cache sizes: its reason, and only the three fixed rows. The package's agent
// on the data set's Android 4.0 refuses by itself (no sizes before 8.0); vphone is told to refuse
// as a phone without the usage access.
TEST_F(CleanerPageTest, AScanThePhoneRefusesSaysWhyAndKeepsTheFixedRows) {
  AgentRefusal why = AgentRefusal::UsageAccess;
  if (std::getenv("ZORVIK_JVM_AGENT")) {
    const char* sdk = std::getenv("ZORVIK_JVM_AGENT_SDK");
    if (sdk && std::atoi(sdk) >= 26) GTEST_SKIP() << "this agent serves cache sizes";
    why = AgentRefusal::CacheSizesNotOffered;
  } else {
    ASSERT_EQ(phoneControl("reply refuse 871601 usage").rfind("OK", 0), 0u);
  }
  scan();
  expectOnlyFixedRows();
  EXPECT_EQ(ui_.host->status(), agentRefusalText(why));
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("cleaner_scan_refused.png"));
}

TEST(CleanerSizeText, FourGigabytesAndMoreKeepTheirHighBits) {
  // Five gigabytes and seven bytes: its low 32 bits alone are one gigabyte and seven bytes.
  char want[64];
  StrFormatByteSize64A((5LL << 30) + 7, want, sizeof want);
  EXPECT_EQ(cacheSizeText((5LL << 30) + 7), want);
  EXPECT_NE(cacheSizeText((5LL << 30) + 7), cacheSizeText((1LL << 30) + 7));
  EXPECT_EQ(cacheSizeText(-1), cacheSizeText(0));
}

}  // namespace
}  // namespace zorvik
