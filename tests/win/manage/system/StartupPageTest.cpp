// The start-up page against the virtual phone's agent, under Wine: the tree read back from the
// control (roots ascending with the event texts, every entry with one detail node, all collapsed),
// expand and collapse acting on the roots only, and the phone refusing, cutting its reply, going
// silent or away. Run through tests/win/with_vphone.sh, which starts the phone and
// forwards ZORVIK_AGENT_PORT to it.
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
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "manage/system/StartupItems.h"
#include "manage/system/win/StartupPage.h"

namespace zorvik {
namespace {

using test::pump;
using test::pumpUntil;

using test::phoneControl;
using test::ShortDeadlines;
using test::TestHost;
using test::PageUnderTest;

// A node as the tree control holds it.
struct Node {
  std::string text;
  bool expanded = false;
  std::vector<Node> children;
};

std::vector<Node> readTree(HWND tree, HTREEITEM first) {
  std::vector<Node> nodes;
  for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
    char text[512] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_STATE;
    item.hItem = i;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    item.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(tree, &item);
    nodes.push_back({text, (item.state & TVIS_EXPANDED) != 0, readTree(tree, TreeView_GetChild(tree, i))});
  }
  return nodes;
}
std::vector<Node> readTree(HWND tree) { return readTree(tree, TreeView_GetRoot(tree)); }

class StartupPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    phoneControl("reset");
    ASSERT_TRUE(ui_.open(kPageStartup, "Startup test", 900, 640));
    ASSERT_EQ(ui_.info->pageKey, 13);
    reload();
  }
  void TearDown() override {
    ui_.close(5000);
    phoneControl("reset");
  }
  void reload() {
    ui_.page->reload();
    ASSERT_TRUE(pumpUntil([&] { return !ui_.page->loading(); }, 20000));
  }
  // The phone's items as its agent sends them now, read apart from the page.
  WireList<StartupEntry> phoneItems() {
    AgentBody body;
    EXPECT_EQ(exchangeForBody(startupItemsRequest(), body), AgentResult::Ok);
    return parseStartupItems(body.bytes.data(), body.bytes.size());
  }

  PageUnderTest<StartupPage> ui_;
};

TEST_F(StartupPageTest, TreeShowsEveryEventAscendingWithItsEntriesCollapsed) {
  WireList<StartupEntry> phoneList = phoneItems();
  ASSERT_TRUE(phoneList.ended);
  const StartupTree phone = startupTree(phoneList.records);
  ASSERT_FALSE(phone.empty());
  EXPECT_EQ(PageDataTable::instance().state(13), PageDataState::Loaded);
  EXPECT_EQ(ui_.host->status(), "");
  std::vector<Node> roots = readTree(ui_.page->tree());
  ASSERT_EQ(roots.size(), phone.size());
  size_t r = 0, entries = 0;
  for (const auto& [event, want] : phone) {
    const Node& root = roots[r++];
    EXPECT_EQ(root.text, startupEventText(event));
    EXPECT_FALSE(root.expanded);
    ASSERT_EQ(root.children.size(), want.size()) << root.text;
    for (size_t e = 0; e < want.size(); ++e) {
      EXPECT_EQ(root.children[e].text, want[e].entryText);
      ASSERT_EQ(root.children[e].children.size(), 1u);
      EXPECT_EQ(root.children[e].children[0].text, want[e].detailText);
      EXPECT_TRUE(root.children[e].children[0].children.empty());
      ++entries;
    }
  }
  EXPECT_EQ(entries, phoneList.records.size());
  EXPECT_EQ(TreeView_GetCount(ui_.page->tree()), roots.size() + 2 * entries);
  // "展开全部项" then a screenshot of what the user sees.
  ui_.page->onToolbar(toolbar::kExpandAll);
  pump(200);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("startup_page.png"));
}

TEST_F(StartupPageTest, ExpandAndCollapseAllActOnTheRootsOnly) {
  HWND tree = ui_.page->tree();
  HTREEITEM root = TreeView_GetRoot(tree);
  ASSERT_NE(root, nullptr);
  HTREEITEM entry = TreeView_GetChild(tree, root);
  ASSERT_NE(entry, nullptr);
  ui_.page->onToolbar(toolbar::kExpandAll);
  for (const Node& n : readTree(tree)) {
    EXPECT_TRUE(n.expanded) << n.text;
    for (const Node& c : n.children) EXPECT_FALSE(c.expanded) << c.text;
  }
  TreeView_Expand(tree, entry, TVE_EXPAND);  // the user opens one entry
  ui_.page->onToolbar(toolbar::kCollapseAll);
  std::vector<Node> roots = readTree(tree);
  for (const Node& n : roots) EXPECT_FALSE(n.expanded) << n.text;
  EXPECT_TRUE(roots[0].children[0].expanded);  // below the roots the state is kept
}

}  // namespace
}  // namespace zorvik
