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

struct AlarmsPage::Loaded {
  AgentResult result = AgentResult::Ok;
  AlarmList list;
};

AlarmsPage::AlarmsPage(const PageInfo& info, PageHost& host) : PhoneListPage(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                    LVS_SINGLESEL | LVS_OWNERDRAWFIXED,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                GetModuleHandleA(nullptr), nullptr);
    list_.attach(list, {.columns = {{"图例", 54}, {"标题和时间", 150}, {"闹铃周期 (星期)", 170}, {"闹铃音乐", 130},
                                    {"振动提醒", 80}, {"状态", 100}, {"选择", 44}},
                        .imageCapacity = 0,
                        .checkColumn = true});
    for (int c = kTitleColumn; c <= kCheckColumn; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = c == kVibrateColumn ? LVCFMT_LEFT : LVCFMT_CENTER;
      SendMessageA(list, LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  wireList(list_, kListId, [this] { return busy(); });
}

AlarmsPage::~AlarmsPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void AlarmsPage::layout() {
  if (!list_.hwnd()) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(list_.hwnd(), 0, 0, client.right, client.bottom, TRUE);
}

void AlarmsPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshAlarms: reload(); break;
    case toolbar::kNewAlarm: addAlarm(); break;
    case toolbar::kEditAlarm: changeSelected(); break;
    case toolbar::kDeleteAlarms: deleteChecked(); break;
    default: break;
  }
}

void AlarmsPage::load() {
  if (!beginLoad()) return;
  rows_.clear();
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        AgentBody body;
        loaded.result = exchangeForBody(listAlarmsRequest(), body, cancel);
        if (loaded.result == AgentResult::Ok) loaded.list = parseAlarmList(body.bytes.data(), body.bytes.size());
        loaded.result = keepWholeList(loaded.result, loaded.list.malformed, loaded.list.rows);
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void AlarmsPage::fill(Loaded& loaded) {
  rows_ = std::move(loaded.list.rows);
  for (const AlarmRow& a : rows_) {
    TwoLineRow row;
    row.cells = {"", a.title, alarmPeriodText(a.daysMask), a.ringtoneName,
                 a.vibrate == 1 ? kVibrateOnText : kVibrateOffText, a.enabled == 1 ? kEnabledText : kDisabledText, ""};
    row.secondLine = a.timeText;
    list_.addRow(std::move(row));
  }
  endLoad(loaded.result);
}

bool AlarmsPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return false;
  const AlarmRow& a = rows_[static_cast<size_t>(row)];
  switch (column) {
    case kLegendColumn: drawClock(dc, cell, a.enabled == 1); return true;
    case kPeriodColumn: {
      RECT top = cell, bottom = cell;
      InflateRect(&top, -4, 0);
      InflateRect(&bottom, -4, 0);
      top.bottom = bottom.top = (cell.top + cell.bottom) / 2;
      const UINT flags = DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, alarmPeriodText(a.daysMask), -1, &top, flags | DT_BOTTOM);
      SetTextColor(dc, kGrey);
      DrawTextA(dc, a.daysText.c_str(), -1, &bottom, flags | DT_TOP);
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
  if (selected < 0 || static_cast<size_t>(selected) >= rows_.size()) {
    host().setStatusText(kChooseFirstText);
    return;
  }
  const AlarmRow row = rows_[static_cast<size_t>(selected)];
  AlarmEditor editor(row);
  if (editor.runModal(hwnd()) == IDOK) sendChange(updateAlarmRequest(static_cast<int32_t>(row.alarmId), editor.alarm()));
}

void AlarmsPage::deleteChecked() {
  deleteTicked([this](int r) { return static_cast<int32_t>(rows_.at(static_cast<size_t>(r)).alarmId); },
               deleteAlarmsQuestion, deleteAlarmsRequest);
}

}  // namespace zorvik
