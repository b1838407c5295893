#pragma once
// Times from the phone: int64 milliseconds since 1970-01-01 UTC, shown in local time.
#include <cstdint>
#include <string>

namespace zorvik {

// "%4d-%02d-%02d %02d:%02d:%02d" in local time (milliseconds truncated to seconds); ifZero when
// the phone sent 0 (each page has its own word for "never"), and the same when the time cannot be
// represented (far outside the calendar), so a hostile value never shows as garbage.
std::string formatPhoneTime(int64_t milliseconds, const char* ifZero);

}  // namespace zorvik
