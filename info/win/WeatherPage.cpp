#include "info/win/WeatherPage.h"

#include <commctrl.h>

#include <cstdlib>

#include "settings/SettingsWin.h"
#include "info/win/HttpText.h"
#include "info/win/InfoControls.h"
#include "info/win/InfoIcons.h"
#include "info/win/InfoResource.h"

namespace zorvik {

namespace {
constexpr const char* kCityValue = "city";
constexpr const char* kProvinceValue = "province";
constexpr const char* kCityIndexValue = "cityIndex";
constexpr const char* kProvinceIndexValue = "provinceIndex";
constexpr const char* kFetching = "正在获取天气信息...";
constexpr const char* kFetchFailed = "获取天气信息失败";
constexpr int kListIcon = 24;
constexpr int kBigIcon = 64;

void setText(HWND page, int id, const std::string& text) { SetDlgItemTextA(page, id, text.c_str()); }
}  // namespace

WeatherFetch fetchWeather() {
  WeatherFetch fetch;
  ComScope com;
  const std::string city = readSetting(kCityValue).value_or("");
  const std::string province = readSetting(kProvinceValue).value_or("");
  fetch.cityLabel = city.empty() ? kWeatherDefaultCity : city;
  fetch.code = weatherCityCode(province, fetch.cityLabel);
  if (!com.ok()) {
    fetch.error = "COM";
    return fetch;
  }
  // The run-time's generator keeps its state per thread, and every worker is new: seeded here so
  // the number that defeats caches is not the same on every fetch.
  std::srand(static_cast<unsigned>(GetTickCount()) ^ static_cast<unsigned>(GetCurrentThreadId()));
  const HttpText reply = httpGetText(weatherRequestUrl(weatherHost(), fetch.code, static_cast<unsigned>(std::rand())));
  if (!reply.ok) {
    fetch.error = reply.error;
    return fetch;
  }
  fetch.report = parseWeatherReply(reply.utf8);
  fetch.ok = fetch.report.ok;
  if (!fetch.ok) fetch.error = "reply";
  return fetch;
}

WeatherPage::WeatherPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    createControls();
    m.result = TRUE;
  });
  map_.onCommand(kWeatherRefreshButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) refresh();
  });
  map_.onCommand(kWeatherSettingsButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) openSettings();
  });
  map_.on(WM_DRAWITEM, [this](WinMsg& m) {
    auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(m.lp);
    if (draw->CtlID != kWeatherTodayIcon) {
      m.handled = false;
      return;
    }
    FillRect(draw->hDC, &draw->rcItem, GetSysColorBrush(COLOR_WINDOW));
    if (fetched_ && !busy_) drawWeatherIcon(draw->hDC, draw->rcItem, todayIcon_);
    m.result = TRUE;
  });
}

WeatherPage::~WeatherPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void WeatherPage::createControls() {
  font_.reset(createPageFont());
  bigFont_.reset(createPageFont(-18, FW_BOLD));
  const ChildMaker make(hwnd(), font_.get());
  make("STATIC", "", 0, 12, 12, 200, 22, kWeatherCityLabel, 0, bigFont_.get());
  make("STATIC", "", 0, 220, 16, 200, 16, kWeatherStatusLabel);
  make("BUTTON", "刷新", BS_PUSHBUTTON | WS_TABSTOP, 436, 10, 72, 24, kWeatherRefreshButton);
  make("BUTTON", "天气设置", BS_PUSHBUTTON | WS_TABSTOP, 514, 10, 80, 24, kWeatherSettingsButton);

  make("BUTTON", "今日天气", BS_GROUPBOX, 8, 40, 288, 134, -1);
  make("STATIC", "", SS_OWNERDRAW, 22, 70, kBigIcon, kBigIcon, kWeatherTodayIcon);
  const char* captions[4] = {"天气：", "气温：", "风向：", "更新："};
  for (int i = 0; i < 4; ++i) {
    make("STATIC", captions[i], 0, 100, 62 + i * 26, 44, 16, -1);
    make("STATIC", "", SS_LEFTNOWORDWRAP, 144, 62 + i * 26, 146, 16, kWeatherTodayWeather + i);
  }

  make("BUTTON", "生活指数", BS_GROUPBOX, 304, 40, 290, 134, -1);
  for (int i = 0; i < static_cast<int>(kLifeIndexCount); ++i) {
    make("STATIC", kLifeIndices[i].caption, 0, 314, 58 + i * 14, 90, 14, -1);
    make("STATIC", "", SS_LEFTNOWORDWRAP, 404, 58 + i * 14, 184, 14, kWeatherIndexFirst + i);
  }

  HWND list = make(WC_LISTVIEWA, "", LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER, 8, 182, 586, 200,
                   kWeatherForecastList);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  ListView_SetImageList(list, makeIconList(kListIcon, kWeatherIconCount, drawWeatherIcon), LVSIL_SMALL);
  const char* const headers[5] = {"日期", "星期", "天气", "气温", "风向"};
  const int widths[5] = {118, 70, 140, 120, 130};
  addListColumns(list, headers, widths, 5);
}

void WeatherPage::onShown() {
  if (!fetched_) refresh();
}

