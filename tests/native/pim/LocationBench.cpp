// Times LocateNumber on a realistic mix of numbers (mostly mobiles, as in contact lists and call
// logs) and on mobiles alone, with "phone.db" in the page cache.
//   location_bench [calls]   (default 1,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LocationTestSupport.h"
#include "pim/LocateNumber.h"

namespace {

double nanosecondsPerCall(const zorvik::PhoneTable& table, const std::vector<std::string>& numbers, long calls,
                          std::size_t& sink) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) sink += *zorvik::LocateNumber(table, numbers[static_cast<std::size_t>(i) % numbers.size()]);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(calls);
}

}  // namespace

int main(int argc, char** argv) {
  const long calls = argc > 1 ? std::atol(argv[1]) : 1000000;
  if (calls <= 0) return 2;
  zorvik::test::TempFolder folder;
  zorvik::PhoneTable table(zorvik::PhoneTableSetup{.folder = folder.path()});
  if (!table.isOpen()) {
    std::fprintf(stderr, "no prefix table\n");
    return 1;
  }
  // Mobiles spread over the whole table (a deterministic walk), with landlines, service numbers,
  // SP numbers and withheld callers mixed in as a call log has them.
  std::vector<std::string> mobiles, mix;
  unsigned state = 12345;
  const char* blocks[] = {"130", "131", "133", "135", "136", "137", "138", "139", "150", "152", "158", "159",
                          "180", "186", "187", "188", "189"};
  for (int i = 0; i < 4096; ++i) {
    state = state * 1103515245u + 12345u;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%s%08u", blocks[(state >> 8) % 17], (state >> 3) % 100000000u);
    mobiles.emplace_back(digits);
  }
  const char* others[] = {"010-62345678", "0755-12345678", "+8613800138000", "10086", "95588", "-1",
                          "10655123",     "02087654321",   "4008517517",     "12345678"};
  for (std::size_t i = 0; i < mobiles.size(); ++i) {
    mix.push_back(mobiles[i]);
    if (i % 4 == 3) mix.emplace_back(others[(i / 4) % 10]);
  }
  std::size_t sink = 0;
  nanosecondsPerCall(table, mix, 100000, sink);  // warm the page cache
  const double mixed = nanosecondsPerCall(table, mix, calls, sink);
  const double mobile = nanosecondsPerCall(table, mobiles, calls, sink);
  std::printf("LocateNumber: %ld calls, mixed %.1f ns/call, mobile %.1f ns/call (checksum %zu)\n", calls, mixed,
              mobile, sink);
  return 0;
}
