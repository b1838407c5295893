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

CleanerPage::CleanerPage(const PageInfo& info, PageHost& host)
    : ListPageBase(info, host,
                   {.listId = kListId,
                    // Headings centred except size and check box (the first column is always left).
                    .list = {.columns = {{"类型", 60}, {"清理项目和说明", 330, LVCFMT_CENTER}, {"推荐周期", 100, LVCFMT_CENTER},
                                         {"风险提示", 90, LVCFMT_CENTER}, {"数量或大小", 90}, {"选择", 54}},
                             .imageCapacity = kMaxCleanIcon},
                    .top = kProgressHeight,
                    .extraStyle = WS_BORDER}) {}

void CleanerPage::onInit() {
  progress_ = createChild(hwnd(), {.className = "STATIC", .text = kCleanerIdleText, .style = SS_LEFT | SS_CENTERIMAGE,
                                   .id = kProgressId});
  list_.replaceRows(fixedRows());
}

void CleanerPage::layout(const RECT& client) {
  ListPageBase::layout(client);
  MoveWindow(progress_, 6, 0, client.right - 6, kProgressHeight, TRUE);
}

void CleanerPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRescan: reload(); break;
    case toolbar::kDeleteFound: clearChecked(); break;
    default: break;
  }
}

std::vector<TwoLineRow> CleanerPage::fixedRows() {
  std::vector<TwoLineRow> rows;
  for (const CleanFixedRow& f : kCleanFixedRows) {
    TwoLineRow row;
    row.cells = {"", f.item, f.period, "无", "N/A", ""};
    row.secondLine = f.description;
    row.checked = true;
    rows.push_back(std::move(row));
  }
  return rows;
}

void CleanerPage::load() {
  if (!beginLoad()) return;
  SetWindowTextA(progress_, kCleanerScanningText);
  work_.run([](ExchangeCancel* cancel) { return fetchRecords(scanCacheRequest(), parseCacheList, cancel); },
            [this](Fetched<std::vector<CacheRecord>>& scanned) {
              endLoad(scanned.result, [&] {
                std::vector<TwoLineRow> rows = fixedRows();
                for (CacheRecord& c : scanned.list) {
                  TwoLineRow row;
                  row.image = std::move(c.icon);
                  row.cells = {"", c.label, "随时", "无", cacheSizeText(c.size), ""};
                  row.secondLine = std::move(c.package);
                  row.checked = true;
                  rows.push_back(std::move(row));
                }
                list_.replaceRows(std::move(rows));
              });
              SetWindowTextA(progress_, kCleanerDoneText);
            });
}

void CleanerPage::clearChecked() {
  if (clearing_ || loading()) return;  // the rows are being replaced: what is checked is not settled
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
