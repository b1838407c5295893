#include "manage/apps/win/StorePage.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "app/PageData.h"
#include "app/PageTable.h"
#include "app/StoreSearchText.h"
#include "settings/SettingsWin.h"
#include "common/Md5.h"
#include "app/resource.h"

namespace zorvik {

namespace {
DownloadRequestHandler& downloadHandler() {
  static DownloadRequestHandler handler;
  return handler;
}
}  // namespace

void setDownloadRequestHandler(DownloadRequestHandler handler) { downloadHandler() = std::move(handler); }

class StorePage::Browser : public CHtmlCtrlBase {
public:
  explicit Browser(StorePage& page) : page_(page) {}
  void OnBeforeNavigate2(const std::string& address, bool& cancel) override {
    CHtmlCtrlBase::OnBeforeNavigate2(address, cancel);
    if (!cancel) cancel = page_.beforeNavigate(address);
  }

private:
  StorePage& page_;
};

StorePage::StorePage(const PageInfo& info, PageHost& host)
    : Page(info, host, IDD_HTML_PAGE), browser_(std::make_unique<Browser>(*this)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    browser_->CreateFromStatic(IDC_HTML_PLACEHOLDER, hwnd(), this);
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) {
    RECT r = clientRectOf(hwnd());
    if (browser_->hwnd()) MoveWindow(browser_->hwnd(), 0, 0, r.right, r.bottom, TRUE);
  });
  map_.on(kMsgStoreItem, [this](WinMsg& m) { openItem(static_cast<int32_t>(m.lp)); });
}

StorePage::~StorePage() = default;

void StorePage::navigate(const std::string& address) {
  lastAddress_ = address;
  browser_->Navigate2(address);
}

void StorePage::load() {
  openHome();
}

void StorePage::onShown() {
  // The category pages have no page-data key: they open their address when first shown.
  if (info().id == kPageStore || categoryShown_) return;
  categoryShown_ = true;
  char tail[32];
  std::snprintf(tail, sizeof tail, "category/%d.html", indexOfPage(info().id));
  navigate(storeBase() + tail);
}

void StorePage::onToolbar(int index) {
  switch (index) {
    case toolbar::kBack:
      if (browser_->browser()) browser_->browser()->GoBack();
      break;
    case toolbar::kStoreHome: openHome(); break;
    default: break;
  }
}

LRESULT StorePage::onRouted(UINT msg, WPARAM, LPARAM lp) {
  // lParam is a ticket of this process (postStoreSearch), never an address: anything else,
  // from whatever sender, is ignored.
  if (msg != kMsgStoreSearch) return 0;
  const std::optional<std::string> keyword = collectStoreSearch(static_cast<uintptr_t>(lp));
  // 1 when the results were opened, so the main window shows them.
  return keyword && search(*keyword) ? 1 : 0;
}

void StorePage::openHome() {
  PageDataTable::instance().forget(kKeyStore);
  PageDataTable::instance().beginLoad(kKeyStore);
  navigate(storeBase());
  PageDataTable::instance().markLoaded(kKeyStore);
}

void StorePage::openItem(int32_t itemNumber) {
  if (itemNumber == -1) return;
  navigate(storeItemAddress(storeBase(), itemNumber));
}

bool StorePage::search(const std::string& keyword) {
  if (keyword.size() < kMinSearchKeyword) {
    char text[160];
    std::snprintf(text, sizeof text, "关键字【%s】过短，请换个长些的", keyword.c_str());
    host().setStatusText(text);
    return false;
  }
  const std::string cleaned = cleanSearchKeyword(keyword);
  const std::string key = searchKey(cleaned, md5hex);
  PageDataTable::instance().forget(kKeyStore);
  PageDataTable::instance().beginLoad(kKeyStore);
  navigate(storeSearchAddress(storeBase(), cleaned, key));
  PageDataTable::instance().markLoaded(kKeyStore);
  host().setStatusText("");  // an earlier "too short" no longer applies
  return true;
}

bool StorePage::beforeNavigate(const std::string& address) {
  DownloadRequest request;
  switch (makeDownloadRequest(address, request)) {
    case DownloadRequestOutcome::NotPackage:
      return false;
    case DownloadRequestOutcome::TooLong:
      host().setStatusText("【错误】下载地址太长，无法下载");
      return true;
    case DownloadRequestOutcome::NoName:
      host().setStatusText("【错误】下载地址中没有软件包名，无法下载");
      return true;
    case DownloadRequestOutcome::Ok:
      break;
  }
  if (downloadHandler()) {
    downloadHandler()(request);
    // The main window hands the request to the downloads page.
    host().requestDownload();
  } else {
    host().setStatusText("【提示】下载功能尚未就绪，无法下载：" + request.address);
  }
  return true;
}

}  // namespace zorvik
