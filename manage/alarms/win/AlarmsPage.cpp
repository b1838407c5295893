#include "manage/alarms/win/AlarmsPage.h"

#include <commctrl.h>

#include <utility>

#include "manage/alarms/win/AlarmEditor.h"

namespace zorvik {

namespace {
enum Column { kLegendColumn, kTitleColumn, kPeriodColumn, kRingtoneColumn, kVibrateColumn, kStateColumn, kCheckColumn };
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kOnColour = RGB(40, 160, 70);
constexpr COLORREF kOffColour = RGB(190, 190, 190);

// The legend: a small alarm clock, green when the alarm is on.
void drawClock(HDC dc, const RECT& cell, bool on) {
  const int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2, r = 15;
  UniquePen rim(CreatePen(PS_SOLID, 3, on ? kOnColour : kOffColour));
  UniqueBrush face(CreateSolidBrush(RGB(255, 255, 255)));
  SelectObjectScope p(dc, rim.get());
  SelectObjectScope b(dc, face.get());
  Ellipse(dc, cx - r - 6, cy - r - 4, cx - r + 6, cy - r + 8);  // the two bells
  Ellipse(dc, cx + r - 6, cy - r - 4, cx + r + 6, cy - r + 8);
  Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
  UniquePen hands(CreatePen(PS_SOLID, 2, RGB(60, 60, 60)));
  SelectObjectScope h(dc, hands.get());
  MoveToEx(dc, cx, cy, nullptr);
  LineTo(dc, cx, cy - r + 5);
  MoveToEx(dc, cx, cy, nullptr);
  LineTo(dc, cx + r - 7, cy);
}

// A coloured dot and a text, centred in the cell.
void drawState(HDC dc, const RECT& cell, bool on, const char* text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  const int dot = 10, width = dot + 4 + size.cx;
  const int x = (cell.left + cell.right - width) / 2, cy = (cell.top + cell.bottom) / 2;
  UniqueBrush fill(CreateSolidBrush(on ? kOnColour : kOffColour));
  SelectObjectScope b(dc, fill.get());
  SelectObjectScope p(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, x, cy - dot / 2, x + dot, cy + dot / 2);
  SetTextColor(dc, on ? RGB(0, 0, 0) : kGrey);
  TextOutA(dc, x + dot + 4, cy - size.cy / 2, text, static_cast<int>(strlen(text)));
}
}  // namespace

AlarmsPage::AlarmsPage(const PageInfo& info, PageHost& host)
    : ListPage(info, host,
               {.listId = kListId,
                .list = {.columns = {{"图例", 54}, {"标题和时间", 150, LVCFMT_CENTER}, {"闹铃周期 (星期)", 170, LVCFMT_CENTER},
                                     {"闹铃音乐", 130, LVCFMT_CENTER}, {"振动提醒", 80}, {"状态", 100, LVCFMT_CENTER},
                                     {"选择", 44, LVCFMT_CENTER}},
                         .imageCapacity = 0},
                .extraStyle = WS_BORDER},
               [](const ExchangeCancel* cancel) { return fetchRecords(listAlarmsRequest(), parseAlarmList, cancel); }) {}

void AlarmsPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshAlarms: reload(); break;
    case toolbar::kNewAlarm: addAlarm(); break;
    case toolbar::kEditAlarm: changeSelected(); break;
    case toolbar::kDeleteAlarms: deleteChecked(); break;
    default: break;
  }
}

TwoLineRow AlarmsPage::rowOf(AlarmRow& a) {
  TwoLineRow row;
  row.cells = {"", a.title, alarmPeriodText(a.daysMask), a.ringtoneName,
               a.vibrate == 1 ? kVibrateOnText : kVibrateOffText, a.enabled == 1 ? kEnabledText : kDisabledText, ""};
  row.secondLine = a.timeText;
  return row;
}

bool AlarmsPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const AlarmRow& a = records_[static_cast<size_t>(row)];
  switch (column) {
    case kLegendColumn: drawClock(dc, cell, a.enabled == 1); return true;
    case kPeriodColumn: {
      drawTwoLines(dc, cell, alarmPeriodText(a.daysMask), a.daysText, DT_CENTER, kGrey);
      return true;
    }
    case kVibrateColumn: drawState(dc, cell, a.vibrate == 1, a.vibrate == 1 ? kVibrateOnText : kVibrateOffText); return true;
    case kStateColumn: drawState(dc, cell, a.enabled == 1, a.enabled == 1 ? kEnabledText : kDisabledText); return true;
    default: return false;
  }
}

void AlarmsPage::addAlarm() {
  if (sending()) return;  // one change at a time
  AlarmEditor editor;
  if (editor.runModal(hwnd()) == IDOK) sendChange(addAlarmRequest(editor.alarm()));
}

void AlarmsPage::changeSelected() {
  if (sending()) return;
  const int selected = list_.view().selected();
  if (selected < 0 || static_cast<size_t>(selected) >= records_.size()) {
    host().setStatusText(kChooseFirstText);
    return;
  }
  const AlarmRow row = records_[static_cast<size_t>(selected)];
  AlarmEditor editor(row);
  if (editor.runModal(hwnd()) == IDOK) sendChange(updateAlarmRequest(static_cast<int32_t>(row.alarmId), editor.alarm()));
}

void AlarmsPage::deleteChecked() {
  deleteTicked([this](int r) { return static_cast<int32_t>(records_.at(static_cast<size_t>(r)).alarmId); },
               deleteAlarmsQuestion, deleteAlarmsRequest);
}

}  // namespace zorvik
