// The system information page, the phone settings page and the home dashboard against the virtual
// phone's agent, under Wine: the nineteen rows and their texts, the settings' load rules and
// writes (seen by the phone and after a reload), the dashboard's fill and its link commands, the
// phone refusing or going silent; and the time from "连接成功:)" to a filled dashboard and list.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>

#include "PageTestSupport.h"
#include "ui/Controls.h"
#include "app/ConnectionLink.h"
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "devlink/AdbBridge.h"
#include "devlink/CurrentDevice.h"
#include "manage/system/win/HomePage.h"
#include "manage/system/PhoneFacts.h"
#include "manage/system/win/PhoneSettingsPage.h"
#include "manage/system/PhoneSettingsWire.h"
#include "manage/system/win/SystemInfoPage.h"
#include "app/resource.h"

namespace zorvik {
namespace {

using test::phoneControl;
using test::pump;
using test::pumpUntil;
using test::ShortDeadlines;
using test::TestHost;

PhoneFacts phoneFacts() {
  AgentBody body;
  EXPECT_EQ(exchangeForBody(phoneFactsRequest(), body), AgentResult::Ok);
  PhoneFacts f;
  EXPECT_EQ(parsePhoneFacts(body.bytes.data(), body.bytes.size(), f), FactsRead::Complete);
  return f;
}

PhoneSettingValues phoneSettings() {
  AgentBody body;
  EXPECT_EQ(exchangeForBody(readSettingsRequest(), body), AgentResult::Ok);
  PhoneSettingValues v;
  EXPECT_TRUE(parsePhoneSettings(body.bytes.data(), body.bytes.size(), v));
  return v;
}

void setOnPhone(PhoneSetting n, int32_t value) {
  int32_t status = 0;
  ASSERT_EQ(exchangeForStatus(changeSettingRequest(n, value), &status), AgentResult::Ok);
  ASSERT_EQ(status, 1);
}

// One page in a frame as the main window holds it, against the virtual phone.
template <typename P>
class PageFixture : public ::testing::Test {
protected:
  void make(PageId id) {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    phoneControl("reset");
    ASSERT_TRUE(ui_.open(id, "Phone pages test", 860, 520));
    page_ = ui_.page.get();
    host_ = ui_.host.get();
  }
  void TearDown() override {
    phoneControl("reset");
    ui_.close();
  }
  test::PageUnderTest<P> ui_;
  P* page_ = nullptr;
  TestHost* host_ = nullptr;
};

// ---- system information

class SystemInfoPageTest : public PageFixture<SystemInfoPage> {
protected:
  void SetUp() override { make(kPageSystemInfo); }
  void loadNow() {
    page_->reload();
    ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 20000));
  }
};

TEST_F(SystemInfoPageTest, NineteenRowsWithThePhonesFacts) {
  ASSERT_EQ(findPage(kPageSystemInfo)->pageKey, 10);
  ListView view(page_->list());
  ASSERT_EQ(view.columnCount(), 4);
  const char* titles[] = {"", "类型", "详细信息", "主流对比"};
  const int widths[] = {30, 80, 448, 200};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), 19);
  EXPECT_EQ(view.cell(0, 1), "手机型号");
  EXPECT_EQ(view.cell(18, 1), "扩展硬件");
  EXPECT_EQ(view.cell(0, 2), "");  // nothing before the load
  loadNow();
  EXPECT_EQ(PageDataTable::instance().state(10), PageDataState::Loaded);
  EXPECT_EQ(host_->status(), "");
  const PhoneFacts f = phoneFacts();
  EXPECT_EQ(view.cell(0, 2), f.model);
  const std::string uptime = view.cell(1, 2);
  ASSERT_FALSE(uptime.empty());
  EXPECT_EQ(uptime.back(), '\n');
  EXPECT_NE(uptime.find(" 天 "), std::string::npos);
  EXPECT_EQ(view.cell(6, 2), f.battery + " %");
  EXPECT_EQ(view.cell(10, 2), f.sd);
  EXPECT_EQ(view.cell(11, 2), f.gps == 1 ? "是" : "已禁用");
  EXPECT_EQ(view.cell(12, 2), f.bluetooth == 1 ? "是" : "已禁用");
  char brightness[32];
  std::snprintf(brightness, sizeof brightness, "%d / 255", f.brightness);
  EXPECT_EQ(view.cell(17, 2), brightness);
  EXPECT_EQ(view.cell(18, 2), "无");
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("system_info_page.png"));
}

