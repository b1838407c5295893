#include "installer/StringPool.h"

#include "common/AsciiRuns.h"
#include "common/TextConv.h"
#include "installer/LittleEndian.h"

#include <algorithm>
#include <iterator>

namespace zorvik {
namespace {

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// A UTF-8 pool length: one byte, or two when the first has its high bit set.
bool readUtf8Length(std::string_view pool, size_t& pos, uint32_t& length) {
  uint8_t first = 0;
  if (!readU8(pool, pos, first)) return false;
  ++pos;
  length = first;
  if (first & 0x80) {
    uint8_t second = 0;
    if (!readU8(pool, pos, second)) return false;
    ++pos;
    length = static_cast<uint32_t>(first & 0x7F) << 8 | second;
  }
  return true;
}

}  // namespace

std::string utf16leToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  for (size_t i = 0; i < units; ++i) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

bool StringPool::open(std::string_view bytes, size_t offset) {
  *this = StringPool();
  ChunkHeader header;
  if (!readChunkHeader(bytes, offset, header) || header.type != kChunkType || header.headerSize < 28) return false;
  std::string_view pool = bytes.substr(offset, header.size);
  uint32_t count = 0, flags = 0, stringsStart = 0;
  if (!readU32(pool, 8, count) || !readU32(pool, 16, flags) || !readU32(pool, 20, stringsStart)) return false;
  // The offset array lies between the header and the end of the chunk.
  if (count > (header.size - header.headerSize) / 4) return false;
  if (count > 0 && stringsStart >= header.size) return false;
  pool_ = pool;
  count_ = count;
  offsetsStart_ = header.headerSize;
  stringsStart_ = stringsStart;
  chunkSize_ = header.size;
  utf8_ = (flags & kUtf8Flag) != 0;
  return true;
}

std::optional<size_t> StringPool::place(uint32_t index) const {
  if (index >= count_) return std::nullopt;
  uint32_t relative = 0;
  if (!readU32(pool_, offsetsStart_ + static_cast<size_t>(index) * 4, relative)) return std::nullopt;
  const size_t pos = static_cast<size_t>(stringsStart_) + relative;
  if (pos >= pool_.size()) return std::nullopt;
  return pos;
}

std::optional<std::string> StringPool::utf8(uint32_t index) const {
  const std::optional<size_t> start = place(index);
  if (!start) return std::nullopt;
  size_t pos = *start;
  if (utf8_) {
    uint32_t chars = 0, length = 0;
    if (!readUtf8Length(pool_, pos, chars) || !readUtf8Length(pool_, pos, length)) return std::nullopt;
    if (!fits(pool_.size(), pos, length)) return std::nullopt;
    return std::string(pool_.substr(pos, length));
  }
  uint16_t first = 0;
  if (!readU16(pool_, pos, first)) return std::nullopt;
  pos += 2;
  uint32_t units = first;
  if (first & 0x8000) {  // long form: the high half of the length first
    uint16_t second = 0;
    if (!readU16(pool_, pos, second)) return std::nullopt;
    pos += 2;
    units = static_cast<uint32_t>(first & 0x7FFF) << 16 | second;
  }
  if (units > pool_.size() / 2 || !fits(pool_.size(), pos, static_cast<size_t>(units) * 2)) return std::nullopt;
  return utf16leToUtf8(pool_.substr(pos, static_cast<size_t>(units) * 2));
}

std::optional<std::string> StringPool::ansi(uint32_t index) const {
  auto text = utf8(index);
  if (!text) return std::nullopt;
  // Most package strings are ASCII, the same bytes in both encodings: no second copy.
  if (std::all_of(text->begin(), text->end(), [](char c) { return isAscii(static_cast<unsigned char>(c)); }))
    return text;
  return toAnsi(*text);
}

AnsiStrings::AnsiStrings(const StringPool& pool)
    : pool_(pool), numbers_(pool.count(), kUnread), bound_(2 * static_cast<size_t>(pool.chunkSize())) {}

uint32_t AnsiStrings::number(uint32_t index) {
  if (index >= numbers_.size()) return kNone;
  if (numbers_[index] != kUnread) return numbers_[index];
  numbers_[index] = kNone;
  const std::optional<size_t> place = pool_.place(index);
  if (!place) return kNone;
  if (auto known = byPlace_.find(*place); known != byPlace_.end()) return numbers_[index] = known->second;
  auto text = pool_.ansi(index);
  if (!text) return kNone;
  if (text->size() > bound_ - kept_) {
    overBound_ = true;
    return kNone;
  }
  kept_ += text->size();
  const auto number = static_cast<uint32_t>(texts_.size());
  texts_.push_back(std::move(*text));
  byPlace_.emplace(*place, number);
  return numbers_[index] = number;
}

const std::string* AnsiStrings::at(uint32_t index) {
  const uint32_t n = number(index);
  return n == kNone ? nullptr : &texts_[n];
}

std::vector<std::string> AnsiStrings::takeTexts() {
  std::vector<std::string> out(std::make_move_iterator(texts_.begin()), std::make_move_iterator(texts_.end()));
  texts_.clear();
  byPlace_.clear();
  numbers_.assign(numbers_.size(), kUnread);
  kept_ = 0;
  return out;
}

}  // namespace zorvik
