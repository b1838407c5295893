#pragma once
// Page 7, "天气预报" (group "欢迎使用"): the weather of the city chosen in "天气设置 - Zorvik",
// fetched from the weather data service on a worker: today's conditions with a large icon, the
// life indices and a six-day forecast list. The first showing fetches; "刷新" fetches again.
#include <memory>
#include <string>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "common/win/Handles.h"
#include "info/WeatherData.h"

namespace zorvik {

enum WeatherControl : int {
  kWeatherCityLabel = 2501, kWeatherStatusLabel, kWeatherRefreshButton, kWeatherSettingsButton,
  kWeatherTodayIcon, kWeatherTodayWeather, kWeatherTodayTemperature, kWeatherTodayWind, kWeatherTodayUpdated,
  kWeatherForecastList,
  kWeatherIndexFirst = 2520,  // the eight life-index values, in kLifeIndices order
};

// What a fetch brings back to the UI thread.
struct WeatherFetch {
  std::string cityLabel;  // the city asked for (北京 when none is set)
  std::string code;
  bool ok = false;
  std::string error;
  WeatherReport report;
};
// The worker's part (COM initialised inside): the registry's city, its code, the GET, the reply.
WeatherFetch fetchWeather();

class WeatherPage : public Page {
 public:
  WeatherPage(const PageInfo& info, PageHost& host);
  ~WeatherPage() override;

  void onShown() override;
  // Starts a fetch unless one runs (UI thread).
  void refresh();
  bool busy() const { return busy_; }
  // The large icon's index now shown.
  int todayIcon() const { return todayIcon_; }

  // Tests: the local date the forecast rows start from (0 = today's).
  void setToday(int year, int month, int day) { year_ = year, month_ = month, day_ = day; }

 private:
  void createControls();
  void show(const WeatherFetch& fetch);
  void openSettings();

  bool busy_ = false;
  bool fetched_ = false;
  int todayIcon_ = 0;
  int year_ = 0, month_ = 0, day_ = 0;
  UniqueFont font_, bigFont_;
  PageWork work_;
};

// "天气设置 - Zorvik": province and city lists; OK stores "province", "city", "provinceIndex" and
// "cityIndex".
class WeatherSettingsDialog : public Dialog {
 public:
  WeatherSettingsDialog();
  INT_PTR run(HWND parent) { return runModal(parent); }

 private:
  void fillCities(int cityIndex);
  void accept();
};

}  // namespace zorvik
