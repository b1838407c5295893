#include "installer/ResourceTable.h"

#include <utility>

#include "installer/LittleEndian.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

// Entry ids are 16 bits; a count beyond that is not a real table.
constexpr uint32_t kMaxEntries = 0x10000;
constexpr uint8_t kSparseFlag = 0x01;
constexpr uint16_t kComplexEntry = 0x0001;
constexpr uint8_t kStringValue = 0x03;

struct TableReader {
  const StringPool& strings;
  const std::vector<uint8_t>& types;
  // Per wanted type, the global string index per entry (kNoEntry for none); converted to text
  // only at the end, since a large table stores many configurations of which the last one wins.
  std::vector<std::vector<uint32_t>> tables;
  const std::vector<ResourceEntry>* only = nullptr;  // the entries wanted, when not all

  bool wanted(uint8_t type) const {
    for (uint8_t t : types)
      if (t == type) return true;
    return false;
  }

  void sizeTo(uint8_t type, uint32_t count) {
    for (size_t i = 0; i < types.size(); ++i)
      if (types[i] == type && tables[i].size() < count) tables[i].resize(count, kNoEntry);
  }

  void store(uint8_t type, uint32_t entry, uint32_t index) {
    for (size_t i = 0; i < types.size(); ++i) {
      if (types[i] != type) continue;
      if (tables[i].size() <= entry) tables[i].resize(entry + 1, kNoEntry);
      tables[i][entry] = index;
    }
  }

  std::vector<std::vector<std::string>> texts() const {
    std::vector<std::vector<std::string>> out(tables.size());
    for (size_t t = 0; t < tables.size(); ++t) {
      out[t].resize(tables[t].size());
      for (size_t i = 0; i < tables[t].size(); ++i)
        if (tables[t][i] != kNoEntry) out[t][i] = strings.ansi(tables[t][i]).value_or(std::string());
    }
    return out;
  }

  std::string text(size_t t, uint16_t entry) const {
    if (entry >= tables[t].size() || tables[t][entry] == kNoEntry) return {};
    return strings.ansi(tables[t][entry]).value_or(std::string());
  }

  bool typeChunk(std::string_view chunk, uint16_t headerSize) {
    uint8_t type = 0, flags = 0;
    uint32_t count = 0, entriesStart = 0;
    if (!readU8(chunk, 8, type) || !readU8(chunk, 9, flags) || !readU32(chunk, 12, count) ||
        !readU32(chunk, 16, entriesStart))
      return false;
    if (type == 0 || count > kMaxEntries) return false;
    if (!wanted(type)) return true;
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
      store(type, entry, valueType == kStringValue && data < strings.count() ? data : kNoEntry);
    }
    return true;
  }
};

// Walks the table and hands the filled reader to finish(), whose result it returns.
template <typename Finish>
auto walkTable(std::string_view bytes, uint8_t packageId, const std::vector<uint8_t>& types,
               const std::vector<ResourceEntry>* only, Finish finish)
    -> std::optional<decltype(finish(std::declval<const TableReader&>()))> {
  ChunkHeader table;
  if (!readChunkHeader(bytes, 0, table) || table.type != kTableChunk) return std::nullopt;
  const std::string_view all = bytes.substr(0, table.size);
  StringPool strings;
  if (!strings.open(all, table.headerSize)) return std::nullopt;

  TableReader reader{strings, types, std::vector<std::vector<uint32_t>>(types.size()), only};
  auto result = [&] { return finish(reader); };
  size_t pos = table.headerSize + static_cast<size_t>(strings.chunkSize());
  while (pos < all.size()) {
    ChunkHeader header;
    if (!readChunkHeader(all, pos, header)) return std::nullopt;
    const std::string_view package = all.substr(pos, header.size);
    pos += header.size;
    uint32_t id = 0;
    // Newer tools write a longer package header (with the type id offset); the fields read are the same.
    if (header.type != kPackageChunk || header.headerSize < kPackageHeaderSize || !readU32(package, 8, id) ||
        id != packageId)
      continue;

    // The type-name and key pools come first; the types follow.
    size_t at = header.headerSize;
    for (int pool = 0; pool < 2; ++pool) {
      ChunkHeader poolHeader;
      if (!readChunkHeader(package, at, poolHeader) || poolHeader.type != StringPool::kChunkType) return std::nullopt;
      at += poolHeader.size;
    }
    while (at < package.size()) {
      ChunkHeader chunk;
      if (!readChunkHeader(package, at, chunk)) return std::nullopt;
      const std::string_view body = package.substr(at, chunk.size);
      if (chunk.type == kTypeSpecChunk) {
        uint8_t type = 0;
        uint32_t count = 0;
        if (!readU8(body, 8, type) || !readU32(body, 12, count) || count > kMaxEntries) return std::nullopt;
        reader.sizeTo(type, count);
      } else if (chunk.type == kTypeChunk) {
        if (!reader.typeChunk(body, chunk.headerSize)) return std::nullopt;
      }
      // Other chunks (a library's id map, overlay data) carry no values and are stepped over.
      at += chunk.size;
    }
    return result();
  }
  // No package of that id: nothing to resolve, which is not an error of the table.
  return result();
}

}  // namespace

std::optional<std::vector<std::vector<std::string>>> readResourceTypes(std::string_view bytes, uint8_t packageId,
                                                                     const std::vector<uint8_t>& types) {
  return walkTable(bytes, packageId, types, nullptr, [](const TableReader& r) { return r.texts(); });
}

std::optional<std::vector<std::string>> resolveResourceStrings(std::string_view bytes, uint8_t packageId,
                                                               const std::vector<ResourceEntry>& wanted) {
  std::vector<uint8_t> types;
  for (const auto& w : wanted) types.push_back(w.type);
  return walkTable(bytes, packageId, types, &wanted, [&](const TableReader& r) {
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
