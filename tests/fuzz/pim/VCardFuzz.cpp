// vCard files from anywhere: reading ends inside the input in time linear in it (a bound per byte,
// loose enough for a sanitizer build on a busy machine, far below any quadratic walk), a photo
// stays within its cap, and what is read writes out and reads back as the same number of cards.
#include "pim/VCard.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto t0 = std::chrono::steady_clock::now();
  const zorvik::VCardReadResult read = zorvik::readVCards(file);
  const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
  if (us > 2e6 + 20.0 * static_cast<double>(size)) std::abort();
  for (const auto& c : read.contacts)
    if (c.photo.size() > zorvik::kMaxContactPhoto) std::abort();
  const zorvik::VCardReadResult again = zorvik::readVCards(zorvik::writeVCards(read.contacts));
  if (again.contacts.size() != read.contacts.size()) std::abort();
  return 0;
}
