// The applications and store pages against the virtual phone's agent and websim, under Wine: the
// rows the user sees before and after the web lookup, what the lookup sent, uninstalling a batch
// (one reload, the packages gone), starting a package, the store's addresses and package links,
// the phone away; and FormPost's request as websim received it. apps_vphone.sh starts the phone
// and websim.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "app/MainWindow.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "ui/Notices.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "app/StoreSearchText.h"
#include "settings/SettingsWin.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "common/FormPost.h"
#include "common/Md5.h"
#include "common/TimeFormat.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "manage/apps/win/AppsPage.h"
#include "manage/processes/ProcessWire.h"
#include "manage/apps/win/StorePage.h"
#include "app/resource.h"

namespace zorvik {
namespace {

using test::phoneControl;
using test::pumpUntil;
using test::TestHost;

std::vector<AppRecord> phonePackages() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListApplications), body) != AgentResult::Ok) return {};
  return parseAppList(body.bytes.data(), body.bytes.size()).records;
}

std::vector<std::string> runningPackages() {
  AgentBody body;
  std::vector<std::string> names;
  if (exchangeForBody(bareRequest(AgentCommand::ListProcesses), body) != AgentResult::Ok) return names;
  for (const ProcessRecord& p : parseProcessList(body.bytes.data(), body.bytes.size()).records)
    names.push_back(p.processNameUtf8);
  return names;
}

// The package on the desktop JVM (with_jvm_agent.sh) shows no app other apps' processes; its host
// prints each launch intent its fakes are given instead.
bool onJvmAgent() { return std::getenv("ZORVIK_JVM_AGENT") != nullptr; }

int startsRecorded(const std::string& package) {
  const char* path = std::getenv("ZORVIK_JVM_AGENT_LOG");
  if (!path) return 0;
  std::ifstream in(path, std::ios::binary);
  // FLAG_ACTIVITY_NEW_TASK: started from outside an activity.
  const std::string line = "jvm_agent_host: started " + package + " " + std::to_string(0x10000000);
  int n = 0;
  for (std::string l; std::getline(in, l);) n += l == line;
  return n;
}

