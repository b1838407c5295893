#pragma once
// Bounds-checked little-endian reads over a byte view, for the Android binary formats. A read
// that would pass the end of the view fails and leaves the output untouched.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorvik {

// True when [offset, offset + need) lies inside a view of `size` bytes, without overflow.
inline bool fits(size_t size, size_t offset, size_t need) {
  return need <= size && offset <= size - need;
}

inline bool readU8(std::string_view bytes, size_t offset, uint8_t& out) {
  if (!fits(bytes.size(), offset, 1)) return false;
  out = static_cast<uint8_t>(bytes[offset]);
  return true;
}

inline bool readU16(std::string_view bytes, size_t offset, uint16_t& out) {
  if (!fits(bytes.size(), offset, 2)) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  out = static_cast<uint16_t>(p[0] | p[1] << 8);
  return true;
}

inline bool readU32(std::string_view bytes, size_t offset, uint32_t& out) {
  if (!fits(bytes.size(), offset, 4)) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
        static_cast<uint32_t>(p[3]) << 24;
  return true;
}

// The common header of every chunk: type, header size, chunk size (header included).
struct ChunkHeader {
  uint16_t type = 0;
  uint16_t headerSize = 0;
  uint32_t size = 0;
};

// Reads the chunk header at offset and checks it: the header is at least 8 bytes, no larger than
// the chunk, and the whole chunk lies inside the view.
inline bool readChunkHeader(std::string_view bytes, size_t offset, ChunkHeader& out) {
  ChunkHeader h;
  if (!readU16(bytes, offset, h.type) || !readU16(bytes, offset + 2, h.headerSize) ||
      !readU32(bytes, offset + 4, h.size))
    return false;
  if (h.headerSize < 8 || h.headerSize > h.size || !fits(bytes.size(), offset, h.size)) return false;
  out = h;
  return true;
}

}  // namespace zorvik
