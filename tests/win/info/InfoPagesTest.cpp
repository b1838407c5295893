// The weather (7), update (4) and help (6) pages in the real main window, against websim (the
// native web-service stand-in, started by the CTest fixture) and a scripted agent for 870002.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "settings/SettingsWin.h"
#include "common/TextConv.h"
#include "common/Md5.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/DeviceTables.h"
#include "info/win/HelpPage.h"
#include "info/win/InfoResource.h"
#include "info/win/UpgradePage.h"
#include "info/win/WeatherPage.h"
#include "support/LoopbackServer.h"

namespace zorvik {
namespace {

using test::pump;
using test::pumpUntil;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
std::string folder() { return env("ZORVIK_WEBSIM_FOLDER"); }
std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
std::string websimUrl() {
  std::string url = readFile(folder() + "\\websim-url.txt");
  while (!url.empty() && (url.back() == '\n' || url.back() == '\r')) url.pop_back();
  return url;
}
std::string record() { return readFile(folder() + "\\websim-record.txt"); }

void deleteSetting(const char* name) {
  UniqueHkey key = openRegKey(HKEY_CURRENT_USER, kSettingsKey, KEY_SET_VALUE);
  if (key) RegDeleteValueA(key.get(), name);
}

std::string text(HWND page, int id) {
  char buf[512] = {};
  GetDlgItemTextA(page, id, buf, sizeof buf);
  return buf;
}
std::string cell(HWND list, int row, int col) {
  char buf[512] = {};
  ListView_GetItemText(list, row, col, buf, sizeof buf);
  return buf;
}
int imageOf(HWND list, int row) {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  ListView_GetItem(list, &item);
  return item.iImage;
}
void click(HWND page, int id) {
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// The services at websim for the whole run; the weather choice cleared.
class InfoPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder().empty()) << "run through CTest: the websim fixture sets ZORVIK_WEBSIM_FOLDER";
    const std::string url = websimUrl();
    ASSERT_FALSE(url.empty());
    writeSetting(kServiceBaseValue, url);
    writeSetting(kWeatherHostValue, url.substr(std::string("http://").size(), url.size() - 8));
    for (const char* v : {"city", "province", "cityIndex", "provinceIndex"}) deleteSetting(v);
    window = std::make_unique<MainWindow>(MainWindowOptions{});
    ASSERT_TRUE(window->createModeless(nullptr));
    ShowWindow(window->hwnd(), SW_SHOW);
  }
  void TearDown() override {
    if (window) DestroyWindow(window->hwnd());
    pump(50);
    window.reset();
    for (const char* v : {"city", "province", "cityIndex", "provinceIndex", kServiceBaseValue, kWeatherHostValue})
      deleteSetting(v);
  }
  template <typename P>
  P* show(int group, int pageId) {
    SendMessageA(window->hwnd(), kMsgShowPage, group, pageId);
    pump(50);
    return dynamic_cast<P*>(window->page(pageId));
  }
  void shot(const char* name) {
    pump(300);
    test::saveWindowPng(window->hwnd(), test::artifactPath(name));
  }
  std::unique_ptr<MainWindow> window;
};

const char kBeijingReply[] =
    "{\"weatherinfo\":{\"city\":\"北京\",\"fchh\":\"08\",\"temp1\":\"3℃~-6℃\",\"weather1\":\"阴\",\"img1\":\"99\","
    "\"wind1\":\"北风3-4级\",\"img3\":\"32\",\"weather2\":\"霾\",\"index\":\"寒冷\",\"index_cl\":\"不宜\"}}";

