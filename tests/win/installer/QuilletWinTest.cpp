// Quillet under Wine: the install flow with the suite's adb.exe beside the test and the native
// virtual phone (the CTest fixture) as the phone; the window, its dialogs and the association in
// this process; Quillet.exe itself for the second start.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "ui/ImageDecode.h"
#include "ui/UiThread.h"
#include "common/win/Handles.h"
#include "devlink/AdbBridge.h"
#include "devlink/TcpSocket.h"
#include "installer/AssociationWin.h"
#include "installer/win/InstallHostWin.h"
#include "installer/win/QuilletDialogs.h"
#include "installer/win/QuilletResource.h"
#include "installer/win/QuilletWindow.h"
#include "settings/SettingsWin.h"

namespace zorvik {
namespace {

const std::string kFixtures = ZORVIK_QUILLET_FIXTURES;
std::string fixture(const std::string& name) { return kFixtures + "\\" + name; }

struct Ports {
  uint16_t adb = 0, control = 0;
};

std::string control(uint16_t port, const std::string& command) {
  TcpSocket socket = TcpSocket::connectLoopback(port);
  const std::string line = command + "\n";
  if (!socket.sendAll(line.data(), line.size())) return "ERR send";
  std::string answer;
  char c;
  while (socket.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

class Quillet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    startUiThreadQueue();
    gdiplus_ = new GdiplusSession;
  }
  static void TearDownTestSuite() {
    delete gdiplus_;
    stopUiThreadQueue();
  }
  void SetUp() override {
    std::ifstream(programFolder() + "vphone-ports.txt") >> ports_.adb >> ports_.control;
    ASSERT_NE(ports_.adb, 0) << "the vphone fixture did not run";
    setAdbServerPort(ports_.adb);
    SetEnvironmentVariableA("ANDROID_ADB_SERVER_PORT", std::to_string(ports_.adb).c_str());
    ASSERT_EQ(adbPath(), programFolder() + "adb.exe");
    set("reset");
    attach({"QL1"});
  }
  void set(const std::string& command) { ASSERT_EQ(control(ports_.control, command).substr(0, 2), "OK") << command; }
  void attach(const std::vector<std::string>& serials) {
    std::istringstream status(control(ports_.control, "status"));
    std::string word;
    while (status >> word) {
      const size_t colon = word.find(':');
      if (colon != std::string::npos) control(ports_.control, "device remove " + word.substr(0, colon));
    }
    for (const std::string& s : serials) set("device add " + s);
  }
  std::string shell(const std::string& serial, const std::string& command) {
    return runAdbAndWait(quotedPath(adbPath()) + " -s " + serial + " shell " + command, 1 << 20).output;
  }
  // Where the phone keeps the package ("" when it is not installed).
  std::string pmPath(const std::string& serial, const std::string& package) {
    std::string path = shell(serial, "pm path " + package);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path;
  }

  // The flow as the window runs it, with the chooser's answer given.
  struct Run {
    InstallOutcome outcome;
    std::vector<std::string> statuses, offered;
  };
  Run install(const std::string& path, bool sd = false, const std::string& choice = {}) {
    Run run;
    WinInstallHost host(
        [&](const std::vector<std::string>& serials) {
          run.offered = serials;
          return choice;
        },
        [&](const std::string& text) { run.statuses.push_back(text); });
    InstallRequest r;
    r.adb = adbPath();
    r.path = path;
    uint64_t size = 0;
    fileSize(path, size);
    r.sizeBytes = size;
    r.sdTicked = sd;
    run.outcome = installPackage(host, r);
    if (!run.outcome.command.empty()) {
      // The temporary copy is gone whatever the outcome.
      const size_t from = run.outcome.command.find(host.temporaryFolder());
      EXPECT_NE(from, std::string::npos);
      const std::string copy = run.outcome.command.substr(from, run.outcome.command.find(".apk", from) + 4 - from);
      EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES) << copy;
    }
    return run;
  }

