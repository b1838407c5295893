#pragma once
// The contact group manager "联系人分组 - Zorvik" (opened by the contacts page's "分组管理"): the
// phone's groups (870140), creating (870121) and renaming (870122) through GroupEditDialog, and
// deleting the ticked groups (870124). Every exchange runs on a worker with the agent's deadlines.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"
#include "devlink/FetchList.h"
#include "pim/GroupWire.h"

namespace zorvik {

// The small form of "新建分组" and "修改分组". "确定" with a title sends it and closes with OK once
// the phone answered (or failed: the status line says so); with an empty title it sends nothing
// and closes with OK as well.
class GroupEditDialog : public Dialog {
public:
  GroupEditDialog(PageHost& host, bool addMode, int32_t groupId = 0, std::string title = {});
  INT_PTR run(HWND parent) { return runModal(parent); }
  bool saving() const { return saving_; }
  // What the last save's failure said (null when it reached the phone or was not sent).
  const char* failure() const { return failure_; }

private:
  void confirm();
  PageHost& host_;
  bool addMode_;
  int32_t groupId_;
  std::string title_;
  bool saving_ = false;
  const char* failure_ = nullptr;
  PageWork work_;
};

class GroupManager : public Dialog {
public:
  enum Column { kBlankColumn, kTitleColumn, kAccountColumn, kVisibleColumn, kCheckColumn };

  explicit GroupManager(PageHost& host);
  INT_PTR run(HWND parent) { return runModal(parent); }

  // The list load; a second one while one runs is ignored.
  void load();
  void addGroup();
  void modifySelected();  // the selection-mark row
  void deleteChecked();

  TwoLineList& list() { return list_; }
  const std::vector<GroupRecord>& records() const { return records_; }
  bool busy() const { return loading_ || deleting_; }
  // The dialog's own status line: what the last action's exchanges failed with.
  std::string statusText() const;

private:
  void setStatus(const char* text);
  void runForm(GroupEditDialog& form);
  void fill(Fetched<std::vector<GroupRecord>>& fetched);
  bool paintCell(HDC dc, const RECT& cell, int row, int column);

  PageHost& host_;
  TwoLineList list_;
  std::vector<GroupRecord> records_;  // parallel to the rows: the ids renaming and deleting use
  bool loading_ = false;
  bool deleting_ = false;
  PageWork work_;
};

}  // namespace zorvik
