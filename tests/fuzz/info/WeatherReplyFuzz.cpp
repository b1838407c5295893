// Weather replies from a confused or hostile service: the reader ends, nothing it returns is
// longer than the reply, and the rows always come six with an icon in the table.
#include "info/WeatherData.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zorvik::WeatherReport report = zorvik::parseWeatherReply(text);
  if (!report.ok && !report.city.empty()) std::abort();
  if (report.city.size() > 2 * size + 32) std::abort();
  const auto rows = zorvik::forecastRows(report, 2026, 12, 31);
  if (rows.size() != zorvik::kForecastDays) std::abort();
  for (const auto& r : rows)
    if (r.icon < 0 || r.icon >= zorvik::kWeatherIconCount || r.weather.size() > 2 * size + 32) std::abort();
  return 0;
}
