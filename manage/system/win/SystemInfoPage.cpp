#include "manage/system/win/SystemInfoPage.h"

#include <commctrl.h>

#include "ui/Controls.h"
#include "devlink/TcpSocket.h"

namespace zorvik {

namespace {
enum Column { kPictureColumn, kTypeColumn, kDetailColumn, kCompareColumn };
}  // namespace

AgentResult fetchPhoneFacts(const ExchangeCancel* cancel, PhoneFacts& facts, FactsRead& read) {
  AgentBody body;
  AgentResult result = exchangeForBody(phoneFactsRequest(), body, cancel);
  read = FactsRead::Short;
  if (result != AgentResult::Ok) return result;
  read = parsePhoneFacts(body.bytes.data(), body.bytes.size(), facts);
  // A body the reader cannot walk to its end is not the phone's facts: nothing is shown from it.
  return read == FactsRead::Short ? AgentResult::Malformed : AgentResult::Ok;
}

SystemInfoPage::SystemInfoPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    list_ = createChild(hwnd(), {.className = WC_LISTVIEWA,
                                 .style = WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                                          LVS_NOSORTHEADER,
                                 .id = kListId});
    ListView view(list_);
    view.setExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    view.addColumn(kPictureColumn, {"", 30});
    view.addColumn(kTypeColumn, {"类型", 80, LVCFMT_CENTER});
    view.addColumn(kDetailColumn, {"详细信息", 448});
    view.addColumn(kCompareColumn, {"主流对比", 200});
    view.setItemHeight(20);  // the nineteen rows fit the page without scrolling
    for (int r = 0; r < kSystemInfoRowCount; ++r) {
      view.insertRow(r, "");
      view.setCell(r, kTypeColumn, kSystemInfoTypes[r]);
    }
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  busyCursorOver([this] { return list_; }, [this] { return loading_; });
}

void SystemInfoPage::layout() {
  if (!list_) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(list_, 0, 0, client.right, client.bottom, TRUE);
}

void SystemInfoPage::onToolbar(int index) {
  if (index == toolbar::kRefreshSystemInfo) reload();
}

void SystemInfoPage::load() {
  if (loading_) return;
  loading_ = true;
  // Sockets are started with the program; should that have failed, the user is told here
  // (the exchange below then ends as a connection error).
  if (!startSockets()) MessageBoxA(hwnd(), "初始化错误", "卓维克", MB_OK | MB_ICONERROR);
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        loaded.result = fetchPhoneFacts(cancel, loaded.facts, loaded.read);
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void SystemInfoPage::fill(const Loaded& loaded) {
  loading_ = false;
  // The rows keep their texts unless the phone's facts came whole; NoReply (nothing to say) is a
  // finished load that changes nothing.
  finishLoad(loaded.result, [&] {
    if (loaded.read != FactsRead::Complete) return;
    RedrawSuspended quiet(list_);
    const auto details = systemInfoDetails(loaded.facts);
    ListView view(list_);
    for (int r = 0; r < kSystemInfoRowCount; ++r) view.setCell(r, kDetailColumn, details[static_cast<size_t>(r)]);
    ++fills_;
  });
}

}  // namespace zorvik
