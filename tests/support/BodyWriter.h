#pragma once
// Writes agent bytes field by field for tests, so readers and builders are checked against the
// layouts rather than against each other.
#include "devlink/ByteOrder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorvik::test {

struct BodyWriter {
  std::vector<unsigned char> bytes;
  // A reply body starts with the header word nobody reads; a request does not.
  static BodyWriter body() { return BodyWriter{{0, 0, 0, 0}}; }
  static BodyWriter request() { return BodyWriter{}; }

  BodyWriter& i32(int32_t v) {
    unsigned char b[4];
    putInt32(v, b);
    bytes.insert(bytes.end(), b, b + 4);
    return *this;
  }
  BodyWriter& i64(int64_t v) {
    unsigned char b[8];
    putInt64(v, b);
    bytes.insert(bytes.end(), b, b + 8);
    return *this;
  }
  BodyWriter& raw(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  // int32 byte count, then the bytes (pass UTF-8).
  BodyWriter& utf8(const std::string& s) { return i32(static_cast<int32_t>(s.size())).raw(s); }
};

}  // namespace zorvik::test
