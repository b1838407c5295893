#include "installer/IconChoice.h"

#include "installer/BinaryXml.h"
#include "installer/ResourceTable.h"

namespace zorvik {
namespace {

constexpr uint8_t kValueDynamicReference = 0x07;
// An icon XML is a few hundred bytes; a member far larger is not read to look for a layer.
constexpr size_t kMaxIconXml = 1 << 20;

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