  Ports ports_;
  static GdiplusSession* gdiplus_;
};
GdiplusSession* Quillet::gdiplus_ = nullptr;

TEST_F(Quillet, EveryRowOfTheResultTableThroughThePhone) {
  const std::pair<const char*, const char*> rows[] = {
      {"install outcome Success", "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用"},
      {"install text error: /tmp/x.apk is not a valid zip file", "【安装失败】请选择一个有效的APK文件"},
      {"install text Failure: package does not contain AndroidManifest.xml", "【安装失败】APK文件已经损坏"},
      {"install text can't find 'x.apk' to install", "【安装失败】APK文件意外丢失"},
      // The newer tool's lead-in names no reason of its own.
      {"install text error: failed to install", "【安装失败】未知错误"},
      {"install text error: device not found", "【安装失败】请确认手机已经连接到电脑上"},
      {"install text Error: Unknown option: -s", "【安装失败】设备不支持安装到SD卡上"},
      {"install text failed to copy x.apk to /sdcard", "【安装失败】SD卡尚未成功挂载，您可以取消勾选【优先装到SD卡上】选项，将应用安装到手机上"},
      {"install outcome INSTALL_FAILED_CONTAINER_ERROR", "【安装失败】请确认手机已经连接到电脑上"},
      {"install outcome INSTALL_FAILED_ALREADY_EXISTS", "【安装失败】文件已经存在, 请先删除手机上老的版本后再试"},
      {"install outcome INSTALL_FAILED_CONFLICTING_PROVIDER", "【安装失败】Provider验证错误"},
      {"install outcome INSTALL_FAILED_DEXOPT", "【安装失败】APK文件损坏"},
      {"install outcome INSTALL_FAILED_DUPLICATE_PACKAGE", "【安装失败】Package冲突, 请联系APK文件的开发商"},
      {"install outcome INSTALL_FAILED_INSUFFICIENT_STORAGE", "【安装失败】手机内存已满"},
      {"install outcome INSTALL_FAILED_INVALID_APK", "【安装失败】无效的APK文件"},
      {"install outcome INSTALL_FAILED_INVALID_URI", "【安装失败】内部错误，请联系support@zorvik.com"},
      {"install outcome INSTALL_FAILED_MISSING_SHARED_LIBRARY", "【安装失败】共享库丢失, 请联系APK文件的开发商"},
      {"install outcome INSTALL_FAILED_NO_SHARED_USER", "【安装失败】没有该共享用户, 请联系APK文件的开发商"},
      {"install outcome INSTALL_FAILED_OLDER_SDK", "【安装失败】该软件版本过老, 请联系APK文件的开发商"},
      {"install outcome INSTALL_FAILED_REPLACE_COULDNT_DELETE", "【安装失败】替换时无法删除老版本文件"},
      {"install outcome INSTALL_FAILED_SHARED_USER_INCOMPATIBLE", "【安装失败】APK签名不兼容, 请联系APK文件的开发商"},
      {"install outcome INSTALL_FAILED_UPDATE_INCOMPATIBLE", "【安装失败】更新内容不兼容, 请联系APK文件的开发商"},
      {"install outcome INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES",
       "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
      {"install outcome INSTALL_PARSE_FAILED_NO_CERTIFICATES",
       "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
      {"install outcome INSTALL_FAILED_VERIFICATION_FAILURE", "【安装失败】手机验证安装包没有通过"},
      {"install outcome INSTALL_FAILED_NOT_A_CODE", "【安装失败】未知错误"},
  };
  for (const auto& [command, text] : rows) {
    set("install text off");
    set("install outcome Success");
    set(command);
    const Run run = install(fixture("basic.apk"));
    EXPECT_EQ(run.outcome.status, text) << command << "\n" << run.outcome.output;
    EXPECT_EQ(run.outcome.serial, "QL1");
  }
}

// The phone went between the choice and the install: the suite's adb.exe names the serial it
// did not find, which reads as no phone.
TEST_F(Quillet, PhoneGoneBeforeTheInstallReadsAsNotConnected) {
  WinInstallHost host(nullptr, nullptr);
  InstallRequest r;
  r.adb = adbPath();
  r.path = fixture("basic.apk");
  const InstallOutcome o = installOnDevice(host, r, "QL9");
  EXPECT_NE(o.output.find("'QL9' not found"), std::string::npos) << o.output;
  EXPECT_EQ(o.status, "【安装失败】请确认手机已经连接到电脑上") << o.output;
}

TEST_F(Quillet, TenMillionBytesIsNotLargeOneMoreIs) {
  std::ifstream in(fixture("basic.apk"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  for (const uint64_t size : {uint64_t{10000000}, uint64_t{10000001}}) {
    std::string padded = bytes;
    padded.resize(size, '\0');  // trailing bytes after the archive: still a zip to the phone
    const std::string path = programFolder() + "padded.apk";
    std::ofstream(path, std::ios::binary).write(padded.data(), static_cast<std::streamsize>(padded.size()));
    const Run run = install(path);
    ASSERT_EQ(run.statuses.size(), 2u);
    EXPECT_EQ(run.statuses[0], "开始安装应用，请稍等...");
    EXPECT_EQ(run.statuses[1], size == 10000000 ? "安装中,请稍等..." : "安装中, 该文件较大请耐心等待...");
    EXPECT_TRUE(run.outcome.installed) << run.outcome.output;
    DeleteFileA(path.c_str());
  }
}

TEST_F(Quillet, TwoDevicesAndNoChoiceInstallsNothing) {
  attach({"QL1", "QL2"});
  Run run = install(fixture("basic.apk"));
  EXPECT_EQ(run.offered, (std::vector<std::string>{"QL1", "QL2"}));
  EXPECT_EQ(run.outcome.status, "【错误】没有选择任何设备，单击【安装到手机】重新选择");
  EXPECT_EQ(pmPath("QL1", "com.zorvik.demo"), "");
  EXPECT_EQ(pmPath("QL2", "com.zorvik.demo"), "");
  run = install(fixture("basic.apk"), false, "QL2");
  EXPECT_TRUE(run.outcome.installed);
  EXPECT_EQ(pmPath("QL2", "com.zorvik.demo"), "package:/data/app/com.zorvik.demo-1.apk");
  EXPECT_EQ(pmPath("QL1", "com.zorvik.demo"), "");
}

TEST_F(Quillet, SdOptionPassedOnlyWhenThePhoneCanTakeIt) {
  set("device props QL1 Acme One 8");
  Run run = install(fixture("basic.apk"), true);
  EXPECT_NE(run.outcome.command.find(" install -r -s "), std::string::npos) << run.outcome.command;
  EXPECT_EQ(pmPath("QL1", "com.zorvik.demo"), "package:/mnt/asec/com.zorvik.demo-1/pkg.apk");
  set("device props QL1 Acme One 7");
  run = install(fixture("basic.apk"), true);
  EXPECT_EQ(run.outcome.command.find(" -s \"") == std::string::npos &&
                run.outcome.command.find("install -r -s") == std::string::npos, true)
      << run.outcome.command;
  EXPECT_EQ(pmPath("QL1", "com.zorvik.demo"), "package:/data/app/com.zorvik.demo-1.apk");
  set("device props QL1 Acme One 15");
  run = install(fixture("basic.apk"), false);
  EXPECT_EQ(run.outcome.command.find("install -r -s"), std::string::npos);
  // A package that keeps to the phone's memory.
  PackageInfo quiet = openPackage(fixture("nointernet.apk"));
  ASSERT_FALSE(quiet.manifest.sdCardAllowed);
  WinInstallHost host(nullptr, nullptr);
  InstallRequest r;
  r.adb = adbPath();
  r.path = fixture("nointernet.apk");
  r.sdTicked = true;
  r.sdAllowed = quiet.manifest.sdCardAllowed;
  const InstallOutcome o = installPackage(host, r);
  EXPECT_TRUE(o.installed) << o.output;
  EXPECT_EQ(o.command.find("install -r -s"), std::string::npos) << o.command;
  EXPECT_EQ(pmPath("QL1", "com.zorvik.quiet"), "package:/data/app/com.zorvik.quiet-1.apk");
}

TEST_F(Quillet, DeviceChoiceDialogListsBrandModelAndApiLevel) {
  attach({"QL1", "QL2"});
  set("device props QL2 meizu meizu_M9 10");
  auto alive = std::make_shared<std::atomic<bool>>(true);
  std::string picked, brand, api, serial;
  std::atomic<bool> done{false}, shot{false};
  // The dialog runs modally inside this thread's message loop: a second thread reads and drives it.
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !(dialog = FindWindowA(nullptr, "Quillet 设备管理")); ++i) Sleep(20);
    if (!dialog) return;
    // Found while it is still being created: wait for its controls.
    for (int i = 0; i < 500 && !(IsWindowVisible(dialog) && GetDlgItem(dialog, IDC_D_LIST)); ++i) Sleep(20);
    ListView list(GetDlgItem(dialog, IDC_D_LIST));
    for (int i = 0; i < 1000 && list.cell(1, 1) != "API Level 10"; ++i) Sleep(20);
    brand = list.cell(1, 0);
    api = list.cell(1, 1);
    serial = list.cell(1, 2);
    shot = test::saveWindowPng(dialog, test::artifactPath("quillet-devices.png"));
    list.select(1);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  std::thread worker([&] {
    picked = chooseDeviceOnUi(nullptr, adbPath(), {"QL1", "QL2"}, alive);
    done = true;
  });
  const bool ended = test::pumpUntil([&] { return done.load(); }, 40000);
  *alive = false;  // a worker still waiting gives up
  worker.join();
  driver.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(brand, "魅族 [ M9 ]");
  EXPECT_EQ(api, "API Level 10");
  EXPECT_EQ(serial, "QL2");
  EXPECT_TRUE(shot.load());
  EXPECT_EQ(picked, "QL2");
}

TEST_F(Quillet, NoDeviceAndNoTool) {
  attach({});
  EXPECT_EQ(install(fixture("basic.apk")).outcome.status, "【错误】没有找到Android设备，请检查USB连接");
}

// ---------------------------------------------------------------- the window

HWND child(const QuilletWindow& w, int id) { return GetDlgItem(w.hwnd(), id); }
std::string text(const QuilletWindow& w, int id) { return windowText(child(w, id)); }

// The tree as "root|child|child;root|...", with each root's expanded state.
std::string treeText(HWND tree) {
  std::string out;
  for (HTREEITEM root = TreeView_GetRoot(tree); root; root = TreeView_GetNextSibling(tree, root)) {
    char buffer[256];
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_STATE;
    item.stateMask = TVIS_EXPANDED;
    item.hItem = root;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    out += std::string(buffer) + ((item.state & TVIS_EXPANDED) ? "+" : "-");
    for (HTREEITEM c = TreeView_GetChild(tree, root); c; c = TreeView_GetNextSibling(tree, c)) {
      item.hItem = c;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      out += "|" + std::string(buffer);
    }
    out += ";";
  }
  return out;
}

struct OpenWindow {
  QuilletWindow window;
  explicit OpenWindow(QuilletOptions o) : window(std::move(o)) {
    EXPECT_TRUE(window.createModeless(nullptr));
    ShowWindow(window.hwnd(), SW_SHOW);
  }
  ~OpenWindow() {
    if (window.hwnd()) DestroyWindow(window.hwnd());
  }
};

QuilletOptions options(const std::string& path = {}) {
  QuilletOptions o;
  o.adb = adbPath();
  o.programPath = programFolder() + "Quillet.exe";
  o.initialPath = path;
  return o;
}

TEST_F(Quillet, WindowShowsTheFixture) {
  OpenWindow w(options(fixture("basic.apk")));
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  EXPECT_EQ(text(w.window, IDC_Q_TITLE), "演示程序");
  EXPECT_EQ(text(w.window, IDC_Q_LABEL), "演示程序");
  EXPECT_EQ(text(w.window, IDC_Q_VERSION), "2.5.1-beta");
  EXPECT_EQ(text(w.window, IDC_Q_MINSDK), "Android 2.3.3");
  EXPECT_EQ(text(w.window, IDC_Q_SDCARD), "该应用支持");
  EXPECT_EQ(treeText(child(w.window, IDC_Q_RESULTS)),
            "请求权限 +|[!] --- 访问互联网,将产生GRPS流量|[!] --- 读取短信|[xxx] 重新启动|锁屏后仍后台运行;"
            "广告检测+|多盟广告|微云广告;统计信息+|友盟统计;");
  EXPECT_FALSE(w.window.package().iconBytes.empty());
  EXPECT_EQ(w.window.marketAddress(), "http://market.zorvik.com/store/apps/details?id=com.zorvik.demo");
  // The status after no device was chosen sends the user to a button this window has.
  const std::string noChoice = deviceChoiceText(DeviceChoice::kNoneChosen, false);
  const size_t from = noChoice.find("单击【"), to = noChoice.find("】", from);
  ASSERT_NE(to, std::string::npos) << noChoice;
  struct Find {
    std::string caption;
    bool found = false;
  } find{noChoice.substr(from + std::string("单击【").size(), to - from - std::string("单击【").size())};
  EnumChildWindows(
      w.window.hwnd(),
      [](HWND child, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0 && windowText(child) == f->caption && IsWindowVisible(child)) f->found = true;
        return !f->found;
      },
      reinterpret_cast<LPARAM>(&find));
  EXPECT_TRUE(find.found) << find.caption;
  test::pump(300);
  EXPECT_TRUE(test::saveWindowPng(w.window.hwnd(), test::artifactPath("quillet-window.png")));
}

// The web lookups open the hosts the settings name, as the main program's own addresses do.
TEST_F(Quillet, WebLookupsOpenTheHostsTheSettingsName) {
  const char* const names[] = {kSearchBaseValue, kServiceBaseValue, kStoreBaseValue};
  const char* const values[] = {"http://127.0.0.1:8080/s/", "http://maker.example:81/x/", "http://shop.example"};
  std::optional<std::string> kept[3];
  for (int i = 0; i < 3; ++i) {
    kept[i] = readSetting(names[i]);
    ASSERT_TRUE(writeSetting(names[i], values[i]));
  }
  QuilletOptions o = options(fixture("basic.apk"));
  applyWebSettings(o);
  for (int i = 0; i < 3; ++i) {
    if (kept[i]) {
      writeSetting(names[i], *kept[i]);
    } else {
      RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, names[i]);
    }
  }
  OpenWindow w(o);
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  EXPECT_EQ(w.window.siteSearchAddress(),
            "http://127.0.0.1:8080/s/search?q=com.zorvik.demo&ie=gb2312&oe=gb2312&hl=zh-cn&domains=maker.example"
            "&sitesearch=maker.example");
  EXPECT_EQ(w.window.marketAddress(), "http://shop.example/store/apps/details?id=com.zorvik.demo");
}

TEST_F(Quillet, WindowReadsPackagesAsCurrentToolsWriteThemAndExplainsSplitParts) {
  OpenWindow w(options(fixture("compact.apk")));  // 16-bit offsets, compact entries, a label through two references
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.modern"; }, 10000))
      << text(w.window, IDC_Q_TITLE);
  EXPECT_EQ(text(w.window, IDC_Q_TITLE), "现代工具");
  EXPECT_EQ(text(w.window, IDC_Q_VERSION), "3.1.0");
  EXPECT_FALSE(w.window.package().iconBytes.empty());
  w.window.openPath(fixture("obfuscated.apk"));
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  EXPECT_EQ(text(w.window, IDC_Q_LABEL), "演示程序");
  EXPECT_EQ(text(w.window, IDC_Q_MINSDK), "Android 2.3.3");
  w.window.openPath(fixture("modern-xxhdpi.apk"));
  const std::string splitTitle = "【错误】这是拆分安装包的一部分，不能单独安装，请使用完整的安装包";
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_TITLE) == splitTitle; }, 10000))
      << text(w.window, IDC_Q_TITLE);
  EXPECT_EQ(text(w.window, IDC_Q_PACKAGE), "com.zorvik.modern");  // whose part it is
  test::pump(300);
  EXPECT_TRUE(test::saveWindowPng(w.window.hwnd(), test::artifactPath("quillet-split-part.png")));
  w.window.startInstall();  // refused with the same words, before any device is asked
  EXPECT_EQ(text(w.window, IDC_Q_TITLE), splitTitle);
}