void WeatherPage::refresh() {
  if (busy_) return;
  busy_ = true;
  fetched_ = true;
  setText(hwnd(), kWeatherStatusLabel, kFetching);
  EnableWindow(GetDlgItem(hwnd(), kWeatherRefreshButton), FALSE);
  InvalidateRect(GetDlgItem(hwnd(), kWeatherTodayIcon), nullptr, TRUE);
  work_.run([](ExchangeCancel*) { return fetchWeather(); }, [this](WeatherFetch& fetch) { show(fetch); });
}

void WeatherPage::show(const WeatherFetch& fetch) {
  busy_ = false;
  HWND page = hwnd();
  EnableWindow(GetDlgItem(page, kWeatherRefreshButton), TRUE);
  if (!fetch.ok) {
    setText(page, kWeatherCityLabel, fetch.cityLabel);
    setText(page, kWeatherStatusLabel, kFetchFailed);
    InvalidateRect(GetDlgItem(page, kWeatherTodayIcon), nullptr, TRUE);
    return;
  }
  const WeatherReport& r = fetch.report;
  setText(page, kWeatherStatusLabel, "");
  setText(page, kWeatherCityLabel, r.city.empty() ? fetch.cityLabel : r.city);
  setText(page, kWeatherTodayWeather, r.weather[0]);
  setText(page, kWeatherTodayTemperature, r.temperature[0]);
  setText(page, kWeatherTodayWind, r.wind[0]);
  setText(page, kWeatherTodayUpdated, r.publishHour.empty() ? std::string() : r.publishHour + ":00");
  for (std::size_t i = 0; i < kLifeIndexCount; ++i) setText(page, kWeatherIndexFirst + static_cast<int>(i), r.lifeIndex[i]);
  todayIcon_ = weatherIconIndex(r.iconCode[0]);
  InvalidateRect(GetDlgItem(page, kWeatherTodayIcon), nullptr, TRUE);

  int year = year_, month = month_, day = day_;
  if (year == 0) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    year = now.wYear, month = now.wMonth, day = now.wDay;
  }
  HWND list = GetDlgItem(page, kWeatherForecastList);
  ListView_DeleteAllItems(list);
  int index = 0;
  for (ForecastRow& row : forecastRows(r, year, month, day)) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iImage = row.icon;
    item.pszText = row.day.data();
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    std::string* cells[4] = {&row.weekday, &row.weather, &row.temperature, &row.wind};
    for (int c = 0; c < 4; ++c) {
      LVITEMA sub{};
      sub.iSubItem = c + 1;
      sub.pszText = cells[c]->data();
      SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
    }
    ++index;
  }
}

void WeatherPage::openSettings() {
  WeatherSettingsDialog dialog;
  if (dialog.run(hwnd()) == IDOK) refresh();
}

WeatherSettingsDialog::WeatherSettingsDialog() : Dialog(IDD_WEATHER_SETTINGS) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    HWND provinces = item(IDC_WEATHER_PROVINCE);
    for (const char* p : kWeatherProvinces) SendMessageA(provinces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
    // The stored positions, when they still fit the lists; else the first entries.
    std::uint32_t p = readSettingNumber(kProvinceIndexValue).value_or(0);
    if (p >= kWeatherProvinceCount) p = 0;
    SendMessageA(provinces, CB_SETCURSEL, p, 0);
    fillCities(static_cast<int>(readSettingNumber(kCityIndexValue).value_or(0)));
    m.result = TRUE;
  });
  map_.onCommand(IDC_WEATHER_PROVINCE, [this](WinMsg& m) {
    if (m.commandCode() == CBN_SELCHANGE) fillCities(0);
  });
  map_.onCommand(IDOK, [this](WinMsg&) { accept(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

void WeatherSettingsDialog::fillCities(int cityIndex) {
  HWND cities = item(IDC_WEATHER_CITY);
  SendMessageA(cities, CB_RESETCONTENT, 0, 0);
  const int p = static_cast<int>(SendMessageA(item(IDC_WEATHER_PROVINCE), CB_GETCURSEL, 0, 0));
  if (p < 0 || p >= static_cast<int>(kWeatherProvinceCount)) return;
  const auto list = weatherCitiesOf(kWeatherProvinces[p]);
  for (const WeatherCity* c : list) SendMessageA(cities, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->city));
  if (cityIndex < 0 || cityIndex >= static_cast<int>(list.size())) cityIndex = 0;
  SendMessageA(cities, CB_SETCURSEL, cityIndex, 0);
}

void WeatherSettingsDialog::accept() {
  const int p = static_cast<int>(SendMessageA(item(IDC_WEATHER_PROVINCE), CB_GETCURSEL, 0, 0));
  const int c = static_cast<int>(SendMessageA(item(IDC_WEATHER_CITY), CB_GETCURSEL, 0, 0));
  if (p < 0 || p >= static_cast<int>(kWeatherProvinceCount)) return;
  const auto list = weatherCitiesOf(kWeatherProvinces[p]);
  if (c < 0 || c >= static_cast<int>(list.size())) return;
  writeSetting(kProvinceValue, kWeatherProvinces[p]);
  writeSetting(kCityValue, list[static_cast<std::size_t>(c)]->city);
  writeSettingNumber(kProvinceIndexValue, static_cast<std::uint32_t>(p));
  writeSettingNumber(kCityIndexValue, static_cast<std::uint32_t>(c));
  end(IDOK);
}

}  // namespace zorvik
