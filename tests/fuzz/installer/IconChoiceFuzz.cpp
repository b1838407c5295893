// Any bytes as a resource table, asked for an icon as the package page asks: every configuration's
// value of a few entries, the choice among them, and the walk through references, which ends
// within its bound whatever the table names (the XML members read are the bytes themselves).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "installer/IconChoice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  int reads = 0;
  auto read = [&](const std::string&) -> std::optional<std::string> {
    ++reads;
    return std::string(bytes);
  };
  static const zorvik::ResourceRef kRefs[] = {{0x7f, 2, 0}, {0x7f, 2, 1}, {0x7f, 3, 0}, {0x01, 1, 0}, {0x7f, 1, 0xFFFF}};
  for (const auto& ref : kRefs) {
    auto values = zorvik::resourceValues(bytes, ref);
    if (values) {
      const auto best = zorvik::bestIconValue(*values);
      if (best && *best >= values->size()) std::abort();
    }
    reads = 0;
    const std::string path = zorvik::chooseIconPath(bytes, ref, read);
    if (reads > zorvik::kMaxIconHops + 1) std::abort();
    if (!path.empty() && !zorvik::isRasterPath(path)) std::abort();
  }
  return 0;
}
