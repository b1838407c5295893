#include "info/LunarCalendar.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace zorvik {
namespace {

#include "LunarTables.inc"

static_assert(sizeof(kLunarMonthLengths) / sizeof(kLunarMonthLengths[0]) == kLunarLastYear - kLunarFirstYear + 1);
static_assert(sizeof(kLunarLeapMonths) == (kLunarLastYear - kLunarFirstYear + 2) / 2);
static_assert(sizeof(kSolarTermOffsets) == (kLunarLastYear - kLunarFirstYear + 1) * 12);

// Two-byte GBK characters, taken by index.
const char kStems[] = "甲乙丙丁戊己庚辛壬癸";
const char kBranches[] = "子丑寅卯辰巳午未申酉戌亥";
const char kZodiac[] = "鼠牛虎兔龙蛇马羊猴鸡狗猪";
const char kMonthDigits[] = "正二三四五六七八九十";
const char kDayTens[] = "初十廿三";
const char kDayUnits[] = "一二三四五六七八九十";
static_assert(sizeof(kStems) == 21 && sizeof(kBranches) == 25 && sizeof(kZodiac) == 25);
static_assert(sizeof(kMonthDigits) == 21 && sizeof(kDayTens) == 9 && sizeof(kDayUnits) == 21);

std::string gbkChar(const char* table, int index) { return std::string(table + 2 * index, 2); }

const char* const kTermNames[24] = {
    "小寒", "大寒", "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至",
    "小暑", "大暑", "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至"};

const char* const kWeekdayNames[7] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
const char* const kGregorianMonthNames[12] = {"一月", "二月", "三月", "四月", "五月", "六月",
                                              "七月", "八月", "九月", "十月", "十一月", "十二月"};

struct Festival {
  uint8_t month, day;
  const char* name;
};
const Festival kGregorianFestivals[] = {
    {1, 1, "元旦"},    {2, 14, "情人节"}, {3, 8, "妇女节"},  {3, 12, "植树节"}, {4, 1, "愚人节"},
    {4, 22, "地球日"}, {5, 1, "劳动节"},  {5, 4, "青年节"},  {5, 31, "无烟日"}, {6, 1, "儿童节"},
    {6, 5, "环保日"},  {7, 1, "建党节"},  {8, 1, "建军节"},  {9, 10, "教师节"}, {10, 1, "国庆节"},
    {10, 6, "老人节"}, {11, 3, "VKO"},    {12, 1, "AIDS日"}, {12, 24, "平安夜"}, {12, 25, "圣诞节"}};
const Festival kLunarFestivals[] = {
    {1, 1, "春节"},    {1, 15, "元宵节"}, {5, 5, "端午节"}, {7, 7, "七夕"},     {8, 15, "中秋节"},
    {9, 9, "重阳节"},  {12, 8, "腊八节"}, {12, 23, "小年"}, {12, 30, "除夕夜"}};

const int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
const int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool inTables(uint16_t year) { return year >= kLunarFirstYear && year <= kLunarLastYear; }

// Floor division, so the leap-day count stays right for years before 1 AD's neighbours.
int32_t floorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Day counts of the spans the rule for lunar 1900 covers, and of lunar 1901's first day.
constexpr int32_t kLunar1901Start = 49;  // 1901-02-19
constexpr int32_t kLunar1900Month12 = 19;  // 1901-01-20

constexpr int kTableYears = kLunarLastYear - kLunarFirstYear + 1;

}  // namespace

// Days from lunar 1901-1-1 to the first day of each table year, and one past the last: the walk
// over whole years, done once instead of on every call.
static const std::array<int32_t, kTableYears + 1>& lunarYearStarts() {
  static const std::array<int32_t, kTableYears + 1> starts = [] {
    std::array<int32_t, kTableYears + 1> a{};
    for (int i = 0; i < kTableYears; ++i) a[i + 1] = a[i] + LunarYearDays(static_cast<uint16_t>(kLunarFirstYear + i));
    return a;
  }();
  return starts;
}

int32_t DaysSince1901(uint16_t year, uint16_t month, uint16_t day) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return kNoSpan;
  const int32_t y = year;
  int32_t days = (y - 1901) * 365 + (floorDiv(y - 1, 4) - 1900 / 4) - (floorDiv(y - 1, 100) - 1900 / 100) +
                 (floorDiv(y - 1, 400) - 1900 / 400);
  days += kMonthStart[month - 1];
  if (IsGregorianLeapYear(year) && month > 2) days += 1;
  return days + day - 1;
}

