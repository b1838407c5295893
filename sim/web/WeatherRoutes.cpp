// The weather data service: GET /data/<code>.html[?n] → a forecast for the city of that code.
// A file <data>/weather/<code>.json, when there is one, is served as it is (tests put broken or
// odd replies there); otherwise the forecast is made up from the code, the same every time.
#include <fstream>
#include <regex>
#include <sstream>

#include <json/json.h>

#include "common/TextConv.h"
#include "info/WeatherData.h"
#include "sim/web/WebSim.h"

namespace zorvik::websim {

namespace {

std::string cityNameOf(const std::string& code) {
  for (const WeatherCity& c : weatherCities())
    if (code == c.code) return toUtf8(c.city);
  return code;
}

std::string forecastFor(const std::string& code) {
  static const char* const kWeather[] = {"晴", "多云", "阴", "小雨", "雷阵雨", "小雪", "雾"};
  static const int kIcons[] = {0, 1, 2, 7, 4, 14, 18};
  static const char* const kWind[] = {"北风3-4级", "微风", "南风2级", "东北风4-5级"};
  unsigned seed = 0;
  for (char c : code) seed = seed * 31 + static_cast<unsigned char>(c);
  Json::Value info(Json::objectValue);
  info["city"] = cityNameOf(code);
  info["cityid"] = code;
  info["fchh"] = "11";
  for (int day = 1; day <= 6; ++day) {
    const unsigned k = (seed / static_cast<unsigned>(day)) % 7;
    const int high = static_cast<int>((seed + static_cast<unsigned>(day) * 3) % 20) - 2;
    info["temp" + std::to_string(day)] = std::to_string(high) + toUtf8("℃~") + std::to_string(high - 9) + toUtf8("℃");
    info["weather" + std::to_string(day)] = toUtf8(kWeather[k]);
    info["img" + std::to_string(2 * day - 1)] = std::to_string(kIcons[k]);
    info["img" + std::to_string(2 * day)] = "99";
    info["wind" + std::to_string(day)] = toUtf8(kWind[(seed + static_cast<unsigned>(day)) % 4]);
  }
  info["index"] = toUtf8("较冷");
  info["index_co"] = toUtf8("较舒适");
  info["index_uv"] = toUtf8("弱");
  info["index48_uv"] = toUtf8("中等");
  info["index_ls"] = toUtf8("适宜");
  info["index_xc"] = toUtf8("较适宜");
  info["index_tr"] = toUtf8("适宜");
  info["index_cl"] = toUtf8("较适宜");
  Json::Value root(Json::objectValue);
  root["weatherinfo"] = info;
  Json::StreamWriterBuilder w;
  w["emitUTF8"] = true;
  w["indentation"] = "";
  return Json::writeString(w, root);
}

}  // namespace

void addWeatherRoutes(httplib::Server& server, Context& context) {
  server.Get(R"(/data/(\d{9})\.html)", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::string code = request.matches[1];
    if (!context.dataDir.empty()) {
      std::ifstream in(context.dataDir + "/weather/" + code + ".json", std::ios::binary);
      if (in) {
        std::stringstream s;
        s << in.rdbuf();
        response.set_content(s.str(), "text/html; charset=utf-8");
        return;
      }
    }
    response.set_content(forecastFor(code), "text/html; charset=utf-8");
  });
}

}  // namespace zorvik::websim