TEST_F(InfoPages, WeatherWithNoChoiceIsBeijingAndCodesMapToIcons) {
  writeFile(folder() + "\\websim-data\\weather\\101010100.json", toUtf8(kBeijingReply));
  const size_t before = record().size();
  WeatherPage* page = show<WeatherPage>(kGroupWelcome, kPageWeather);
  ASSERT_NE(page, nullptr);
  HWND h = page->hwnd();
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));  // the first showing fetched
  EXPECT_NE(record().find("GET /data/101010100.html", before), std::string::npos);
  EXPECT_EQ(text(h, kWeatherCityLabel), "北京");
  page->setToday(2026, 12, 8);
  page->refresh();
  EXPECT_TRUE(page->busy());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, kWeatherRefreshButton)));
  page->refresh();  // a second request while one runs is dropped
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_EQ(text(h, kWeatherCityLabel), "北京");
  EXPECT_EQ(text(h, kWeatherTodayWeather), "阴");
  EXPECT_EQ(text(h, kWeatherTodayTemperature), "3℃~-6℃");
  EXPECT_EQ(text(h, kWeatherTodayWind), "北风3-4级");
  EXPECT_EQ(text(h, kWeatherTodayUpdated), "08:00");
  EXPECT_EQ(text(h, kWeatherIndexFirst), "寒冷");
  EXPECT_EQ(text(h, kWeatherIndexFirst + 7), "不宜");
  EXPECT_EQ(text(h, kWeatherIndexFirst + 1), "");  // a missing member stays empty
  EXPECT_EQ(page->todayIcon(), 2);                 // code 99
  HWND list = GetDlgItem(h, kWeatherForecastList);
  ASSERT_EQ(ListView_GetItemCount(list), 6);
  EXPECT_EQ(cell(list, 0, 0), "今天");
  EXPECT_EQ(cell(list, 0, 1), "星期二");
  EXPECT_EQ(cell(list, 1, 0), "2026-12-09");
  EXPECT_EQ(cell(list, 1, 2), "霾");
  EXPECT_EQ(imageOf(list, 0), 2);
  EXPECT_EQ(imageOf(list, 1), 11);  // code 32
  EXPECT_EQ(imageOf(list, 2), 0);   // absent: read as 0
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, kWeatherRefreshButton)));
}

TEST_F(InfoPages, WeatherOfAnUnknownCityAsksForBeijingsCode) {
  writeSetting("city", "火星城");
  writeSetting("province", "火星");
  const size_t before = record().size();
  WeatherPage* page = show<WeatherPage>(kGroupWelcome, kPageWeather);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_NE(record().find("GET /data/101010100.html", before), std::string::npos);
}

TEST_F(InfoPages, WeatherOfAChosenCityAndABrokenReply) {
  writeSetting("city", "海淀");
  writeSetting("province", "北京");
  writeFile(folder() + "\\websim-data\\weather\\101010200.json", "{\"weatherinfo\":{\"city\":");
  WeatherPage* page = show<WeatherPage>(kGroupWelcome, kPageWeather);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_EQ(text(page->hwnd(), kWeatherStatusLabel), "获取天气信息失败");
  EXPECT_EQ(text(page->hwnd(), kWeatherCityLabel), "海淀");
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(page->hwnd(), kWeatherForecastList)), 0);
  // The generated forecast once the file is gone.
  DeleteFileA((folder() + "\\websim-data\\weather\\101010200.json").c_str());
  page->refresh();
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_EQ(text(page->hwnd(), kWeatherCityLabel), "海淀");
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(page->hwnd(), kWeatherForecastList)), 6);
  shot("weather-page.png");
}

// A failed fetch for another city leaves the forecast shown under the name of its own city; a
// city chosen while a fetch runs is fetched once that one ends.
TEST_F(InfoPages, WeatherKeepsItsCityOverItsForecastAndFetchesACityChosenMeanwhile) {
  writeFile(folder() + "\\websim-data\\weather\\101010100.json", toUtf8(kBeijingReply));
  writeFile(folder() + "\\websim-data\\weather\\101010200.json", "{\"weatherinfo\":{\"city\":");
  WeatherPage* page = show<WeatherPage>(kGroupWelcome, kPageWeather);
  ASSERT_NE(page, nullptr);
  HWND h = page->hwnd();
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  ASSERT_EQ(text(h, kWeatherCityLabel), "北京");
  writeSetting("city", "海淀");
  writeSetting("province", "北京");
  page->refresh();
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_EQ(text(h, kWeatherStatusLabel), "获取天气信息失败");
  EXPECT_EQ(text(h, kWeatherCityLabel), "北京");  // the forecast below is still Beijing's
  EXPECT_EQ(text(h, kWeatherTodayWeather), "阴");
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(h, kWeatherForecastList)), 6);

  // Beijing again, and while it is fetched the user picks 海淀 (whose forecast is generated now).
  DeleteFileA((folder() + "\\websim-data\\weather\\101010200.json").c_str());
  writeSetting("city", "北京");
  const size_t before = record().size();
  page->refresh();
  ASSERT_TRUE(page->busy());
  writeSetting("city", "海淀");
  page->refresh();  // as "天气设置" does after OK
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  const std::string asked = record().substr(before);
  EXPECT_NE(asked.find("GET /data/101010200.html"), std::string::npos) << asked;
  EXPECT_EQ(text(h, kWeatherCityLabel), "海淀");
  EXPECT_EQ(text(h, kWeatherStatusLabel), "");
  DeleteFileA((folder() + "\\websim-data\\weather\\101010100.json").c_str());
}

