// Every page that loads a list from the phone, under the one failure policy: the agent's "no
// reply" is a finished, empty load; a cut reply, a silent phone, a refused connection and a phone
// whose agent is gone keep what the page showed, say why in the status line, and leave the page's
// key absent so the next visit or a refresh loads again (and it does). Run against the virtual
// phone and websim by tests/win/manage/apps_vphone.sh.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "app/PageData.h"
#include "settings/SettingsWin.h"
#include "devlink/AgentSession.h"
#include "manage/alarms/win/AlarmsPage.h"
#include "manage/apps/win/AppsPage.h"
#include "manage/alarms/win/BookmarksPage.h"
#include "manage/system/win/CleanerPage.h"
#include "manage/files/win/FilesPage.h"
#include "manage/processes/win/ProcessesPage.h"
#include "manage/system/win/StartupPage.h"
#include "pim/win/CallLogPage.h"
#include "pim/win/ContactsPage.h"
#include "pim/win/MessagesPage.h"

namespace zorvik {
namespace {

using namespace test;

constexpr const char* kCut = "【X】连接中断：手机端的回复不完整";
constexpr const char* kTimedOut = "【X】连接超时：手机端没有响应";
constexpr const char* kRefused = "【X】连接错误";

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

// What a two-line list shows: each row's first and second line, from `first` on.
std::vector<std::string> twoLineRows(TwoLineList& list, int first = 0) {
  std::vector<std::string> rows;
  for (int r = first; r < list.count(); ++r) rows.push_back(list.view().cell(r, 1) + "|" + list.row(r).secondLine);
  return rows;
}

std::vector<std::string> treeTexts(HWND tree) {
  std::vector<std::string> texts;
  std::vector<HTREEITEM> stack;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) stack.push_back(i);
  while (!stack.empty()) {
    HTREEITEM i = stack.back();
    stack.pop_back();
    char text[512] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = i;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    TreeView_GetItem(tree, &item);
    texts.push_back(text);
    for (HTREEITEM c = TreeView_GetChild(tree, i); c; c = TreeView_GetNextSibling(tree, c)) stack.push_back(c);
  }
  return texts;
}

// Per page: its id, the command its load sends, how many exchanges one load may wait for, what
// it shows, when it is idle, what its status line says while it loads (if anything), and a count
// of what a finished load sets off (a card, a web lookup), which a failed one must not.
template <typename P>
struct Faults;

struct NoFollowUps {
  template <typename P>
  static int followUps(P&) { return 0; }
};

template <>
struct Faults<ContactsPage> {
  static constexpr int kPage = kPageContacts, kCommand = 870101, kExchanges = 1;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(ContactsPage& p) { return twoLineRows(p.list()); }
  static bool idle(ContactsPage& p) { return !p.busy() && !p.cardLoading() && !p.cardPending(); }
  static int followUps(ContactsPage& p) { return p.cardLoadCount(); }
};
template <>
struct Faults<CallLogPage> : NoFollowUps {
  static constexpr int kPage = kPageCallLog, kCommand = 870301, kExchanges = 1;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(CallLogPage& p) { return twoLineRows(p.list()); }
  static bool idle(CallLogPage& p) { return !p.busy(); }
};
template <>
struct Faults<MessagesPage> : NoFollowUps {
  static constexpr int kPage = kPageMessages, kCommand = 870201, kExchanges = 1;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(MessagesPage& p) {
    std::vector<std::string> rows;
    for (const ThreadRecord& t : p.threads()) rows.push_back(t.name + "|" + t.number);
    return rows;
  }
  static bool idle(MessagesPage& p) { return !p.busy(); }
};
template <>
struct Faults<AlarmsPage> : NoFollowUps {
  static constexpr int kPage = kPageAlarms, kCommand = 870401, kExchanges = 1;
  static constexpr const char* kLoadingText = nullptr;
  static std::vector<std::string> shown(AlarmsPage& p) { return twoLineRows(p.list()); }
  static bool idle(AlarmsPage& p) { return !p.busy(); }
};
template <>
struct Faults<BookmarksPage> : NoFollowUps {
  static constexpr int kPage = kPageBookmarks, kCommand = 870701, kExchanges = 1;
  static constexpr const char* kLoadingText = nullptr;
  static std::vector<std::string> shown(BookmarksPage& p) { return twoLineRows(p.list()); }
  static bool idle(BookmarksPage& p) { return !p.busy(); }
};
template <>
struct Faults<ProcessesPage> : NoFollowUps {
  // The free memory (871806) is asked first.
  static constexpr int kPage = kPageProcesses, kCommand = 871801, kExchanges = 2;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(ProcessesPage& p) {
    std::vector<std::string> rows = twoLineRows(p.list());
    rows.push_back("free " + p.freeMemoryText());
    return rows;
  }
  static bool idle(ProcessesPage& p) { return !p.busy(); }
};
template <>
struct Faults<CleanerPage> : NoFollowUps {
  // The three fixed rows are always there; the phone's applications follow them.
  static constexpr int kPage = kPageCleaner, kCommand = 871601, kExchanges = 1;
  static constexpr const char* kLoadingText = nullptr;
  static std::vector<std::string> shown(CleanerPage& p) {
    std::vector<std::string> rows = twoLineRows(p.list(), kCleanFixedRowCount);
    for (int r = 0; r < p.list().count(); ++r)
      if (!p.list().row(r).checked) rows.push_back("unticked " + p.list().row(r).secondLine);
    return rows;
  }
  static bool idle(CleanerPage& p) { return !p.busy(); }
};
template <>
struct Faults<StartupPage> : NoFollowUps {
  static constexpr int kPage = kPageStartup, kCommand = 871701, kExchanges = 1;
  static constexpr const char* kLoadingText = nullptr;
  static std::vector<std::string> shown(StartupPage& p) { return treeTexts(p.tree()); }
  static bool idle(StartupPage& p) { return !p.busy(); }
};
template <>
struct Faults<FilesPage> : NoFollowUps {
  static constexpr int kPage = kPageFiles, kCommand = 870601, kExchanges = 1;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(FilesPage& p) {
    std::vector<std::string> rows;
    for (int r = 0; r < p.list().count(); ++r) rows.push_back(p.list().cell(r, 0) + "|" + p.list().cell(r, 1));
    return rows;
  }
  static bool idle(FilesPage& p) { return !p.busy(); }
};
template <>
struct Faults<AppsPage> {
  // A finished list is followed by the phone's facts (870002) and the web lookup.
  static constexpr int kPage = kPageApplications, kCommand = 870802, kExchanges = 1;
  static constexpr const char* kLoadingText = "正在读取...";
  static std::vector<std::string> shown(AppsPage& p) {
    std::vector<std::string> rows = twoLineRows(p.list());
    for (const AppRow& r : p.rows()) rows.push_back(r.packageName + " " + r.descriptionLine);
    return rows;
  }
  static bool idle(AppsPage& p) { return !p.busy() && !p.lookupRunning(); }
  static int followUps(AppsPage& p) { return p.lookupsDone(); }
};

void soundPhone() {
  phoneControl("reset");
  phoneControl("agent running 1");
}

template <typename P>
class ListPageFaults : public ::testing::Test {
protected:
  using F = Faults<P>;

  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT") || !std::getenv("ZORVIK_TEST_CONTROL_PORT") ||
        !std::getenv("ZORVIK_TEST_WEB_BASE"))
      GTEST_SKIP() << "run through apps_vphone.sh";
    for (const char* name : {kServiceBaseValue, kStoreBaseValue}) writeSetting(name, std::getenv("ZORVIK_TEST_WEB_BASE"));
    soundPhone();
    ASSERT_TRUE(ui_.open(F::kPage, "List page faults", 1000, 640));
    load();
    whole_ = F::shown(*ui_.page);
    ASSERT_FALSE(whole_.empty());
    ASSERT_EQ(ui_.host->status(), "");
    ASSERT_TRUE(PageDataTable::instance().contains(ui_.info->pageKey));
  }
  void TearDown() override {
    ui_.close();
    soundPhone();
  }
  void load(int timeoutMs = 20000) {
    followUps_ = F::followUps(*ui_.page);
    PageDataTable::instance().forget(ui_.info->pageKey);
    ui_.page->reload();
    ASSERT_TRUE(pumpUntil([&] { return F::idle(*ui_.page); }, timeoutMs));
  }
  void fault(const std::string& command) { ASSERT_EQ(phoneControl(command).rfind("OK", 0), 0u) << command; }
  // A failed load: what was shown stays, the status says why, the key is absent.
  void expectKept(const char* status, const std::string& what) {
    EXPECT_EQ(F::shown(*ui_.page), whole_) << what;
    EXPECT_EQ(ui_.host->status(), status) << what;
    EXPECT_FALSE(PageDataTable::instance().contains(ui_.info->pageKey)) << what;
    EXPECT_EQ(F::followUps(*ui_.page), followUps_) << what;
  }
  // The phone sound again: the next load shows the whole list once more.
  void expectRecovered(const std::string& what) {
    soundPhone();
    load();
    EXPECT_EQ(F::shown(*ui_.page), whole_) << what;
    EXPECT_EQ(ui_.host->status(), "") << what;
    EXPECT_EQ(PageDataTable::instance().state(ui_.info->pageKey), PageDataState::Loaded) << what;
  }

  PageUnderTest<P> ui_;
  std::vector<std::string> whole_;
  int followUps_ = 0;  // as the last load began
};

