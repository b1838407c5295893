#pragma once
// The alarm page (闹铃管理): the phone's alarm clocks in a two-line list (870401); add and change
// through the alarm editor (870402, 870403), delete the checked ones (870405). Every exchange runs
// on a worker; the list is loaded again after each change.
#include <windows.h>

#include <vector>

#include "manage/alarms/AlarmWire.h"
#include "manage/alarms/win/PhoneListPage.h"

namespace zorvik {

class AlarmsPage : public PhoneListPage {
public:
  static constexpr int kListId = 4850;
  static constexpr const char* kVibrateOnText = "振动提醒";
  static constexpr const char* kVibrateOffText = "振动关闭";
  static constexpr const char* kEnabledText = "已开启";
  static constexpr const char* kDisabledText = "已关闭";
  static constexpr const char* kChooseFirstText = "【提示】请先点选要修改的闹铃";

  AlarmsPage(const PageInfo& info, PageHost& host);
  ~AlarmsPage() override;

  // A load requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  // The editor for a new alarm, or for the selected row; "确定" sends it.
  void addAlarm();
  void changeSelected();
  // CheckFirstNotice without ticked rows, else the confirmation, then 870405.
  void deleteChecked();

  const std::vector<AlarmRow>& rows() const { return rows_; }

private:
  struct Loaded;
  void fill(Loaded& loaded);
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);
  void layout();

  std::vector<AlarmRow> rows_;  // parallel to the list's rows
};

}  // namespace zorvik
