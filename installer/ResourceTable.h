#pragma once
// The compiled resource table ("resources.arsc"): only what the package page needs, the string
// values of two resource types (the label's and the icon's) by entry number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

constexpr uint16_t kTableChunk = 0x0002;
constexpr uint16_t kPackageChunk = 0x0200;
constexpr uint16_t kPackageHeaderSize = 0x11C;
constexpr uint16_t kTypeChunk = 0x0201;
constexpr uint16_t kTypeSpecChunk = 0x0202;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
// The package id of every ordinary application's own resources.
constexpr uint8_t kAppPackageId = 0x7F;

struct ResourceStrings {
  // Indexed by entry number; an entry with no string value is empty. Values are ANSI text.
  std::vector<std::string> label;
  std::vector<std::string> icon;
};

// Reads the tables of labelType and iconType (they may be the same type) from the package with
// packageId. For an entry stored in several configurations the one stored last wins.
// nullopt when the bytes are not a sound resource table (any offset, count or size out of range).
std::optional<ResourceStrings> readResourceTable(std::string_view bytes, uint8_t labelType, uint8_t iconType,
                                                 uint8_t packageId = kAppPackageId);

// The general form: the string values of each of types (in that order) of the package.
std::optional<std::vector<std::vector<std::string>>> readResourceTypes(std::string_view bytes, uint8_t packageId,
                                                                     const std::vector<uint8_t>& types);

// Only the strings of the given entries (a type of 0 gives an empty text), converted on their
// own: what a package page needs from a table of thousands of strings.
struct ResourceEntry {
  uint8_t type = 0;
  uint16_t entry = 0;
};
std::optional<std::vector<std::string>> resolveResourceStrings(std::string_view bytes, uint8_t packageId,
                                                               const std::vector<ResourceEntry>& wanted);

// The text at an entry, or empty when the table does not hold it.
inline const std::string& entryText(const std::vector<std::string>& table, uint32_t entry) {
  static const std::string kEmpty;
  return entry < table.size() ? table[entry] : kEmpty;
}

}  // namespace zorvik
