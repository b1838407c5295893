#pragma once
// A string pool chunk of Android's binary formats (compiled XML and the resource table), read in
// place: open() checks the header and the offset array, and each string is decoded on request
// with its own bounds checked, so a table of thousands of strings costs nothing until used.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
  // Where the string at index starts inside the pool chunk; nullopt when it lies outside.
  std::optional<size_t> place(uint32_t index) const;

 private:
  std::string_view pool_;  // the whole chunk
  uint32_t count_ = 0;
  uint32_t offsetsStart_ = 0;
  uint32_t stringsStart_ = 0;
  uint32_t chunkSize_ = 0;
  bool utf8_ = false;
};

// The strings of one pool in ANSI, each converted and kept once however many indices name it:
// indices that share a place in the pool share one text. What is kept stays below twice the
// pool's size, which a pool of distinct strings never reaches; a hostile offset array whose
// strings overlap one another could otherwise make a small pool claim gigabytes.
class AnsiStrings {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  explicit AnsiStrings(const StringPool& pool);

  // The number of the text at index (an index into texts()), converted on first use; kNone when
  // the index is out of range, the string is broken, or keeping it would pass the bound.
  uint32_t number(uint32_t index);
  // The text at index, or nullptr as above. The reference stays valid while this object lives.
  const std::string* at(uint32_t index);
  uint32_t count() const { return pool_.count(); }
  bool overBound() const { return overBound_; }
  // Every text kept so far, by number; leaves this object empty.
  std::vector<std::string> takeTexts();

 private:
  static constexpr uint32_t kUnread = 0xFFFFFFFE;
  const StringPool& pool_;
  std::vector<uint32_t> numbers_;  // per index: a text number, kUnread or kNone
  std::unordered_map<size_t, uint32_t> byPlace_;
  std::deque<std::string> texts_;
  size_t kept_ = 0;
  size_t bound_ = 0;
  bool overBound_ = false;
};

// UTF-16 code units (little-endian bytes) to UTF-8.
std::string utf16leToUtf8(std::string_view bytes);

}  // namespace zorvik