std::string webRecord() {
  const char* path = std::getenv("ZORVIK_TEST_WEB_RECORD");
  if (!path) return "";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits on another thread for a top-level window with this caption, reads its text, presses a button.
std::thread pressWhenShown(const char* caption, int button, std::string* textOut) {
  return std::thread([caption, button, textOut] {
    HWND dlg = nullptr;
    for (int i = 0; i < 500 && !(dlg && IsWindowVisible(dlg)); ++i) {
      dlg = FindWindowA(nullptr, caption);
      Sleep(10);
    }
    if (!dlg) return;
    char buf[256] = {};
    GetDlgItemTextA(dlg, IDC_NOTICE_TEXT, buf, sizeof buf);
    *textOut = buf;
    Sleep(100);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  });
}

class AppsPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT") || !std::getenv("ZORVIK_TEST_WEB_BASE"))
      GTEST_SKIP() << "run through apps_vphone.sh";
    web_ = std::getenv("ZORVIK_TEST_WEB_BASE");
    phoneControl("reset");
    phoneControl("agent running 1");
    for (const char* name : {kServiceBaseValue, kStoreBaseValue, kDownloadBaseValue}) writeSetting(name, web_);
    ASSERT_TRUE(frame_.create({.title = "Applications test", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               .x = 0, .y = 0, .width = 900, .height = 640}));
    host_ = std::make_unique<TestHost>(frame_.hwnd());
    info_ = findPage(kPageApplications);
    ASSERT_NE(info_, nullptr);
    page_ = std::make_unique<AppsPage>(*info_, *host_);
    ASSERT_TRUE(page_->createModeless(frame_.hwnd()));
    RECT client = clientRectOf(frame_.hwnd());
    SetWindowPos(page_->hwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  void TearDown() override {
    if (page_) {
      pumpUntil([&] { return !page_->loading() && !page_->lookupRunning() && page_->pendingUninstalls() == 0; }, 20000);
      page_->close();
    }
    page_.reset();
    frame_.destroy();
    phoneControl("reset");
    phoneControl("agent running 1");
  }
  bool settled() { return !page_->loading() && !page_->lookupRunning(); }
  void loadAndWait() {
    const int lookups = page_->lookupsDone();
    PageDataTable::instance().forget(info_->pageKey);
    page_->reload();
    ASSERT_TRUE(pumpUntil([&] { return settled() && page_->lookupsDone() > lookups; }, 30000));
  }
  int rowOf(const std::string& package) {
    for (size_t r = 0; r < page_->rows().size(); ++r)
      if (page_->rows()[r].packageName == package) return static_cast<int>(r);
    return -1;
  }
  void clickCell(int row, int column, bool lowerHalf = false) {
    RECT cell{};
    ListView_GetSubItemRect(page_->list().hwnd(), row, column, LVIR_BOUNDS, &cell);
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = page_->list().hwnd();
    n.hdr.idFrom = IDC_APPS_LIST;
    n.hdr.code = NM_CLICK;
    n.iItem = row;
    n.iSubItem = column;
    n.ptAction = {(cell.left + cell.right) / 2, lowerHalf ? cell.bottom - 8 : cell.top + 8};
    SendMessageA(page_->hwnd(), WM_NOTIFY, IDC_APPS_LIST, reinterpret_cast<LPARAM>(&n));
  }

  std::string web_;
  Window frame_;
  std::unique_ptr<TestHost> host_;
  const PageInfo* info_ = nullptr;
  std::unique_ptr<AppsPage> page_;
};

TEST_F(AppsPageTest, RowsCarryDescriptionsAndRatingsAfterTheLookup) {
  const std::string recordBefore = webRecord();
  loadAndWait();
  const std::vector<AppRecord> phone = phonePackages();
  ASSERT_GE(phone.size(), 10u);
  ListView& view = page_->list().view();
  ASSERT_EQ(view.columnCount(), 8);
  const char* titles[] = {"图标", "应用名称和描述", "分类", "评级", "版本", "提示", "安装日期", "选择"};
  const int widths[] = {60, 180, 80, 130, 56, 74, 120, 40};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  for (int r = 0; r < view.count(); ++r) {
    const AppRecord& want = phone[static_cast<size_t>(r)];
    const AppRow& row = page_->rows()[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 1), want.label) << r;
    EXPECT_EQ(row.versionName, want.versionName) << r;
    EXPECT_EQ(view.cell(r, 4), byteSizeText(static_cast<uint32_t>(want.sizeBytes))) << r;  // low 32 bits
    EXPECT_EQ(row.sizeText, view.cell(r, 4)) << r;
    EXPECT_EQ(view.cell(r, 5), "已最新") << r;
    EXPECT_EQ(view.cell(r, 6), formatPhoneTime(want.installTimeMs, "从未")) << r;
    EXPECT_EQ(row.linkText, "详细");
    EXPECT_EQ(row.hintState, 1);
    EXPECT_EQ(page_->list().row(r).image.size(), want.icon.size()) << r;
    EXPECT_FALSE(page_->list().row(r).checked);
  }
  // What websim's catalogue says about two of them.
  const int mm = rowOf("com.tencent.mm"), uc = rowOf("com.UCMobile");
  ASSERT_GE(mm, 0);
  ASSERT_GE(uc, 0);
  EXPECT_EQ(view.cell(mm, 2), "社交通讯");
  EXPECT_EQ(page_->rows()[mm].descriptionLine, "微信：社交通讯类热门应用，版本 4.5.1");
  EXPECT_EQ(page_->rows()[mm].rating, 1);
  EXPECT_EQ(page_->rows()[mm].storeId, 1001);
  EXPECT_EQ(page_->rows()[uc].rating, 5);
  EXPECT_EQ(page_->rows()[uc].storeId, 1008);
  EXPECT_EQ(page_->facts().clientCode, 1001);
  EXPECT_EQ(page_->facts().apiLevel, 15);
  EXPECT_EQ(page_->facts().modelName, "MI 2S");
  EXPECT_EQ(host_->status(), "");
  EXPECT_EQ(PageDataTable::instance().state(kKeyApplications), PageDataState::Loaded);

  // The request as websim received it: the one field, the styled JSON, the checksum, the zero byte.
  const std::string record = webRecord().substr(recordBefore.size());
  const size_t at = record.find("POST /feedback/apk_list.php apps={\n   \"Api\" : 15,\n   \"CheckSum\" : \"");
  ASSERT_NE(at, std::string::npos) << record;
  const std::string checkSum = apkListCheckSum(phone.size(), phone.back().packageName, md5hex);
  EXPECT_NE(record.find("\"CheckSum\" : \"" + checkSum + "\",\n   \"Client\" : 1001,\n   \"Model\" : \"MI 2S\",\n"),
            std::string::npos);
  EXPECT_NE(record.find("\"com.tencent.mm\""), std::string::npos);
  EXPECT_NE(record.find(std::string("}\n&\0\n", 5), at), std::string::npos);
  std::printf("[bench] %zu packages: filled list %.0f ms, web lookup %.0f ms\n", phone.size(), page_->lastFillMs(),
              page_->lastLookupMs());
  EXPECT_TRUE(test::saveWindowPng(frame_.hwnd(), test::artifactPath("apps-page.png")));
}

