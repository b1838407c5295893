#include "installer/IconChoice.h"

#include "installer/BinaryXml.h"
#include "installer/ChunkWalker.h"
#include "installer/LittleEndian.h"
#include "installer/ResourceTable.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

constexpr uint8_t kSparse = 0x01;
constexpr uint8_t kOffset16 = 0x02;
constexpr uint16_t kEntryComplex = 0x0001;
constexpr uint16_t kEntryCompact = 0x0008;
constexpr uint8_t kValueDynamicReference = 0x07;
constexpr uint16_t kNoOffset16 = 0xFFFF;
// The configuration follows the type chunk's fixed fields; its density is at +14.
constexpr size_t kConfigAt = 20;
constexpr size_t kDensityAt = kConfigAt + 14;
// An icon XML is a few hundred bytes; a member far larger is not read to look for a layer.
constexpr size_t kMaxIconXml = 1 << 20;

// Where the entry's bytes start inside the chunk, or false when the chunk does not hold it.
bool entryOffset(std::string_view chunk, uint16_t headerSize, uint8_t flags, uint32_t count, uint16_t entry,
                 uint32_t& out, bool& sound) {
  sound = true;
  const size_t width = (flags & kOffset16) && !(flags & kSparse) ? 2 : 4;
  if (!fits(chunk.size(), headerSize, static_cast<size_t>(count) * width)) return sound = false;
  if (flags & kSparse) {  // (entry number, offset / 4) pairs in entry order
    uint32_t lo = 0, hi = count;
    while (lo < hi) {
      const uint32_t mid = lo + (hi - lo) / 2;
      uint32_t word = 0;
      readU32(chunk, headerSize + static_cast<size_t>(mid) * 4, word);
      const uint16_t at = static_cast<uint16_t>(word & 0xFFFF);
      if (at == entry) {
        out = (word >> 16) * 4;
        return true;
      }
      if (at < entry) lo = mid + 1;
      else hi = mid;
    }
    return false;
  }
  if (entry >= count) return false;
  if (width == 2) {
    uint16_t half = 0;
    readU16(chunk, headerSize + static_cast<size_t>(entry) * 2, half);
    if (half == kNoOffset16) return false;
    out = static_cast<uint32_t>(half) * 4;
    return true;
  }
  readU32(chunk, headerSize + static_cast<size_t>(entry) * 4, out);
  return out != kNoEntry;
}

// Appends the type chunk's value of the entry, if it holds one; false when the chunk is unsound.
bool readTypeChunk(std::string_view chunk, uint16_t headerSize, const ResourceRef& ref, StringPool& pool,
                   std::vector<ConfigValue>& out) {
  uint8_t type = 0, flags = 0;
  uint32_t count = 0, entriesStart = 0;
  if (!readU8(chunk, 8, type) || !readU8(chunk, 9, flags) || !readU32(chunk, 12, count) ||
      !readU32(chunk, 16, entriesStart))
    return false;
  if (type != ref.type) return true;
  if (count > 0x10000 || entriesStart > chunk.size()) return false;
  uint32_t offset = 0;
  bool sound = true;
  if (!entryOffset(chunk, headerSize, flags, count, ref.entry, offset, sound)) return sound;
  ConfigValue value;
  uint16_t configSize16 = 0;
  uint32_t configSize = 0;
  if (headerSize >= kDensityAt + 2 && readU32(chunk, kConfigAt, configSize) && configSize >= 16 &&
      readU16(chunk, kDensityAt, configSize16))
    value.density = configSize16;
  const size_t at = static_cast<size_t>(entriesStart) + offset;
  uint16_t entryFlags = 0;
  if (!readU16(chunk, at + 2, entryFlags)) return false;
  if (entryFlags & kEntryCompact) {  // key, flags with the value type in the high byte, data
    value.valueType = static_cast<uint8_t>(entryFlags >> 8);
    if (!readU32(chunk, at + 4, value.data)) return false;
  } else {
    if (entryFlags & kEntryComplex) return true;  // a style or array is no picture
    if (!readU8(chunk, at + 11, value.valueType) || !readU32(chunk, at + 12, value.data)) return false;
  }
  if (value.valueType == kValueString) {
    auto text = pool.ansi(value.data);
    if (!text) return false;
    value.text = std::move(*text);
  }
  out.push_back(std::move(value));
  return true;
}