// Picks 辽宁 / its third city in the dialog, then (next tick, once drawn) keeps a picture and
// presses OK: timers run inside the dialog's modal loop.
VOID CALLBACK driveSettings(HWND, UINT, UINT_PTR id, DWORD) {
  static int step = 0;
  HWND dialog = FindWindowA("#32770", "天气设置 - Zorvik");
  if (!dialog) return;
  if (step++ == 0) {
    HWND provinces = GetDlgItem(dialog, IDC_WEATHER_PROVINCE);
    SendMessageA(provinces, CB_SETCURSEL, 9, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_WEATHER_PROVINCE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(provinces));
    SendMessageA(GetDlgItem(dialog, IDC_WEATHER_CITY), CB_SETCURSEL, 2, 0);
    return;
  }
  KillTimer(nullptr, id);
  step = 0;
  test::saveWindowPng(dialog, test::artifactPath("weather-settings.png"));
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(InfoPages, SettingsDialogStoresTheFourValues) {
  WeatherPage* page = show<WeatherPage>(kGroupWelcome, kPageWeather);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  SetTimer(nullptr, 0, 300, driveSettings);
  click(page->hwnd(), kWeatherSettingsButton);  // modal until the timer presses OK; then fetches
  EXPECT_EQ(readSetting("province").value_or(""), "辽宁");
  const auto cities = weatherCitiesOf("辽宁");
  ASSERT_GT(cities.size(), 2u);
  EXPECT_EQ(readSetting("city").value_or(""), cities[2]->city);
  EXPECT_EQ(readSettingNumber("provinceIndex").value_or(99), 9u);
  EXPECT_EQ(readSettingNumber("cityIndex").value_or(99), 2u);
  const size_t before = record().size();
  ASSERT_TRUE(pumpUntil([&] { return !page->busy(); }, 20000));
  EXPECT_NE(record().find(std::string("GET /data/") + cities[2]->code, before > 200 ? before - 200 : 0),
            std::string::npos);
}

TEST_F(InfoPages, UpdateCheckListsTheDocumentNewestOnTop) {
  writeFile(folder() + "\\websim-data\\update.xml",
            toUtf8("<?xml version=\"1.0\" encoding=\"utf-8\"?><root><item type=\"VERSION\"><v>2.0.0.0</v>"
                   "<p>机型 500</p><s>短信 900</s><f>论坛</f></item><item type=\"detail\"><add>天气</add>"
                   "<remove>不认识</remove><fix>崩溃</fix></item></root>"));
  UpgradePage* page = show<UpgradePage>(kGroupWelcome, kPageUpgrade);
  ASSERT_NE(page, nullptr);
  HWND h = page->hwnd();
  EXPECT_EQ(text(h, kUpgradeCurrentVersion), "1.0.0.1");
  click(h, kUpgradeCheckButton);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, kUpgradeCheckButton)));
  ASSERT_TRUE(pumpUntil([&] { return !page->checking(); }, 20000));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, kUpgradeCheckButton)));
  EXPECT_EQ(text(h, kUpgradeLatestVersion), "2.0.0.0");
  HWND list = GetDlgItem(h, kUpgradeList);
  ASSERT_EQ(ListView_GetItemCount(list), 5);
  EXPECT_EQ(cell(list, 0, 1), "漏洞修复");
  EXPECT_EQ(cell(list, 0, 2), "崩溃");
  EXPECT_EQ(imageOf(list, 0), 2);
  EXPECT_EQ(cell(list, 1, 1), "新增功能");
  EXPECT_EQ(imageOf(list, 1), 0);
  EXPECT_EQ(cell(list, 4, 1), "手机参数");
  EXPECT_EQ(cell(list, 4, 2), "机型 500");
  EXPECT_EQ(imageOf(list, 4), 3);
  shot("upgrade-page.png");

  // The same document once more: its rows once, not twice.
  click(h, kUpgradeCheckButton);
  ASSERT_TRUE(pumpUntil([&] { return !page->checking(); }, 20000));
  EXPECT_EQ(ListView_GetItemCount(list), 5);
  EXPECT_EQ(cell(list, 0, 2), "崩溃");

  // A document the parser refuses: the failure is shown, the list keeps its rows.
  writeFile(folder() + "\\websim-data\\update.xml", "<root><item type='detail'><add>x</root>");
  click(h, kUpgradeCheckButton);
  ASSERT_TRUE(pumpUntil([&] { return !page->checking(); }, 20000));
  EXPECT_EQ(text(h, kUpgradeStatusLabel), "检查更新失败，请稍后再试");
  EXPECT_EQ(ListView_GetItemCount(list), 5);
  DeleteFileA((folder() + "\\websim-data\\update.xml").c_str());
}

