// Cache replies from a confused or hostile phone: the walk ends inside the body, no icon over the
// limit is kept, and the clear request built from what was read counts its own length right.
#include "devlink/ByteOrder.h"
#include "manage/system/CleanerWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::CacheRecord> list = zorvik::parseCacheList(data, size);
  std::vector<std::string> packages;
  for (const auto& r : list.records) {
    if (r.icon.size() > zorvik::kMaxCleanIcon || r.icon.size() > size) std::abort();
    packages.push_back(r.package);
  }
  const zorvik::Bytes request = zorvik::cleanRequest({true, false, true}, packages);
  if (request.size() < 15 || zorvik::getInt32(request.data() + 4) != static_cast<int32_t>(request.size()))
    std::abort();
  return 0;
}
