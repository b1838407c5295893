// Call-log replies from a confused or hostile phone: every walk ends inside the body and every
// row's texts stay sound.
#include "pim/CallLog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::CallRecord> list = zorvik::parseCallList(data, size);
  if (list.records.size() > size / 28 + 1) std::abort();  // a record takes at least 28 bytes
  for (const auto& r : list.records) {
    if (r.duration.size() != 9 || r.duration.back() != '\n') std::abort();
    if (r.number.size() > size || r.name.size() > 2 * size) std::abort();
  }
  return 0;
}
