#pragma once
// The calendar page's window: year, month and day drop-downs, "< 向前", "向后 >" and "转到今日",
// the weekday and lunar labels, and the owner-drawn month grid. A plain Win32 child window that
// any parent can host; it needs no phone. UI thread only. Both windows are the app framework's
// windows (Window, with its message map).
#include <windows.h>

#include "ui/Window.h"
#include "info/CalendarModel.h"

namespace zorvik {

// Control ids inside the calendar window.
enum CalendarControlId : int {
  kCalYearList = 1401,
  kCalMonthList,
  kCalDayList,
  kCalPrevButton,
  kCalNextButton,
  kCalTodayButton,
  kCalWeekdayLabel,
  kCalLunarLabel,
  kCalGrid,
};

// The grid tells its parent that a click picked a day: wParam = the day of the month.
constexpr UINT kMsgGridDayPicked = WM_APP + 0x141;
// Asks the grid what it shows: returns (year << 16) | (month << 8) | selected day.
constexpr UINT kMsgGridGetDate = WM_APP + 0x142;

// The owner-drawn month grid: 421 × 387 pixels, white, a 26-pixel header row of weekday captions
// and six rows of 60 × 60 cells; Sunday and Saturday in red; the selected day filled with
// kGridSelectedColour; each cell the day number at its top and the cell text 46 pixels lower.
class MonthGrid : public Window {
 public:
  MonthGrid();
  ~MonthGrid() override;

  bool create(HWND parent, int id, int x, int y);
  // Shows year/month with `day` selected, redrawing when anything changed.
  void show(uint16_t year, uint16_t month, uint16_t day);
  // Draws the whole grid into dc at its origin (painting, WM_PRINTCLIENT).
  void paint(HDC dc) const;

 private:
  void onPaint();
  void onClick(LPARAM lp);

  UniqueFont numberFont_, textFont_;
  uint16_t year_ = kCalendarFirstYear, month_ = 1, day_ = 1;
};

class CalendarView : public Window {
 public:
  // Width and height the window needs.
  static constexpr int kWidth = 437;
  static constexpr int kHeight = 464;

  explicit CalendarView(GregorianDate start);
  ~CalendarView() override;

  // Creates the window (and its controls) as a visible child of parent at (x, y).
  bool create(HWND parent, int x, int y, int id = 0);
  const CalendarModel& model() const { return model_; }
  // Selects a date (brought into 1970-2037) and refreshes everything.
  void goTo(GregorianDate date);

 private:
  void createControls();
  void onCommand(int id, int code);
  // Puts the model's date into the drop-downs (refilling the days when their count changed), the
  // labels and the grid.
  void refresh();

  CalendarModel model_;
  HWND yearList_ = nullptr, monthList_ = nullptr, dayList_ = nullptr;
  HWND weekdayLabel_ = nullptr, lunarLabel_ = nullptr;
  UniqueFont font_;
  MonthGrid grid_;
};

// Today's local date.
GregorianDate LocalToday();

}  // namespace zorvik
