// Any bytes as a resource table, asked for a few type pairs.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "installer/ResourceTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const uint8_t kPairs[][2] = {{3, 2}, {2, 2}, {1, 4}, {0, 0}};
  for (const auto& pair : kPairs) {
    auto table = zorvik::readResourceTable(bytes, pair[0], pair[1]);
    if (table && (table->label.size() > 0x10000 || table->icon.size() > 0x10000)) std::abort();
  }
  return 0;
}
