// Walks an arbitrary reply body as each kind of list would: whatever the bytes, nothing is read
// past the end and the walk ends.
#include "devlink/FieldReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zorvik::FieldReader;
  // Record shapes: leading int64s and int32s, then texts after the first one.
  static const int kShapes[][3] = {{2, 0, 3}, {0, 1, 1}, {1, 2, 5}, {0, 0, 0}};
  for (const auto& shape : kShapes) {
    FieldReader reader(data, size);
    int guard = 0;
    while (reader.hasMoreRecords()) {
      if (++guard > 1 << 20) std::abort();  // each turn consumes at least four bytes
      for (int i = 0; i < shape[0]; ++i) reader.readInt64();
      for (int i = 0; i < shape[1]; ++i) reader.readInt32();
      auto first = reader.readListTextOrEnd();
      if (!first) break;
      for (int i = 0; i < shape[2]; ++i) reader.readText();
      if (reader.position() > size) std::abort();
    }
    if (reader.position() > size && size >= FieldReader::kHeaderSize) std::abort();
  }
  return 0;
}
