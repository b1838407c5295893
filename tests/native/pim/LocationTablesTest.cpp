// The fixed tables of the number location and the generated prefix table: the examples they must
// reproduce, their shape, and the hand-written postal codes checked against each province's range.
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pim/LocationData.h"
#include "pim/LocationTables.h"
#include "pim/PhoneTable.h"

namespace zorvik {
namespace {

TEST(RegionAreaCode, ExamplesHold) {
  const int expected[][2] = {{1, 21}, {2, 10},  {3, 903},  {4, 998},   {5, 996},   {6, 992},  {7, 993},
                             {8, 994}, {9, 20}, {10, 755}, {11, 22},   {12, 23},   {413, 996}};
  for (const auto& e : expected) EXPECT_EQ(RegionAreaCode(e[0]), e[1]) << "index " << e[0];
}

TEST(RegionAreaCode, IndicesOutsideTheTableGiveZero) {
  EXPECT_EQ(RegionAreaCode(0), 0);
  EXPECT_EQ(RegionAreaCode(-1), 0);
  EXPECT_EQ(RegionAreaCode(414), 0);
  EXPECT_EQ(RegionAreaCode(65535), 0);
}

TEST(RegionAreaCode, EveryUsedRegionHasACity) {
  int used = 0;
  for (int i = 1; i <= kRegionSlots; ++i) {
    const int code = RegionAreaCode(i);
    if (code == 0) continue;
    ++used;
    EXPECT_STRNE(AreaCity(code), "没有记录") << "region " << i << " area code " << code;
  }
  EXPECT_GE(used, 300);  // about one region per area code reached by mobile numbers
}

TEST(AreaCity, ExamplesHold) {
  const struct {
    int code;
    const char* city;
  } expected[] = {{10, "北京"},      {20, "广州"},      {21, "上海"},      {22, "天津"},
                  {23, "重庆"},      {24, "辽宁沈阳"},  {25, "江苏南京"},  {27, "湖北武汉"},
                  {28, "四川成都"},  {29, "陕西西安"},  {310, "河北邯郸"}, {571, "浙江杭州"},
                  {755, "广东深圳"}, {898, "海南海口"}, {903, "新疆和田"}};
  for (const auto& e : expected) EXPECT_STREQ(AreaCity(e.code), e.city) << "area code " << e.code;
}

TEST(AreaCity, UnknownKeyAndMissingCodes) {
  EXPECT_STREQ(AreaCity(1234), "未知地区");
  EXPECT_STREQ(AreaCity(0), "没有记录");
  EXPECT_STREQ(AreaCity(11), "没有记录");
  EXPECT_STREQ(AreaCity(26), "没有记录");
  EXPECT_STREQ(AreaCity(1000), "没有记录");
  EXPECT_STREQ(AreaCity(-10), "没有记录");
}

TEST(AreaPostcode, ExamplesHold) {
  const struct {
    int code;
    const char* postcode;
  } expected[] = {{10, "100000"}, {20, "510000"}, {21, "200000"}, {22, "300000"},
                  {23, "400000"}, {24, "110000"}, {25, "210000"}, {27, "430000"}};
  for (const auto& e : expected) EXPECT_STREQ(AreaPostcode(e.code), e.postcode) << "area code " << e.code;
  EXPECT_STREQ(AreaPostcode(0), "");
  EXPECT_STREQ(AreaPostcode(1234), "");
}

// The region indices that name a key.
std::set<int> keysOfRegions() {
  std::set<int> keys;
  for (int i = 1; i <= kRegionSlots; ++i) keys.insert(RegionAreaCode(i));
  return keys;
}

TEST(AreaTable, SortedUniqueAndComplete) {
  const std::set<int> regionKeys = keysOfRegions();
  std::size_t areaCodes = 0;
  std::set<std::string> names;
  for (std::size_t i = 0; i < kAreaRowCount; ++i) {
    const AreaRow& row = kAreaRows[i];
    if (i > 0) {
      EXPECT_LT(kAreaRows[i - 1].code, row.code);
    }
    if (row.code > kLastAreaCode) {
      // A city sharing an area code: reachable from a region only, never from a dialled code.
      EXPECT_TRUE(regionKeys.count(row.code)) << "row " << row.code << " named by no region";
      EXPECT_STREQ(row.postcode, "") << row.code;
    } else {
      ++areaCodes;
      EXPECT_GE(row.code, 10) << row.code;
    }
    EXPECT_NE(row.code, kUnknownAreaKey);
    EXPECT_GE(std::strlen(row.city), 4u) << row.code;  // two GBK characters at least
    EXPECT_TRUE(names.insert(row.city).second) << "two area codes named alike: " << row.code;
    EXPECT_STREQ(AreaCity(row.code), row.city);
    EXPECT_STREQ(AreaPostcode(row.code), row.postcode);
  }
  EXPECT_GE(areaCodes, 320u);  // the national list of long-distance area codes
  EXPECT_LE(areaCodes, 340u);
}

// Each province's postal codes begin with its own two-digit ranges.
TEST(AreaPostcode, EveryPostcodeLiesInItsProvincesRange) {
  const struct {
    const char* province;
    const char* ranges;  // two-digit starts, space-separated
  } provinces[] = {
      {"北京", "10"},         {"上海", "20"},       {"天津", "30"},       {"重庆", "40"},
      {"广州", "51"},         {"河北", "05 06 07"}, {"山西", "03 04"},    {"内蒙古", "01 02"},
      {"辽宁", "11 12"},      {"吉林", "13"},       {"黑龙江", "15 16"},  {"江苏", "21 22"},
      {"浙江", "31 32"},      {"安徽", "23 24"},    {"福建", "35 36"},    {"江西", "33 34"},
      {"山东", "25 26 27"},   {"河南", "45 46 47"}, {"湖北", "43 44"},    {"湖南", "41 42"},
      {"广东", "51 52"},      {"广西", "53 54"},    {"海南", "57"},       {"四川", "61 62 63 64"},
      {"贵州", "55 56"},      {"云南", "65 66 67"}, {"西藏", "85 86"},    {"陕西", "71 72"},
      {"甘肃", "73 74"},      {"青海", "81"},       {"宁夏", "75"},       {"新疆", "83 84"},
  };
  // Two leagues of Inner Mongolia are served from neighbouring provinces' ranges.
  const std::set<int> outside = {482, 483};
  for (std::size_t i = 0; i < kAreaRowCount; ++i) {
    const AreaRow& row = kAreaRows[i];
    if (row.code > kLastAreaCode) continue;  // a city's own row carries no postal code
    const std::string postcode = row.postcode;
    ASSERT_EQ(postcode.size(), 6u) << row.code;
    EXPECT_EQ(postcode.find_first_not_of("0123456789"), std::string::npos) << row.code;
    if (outside.count(row.code)) continue;
    const char* ranges = nullptr;
    for (const auto& p : provinces)
      if (std::strncmp(row.city, p.province, std::strlen(p.province)) == 0) ranges = p.ranges;
    ASSERT_NE(ranges, nullptr) << "no province for area code " << row.code;
    EXPECT_NE(std::string(ranges).find(postcode.substr(0, 2)), std::string::npos)
        << "area code " << row.code << " postcode " << postcode;
  }
}

std::vector<unsigned char> readGeneratedTable() {
  std::ifstream in(ZORVIK_TEST_PREFIX_TABLE, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool blockHoldsRegions(int block) {
  const int blocks[] = {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 145, 147, 150, 151,
                        152, 153, 155, 156, 157, 158, 159, 180, 182, 186, 187, 188, 189};
  for (int b : blocks)
    if (b == block) return true;
  return false;
}

TEST(PrefixTable, LayoutBlocksAndRegions) {
  const std::vector<unsigned char> table = readGeneratedTable();
  ASSERT_EQ(table.size(), PhoneTable::kTableBytes);
  int withRegion = 0;
  std::set<int> regions;
  for (std::uint32_t i = 0; i < PhoneTable::kPrefixCount; ++i) {
    const int region = table[2 * i] | table[2 * i + 1] << 8;
    const int block = static_cast<int>((PhoneTable::kFirstPrefix + i) / 10000);
    if (!blockHoldsRegions(block)) {
      ASSERT_EQ(region, 0) << "prefix " << PhoneTable::kFirstPrefix + i;
      continue;
    }
    if (region == 0) continue;
    ++withRegion;
    regions.insert(region);
    ASSERT_LT(region, kRegionSlots) << "prefix " << PhoneTable::kFirstPrefix + i;
    ASSERT_NE(RegionAreaCode(region), 0) << "prefix " << PhoneTable::kFirstPrefix + i;
  }
  // 27 blocks of 10,000 segments; the source names nearly all of them.
  EXPECT_GT(withRegion, 250000);
  EXPECT_LE(withRegion, 270000);
  EXPECT_GT(regions.size(), 300u);
}

}  // namespace
}  // namespace zorvik
