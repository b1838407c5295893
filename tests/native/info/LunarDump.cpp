// Prints what the lunar calendar core says about every day of 1901-2050, one line a day:
//   year month day lunarYear lunarMonth lunarDay leap(0/1) solarTerm(0-24)
// read by compare-with-lunar-javascript.js.
#include <cstdio>

#include "info/LunarCalendar.h"

int main() {
  using namespace zorvik;
  for (uint16_t y = kLunarFirstYear; y <= kLunarLastYear; ++y)
    for (uint16_t m = 1; m <= 12; ++m)
      for (uint16_t d = 1; d <= GregorianMonthDays(y, m); ++d) {
        const LunarDay l = LunarDate(DaysSince1901(y, m, d));
        std::printf("%u %u %u %u %u %u %d %d\n", y, m, d, l.year, l.month, l.day, l.leap ? 1 : 0, SolarTerm(y, m, d));
      }
  return 0;
}