// Benchmark (ZORVIK_BENCH=1): from the load request to the list filled and drawn (icons decoded
// for the rows on screen), and what the web lookup adds until its rows are drawn again.
TEST_F(AppsPageTest, BenchmarkFilledListAndLookup) {
  if (!std::getenv("ZORVIK_BENCH")) GTEST_SKIP() << "set ZORVIK_BENCH=1";
  std::vector<double> fill, lookup, total;
  for (int round = 0; round < 5; ++round) {
    const int lookups = page_->lookupsDone();
    const auto t0 = std::chrono::steady_clock::now();
    PageDataTable::instance().forget(info_->pageKey);
    page_->reload();
    ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 30000));
    UpdateWindow(page_->list().hwnd());
    const auto t1 = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] { return settled() && page_->lookupsDone() > lookups; }, 30000));
    UpdateWindow(page_->list().hwnd());
    const auto t2 = std::chrono::steady_clock::now();
    fill.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    lookup.push_back(page_->lastLookupMs());  // the lookup worker: 870002, the POST, the matching, the rows set
    total.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
  }
  std::sort(fill.begin(), fill.end());
  std::sort(lookup.begin(), lookup.end());
  std::sort(total.begin(), total.end());
  std::printf("[bench] %d packages with icons: filled and drawn %.0f ms (median of 5, min %.0f, max %.0f); "
              "web lookup %.0f ms (min %.0f, max %.0f), running beside the drawing; rows with descriptions "
              "drawn %.0f ms after the load request\n",
              page_->list().count(), fill[2], fill[0], fill[4], lookup[2], lookup[0], lookup[4], total[2]);
  EXPECT_GT(page_->list().count(), 0);
}

// A reload while the web lookup runs: the new rows keep what the service says of their packages
// (they used to stay "N/A", the lookup's answer being for rows no longer shown).
TEST_F(AppsPageTest, AReloadDuringTheLookupKeepsTheDescriptions) {
  ASSERT_EQ(phoneControl("reply pieces 65536 150").rfind("OK", 0), 0u);  // a slow phone: the two overlap
  const int lookups = page_->lookupsDone();
  PageDataTable::instance().forget(kKeyApplications);
  page_->reload();
  ASSERT_TRUE(pumpUntil([&] { return !page_->loading(); }, 30000));
  ASSERT_TRUE(page_->lookupRunning());
  page_->reload();  // the list again while the lookup of the first rows runs
  ASSERT_TRUE(pumpUntil([&] { return settled() && page_->lookupsDone() >= lookups + 2; }, 60000));
  const int mm = rowOf("com.tencent.mm");
  ASSERT_GE(mm, 0);
  EXPECT_EQ(page_->rows()[static_cast<size_t>(mm)].descriptionLine, "微信：社交通讯类热门应用，版本 4.5.1");
  EXPECT_EQ(page_->list().view().cell(mm, 2), "社交通讯");
  EXPECT_EQ(page_->loadsStarted(), 2);
}

