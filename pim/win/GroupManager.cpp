#include "pim/win/GroupManager.h"

#include <commctrl.h>

#include <thread>
#include <utility>

#include "ui/Controls.h"
#include "ui/Notices.h"
#include "ui/UiThread.h"
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

GroupEditDialog::~GroupEditDialog() {
  alive_.reset();
  cancel_->cancel();
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
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  std::thread([this, alive, cancel, request = std::move(request)] {
    const AgentResult result = exchangeForStatus(request, nullptr, cancel.get());
    postToUi([this, alive, result] {
      if (alive.expired()) return;
      saving_ = false;
      if (const char* failure = agentFailureText(result)) host_.setStatusText(failure);
      end(IDOK);
    });
  }).detach();
}

GroupManager::GroupManager(PageHost& host) : Dialog(IDD_GROUP_MANAGER), host_(host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    list_.attach(item(IDC_GROUP_LIST), {.columns = {{"", 25}, {"标题", 200}, {"所属账户", 180}, {"可见", 70},
                                                    {"选择", 80}},
                                        .imageCapacity = 0,
                                        .checkColumn = true});
    list_.view().setExtendedStyle(LVS_EX_FULLROWSELECT);
    for (int c = kTitleColumn; c <= kCheckColumn; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = LVCFMT_CENTER;
      SendMessageA(list_.hwnd(), LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool) {
      return paintCell(dc, cell, row, column);
    });
    load();
    m.result = TRUE;
  });
  map_.on(WM_DRAWITEM, [this](WinMsg& m) {
    auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp);
    if (d->CtlID == IDC_GROUP_LIST) list_.drawItem(*d);
    m.result = TRUE;
  });
  map_.onNotify(IDC_GROUP_LIST, NM_CLICK, [this](WinMsg& m) {
    list_.onClick(*reinterpret_cast<const NMITEMACTIVATE*>(m.lp));
  });
  map_.onCommand(IDC_GROUP_REFRESH, [this](WinMsg&) { load(); });
  map_.onCommand(IDC_GROUP_NEW, [this](WinMsg&) { addGroup(); });
  map_.onCommand(IDC_GROUP_MODIFY, [this](WinMsg&) { modifySelected(); });
  map_.onCommand(IDC_GROUP_DELETE, [this](WinMsg&) { deleteChecked(); });
  map_.onCommand(IDOK, [this](WinMsg&) { end(IDOK); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDOK); });  // the title-bar close
}

GroupManager::~GroupManager() {
  alive_.reset();
  cancel_->cancel();
}

void GroupManager::load() {
  if (loading_) return;
  loading_ = true;
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  std::thread([this, alive, cancel] {
    AgentBody body;
    AgentResult result = exchangeForBody(bareRequest(AgentCommand::ListGroups), body, cancel.get());
    auto records = std::make_shared<std::vector<GroupRecord>>();
    if (result == AgentResult::Ok) {
      GroupList list = parseGroupList(body.bytes.data(), body.bytes.size());
      if (list.malformed) result = AgentResult::Malformed;  // a cut list is not the phone's
      *records = std::move(list.records);
    }
    postToUi([this, alive, result, records] {
      if (alive.expired()) return;
      fill(result, *records);
    });
  }).detach();
}

void GroupManager::fill(AgentResult result, std::vector<GroupRecord>& records) {
  loading_ = false;
  if (result != AgentResult::Ok && result != AgentResult::NoReply) {
    const char* failure = agentFailureText(result);
    host_.setStatusText(failure ? failure : "");
    return;  // the rows shown before stay
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  records_ = std::move(records);
  for (const GroupRecord& g : records_) {
    TwoLineRow row;
    row.cells = {"", g.title, g.account, groupVisibleText(g.visible), ""};
    list_.addRow(std::move(row));
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
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

void GroupManager::addGroup() {
  GroupEditDialog form(host_, true);
  if (form.run(hwnd()) == IDOK) load();
}

void GroupManager::modifySelected() {
  const int row = ListView_GetSelectionMark(list_.hwnd());
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  const GroupRecord& g = records_[static_cast<size_t>(row)];
  GroupEditDialog form(host_, false, g.groupId, g.title);
  if (form.run(hwnd()) == IDOK) load();
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
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  Bytes request = deleteGroupsRequest(ids);
  std::thread([this, alive, cancel, request = std::move(request)] {
    const AgentResult result = exchangeForStatus(request, nullptr, cancel.get());
    postToUi([this, alive, result] {
      if (alive.expired()) return;
      deleting_ = false;
      if (const char* failure = agentFailureText(result)) host_.setStatusText(failure);
      load();
    });
  }).detach();
}

}  // namespace zorvik
