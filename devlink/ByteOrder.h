#pragma once
// Big-endian integers as the phone-side agent sends and expects them.
#include <cstdint>

namespace zorvik {

inline void putInt32(int32_t value, unsigned char out[4]) {
  const auto v = static_cast<uint32_t>(value);
  out[0] = static_cast<unsigned char>(v >> 24);
  out[1] = static_cast<unsigned char>(v >> 16);
  out[2] = static_cast<unsigned char>(v >> 8);
  out[3] = static_cast<unsigned char>(v);
}

inline void putInt64(int64_t value, unsigned char out[8]) {
  const auto v = static_cast<uint64_t>(value);
  putInt32(static_cast<int32_t>(static_cast<uint32_t>(v >> 32)), out);
  putInt32(static_cast<int32_t>(static_cast<uint32_t>(v)), out + 4);
}

inline int32_t getInt32(const unsigned char in[4]) {
  return static_cast<int32_t>(static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[1]) << 16 |
                              static_cast<uint32_t>(in[2]) << 8 | static_cast<uint32_t>(in[3]));
}

inline int64_t getInt64(const unsigned char in[8]) {
  const uint64_t high = static_cast<uint32_t>(getInt32(in));
  const uint64_t low = static_cast<uint32_t>(getInt32(in + 4));
  return static_cast<int64_t>(high << 32 | low);
}

}  // namespace zorvik