std::vector<unsigned char> phoneInfoReply(int32_t client, int32_t sdk, const std::string& model) {
  std::vector<unsigned char> r;
  auto word = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) r.push_back(static_cast<unsigned char>(v >> s));
  };
  const uint32_t body = 4 + 4 + 4 + 4 + static_cast<uint32_t>(model.size());
  word(body);
  word(0);
  word(static_cast<uint32_t>(client));
  word(static_cast<uint32_t>(sdk));
  word(static_cast<uint32_t>(model.size()));
  r.insert(r.end(), model.begin(), model.end());
  return r;
}

TEST_F(InfoPages, FeedbackIsPrefilledCheckedSentAndLimitedToFive) {
  test::LoopbackServer agent({{.requestSize = 4, .reply = phoneInfoReply(42, 8, "Nexus One")}});
  setAgentPort(agent.port());
  PageDataTable::instance().forget(kKeyHelp);
  HelpPage* page = show<HelpPage>(kGroupWelcome, kPageHelp);
  ASSERT_NE(page, nullptr);
  HWND h = page->hwnd();
  ASSERT_TRUE(pumpUntil([&] { return !page->loading(); }, 10000));
  EXPECT_EQ(text(h, kHelpModelEdit), "Nexus One");
  EXPECT_EQ(text(h, kHelpFirmwareEdit), versionNameForSdk(8));
  EXPECT_EQ(PageDataTable::instance().state(kKeyHelp), PageDataState::Loaded);

  std::vector<std::string> opened;
  page->setUrlOpener([&](const std::string& url) { opened.push_back(url); });
  for (int id = kHelpMailButton; id <= kHelpSiteButton; ++id) click(h, id);
  ASSERT_EQ(opened.size(), 4u);
  EXPECT_EQ(opened[0].rfind("mailto:", 0), 0u);

  // The licence notices: the file beside the program, as the build (and setup) put it there.
  const std::string notices = programFolder() + "THIRD-PARTY-NOTICES.txt";
  click(h, kHelpNoticesButton);
  ASSERT_EQ(opened.size(), 5u);
  EXPECT_EQ(opened[4], notices);
  const std::string head = readFile(notices).substr(0, 200);
  EXPECT_EQ(head.rfind("\xEF\xBB\xBF", 0), 0u);  // UTF-8 that Notepad reads as such
  EXPECT_NE(head.find("THIRD-PARTY-NOTICES.txt"), std::string::npos);
  // Gone from the folder: the page says so instead of opening nothing.
  ASSERT_TRUE(MoveFileA(notices.c_str(), (notices + ".away").c_str()));
  click(h, kHelpNoticesButton);
  MoveFileA((notices + ".away").c_str(), notices.c_str());
  EXPECT_EQ(opened.size(), 5u);
  EXPECT_EQ(text(h, kHelpStatusLabel), kHelpNoticesMissing);

  // Three bytes of content: refused, not counted.
  SetDlgItemTextA(h, kHelpContentEdit, "好a");
  click(h, kHelpSubmitButton);
  EXPECT_EQ(text(h, kHelpStatusLabel), "您的反馈内容过少");
  EXPECT_EQ(page->gate().count(), 0);

  SendMessageA(GetDlgItem(h, kHelpPlatformList), CB_SETCURSEL, 1, 0);
  SetDlgItemTextA(h, kHelpContentEdit, "同步联系人时断开 & 重连");
  SetDlgItemTextA(h, kHelpQqEdit, "10001");
  const size_t before = record().size();
  click(h, kHelpSubmitButton);
  EXPECT_EQ(text(h, kHelpStatusLabel), "正在提交，请稍等...");
  EXPECT_EQ(PageDataTable::instance().state(kKeyHelp), PageDataState::Loading);
  ASSERT_TRUE(pumpUntil([&] { return !page->gate().running(); }, 20000));
  EXPECT_EQ(text(h, kHelpStatusLabel), "感谢您的支持，反馈信息我们已收到 :)");
  EXPECT_EQ(PageDataTable::instance().state(kKeyHelp), PageDataState::Loaded);
  const std::string got = record().substr(before);
  EXPECT_EQ(got.rfind("POST /feedback/feedback.php feedback={", 0), 0u) << got;
  EXPECT_NE(got.find("\"Platform\" : \"Ophone\""), std::string::npos) << got;
  EXPECT_NE(got.find("\"Client\" : 42"), std::string::npos);
  EXPECT_NE(got.find("\"Model\" : \"Nexus One\""), std::string::npos);
  EXPECT_NE(got.find("\"QQ\" : \"10001\""), std::string::npos);
  EXPECT_NE(got.find("\"Pc\" : " + std::to_string(runningWindowsPc())), std::string::npos);
  EXPECT_EQ(got.find('&'), got.find("}\n&") + 2);  // the field's end is the body's only '&'
  shot("help-page.png");

  // Four more, then the sixth click does nothing at all.
  for (int i = 0; i < 4; ++i) {
    click(h, kHelpSubmitButton);
    ASSERT_TRUE(pumpUntil([&] { return !page->gate().running(); }, 20000));
  }
  EXPECT_EQ(page->gate().count(), 5);
  SetDlgItemTextA(h, kHelpStatusLabel, "");
  const size_t sent = record().size();
  click(h, kHelpSubmitButton);
  pump(500);
  EXPECT_EQ(text(h, kHelpStatusLabel), "");
  EXPECT_EQ(record().size(), sent);
  setAgentPort(kAgentPort);
}