TEST_F(AppsPageTest, UninstallBatchReloadsOnceAndThePackagesAreGone) {
  loadAndWait();
  const int before = page_->list().count();
  // Two packages that are not the agent itself.
  std::vector<int> chosen;
  for (int r = before - 1; r >= 0 && chosen.size() < 2; --r)
    if (page_->rows()[static_cast<size_t>(r)].packageName != kAgentPackage) chosen.push_back(r);
  ASSERT_EQ(chosen.size(), 2u);
  std::vector<std::string> names;
  for (int r : chosen) {
    clickCell(r, 7);
    names.push_back(page_->rows()[static_cast<size_t>(r)].packageName);
  }
  const int loads = page_->loadsStarted();
  std::string text;
  auto press = pressWhenShown("删除确认 - Zorvik", IDOK, &text);
  page_->onToolbar(toolbar::kDeleteApplications);
  press.join();
  EXPECT_EQ(text, "您真的要删除选择的【 2 】个应用吗？");
  EXPECT_EQ(page_->pendingUninstalls(), 2);
  ASSERT_TRUE(pumpUntil([&] { return page_->pendingUninstalls() == 0 && page_->loadsStarted() > loads && settled(); },
                        60000));
  test::pump(1500);  // no second reload follows
  EXPECT_EQ(page_->loadsStarted(), loads + 1);
  EXPECT_EQ(page_->list().count(), before - 2);
  for (const std::string& name : names) {
    EXPECT_EQ(rowOf(name), -1) << name;
    for (const AppRecord& a : phonePackages()) EXPECT_NE(a.packageName, name);
  }
}

// A phone that holds every uninstall up: each ends at its deadline with a message, the next one
// starts, the list reloads once at the end and the packages are still there.
TEST_F(AppsPageTest, HeldUpUninstallsEndAtTheirDeadlineOneAfterAnother) {
  loadAndWait();
  std::vector<std::string> names;
  for (int r = page_->list().count() - 1; r >= 0 && names.size() < 2; --r)
    if (page_->rows()[static_cast<size_t>(r)].packageName != kAgentPackage)
      names.push_back(page_->rows()[static_cast<size_t>(r)].packageName);
  ASSERT_EQ(names.size(), 2u);
  ASSERT_EQ(phoneControl("shell delay 600000 pm").substr(0, 2), "OK");
  constexpr unsigned kDeadlineMs = 3000;
  page_->setUninstallDeadlineMs(kDeadlineMs);
  const int loads = page_->loadsStarted();
  host_->takeStatuses();
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& name : names) page_->uninstallOne(name);
  ASSERT_TRUE(pumpUntil([&] { return host_->status() == adbTimeoutText(("卸载 " + names[0]).c_str()); }, 15000))
      << host_->status();
  EXPECT_EQ(page_->pendingUninstalls(), 1);
  ASSERT_TRUE(pumpUntil([&] { return page_->pendingUninstalls() == 0; }, 15000));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ apps ] two held-up uninstalls, %u ms deadline each: %.1f s\n", kDeadlineMs, seconds);
  const std::vector<std::string> said = host_->takeStatuses();
  ASSERT_GE(said.size(), 2u);
  EXPECT_EQ(said[0], adbTimeoutText(("卸载 " + names[0]).c_str()));
  EXPECT_EQ(said[1], adbTimeoutText(("卸载 " + names[1]).c_str()));
  EXPECT_GE(seconds, 2 * kDeadlineMs / 1000.0);
  ASSERT_TRUE(pumpUntil([&] { return page_->loadsStarted() > loads && settled(); }, 30000));
  ASSERT_EQ(phoneControl("shell delay off").substr(0, 2), "OK");
  test::pump(1000);  // no second reload follows
  EXPECT_EQ(page_->loadsStarted(), loads + 1);
  for (const std::string& name : names) EXPECT_GE(rowOf(name), 0) << name;
}