// An install whose tool never ends: closing the window ends the tool and does not wait for it.
TEST_F(Quillet, ClosingWhileTheToolHangsDoesNotWait) {
  QuilletOptions o = options(fixture("basic.apk"));
  o.adb = programFolder() + "hangadb.exe";
  auto w = std::make_unique<OpenWindow>(o);
  ASSERT_TRUE(test::pumpUntil([&] { return text(w->window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  SendMessageA(w->window.hwnd(), WM_COMMAND, IDC_Q_INSTALL, 0);
  ASSERT_TRUE(test::pumpUntil([] { return test::runningCount("hangadb.exe") > 0; }, 10000));
  const auto start = std::chrono::steady_clock::now();
  w.reset();
  const long closeMs = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  RecordProperty("close_ms_with_hung_adb", static_cast<int>(closeMs));
  std::printf("closing Quillet with a hung adb took %ld ms\n", closeMs);
  EXPECT_LT(closeMs, 3000);
  EXPECT_TRUE(test::pumpUntil([] { return test::runningCount("hangadb.exe") == 0; }, 2000)) << "the tool outlived the window";
}

TEST_F(Quillet, HostilePackagesAreRefusedAndTheWindowStays) {
  OpenWindow w(options());
  for (const char* name : {"hostile-cut.apk", "hostile-counts.apk", "hostile-bomb.apk", "hostile-50mb.apk",
                           "nomanifest.apk", "basic.zip"}) {
    w.window.openPath(fixture("basic.apk"));
    ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
    w.window.openPath(fixture(name));
    ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_TITLE) == "【错误】不是有效的APK文件"; }, 20000))
        << name << ": " << text(w.window, IDC_Q_TITLE);
    EXPECT_EQ(text(w.window, IDC_Q_PACKAGE), "") << name;
    EXPECT_TRUE(IsWindow(w.window.hwnd()));
    // Refused at install, before any device is asked.
    w.window.startInstall();
    EXPECT_EQ(text(w.window, IDC_Q_TITLE), "【错误】不是有效的APK文件，Quillet拒绝安装");
  }
}

