// Any bytes as a resource table, resolved as the package page resolves it (a few entries of the
// application's and the framework's package), checked against reading the whole types: whenever
// the whole types read, resolving must read too and agree on every entry asked for (resolving
// reads less, so it may accept a table whose other entries are broken).
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "installer/ResourceTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const std::vector<zorvik::ResourceEntry> kWanted[] = {
      {{3, 0}, {3, 1}, {2, 0}},  // label, version name, icon as aapt numbers the types
      {{2, 0}, {0, 0}, {2, 1}},
      {{1, 0}, {1, 2}, {4, 0xFFFF}},
  };
  for (uint8_t package : {zorvik::kAppPackageId, uint8_t(0x01)}) {
    for (const auto& wanted : kWanted) {
      auto some = zorvik::resolveResourceStrings(bytes, package, wanted);
      std::vector<uint8_t> types;
      for (const auto& w : wanted) types.push_back(w.type);
      auto whole = zorvik::readResourceTypes(bytes, package, types);
      if (!whole) continue;
      if (!some) std::abort();
      if (some->size() != wanted.size()) std::abort();
      for (size_t i = 0; i < wanted.size(); ++i) {
        const std::string expected = wanted[i].type ? (*whole)[i].at(wanted[i].entry) : std::string();
        if ((*some)[i] != expected) std::abort();
      }
    }
  }
  return 0;
}
