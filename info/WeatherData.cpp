#include "info/WeatherData.h"

#include <json/json.h>

#include <cstdio>
#include <memory>

#include "common/TextConv.h"

namespace zorvik {

namespace {
const WeatherCity kCityRows[] = {
#include "WeatherCities.inc"
};

const char* const kWeekdays[7] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}
void civilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::string member(const Json::Value& info, const char* name) {
  const Json::Value& v = info[name];
  if (v.isString()) return toAnsi(v.asString());
  if (v.isIntegral() || v.isDouble()) return v.asString();
  return {};
}
}  // namespace

const char* const kWeatherProvinces[kWeatherProvinceCount] = {
    "北京", "上海", "天津", "重庆", "香港", "澳门", "台湾", "黑龙江", "吉林", "辽宁", "内蒙古", "新疆",
    "西藏", "宁夏", "河北", "河南", "陕西", "山西", "山东", "湖北", "湖南", "安徽", "江苏", "江西",
    "浙江", "四川", "云南", "青海", "甘肃", "贵州", "广东", "广西", "福建", "海南"};

const LifeIndex kLifeIndices[kLifeIndexCount] = {
    {"index", "穿衣指数："},   {"index_co", "当前舒适度："}, {"index_uv", "当前紫外线："},
    {"index48_uv", "明天紫外线："}, {"index_ls", "晾晒："},      {"index_xc", "洗车："},
    {"index_tr", "旅游："},    {"index_cl", "晨练："},
};

const std::vector<WeatherCity>& weatherCities() {
  static const std::vector<WeatherCity> all(std::begin(kCityRows), std::end(kCityRows));
  return all;
}

std::vector<const WeatherCity*> weatherCitiesOf(std::string_view province) {
  std::vector<const WeatherCity*> out;
  for (const WeatherCity& c : weatherCities())
    if (province == c.province) out.push_back(&c);
  return out;
}

std::string weatherCityCode(std::string_view province, std::string_view city) {
  const WeatherCity* byName = nullptr;
  for (const WeatherCity& c : weatherCities()) {
    if (city != c.city) continue;
    if (province == c.province) return c.code;
    if (!byName) byName = &c;
  }
  return byName ? byName->code : kWeatherDefaultCode;
}

std::string weatherRequestUrl(std::string_view host, std::string_view code, unsigned random) {
  std::string url = "http://";
  url.append(host).append("/data/").append(code).append(".html?").append(std::to_string(random));
  return url;
}

int weatherIconIndex(std::string_view code) {
  // A plain decimal reading: leading digits only, anything else 0; large values saturate.
  // atoi's reading: leading blanks, a sign, the digits that follow; a huge value saturates.
  std::size_t i = 0;
  while (i < code.size() && (code[i] == ' ' || code[i] == '\t')) ++i;
  bool negative = false;
  if (i < code.size() && (code[i] == '-' || code[i] == '+')) negative = code[i++] == '-';
  long value = 0;
  for (; i < code.size() && code[i] >= '0' && code[i] <= '9'; ++i) {
    value = value * 10 + (code[i] - '0');
    if (value > 1000000) break;
  }
  if (negative) value = -value;
  switch (value) {
    case 0: return 0;
    case 1: return 1;
    case 2: case 99: return 2;
    case 4: case 5: return 3;
    case 3: case 7: case 8: case 19: case 21: return 4;
    case 9: case 10: case 11: case 12: case 22: case 23: case 24: case 25: return 5;
    case 6: return 6;
    case 13: case 14: case 15: case 26: return 7;
    case 16: case 17: case 27: case 28: return 8;
    case 18: return 9;
    case 20: case 29: case 30: case 31: return 10;
    default: return 11;
  }
}

WeatherReport parseWeatherReply(std::string_view utf8) {
  WeatherReport report;
  if (utf8.size() > kMaxWeatherReply) return report;
  Json::CharReaderBuilder builder;
  builder["allowComments"] = true;
  builder["collectComments"] = false;
  builder["stackLimit"] = 64;  // nesting deeper than this is refused, not recursed into
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  bool parsed = false;
  try {
    parsed = reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors);
  } catch (const Json::Exception&) {
    parsed = false;  // the nesting limit
  }
  if (!parsed || !root.isObject()) return report;
  const Json::Value& info = root["weatherinfo"];
  if (!info.isObject()) return report;
  report.ok = true;
  report.city = member(info, "city");
  report.publishHour = member(info, "fchh");
  char name[16];
  for (std::size_t i = 0; i < kForecastDays; ++i) {
    std::snprintf(name, sizeof name, "temp%zu", i + 1);
    report.temperature[i] = member(info, name);
    std::snprintf(name, sizeof name, "weather%zu", i + 1);
    report.weather[i] = member(info, name);
    std::snprintf(name, sizeof name, "img%zu", 2 * i + 1);  // the daytime icons: img1, img3 … img11
    report.iconCode[i] = member(info, name);
    std::snprintf(name, sizeof name, "wind%zu", i + 1);
    report.wind[i] = member(info, name);
  }
  for (std::size_t i = 0; i < kLifeIndexCount; ++i) report.lifeIndex[i] = member(info, kLifeIndices[i].member);
  return report;
}

int weekdayOf(int year, int month, int day) {
  const long long days = daysFromCivil(year, month, day);  // 1970-01-01 was a Thursday
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::vector<ForecastRow> forecastRows(const WeatherReport& report, int year, int month, int day) {
  std::vector<ForecastRow> rows;
  const long long first = daysFromCivil(year, month, day);
  for (std::size_t i = 0; i < kForecastDays; ++i) {
    int y, m, d;
    civilFromDays(first + static_cast<long long>(i), y, m, d);
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", y, m, d);
    ForecastRow row;
    row.date = date;
    row.day = i == 0 ? "今天" : row.date;
    row.weekday = kWeekdays[weekdayOf(y, m, d)];
    row.weather = report.weather[i];
    row.temperature = report.temperature[i];
    row.wind = report.wind[i];
    row.icon = weatherIconIndex(report.iconCode[i]);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace zorvik