TEST_F(AppsPageTest, NothingTickedShowsTheCheckFirstNotice) {
  loadAndWait();
  const int loads = page_->loadsStarted();
  std::string text;
  auto press = pressWhenShown("提示 - Zorvik", IDOK, &text);
  page_->uninstallChecked();
  press.join();
  EXPECT_EQ(text, kCheckFirstText);
  EXPECT_EQ(page_->pendingUninstalls(), 0);
  EXPECT_EQ(page_->loadsStarted(), loads);
}

TEST_F(AppsPageTest, RunPackageReachesThePhone) {
  loadAndWait();
  const std::vector<std::string> running = runningPackages();
  int row = -1;
  for (size_t r = 0; r < page_->rows().size() && row < 0; ++r)
    if (std::find(running.begin(), running.end(), page_->rows()[r].packageName) == running.end())
      row = static_cast<int>(r);
  ASSERT_GE(row, 0);
  const std::string name = page_->rows()[static_cast<size_t>(row)].packageName;
  const std::string label = page_->rows()[static_cast<size_t>(row)].label;
  const int starts = startsRecorded(name);
  page_->runPackage(row);
  EXPECT_TRUE(pumpUntil([&] {
    if (onJvmAgent()) return startsRecorded(name) == starts + 1;
    const auto now = runningPackages();
    return std::find(now.begin(), now.end(), name) != now.end();
  }, 10000)) << name;
  EXPECT_TRUE(pumpUntil([&] { return host_->status() == "【提示】已在手机上启动「" + label + "」"; }, 5000))
      << host_->status();
}

// "立即运行" that fails says why in the status line: a package the phone no longer has, the
// phone refusing, the agent gone.
TEST_F(AppsPageTest, RunPackageFailuresAreInTheStatusLine) {
  loadAndWait();
  // The last row that later tests do not need (they open com.tencent.mm's store item).
  int row = -1;
  for (int r = static_cast<int>(page_->rows().size()) - 1; r >= 0 && row < 0; --r) {
    const std::string& name = page_->rows()[static_cast<size_t>(r)].packageName;
    if (name != kAgentPackage && name != "com.tencent.mm") row = r;
  }
  ASSERT_GE(row, 0);
  const std::string name = page_->rows()[static_cast<size_t>(row)].packageName;
  const std::string label = page_->rows()[static_cast<size_t>(row)].label;
  auto runAndWait = [&](const std::string& expected) {
    host_->setStatusText("");
    page_->runPackage(row);
    EXPECT_TRUE(pumpUntil([&] { return host_->status().rfind(expected, 0) == 0; }, 10000)) << host_->status();
  };
  // vphone's package manager is not the JVM fakes': there only the agent going away is caused.
  if (!onJvmAgent()) {
    // Removed behind the page's back: the list still shows it, the phone answers 0.
    const AdbRunResult removed = runAdbAndWait(appUninstallCommand(adbPath(), currentSerial(), name), 4096, 30000);
    ASSERT_TRUE(removed.finished()) << removed.output;
    runAndWait("【错误】手机没有启动「" + label + "」：找不到该程序、它没有可打开的界面，或手机不允许「卓维克手机端」打开应用");
    ASSERT_EQ(phoneControl("reply refuse 870805 not-served").substr(0, 2), "OK");
    runAndWait(agentRefusalText(AgentRefusal::NotServed));
    ASSERT_EQ(phoneControl("reply refuse off").substr(0, 2), "OK");
  }
  ASSERT_EQ(phoneControl("agent running 0").substr(0, 2), "OK");
  runAndWait("【X】连接");  // the forward answers and closes, or nobody answers: a connection failure either way
}

