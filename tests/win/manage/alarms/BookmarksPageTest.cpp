// The bookmark page against the virtual phone's agent, under Wine: the columns and every row read
// back ("从未", "%d 次", "仅手机上的", thumbnails), "立即访问" handing only http/https addresses to
// the browser, a bookmark added, changed and deleted through the editor (seen on the phone and
// after a reload), the editor's required fields, the sync dialog, and a silent phone.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PhoneListPageTest.h"
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "manage/alarms/win/AlarmsPage.h"
#include "manage/alarms/win/AlarmsResource.h"
#include "manage/alarms/win/BookmarkEditor.h"
#include "manage/alarms/win/BookmarksPage.h"
#include "app/resource.h"
#include "support/BodyWriter.h"
#include "support/LoopbackServer.h"

namespace zorvik {
namespace {

using test::itemText;

using test::click;
using test::phoneControl;
using test::pump;
using test::pumpUntil;
using test::ShortDeadlines;
using test::TestHost;
using test::withModal;

std::vector<BookmarkRow> phoneBookmarks() { return test::phoneList(listBookmarksRequest(), parseBookmarkList); }
std::optional<BookmarkRow> phoneBookmarkTitled(const std::string& title) {
  return test::rowTitled(phoneBookmarks(), title);
}

class BookmarksPageTest : public test::PhoneListPageTest<BookmarksPage, kPageBookmarks, kKeyBookmarks> {
protected:
  void SetUp() override {
    PhoneListPageTest::SetUp();
    if (!page_) return;
    page_->setUrlOpener([this](const std::string& url) {
      opened_.push_back(url);
      return true;
    });
  }
  void clickCell(int row, int column) {
    test::clickListCell(page_->hwnd(), page_->list().hwnd(), BookmarksPage::kListId, row, column);
  }
  // Adds a bookmark through the editor.
  void addThroughEditor(const std::string& title, const std::string& url, const std::string& visits) {
    ASSERT_TRUE(withModal("新建书签 - Zorvik", [&](HWND w) {
      SetDlgItemTextA(w, IDC_BOOKMARK_TITLE, title.c_str());
      SetDlgItemTextA(w, IDC_BOOKMARK_URL, url.c_str());
      SetDlgItemTextA(w, IDC_BOOKMARK_VISITS, visits.c_str());
      click(w, IDOK);
    }, [&] { page_->onToolbar(toolbar::kNewBookmark); }));
    waitIdle();
  }

