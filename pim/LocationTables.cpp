#include "pim/LocationTables.h"

#include <algorithm>

#include "pim/LocationData.h"

namespace zorvik {
namespace {

const AreaRow* findArea(int areaCode) {
  const AreaRow* end = kAreaRows + kAreaRowCount;
  const AreaRow* row = std::lower_bound(kAreaRows, end, areaCode,
                                        [](const AreaRow& r, int code) { return r.code < code; });
  return row != end && row->code == areaCode ? row : nullptr;
}

}  // namespace

int RegionAreaCode(int index) {
  if (index <= 0 || index > kRegionSlots) return 0;
  return kRegionAreaCodeData[index];
}

const char* AreaCity(int areaCode) {
  if (areaCode == kUnknownAreaKey) return "未知地区";
  const AreaRow* row = findArea(areaCode);
  return row ? row->city : "没有记录";
}

const char* AreaPostcode(int areaCode) {
  const AreaRow* row = findArea(areaCode);
  return row ? row->postcode : "";
}

}  // namespace zorvik
