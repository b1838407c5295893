#include "installer/BinaryXml.h"

#include <cinttypes>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "installer/ChunkWalker.h"
#include "installer/LittleEndian.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

constexpr size_t kPoolOffset = 8;
constexpr size_t kAttributesAt = 36;
constexpr size_t kAttributeSize = 20;
// Strings referenced again and again could grow the text without bound.
constexpr size_t kMaxTextSize = 64u << 20;
// No manifest nests deeply; a bound keeps every XML reader after the decoder within its limits.
constexpr int kMaxDepth = 200;

// The android: attributes the analysis reads (and a few more a reader of the text expects), by
// the resource id the map gives their names. The system itself finds them by id only, so a
// manifest whose pool names them emptily or wrongly still means them.
struct KnownAttribute {
  uint32_t id;
  const char* name;
};
constexpr KnownAttribute kKnownAttributes[] = {
    {0x01010001, "label"},          {0x01010002, "icon"},           {0x01010003, "name"},
    {0x0101000c, "hasCode"},        {0x0101000f, "debuggable"},     {0x01010024, "value"},
    {0x01010025, "resource"},       {0x0101020c, "minSdkVersion"},  {0x0101021b, "versionCode"},
    {0x0101021c, "versionName"},    {0x01010270, "targetSdkVersion"}, {0x01010271, "maxSdkVersion"},
    {0x010102b7, "installLocation"}, {0x0101052c, "roundIcon"},     {0x0101055b, "isFeatureSplit"},
    {0x01010591, "isSplitRequired"}, {0x01010572, "compileSdkVersion"}, {0x01010573, "compileSdkVersionCodename"},
};
constexpr uint8_t kValueBoolean = 0x12;

const char* knownAttribute(uint32_t id) {
  for (const auto& a : kKnownAttributes)
    if (a.id == id) return a.name;
  return nullptr;
}

struct Decoder {
  std::string_view bytes;
  AnsiStrings& strings;  // every string converted before the walk
  std::string out;
  std::string_view resourceIds;  // the resource id map: u32 per string index, from the first
  ManifestFlags flags;
  bool sawRoot = false;

  const std::string* string(uint32_t index) const { return strings.at(index); }
  const std::string* name(uint32_t index) const {
    const std::string* s = string(index);
    return s && isPlainXmlName(*s) ? s : nullptr;
  }
  uint32_t resourceId(uint32_t index) const {
    uint32_t id = 0;
    if (index < resourceIds.size() / 4) readU32(resourceIds, static_cast<size_t>(index) * 4, id);
    return id;
  }

  // One start element: "<name attr="value" ...>\n".
  bool startElement(std::string_view chunk) {
    uint32_t nameIndex = 0;
    uint16_t count = 0;
    if (!readU32(chunk, 20, nameIndex) || !readU16(chunk, 28, count)) return false;
    if (!fits(chunk.size(), kAttributesAt, static_cast<size_t>(count) * kAttributeSize)) return false;
    const std::string* elementName = name(nameIndex);
    if (!elementName) return false;
    const bool root = !sawRoot;
    sawRoot = true;
    out += '<';
    out += *elementName;
    std::vector<std::string_view> written;
    for (size_t i = 0; i < count; ++i) {
      const size_t at = kAttributesAt + i * kAttributeSize;
      uint32_t attrName = 0, data = 0;
      uint16_t size = 0;
      uint8_t reserved = 0, type = 0;
      readU32(chunk, at + 4, attrName);
      readU16(chunk, at + 12, size);
      readU8(chunk, at + 14, reserved);
      readU8(chunk, at + 15, type);
      readU32(chunk, at + 16, data);
      // An attribute with a resource id is named by it when it is one we know; another one whose
      // pool name is unusable, or repeats a name already written, is left out: nothing reads it.
      const uint32_t id = resourceId(attrName);
      std::string_view attr;
      if (const char* known = id ? knownAttribute(id) : nullptr) attr = known;
      else if (const std::string* pooled = name(attrName)) attr = *pooled;
      else if (id) continue;
      else return false;
      if (id && std::find(written.begin(), written.end(), attr) != written.end()) continue;
      written.push_back(attr);
      if (root && attr == "isFeatureSplit" && type == kValueBoolean && data != 0) flags.featureSplit = true;
      out += ' ';
      out += attr;
      out += "=\"";
      if (size == 8 && reserved == 0) {
        char number[16];
        if (type == kValueReference) {
          std::snprintf(number, sizeof number, "@0x%" PRIx32, data);
          out += number;
        } else if (type == kValueIntDec) {
          std::snprintf(number, sizeof number, "%" PRId32, static_cast<int32_t>(data));
          out += number;
        } else if (type == kValueString) {
          const std::string* value = string(data);
          if (!value) return false;
          appendEscaped(out, *value);
        }
      }
      out += '"';
      if (out.size() > kMaxTextSize) return false;
    }
    out += ">\n";
    return true;
  }
};

