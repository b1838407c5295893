#pragma once
// The compiled resource table ("resources.arsc"): only what the package page needs, the string
// values of resources (the label's, the version name's, the icon's). Type chunks may write their
// entry offsets densely (u32 or, as newer tools do, u16 in units of four bytes) or sparsely, and
// entries in full or compact form; a value that refers to another resource of the same package
// is followed (at most 8 steps; a loop names nothing).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// The string values of one resource type, indexed by entry number; an entry with no string value
// is empty. Values are ANSI text. Entries that name one string share one copy of it.
class ResourceTexts {
 public:
  ResourceTexts() = default;
  ResourceTexts(std::vector<uint32_t> numbers, std::shared_ptr<const std::vector<std::string>> texts)
      : numbers_(std::move(numbers)), texts_(std::move(texts)) {}

  size_t size() const { return numbers_.size(); }
  bool empty() const { return numbers_.empty(); }
  // The text at an entry, or empty when the table does not hold it.
  const std::string& at(uint32_t entry) const;
  bool operator==(const ResourceTexts& other) const;

 private:
  std::vector<uint32_t> numbers_;  // per entry, an index into *texts_ or kNoEntry
  std::shared_ptr<const std::vector<std::string>> texts_;
};

struct ResourceStrings {
  ResourceTexts label;
  ResourceTexts icon;
};

// Which of several configurations of an entry is taken: the Simplified Chinese one (zh-CN), then
// Chinese without a region, then the default configuration, then whichever is stored last; among
// equals the one stored last. So a label translated into many languages still reads in Chinese,
// and values that differ only in other qualifiers (icons by screen density) keep the last one.
enum class ConfigRank : uint8_t { kNone = 0, kOther = 1, kDefault = 2, kChinese = 3, kChineseChina = 4 };
// The rank of a type chunk's configuration (the bytes from its size field at chunk offset 20).
ConfigRank configRank(std::string_view config);

// Reads the tables of labelType and iconType (they may be the same type) from the package with
// packageId, taking each entry's configuration by ConfigRank (and again at each reference).
// nullopt when the bytes are not a sound resource table (any offset, count or size out of range,
// or strings that together claim more text than the pool holds).
std::optional<ResourceStrings> readResourceTable(std::string_view bytes, uint8_t labelType, uint8_t iconType,
                                                 uint8_t packageId = kAppPackageId);

// The general form: the string values of each of types (in that order) of the package.
std::optional<std::vector<ResourceTexts>> readResourceTypes(std::string_view bytes, uint8_t packageId,
                                                            const std::vector<uint8_t>& types);

// Only the strings of the given entries (a type of 0 gives an empty text), converted on their
// own: what a package page needs from a table of thousands of strings.
struct ResourceEntry {
  uint8_t type = 0;
  uint16_t entry = 0;
};
std::optional<std::vector<std::string>> resolveResourceStrings(std::string_view bytes, uint8_t packageId,
                                                               const std::vector<ResourceEntry>& wanted);

// Every configuration that holds one resource (package, type and entry from the id), in file
// order: the configuration as stored (its size field first), its density (0 default, 0xFFFE any,
// 0xFFFF none) and platform version (0 when it names none), its rank, and the string the value
// names with references followed (empty when it names none). For choosing among densities.
// Screen densities of a configuration with a meaning of their own.
constexpr uint16_t kDensityDefault = 0;
constexpr uint16_t kDensityAny = 0xFFFE;
constexpr uint16_t kDensityNone = 0xFFFF;

struct ConfigValue {
  std::string config;
  uint16_t density = kDensityDefault;
  uint16_t sdkVersion = 0;
  ConfigRank rank = ConfigRank::kNone;
  std::string text;
  // The value as stored, before references are followed (0 for a style or array).
  uint8_t valueType = 0;  // 0x03 string, 0x01 / 0x07 reference, …
  uint32_t data = 0;      // for a reference, the resource id it names
};
std::optional<std::vector<ConfigValue>> resourceValues(std::string_view bytes, uint32_t resourceId);

// The text at an entry, or empty when the table does not hold it.
inline const std::string& entryText(const ResourceTexts& table, uint32_t entry) { return table.at(entry); }

}  // namespace zorvik
