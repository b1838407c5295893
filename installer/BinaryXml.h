#pragma once
// The compiled manifest ("AndroidManifest.xml" inside a package) turned back into XML text for
// the manifest analysis. Strings come out in the program's ANSI code page; the declaration line
// still says utf-8, as the analysis expects.
#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

// Chunk words (type in the low half, header size in the high half) of the node chunks.
constexpr uint32_t kXmlStartNamespace = 0x00100100;
constexpr uint32_t kXmlEndNamespace = 0x00100101;
constexpr uint32_t kXmlStartElement = 0x00100102;
constexpr uint32_t kXmlEndElement = 0x00100103;
constexpr uint32_t kXmlText = 0x00100104;
// The chunk type of the resource id map: one u32 per pool string, from the first.
constexpr uint16_t kXmlResourceMap = 0x0180;

// Typed value kinds that have a text form; every other kind decodes to an empty value.
constexpr uint8_t kValueReference = 0x01;
constexpr uint8_t kValueString = 0x03;
constexpr uint8_t kValueIntDec = 0x10;

// What the text does not carry (booleans decode to an empty value) but the package page needs.
struct ManifestFlags {
  bool featureSplit = false;  // the root element's isFeatureSplit is true
};

// The text of the compiled document, or nullopt when the bytes are not a sound compiled XML
// document (any offset, count or string index out of range, or the document cut off).
// Attributes are named through the resource id map where it gives an id the decoder knows (so an
// obfuscated pool still reads); one with an id and no usable name is left out. flags, when
// given, is filled on success.
std::optional<std::string> decodeManifest(std::string_view bytes, ManifestFlags* flags = nullptr);

// Element and attribute names come from the pool unescaped, so a name must be a plain XML name:
// no blanks, quotes, angle brackets or other markup that could change the text's structure.
bool isPlainXmlName(std::string_view name);

// XML escaping of attribute values and text (&, <, > and the double quote).
void appendEscaped(std::string& out, std::string_view text);

}  // namespace zorvik
