#include "app/Page.h"

#include <commctrl.h>

#include <map>
#include <mutex>

#include "app/PageData.h"
#include "ui/TwoLineList.h"

namespace zorvik {

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

void Page::wireList(TwoLineList& list, int listId, std::function<bool()> busy, bool tickOnClick) {
  map_.on(WM_DRAWITEM, [&list, listId](WinMsg& m) {
    auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp);
    if (static_cast<int>(d->CtlID) == listId) list.drawItem(*d);
    m.result = TRUE;
  });
  if (tickOnClick)
    map_.onNotify(listId, NM_CLICK, [&list](WinMsg& m) { list.onClick(*reinterpret_cast<const NMITEMACTIVATE*>(m.lp)); });
  map_.on(WM_SETCURSOR, [&list, busy = std::move(busy)](WinMsg& m) {
    if (busy() && reinterpret_cast<HWND>(m.wp) == list.hwnd() && LOWORD(m.lp) == HTCLIENT) {
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