TEST_F(SystemInfoPageTest, RefusalAndCutRepliesKeepTheRows) {
  loadNow();
  ListView view(page_->list());
  const std::string model = view.cell(0, 2);
  ASSERT_EQ(phoneControl("reply noreply 870004").rfind("OK", 0), 0u);
  loadNow();
  EXPECT_EQ(view.cell(0, 2), model);
  EXPECT_EQ(host_->status(), "");
  phoneControl("reset");
  ASSERT_EQ(phoneControl("reply truncate 870004 30").rfind("OK", 0), 0u);
  const int fills = page_->fills();
  loadNow();
  EXPECT_EQ(page_->fills(), fills);
  EXPECT_EQ(view.cell(0, 2), model);
  EXPECT_NE(host_->status(), "");
  EXPECT_NE(PageDataTable::instance().state(10), std::optional<PageDataState>(PageDataState::Loaded));
}

TEST_F(SystemInfoPageTest, SilentPhoneEndsAtTheDeadline) {
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  page_->reload();
  ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 5000));
  using Ms = std::chrono::duration<double, std::milli>;
  EXPECT_LT(Ms(std::chrono::steady_clock::now() - t0).count(), 3000.0);
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(page_->fills(), 0);
}

// ---- phone settings

class PhoneSettingsPageTest : public PageFixture<PhoneSettingsPage> {
protected:
  void SetUp() override {
    make(kPagePhoneSettings);
    if (IsSkipped()) return;
    saved_ = phoneSettings();
  }
  void TearDown() override {
    if (page_) pumpUntil([&] { return page_->writesPending() == 0; }, 5000);
    phoneControl("reset");
    if (saved_ && page_)
      for (int n = 0; n < kPhoneSettingCount; ++n) setOnPhone(static_cast<PhoneSetting>(n), saved_->value[n]);
    PageFixture::TearDown();
  }
  void loadNow() {
    page_->reload();
    ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 20000));
  }
  void settle() { ASSERT_TRUE(pumpUntil([&] { return page_->writesPending() == 0; }, 10000)); }
  bool checked(PhoneSetting n) { return Button(page_->control(n)).checked(); }
  int position(PhoneSetting n) { return ComboBox(page_->control(n)).selected(); }
  // As the user does it: a new position, and the list's notice to its page.
  void choose(PhoneSetting n, int pos) {
    ComboBox(page_->control(n)).select(pos);
    SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(PhoneSettingsPage::kFirstControlId + n, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(page_->control(n)));
  }
  std::optional<PhoneSettingValues> saved_;
};

