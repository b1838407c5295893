#pragma once
// The number-location tables as data. Their definitions are generated at build time by
// data/gen_location.py (see data/README.md); code reads them through LocationTables.h.
#include <cstddef>
#include <cstdint>

namespace zorvik {

constexpr int kRegionSlots = 413;

// Area codes have at most three digits after their 0. Keys above this name a city that shares its
// area code with another (its administrative division code without the trailing "00", 咸阳 6104):
// only a region reaches them, so a mobile number names its own city while its landline names the
// area code's main city.
constexpr int kLastAreaCode = 999;

struct AreaRow {
  std::uint16_t code;    // long-distance area code without its leading 0, or a city key
  const char* city;      // short "省份城市" form, GBK
  const char* postcode;  // six digits; "" for a city key
};

// Region index (0..kRegionSlots) -> area code or city key; 0 for a slot no region uses.
extern const std::uint16_t kRegionAreaCodeData[kRegionSlots + 1];
// Every area code and city key, sorted by code.
extern const AreaRow kAreaRows[];
extern const std::size_t kAreaRowCount;

}  // namespace zorvik