using ListPages = ::testing::Types<ContactsPage, CallLogPage, MessagesPage, AlarmsPage, BookmarksPage, ProcessesPage,
                                   CleanerPage, StartupPage, FilesPage, AppsPage>;
TYPED_TEST_SUITE(ListPageFaults, ListPages);

TYPED_TEST(ListPageFaults, NoReplyIsAFinishedEmptyLoad) {
  using F = Faults<TypeParam>;
  this->fault("reply noreply " + std::to_string(F::kCommand));
  this->load();
  std::vector<std::string> shown = F::shown(*this->ui_.page);
  // The processes page still shows the free memory it was given.
  if (!shown.empty() && shown.back().rfind("free ", 0) == 0) shown.pop_back();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(this->ui_.host->status(), "");
  EXPECT_EQ(PageDataTable::instance().state(this->ui_.info->pageKey), PageDataState::Loaded);
  this->expectRecovered("after no reply");
}

TYPED_TEST(ListPageFaults, ACutReplyKeepsWhatWasShownAndSaysSo) {
  using F = Faults<TypeParam>;
  const std::string code = std::to_string(F::kCommand);
  for (const std::string& cut : {"reply truncate " + code + " 40", "reply close-mid " + code}) {
    this->fault(cut);
    this->load();
    this->expectKept(kCut, cut);
    this->expectRecovered(cut);
  }
}