TEST_F(AppsPageTest, DetailLinkAsksForTheStoreItemOnlyWhenKnown) {
  loadAndWait();
  const int mm = rowOf("com.tencent.mm");
  ASSERT_GE(mm, 0);
  host_->takeCalls();
  clickCell(mm, 2, false);  // the category line is no link
  EXPECT_TRUE(host_->takeCalls().empty());
  clickCell(mm, 2, true);
  EXPECT_EQ(host_->takeCalls(), std::vector<std::string>{"storeItem 1001"});
  EXPECT_EQ(PageDataTable::instance().state(kKeyStore), PageDataState::Loaded);
  // A package the store does not know keeps id -1: nothing opens.
  for (size_t r = 0; r < page_->rows().size(); ++r) {
    if (page_->rows()[r].storeId != -1) continue;
    page_->openInStore(static_cast<int>(r));
    EXPECT_TRUE(host_->takeCalls().empty());
    break;
  }
}

TEST(AppContextMenu, ItemsInOrderWithTheirCommands) {
  UniqueMenu menu = makeAppContextMenu();
  ASSERT_EQ(GetMenuItemCount(menu.get()), 3);
  const UINT ids[] = {32790, 32791, 32792};
  const char* texts[] = {"立即运行", "删除卸载", "商城搜索"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(GetMenuItemID(menu.get(), i), ids[i]);
    char text[64] = {};
    GetMenuStringA(menu.get(), i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, texts[i]);
  }
}

