#include "app/Page.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "app/PageData.h"
#include "app/StoreSearchText.h"

namespace zorvik {

bool postStoreSearch(HWND mainWindow, const std::string& keyword) {
  const uintptr_t ticket = depositStoreSearch(keyword);
  if (ticket == 0) return false;
  if (PostMessageA(mainWindow, kMsgStoreSearch, 0, static_cast<LPARAM>(ticket))) return true;
  collectStoreSearch(ticket);  // not posted: the keyword does not wait for ever
  return false;
}

Page::Page(const PageInfo& info, PageHost& host, int templateId)
    : Dialog(templateId), info_(info), host_(host) {
  // Pages are white, as the skin is; labels on them are drawn transparently.
  auto white = [](WinMsg& m) {
    SetBkMode(reinterpret_cast<HDC>(m.wp), TRANSPARENT);
    m.result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  };
  map_.on(WM_CTLCOLORDLG, white);
  map_.on(WM_CTLCOLORSTATIC, white);
  map_.on(kMsgDropFiles, [this](WinMsg& m) { onDropFiles(reinterpret_cast<HDROP>(m.wp)); });
}

Page::~Page() { Page::close(); }

void Page::close() {
  if (closed_) return;
  closed_ = true;
  work_.stop();
  // Cancelled exchanges end within TcpSocket::kPollMs; a web fetch may take to its own deadline
  // and holds nothing of the page, so the wait is short.
  unsigned waitMs = kCloseWaitMs;
  if (closeBy_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*closeBy_ - std::chrono::steady_clock::now());
    waitMs = left.count() <= 0 ? 0 : static_cast<unsigned>(std::min<long long>(left.count(), kCloseWaitMs));
  }
  work_.waitForWorkers(waitMs);
  if (hwnd()) DestroyWindow(hwnd());
}

void Page::failLoad(AgentResult result) {
  const char* failure = agentFailureText(result);
  host_.setStatusText(failure ? failure : "");
  markFailed();
}

void Page::busyCursorOver(std::function<HWND()> control, std::function<bool()> busy) {
  map_.on(WM_SETCURSOR, [control = std::move(control), busy = std::move(busy)](WinMsg& m) {
    if (busy() && reinterpret_cast<HWND>(m.wp) == control() && LOWORD(m.lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });
}

void Page::reload() {
  if (info_.pageKey == kNoPageKey) return;
  PageDataTable::instance().forget(info_.pageKey);
  PageDataTable::instance().beginLoad(info_.pageKey);
  load();
}

void Page::markLoaded() {
  if (info_.pageKey != kNoPageKey) PageDataTable::instance().markLoaded(info_.pageKey);
}

void Page::markFailed() {
  if (info_.pageKey != kNoPageKey) PageDataTable::instance().forget(info_.pageKey);
}

namespace {
std::map<int, PageFactory>& factories() {
  static std::map<int, PageFactory> m;
  return m;
}
}  // namespace

PageFactory pageFactory(int pageId) {
  auto it = factories().find(pageId);
  if (it != factories().end() && it->second) return it->second;
  return [](const PageInfo& info, PageHost& host) -> std::unique_ptr<Page> {
    return std::make_unique<PlaceholderPage>(info, host);
  };
}

void setPageFactory(int pageId, PageFactory factory) { factories()[pageId] = std::move(factory); }

}  // namespace zorvik
