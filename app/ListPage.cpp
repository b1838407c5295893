#include "app/ListPage.h"

#include <commctrl.h>

#include "ui/Notices.h"

namespace zorvik {

ListPageBase::ListPageBase(const PageInfo& info, PageHost& host, ListSpec listSpec, int templateId)
    : Page(info, host, templateId), spec_(std::move(listSpec)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    HWND list = spec_.inTemplate
                    ? item(spec_.listId)
                    : createChild(hwnd(), {.className = WC_LISTVIEWA,
                                           .style = WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                                                    LVS_OWNERDRAWFIXED | spec_.extraStyle,
                                           .id = spec_.listId});
    list_.attach(list, spec_.list);
    list_.setBusy([this] { return busy(); });
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    onInit();
    placeList();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { placeList(); });
}

void ListPageBase::placeList() {
  if (list_.hwnd()) layout(clientRectOf(hwnd()));
}

void ListPageBase::layout(const RECT& client) {
  MoveWindow(list_.hwnd(), 0, spec_.top, client.right, client.bottom - spec_.top, TRUE);
}

bool ListPageBase::beginLoad() {
  if (loading_) return false;
  loading_ = true;
  if (spec_.readingText) host().setStatusText(spec_.readingText);
  return true;
}

void ListPageBase::sendChange(Bytes request) {
  if (sending_) return;
  sending_ = true;
  work_.run([request = std::move(request)](ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult result) {
              sending_ = false;
              if (const char* failure = agentFailureText(result)) {
                host().setStatusText(failure);
                return;
              }
              // A load that runs now started before the change: load once more after it.
              if (loading_) reloadAfterLoad_ = true;
              else reload();
            });
}

void ListPageBase::deleteTicked(const std::function<int32_t(int row)>& idOfRow, std::string (*question)(size_t),
                                Bytes (*request)(const std::vector<int32_t>&)) {
  if (sending_) return;
  const std::vector<int> ticked = list_.checkedRows();
  if (ticked.empty()) {
    CheckFirstNotice(hwnd());
    return;
  }
  std::vector<int32_t> ids;
  for (int r : ticked) ids.push_back(idOfRow(r));
  if (!DeleteConfirmDialog(hwnd(), question(ids.size()))) return;
  sendChange(request(ids));
}

}  // namespace zorvik
