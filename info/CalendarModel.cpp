#include "info/CalendarModel.h"

#include <algorithm>

#include "info/LunarCalendar.h"

namespace zorvik {

GregorianDate DateFromDaysSince1901(int32_t span) {
  if (span < DaysSince1901(1, 1, 1) || span > DaysSince1901(65535, 12, 31)) return {};
  // An estimate from the mean year, corrected by whole years, then the months walked.
  int32_t year = 1901 + static_cast<int32_t>(span / 365.2425);
  year = std::clamp<int32_t>(year, 1, 65534);
  while (year > 1 && DaysSince1901(static_cast<uint16_t>(year), 1, 1) > span) --year;
  while (year < 65535 && DaysSince1901(static_cast<uint16_t>(year + 1), 1, 1) <= span) ++year;
  const auto y = static_cast<uint16_t>(year);
  int32_t rest = span - DaysSince1901(y, 1, 1);
  uint16_t month = 1;
  while (month < 12 && rest >= GregorianMonthDays(y, month)) rest -= GregorianMonthDays(y, month++);
  return {y, month, static_cast<uint16_t>(rest + 1)};
}

CalendarModel::CalendarModel(uint16_t year, uint16_t month, uint16_t day) { goTo({year, month, day}); }

void CalendarModel::goTo(GregorianDate date) {
  if (date.year < kCalendarFirstYear) date = {kCalendarFirstYear, 1, 1};
  if (date.year > kCalendarLastYear) date = {kCalendarLastYear, 12, 31};
  date.month = std::clamp<uint16_t>(date.month, 1, 12);
  date.day = static_cast<uint16_t>(std::clamp<int>(date.day, 1, GregorianMonthDays(date.year, date.month)));
  date_ = date;
}

bool CalendarModel::setYear(int year) {
  if (year < kCalendarFirstYear || year > kCalendarLastYear) return false;
  goTo({static_cast<uint16_t>(year), date_.month, date_.day});
  return true;
}

bool CalendarModel::setMonth(int month) {
  if (month < 1 || month > 12) return false;
  goTo({date_.year, static_cast<uint16_t>(month), date_.day});
  return true;
}

bool CalendarModel::setDay(int day) {
  if (day < 1 || day > daysInMonth()) return false;
  date_.day = static_cast<uint16_t>(day);
  return true;
}

bool CalendarModel::stepDays(int delta) {
  const GregorianDate next = DateFromDaysSince1901(DaysSince1901(date_.year, date_.month, date_.day) + delta);
  if (next.year < kCalendarFirstYear || next.year > kCalendarLastYear) return false;
  date_ = next;
  return true;
}

int CalendarModel::daysInMonth() const { return GregorianMonthDays(date_.year, date_.month); }

int CalendarModel::leadingEmptyCells() const { return Weekday(date_.year, date_.month, 1); }

std::string CalendarModel::weekdayText() const { return WeekdayName(Weekday(date_.year, date_.month, date_.day)); }

std::string CalendarModel::lunarText() const { return LunarLine(date_.year, date_.month, date_.day); }

std::string CalendarModel::cellText(int day) const {
  if (day < 1 || day > daysInMonth()) return {};
  return CellText(date_.year, date_.month, static_cast<uint16_t>(day));
}

int GridDayAt(int x, int y, uint16_t year, uint16_t month) {
  // The header row and the points right of the last column or below the last row are no cell
  // (plain division would map them onto a neighbouring row).
  if (x < 0 || y < kGridHeaderHeight) return 0;
  const int column = x / kGridCellSize, row = (y - kGridHeaderHeight) / kGridCellSize;
  if (column >= kGridColumns || row >= kGridRows) return 0;
  const int leading = Weekday(year, month, 1);
  if (leading < 0) return 0;
  const int day = row * kGridColumns + column - leading + 1;
  return day >= 1 && day <= GregorianMonthDays(year, month) ? day : 0;
}

void GridCellOrigin(uint16_t year, uint16_t month, int day, int& x, int& y) {
  const int index = std::max(0, Weekday(year, month, 1)) + day - 1;
  x = (index % kGridColumns) * kGridCellSize;
  y = kGridHeaderHeight + (index / kGridColumns) * kGridCellSize;
}

}  // namespace zorvik
