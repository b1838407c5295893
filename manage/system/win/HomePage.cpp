#include "manage/system/win/HomePage.h"

#include <utility>

#include "app/PageTable.h"
#include "manage/system/win/SystemInfoPage.h"

namespace zorvik {

namespace {
constexpr UINT kMsgMakeView = WM_APP + 1;  // posted to itself: the browser is made on the next turn
}  // namespace

HomePage::HomePage(const PageInfo& info, PageHost& host) : Page(info, host, IDD_HTML_PAGE) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) { m.result = TRUE; });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.on(kMsgMakeView, [this](WinMsg&) { ensureView(); });
}

void HomePage::View::OnDocumentComplete(const std::string& address) {
  CHtmlCtrlBase::OnDocumentComplete(address);
  page_.writeDocument();  // a fill that came before the document
}

// Making the browser pumps messages: it is made once the main window has finished creating its
// pages, on the next turn of the UI thread after the first showing.
void HomePage::onShown() {
  if (!view_.hwnd()) PostMessageA(hwnd(), kMsgMakeView, 0, 0);
}

void HomePage::ensureView() {
  if (view_.hwnd()) return;
  if (view_.CreateFromStatic(IDC_HTML_PLACEHOLDER, hwnd(), this)) view_.LoadFromResource(IDR_HTML_HOME);
  layout();
}

void HomePage::layout() {
  if (!view_.hwnd()) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(view_.hwnd(), 0, 0, client.right, client.bottom, TRUE);
}

void HomePage::load() {
  if (loading_) return;
  loading_ = true;
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        PhoneFacts facts;
        loaded.result = fetchPhoneFacts(cancel, facts, loaded.read);
        if (loaded.result == AgentResult::Ok && loaded.read == FactsRead::Complete) {
          loaded.model = dashboardModelHtml(facts);
          loaded.widgets = dashboardWidgetsHtml(facts);
        }
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void HomePage::fill(Loaded& loaded) {
  loading_ = false;
  // A failed fetch keeps what the dashboard showed; a phone with nothing to say changes nothing.
  finishLoad(loaded.result, [&] {
    if (loaded.read != FactsRead::Complete) return;
    modelHtml_ = std::move(loaded.model);
    widgetsHtml_ = std::move(loaded.widgets);
    ++fills_;
    lastFill_ = std::chrono::steady_clock::now();
    writeDocument();
  });
}

// On the UI thread: the document is written here, never from the worker. Without a document
// (under Wine there is none) nothing is written.
void HomePage::writeDocument() {
  if (fills_ == 0 || !view_.hwnd()) return;
  if (!view_.documentCookie() && !view_.registerDocument()) return;
  setElementHtml(view_.documentCookie(), "manufacturer", modelHtml_);
  setElementHtml(view_.documentCookie(), "info_ul", widgetsHtml_);
}

void HomePage::runCommand(const std::string& command) {
  const DashboardCommand c = dashboardCommand(command);
  // The frame acts on its next turn: the browser's navigation event returns first.
  PageHost& frame = host();
  switch (c.action) {
    case DashboardAction::Refresh: load(); break;
    case DashboardAction::DeviceManager: frame.openDeviceManager(); break;
    case DashboardAction::Store: frame.showPageLater(kGroupDownloads, kPageStore); break;
    case DashboardAction::ScreenCapture: frame.showPageLater(kGroupTools, kPageScreenCapture); break;
    case DashboardAction::SystemInfo: frame.showPageLater(kGroupTools, kPageSystemInfo); break;
    case DashboardAction::PhoneSettings: frame.showPageLater(kGroupTools, kPagePhoneSettings); break;
    case DashboardAction::StoreItem: frame.openStoreItem(c.storeItem); break;
    case DashboardAction::Nothing: break;
  }
}

}  // namespace zorvik