TEST_F(PhoneSettingsPageTest, ControlsShowThePhonesValues) {
  ASSERT_EQ(findPage(kPagePhoneSettings)->pageKey, 11);
  for (int n = 0; n < kPhoneSettingCount; ++n)  // no input until the phone's values are in
    EXPECT_FALSE(IsWindowEnabled(page_->control(static_cast<PhoneSetting>(n)))) << n;
  ComboBox timeout(page_->control(kSettingTimeout));
  ASSERT_EQ(timeout.count(), 6);
  EXPECT_EQ(timeout.itemText(4), "10 分钟");
  ComboBox ringer(page_->control(kSettingRinger));
  ASSERT_EQ(ringer.count(), 8);
  EXPECT_EQ(ringer.itemText(0), "0 静音");
  EXPECT_EQ(ringer.itemText(7), "7 最大");
  ASSERT_EQ(ComboBox(page_->control(kSettingMusic)).count(), 16);
  EXPECT_EQ(ComboBox(page_->control(kSettingDateFormat)).itemText(1), "XX月XX日XXXX年");
  loadNow();
  EXPECT_EQ(PageDataTable::instance().state(11), PageDataState::Loaded);
  const PhoneSettingValues v = phoneSettings();
  for (PhoneSetting n : {kSettingWifi, kSettingBluetooth, kSettingAirplane, kSettingGps, kSettingRotation,
                         kSettingVibrate, kSettingTime24})
    EXPECT_EQ(checked(n), v.value[n] == 1) << n;
  for (int n = 0; n < kPhoneSettingCount; ++n)
    EXPECT_TRUE(IsWindowEnabled(page_->control(static_cast<PhoneSetting>(n)))) << n;
  EXPECT_EQ(position(kSettingTimeout), timeoutPosition(v.value[kSettingTimeout]));
  EXPECT_EQ(position(kSettingRinger), v.value[kSettingRinger]);
  EXPECT_EQ(position(kSettingMusic), v.value[kSettingMusic]);
  EXPECT_EQ(position(kSettingDateFormat), v.value[kSettingDateFormat]);
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("phone_settings_page.png"));
}

TEST_F(PhoneSettingsPageTest, ChangesReachThePhoneAndShowAfterReload) {
  loadNow();
  setOnPhone(kSettingBluetooth, 1);
  loadNow();
  ASSERT_TRUE(checked(kSettingBluetooth));
  Button(page_->control(kSettingBluetooth)).click();  // the user turns Bluetooth off
  EXPECT_FALSE(checked(kSettingBluetooth));
  const int fills = page_->fills();
  choose(kSettingTimeout, 4);  // "10 分钟"
  choose(kSettingMusic, 15);
  settle();
  EXPECT_EQ(page_->fills(), fills);  // no reload by itself
  EXPECT_EQ(host_->status(), "");
  const PhoneSettingValues v = phoneSettings();
  EXPECT_EQ(v.value[kSettingBluetooth], 0);
  EXPECT_EQ(v.value[kSettingTimeout], 600000);
  EXPECT_EQ(v.value[kSettingMusic], 15);
  choose(kSettingTimeout, 0);  // shows the reload reads the phone, not the controls
  settle();
  setOnPhone(kSettingTimeout, 600000);
  loadNow();
  EXPECT_FALSE(checked(kSettingBluetooth));
  EXPECT_EQ(position(kSettingTimeout), 4);
  EXPECT_EQ(position(kSettingMusic), 15);
}

TEST_F(PhoneSettingsPageTest, FailedLoadLeavesTheControlsClosed) {
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply truncate 871501 20").rfind("OK", 0), 0u);
  loadNow();
  EXPECT_NE(host_->status(), "");
  for (int n = 0; n < kPhoneSettingCount; ++n)
    EXPECT_FALSE(IsWindowEnabled(page_->control(static_cast<PhoneSetting>(n)))) << n;
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("phone_settings_closed.png"));
}

// Ten quick changes, as fast as the user clicks (no message turn between them): the phone ends at
// the last of each, the waiting writes of a setting collapse, and what left left in click order.
TEST_F(PhoneSettingsPageTest, RapidClicksEndAtTheLastValues) {
  setOnPhone(kSettingMusic, 0);
  setOnPhone(kSettingGps, 0);
  loadNow();
  for (int i = 1; i <= 10; ++i) {
    choose(kSettingMusic, i);
    if (i < 10) Button(page_->control(kSettingGps)).click();  // nine times: ends on
  }
  EXPECT_EQ(position(kSettingMusic), 10);
  EXPECT_TRUE(checked(kSettingGps));
  settle();
  EXPECT_EQ(host_->status(), "");
  // The first change left at once; the other eighteen collapsed into one write per setting.
  EXPECT_EQ(page_->writesSent(), 3);
  const PhoneSettingValues v = phoneSettings();
  EXPECT_EQ(v.value[kSettingMusic], 10);
  EXPECT_EQ(v.value[kSettingGps], 1);
  loadNow();
  EXPECT_EQ(position(kSettingMusic), 10);
  EXPECT_TRUE(checked(kSettingGps));
}

