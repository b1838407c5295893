#include "manage/system/win/CleanerPage.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <array>
#include <string>
#include <utility>
#include <vector>


namespace zorvik {

namespace {
constexpr int kProgressHeight = 24;
enum Column { kTypeColumn, kItemColumn, kPeriodColumn, kRiskColumn, kSizeColumn, kCheckColumn };

}  // namespace

std::string cacheSizeText(int64_t size) {
  char text[64] = {};
  StrFormatByteSize64A(size < 0 ? 0 : size, text, sizeof text);
  return text;
}

CleanerPage::CleanerPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    progress_ = CreateWindowExA(0, "STATIC", kCleanerIdleText, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressId)),
                                instance, nullptr);
    SendMessageA(progress_, WM_SETFONT, SendMessageA(hwnd(), WM_GETFONT, 0, 0), FALSE);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                    LVS_SINGLESEL | LVS_OWNERDRAWFIXED,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                instance, nullptr);
    list_.attach(list, {.columns = {{"类型", 60}, {"清理项目和说明", 330}, {"推荐周期", 100}, {"风险提示", 90},
                                    {"数量或大小", 90}, {"选择", 54}},
                        .imageCapacity = kMaxCleanIcon,
                        .checkColumn = true});
    // Headings centred except size and check box (the first column is always left).
    for (int c : {kItemColumn, kPeriodColumn, kRiskColumn}) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = LVCFMT_CENTER;
      SendMessageA(list, LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    addFixedRows();
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  // While a scan or a clear runs the list says so with the busy cursor.
  wireList(list_, kListId, [this] { return busy(); });
}

CleanerPage::~CleanerPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void CleanerPage::layout() {
  if (!progress_) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(progress_, 6, 0, client.right - 6, kProgressHeight, TRUE);
  MoveWindow(list_.hwnd(), 0, kProgressHeight, client.right, client.bottom - kProgressHeight, TRUE);
}

void CleanerPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRescan: reload(); break;
    case toolbar::kDeleteFound: clearChecked(); break;
    default: break;
  }
}

void CleanerPage::addFixedRows() {
  for (const CleanFixedRow& f : kCleanFixedRows) {
    TwoLineRow row;
    row.cells = {"", f.item, f.period, "无", "N/A", ""};
    row.secondLine = f.description;
    row.checked = true;
    list_.addRow(std::move(row));
  }
}

void CleanerPage::load() {
  if (scanning_) return;
  scanning_ = true;
  SetWindowTextA(progress_, kCleanerScanningText);
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  addFixedRows();
  work_.run(
      [](ExchangeCancel* cancel) {
        Scanned scanned;
        AgentBody body;
        scanned.result = exchangeForBody(scanCacheRequest(), body, cancel);
        // A cut reply still shows the applications that did arrive.
        if (scanned.result == AgentResult::Ok || scanned.result == AgentResult::Cut)
          scanned.list = parseCacheList(body.bytes.data(), body.bytes.size());
        return scanned;
      },
      [this](Scanned& scanned) { fill(scanned); });
}

void CleanerPage::fill(Scanned& scanned) {
  scanning_ = false;
  const char* failure = agentFailureText(scanned.result);
  host().setStatusText(failure ? failure : "");
  for (CacheRecord& c : scanned.list.records) {
    TwoLineRow row;
    row.image = std::move(c.icon);
    row.cells = {"", c.label, "随时", "无", cacheSizeText(c.size), ""};
    row.secondLine = std::move(c.package);
    row.checked = true;
    list_.addRow(std::move(row));
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  SetWindowTextA(progress_, kCleanerDoneText);
  // A phone that could not be asked is asked again on the next visit.
  if (failure && scanned.result != AgentResult::Cut) markFailed();
  else markLoaded();
}

void CleanerPage::clearChecked() {
  if (clearing_ || scanning_) return;  // the rows are being replaced: what is checked is not settled
  std::array<bool, kCleanFixedRowCount> fixed{};
  std::vector<std::string> packages;
  for (int r : list_.checkedRows()) {
    if (r < kCleanFixedRowCount) fixed[static_cast<size_t>(r)] = true;
    else packages.push_back(list_.row(r).secondLine);
  }
  clearing_ = true;
  // On a worker like every exchange: a silent phone must not freeze the window.
  work_.run([request = cleanRequest(fixed, packages)](ExchangeCancel* cancel) {
              return exchangeForStatus(request, nullptr, cancel);
            },
            [this](AgentResult result) {
              clearing_ = false;
              if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
            });
}

}  // namespace zorvik
