#include "manage/alarms/win/PhoneListPage.h"

#include <utility>

#include "ui/Notices.h"

namespace zorvik {

bool PhoneListPage::beginLoad() {
  if (loading_) return false;
  loading_ = true;
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  return true;
}

void PhoneListPage::endLoad(AgentResult result) {
  loading_ = false;
  const char* failure = agentFailureText(result);
  host().setStatusText(failure ? failure : "");
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  // A phone that could not be asked is asked again on the next visit.
  if (failure) markFailed();
  else markLoaded();
  if (reloadAfterLoad_) {
    reloadAfterLoad_ = false;
    reload();
  }
}

void PhoneListPage::sendChange(Bytes request) {
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

void PhoneListPage::deleteTicked(const std::function<int32_t(int row)>& idOfRow, std::string (*question)(size_t),
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
