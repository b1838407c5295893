#include "info/CalendarView.h"

#include <string>

#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

const char kGridClass[] = "ZorvikMonthGrid";
const char kViewClass[] = "ZorvikCalendarView";
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kLineColour = RGB(0xD8, 0xD8, 0xD8);

HINSTANCE moduleInstance() { return GetModuleHandleA(nullptr); }

HFONT makeFont(int height, int weight) {
  return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体");
}

// Binds the object given at creation to its window, then hands every message to it.
template <typename T>
T* bind(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return self;
  }
  return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool registerClassOnce(const char* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(moduleInstance(), name, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = moduleInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

void drawText(HDC dc, const std::string& text, int left, int top, int width, int height) {
  RECT r{left, top, left + width, top + height};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

int comboSelection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace

// ---------------------------------------------------------------- month grid

MonthGrid::~MonthGrid() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (numberFont_) DeleteObject(numberFont_);
  if (textFont_) DeleteObject(textFont_);
}

bool MonthGrid::create(HWND parent, int id, int x, int y) {
  if (!registerClassOnce(kGridClass, windowProc, nullptr)) return false;
  if (!numberFont_) numberFont_ = makeFont(16, FW_BOLD);
  if (!textFont_) textFont_ = makeFont(12, FW_NORMAL);
  hwnd_ = CreateWindowExA(0, kGridClass, "", WS_CHILD | WS_VISIBLE, x, y, kGridWidth, kGridHeight, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance(), this);
  return hwnd_ != nullptr;
}

void MonthGrid::show(uint16_t year, uint16_t month, uint16_t day) {
  if (year == year_ && month == month_ && day == day_) return;
  year_ = year;
  month_ = month;
  day_ = day;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void MonthGrid::paint(HDC dc) const {
  RECT all{0, 0, kGridWidth, kGridHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ oldFont = SelectObject(dc, textFont_);

  // Lines between the cells, then the weekday captions.
  HPEN pen = CreatePen(PS_SOLID, 1, kLineColour);
  const HGDIOBJ oldPen = SelectObject(dc, pen);
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
  SelectObject(dc, oldPen);
  DeleteObject(pen);

  const auto columnColour = [](int column) { return column == 0 || column == kGridColumns - 1 ? kRed : kBlack; };
  for (int c = 0; c < kGridColumns; ++c) {
    SetTextColor(dc, columnColour(c));
    drawText(dc, WeekdayName(c), c * kGridCellSize, 7, kGridCellSize, kGridHeaderHeight - 7);
  }

  const int days = GregorianMonthDays(year_, month_);
  for (int day = 1; day <= days; ++day) {
    int x = 0, y = 0;
    GridCellOrigin(year_, month_, day, x, y);
    if (day == day_) {
      HBRUSH fill = CreateSolidBrush(static_cast<COLORREF>(kGridSelectedColour));
      RECT cell{x + 1, y + 1, x + kGridCellSize, y + kGridCellSize};
      FillRect(dc, &cell, fill);
      DeleteObject(fill);
    }
    SetTextColor(dc, columnColour(x / kGridCellSize));
    const int numberTop = y + 1;
    SelectObject(dc, numberFont_);
    drawText(dc, std::to_string(day), x, numberTop, kGridCellSize, kGridTextOffset);
    SelectObject(dc, textFont_);
    drawText(dc, CellText(year_, month_, static_cast<uint16_t>(day)), x, numberTop + kGridTextOffset,
             kGridCellSize, kGridCellSize - kGridTextOffset - 1);
  }
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK MonthGrid::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  MonthGrid* self = bind<MonthGrid>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  if (msg == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->handle(msg, wp, lp);
}

LRESULT MonthGrid::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      // Drawn off screen first so a refresh does not flicker.
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, kGridWidth, kGridHeight);
      const HGDIOBJ old = SelectObject(memory, bitmap);
      paint(memory);
      BitBlt(dc, 0, 0, kGridWidth, kGridHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_LBUTTONDOWN: {
      const int day = GridDayAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), year_, month_);
      if (day != 0) {
        show(year_, month_, static_cast<uint16_t>(day));
        SendMessageA(GetParent(hwnd_), kMsgGridDayPicked, static_cast<WPARAM>(day), 0);
      }
      return 0;
    }
    case kMsgGridGetDate:
      return (static_cast<LRESULT>(year_) << 16) | (month_ << 8) | day_;
    default:
      return DefWindowProcA(hwnd_, msg, wp, lp);
  }
}

// ---------------------------------------------------------------- calendar window

CalendarView::CalendarView(GregorianDate start) : model_(start.year, start.month, start.day) {}

CalendarView::~CalendarView() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
}

bool CalendarView::create(HWND parent, int x, int y, int id) {
  if (!registerClassOnce(kViewClass, windowProc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)))) return false;
  if (!font_) font_ = makeFont(12, FW_NORMAL);
  CreateWindowExA(WS_EX_CONTROLPARENT, kViewClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, kWidth,
                  kHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance(), this);
  return hwnd_ != nullptr;
}

void CalendarView::goTo(GregorianDate date) {
  model_.goTo(date);
  refresh();
}

void CalendarView::createControls() {
  const auto child = [this](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance(), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
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
  grid_.create(hwnd_, kCalGrid, 8, 70);

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

LRESULT CALLBACK CalendarView::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CalendarView* self = bind<CalendarView>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  if (msg == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->handle(msg, wp, lp);
}

LRESULT CalendarView::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      refresh();
      return 0;
    case WM_COMMAND:
      onCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case kMsgGridDayPicked:
      model_.setDay(static_cast<int>(wp));
      refresh();
      return 0;
    case WM_CTLCOLORSTATIC:
      // White like the pages around it.
      SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    default:
      return DefWindowProcA(hwnd_, msg, wp, lp);
  }
}

GregorianDate LocalToday() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

}  // namespace zorvik
