// Numbers come from the phone as they were typed or received: any bytes. Whatever they are,
// LocateNumber reads nothing past them and answers with a non-empty text, and the table's prefix
// lookup stays inside its file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "pim/LocateNumber.h"

namespace {

// The table lives in the working folder (the build tree), not in a shared temporary folder.
zorvik::PhoneTable& table() {
  static zorvik::PhoneTable t(zorvik::PhoneTableSetup{.folder = "."});
  if (!t.isOpen()) std::abort();
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the number is caught.
  char* copy = static_cast<char*>(std::malloc(size ? size : 1));
  if (size) std::memcpy(copy, data, size);
  const char* text = zorvik::LocateNumber(table(), std::string_view(copy, size));
  if (!text || !*text) std::abort();
  if (size >= 4) {
    std::uint32_t prefix;
    std::memcpy(&prefix, copy, 4);
    if (table().lookupPrefix(prefix) > 0xFFFF) std::abort();
  }
  std::free(copy);
  return 0;
}
