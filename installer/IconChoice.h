#pragma once
// Which picture a package's icon is drawn from. A launcher icon is one resource with a value per
// screen density (and, on newer packages, an adaptive-icon XML for "anydpi"); the window draws a
// bitmap, so the densest raster is taken, and when the resource holds only XML the adaptive icon's
// foreground layer is followed to its own best raster.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/ManifestAnalysis.h"
#include "installer/ResourceTable.h"

namespace zorvik {

// Every configuration's value of one entry, in the order stored (the table's own walk).
inline std::optional<std::vector<ConfigValue>> resourceValues(std::string_view table, const ResourceRef& ref) {
  return resourceValues(table, static_cast<uint32_t>(ref.package) << 24 | static_cast<uint32_t>(ref.type) << 16 | ref.entry);
}

// A member name that is a picture file (PNG, WebP, JPEG, GIF, BMP), by its ending.
bool isRasterPath(std::string_view path);

// The value an icon is drawn from: the raster of the highest density (a default configuration
// counts as mdpi, nodpi and anydpi rasters below every real density; among equals the one stored
// last), else the first reference, else the first XML file; nullopt when there is none.
std::optional<size_t> bestIconValue(const std::vector<ConfigValue>& values);

// The drawable an adaptive icon's <foreground> names, from the icon XML's decoded text; false
// when the text is no adaptive icon or its foreground names no resource.
bool adaptiveForeground(std::string_view xmlText, ResourceRef& out);

// References, aliases and adaptive layers followed at most this many times.
constexpr int kMaxIconHops = 4;

// The member path the icon is drawn from, following references and an adaptive icon's
// foreground (reading XML members with readMember), or empty when no raster is reached.
std::string chooseIconPath(std::string_view table, const ResourceRef& icon,
                           const std::function<std::optional<std::string>(const std::string&)>& readMember);

}  // namespace zorvik