  std::vector<std::string> opened_;
};

TEST_F(BookmarksPageTest, ColumnsAndEveryBookmarkOfThePhone) {
  const std::vector<BookmarkRow> phone = phoneBookmarks();
  ASSERT_FALSE(phone.empty());
  EXPECT_EQ(PageDataTable::instance().state(7), PageDataState::Loaded);
  ListView& view = page_->list().view();
  ASSERT_EQ(view.columnCount(), 7);
  const char* titles[] = {"缩略图", "名称和网址", "存储状态", "计数", "上次访问时间、间隔", "立即访问", "选择"};
  const int widths[] = {60, 246, 120, 44, 160, 66, 44};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  int never = 0, pictures = 0;
  for (size_t i = 0; i < phone.size(); ++i) {
    const int r = static_cast<int>(i);
    EXPECT_EQ(view.cell(r, 1), phone[i].title);
    EXPECT_EQ(page_->list().row(r).secondLine, phone[i].url);
    EXPECT_EQ(view.cell(r, 2), "仅手机上的");
    EXPECT_EQ(view.cell(r, 3), std::to_string(phone[i].visits) + " 次");
    EXPECT_EQ(view.cell(r, 4), phone[i].lastVisitText);
    EXPECT_EQ(view.cell(r, 5), "");
    EXPECT_EQ(page_->list().row(r).image.size(), phone[i].thumbnail.size());
    never += phone[i].lastVisit == 0 ? 1 : 0;
    EXPECT_EQ(view.cell(r, 4) == "从未", phone[i].lastVisit == 0);
    pictures += page_->list().row(r).image.empty() ? 0 : 1;
  }
  EXPECT_GT(never, 0);
  EXPECT_GT(pictures, 0);
  // The selector offers the four states and filters nothing.
  HWND kind = page_->kindSelector();
  ASSERT_EQ(SendMessageA(kind, CB_GETCOUNT, 0, 0), 4);
  SendMessageA(kind, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(view.count(), static_cast<int>(phone.size()));
  SendMessageA(kind, CB_SETCURSEL, 0, 0);
  pump(300);
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("bookmarks_page.png")));
}

TEST_F(BookmarksPageTest, APhoneThatGivesNoAppBookmarksSaysSoPlainly) {
  // The package refuses by itself; vphone is told to.
  if (!std::getenv("ZORVIK_JVM_AGENT")) {
    ASSERT_EQ(phoneControl("reply refuse 870701 bookmarks").rfind("OK", 0), 0u);
  }
  load();
  EXPECT_EQ(host_->status(),
            "【提示】此手机不允许读取书签：Android 不让其他应用读取或修改浏览器的书签，请在手机的浏览器中管理");
  EXPECT_FALSE(PageDataTable::instance().contains(kKeyBookmarks));
}

TEST_F(BookmarksPageTest, VisitOpensOnlyWebAddresses) {
  ASSERT_GT(page_->list().count(), 0);
  const std::string url = page_->rows()[0].url;
  clickCell(0, 5);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], url);
  EXPECT_EQ(page_->lastClicked(), 0);
  // A bookmark whose address would start a program on the PC is not handed over.
  addThroughEditor("本地程序", "file:///C:/windows/system32/calc.exe", "");
  const int r = rowTitled("本地程序");
  ASSERT_GE(r, 0);
  clickCell(r, 5);
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_EQ(host_->status(), "【提示】该书签的网址不是http或https网址，没有打开");
  // Clean up through the page.
  page_->list().setChecked(r, true);
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDOK); },
                        [&] { page_->onToolbar(toolbar::kDeleteBookmarks); }));
  waitIdle();
  EXPECT_FALSE(phoneBookmarkTitled("本地程序"));
}

TEST_F(BookmarksPageTest, AddChangeAndDeleteReachThePhoneAndShowAfterReload) {
  const size_t before = phoneBookmarks().size();
  ASSERT_TRUE(withModal("新建书签 - Zorvik", [&](HWND w) {
    EXPECT_EQ(itemText(w, IDC_BOOKMARK_VISITS), "");
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_BOOKMARK_STORAGE, CB_GETCOUNT, 0, 0), 4);
    SetDlgItemTextA(w, IDC_BOOKMARK_TITLE, "测试书签");
    SetDlgItemTextA(w, IDC_BOOKMARK_URL, "http://example.com/测试");
    SetDlgItemTextA(w, IDC_BOOKMARK_VISITS, "5");
    pump(200);
    test::saveWindowPng(w, test::artifactPath("bookmark_editor.png"));
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kNewBookmark); }));
  waitIdle();
  std::optional<BookmarkRow> added = phoneBookmarkTitled("测试书签");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->url, "http://example.com/测试");
  EXPECT_EQ(added->visits, 5);
  EXPECT_EQ(phoneBookmarks().size(), before + 1);
  int r = rowTitled("测试书签");
  ASSERT_GE(r, 0);
  EXPECT_EQ(page_->list().view().cell(r, 3), "5 次");
  EXPECT_EQ(page_->list().view().cell(r, 4), "从未");
  EXPECT_EQ(page_->list().row(r).secondLine, "http://example.com/测试");

  // Change the row last clicked; the editor opens on its texts.
  clickCell(r, 2);
  std::string title, url, visits;
  ASSERT_TRUE(withModal("修改书签 - Zorvik", [&](HWND w) {
    title = itemText(w, IDC_BOOKMARK_TITLE);
    url = itemText(w, IDC_BOOKMARK_URL);
    visits = itemText(w, IDC_BOOKMARK_VISITS);
    SetDlgItemTextA(w, IDC_BOOKMARK_TITLE, "改过的书签");
    SetDlgItemTextA(w, IDC_BOOKMARK_VISITS, "");
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kEditBookmark); }));
  EXPECT_EQ(title, "测试书签");
  EXPECT_EQ(url, "http://example.com/测试");
  EXPECT_EQ(visits, "5");
  waitIdle();
  std::optional<BookmarkRow> changed = phoneBookmarkTitled("改过的书签");
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->bookmarkId, added->bookmarkId);
  EXPECT_EQ(changed->visits, 0);  // an empty count is 0
  r = rowTitled("改过的书签");
  ASSERT_GE(r, 0);
  EXPECT_EQ(page_->list().view().cell(r, 3), "0 次");
  EXPECT_EQ(rowTitled("测试书签"), -1);

  // Delete it.
  clickCell(r, 6);
  EXPECT_EQ(page_->list().checkedRows(), std::vector<int>{r});
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = itemText(w, IDC_NOTICE_TEXT);
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kDeleteBookmarks); }));
  EXPECT_EQ(question, "您真的要删除选择的【 1 】条浏览器书签项吗？");
  waitIdle();
  EXPECT_FALSE(phoneBookmarkTitled("改过的书签"));
  EXPECT_EQ(phoneBookmarks().size(), before);
  EXPECT_EQ(page_->list().count(), static_cast<int>(before));
}