TEST_F(Quillet, InstallAndRunFromTheWindow) {
  OpenWindow w(options(fixture("basic.apk")));
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  SendMessageA(w.window.hwnd(), WM_COMMAND, IDC_Q_INSTALL, 0);
  SendMessageA(w.window.hwnd(), WM_COMMAND, IDC_Q_INSTALL, 0);  // a second click while it runs does nothing
  ASSERT_TRUE(test::pumpUntil([&] { return !w.window.installing(); }, 30000));
  EXPECT_EQ(text(w.window, IDC_Q_TITLE), "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用");
  const std::string before = control(ports_.control, "count processes QL1");
  SendMessageA(w.window.hwnd(), WM_COMMAND, IDC_Q_RUN, 0);
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_TITLE) == "演示程序 已经在手机上运行"; }, 30000))
      << text(w.window, IDC_Q_TITLE);
  // The launch activity was started on the phone: a process of the package appears.
  EXPECT_TRUE(test::pumpUntil([&] { return control(ports_.control, "count processes QL1") != before; }, 10000)) << before;
}

// A package that reuses an installed package's name with a launch activity named "$(id)": the
// phone's shell is asked for the package list and never given anything with the name in it.
TEST_F(Quillet, ActivityNamedAsAShellCommandNeverReachesThePhonesShell) {
  OpenWindow w(options(fixture("hostile-activity.apk")));
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 10000));
  SendMessageA(w.window.hwnd(), WM_COMMAND, IDC_Q_INSTALL, 0);
  ASSERT_TRUE(test::pumpUntil([&] { return !w.window.installing(); }, 30000));
  ASSERT_EQ(text(w.window, IDC_Q_TITLE), "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用");
  SendMessageA(w.window.hwnd(), WM_COMMAND, IDC_Q_RUN, 0);
  ASSERT_TRUE(test::pumpUntil([&] { return text(w.window, IDC_Q_TITLE) == std::string("演示程序") + kUnsafeActivityText; },
                              30000))
      << text(w.window, IDC_Q_TITLE);
  EXPECT_NE(control(ports_.control, "shell ran QL1 pm list package"), "OK 0");
  // A start would be on its way without waiting for it: give it the time one takes.
  EXPECT_FALSE(test::pumpUntil([&] { return control(ports_.control, "shell ran QL1 am start") != "OK 0"; }, 2000));
  EXPECT_EQ(control(ports_.control, "shell ran QL1 (id)"), "OK 0");
}

