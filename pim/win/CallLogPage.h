#pragma once
// The call-log page: every call record on the phone (870301) with its name and number, type,
// talk time, time and the number's location; deleting the ticked records (870303) or all of
// them (870304).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ListPage.h"
#include "common/win/Handles.h"
#include "devlink/AgentSession.h"
#include "pim/CallLog.h"
#include "pim/LocatedList.h"

namespace zorvik {

// One row of the log: the call and its number's location (looked up on the load's worker).
using CallRow = Located<CallRecord>;

class CallLogPage : public ListPage<CallRow> {
public:
  static constexpr int kListId = 2200;
  enum Column { kPictureColumn, kNameColumn, kTypeColumn, kDurationColumn, kTimeColumn, kCheckColumn, kIdColumn,
                kColumnCount };

  CallLogPage(const PageInfo& info, PageHost& host);

  // The list load; a second one while one runs is dropped. A failed load keeps the rows shown
  // before and says why in the status line.
  void onToolbar(int index) override;
  // The list load; says "初始化错误" first when the socket library could not be started.
  void load() override;

  void deleteChecked();
  void deleteAll();

  // What the page shows, for the window's own use and for tests.
  const std::string& locationOf(int row) const { return records_.at(static_cast<size_t>(row)).location; }
  bool deleting() const { return sending(); }

private:
  void onInit() override;
  TwoLineRow rowOf(CallRow& row) override;
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected) override;

  UniqueBitmap picture_, typeIcons_;
};

}  // namespace zorvik