// A change made while a slow read is under way is neither put back by the read nor lost.
TEST_F(PhoneSettingsPageTest, ALoadNeverPutsBackALaterChange) {
  setOnPhone(kSettingBluetooth, 0);
  setOnPhone(kSettingTimeout, 15000);
  loadNow();
  ASSERT_FALSE(checked(kSettingBluetooth));
  ASSERT_EQ(phoneControl("reply pieces 8 100").rfind("OK", 0), 0u);
  const int fills = page_->fills();
  page_->reload();
  ASSERT_TRUE(page_->loading());
  Button(page_->control(kSettingBluetooth)).click();  // the user turns Bluetooth on meanwhile
  choose(kSettingTimeout, 4);
  ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 20000));
  EXPECT_EQ(page_->fills(), fills + 1);
  EXPECT_TRUE(checked(kSettingBluetooth));
  EXPECT_EQ(position(kSettingTimeout), 4);
  settle();
  ASSERT_EQ(phoneControl("reply pieces 0 0").rfind("OK", 0), 0u);
  const PhoneSettingValues v = phoneSettings();
  EXPECT_EQ(v.value[kSettingBluetooth], 1);
  EXPECT_EQ(v.value[kSettingTimeout], 600000);
}

// The system settings and the volumes, which the phone lets the agent change.
TEST_F(PhoneSettingsPageTest, SystemSettingsAndVolumesReachThePhone) {
  loadNow();
  const bool rotation = checked(kSettingRotation);
  Button(page_->control(kSettingRotation)).click();
  choose(kSettingTimeout, 4);  // "10 分钟"
  choose(kSettingMusic, 15);
  choose(kSettingDateFormat, 2);
  settle();
  EXPECT_EQ(host_->status(), "");
  const PhoneSettingValues v = phoneSettings();
  EXPECT_EQ(v.value[kSettingRotation], rotation ? 0 : 1);
  EXPECT_EQ(v.value[kSettingTimeout], 600000);
  EXPECT_EQ(v.value[kSettingMusic], 15);
  EXPECT_EQ(v.value[kSettingDateFormat], 2);
}

// What the phone lets no app switch: the phone's reason in the status line, and the switch back
// at the phone's own value. The package's agent refuses Wi-Fi by itself; vphone is told to.
TEST_F(PhoneSettingsPageTest, ARefusedChangeSaysWhyAndShowsThePhonesValue) {
  loadNow();
  if (!std::getenv("ZORVIK_JVM_AGENT")) {
    ASSERT_EQ(phoneControl("reply refuse 871502 setting").rfind("OK", 0), 0u);
  }
  const bool before = checked(kSettingWifi);
  const int fills = page_->fills();
  Button(page_->control(kSettingWifi)).click();
  EXPECT_EQ(checked(kSettingWifi), !before);
  ASSERT_TRUE(pumpUntil([&] { return page_->fills() > fills && !page_->busy(); }, 10000));
  EXPECT_EQ(host_->status(), agentRefusalText(AgentRefusal::SettingNotChangeable));
  EXPECT_EQ(checked(kSettingWifi), before);
  phoneControl("reply refuse off");
  EXPECT_EQ(phoneSettings().value[kSettingWifi] == 1, before);
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("phone_settings_refused.png"));
}

TEST_F(PhoneSettingsPageTest, OddPhoneValuesFollowTheLoadRules) {
  setOnPhone(kSettingTimeout, 45000);
  setOnPhone(kSettingMusic, 16);
  setOnPhone(kSettingRinger, -3);
  setOnPhone(kSettingWifi, 2);  // only 1 is on
  loadNow();
  EXPECT_EQ(position(kSettingTimeout), -1);
  EXPECT_EQ(position(kSettingMusic), 0);
  EXPECT_EQ(position(kSettingRinger), 0);
  EXPECT_FALSE(checked(kSettingWifi));
}

