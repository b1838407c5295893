#include "installer/ResourceTable.h"

#include <algorithm>
#include <array>
#include <utility>

#include "installer/ChunkWalker.h"
#include "installer/LittleEndian.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

// Entry ids are 16 bits; a count beyond that is not a real table.
constexpr uint32_t kMaxEntries = 0x10000;
// How a type chunk writes its entry offsets: u32 per entry (none of these flags), (entry number,
// offset / 4) pairs sorted by number, or u16 per entry in units of 4 bytes with 0xFFFF for none.
constexpr uint8_t kSparseFlag = 0x01;
constexpr uint8_t kOffset16Flag = 0x02;
constexpr uint16_t kNoEntry16 = 0xFFFF;
constexpr uint16_t kComplexEntry = 0x0001;
// A compact entry is 8 bytes: key index (u16), flags (u16, the value's data type in the high
// byte), the value's data (u32).
constexpr uint16_t kCompactEntry = 0x0008;
constexpr uint16_t kFullEntrySize = 8;
constexpr uint8_t kStringValue = 0x03;
constexpr uint8_t kReferenceValue = 0x01;
constexpr uint8_t kDynamicReferenceValue = 0x07;
// Real tables chain a string to another once or twice; a longer chain or a loop names nothing.
constexpr int kMaxReferenceDepth = 8;
// Each step of a reference looks through every configuration of the target's type. A table made
// so that following its references visits more chunks than this (far beyond any real one: the
// framework's largest whole type takes about 15,500) is refused rather than read for minutes.
constexpr uint64_t kMaxChunkVisits = uint64_t{1} << 20;

// Where a type chunk's configuration keeps its locale: language and region, two bytes each,
// after the size, mcc and mnc; the density follows the orientation and touchscreen bytes, the
// platform version the screen size.
constexpr size_t kConfigAt = 20;
constexpr size_t kLocaleAt = 8;
constexpr size_t kLocaleEnd = 12;
constexpr size_t kDensityAt = 14;
constexpr size_t kSdkVersionAt = 24;

// One type chunk whose header, offset array and entries start were checked (the rank is set by
// PackageIndex::chunk, when the chunk is used).
struct TypeChunk {
  std::string_view bytes;
  std::string_view config;
  size_t offsetsAt = 0;
  uint32_t count = 0;
  uint32_t entriesStart = 0;
  uint8_t type = 0;
  uint8_t flags = 0;
  ConfigRank rank = ConfigRank::kNone;
};

// An entry's value as stored: a map (no text), or a simple value's data type and data.
struct Value {
  bool complex = false;
  uint8_t type = 0;
  uint32_t data = 0;
};

enum class Read { kAbsent, kFound, kBroken };

// (The chunk is a checked one: headerSize is at least 8 and no larger than the chunk.) The order of
// sparse pairs is checked once, while indexing, not at every use.
bool checkTypeChunk(std::string_view chunk, uint16_t headerSize, TypeChunk& c, bool checkOrder = true) {
  c.bytes = chunk;
  if (!readU8(chunk, 8, c.type) || !readU8(chunk, 9, c.flags) || !readU32(chunk, 12, c.count) ||
      !readU32(chunk, 16, c.entriesStart))
    return false;
  if (c.type == 0 || c.count > kMaxEntries) return false;
  if (headerSize > kConfigAt) c.config = std::string_view(chunk.data() + kConfigAt, headerSize - kConfigAt);
  // The entry offsets follow the header (its configuration included) and end before the entries.
  c.offsetsAt = headerSize;
  const size_t width = (c.flags & kSparseFlag) ? 4 : (c.flags & kOffset16Flag) ? 2 : 4;
  const size_t offsetsSize = static_cast<size_t>(c.count) * width;
  if (!fits(chunk.size(), c.offsetsAt, offsetsSize)) return false;
  if (c.entriesStart < c.offsetsAt + offsetsSize || c.entriesStart > chunk.size()) return false;
  if ((c.flags & kSparseFlag) && checkOrder) {
    // Looked up by binary search, so the entry numbers must rise; a writer always sorts them.
    uint16_t previous = 0;
    for (uint32_t i = 0; i < c.count; ++i) {
      uint16_t entry = 0;
      readU16(chunk, c.offsetsAt + static_cast<size_t>(i) * 4, entry);
      if (i > 0 && entry <= previous) return false;
      previous = entry;
    }
  }
  return true;
}

