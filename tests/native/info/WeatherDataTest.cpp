// The weather page's table, request, reply reader and forecast rows.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "common/TextConv.h"
#include "info/WeatherData.h"

namespace zorvik {
namespace {

TEST(WeatherCities, EveryProvinceHasCitiesAndNamesAreUniqueWithinIt) {
  for (const char* province : kWeatherProvinces) {
    auto cities = weatherCitiesOf(province);
    EXPECT_FALSE(cities.empty()) << toUtf8(province);
    std::set<std::string> names;
    for (const WeatherCity* c : cities) {
      EXPECT_TRUE(names.insert(c->city).second) << toUtf8(c->city);
      EXPECT_EQ(std::string(c->code).size(), 9u);
    }
  }
  EXPECT_GT(weatherCities().size(), 350u);
  EXPECT_STREQ(weatherCitiesOf("北京").front()->city, "北京");
}

TEST(WeatherCities, KnownCodes) {
  EXPECT_EQ(weatherCityCode("北京", "北京"), "101010100");
  EXPECT_EQ(weatherCityCode("北京", "海淀"), "101010200");
  EXPECT_EQ(weatherCityCode("北京", "延庆"), "101010800");
  EXPECT_EQ(weatherCityCode("", "朝阳"), "101010300");
}

TEST(WeatherCities, AnUnknownCityIsFetchedAsBeijing) {
  EXPECT_EQ(weatherCityCode("北京", "不存在的城市"), "101010100");
  EXPECT_EQ(weatherCityCode("", ""), "101010100");
}

TEST(WeatherCities, ASharedNameTakesTheCityOfItsOwnProvince) {
  const std::string liaoning = weatherCityCode("辽宁", "朝阳");
  EXPECT_NE(liaoning, "101010300");
  EXPECT_EQ(liaoning.substr(0, 5), "10107");  // the service's Liaoning codes
}

TEST(WeatherRequest, AddressCarriesHostCodeAndCacheBreaker) {
  EXPECT_EQ(weatherRequestUrl("127.0.0.1:8080", "101010100", 4711), "http://127.0.0.1:8080/data/101010100.html?4711");
}

TEST(WeatherIcons, CodesMapAsTheTableSays) {
  EXPECT_EQ(weatherIconIndex("99"), 2);
  EXPECT_EQ(weatherIconIndex("32"), 11);
  EXPECT_EQ(weatherIconIndex(""), 0);
  EXPECT_EQ(weatherIconIndex("abc"), 0);
  EXPECT_EQ(weatherIconIndex("21"), 4);
  EXPECT_EQ(weatherIconIndex("26"), 7);
  EXPECT_EQ(weatherIconIndex("31"), 10);
  EXPECT_EQ(weatherIconIndex("-1"), 11);
  EXPECT_EQ(weatherIconIndex("99999999999999999999"), 11);
}

std::string corpusFile(const char* name) {
  std::ifstream in(std::string(ZORVIK_SOURCE_ROOT "/tests/fuzz/info/weather_corpus/") + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(WeatherReply, MembersAreReadAndConverted) {
  WeatherReport r = parseWeatherReply(corpusFile("beijing.json"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.city, "北京");
  EXPECT_EQ(r.publishHour, "11");
  EXPECT_EQ(r.weather[3], "小雪");
  EXPECT_EQ(r.iconCode[0], "0");
  EXPECT_EQ(r.iconCode[3], "14");  // img7, not img4
  EXPECT_EQ(r.iconCode[5], "18");
  EXPECT_EQ(r.lifeIndex[0], "寒冷");
  EXPECT_EQ(r.lifeIndex[7], "不宜");
}

TEST(WeatherReply, CutOrHostileRepliesGiveNothing) {
  const std::string whole = corpusFile("beijing.json");
  for (size_t n = 0; n + 1 < whole.size(); n += 7) EXPECT_FALSE(parseWeatherReply(whole.substr(0, n)).ok) << n;
  EXPECT_FALSE(parseWeatherReply(std::string(100000, '[')).ok);
  EXPECT_FALSE(parseWeatherReply("{\"weatherinfo\":\"x\"}").ok);
  std::string huge = "{\"weatherinfo\":{\"city\":\"" + std::string(kMaxWeatherReply, 'a') + "\"}}";
  EXPECT_FALSE(parseWeatherReply(huge).ok);
}

TEST(WeatherReply, MissingOrOddMembersStayEmpty) {
  WeatherReport r = parseWeatherReply(corpusFile("odd-types.json"));
  ASSERT_TRUE(r.ok);  // comments are allowed
  EXPECT_EQ(r.iconCode[0], "32");
  EXPECT_EQ(r.weather[0], "");
  EXPECT_EQ(r.city, "");
  EXPECT_EQ(r.wind[5], "");
}

TEST(Forecast, SixRowsFromTodayWithWeekdaysAcrossTheYearEnd) {
  WeatherReport r = parseWeatherReply(corpusFile("beijing.json"));
  auto rows = forecastRows(r, 2026, 12, 29);  // a Tuesday
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].day, "今天");
  EXPECT_EQ(rows[0].date, "2026-12-29");
  EXPECT_EQ(rows[0].weekday, "星期二");
  EXPECT_EQ(rows[1].day, "2026-12-30");
  EXPECT_EQ(rows[3].date, "2027-01-01");
  EXPECT_EQ(rows[3].weekday, "星期五");
  EXPECT_EQ(rows[5].weekday, "星期日");
  EXPECT_EQ(rows[1].icon, 1);
  EXPECT_EQ(rows[3].icon, 7);
  EXPECT_EQ(rows[5].icon, 9);
  EXPECT_EQ(rows[5].wind, "微风");
  EXPECT_EQ(weekdayOf(2024, 2, 29), 4);
}

}  // namespace
}  // namespace zorvik
