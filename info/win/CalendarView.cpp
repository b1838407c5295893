#include "info/win/CalendarView.h"

#include <string>

#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kLineColour = RGB(0xD8, 0xD8, 0xD8);

UniqueFont calendarFont(int height, int weight) { return createFont("宋体", height, weight, false, DEFAULT_QUALITY); }

HMENU childId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

void drawText(HDC dc, const std::string& text, int left, int top, int width, int height) {
  RECT r{left, top, left + width, top + height};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

int comboSelection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace

// ---------------------------------------------------------------- month grid

MonthGrid::MonthGrid() {
  map_.on(WM_ERASEBKGND, [](WinMsg& m) { m.result = 1; });
  map_.on(WM_PAINT, [this](WinMsg&) { onPaint(); });
  map_.on(WM_PRINTCLIENT, [this](WinMsg& m) { paint(reinterpret_cast<HDC>(m.wp)); });
  // The framework's class takes double clicks: a quick second click picks its day too.
  map_.on(WM_LBUTTONDOWN, [this](WinMsg& m) { onClick(m.lp); });
  map_.on(WM_LBUTTONDBLCLK, [this](WinMsg& m) { onClick(m.lp); });
  map_.on(kMsgGridGetDate, [this](WinMsg& m) {
    m.result = (static_cast<LRESULT>(year_) << 16) | (month_ << 8) | day_;
  });
}

MonthGrid::~MonthGrid() { destroy(); }

bool MonthGrid::create(HWND parent, int id, int x, int y) {
  if (!numberFont_) numberFont_ = calendarFont(16, FW_BOLD);
  if (!textFont_) textFont_ = calendarFont(12, FW_NORMAL);
  return Window::create({.title = "", .style = WS_CHILD | WS_VISIBLE, .x = x, .y = y, .width = kGridWidth,
                         .height = kGridHeight, .parent = parent, .menuOrId = childId(id)});
}

void MonthGrid::show(uint16_t year, uint16_t month, uint16_t day) {
  if (year == year_ && month == month_ && day == day_) return;
  year_ = year;
  month_ = month;
  day_ = day;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

namespace {

// Lines between the cells, under the weekday captions and the days.
void drawGridLines(HDC dc) {
  const UniquePen pen(CreatePen(PS_SOLID, 1, kLineColour));
  const SelectObjectScope select(dc, pen.get());
  for (int c = 0; c <= kGridColumns; ++c) {
    MoveToEx(dc, c * kGridCellSize, 0, nullptr);
    LineTo(dc, c * kGridCellSize, kGridHeight);
  }
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, kGridWidth, 0);
  for (int r = 0; r <= kGridRows; ++r) {
    MoveToEx(dc, 0, kGridHeaderHeight + r * kGridCellSize, nullptr);
    LineTo(dc, kGridWidth, kGridHeaderHeight + r * kGridCellSize);
  }
}

COLORREF columnColour(int column) { return column == 0 || column == kGridColumns - 1 ? kRed : kBlack; }

}  // namespace

void MonthGrid::paint(HDC dc) const {
  RECT all{0, 0, kGridWidth, kGridHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  const SelectObjectScope font(dc, textFont_.get());
  drawGridLines(dc);
  for (int c = 0; c < kGridColumns; ++c) {
    SetTextColor(dc, columnColour(c));
    drawText(dc, WeekdayName(c), c * kGridCellSize, 7, kGridCellSize, kGridHeaderHeight - 7);
  }

  const int days = GregorianMonthDays(year_, month_);
  for (int day = 1; day <= days; ++day) {
    int x = 0, y = 0;
    GridCellOrigin(year_, month_, day, x, y);
    if (day == day_) {
      const UniqueBrush fill(CreateSolidBrush(static_cast<COLORREF>(kGridSelectedColour)));
      RECT cell{x + 1, y + 1, x + kGridCellSize, y + kGridCellSize};
      FillRect(dc, &cell, fill.get());
    }
    SetTextColor(dc, columnColour(x / kGridCellSize));
    const int numberTop = y + 1;
    SelectObject(dc, numberFont_.get());
    drawText(dc, std::to_string(day), x, numberTop, kGridCellSize, kGridTextOffset);
    SelectObject(dc, textFont_.get());
    drawText(dc, CellText(year_, month_, static_cast<uint16_t>(day)), x, numberTop + kGridTextOffset,
             kGridCellSize, kGridCellSize - kGridTextOffset - 1);
  }
}
void MonthGrid::onPaint() {
  PaintScope paintScope(hwnd());
  // Drawn off screen first so a refresh does not flicker.
  MemoryDc memory(paintScope.dc(), kGridWidth, kGridHeight);
  paint(memory.get());
  BitBlt(paintScope.dc(), 0, 0, kGridWidth, kGridHeight, memory.get(), 0, 0, SRCCOPY);
}

void MonthGrid::onClick(LPARAM lp) {
  const int day = GridDayAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), year_, month_);
  if (day == 0) return;
  show(year_, month_, static_cast<uint16_t>(day));
  SendMessageA(GetParent(hwnd()), kMsgGridDayPicked, static_cast<WPARAM>(day), 0);
}