TEST_F(PhoneSettingsPageTest, WriteToASilentPhoneKeepsTheUsersChange) {
  loadNow();
  ShortDeadlines deadlines;
  const bool before = checked(kSettingGps);
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  Button(page_->control(kSettingGps)).click();
  settle();
  EXPECT_EQ(checked(kSettingGps), !before);
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
}

// ---- the dashboard

class HomePageTest : public PageFixture<HomePage> {
protected:
  void SetUp() override { make(kPageMyPhone); }
  void loadNow() {
    page_->load();
    ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 20000));
  }
};

TEST_F(HomePageTest, FillsTheModelLinkAndWidgetsFromThePhone) {
  page_->onShown();
  loadNow();
  EXPECT_EQ(page_->fills(), 1);
  const PhoneFacts f = phoneFacts();
  EXPECT_EQ(page_->modelHtml(), "<a href='vko:device'>" + f.model + "</a>");
  EXPECT_EQ(page_->widgetsHtml(), dashboardWidgetsHtml(f));
  EXPECT_NE(page_->widgetsHtml().find(f.battery + " %</span>"), std::string::npos);
  ASSERT_EQ(phoneControl("reply noreply 870004").rfind("OK", 0), 0u);
  loadNow();
  EXPECT_EQ(page_->fills(), 1);  // nothing filled
  phoneControl("reset");
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  loadNow();
  EXPECT_EQ(page_->fills(), 1);
  EXPECT_EQ(host_->status(), "【X】连接超时：手机端没有响应");
  EXPECT_FALSE(page_->widgetsHtml().empty());  // the last content stays
  pump(300);
  test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("home_page.png"));
}

TEST_F(HomePageTest, LinkCommandsReachTheMainWindow) {
  const std::string tools = std::to_string(kGroupTools), store = "showPage " + std::to_string(kGroupDownloads) + " " +
                                                                  std::to_string(kPageStore);
  auto show = [&](int page) { return "showPage " + tools + " " + std::to_string(page); };
  const std::pair<const char*, std::string> cases[] = {
      {"device", "deviceManager"},
      {"appstore", store},
      {"advanced", show(kPageScreenCapture)},
      {"os", show(kPageSystemInfo)},
      {"Space", show(kPageSystemInfo)},
      {"battery", show(kPageSystemInfo)},
      {"gps", show(kPagePhoneSettings)},
      {"BLUETOOTH", show(kPagePhoneSettings)},
      {"gravity", show(kPagePhoneSettings)},
      {"wifi", show(kPagePhoneSettings)},
      {"2220", "storeItem 2220"},
  };
  host_->takeCalls();
  for (const auto& [command, call] : cases) {
    page_->runCommand(command);
    EXPECT_EQ(host_->takeCalls(), std::vector<std::string>{call}) << command;
  }
  for (const char* nothing : {"screenshot", "javascript:alert(1)", ""}) {
    page_->runCommand(nothing);
    EXPECT_TRUE(host_->takeCalls().empty()) << nothing;
    EXPECT_FALSE(page_->loading());
  }
  page_->runCommand("REFRESH");
  EXPECT_TRUE(page_->loading());
  ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 20000));
  EXPECT_EQ(page_->fills(), 1);
}

// ---- the dashboard's pictures are the program's own

