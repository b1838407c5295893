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
    list_ = CreateWindowExA(0, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                LVS_SINGLESEL | LVS_NOSORTHEADER,
                            0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                            GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list_, WM_SETFONT, SendMessageA(hwnd(), WM_GETFONT, 0, 0), FALSE);
    ListView view(list_);
    view.setExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    view.addColumn(kPictureColumn, {"", 30});
    view.addColumn(kTypeColumn, {"类型", 80});
    view.addColumn(kDetailColumn, {"详细信息", 448});
    view.addColumn(kCompareColumn, {"主流对比", 200});
    LVCOLUMNA centred{};
    centred.mask = LVCF_FMT;
    centred.fmt = LVCFMT_CENTER;
    SendMessageA(list_, LVM_SETCOLUMNA, kTypeColumn, reinterpret_cast<LPARAM>(&centred));
    view.setItemHeight(20);  // the nineteen rows fit the page without scrolling
    for (int r = 0; r < kSystemInfoRowCount; ++r) {
      view.insertRow(r, "");
      view.setCell(r, kTypeColumn, kSystemInfoTypes[r]);
    }
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    if (loading_ && reinterpret_cast<HWND>(m.wp) == list_ && LOWORD(m.lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });
}

SystemInfoPage::~SystemInfoPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
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
  const char* failure = agentFailureText(loaded.result);
  host().setStatusText(failure ? failure : "");
  if (loaded.result != AgentResult::Ok || loaded.read != FactsRead::Complete) {
    // The rows keep their texts; a phone that could not be asked is asked on the next visit.
    if (failure) markFailed();
    else markLoaded();
    return;
  }
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  const auto details = systemInfoDetails(loaded.facts);
  ListView view(list_);
  for (int r = 0; r < kSystemInfoRowCount; ++r) view.setCell(r, kDetailColumn, details[static_cast<size_t>(r)]);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  ++fills_;
  markLoaded();
}

}  // namespace zorvik