TEST_F(Quillet, ComponentsDialogStatusFromThePhone) {
  set("agent installed 1 QL1");
  ComponentsDialog dialog(adbPath(), programFolder());
  ASSERT_TRUE(dialog.createModeless(nullptr));
  ShowWindow(dialog.hwnd(), SW_SHOW);
  ASSERT_TRUE(test::pumpUntil([&] { return !dialog.busy() && dialog.list().view().cell(0, 3) == "已安装"; }, 20000));
  EXPECT_EQ(dialog.list().count(), 12);
  EXPECT_EQ(dialog.list().view().cell(1, 3), "未安装");
  EXPECT_EQ(dialog.list().checkedRows().size(), 7u);  // the essential preset
  dialog.choosePreset(Preset::kInstallerOnly);
  EXPECT_EQ(dialog.list().checkedRows(), (std::vector<int>{0, 1}));
  test::pump(300);
  EXPECT_TRUE(test::saveWindowPng(dialog.hwnd(), test::artifactPath("quillet-components.png")));
  // com.zorvik.AppsMgr.apk is not beside the test: nothing is installed.
  dialog.startInstall();
  ASSERT_TRUE(test::pumpUntil([&] { return !dialog.busy(); }, 20000));
  EXPECT_EQ(windowText(GetDlgItem(dialog.hwnd(), IDC_C_STATUS)), "【错误】卓维克部分组件丢失，请重新安装Quillet来修复");
  DestroyWindow(dialog.hwnd());
}

