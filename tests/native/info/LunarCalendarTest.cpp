// The lunar calendar core: table rows, the day count, the lunar date walk, names and the texts the
// calendar page shows, and the answers outside the tables.
#include <gtest/gtest.h>

#include <string>

#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

// The month-length word of a lunar year, rebuilt from LunarMonthDays in the table's bit order.
uint16_t monthLengthWord(uint16_t year) {
  uint16_t word = 0;
  int bit = 15;
  for (uint16_t m = 1; m <= 12; ++m) {
    const auto [normal, repeat] = LunarMonthDays(year, m);
    if (normal == 30) word |= 1u << bit;
    --bit;
    if (repeat != 0) {
      if (repeat == 30) word |= 1u << bit;
      --bit;
    }
  }
  return word;
}

// The solar-term byte of a Gregorian month, rebuilt from SolarTerm.
int termByte(uint16_t year, uint16_t month) {
  int first = 0, second = 0;
  for (uint16_t d = 1; d <= GregorianMonthDays(year, month); ++d) {
    const int t = SolarTerm(year, month, d);
    if (t == (month - 1) * 2 + 1) first = d;
    if (t == (month - 1) * 2 + 2) second = d;
  }
  if (first == 0 || second == 0) return -1;
  return ((15 - first) << 4) | (second - 15);
}

LunarDay lunarOf(uint16_t y, uint16_t m, uint16_t d) { return LunarDate(DaysSince1901(y, m, d)); }

TEST(LunarTables, TellingRows) {
  EXPECT_EQ(monthLengthWord(1901), 0x4AE0);
  EXPECT_EQ(LeapMonth(1901), 0);
  EXPECT_EQ(termByte(1901, 1), 0x96);
  EXPECT_EQ(SolarTerm(1901, 1, 6), 1);
  EXPECT_EQ(SolarTerm(1901, 1, 21), 2);

  EXPECT_EQ(monthLengthWord(2012), 0xB550);
  EXPECT_EQ(LeapMonth(2012), 4);
  EXPECT_EQ(LunarYearDays(2012), 384);
  EXPECT_EQ(LunarMonthDays(2012, 4), std::make_pair(30, 29));
  EXPECT_EQ(termByte(2012, 1), 0x96);

  EXPECT_EQ(monthLengthWord(2050), 0x55B0);
  EXPECT_EQ(LeapMonth(2050), 3);
}

TEST(LunarTables, EveryYearIsAPlausibleLunarYear) {
  for (uint16_t y = kLunarFirstYear; y <= kLunarLastYear; ++y) {
    SCOPED_TRACE(y);
    const int leap = LeapMonth(y);
    ASSERT_GE(leap, 0);
    ASSERT_LE(leap, 12);
    const int days = LunarYearDays(y);
    if (leap == 0) {
      EXPECT_GE(days, 353);
      EXPECT_LE(days, 355);
    } else {
      EXPECT_GE(days, 383);
      EXPECT_LE(days, 385);
    }
    for (uint16_t m = 1; m <= 12; ++m) {
      SCOPED_TRACE(m);
      EXPECT_TRUE(termByte(y, m) >= 0) << "two solar terms a Gregorian month";
    }
  }
}

TEST(LunarDays, DaysSince1901) {
  EXPECT_EQ(DaysSince1901(1901, 1, 1), 0);
  EXPECT_EQ(DaysSince1901(1901, 2, 19), 49);
  EXPECT_EQ(DaysSince1901(1900, 12, 31), -1);
  EXPECT_EQ(DaysSince1901(2000, 1, 1), 99 * 365 + 24);
  EXPECT_EQ(DaysSince1901(2000, 3, 1), 99 * 365 + 24 + 31 + 29);
  EXPECT_EQ(DaysSince1901(2100, 3, 1) - DaysSince1901(2100, 2, 28), 1);  // 2100 is no leap year
  // Day by day from 1901 to 2050 the count grows by one.
  int32_t expected = 0;
  for (uint16_t y = 1901; y <= 2050; ++y)
    for (uint16_t m = 1; m <= 12; ++m)
      for (uint16_t d = 1; d <= GregorianMonthDays(y, m); ++d) ASSERT_EQ(DaysSince1901(y, m, d), expected++);
  EXPECT_EQ(DaysSince1901(0, 1, 1), -(1901 * 365 + 461));  // 461 leap years in 0 .. 1900
}

