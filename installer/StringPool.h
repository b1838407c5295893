#pragma once
// A string pool chunk of Android's binary formats (compiled XML and the resource table), read in
// place: open() checks the header and the offset array, and each string is decoded on request
// with its own bounds checked, so a table of thousands of strings costs nothing until used.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

class StringPool {
 public:
  static constexpr uint16_t kChunkType = 0x0001;
  static constexpr uint32_t kUtf8Flag = 0x100;

  // Reads the pool chunk at offset in bytes (borrowed; must outlive the pool). False when the
  // chunk is not a string pool or its header or offset array does not fit.
  bool open(std::string_view bytes, size_t offset);

  uint32_t count() const { return count_; }
  uint32_t chunkSize() const { return chunkSize_; }
  bool isUtf8() const { return utf8_; }

  // The string at index as UTF-8 (UTF-16 pools are converted; a broken surrogate becomes U+FFFD).
  // nullopt when the index is out of range or the string runs past the pool.
  std::optional<std::string> utf8(uint32_t index) const;
  // The same in the program's ANSI code page.
  std::optional<std::string> ansi(uint32_t index) const;
  // Every string in ANSI, converted in one pass; nullopt when any string is broken.
  std::optional<std::vector<std::string>> allAnsi() const;

 private:
  std::string_view pool_;  // the whole chunk
  uint32_t count_ = 0;
  uint32_t offsetsStart_ = 0;
  uint32_t stringsStart_ = 0;
  uint32_t chunkSize_ = 0;
  bool utf8_ = false;
};

// UTF-16 code units (little-endian bytes) to UTF-8.
std::string utf16leToUtf8(std::string_view bytes);

}  // namespace zorvik
