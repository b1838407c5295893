#include "installer/ResourceTable.h"

#include <algorithm>
#include <utility>

#include "installer/ChunkWalker.h"
#include "installer/LittleEndian.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

// Entry ids are 16 bits; a count beyond that is not a real table.
constexpr uint32_t kMaxEntries = 0x10000;
constexpr uint8_t kSparseFlag = 0x01;
constexpr uint16_t kComplexEntry = 0x0001;
constexpr uint8_t kStringValue = 0x03;

// Where a type chunk's configuration keeps its locale: language and region, two bytes each,
// after the size, mcc and mnc.
constexpr size_t kConfigAt = 20;
constexpr size_t kLocaleAt = 8;
constexpr size_t kLocaleEnd = 12;

struct TableReader {
  AnsiStrings& strings;
  const std::vector<uint8_t>& types;
  // Per wanted type, the global string index per entry (kNoEntry for none) and the rank of the
  // configuration it came from; converted to text only at the end, once per distinct string.
  std::vector<std::vector<uint32_t>> tables;
  std::vector<std::vector<ConfigRank>> ranks;
  const std::vector<ResourceEntry>* only = nullptr;  // the entries wanted, when not all

  bool wanted(uint8_t type) const {
    for (uint8_t t : types)
      if (t == type) return true;
    return false;
  }

  void sizeTo(uint8_t type, uint32_t count) {
    for (size_t i = 0; i < types.size(); ++i) {
      if (types[i] != type || tables[i].size() >= count) continue;
      tables[i].resize(count, kNoEntry);
      ranks[i].resize(count, ConfigRank::kNone);
    }
  }

  void store(uint8_t type, uint32_t entry, uint32_t index, ConfigRank rank) {
    for (size_t i = 0; i < types.size(); ++i) {
      if (types[i] != type) continue;
      sizeTo(type, entry + 1);
      if (rank < ranks[i][entry]) continue;
      tables[i][entry] = index;
      ranks[i][entry] = rank;
    }
  }

  std::vector<ResourceTexts> texts() {
    std::vector<std::vector<uint32_t>> numbers(tables.size());
    for (size_t t = 0; t < tables.size(); ++t) {
      numbers[t].reserve(tables[t].size());
      for (uint32_t index : tables[t]) numbers[t].push_back(index == kNoEntry ? kNoEntry : strings.number(index));
    }
    auto shared = std::make_shared<const std::vector<std::string>>(strings.takeTexts());
    std::vector<ResourceTexts> out;
    for (auto& n : numbers) out.emplace_back(std::move(n), shared);
    return out;
  }

  std::string text(size_t t, uint16_t entry) {
    if (entry >= tables[t].size() || tables[t][entry] == kNoEntry) return {};
    const std::string* s = strings.at(tables[t][entry]);
    return s ? *s : std::string();
  }

  bool typeChunk(std::string_view chunk, uint16_t headerSize) {
    uint8_t type = 0, flags = 0;
    uint32_t count = 0, entriesStart = 0;
    if (!readU8(chunk, 8, type) || !readU8(chunk, 9, flags) || !readU32(chunk, 12, count) ||
        !readU32(chunk, 16, entriesStart))
      return false;
    if (type == 0 || count > kMaxEntries) return false;
    if (!wanted(type)) return true;
    const ConfigRank rank = headerSize >= kConfigAt + kLocaleEnd
                                ? configRank(chunk.substr(kConfigAt, headerSize - kConfigAt))
                                : ConfigRank::kOther;
    // The entry offsets follow the header (its configuration included) and end before the entries.
    const size_t offsetsAt = headerSize;
    if (!fits(chunk.size(), offsetsAt, static_cast<size_t>(count) * 4)) return false;
    if (entriesStart < offsetsAt + static_cast<size_t>(count) * 4 || entriesStart > chunk.size()) return false;
    // When only a few entries are wanted, a dense chunk is looked up by entry number directly.
    const bool direct = only && !(flags & kSparseFlag);
    const size_t steps = direct ? only->size() : count;
    for (size_t step = 0; step < steps; ++step) {
      uint32_t i = static_cast<uint32_t>(step);
      if (direct) {
        if ((*only)[step].type != type || (*only)[step].entry >= count) continue;
        i = (*only)[step].entry;
      }
      uint32_t word = 0;
      readU32(chunk, offsetsAt + static_cast<size_t>(i) * 4, word);
      uint32_t entry = i, offset = word;
      if (flags & kSparseFlag) {  // (entry number, offset / 4) pairs
        entry = word & 0xFFFF;
        offset = (word >> 16) * 4;
      } else if (word == kNoEntry) {
        continue;
      }
      const size_t at = static_cast<size_t>(entriesStart) + offset;
      uint16_t entrySize = 0, entryFlags = 0, valueSize = 0;
      uint8_t valueType = 0;
      uint32_t data = 0;
      if (!readU16(chunk, at, entrySize) || !readU16(chunk, at + 2, entryFlags)) return false;
      if (entryFlags & kComplexEntry) continue;  // a map (style, array, plural) is no text
      if (!readU16(chunk, at + 8, valueSize) || !readU8(chunk, at + 11, valueType) || !readU32(chunk, at + 12, data))
        return false;
      // Only a string value names a global string; colours, references and numbers are no text.
      store(type, entry, valueType == kStringValue && data < strings.count() ? data : kNoEntry, rank);
    }
    return true;
  }
};