// The association, written into a scratch key that stands in for HKEY_CLASSES_ROOT.
class Association : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, scratch_.put(),
                              nullptr),
              ERROR_SUCCESS);
    override_ = std::make_unique<ClassesRootOverride>(scratch_.get());
    ASSERT_TRUE(override_->ok());
  }
  void TearDown() override {
    override_.reset();
    scratch_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }
  static constexpr const char* kScratch = "Software\\ZorvikTests\\QuilletClasses";
  GdiplusSession gdiplus_;  // for the screenshot
  UniqueHkey scratch_;
  std::unique_ptr<ClassesRootOverride> override_;
};

TEST_F(Association, WrittenDetectedTakenBackAndKeptWhenUnticked) {
  const std::string program = "C:\\Program Files\\Zorvik\\Quillet.exe";
  EXPECT_FALSE(isAssociated(program));
  EXPECT_TRUE(writeAssociation(program));
  EXPECT_TRUE(isAssociated(program));
  EXPECT_FALSE(isAssociated("D:\\Moved\\Quillet.exe"));  // moved: not ours until written again
  UniqueHkey icon = openRegKey(HKEY_CLASSES_ROOT, "pkgnest042.apk\\DefaultIcon");
  ASSERT_TRUE(icon);
  // Another program takes .apk.
  {
    UniqueHkey apk = openRegKey(HKEY_CLASSES_ROOT, ".apk", KEY_ALL_ACCESS);
    ASSERT_EQ(RegSetValueExA(apk.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("Other.apk"), 10),
              ERROR_SUCCESS);
  }
  EXPECT_FALSE(isAssociated(program));
  QuilletSettingsDialog dialog(program);
  ASSERT_TRUE(dialog.createModeless(nullptr));
  EXPECT_FALSE(Button(dialog.hwnd(), IDC_S_ASSOCIATE).checked());
  dialog.repair();
  EXPECT_EQ(windowText(GetDlgItem(dialog.hwnd(), IDC_S_STATUS)), "修复完成，找个APK文件运行下吧 ！");
  EXPECT_TRUE(Button(dialog.hwnd(), IDC_S_ASSOCIATE).checked());
  EXPECT_TRUE(isAssociated(program));
  ShowWindow(dialog.hwnd(), SW_SHOW);
  test::pump(300);
  override_.reset();  // the picture encoder is found through the real classes root
  EXPECT_TRUE(test::saveWindowPng(dialog.hwnd(), test::artifactPath("quillet-settings.png")));
  override_ = std::make_unique<ClassesRootOverride>(scratch_.get());
  Button(dialog.hwnd(), IDC_S_ASSOCIATE).setChecked(false);
  dialog.apply();
  EXPECT_TRUE(isAssociated(program));  // unticking removes nothing
  DestroyWindow(dialog.hwnd());
  UniqueHkey progid = openRegKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.apk");
  EXPECT_TRUE(progid);
}

