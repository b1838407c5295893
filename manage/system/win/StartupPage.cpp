#include "manage/system/win/StartupPage.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"
#include "devlink/FetchList.h"

namespace zorvik {

StartupPage::StartupPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    // No tooltips: the tree spans the page, so its texts are not cut, and a tooltip window of its
    // own would sit beside the main window's caption tooltips on the UI thread.
    tree_ = createChild(hwnd(), {.className = WC_TREEVIEWA,
                                 .style = WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                          TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS,
                                 .id = kTreeId,
                                 .exStyle = WS_EX_CLIENTEDGE});
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  // While the tree loads it says so with the busy cursor.
  busyCursorOver([this] { return tree_; }, [this] { return loading_; });
}

void StartupPage::layout() {
  if (!tree_) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(tree_, 0, 0, client.right, client.bottom, TRUE);
}

void StartupPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshStartup: reload(); break;
    case toolbar::kExpandAll: expandRoots(true); break;
    case toolbar::kCollapseAll: expandRoots(false); break;
    default: break;
  }
}

void StartupPage::expandRoots(bool expand) {
  for (HTREEITEM i = TreeView_GetRoot(tree_); i; i = TreeView_GetNextSibling(tree_, i))
    TreeView_Expand(tree_, i, expand ? TVE_EXPAND : TVE_COLLAPSE);
}

void StartupPage::load() {
  if (loading_) return;
  loading_ = true;
  work_.run([](ExchangeCancel* cancel) { return fetchRecords(startupItemsRequest(), parseStartupItems, cancel); },
            [this](Fetched<std::vector<StartupEntry>>& loaded) {
              loading_ = false;
              // The tree shown stays until a whole reply has come.
              finishLoad(loaded.result, [&] { fill(std::move(loaded.list)); });
            });
}

void StartupPage::fill(std::vector<StartupEntry> items) {
  TreeView tree(tree_);
  RedrawSuspended quiet(tree_);
  tree.clear();
  for (const auto& [event, entries] : startupTree(std::move(items))) {
    HTREEITEM root = tree.insert(TVI_ROOT, startupEventText(event));
    for (const StartupEntry& e : entries) {
      HTREEITEM entry = tree.insert(root, e.entryText);
      tree.insert(entry, e.detailText);
    }
  }
}

}  // namespace zorvik