uint16_t configU16(std::string_view config, size_t at) {
  uint32_t size = 0;
  uint16_t value = 0;
  if (!readU32(config, 0, size) || size < at + 2) return 0;
  readU16(config, at, value);
  return value;
}

// The byte offset (from the entries start) of entry number `entry`, when the chunk holds it.
bool entryOffset(const TypeChunk& c, uint32_t entry, uint32_t& offset) {
  if (c.flags & kSparseFlag) {
    uint32_t low = 0, high = c.count;
    while (low < high) {
      const uint32_t mid = low + (high - low) / 2;
      uint16_t number = 0, quarter = 0;
      readU16(c.bytes, c.offsetsAt + static_cast<size_t>(mid) * 4, number);
      if (number == entry) {
        readU16(c.bytes, c.offsetsAt + static_cast<size_t>(mid) * 4 + 2, quarter);
        offset = static_cast<uint32_t>(quarter) * 4;
        return true;
      }
      if (number < entry) low = mid + 1;
      else high = mid;
    }
    return false;
  }
  if (entry >= c.count) return false;
  if (c.flags & kOffset16Flag) {
    uint16_t quarter = 0;
    readU16(c.bytes, c.offsetsAt + static_cast<size_t>(entry) * 2, quarter);
    if (quarter == kNoEntry16) return false;
    offset = static_cast<uint32_t>(quarter) * 4;
    return true;
  }
  readU32(c.bytes, c.offsetsAt + static_cast<size_t>(entry) * 4, offset);
  return offset != kNoEntry;
}

// The value of the entry at offset; false when it does not lie inside the chunk.
bool readValue(const TypeChunk& c, uint32_t offset, Value& out) {
  const size_t at = static_cast<size_t>(c.entriesStart) + offset;
  uint16_t sizeOrKey = 0, flags = 0;
  if (!readU16(c.bytes, at, sizeOrKey) || !readU16(c.bytes, at + 2, flags)) return false;
  Value v;
  if (flags & kComplexEntry) {  // a map (style, array, plural) is no text
    v.complex = true;
  } else if (flags & kCompactEntry) {
    v.type = static_cast<uint8_t>(flags >> 8);
    if (!readU32(c.bytes, at + 4, v.data)) return false;
  } else {
    // The value follows the entry header, whose own size says where.
    uint16_t valueSize = 0;
    if (sizeOrKey < kFullEntrySize) return false;
    const size_t valueAt = at + sizeOrKey;
    if (!readU16(c.bytes, valueAt, valueSize) || !readU8(c.bytes, valueAt + 3, v.type) ||
        !readU32(c.bytes, valueAt + 4, v.data))
      return false;
  }
  out = v;
  return true;
}

// The type chunks of one package, by type, with what resolving a value needs. Only where each
// chunk starts is kept (a large table has thousands), each checked once while indexing.
struct PackageIndex {
  AnsiStrings& strings;
  uint8_t packageId;
  std::string_view package;
  std::array<std::vector<uint32_t>, 256> byType{};  // where each chunk of a type starts, in file order
  std::array<uint32_t, 256> specCount{};            // entries per type, from the typeSpec chunks
  mutable uint64_t visits = 0;                      // chunks looked through by best()

  TypeChunk chunk(uint32_t at) const {
    ChunkHeader header;
    TypeChunk c;
    readChunkHeader(package, at, header);
    checkTypeChunk(package.substr(at, header.size), header.headerSize, c, false);
    c.rank = header.headerSize >= kConfigAt + kLocaleEnd ? configRank(c.config) : ConfigRank::kOther;
    return c;
  }