TEST_F(BookmarksPageTest, TitleAndAddressAreRequiredAndTheCountMustBeANumber) {
  const size_t before = phoneBookmarks().size();
  std::string missing, badCount;
  ASSERT_TRUE(withModal("新建书签 - Zorvik", [&](HWND w) {
    SetDlgItemTextA(w, IDC_BOOKMARK_TITLE, "只有标题");
    click(w, IDOK);
    missing = itemText(w, IDC_BOOKMARK_HINT);
    SetDlgItemTextA(w, IDC_BOOKMARK_URL, "http://a/");
    SetDlgItemTextA(w, IDC_BOOKMARK_VISITS, "99999999999");
    click(w, IDOK);
    badCount = itemText(w, IDC_BOOKMARK_HINT);
    click(w, IDCANCEL);
  }, [&] { page_->onToolbar(toolbar::kNewBookmark); }));
  EXPECT_EQ(missing, "【提示】请填写标题和网址");
  EXPECT_EQ(badCount, "【提示】访问次数应为不大于2147483647的数字");
  EXPECT_FALSE(page_->busy());
  EXPECT_EQ(phoneBookmarks().size(), before);
}

TEST_F(BookmarksPageTest, SyncDialogOffersThreeDirectionsThatSayTheyAreNotThereYet) {
  std::vector<std::string> captions, answers;
  ASSERT_TRUE(withModal("同步收藏夹 - Zorvik", [&](HWND w) {
    for (int id : {IDC_SYNC_TO_PHONE, IDC_SYNC_TO_PC, IDC_SYNC_BOTH}) {
      captions.push_back(itemText(w, id));
      SetDlgItemTextA(w, IDC_SYNC_TEXT, "");
      click(w, id);
      answers.push_back(itemText(w, IDC_SYNC_TEXT));
    }
    pump(200);
    test::saveWindowPng(w, test::artifactPath("bookmark_sync.png"));
    click(w, IDCANCEL);
  }, [&] { SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(BookmarksPage::kSyncId, BN_CLICKED), 0); }));
  EXPECT_EQ(captions, (std::vector<std::string>{"电脑同步到手机", "手机同步到电脑", "电脑和手机双向"}));
  for (const std::string& a : answers) EXPECT_EQ(a, BookmarkSyncDialog::kNotYetText);
}

