#pragma once
// The fixed tables of the number location: region index -> area code -> city text / postal code.
#include <cstdint>

namespace zorvik {

// Area code of a region index from the prefix table (or, for a city that shares its area code,
// that city's own key above 999); 0 for index 0 or one not in the table.
int RegionAreaCode(int index);

// City text of an area code given without its leading 0 ("北京", "广东深圳"); the key 1234 gives
// "未知地区", any other code without an entry "没有记录". Static GBK text.
const char* AreaCity(int areaCode);

// Six-digit postal code of an area code's main city, or "" when the code has none.
const char* AreaPostcode(int areaCode);

// The key AreaCity answers with "未知地区".
constexpr int kUnknownAreaKey = 1234;

}  // namespace zorvik
