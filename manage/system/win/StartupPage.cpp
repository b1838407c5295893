#include "manage/system/win/StartupPage.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"

namespace zorvik {

StartupPage::StartupPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    // No tooltips: the tree spans the page, so its texts are not cut, and a tooltip window of its
    // own would sit beside the main window's caption tooltips on the UI thread.
    tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS,
                            0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeId)),
                            GetModuleHandleA(nullptr), nullptr);
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    // While the tree loads it says so with the busy cursor.
    if (loading_ && reinterpret_cast<HWND>(m.wp) == tree_ && LOWORD(m.lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });
}

StartupPage::~StartupPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
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
  TreeView(tree_).clear();
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        AgentBody body;
        loaded.result = exchangeForBody(startupItemsRequest(), body, cancel);
        // A cut reply still shows the entries that did arrive.
        if (loaded.result == AgentResult::Ok || loaded.result == AgentResult::Cut)
          loaded.items = parseStartupItems(body.bytes.data(), body.bytes.size());
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void StartupPage::fill(Loaded& loaded) {
  loading_ = false;
  const char* failure = agentFailureText(loaded.result);
  host().setStatusText(failure ? failure : "");
  TreeView tree(tree_);
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  tree.clear();
  for (const auto& [event, entries] : loaded.items.byEvent) {
    HTREEITEM root = tree.insert(TVI_ROOT, startupEventText(event));
    for (const StartupEntry& e : entries) {
      HTREEITEM entry = tree.insert(root, e.entryText);
      tree.insert(entry, e.detailText);
    }
  }
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
  // A phone that could not be asked is asked again on the next visit.
  if (failure && loaded.result != AgentResult::Cut) markFailed();
  else markLoaded();
}

}  // namespace zorvik