TEST_F(BookmarksPageTest, DeletingOnASilentPhoneKeepsTheWindowAnsweringAndSaysSo) {
  ASSERT_GE(page_->list().count(), 3);
  const size_t before = phoneBookmarks().size();
  for (int r : {0, 1, 2}) page_->list().setChecked(r, true);
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = itemText(w, IDC_NOTICE_TEXT);
    click(w, IDOK);
  }, [&] { page_->onToolbar(toolbar::kDeleteBookmarks); }));
  EXPECT_EQ(question, "您真的要删除选择的【 3 】条浏览器书签项吗？");
  ASSERT_TRUE(page_->sending());
  DWORD_PTR result = 0;
  std::thread asker([&] {
    EXPECT_NE(SendMessageTimeoutA(page_->hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
  });
  ASSERT_TRUE(pumpUntil([&] { return !page_->sending(); }, 5000));
  asker.join();
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
  phoneControl("reset");
  // Whatever the phone did with the cut-off request, the list shows it after a reload.
  load();
  EXPECT_EQ(page_->list().count(), static_cast<int>(phoneBookmarks().size()));
  EXPECT_LE(phoneBookmarks().size(), before);
}

TEST_F(BookmarksPageTest, AWholeReplyWithAnImpossibleThumbnailLengthShowsNoPartAndSaysSo) {
  const int before = page_->list().count();
  test::BodyWriter body = test::BodyWriter::body();
  body.i64(1).utf8("ok").utf8("http://ok/").i32(0).i64(0).i32(0).i32(0);
  body.i64(2).utf8("bad").utf8("http://bad/").i32(0).i64(0).i32(0).i32(1).i64(int64_t{1} << 40).raw("tiny");
  test::BodyWriter reply = test::BodyWriter::request();
  reply.i32(static_cast<int32_t>(body.bytes.size())).raw(std::string(body.bytes.begin(), body.bytes.end()));
  test::LoopbackServer agent({{.requestSize = 4, .reply = reply.bytes}});
  const uint16_t port = agentPort();
  setAgentPort(agent.port());
  load();
  setAgentPort(port);
  EXPECT_EQ(page_->list().count(), before);  // the phone's rows shown before stay; "ok" is not added
  EXPECT_EQ(rowTitled("ok"), -1);
  EXPECT_EQ(host_->status(), "【X】连接中断：手机端的回复不完整");
  const auto requests = agent.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].bytes, listBookmarksRequest());
}

// Both pages in the real main window: shown by message 0x432, their toolbars, loaded from the
// phone once, and "刷新…" (0x466 index 0) loading again.
TEST(AlarmsAndBookmarksInTheMainWindow, ShownByGroupAndIdWithTheirToolbarsAndLoaded) {
  if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
  phoneControl("reset");
  PageDataTable::instance().clear();
  MainWindow window{MainWindowOptions{}};
  ASSERT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  auto toolbarText = [&](int id) {
    char text[64] = {};
    GetDlgItemTextA(window.hwnd(), id, text, sizeof text);
    return std::string(text);
  };
  struct Case {
    int page;
    int key;
    const char* captions[4];
    const char* shot;
  } cases[] = {
      {kPageAlarms, 4, {"刷新闹铃项", "新建闹铃", "修改选择的", "删除选择的"}, "main_alarms.png"},
      {kPageBookmarks, 7, {"刷新书签项", "新建书签", "修改选择的", "删除选择的"}, "main_bookmarks.png"},
  };
  for (const Case& c : cases) {
    PostMessageA(window.hwnd(), 0x432, 1, c.page);
    ASSERT_TRUE(pumpUntil([&] { return window.currentPageId() == c.page; }, 3000)) << c.page;
    EXPECT_EQ(window.toolbarCount(), 4);
    const int ids[4] = {IDC_TOOLBAR_0, IDC_TOOLBAR_1, IDC_TOOLBAR_2, IDC_TOOLBAR_3};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(toolbarText(ids[i]), c.captions[i]) << c.page;
    ASSERT_TRUE(pumpUntil([&] { return PageDataTable::instance().state(c.key) == PageDataState::Loaded; }, 20000));
    Page* page = window.page(c.page);
    ASSERT_NE(page, nullptr);
    TwoLineList* list = nullptr;
    if (auto* a = dynamic_cast<AlarmsPage*>(page)) list = &a->list();
    if (auto* b = dynamic_cast<BookmarksPage*>(page)) list = &b->list();
    ASSERT_NE(list, nullptr) << c.page;
    EXPECT_GT(list->count(), 0);
    pump(300);
    EXPECT_TRUE(test::saveWindowPng(window.hwnd(), test::artifactPath(c.shot)));
    // "刷新…" loads again.
    SendMessageA(window.hwnd(), 0x466, 0, 0);
    EXPECT_EQ(PageDataTable::instance().state(c.key), PageDataState::Loading);
    ASSERT_TRUE(pumpUntil([&] { return PageDataTable::instance().state(c.key) == PageDataState::Loaded; }, 20000));
  }
  DestroyWindow(window.hwnd());
  pump(100);
}

}  // namespace
}  // namespace zorvik