TEST(LunarDays, WeekdaysAndMonths) {
  EXPECT_EQ(Weekday(1901, 1, 1), 2);
  EXPECT_EQ(Weekday(2012, 1, 23), 1);
  EXPECT_EQ(Weekday(2026, 12, 8), 2);
  EXPECT_EQ(Weekday(1970, 1, 1), 4);
  EXPECT_EQ(Weekday(1899, 12, 31), 0);
  EXPECT_EQ(Weekday(2012, 2, 30), -1);
  EXPECT_EQ(Weekday(2012, 0, 1), -1);
  EXPECT_EQ(WeekdayName(0), "星期日");
  EXPECT_EQ(WeekdayName(6), "星期六");
  EXPECT_EQ(WeekdayName(7), "未知");
  EXPECT_EQ(WeekdayName(-1), "未知");
  EXPECT_EQ(GregorianMonthName(1), "一月");
  EXPECT_EQ(GregorianMonthName(12), "十二月");
  EXPECT_EQ(GregorianMonthName(13), "");
  EXPECT_EQ(GregorianMonthDays(2012, 2), 29);
  EXPECT_EQ(GregorianMonthDays(1900, 2), 28);
  EXPECT_EQ(GregorianMonthDays(2000, 2), 29);
  EXPECT_EQ(GregorianMonthDays(2013, 12), 31);
  EXPECT_EQ(GregorianMonthDays(2013, 0), 0);
}

TEST(LunarDate, SpringFestival2012) {
  const LunarDay l = lunarOf(2012, 1, 23);
  EXPECT_EQ(l.year, 2012);
  EXPECT_EQ(l.month, 1);
  EXPECT_EQ(l.day, 1);
  EXPECT_FALSE(l.leap);
  EXPECT_EQ(FestivalName(2012, 1, 23), "春节");
  EXPECT_EQ(YearName(2012), "壬辰 龙年");
  EXPECT_EQ(MonthName(1), "　正月");
  EXPECT_EQ(std::string(MonthName(1), 0, 2), "\xA1\xA1");  // the full-width space in GBK
  EXPECT_EQ(DayName(1), "初一");
  EXPECT_EQ(LunarLine(2012, 1, 23), "春节 农历: 壬辰 龙年 　正月 初一");
  EXPECT_EQ(CellText(2012, 1, 23), "春节");
  EXPECT_EQ(lunarOf(2012, 1, 22).year, 2011);
}

TEST(LunarDate, SolarTermsInTheLunarLine) {
  EXPECT_EQ(SolarTerm(2012, 1, 6), 1);
  EXPECT_EQ(SolarTerm(2012, 1, 21), 2);
  EXPECT_EQ(SolarTerm(2012, 1, 7), 0);
  EXPECT_EQ(LunarLine(2012, 1, 6), "农历: [小寒] 辛卯 兔年 十二月 十三");
  EXPECT_EQ(LunarLine(2012, 1, 21), "农历: [大寒] 辛卯 兔年 十二月 廿八");
  EXPECT_EQ(CellText(2012, 1, 6), "小寒");
  EXPECT_EQ(CellText(2012, 12, 21), "冬至");
  EXPECT_EQ(SolarTermName(24), "冬至");
  EXPECT_EQ(SolarTermName(0), "");
  EXPECT_EQ(SolarTermName(25), "");
}