int LeapMonth(uint16_t year) {
  if (!inTables(year)) return 0;
  const int offset = year - kLunarFirstYear;
  const uint8_t byte = kLunarLeapMonths[offset / 2];
  return offset % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

std::pair<int, int> LunarMonthDays(uint16_t year, uint16_t month) {
  if (!inTables(year)) return {30, 0};
  if (month < 1 || month > 12) return {0, 0};
  const uint16_t bits = kLunarMonthLengths[year - kLunarFirstYear];
  const int leap = LeapMonth(year);
  auto length = [bits](int bit) { return (bits >> bit) & 1 ? 30 : 29; };
  if (leap == 0 || month < leap) return {length(16 - month), 0};
  if (month == leap) return {length(16 - month), length(15 - leap)};
  return {length(15 - month), 0};
}

int LunarYearDays(uint16_t year) {
  int total = 0;
  for (uint16_t m = 1; m <= 12; ++m) {
    const auto [normal, leap] = LunarMonthDays(year, m);
    total += normal + leap;
  }
  return total;
}

LunarDay LunarDate(int32_t spanDays) {
  if (spanDays < 0) return {};
  if (spanDays < kLunar1901Start) {
    if (spanDays < kLunar1900Month12) return {1900, 11, static_cast<uint16_t>(11 + spanDays), false};
    return {1900, 12, static_cast<uint16_t>(spanDays - 18), false};
  }
  int32_t s = spanDays - kLunar1901Start;
  const auto& starts = lunarYearStarts();
  if (s >= starts.back()) return {};
  const auto next = std::upper_bound(starts.begin(), starts.end(), s);  // first start after s
  const int index = static_cast<int>(next - starts.begin()) - 1;
  const uint16_t year = static_cast<uint16_t>(kLunarFirstYear + index);
  s -= starts[index];
  const int leapMonth = LeapMonth(year);
  uint16_t month = 1;
  for (;;) {
    const auto [normal, repeat] = LunarMonthDays(year, month);
    if (s < normal) break;
    s -= normal;
    if (month == leapMonth) {
      if (s < repeat) return {year, month, static_cast<uint16_t>(1 + s), true};
      s -= repeat;
    }
    ++month;  // stays <= 12: s is less than the year's days
  }
  return {year, month, static_cast<uint16_t>(1 + s), false};
}

int SolarTerm(uint16_t year, uint16_t month, uint16_t day) {
  if (!inTables(year) || month < 1 || month > 12) return 0;
  const uint8_t byte = kSolarTermOffsets[(year - kLunarFirstYear) * 12 + (month - 1)];
  const int candidate = day < 15 ? 15 - (byte >> 4) : 15 + (byte & 0x0F);
  if (day != candidate) return 0;
  return (month - 1) * 2 + (day > 15 ? 1 : 0) + 1;
}

std::string SolarTermName(int term) { return term >= 1 && term <= 24 ? kTermNames[term - 1] : std::string(); }

std::string FestivalName(uint16_t year, uint16_t month, uint16_t day) {
  for (const Festival& f : kGregorianFestivals)
    if (f.month == month && f.day == day) return f.name;
  const LunarDay lunar = LunarDate(DaysSince1901(year, month, day));
  if (!lunar.known()) return {};
  for (const Festival& f : kLunarFestivals)
    if (f.month == lunar.month && f.day == lunar.day) return f.name;
  return {};
}

std::string YearName(uint16_t lunarYear) {
  const int i = static_cast<int>(lunarYear) - 4;
  const int stem = ((i % 10) + 10) % 10, branch = ((i % 12) + 12) % 12;
  return gbkChar(kStems, stem) + gbkChar(kBranches, branch) + " " + gbkChar(kZodiac, branch) + "年";
}

std::string MonthName(uint16_t lunarMonth) {
  if (lunarMonth >= 1 && lunarMonth <= 10) return "　" + gbkChar(kMonthDigits, lunarMonth - 1) + "月";
  if (lunarMonth == 11) return "十一月";
  if (lunarMonth == 12) return "十二月";
  return {};
}

std::string DayName(uint16_t lunarDay) {
  if (lunarDay < 1 || lunarDay > 30) return {};
  if (lunarDay == 20) return gbkChar(kDayTens, 2) + gbkChar(kDayUnits, 9);
  if (lunarDay == 30) return gbkChar(kDayTens, 3) + gbkChar(kDayUnits, 9);
  if (lunarDay <= 10) return gbkChar(kDayTens, 0) + gbkChar(kDayUnits, lunarDay - 1);
  return gbkChar(kDayTens, lunarDay / 10) + gbkChar(kDayUnits, lunarDay % 10 - 1);
}

std::string LunarLine(uint16_t year, uint16_t month, uint16_t day) {
  std::string line;
  const std::string festival = FestivalName(year, month, day);
  if (!festival.empty()) line += festival + " ";
  line += "农历: ";
  const int term = SolarTerm(year, month, day);
  if (term != 0) line += "[" + SolarTermName(term) + "] ";
  const LunarDay lunar = LunarDate(DaysSince1901(year, month, day));
  if (!lunar.known()) return line + "未知";
  return line + YearName(lunar.year) + " " + MonthName(lunar.month) + " " + DayName(lunar.day);
}

std::string CellText(uint16_t year, uint16_t month, uint16_t day) {
  std::string text = FestivalName(year, month, day);
  if (!text.empty()) return text;
  if (const int term = SolarTerm(year, month, day); term != 0) return SolarTermName(term);
  return DayName(LunarDate(DaysSince1901(year, month, day)).day);
}

bool IsGregorianLeapYear(uint16_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int GregorianMonthDays(uint16_t year, uint16_t month) {
  if (month < 1 || month > 12) return 0;
  return kMonthLength[month - 1] + (month == 2 && IsGregorianLeapYear(year) ? 1 : 0);
}

int Weekday(uint16_t year, uint16_t month, uint16_t day) {
  if (day > GregorianMonthDays(year, month)) return -1;
  const int32_t span = DaysSince1901(year, month, day);
  if (span == kNoSpan) return -1;
  return static_cast<int>(((span + 2) % 7 + 7) % 7);  // 1901-01-01 was a Tuesday
}

std::string WeekdayName(int weekday) { return weekday >= 0 && weekday <= 6 ? kWeekdayNames[weekday] : "未知"; }

std::string GregorianMonthName(int month) {
  return month >= 1 && month <= 12 ? kGregorianMonthNames[month - 1] : std::string();
}

}  // namespace zorvik
