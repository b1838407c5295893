#pragma once
// The Chinese lunar calendar of the calendar page: table-driven and local, for lunar years
// 1901-2050. All texts are the program's GBK strings.
//
// Tables (generated at build time, see data/lunar/), all indexed from 1901:
//   month lengths  one 16-bit word a lunar year; month m of a year without a leap month uses
//                  bit (16 - m), 1 = 30 days, 0 = 29. With leap month L, months m <= L use bit
//                  (16 - m), the leap repetition bit (15 - L), months m > L bit (15 - m).
//   leap months    75 bytes, two years a byte: year y is byte (y - 1901) / 2, the high nibble when
//                  (y - 1901) is even, the low nibble when odd; 0 means no leap month.
//   solar terms    1800 bytes, byte (y - 1901) * 12 + (m - 1) for Gregorian year y and month m:
//                  the first term falls on day 15 - high nibble, the second on 15 + low nibble.
//
// Outside the tables every function still answers, never reading past a table: a year before
// 1901 or after 2050 has twelve 30-day months and no leap month, no solar terms, and LunarDate
// gives the "unknown" date (all zero) for a day count outside 1901-01-01 .. the last day of lunar
// 2050; the text forms turn unknown parts into empty strings or "未知".
#include <cstdint>
#include <string>
#include <utility>

namespace zorvik {

constexpr uint16_t kLunarFirstYear = 1901;
constexpr uint16_t kLunarLastYear = 2050;
// DaysSince1901 of an impossible date (month or day out of range): far before every table.
constexpr int32_t kNoSpan = INT32_MIN;

struct LunarDay {
  uint16_t year = 0;   // 0: unknown (outside the tables)
  uint16_t month = 0;  // 1-12; a leap month carries the number of the month it repeats
  uint16_t day = 0;    // 1-30
  bool leap = false;   // the date lies in the leap repetition of `month`
  bool known() const { return year != 0; }
};

// Days from 1901-01-01 to the Gregorian date (0 for 1901-01-01, negative before it), or kNoSpan
// when month is not 1-12 or day is not 1..31.
int32_t DaysSince1901(uint16_t year, uint16_t month, uint16_t day);

// (days of lunar month `month`, days of its leap repetition or 0). Years outside the tables give
// (30, 0); a month outside 1-12 gives (0, 0).
std::pair<int, int> LunarMonthDays(uint16_t year, uint16_t month);
// Both halves of LunarMonthDays summed over months 1-12.
int LunarYearDays(uint16_t year);
// The month doubled in lunar year `year`, 0 for none (and for years outside the tables).
int LeapMonth(uint16_t year);
// The lunar date of a day count from DaysSince1901. 1901-01-01 .. 1901-02-18 lie in lunar 1900
// (months 11 and 12), which the tables do not hold: they follow a fixed rule.
LunarDay LunarDate(int32_t spanDays);

// 1-24 (小寒 = 1, in calendar order) when a solar term falls on the Gregorian date, else 0.
int SolarTerm(uint16_t year, uint16_t month, uint16_t day);
// The name of solar term 1-24, empty otherwise.
std::string SolarTermName(int term);
// The Gregorian festival of the month-day, else the lunar one, else empty.
std::string FestivalName(uint16_t year, uint16_t month, uint16_t day);

// "壬辰 龙年" for lunar year 2012 (the sexagenary cycle extends to every year).
std::string YearName(uint16_t lunarYear);
// "　正月" … "　十月" (full-width space first), "十一月", "十二月"; empty outside 1-12.
std::string MonthName(uint16_t lunarMonth);
// "初一" … "初十", "十一" … "十九", "廿十", "廿一" … "廿九", "三十"; empty outside 1-30.
std::string DayName(uint16_t lunarDay);
// The page's lunar label: "[festival ]农历: [[term] ]year month day".
std::string LunarLine(uint16_t year, uint16_t month, uint16_t day);
// A month-grid cell: the festival, else the solar term, else the lunar day name.
std::string CellText(uint16_t year, uint16_t month, uint16_t day);

// Gregorian helpers for the page.
bool IsGregorianLeapYear(uint16_t year);
// Days of the Gregorian month, 0 for a month outside 1-12.
int GregorianMonthDays(uint16_t year, uint16_t month);
// 0 = Sunday … 6 = Saturday; -1 for an impossible date.
int Weekday(uint16_t year, uint16_t month, uint16_t day);
// "星期日" … "星期六", "未知" outside 0-6.
std::string WeekdayName(int weekday);
// "一月" … "十二月", empty outside 1-12.
std::string GregorianMonthName(int month);

}  // namespace zorvik