TEST(LunarDate, Before1901FollowsTheFixedRule) {
  EXPECT_EQ(lunarOf(1901, 1, 1).year, 1900);
  EXPECT_EQ(lunarOf(1901, 1, 1).month, 11);
  EXPECT_EQ(lunarOf(1901, 1, 1).day, 11);
  EXPECT_EQ(lunarOf(1901, 1, 19).day, 29);
  EXPECT_EQ(lunarOf(1901, 1, 20).month, 12);
  EXPECT_EQ(lunarOf(1901, 1, 20).day, 1);
  EXPECT_EQ(lunarOf(1901, 2, 18).day, 30);
  const LunarDay first = lunarOf(1901, 2, 19);
  EXPECT_EQ(first.year, 1901);
  EXPECT_EQ(first.month, 1);
  EXPECT_EQ(first.day, 1);
  EXPECT_EQ(LunarLine(1901, 1, 1), "元旦 农历: 庚子 鼠年 十一月 十一");
}

TEST(LunarDate, LeapFourthMonthOf2012) {
  const LunarDay normal = lunarOf(2012, 5, 20);  // the last day of the ordinary fourth month
  EXPECT_EQ(normal.month, 4);
  EXPECT_EQ(normal.day, 30);
  EXPECT_FALSE(normal.leap);
  const LunarDay leapStart = lunarOf(2012, 5, 21);
  EXPECT_EQ(leapStart.month, 4);
  EXPECT_EQ(leapStart.day, 1);
  EXPECT_TRUE(leapStart.leap);
  const LunarDay inLeap = lunarOf(2012, 6, 1);
  EXPECT_EQ(inLeap.month, 4);
  EXPECT_EQ(inLeap.day, 12);
  EXPECT_TRUE(inLeap.leap);
  EXPECT_EQ(LunarLine(2012, 6, 1), "儿童节 农历: 壬辰 龙年 　四月 十二");
  EXPECT_EQ(LunarLine(2012, 5, 2), "农历: 壬辰 龙年 　四月 十二");  // the same name, ordinary month
  EXPECT_EQ(lunarOf(2012, 6, 18).day, 29);
  EXPECT_TRUE(lunarOf(2012, 6, 18).leap);
  EXPECT_EQ(lunarOf(2012, 6, 19).month, 5);
  EXPECT_FALSE(lunarOf(2012, 6, 19).leap);
}

TEST(LunarDate, NewYearsEveOnlyInThirtyDayTwelfthMonths) {
  // Lunar 2012's twelfth month has 29 days: no 除夕夜 before 2013's 春节.
  EXPECT_EQ(LunarMonthDays(2012, 12).first, 29);
  for (uint16_t d = 1; d <= 31; ++d) EXPECT_NE(FestivalName(2013, 1, d), "除夕夜");
  for (uint16_t d = 1; d <= 28; ++d) EXPECT_NE(FestivalName(2013, 2, d), "除夕夜");
  EXPECT_EQ(lunarOf(2013, 2, 9).day, 29);
  EXPECT_EQ(CellText(2013, 2, 9), "廿九");
  EXPECT_EQ(FestivalName(2013, 2, 10), "春节");
  // Lunar 2014's has 30.
  EXPECT_EQ(LunarMonthDays(2014, 12).first, 30);
  EXPECT_EQ(FestivalName(2015, 2, 18), "除夕夜");
  // Over the whole table, 除夕夜 falls on the thirtieth of the twelfth month and only there; a
  // Gregorian festival on that day (1991-02-14 情人节) takes its place.
  for (uint16_t y = 1901; y < 2050; ++y) {
    int thirtieths = 0;
    for (uint16_t m = 1; m <= 2; ++m)
      for (uint16_t d = 1; d <= GregorianMonthDays(y + 1, m); ++d) {
        const LunarDay l = lunarOf(y + 1, m, d);
        const bool eve = l.year == y && l.month == 12 && !l.leap && l.day == 30;
        thirtieths += eve;
        const std::string festival = FestivalName(y + 1, m, d);
        if (eve)
          EXPECT_TRUE(festival == "除夕夜" || (m == 2 && d == 14 && festival == "情人节")) << y;
        else
          EXPECT_NE(festival, "除夕夜") << y;
      }
    EXPECT_EQ(thirtieths, LunarMonthDays(y, 12).first == 30 ? 1 : 0) << y;
  }
  EXPECT_EQ(FestivalName(1991, 2, 14), "情人节");
  EXPECT_EQ(lunarOf(1991, 2, 14).day, 30);
}