// ---------------------------------------------------------------- calendar window

CalendarView::CalendarView(GregorianDate start) : model_(start.year, start.month, start.day) {
  map_.on(WM_CREATE, [this](WinMsg&) {
    createControls();
    refresh();
  });
  map_.on(WM_COMMAND, [this](WinMsg& m) { onCommand(m.commandId(), m.commandCode()); });
  map_.on(kMsgGridDayPicked, [this](WinMsg& m) {
    model_.setDay(static_cast<int>(m.wp));
    refresh();
  });
  // White like the pages around it, whatever the system's window colour.
  map_.on(WM_ERASEBKGND, [this](WinMsg& m) {
    RECT all = clientRectOf(hwnd());
    FillRect(reinterpret_cast<HDC>(m.wp), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    m.result = 1;
  });
  map_.on(WM_CTLCOLORSTATIC, [](WinMsg& m) {
    SetBkColor(reinterpret_cast<HDC>(m.wp), kWhite);
    m.result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  });
}

CalendarView::~CalendarView() { destroy(); }

bool CalendarView::create(HWND parent, int x, int y, int id) {
  if (!font_) font_ = calendarFont(12, FW_NORMAL);
  return Window::create({.title = "", .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, .exStyle = WS_EX_CONTROLPARENT,
                         .x = x, .y = y, .width = kWidth, .height = kHeight, .parent = parent,
                         .menuOrId = childId(id)});
}

void CalendarView::goTo(GregorianDate date) {
  model_.goTo(date);
  refresh();
}

void CalendarView::createControls() {
  const auto child = [this](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd(), childId(id),
                             appInstance(), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return c;
  };
  const DWORD list = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  yearList_ = child("COMBOBOX", "", list, 8, 8, 70, 300, kCalYearList);
  monthList_ = child("COMBOBOX", "", list, 84, 8, 80, 300, kCalMonthList);
  dayList_ = child("COMBOBOX", "", list, 170, 8, 56, 300, kCalDayList);
  child("BUTTON", "< 向前", BS_PUSHBUTTON | WS_TABSTOP, 234, 7, 62, 24, kCalPrevButton);
  child("BUTTON", "向后 >", BS_PUSHBUTTON | WS_TABSTOP, 300, 7, 62, 24, kCalNextButton);
  child("BUTTON", "转到今日", BS_PUSHBUTTON | WS_TABSTOP, 366, 7, 70, 24, kCalTodayButton);
  weekdayLabel_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 8, 42, 60, 18, kCalWeekdayLabel);
  lunarLabel_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 72, 42, kWidth - 80, 18, kCalLunarLabel);
  grid_.create(hwnd(), kCalGrid, 8, 70);

  for (int y = kCalendarFirstYear; y <= kCalendarLastYear; ++y)
    SendMessageA(yearList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(y).c_str()));
  for (int m = 1; m <= 12; ++m)
    SendMessageA(monthList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GregorianMonthName(m).c_str()));
}

void CalendarView::refresh() {
  SendMessageA(yearList_, CB_SETCURSEL, model_.year() - kCalendarFirstYear, 0);
  SendMessageA(monthList_, CB_SETCURSEL, model_.month() - 1, 0);
  const int days = model_.daysInMonth();
  if (SendMessageA(dayList_, CB_GETCOUNT, 0, 0) != days) {
    SendMessageA(dayList_, CB_RESETCONTENT, 0, 0);
    for (int d = 1; d <= days; ++d)
      SendMessageA(dayList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(d).c_str()));
  }
  SendMessageA(dayList_, CB_SETCURSEL, model_.day() - 1, 0);
  SetWindowTextA(weekdayLabel_, model_.weekdayText().c_str());
  SetWindowTextA(lunarLabel_, model_.lunarText().c_str());
  grid_.show(model_.year(), model_.month(), model_.day());
}

void CalendarView::onCommand(int id, int code) {
  switch (id) {
    case kCalYearList:
      if (code == CBN_SELCHANGE) model_.setYear(kCalendarFirstYear + comboSelection(yearList_));
      break;
    case kCalMonthList:
      if (code == CBN_SELCHANGE) model_.setMonth(1 + comboSelection(monthList_));
      break;
    case kCalDayList:
      if (code == CBN_SELCHANGE) model_.setDay(1 + comboSelection(dayList_));
      break;
    case kCalPrevButton:
      if (code == BN_CLICKED) model_.stepDays(-1);
      break;
    case kCalNextButton:
      if (code == BN_CLICKED) model_.stepDays(1);
      break;
    case kCalTodayButton:
      if (code == BN_CLICKED) model_.goTo(LocalToday());
      break;
    default:
      return;
  }
  refresh();
}

GregorianDate LocalToday() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

}  // namespace zorvik