TEST(DashboardResources, EveryWidgetPictureIsAnHtmlResourceOfTheProgram) {
  std::set<std::string> pictures;
  for (const char* battery : {"0", "15", "50", "100"}) {
    PhoneFacts f;
    f.battery = battery;
    const std::string html = dashboardWidgetsHtml(f);
    const std::regex src("src='([^']*)'");
    for (std::sregex_iterator i(html.begin(), html.end(), src), end; i != end; ++i) pictures.insert((*i)[1]);
  }
  EXPECT_EQ(pictures.size(), 10u);  // six widgets and four battery levels
  for (const std::string& name : pictures) {
    HRSRC found = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(23));  // RT_HTML, by bare name
    ASSERT_NE(found, nullptr) << name;
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(data, nullptr) << name;
    EXPECT_EQ(std::string(data, 6), "GIF89a") << name;
  }
  HRSRC page = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HTML_HOME), MAKEINTRESOURCEA(23));
  ASSERT_NE(page, nullptr);
  const std::string home(static_cast<const char*>(LockResource(LoadResource(nullptr, page))),
                         SizeofResource(nullptr, page));
  for (const char* id : {"manufacturer", "info_ul", "status_os", "appslist", "articlelist", "head_other", "screenshot"})
    EXPECT_NE(home.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
}

// ---- from the connection to the filled dashboard and list, in the real main window

TEST(PhonePagesBench, ConnectedToFilledDashboardAndSystemInformation) {
  const char* adbPort = std::getenv("ZORVIK_TEST_ADB_PORT");
  if (!adbPort || !std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
  phoneControl("reset");
  setCurrentSerial("");
  setAdbServerPort(static_cast<uint16_t>(std::atoi(adbPort)));
  ConnectionOptions options;
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string dir(exe);
  options.adbPath = dir.substr(0, dir.find_last_of('\\') + 1) + "adb.exe";
  options.agentStartWaitMs = 200;  // the phone's agent already runs; this is not what is measured
  ConnectionLink link(options);
  MainWindow window(link.windowOptions(false));
  link.attach(window);
  ASSERT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  auto* home = dynamic_cast<HomePage*>(window.page(kPageMyPhone));
  auto* info = dynamic_cast<SystemInfoPage*>(window.page(kPageSystemInfo));
  ASSERT_NE(home, nullptr);
  ASSERT_NE(info, nullptr);
  char label[128] = {};
  ASSERT_TRUE(pumpUntil([&] {
    GetDlgItemTextA(window.hwnd(), IDC_CONNECTION_LABEL, label, sizeof label);
    return std::string(label) == "连接成功:)";
  }, 60000)) << label;
  const auto connected = std::chrono::steady_clock::now();
  ASSERT_TRUE(pumpUntil([&] { return home->fills() > 0; }, 10000));
  const auto dashboard = std::chrono::steady_clock::now();
  PostMessageA(window.hwnd(), kMsgShowPage, kGroupTools, kPageSystemInfo);
  ASSERT_TRUE(pumpUntil([&] { return info->fills() > 0; }, 10000));
  const auto list = std::chrono::steady_clock::now();
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("[bench] connected -> dashboard filled: %.1f ms (timer %u ms); -> system information filled "
              "(page shown right after): %.1f ms more, %.1f ms in all\n",
              ms(connected, dashboard), kDashboardTimerMs, ms(dashboard, list), ms(connected, list));
  EXPECT_LT(ms(connected, dashboard), 1000.0 + kDashboardTimerMs);
  EXPECT_LT(ms(connected, list), 1000.0 + kDashboardTimerMs);
  EXPECT_NE(home->widgetsHtml().find("vko:gravity"), std::string::npos);
  EXPECT_EQ(ListView(info->list()).cell(0, 2), phoneFacts().model);
  pump(300);
  test::saveWindowPng(window.hwnd(), test::artifactPath("mainwindow-system-info.png"));
  PostMessageA(window.hwnd(), kMsgShowPage, kGroupTools, kPagePhoneSettings);
  pump(1500);
  test::saveWindowPng(window.hwnd(), test::artifactPath("mainwindow-phone-settings.png"));
  PostMessageA(window.hwnd(), kMsgShowPage, kGroupWelcome, kPageMyPhone);
  pump(500);
  test::saveWindowPng(window.hwnd(), test::artifactPath("mainwindow-home.png"));
  DestroyWindow(window.hwnd());
  link.shutdown();
  setAdbServerPort(5037);
  pump(50);
}

}  // namespace
}  // namespace zorvik
