// Group-list replies from a confused or hostile phone: every walk ends inside the body.
#include "pim/GroupWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::GroupRecord> list = zorvik::parseGroupList(data, size);
  if (list.records.size() > size / 20 + 1) std::abort();  // a record takes at least 20 bytes
  for (const auto& r : list.records)
    if (r.title.size() > 2 * size || r.account.size() > 2 * size) std::abort();
  return 0;
}
