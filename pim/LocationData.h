#pragma once
// The number-location tables as data. Their definitions are generated at build time by
// data/gen_location.py (see data/README.md); code reads them through LocationTables.h.
#include <cstddef>
#include <cstdint>

namespace zorvik {

constexpr int kRegionSlots = 413;

struct AreaRow {
  std::uint16_t code;    // long-distance area code without its leading 0
  const char* city;      // short "省份城市" form, GBK
  const char* postcode;  // six digits
};

// Region index (0..kRegionSlots) -> area code; 0 for a slot no region uses.
extern const std::uint16_t kRegionAreaCodeData[kRegionSlots + 1];
// Every area code, sorted by code.
extern const AreaRow kAreaRows[];
extern const std::size_t kAreaRowCount;

}  // namespace zorvik