  // Of the configurations that hold the entry, the value of the best ranked (the last among
  // equals).
  Read best(uint8_t type, uint32_t entry, Value& out) const {
    Read result = Read::kAbsent;
    ConfigRank rank = ConfigRank::kNone;
    visits += byType[type].size();
    if (visits > kMaxChunkVisits) return Read::kBroken;
    for (uint32_t at : byType[type]) {
      const TypeChunk c = chunk(at);
      uint32_t offset = 0;
      if (!entryOffset(c, entry, offset)) continue;
      Value v;
      if (!readValue(c, offset, v)) return Read::kBroken;
      if (c.rank < rank) continue;
      rank = c.rank;
      out = v;
      result = Read::kFound;
    }
    return result;
  }

  // The global string a value names, references inside this package followed; kNoEntry for
  // none. False when an entry on the way does not lie inside its chunk.
  bool resolve(Value v, uint32_t& index) const {
    std::array<uint32_t, kMaxReferenceDepth> seen{};
    index = kNoEntry;
    for (int depth = 0;; ++depth) {
      if (v.complex) return true;
      if (v.type == kStringValue) {
        if (v.data < strings.count()) index = v.data;
        return true;
      }
      if (v.type != kReferenceValue && v.type != kDynamicReferenceValue) return true;
      const uint32_t id = v.data;
      const auto type = static_cast<uint8_t>(id >> 16);
      if (id >> 24 != packageId || type == 0 || depth == kMaxReferenceDepth) return true;
      if (std::find(seen.begin(), seen.begin() + depth, id) != seen.begin() + depth) return true;  // a loop
      seen[static_cast<size_t>(depth)] = id;
      const Read r = best(type, id & 0xFFFF, v);
      if (r == Read::kBroken) return false;
      if (r == Read::kAbsent) return true;
    }
  }

  // Every entry of a type: the global string per entry (kNoEntry for none), by ConfigRank.
  bool wholeType(uint8_t type, std::vector<uint32_t>& out) const {
    std::vector<Value> values(specCount[type]);
    std::vector<ConfigRank> ranks(specCount[type], ConfigRank::kNone);
    auto take = [&](const TypeChunk& c, uint32_t entry, uint32_t offset) {
      Value v;
      if (!readValue(c, offset, v)) return false;
      if (entry >= values.size()) {
        values.resize(entry + 1);
        ranks.resize(entry + 1, ConfigRank::kNone);
      }
      if (c.rank < ranks[entry]) return true;
      ranks[entry] = c.rank;
      values[entry] = v;
      return true;
    };
    for (uint32_t at : byType[type]) {
      const TypeChunk c = chunk(at);
      for (uint32_t step = 0; step < c.count; ++step) {
        uint32_t entry = step, offset = 0;
        if (c.flags & kSparseFlag) {
          uint16_t number = 0, quarter = 0;
          readU16(c.bytes, c.offsetsAt + static_cast<size_t>(step) * 4, number);
          readU16(c.bytes, c.offsetsAt + static_cast<size_t>(step) * 4 + 2, quarter);
          entry = number;
          offset = static_cast<uint32_t>(quarter) * 4;
        } else if (!entryOffset(c, step, offset)) {
          continue;
        }
        if (!take(c, entry, offset)) return false;
      }
    }
    out.assign(values.size(), kNoEntry);
    for (size_t e = 0; e < values.size(); ++e)
      if (ranks[e] != ConfigRank::kNone && !resolve(values[e], out[e])) return false;
    return true;
  }

  const std::string* text(uint32_t index) const { return index == kNoEntry ? nullptr : strings.at(index); }
};