TEST(LunarDate, GregorianFestivalsComeFirst) {
  EXPECT_EQ(FestivalName(2012, 11, 3), "VKO");
  EXPECT_EQ(CellText(2012, 11, 3), "VKO");
  EXPECT_EQ(LunarLine(2012, 11, 3), "VKO 农历: 壬辰 龙年 　九月 廿十");
  EXPECT_EQ(FestivalName(1999, 11, 3), "VKO");
  // 2012-10-23 is lunar 9-9 (重阳节); 2012-10-01 is both 国庆节 and lunar 8-16.
  EXPECT_EQ(FestivalName(2012, 10, 23), "重阳节");
  EXPECT_EQ(FestivalName(2012, 10, 1), "国庆节");
  EXPECT_EQ(FestivalName(2012, 9, 30), "中秋节");
  EXPECT_EQ(FestivalName(2012, 10, 2), "");
  EXPECT_EQ(FestivalName(2012, 12, 1), "AIDS日");
  EXPECT_EQ(FestivalName(2012, 12, 25), "圣诞节");
}

TEST(LunarNames, DaysMonthsAndYears) {
  EXPECT_EQ(DayName(10), "初十");
  EXPECT_EQ(DayName(11), "十一");
  EXPECT_EQ(DayName(19), "十九");
  EXPECT_EQ(DayName(20), "廿十");
  EXPECT_EQ(DayName(21), "廿一");
  EXPECT_EQ(DayName(29), "廿九");
  EXPECT_EQ(DayName(30), "三十");
  EXPECT_EQ(DayName(0), "");
  EXPECT_EQ(DayName(31), "");
  EXPECT_EQ(CellText(2012, 2, 11), "廿十");  // lunar 2012-1-20
  EXPECT_EQ(CellText(2015, 2, 18), "除夕夜");
  EXPECT_EQ(CellText(2012, 7, 18), "三十");  // lunar 2012-5-30
  EXPECT_EQ(CellText(2012, 5, 20), "小满");  // lunar 2012-4-30, a solar term
  EXPECT_EQ(MonthName(10), "　十月");
  EXPECT_EQ(MonthName(11), "十一月");
  EXPECT_EQ(MonthName(12), "十二月");
  EXPECT_EQ(MonthName(0), "");
  EXPECT_EQ(MonthName(13), "");
  // Every rabbit year is named 兔.
  EXPECT_EQ(YearName(2011), "辛卯 兔年");
  EXPECT_EQ(YearName(2023), "癸卯 兔年");
  EXPECT_EQ(YearName(1984), "甲子 鼠年");
  EXPECT_EQ(YearName(2050), "庚午 马年");
  EXPECT_EQ(YearName(4), "甲子 鼠年");
  EXPECT_EQ(YearName(0), "庚申 猴年");
  EXPECT_EQ(YearName(65535), YearName(65535 - 60));
}

