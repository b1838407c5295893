#include "app/Page.h"

#include <map>
#include <mutex>

#include "app/PageData.h"

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
std::map<int, PageFactory>& overrides() {
  static std::map<int, PageFactory> m;
  return m;
}
}  // namespace

PageFactory builtInPageFactory(int pageId);  // PageRegistry.cpp

PageFactory pageFactory(int pageId) {
  auto it = overrides().find(pageId);
  if (it != overrides().end()) return it->second;
  if (PageFactory f = builtInPageFactory(pageId)) return f;
  return [](const PageInfo& info, PageHost& host) -> std::unique_ptr<Page> {
    return std::make_unique<PlaceholderPage>(info, host);
  };
}

void setPageFactory(int pageId, PageFactory factory) { overrides()[pageId] = std::move(factory); }

}  // namespace zorvik
