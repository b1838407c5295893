// Any bytes as a resource table, asked for a few type pairs, and for every configuration of a few
// resources: whenever those read, resolving the resource reads too and gives the value of the
// best ranked configuration (the last among equals).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/ResourceTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const uint8_t kPairs[][2] = {{3, 2}, {2, 2}, {1, 4}, {0, 0}};
  for (const auto& pair : kPairs) {
    auto table = zorvik::readResourceTable(bytes, pair[0], pair[1]);
    if (table && (table->label.size() > 0x10000 || table->icon.size() > 0x10000)) std::abort();
  }
  for (uint32_t id : {0x7f020000u, 0x7f030001u, 0x7f010000u, 0x01040000u}) {
    auto values = zorvik::resourceValues(bytes, id);
    if (!values) continue;
    auto one = zorvik::resolveResourceStrings(bytes, static_cast<uint8_t>(id >> 24),
                                              {{static_cast<uint8_t>(id >> 16), static_cast<uint16_t>(id)}});
    if (!one) std::abort();
    const zorvik::ConfigValue* best = nullptr;
    for (const auto& v : *values)
      if (!best || v.rank >= best->rank) best = &v;
    if ((*one)[0] != (best ? best->text : std::string())) std::abort();
  }
  return 0;
}
