// vCard files from anywhere: reading ends inside the input, a photo stays within its cap, and what
// is read writes out and reads back as the same number of cards.
#include "pim/VCard.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const zorvik::VCardReadResult read = zorvik::readVCards(file);
  for (const auto& c : read.contacts)
    if (c.photo.size() > zorvik::kMaxContactPhoto) std::abort();
  const zorvik::VCardReadResult again = zorvik::readVCards(zorvik::writeVCards(read.contacts));
  if (again.contacts.size() != read.contacts.size()) std::abort();
  return 0;
}
