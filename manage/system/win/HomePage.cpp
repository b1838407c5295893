#include "manage/system/win/HomePage.h"

#include <utility>

#include "app/MainWindow.h"
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

HomePage::~HomePage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
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
  if (const char* failure = agentFailureText(loaded.result)) {
    host().setStatusText(failure);  // the dashboard keeps what it showed
    return;
  }
  if (loaded.read != FactsRead::Complete) return;  // the phone had nothing to say
  modelHtml_ = std::move(loaded.model);
  widgetsHtml_ = std::move(loaded.widgets);
  ++fills_;
  lastFill_ = std::chrono::steady_clock::now();
  writeDocument();
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
  // Posted: the browser's navigation event returns before the main window changes pages.
  HWND main = host().mainHwnd();
  switch (c.action) {
    case DashboardAction::Refresh: load(); break;
    case DashboardAction::DeviceManager: PostMessageA(main, kMsgAppCommand, kAppDeviceManager, 0); break;
    case DashboardAction::Store: PostMessageA(main, kMsgShowPage, kGroupDownloads, kPageStore); break;
    case DashboardAction::ScreenCapture: PostMessageA(main, kMsgShowPage, kGroupTools, kPageScreenCapture); break;
    case DashboardAction::SystemInfo: PostMessageA(main, kMsgShowPage, kGroupTools, kPageSystemInfo); break;
    case DashboardAction::PhoneSettings: PostMessageA(main, kMsgShowPage, kGroupTools, kPagePhoneSettings); break;
    case DashboardAction::StoreItem: PostMessageA(main, kMsgAppCommand, kAppStoreItem, c.storeItem); break;
    case DashboardAction::Nothing: break;
  }
}

}  // namespace zorvik