TYPED_TEST(ListPageFaults, ASilentPhoneEndsAtTheDeadlineAndARefreshLoadsAgain) {
  using F = Faults<TypeParam>;
  {
    ShortDeadlines deadlines;
    this->fault("reply pieces 1 10000");
    const auto t0 = std::chrono::steady_clock::now();
    this->followUps_ = F::followUps(*this->ui_.page);
    PageDataTable::instance().forget(this->ui_.info->pageKey);
    this->ui_.page->reload();
    EXPECT_TRUE(this->ui_.page->busy());
    if (F::kLoadingText) {
      EXPECT_EQ(this->ui_.host->status(), F::kLoadingText);
    }
    EXPECT_EQ(F::shown(*this->ui_.page), this->whole_);  // nothing goes before the phone answers
    this->ui_.page->reload();                            // dropped while one runs
    ASSERT_TRUE(pumpUntil([&] { return F::idle(*this->ui_.page); }, 4000 * F::kExchanges));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 1000.0 + 2000.0 * F::kExchanges);
    this->expectKept(kTimedOut, "silent");
  }
  this->expectRecovered("after the silence");
}

TYPED_TEST(ListPageFaults, ARefusedConnectionKeepsWhatWasShownAndSaysSo) {
  const uint16_t port = agentPort();
  setAgentPort(unusedPort());
  this->load();
  setAgentPort(port);
  this->expectKept(kRefused, "refused");
  this->expectRecovered("after the refusal");
}

TYPED_TEST(ListPageFaults, APhoneWhoseAgentIsGoneKeepsWhatWasShownAndTheNextLoadFillsItAgain) {
  // The forward still takes the call, but nobody answers behind it.
  this->fault("agent running 0");
  this->load();
  this->expectKept(kCut, "agent gone");
  this->expectRecovered("agent back");
}

}  // namespace
}  // namespace zorvik
