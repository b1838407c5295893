#pragma once
// What the weather page needs that no window does: the city table of the weather service, the
// request's address, the reply's members, the icon of a weather code and the six forecast rows.
// Texts are the program's ANSI (GBK) text; the reply arrives as UTF-8 and is converted here.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

struct WeatherCity {
  const char* province;
  const char* city;
  const char* code;  // nine digits
};

// Generated from the weather service's public city codes (data/weather): every city of every
// province, provinces in the settings dialog's order.
const std::vector<WeatherCity>& weatherCities();
// The settings dialog's provinces, in order.
constexpr std::size_t kWeatherProvinceCount = 34;
extern const char* const kWeatherProvinces[kWeatherProvinceCount];
// The cities of a province, in the table's order (empty for an unknown province).
std::vector<const WeatherCity*> weatherCitiesOf(std::string_view province);

constexpr const char* kWeatherDefaultCity = "北京";
constexpr const char* kWeatherDefaultCode = "101010100";
// The code of `city`: the row of that province when there is one (several provinces have a city
// of the same name, e.g. 朝阳), else the first row of that name, else kWeatherDefaultCode.
std::string weatherCityCode(std::string_view province, std::string_view city);

// "http://" host "/data/" code ".html?" random.
std::string weatherRequestUrl(std::string_view host, std::string_view code, unsigned random);

// Weather code (as received) → icon index 0..11; "" or non-numeric text reads as 0.
int weatherIconIndex(std::string_view code);
constexpr int kWeatherIconCount = 12;

constexpr std::size_t kForecastDays = 6;
constexpr std::size_t kLifeIndexCount = 8;
// The life indices' members and captions, in the order shown.
struct LifeIndex {
  const char* member;
  const char* caption;
};
extern const LifeIndex kLifeIndices[kLifeIndexCount];

struct WeatherReport {
  bool ok = false;  // a JSON object with a "weatherinfo" object
  std::string city, publishHour;
  std::array<std::string, kForecastDays> temperature, weather, iconCode, wind;
  std::array<std::string, kLifeIndexCount> lifeIndex;
};
// Replies longer than this are refused: a forecast is a few kilobytes.
constexpr std::size_t kMaxWeatherReply = 256 * 1024;
// Reads the reply (JSON, comments allowed). A member that is missing or not a string or number
// stays empty.
WeatherReport parseWeatherReply(std::string_view utf8);

struct ForecastRow {
  std::string day;      // "今天" on the first row, else the date
  std::string date;     // "%04d-%02d-%02d"
  std::string weekday;  // "星期日" … "星期六"
  std::string weather, temperature, wind;
  int icon = 0;
};
// One row per forecast day from the given local date on (month 1..12).
std::vector<ForecastRow> forecastRows(const WeatherReport& report, int year, int month, int day);
// 0 = Sunday.
int weekdayOf(int year, int month, int day);

}  // namespace zorvik