// Indexes the package with packageId and hands the index to use(), whose result it returns.
// nullopt when the table is not sound, or when use() gives nullopt.
template <typename Use>
auto withPackage(std::string_view bytes, uint8_t packageId, Use use) -> decltype(use(std::declval<PackageIndex&>())) {
  ChunkHeader table;
  if (!readChunkHeader(bytes, 0, table) || table.type != kTableChunk) return std::nullopt;
  const std::string_view all = bytes.substr(0, table.size);
  StringPool pool;
  if (!pool.open(all, table.headerSize)) return std::nullopt;
  AnsiStrings strings(pool);
  PackageIndex index{strings, packageId, {}};
  // Strings that overlap one another so as to claim more text than the pool holds: not a table.
  auto result = [&]() -> decltype(use(index)) {
    auto out = use(index);
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
    index.package = package;
    ChunkWalker chunks(package, header.headerSize);
    ChunkHeader chunk;
    std::string_view body;
    for (int pools = 0; pools < 2; ++pools)
      if (!chunks.next(chunk, body) || chunk.type != StringPool::kChunkType) return std::nullopt;
    while (chunks.next(chunk, body)) {
      if (chunk.type == kTypeSpecChunk) {
        uint8_t type = 0;
        uint32_t count = 0;
        if (!readU8(body, 8, type) || !readU32(body, 12, count) || count > kMaxEntries) return std::nullopt;
        index.specCount[type] = std::max(index.specCount[type], count);
      } else if (chunk.type == kTypeChunk) {
        TypeChunk c;
        if (!checkTypeChunk(body, chunk.headerSize, c)) return std::nullopt;
        index.byType[c.type].push_back(static_cast<uint32_t>(body.data() - package.data()));
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
  return withPackage(bytes, packageId, [&](PackageIndex& index) -> std::optional<std::vector<ResourceTexts>> {
    // Per wanted type the global string per entry, converted to text once per distinct string.
    std::vector<std::vector<uint32_t>> tables(types.size());
    for (size_t t = 0; t < types.size(); ++t) {
      const auto earlier = std::find(types.begin(), types.begin() + static_cast<std::ptrdiff_t>(t), types[t]);
      if (earlier != types.begin() + static_cast<std::ptrdiff_t>(t)) {
        tables[t] = tables[static_cast<size_t>(earlier - types.begin())];
      } else if (!index.wholeType(types[t], tables[t])) {
        return std::nullopt;
      }
    }
    for (auto& table : tables)
      for (uint32_t& n : table) n = n == kNoEntry ? kNoEntry : index.strings.number(n);
    auto shared = std::make_shared<const std::vector<std::string>>(index.strings.takeTexts());
    std::vector<ResourceTexts> out;
    for (auto& n : tables) out.emplace_back(std::move(n), shared);
    return out;
  });
}

std::optional<std::vector<std::string>> resolveResourceStrings(std::string_view bytes, uint8_t packageId,
                                                               const std::vector<ResourceEntry>& wanted) {
  return withPackage(bytes, packageId, [&](PackageIndex& index) -> std::optional<std::vector<std::string>> {
    std::vector<std::string> out;
    for (const auto& w : wanted) {
      Value v;
      uint32_t string = kNoEntry;
      const Read r = w.type ? index.best(w.type, w.entry, v) : Read::kAbsent;
      if (r == Read::kBroken || (r == Read::kFound && !index.resolve(v, string))) return std::nullopt;
      const std::string* text = index.text(string);
      out.push_back(text ? *text : std::string());
    }
    return out;
  });
}

std::optional<std::vector<ConfigValue>> resourceValues(std::string_view bytes, uint32_t resourceId) {
  const auto packageId = static_cast<uint8_t>(resourceId >> 24);
  const auto type = static_cast<uint8_t>(resourceId >> 16);
  return withPackage(bytes, packageId, [&](PackageIndex& index) -> std::optional<std::vector<ConfigValue>> {
    std::vector<ConfigValue> out;
    if (type == 0) return out;
    for (uint32_t at : index.byType[type]) {
      const TypeChunk c = index.chunk(at);
      uint32_t offset = 0, string = kNoEntry;
      Value v;
      if (!entryOffset(c, resourceId & 0xFFFF, offset)) continue;
      if (!readValue(c, offset, v) || !index.resolve(v, string)) return std::nullopt;
      ConfigValue value;
      value.config = std::string(c.config);
      value.density = configU16(c.config, kDensityAt);
      value.sdkVersion = configU16(c.config, kSdkVersionAt);
      value.rank = c.rank;
      if (!v.complex) {
        value.valueType = v.type;
        value.data = v.data;
      }
      if (const std::string* text = index.text(string)) value.text = *text;
      out.push_back(std::move(value));
    }
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