std::optional<std::string> finish(Decoder& d, ManifestFlags* flags) {
  if (flags) *flags = d.flags;
  return std::move(d.out);
}

}  // namespace

bool isPlainXmlName(std::string_view name) {
  if (name.empty()) return false;
  const auto first = static_cast<unsigned char>(name[0]);
  if (first == '-' || first == '.' || (first >= '0' && first <= '9')) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       u == '_' || u == '-' || u == '.' || u == ':';
    if (!plain) return false;
  }
  return true;
}

void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::optional<std::string> decodeManifest(std::string_view bytes, ManifestFlags* flags) {
  StringPool pool;
  if (!pool.open(bytes, kPoolOffset)) return std::nullopt;
  AnsiStrings strings(pool);
  for (uint32_t i = 0; i < pool.count(); ++i)
    if (!strings.at(i)) return std::nullopt;
  Decoder d{bytes, strings, {}, {}, {}};
  d.out.reserve(bytes.size());
  d.out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

  // The resource id map after the pool names attributes by id; any other chunk that is not a
  // node is stepped over.
  ChunkWalker nodes(bytes, kPoolOffset + static_cast<size_t>(pool.chunkSize()));
  ChunkHeader header;
  std::string_view chunk;
  // Nodes are walked by their own sizes. The document ends at the end namespace that closes the
  // root; a namespace declared on an inner element ends inside the document and is passed over.
  int depth = 0;
  bool sawElement = false;
  while (nodes.next(header, chunk)) {
    const uint32_t word = static_cast<uint32_t>(header.type) | static_cast<uint32_t>(header.headerSize) << 16;
    if (word == kXmlEndNamespace && depth == 0 && sawElement) return finish(d, flags);
    if (header.type == kXmlResourceMap && !sawElement) d.resourceIds = chunk.substr(header.headerSize);
    if (word == kXmlStartElement) {
      if (!d.startElement(chunk) || depth >= kMaxDepth) return std::nullopt;
      ++depth;
      sawElement = true;
    } else if (word == kXmlEndElement) {
      uint32_t nameIndex = 0;
      if (!readU32(chunk, 20, nameIndex) || !d.name(nameIndex) || depth == 0) return std::nullopt;
      d.out += "</";
      d.out += *d.name(nameIndex);
      d.out += '>';
      --depth;
    } else if (word == kXmlText) {
      uint32_t textIndex = 0;
      if (!readU32(chunk, 16, textIndex) || !d.string(textIndex)) return std::nullopt;
      appendEscaped(d.out, *d.string(textIndex));
    }
    if (d.out.size() > kMaxTextSize) return std::nullopt;
  }
  if (nodes.broken()) return std::nullopt;
  // A document without namespaces ends with its bytes, once its root has closed.
  if (sawElement && depth == 0) return finish(d, flags);
  return std::nullopt;
}

}  // namespace zorvik