TEST_F(AppsPageTest, HandCursorOverTheDetailLinkOnly) {
  loadAndWait();
  ASSERT_GT(page_->list().count(), 0);
  RECT cell{};
  ListView_GetSubItemRect(page_->list().hwnd(), 0, 2, LVIR_BOUNDS, &cell);
  auto cursorAt = [&](int y) {
    POINT p{(cell.left + cell.right) / 2, y};
    ClientToScreen(page_->list().hwnd(), &p);
    SetCursorPos(p.x, p.y);
    test::pump(50);
    SendMessageA(page_->hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(page_->list().hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(cell.bottom - 8), LoadCursor(nullptr, IDC_HAND));
  EXPECT_NE(cursorAt(cell.top + 6), LoadCursor(nullptr, IDC_HAND));
}

class StorePageTest : public AppsPageTest {
protected:
  void SetUp() override {
    AppsPageTest::SetUp();
    if (IsSkipped()) return;
    store_ = std::make_unique<StorePage>(*findPage(kPageStore), *host_);
    ASSERT_TRUE(store_->createModeless(frame_.hwnd()));
  }
  void TearDown() override {
    store_.reset();
    setDownloadRequestHandler(nullptr);
    AppsPageTest::TearDown();
  }
  std::unique_ptr<StorePage> store_;
};

TEST_F(StorePageTest, HomeItemAndSearchAddresses) {
  PageDataTable::instance().forget(kKeyStore);
  store_->load();
  EXPECT_EQ(store_->lastAddress(), web_);
  EXPECT_EQ(PageDataTable::instance().state(kKeyStore), PageDataState::Loaded);
  SendMessageA(store_->hwnd(), kMsgStoreItem, 0, 1008);
  EXPECT_EQ(store_->lastAddress(), web_ + "archives/1008.html");
  SendMessageA(store_->hwnd(), kMsgStoreItem, 0, -1);
  EXPECT_EQ(store_->lastAddress(), web_ + "archives/1008.html");
  // 0x464 as the main window posts it: a ticket for the keyword, collected once.
  ASSERT_TRUE(postStoreSearch(frame_.hwnd(), "ab-cd"));
  MSG posted{};
  ASSERT_TRUE(PeekMessageA(&posted, frame_.hwnd(), kMsgStoreSearch, kMsgStoreSearch, PM_REMOVE));
  EXPECT_EQ(store_->onRouted(kMsgStoreSearch, posted.wParam, posted.lParam), 1);
  EXPECT_EQ(store_->lastAddress(), web_ + "search.php?keywords=abcd&key=e6fce676");
  EXPECT_EQ(store_->onRouted(kMsgStoreSearch, posted.wParam, posted.lParam), 0) << "a ticket is used once";
  const uintptr_t shortKeyword = depositStoreSearch("a");
  store_->onRouted(kMsgStoreSearch, 0, static_cast<LPARAM>(shortKeyword));
  EXPECT_EQ(host_->status(), "关键字【a】过短，请换个长些的");
  EXPECT_EQ(store_->lastAddress(), web_ + "search.php?keywords=abcd&key=e6fce676");
  // What another program may send: an address (or any number) in lParam names nothing here.
  host_->setStatusText("");
  const char* foreign = "zz-top";
  EXPECT_EQ(store_->onRouted(kMsgStoreSearch, 0, reinterpret_cast<LPARAM>(foreign)), 0);
  EXPECT_EQ(store_->onRouted(kMsgStoreSearch, 0, 0), 0);
  EXPECT_EQ(store_->lastAddress(), web_ + "search.php?keywords=abcd&key=e6fce676");
  EXPECT_EQ(host_->status(), "");
  store_->onToolbar(toolbar::kStoreHome);
  EXPECT_EQ(store_->lastAddress(), web_);
}

TEST_F(StorePageTest, PackageLinksBecomeDownloadRequests) {
  EXPECT_FALSE(store_->beforeNavigate(web_ + "archives/1001.html"));
  EXPECT_TRUE(store_->beforeNavigate(web_ + "down/com.tencent.mm.apk"));
  EXPECT_NE(host_->status().find("down/com.tencent.mm.apk"), std::string::npos);  // no queue connected yet
  std::vector<DownloadRequest> got;
  setDownloadRequestHandler([&](const DownloadRequest& r) { got.push_back(r); });
  EXPECT_TRUE(store_->beforeNavigate(web_ + "down/com.tencent.mm.apk"));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].request, "com.tencent.mm");  // the queue's key is the package's name
  // An address past the buffer is refused whole, never cut.
  EXPECT_TRUE(store_->beforeNavigate(web_ + "down/" + std::string(300, 'a') + ".apk"));
  EXPECT_EQ(got.size(), 1u);
  EXPECT_EQ(host_->status(), "【错误】下载地址太长，无法下载");
}

TEST(FormPostAgainstWebsim, BodyWithItsZeroByteTheTwoHeadersAndNoRedirect) {
  const char* base = std::getenv("ZORVIK_TEST_WEB_BASE");
  if (!base) GTEST_SKIP() << "run through apps_vphone.sh";
  const std::string reply = FormPost(std::string(base) + "test/echo", {{"apps", "{\"a\" : 1}"}, {"b", "x y"}});
  EXPECT_NE(reply.find("method=POST/r/n"), std::string::npos) << reply;
  EXPECT_NE(reply.find("header Content-Type=application/x-www-form-urlencoded/r/n"), std::string::npos) << reply;
  EXPECT_NE(reply.find("header Accept=*/*/r/n"), std::string::npos) << reply;
  // "apps={"a" : 1}&b=x y&" and the terminating zero, unencoded.
  std::string hex;
  for (unsigned char c : std::string("apps={\"a\" : 1}&b=x y&") + '\0') {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  EXPECT_NE(reply.find("body=" + hex + "/r/n"), std::string::npos) << reply;
  EXPECT_NE(reply.find("header Content-Length=22/r/n"), std::string::npos) << reply;
  // A redirect is not followed: the reply is the redirect's own text.
  EXPECT_EQ(FormPost(std::string(base) + "test/redirect", {{"a", "1"}}), "moved/r/n");
}

}  // namespace
}  // namespace zorvik
