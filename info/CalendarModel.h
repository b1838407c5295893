#pragma once
// What the calendar page holds and shows, without windows: the selected Gregorian date within the
// page's year list, the texts of its labels, and the month grid's geometry and hit test.
#include <cstdint>
#include <string>

namespace zorvik {

// The page's year drop-down.
constexpr uint16_t kCalendarFirstYear = 1970;
constexpr uint16_t kCalendarLastYear = 2037;

// Month grid geometry, in client pixels.
constexpr int kGridHeaderHeight = 26;
constexpr int kGridCellSize = 60;
constexpr int kGridColumns = 7;
constexpr int kGridRows = 6;
constexpr int kGridWidth = 421;
constexpr int kGridHeight = kGridHeaderHeight + kGridRows * kGridCellSize + 1;
// The cell text is drawn this far below the day number.
constexpr int kGridTextOffset = 46;
// COLORREF 0xFEEDD4 (red 0xD4, green 0xED, blue 0xFE): the selected day's fill.
constexpr uint32_t kGridSelectedColour = 16707028;

struct GregorianDate {
  uint16_t year = 0, month = 0, day = 0;
  bool operator==(const GregorianDate& o) const { return year == o.year && month == o.month && day == o.day; }
};

// The Gregorian date of a day count from DaysSince1901; all zero outside years 1-65535.
GregorianDate DateFromDaysSince1901(int32_t span);

class CalendarModel {
 public:
  // Starts on the given date, brought into the year list and the month's days.
  CalendarModel(uint16_t year, uint16_t month, uint16_t day);

  GregorianDate date() const { return date_; }
  uint16_t year() const { return date_.year; }
  uint16_t month() const { return date_.month; }
  uint16_t day() const { return date_.day; }

  // Each keeps the date valid: a year outside the list or a month outside 1-12 is ignored
  // (false), and a day past the month's end becomes its last day.
  bool setYear(int year);
  bool setMonth(int month);
  bool setDay(int day);
  // Any date, brought into the year list.
  void goTo(GregorianDate date);
  // One day back or forward; false (and no move) at the ends of the year list.
  bool stepDays(int delta);

  int daysInMonth() const;
  // Empty cells before the month's first day (its weekday, Sunday = 0).
  int leadingEmptyCells() const;
  // The weekday label ("星期一") and the lunar label (LunarLine).
  std::string weekdayText() const;
  std::string lunarText() const;
  // The text of the grid cell of `day` of the shown month (CellText).
  std::string cellText(int day) const;

 private:
  GregorianDate date_;
};

// The day of the month under client point (x, y) of the grid showing year/month, or 0 when the
// point is on the header row, outside the seven columns or six rows, or on an empty cell.
int GridDayAt(int x, int y, uint16_t year, uint16_t month);
// Top-left corner of the cell of `day` (1-based) in the grid of year/month.
void GridCellOrigin(uint16_t year, uint16_t month, int day, int& x, int& y);

}  // namespace zorvik
