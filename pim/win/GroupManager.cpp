#include "pim/win/GroupManager.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"
#include "ui/Notices.h"
#include "pim/win/GroupsResource.h"

namespace zorvik {

GroupEditDialog::GroupEditDialog(PageHost& host, bool addMode, int32_t groupId, std::string title)
    : Dialog(IDD_GROUP_EDIT), host_(host), addMode_(addMode), groupId_(groupId), title_(std::move(title)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), addMode_ ? "新建分组 - Zorvik" : "修改分组 - Zorvik");
    if (!addMode_) SetDlgItemTextA(hwnd(), IDC_GROUP_TITLE, title_.c_str());
    m.result = TRUE;
  });
  map_.onCommand(IDOK, [this](WinMsg&) { confirm(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) {
    if (!saving_) end(IDCANCEL);  // while the phone is asked, the answer (or the deadline) closes
  });
}

void GroupEditDialog::confirm() {
  if (saving_) return;
  const std::string title = windowText(item(IDC_GROUP_TITLE));
  if (title.empty()) {
    end(IDOK);
    return;
  }
  saving_ = true;
  EnableWindow(item(IDOK), FALSE);
  EnableWindow(item(IDCANCEL), FALSE);
  Bytes request = addMode_ ? addGroupRequest(title) : renameGroupRequest(groupId_, title);
  work_.run([request = std::move(request)](ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult result) {
              saving_ = false;
              failure_ = agentFailureText(result);
              if (failure_) host_.setStatusText(failure_);
              end(IDOK);
            });
}

GroupManager::GroupManager(PageHost& host) : Dialog(IDD_GROUP_MANAGER), host_(host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    list_.attach(item(IDC_GROUP_LIST), {.columns = {{"", 25}, {"标题", 200, LVCFMT_CENTER}, {"所属账户", 180, LVCFMT_CENTER},
                                                    {"可见", 70, LVCFMT_CENTER}, {"选择", 80, LVCFMT_CENTER}},
                                        .imageCapacity = 0});
    list_.view().setExtendedStyle(LVS_EX_FULLROWSELECT);
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool) {
      return paintCell(dc, cell, row, column);
    });
    load();
    m.result = TRUE;
  });
  map_.onCommand(IDC_GROUP_REFRESH, [this](WinMsg&) {
    setStatus("");
    load();
  });
  map_.onCommand(IDC_GROUP_NEW, [this](WinMsg&) { addGroup(); });
  map_.onCommand(IDC_GROUP_MODIFY, [this](WinMsg&) { modifySelected(); });
  map_.onCommand(IDC_GROUP_DELETE, [this](WinMsg&) { deleteChecked(); });
  map_.onCommand(IDOK, [this](WinMsg&) { end(IDOK); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDOK); });  // the title-bar close
}

void GroupManager::load() {
  if (loading_) return;
  loading_ = true;
  work_.run([](ExchangeCancel* cancel) { return fetchRecords(bareRequest(AgentCommand::ListGroups), parseGroupList, cancel); },
            [this](Fetched<std::vector<GroupRecord>>& fetched) { fill(fetched); });
}

// As every list: a failed or cut load keeps the rows shown before and says why.
void GroupManager::fill(Fetched<std::vector<GroupRecord>>& fetched) {
  loading_ = false;
  if (!fetched.finished()) {
    const char* failure = agentFailureText(fetched.result);
    host_.setStatusText(failure ? failure : "");
    if (failure) setStatus(failure);
    return;
  }
  records_ = std::move(fetched.list);
  std::vector<TwoLineRow> rows;
  for (const GroupRecord& g : records_) {
    TwoLineRow row;
    row.cells = {"", g.title, g.account, groupVisibleText(g.visible), ""};
    rows.push_back(std::move(row));
  }
  list_.replaceRows(std::move(rows));
}

bool GroupManager::paintCell(HDC dc, const RECT& cell, int row, int column) {
  if (row < 0 || row >= list_.count()) return false;
  if (column == kBlankColumn) return true;
  if (column == kCheckColumn) return false;  // the list's own check box
  RECT text = cell;
  InflateRect(&text, -4, 0);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, list_.row(row).cells[static_cast<size_t>(column)].c_str(), -1, &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  return true;
}

// A failure goes to the main window's status line and, because this dialog covers that, into the
// dialog's own line as well; it stays until the user's next action.
void GroupManager::setStatus(const char* text) { SetDlgItemTextA(hwnd(), IDC_GROUP_STATUS, text); }
std::string GroupManager::statusText() const { return windowText(item(IDC_GROUP_STATUS)); }

void GroupManager::runForm(GroupEditDialog& form) {
  setStatus("");
  const INT_PTR closed = form.run(hwnd());
  if (form.failure()) setStatus(form.failure());
  if (closed == IDOK) load();
}

void GroupManager::addGroup() {
  GroupEditDialog form(host_, true);
  runForm(form);
}

void GroupManager::modifySelected() {
  const int row = list_.view().selectionMark();
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  const GroupRecord& g = records_[static_cast<size_t>(row)];
  GroupEditDialog form(host_, false, g.groupId, g.title);
  runForm(form);
}

void GroupManager::deleteChecked() {
  std::vector<int32_t> ids;
  for (int row : list_.checkedRows())
    if (static_cast<size_t>(row) < records_.size()) ids.push_back(records_[static_cast<size_t>(row)].groupId);
  if (ids.empty()) {
    CheckFirstNotice(hwnd());
    return;
  }
  if (!DeleteConfirmDialog(hwnd(), deleteGroupsQuestion(ids.size()))) return;
  if (deleting_) return;
  deleting_ = true;
  setStatus("");
  work_.run([request = deleteGroupsRequest(ids)](ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult result) {
              deleting_ = false;
              if (const char* failure = agentFailureText(result)) {
                host_.setStatusText(failure);
                setStatus(failure);
              }
              load();
            });
}

}  // namespace zorvik
