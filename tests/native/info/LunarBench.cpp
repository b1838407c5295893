// Times LunarDate over every day of the 150 table years; prints nanoseconds per call.
#include <chrono>
#include <cstdio>

#include "info/LunarCalendar.h"

int main() {
  using namespace zorvik;
  const int32_t first = DaysSince1901(1901, 1, 1), last = DaysSince1901(2050, 12, 31);
  unsigned checksum = 0;
  long calls = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 5; ++round)
    for (int32_t s = first; s <= last; ++s, ++calls) {
      const LunarDay l = LunarDate(s);
      checksum += l.year + l.month + l.day;
    }
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  std::printf("LunarDate: %ld calls, %.1f ns per call (checksum %u)\n", calls, ns / calls, checksum);
  return checksum == 0;
}
