#pragma once
// The call-log page: every call record on the phone (870301) with its name and number, type,
// talk time, time and the number's location; deleting the ticked records (870303) or all of
// them (870304).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "common/win/Handles.h"
#include "devlink/AgentSession.h"
#include "pim/CallLog.h"
#include "pim/PhoneTable.h"

namespace zorvik {

class CallLogPage : public Page {
public:
  static constexpr int kListId = 2200;
  enum Column { kPictureColumn, kNameColumn, kTypeColumn, kDurationColumn, kTimeColumn, kCheckColumn, kIdColumn,
                kColumnCount };

  CallLogPage(const PageInfo& info, PageHost& host);
  ~CallLogPage() override;

  // The list load; a second one while one runs is ignored. A failed load keeps the rows shown
  // before and says why in the status line.
  void load() override;
  void onToolbar(int index) override;

  void deleteChecked();
  void deleteAll();

  // What the page shows, for the window's own use and for tests.
  TwoLineList& list() { return list_; }
  const std::vector<CallRecord>& records() const { return records_; }
  const std::string& locationOf(int row) const { return locations_.at(static_cast<size_t>(row)); }
  bool loading() const { return loading_; }
  bool deleting() const { return deleting_; }
  bool busy() const { return loading_ || deleting_; }

private:
  struct Loaded;
  void fillList(Loaded& loaded);
  void runDelete(Bytes request);
  void layout();
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);

  TwoLineList list_;
  std::shared_ptr<const PhoneTable> phoneTable_;  // opened by the first load, on its worker
  std::vector<CallRecord> records_;
  std::vector<std::string> locations_;
  bool loading_ = false;
  bool deleting_ = false;
  UniqueBitmap picture_, typeIcons_;
  PageWork work_;
};

}  // namespace zorvik
