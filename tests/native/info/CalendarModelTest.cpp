// The calendar page's state without windows: date changes within the year list, label texts,
// and the month grid's hit test.
#include <gtest/gtest.h>

#include "info/CalendarModel.h"
#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

TEST(CalendarDates, DateFromDaysSince1901InvertsTheCount) {
  for (int32_t s = DaysSince1901(1, 1, 1); s < DaysSince1901(65535, 12, 31); s += 7919) {
    const GregorianDate d = DateFromDaysSince1901(s);
    ASSERT_EQ(DaysSince1901(d.year, d.month, d.day), s);
  }
  for (int32_t s = DaysSince1901(1969, 12, 1); s < DaysSince1901(2038, 2, 1); ++s) {
    const GregorianDate d = DateFromDaysSince1901(s);
    ASSERT_GE(d.day, 1);
    ASSERT_LE(d.day, GregorianMonthDays(d.year, d.month));
    ASSERT_EQ(DaysSince1901(d.year, d.month, d.day), s);
  }
  EXPECT_EQ(DateFromDaysSince1901(0), (GregorianDate{1901, 1, 1}));
  EXPECT_EQ(DateFromDaysSince1901(DaysSince1901(2000, 2, 29)), (GregorianDate{2000, 2, 29}));
  EXPECT_EQ(DateFromDaysSince1901(kNoSpan), GregorianDate{});
  EXPECT_EQ(DateFromDaysSince1901(INT32_MAX), GregorianDate{});
}

TEST(CalendarModel, ChangesKeepTheDateValid) {
  CalendarModel m(2012, 1, 31);
  EXPECT_TRUE(m.setMonth(2));
  EXPECT_EQ(m.date(), (GregorianDate{2012, 2, 29}));
  EXPECT_EQ(m.daysInMonth(), 29);
  EXPECT_TRUE(m.setYear(2013));
  EXPECT_EQ(m.date(), (GregorianDate{2013, 2, 28}));
  EXPECT_FALSE(m.setYear(1969));
  EXPECT_FALSE(m.setYear(2038));
  EXPECT_FALSE(m.setMonth(0));
  EXPECT_FALSE(m.setMonth(13));
  EXPECT_FALSE(m.setDay(29));
  EXPECT_FALSE(m.setDay(0));
  EXPECT_EQ(m.date(), (GregorianDate{2013, 2, 28}));
  EXPECT_TRUE(m.setDay(1));
  EXPECT_EQ(m.day(), 1);

  CalendarModel early(1900, 5, 5);
  EXPECT_EQ(early.date(), (GregorianDate{1970, 1, 1}));
  CalendarModel late(2100, 5, 5);
  EXPECT_EQ(late.date(), (GregorianDate{2037, 12, 31}));
  CalendarModel odd(2012, 13, 40);
  EXPECT_EQ(odd.date(), (GregorianDate{2012, 12, 31}));
}

TEST(CalendarModel, StepsOneDayAndStopsAtTheEndsOfTheYearList) {
  CalendarModel m(2012, 12, 31);
  EXPECT_TRUE(m.stepDays(1));
  EXPECT_EQ(m.date(), (GregorianDate{2013, 1, 1}));
  EXPECT_TRUE(m.stepDays(-1));
  EXPECT_EQ(m.date(), (GregorianDate{2012, 12, 31}));
  m.goTo({2012, 3, 1});
  EXPECT_TRUE(m.stepDays(-1));
  EXPECT_EQ(m.date(), (GregorianDate{2012, 2, 29}));

  m.goTo({1970, 1, 1});
  EXPECT_FALSE(m.stepDays(-1));
  EXPECT_EQ(m.date(), (GregorianDate{1970, 1, 1}));
  m.goTo({2037, 12, 31});
  EXPECT_FALSE(m.stepDays(1));
  EXPECT_EQ(m.date(), (GregorianDate{2037, 12, 31}));
}

TEST(CalendarModel, LabelsAndCells) {
  CalendarModel m(2012, 1, 23);
  EXPECT_EQ(m.weekdayText(), "星期一");
  EXPECT_EQ(m.lunarText(), "春节 农历: 壬辰 龙年 　正月 初一");
  EXPECT_EQ(m.leadingEmptyCells(), 0);  // 2012-01-01 was a Sunday
  EXPECT_EQ(m.cellText(1), "元旦");
  EXPECT_EQ(m.cellText(6), "小寒");
  EXPECT_EQ(m.cellText(23), "春节");
  EXPECT_EQ(m.cellText(24), "初二");
  EXPECT_EQ(m.cellText(0), "");
  EXPECT_EQ(m.cellText(32), "");
  m.goTo({2012, 11, 3});
  EXPECT_EQ(m.weekdayText(), "星期六");
  EXPECT_EQ(m.cellText(3), "VKO");
  EXPECT_EQ(m.leadingEmptyCells(), 4);
}

TEST(CalendarGrid, HitTest) {
  // November 2012 starts on a Thursday: four empty cells.
  EXPECT_EQ(GridDayAt(4 * 60 + 1, 26, 2012, 11), 1);
  EXPECT_EQ(GridDayAt(3 * 60 + 59, 26 + 59, 2012, 11), 0);  // an empty leading cell
  EXPECT_EQ(GridDayAt(6 * 60 + 30, 26 + 30, 2012, 11), 3);
  EXPECT_EQ(GridDayAt(0, 26 + 60, 2012, 11), 4);
  EXPECT_EQ(GridDayAt(5 * 60, 26 + 4 * 60, 2012, 11), 30);
  EXPECT_EQ(GridDayAt(6 * 60, 26 + 4 * 60, 2012, 11), 0);  // after the month's last day
  // The header row, the pixel column right of the seventh column, and below the sixth row.
  EXPECT_EQ(GridDayAt(4 * 60 + 1, 25, 2012, 11), 0);
  EXPECT_EQ(GridDayAt(4 * 60 + 1, 0, 2012, 11), 0);
  EXPECT_EQ(GridDayAt(420, 26 + 60, 2012, 11), 0);
  EXPECT_EQ(GridDayAt(-1, 26 + 60, 2012, 11), 0);
  EXPECT_EQ(GridDayAt(0, 26 + 360, 2012, 11), 0);
  EXPECT_EQ(GridDayAt(10, 30, 2012, 13), 0);
  // Every day's cell origin hits that day.
  for (uint16_t month = 1; month <= 12; ++month)
    for (int day = 1; day <= GregorianMonthDays(2015, month); ++day) {
      int x = -1, y = -1;
      GridCellOrigin(2015, month, day, x, y);
      ASSERT_EQ(GridDayAt(x, y, 2015, month), day);
      ASSERT_EQ(GridDayAt(x + 59, y + 59, 2015, month), day);
      ASSERT_LT(y + 60, kGridHeight);
    }
}

}  // namespace
}  // namespace zorvik