// ---------------------------------------------------------------- Quillet.exe

std::vector<HWND> markedWindows() {
  std::vector<HWND> found;
  EnumWindows([](HWND w, LPARAM p) -> BOOL {
    if (reinterpret_cast<INT_PTR>(GetPropA(w, "Quillet")) == 1103) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Process {
  PROCESS_INFORMATION pi{};
  explicit Process(const std::string& args) {
    std::string line = "\"" + programFolder() + "Quillet.exe\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  }
  ~Process() {
    if (!pi.hProcess) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
};

std::string fieldOf(HWND w, int id) {
  char buffer[512] = {};
  GetDlgItemTextA(w, id, buffer, sizeof buffer);
  return buffer;
}

TEST(QuilletProgram, ASecondStartHandsItsPathToTheFirstWindow) {
  ASSERT_TRUE(markedWindows().empty());
  const DWORD started = GetTickCount();
  Process first("\"" + fixture("basic.apk") + "\"");
  ASSERT_TRUE(test::pumpUntil([] { return markedWindows().size() == 1; }, 30000));
  HWND w = markedWindows()[0];
  ASSERT_TRUE(test::pumpUntil([&] { return fieldOf(w, IDC_Q_PACKAGE) == "com.zorvik.demo"; }, 20000));
  std::printf("Quillet.exe start to filled window: %lu ms\n", static_cast<unsigned long>(GetTickCount() - started));
  Process second("\"" + fixture("plugin.apk") + "\"");
  EXPECT_EQ(WaitForSingleObject(second.pi.hProcess, 20000), WAIT_OBJECT_0);
  ASSERT_TRUE(test::pumpUntil([&] { return fieldOf(w, IDC_Q_PACKAGE) == "com.zorvik.plugin.sms"; }, 20000))
      << fieldOf(w, IDC_Q_PACKAGE);
  EXPECT_EQ(markedWindows().size(), 1u);
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 15000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// Timing for the notes: Quillet.exe started with the framework's 45 MB package until its fields show.
TEST(QuilletProgram, StartToFilledWindowOnTheFrameworkPackage) {
  const std::string framework = "Z:\\usr\\share\\android-framework-res\\framework-res.apk";
  if (GetFileAttributesA(framework.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no framework package";
  ASSERT_TRUE(markedWindows().empty());
  const DWORD started = GetTickCount();
  Process first("\"" + framework + "\"");
  ASSERT_TRUE(test::pumpUntil([] { return markedWindows().size() == 1; }, 30000));
  HWND w = markedWindows()[0];
  ASSERT_TRUE(test::pumpUntil([&] { return fieldOf(w, IDC_Q_PACKAGE) == "android"; }, 30000));
  std::printf("Quillet.exe start to filled window, framework-res.apk: %lu ms\n",
              static_cast<unsigned long>(GetTickCount() - started));
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 15000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace zorvik