TEST_F(InfoPages, FeedbackFormStaysEmptyWhenThePhoneIsAway) {
  test::LoopbackServer agent({{.requestSize = 4, .closeWithoutReply = true}});
  setAgentPort(agent.port());
  PageDataTable::instance().forget(kKeyHelp);
  HelpPage* page = show<HelpPage>(kGroupWelcome, kPageHelp);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !page->loading(); }, 10000));
  EXPECT_EQ(text(page->hwnd(), kHelpModelEdit), "");
  EXPECT_FALSE(PageDataTable::instance().contains(kKeyHelp));  // the next visit tries again
  setAgentPort(kAgentPort);
}

// A reply too short for its fields is a failed load that says so, not a phone with nothing to tell.
TEST_F(InfoPages, FeedbackFormSaysSoWhenThePhonesReplyIsCut) {
  std::vector<unsigned char> shortReply = phoneInfoReply(42, 8, "Nexus One");
  shortReply.resize(12);  // the length word and eight bytes of body
  shortReply[3] = 8;
  test::LoopbackServer agent({{.requestSize = 4, .reply = shortReply}});
  setAgentPort(agent.port());
  PageDataTable::instance().forget(kKeyHelp);
  HelpPage* page = show<HelpPage>(kGroupWelcome, kPageHelp);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !page->loading(); }, 10000));
  setAgentPort(kAgentPort);
  EXPECT_EQ(text(page->hwnd(), kHelpModelEdit), "");
  EXPECT_FALSE(PageDataTable::instance().contains(kKeyHelp));
  char status[256] = {};
  GetDlgItemTextA(window->hwnd(), IDC_STATUS_LINE, status, sizeof status);
  EXPECT_STREQ(status, "【X】连接中断：手机端的回复不完整");
}

TEST(FeedbackCheckSum, RealDigestsOfTheUtf8Texts) {
  // Expected values from Python's hashlib over the same UTF-8 bytes.
  const std::string content = toUtf8("同步联系人时断开");
  EXPECT_EQ(md5hex("Ophone"), "707f2b61be20b87a69d6c88ea782a1a1");
  EXPECT_EQ(md5hex(content), "f6a3e0b9d50d51becb8ce5540038ef9c");
  EXPECT_EQ(feedbackCheckSum("Ophone", content, md5hex), "1477587c21105ed6");
}

}  // namespace
}  // namespace zorvik
