#include "installer/BinaryXml.h"

#include <cinttypes>
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

struct Decoder {
  std::string_view bytes;
  AnsiStrings& strings;  // every string converted before the walk
  std::string out;

  const std::string* string(uint32_t index) const { return strings.at(index); }
  const std::string* name(uint32_t index) const {
    const std::string* s = string(index);
    return s && isPlainXmlName(*s) ? s : nullptr;
  }

  // One start element: "<name attr="value" ...>\n".
  bool startElement(std::string_view chunk) {
    uint32_t nameIndex = 0;
    uint16_t count = 0;
    if (!readU32(chunk, 20, nameIndex) || !readU16(chunk, 28, count)) return false;
    if (!fits(chunk.size(), kAttributesAt, static_cast<size_t>(count) * kAttributeSize)) return false;
    const std::string* elementName = name(nameIndex);
    if (!elementName) return false;
    out += '<';
    out += *elementName;
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
      const std::string* attr = name(attrName);
      if (!attr) return false;
      out += ' ';
      out += *attr;
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

std::optional<std::string> decodeManifest(std::string_view bytes) {
  StringPool pool;
  if (!pool.open(bytes, kPoolOffset)) return std::nullopt;
  AnsiStrings strings(pool);
  for (uint32_t i = 0; i < pool.count(); ++i)
    if (!strings.at(i)) return std::nullopt;
  Decoder d{bytes, strings, {}};
  d.out.reserve(bytes.size());
  d.out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

  // The resource id map after the pool, like any chunk that is not a node, is stepped over.
  ChunkWalker nodes(bytes, kPoolOffset + static_cast<size_t>(pool.chunkSize()));
  ChunkHeader header;
  std::string_view chunk;
  // Nodes are walked by their own sizes. The document ends at the end namespace that closes the
  // root; a namespace declared on an inner element ends inside the document and is passed over.
  int depth = 0;
  bool sawElement = false;
  while (nodes.next(header, chunk)) {
    const uint32_t word = static_cast<uint32_t>(header.type) | static_cast<uint32_t>(header.headerSize) << 16;
    if (word == kXmlEndNamespace && depth == 0 && sawElement) return std::move(d.out);
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
  if (sawElement && depth == 0) return std::move(d.out);
  return std::nullopt;
}

}  // namespace zorvik