// Walks the table and hands the filled reader to finish(), whose result it returns.
template <typename Finish>
auto walkTable(std::string_view bytes, uint8_t packageId, const std::vector<uint8_t>& types,
               const std::vector<ResourceEntry>* only, Finish finish)
    -> std::optional<decltype(finish(std::declval<TableReader&>()))> {
  ChunkHeader table;
  if (!readChunkHeader(bytes, 0, table) || table.type != kTableChunk) return std::nullopt;
  const std::string_view all = bytes.substr(0, table.size);
  StringPool pool;
  if (!pool.open(all, table.headerSize)) return std::nullopt;
  AnsiStrings strings(pool);

  TableReader reader{strings, types, std::vector<std::vector<uint32_t>>(types.size()),
                     std::vector<std::vector<ConfigRank>>(types.size()), only};
  // Strings that overlap one another so as to claim more text than the pool holds: not a table.
  auto result = [&]() -> std::optional<decltype(finish(reader))> {
    auto out = finish(reader);
    if (strings.overBound()) return std::nullopt;
    return out;
  };
  ChunkWalker packages(all, table.headerSize + static_cast<size_t>(pool.chunkSize()));
  ChunkHeader header;
  std::string_view package;
  while (packages.next(header, package)) {
    uint32_t id = 0;
    // Newer tools write a longer package header (with the type id offset); the fields read are the same.
    if (header.type != kPackageChunk || header.headerSize < kPackageHeaderSize || !readU32(package, 8, id) ||
        id != packageId)
      continue;

    // The type-name and key pools come first; the types follow.
    ChunkWalker chunks(package, header.headerSize);
    ChunkHeader chunk;
    std::string_view body;
    for (int pool = 0; pool < 2; ++pool)
      if (!chunks.next(chunk, body) || chunk.type != StringPool::kChunkType) return std::nullopt;
    while (chunks.next(chunk, body)) {
      if (chunk.type == kTypeSpecChunk) {
        uint8_t type = 0;
        uint32_t count = 0;
        if (!readU8(body, 8, type) || !readU32(body, 12, count) || count > kMaxEntries) return std::nullopt;
        reader.sizeTo(type, count);
      } else if (chunk.type == kTypeChunk) {
        if (!reader.typeChunk(body, chunk.headerSize)) return std::nullopt;
      }
      // Other chunks (a library's id map, overlay data) carry no values and are stepped over.
    }
    if (chunks.broken()) return std::nullopt;
    return result();
  }
  if (packages.broken()) return std::nullopt;
  // No package of that id: nothing to resolve, which is not an error of the table.
  return result();
}

}  // namespace

const std::string& ResourceTexts::at(uint32_t entry) const {
  static const std::string kEmpty;
  if (entry >= numbers_.size() || numbers_[entry] == kNoEntry || !texts_) return kEmpty;
  return (*texts_)[numbers_[entry]];
}

bool ResourceTexts::operator==(const ResourceTexts& other) const {
  if (size() != other.size()) return false;
  for (uint32_t i = 0; i < size(); ++i)
    if (at(i) != other.at(i)) return false;
  return true;
}

ConfigRank configRank(std::string_view config) {
  uint32_t size = 0;
  if (!readU32(config, 0, size) || size < kLocaleEnd || config.size() < kLocaleEnd) return ConfigRank::kOther;
  const std::string_view locale = config.substr(kLocaleAt, 4);
  if (locale.substr(0, 2) == "zh") {
    if (locale.substr(2) == "CN") return ConfigRank::kChineseChina;
    return locale[2] == '\0' && locale[3] == '\0' ? ConfigRank::kChinese : ConfigRank::kOther;
  }
  // The default configuration qualifies nothing: every byte after the size is zero.
  const std::string_view fields = config.substr(4, std::min<size_t>(size, config.size()) - 4);
  return fields.find_first_not_of('\0') == std::string_view::npos ? ConfigRank::kDefault : ConfigRank::kOther;
}

std::optional<std::vector<ResourceTexts>> readResourceTypes(std::string_view bytes, uint8_t packageId,
                                                            const std::vector<uint8_t>& types) {
  return walkTable(bytes, packageId, types, nullptr, [](TableReader& r) { return r.texts(); });
}

std::optional<std::vector<std::string>> resolveResourceStrings(std::string_view bytes, uint8_t packageId,
                                                               const std::vector<ResourceEntry>& wanted) {
  std::vector<uint8_t> types;
  for (const auto& w : wanted) types.push_back(w.type);
  return walkTable(bytes, packageId, types, &wanted, [&](TableReader& r) {
    std::vector<std::string> out;
    for (size_t i = 0; i < wanted.size(); ++i) out.push_back(wanted[i].type ? r.text(i, wanted[i].entry) : "");
    return out;
  });
}

std::optional<ResourceStrings> readResourceTable(std::string_view bytes, uint8_t labelType, uint8_t iconType,
                                                 uint8_t packageId) {
  auto tables = readResourceTypes(bytes, packageId, {labelType, iconType});
  if (!tables) return std::nullopt;
  return ResourceStrings{std::move((*tables)[0]), std::move((*tables)[1])};
}

}  // namespace zorvik