int densityScore(uint16_t density) {
  if (density == kDensityNone) return 1;
  if (density == kDensityAny) return 2;
  if (density == kDensityDefault) return 2 + 160;  // what the system takes it for: mdpi
  return 2 + density;
}

bool endsWithNoCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i) {
    char c = text[text.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}

bool isReference(const ConfigValue& v) {
  return (v.valueType == kValueReference || v.valueType == kValueDynamicReference) && v.data != 0;
}

}  // namespace

std::optional<std::vector<ConfigValue>> resourceValues(std::string_view bytes, const ResourceRef& ref) {
  ChunkHeader table;
  if (!readChunkHeader(bytes, 0, table) || table.type != kTableChunk) return std::nullopt;
  const std::string_view all = bytes.substr(0, table.size);
  StringPool pool;
  if (!pool.open(all, table.headerSize)) return std::nullopt;
  std::vector<ConfigValue> out;
  if (ref.type == 0) return out;
  ChunkWalker packages(all, table.headerSize + static_cast<size_t>(pool.chunkSize()));
  ChunkHeader header;
  std::string_view package;
  while (packages.next(header, package)) {
    uint32_t id = 0;
    if (header.type != kPackageChunk || header.headerSize < kPackageHeaderSize || !readU32(package, 8, id) ||
        id != ref.package)
      continue;
    ChunkWalker chunks(package, header.headerSize);
    ChunkHeader chunk;
    std::string_view body;
    while (chunks.next(chunk, body))
      if (chunk.type == kTypeChunk && !readTypeChunk(body, chunk.headerSize, ref, pool, out)) return std::nullopt;
    if (chunks.broken()) return std::nullopt;
    return out;
  }
  if (packages.broken()) return std::nullopt;
  return out;
}

bool isRasterPath(std::string_view path) {
  for (const char* end : {".png", ".webp", ".jpg", ".jpeg", ".gif", ".bmp"})
    if (endsWithNoCase(path, end)) return true;
  return false;
}

std::optional<size_t> bestIconValue(const std::vector<ConfigValue>& values) {
  std::optional<size_t> raster, reference, xml;
  for (size_t i = 0; i < values.size(); ++i) {
    const ConfigValue& v = values[i];
    if (v.valueType == kValueString && isRasterPath(v.text)) {
      if (!raster || densityScore(v.density) >= densityScore(values[*raster].density)) raster = i;
    } else if (isReference(v)) {
      if (!reference) reference = i;
    } else if (v.valueType == kValueString && endsWithNoCase(v.text, ".xml")) {
      if (!xml) xml = i;
    }
  }
  if (raster) return raster;
  return reference ? reference : xml;
}

bool adaptiveForeground(std::string_view xml, ResourceRef& out) {
  if (xml.find("<adaptive-icon") == std::string_view::npos) return false;
  const size_t start = xml.find("<foreground");
  if (start == std::string_view::npos) return false;
  // The layer's drawable, on the element itself or on the one drawable it wraps (an inset).
  size_t end = xml.find("</foreground>", start);
  if (end == std::string_view::npos) end = xml.size();
  const std::string_view layer = xml.substr(start, end - start);
  const size_t at = layer.find("=\"@0x");
  if (at == std::string_view::npos) return false;
  const size_t close = layer.find('"', at + 2);
  if (close == std::string_view::npos) return false;
  return parseResourceRef(std::string(layer.substr(at + 2, close - at - 2)), 1, out) && out.type != 0;
}

std::string chooseIconPath(std::string_view table, const ResourceRef& icon,
                           const std::function<std::optional<std::string>(const std::string&)>& readMember) {
  ResourceRef ref = icon;
  for (int hop = 0; hop <= kMaxIconHops; ++hop) {
    auto values = resourceValues(table, ref);
    if (!values) return {};
    const auto best = bestIconValue(*values);
    if (!best) return {};
    const ConfigValue& v = (*values)[*best];
    if (v.valueType == kValueString && isRasterPath(v.text)) return v.text;
    if (isReference(v)) {
      ref = ResourceRef{static_cast<uint8_t>(v.data >> 24), static_cast<uint8_t>(v.data >> 16),
                        static_cast<uint16_t>(v.data)};
      continue;
    }
    auto bytes = readMember(v.text);
    if (!bytes || bytes->size() > kMaxIconXml) return {};
    auto text = decodeManifest(*bytes);
    if (!text || !adaptiveForeground(*text, ref)) return {};
  }
  return {};
}

}  // namespace zorvik
