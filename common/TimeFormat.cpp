#include "common/TimeFormat.h"

#include <cstdio>
#include <ctime>

namespace zorvik {

std::string formatPhoneTime(int64_t milliseconds, const char* ifZero) {
  if (milliseconds == 0) return ifZero;
  // Beyond year 9999 either way the calendar routines fail or the text loses its shape.
  constexpr int64_t kLimit = 253402300799LL * 1000;
  if (milliseconds > kLimit || milliseconds < -kLimit) return ifZero;
  const auto seconds = static_cast<time_t>(milliseconds / 1000);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &seconds) != 0) return ifZero;
#else
  if (!localtime_r(&seconds, &local)) return ifZero;
#endif
  char text[64];
  std::snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace zorvik