TEST(LunarOutsideTheTables, HarmlessAnswers) {
  EXPECT_EQ(LunarMonthDays(1900, 1), std::make_pair(30, 0));
  EXPECT_EQ(LunarMonthDays(0, 12), std::make_pair(30, 0));
  EXPECT_EQ(LunarMonthDays(2051, 1), std::make_pair(30, 0));
  EXPECT_EQ(LunarMonthDays(65535, 5), std::make_pair(30, 0));
  EXPECT_EQ(LunarMonthDays(2012, 0), std::make_pair(0, 0));
  EXPECT_EQ(LunarMonthDays(2012, 13), std::make_pair(0, 0));
  EXPECT_EQ(LunarYearDays(1900), 360);
  EXPECT_EQ(LunarYearDays(2051), 360);
  EXPECT_EQ(LeapMonth(1900), 0);
  EXPECT_EQ(LeapMonth(2051), 0);
  EXPECT_EQ(LeapMonth(65535), 0);
  EXPECT_EQ(SolarTerm(1900, 1, 6), 0);
  EXPECT_EQ(SolarTerm(2051, 1, 6), 0);
  EXPECT_EQ(SolarTerm(2012, 0, 6), 0);
  EXPECT_EQ(SolarTerm(2012, 13, 6), 0);
  EXPECT_EQ(SolarTerm(2012, 1, 0), 0);
  EXPECT_EQ(SolarTerm(2012, 1, 65535), 0);
  EXPECT_EQ(DaysSince1901(2012, 0, 1), kNoSpan);
  EXPECT_EQ(DaysSince1901(2012, 13, 1), kNoSpan);
  EXPECT_EQ(DaysSince1901(2012, 1, 0), kNoSpan);
  EXPECT_EQ(DaysSince1901(2012, 1, 32), kNoSpan);
  EXPECT_FALSE(LunarDate(kNoSpan).known());
  EXPECT_FALSE(LunarDate(-1).known());
  EXPECT_FALSE(LunarDate(INT32_MAX).known());
  // The table ends with lunar 2050's last day, 2051-02-10.
  const LunarDay last = lunarOf(2051, 2, 10);
  EXPECT_EQ(last.year, 2050);
  EXPECT_EQ(last.month, 12);
  EXPECT_FALSE(lunarOf(2051, 2, 11).known());
  EXPECT_EQ(LunarLine(2051, 2, 11), "农历: 未知");
  EXPECT_EQ(LunarLine(1900, 12, 25), "圣诞节 农历: 未知");
  EXPECT_EQ(CellText(2100, 1, 2), "");
  EXPECT_EQ(CellText(2100, 1, 1), "元旦");
  EXPECT_EQ(FestivalName(2100, 8, 15), "");
  // Every year, month and day edge gives an answer without a read outside the tables.
  for (uint32_t y = 0; y <= 65535; y += (y < 1890 || y > 2060) ? 97 : 1)
    for (uint16_t m : {0, 1, 2, 12, 13, 65535})
      for (uint16_t d : {0, 1, 15, 29, 30, 31, 32, 65535}) {
        const std::string line = LunarLine(static_cast<uint16_t>(y), m, d);
        ASSERT_FALSE(line.empty());
        CellText(static_cast<uint16_t>(y), m, d);
        Weekday(static_cast<uint16_t>(y), m, d);
      }
}

TEST(LunarDate, DayByDayTheLunarDateAdvancesThroughTheTable) {
  LunarDay previous = LunarDate(DaysSince1901(1901, 2, 19));
  const int32_t end = DaysSince1901(2051, 2, 10);
  for (int32_t s = DaysSince1901(1901, 2, 20); s <= end; previous = LunarDate(s++)) {
    const LunarDay l = LunarDate(s);
    ASSERT_TRUE(l.known()) << s;
    if (l.day != 1) {
      ASSERT_EQ(l.day, previous.day + 1) << s;
      ASSERT_EQ(l.month, previous.month) << s;
      ASSERT_EQ(l.leap, previous.leap) << s;
      continue;
    }
    const auto [normal, repeat] = LunarMonthDays(previous.year, previous.month);
    ASSERT_EQ(previous.day, previous.leap ? repeat : normal) << s;
    if (l.leap) {
      ASSERT_EQ(l.month, previous.month) << s;
      ASSERT_EQ(LeapMonth(l.year), l.month) << s;
    } else if (l.month == 1) {
      ASSERT_EQ(l.year, previous.year + 1) << s;
      ASSERT_EQ(previous.month, 12) << s;
    } else {
      ASSERT_EQ(l.month, previous.month + 1) << s;
    }
  }
}

}  // namespace
}  // namespace zorvik
