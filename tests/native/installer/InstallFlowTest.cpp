// The install flow over a scripted host: what each tool output reads as, which command runs,
// what the user sees while it runs, and that the temporary copy never outlives an install.
#include "installer/InstallFlow.h"
#include "installer/Association.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zorvik {
namespace {

class ScriptedHost : public InstallHost {
 public:
  std::map<std::string, AdbRunResult> answers;  // by the command's first words after the serial
  std::vector<std::string> commands, statuses, offered;
  std::set<std::string> files{"C:\\pkg\\a.apk"};
  std::string choice;
  uint64_t freeMb = 1000;
  bool copyWorks = true;

  AdbRunResult run(const std::string& commandLine, size_t) override {
    commands.push_back(commandLine);
    for (const auto& [key, answer] : answers)
      if (commandLine.find(key) != std::string::npos) return answer;
    return {AdbRunStatus::Ok, ""};
  }
  std::string chooseDevice(const std::vector<std::string>& serials) override {
    offered = serials;
    return choice;
  }
  std::string temporaryFolder() override { return "C:\\Temp\\"; }
  uint64_t freeMegabytes(const std::string&) override { return freeMb; }
  bool fileExists(const std::string& path) override { return files.count(path) > 0; }
  bool copyFile(const std::string&, const std::string& to) override {
    if (copyWorks) files.insert(to);
    return copyWorks;
  }
  void deleteFile(const std::string& path) override { files.erase(path); }
  std::tm localTime() override {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    return t;
  }
  void status(const std::string& text) override { statuses.push_back(text); }

  void devices(const std::string& listing) { answers[" devices"] = {AdbRunStatus::Ok, listing}; }
  void installSays(const std::string& output) { answers[" install "] = {AdbRunStatus::Ok, output}; }
};

InstallRequest request(uint64_t size = 1000) {
  InstallRequest r;
  r.adb = "C:\\Q\\adb.exe";
  r.path = "C:\\pkg\\a.apk";
  r.sizeBytes = size;
  return r;
}

const char kOne[] = "List of devices attached\nSER1\tdevice\n\n";
const char kTwo[] = "List of devices attached\nSER1\tdevice\nSER2\tdevice\n\n";

TEST(InstallResultText, EveryRowInItsOrder) {
  const std::pair<const char*, const char*> rows[] = {
      {"Success", "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用"},
      {"error: x is not a valid zip file", "【安装失败】请选择一个有效的APK文件"},
      {"does not contain AndroidManifest.xml", "【安装失败】APK文件已经损坏"},
      {"failed to install", "【安装失败】APK文件意外丢失"},
      {"error: device not found", "【安装失败】请确认手机已经连接到电脑上"},
      {"Error: Unknown option: -s", "【安装失败】设备不支持安装到SD卡上"},
      {"failed to copy 'a' to 'b'", "【安装失败】SD卡尚未成功挂载，您可以取消勾选【优先装到SD卡上】选项，将应用安装到手机上"},
      {"Failure [INSTALL_FAILED_CONTAINER_ERROR]", "【安装失败】请确认手机已经连接到电脑上"},
      {"Failure [INSTALL_FAILED_ALREADY_EXISTS]", "【安装失败】文件已经存在, 请先删除手机上老的版本后再试"},
      {"Failure [INSTALL_FAILED_CONFLICTING_PROVIDER]", "【安装失败】Provider验证错误"},
      {"Failure [INSTALL_FAILED_DEXOPT]", "【安装失败】APK文件损坏"},
      {"Failure [INSTALL_FAILED_DUPLICATE_PACKAGE]", "【安装失败】Package冲突, 请联系APK文件的开发商"},
      {"Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]", "【安装失败】手机内存已满"},
      {"Failure [INSTALL_FAILED_INVALID_APK]", "【安装失败】无效的APK文件"},
      {"Failure [INSTALL_FAILED_INVALID_URI]", "【安装失败】内部错误，请联系support@zorvik.com"},
      {"Failure [INSTALL_FAILED_MISSING_SHARED_LIBRARY]", "【安装失败】共享库丢失, 请联系APK文件的开发商"},
      {"Failure [INSTALL_FAILED_NO_SHARED_USER]", "【安装失败】没有该共享用户, 请联系APK文件的开发商"},
      {"Failure [INSTALL_FAILED_OLDER_SDK]", "【安装失败】该软件版本过老, 请联系APK文件的开发商"},
      {"Failure [INSTALL_FAILED_REPLACE_COULDNT_DELETE]", "【安装失败】替换时无法删除老版本文件"},
      {"Failure [INSTALL_FAILED_SHARED_USER_INCOMPATIBLE]", "【安装失败】APK签名不兼容, 请联系APK文件的开发商"},
      {"Failure [INSTALL_FAILED_UPDATE_INCOMPATIBLE]", "【安装失败】更新内容不兼容, 请联系APK文件的开发商"},
      {"Failure [INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES]",
       "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
      {"Failure [INSTALL_PARSE_FAILED_NO_CERTIFICATES]",
       "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
      {"Failure [INSTALL_FAILED_VERSION_DOWNGRADE]", "【安装失败】未知错误"},
      {"", "【安装失败】未知错误"},
  };
  for (const auto& [output, text] : rows) EXPECT_EQ(installResultText(output), text) << output;
  // First match wins.
  EXPECT_EQ(installResultText("Failure [INSTALL_FAILED_ALREADY_EXISTS]\nSuccess"), rows[0].second);
  EXPECT_EQ(installResultText("device not found INSTALL_FAILED_DEXOPT"), "【安装失败】请确认手机已经连接到电脑上");
  EXPECT_EQ(installResultText("Success", true), "【安装成功】“卓维克”已经安装到您的手机中");
  EXPECT_EQ(installResultText("Failure [INSTALL_FAILED_DEXOPT]", true), "【安装失败】APK文件损坏");
}

TEST(InstallFlow, TemporaryNameAndCopyingTextBySize) {
  ScriptedHost host;
  EXPECT_EQ(temporaryCopyPath("C:\\Temp\\", host.localTime()), "C:\\Temp\\2026010570809.apk");
  EXPECT_STREQ(copyingText(10000000), "安装中,请稍等...");
  EXPECT_STREQ(copyingText(10000001), "安装中, 该文件较大请耐心等待...");
}

TEST(InstallFlow, OneDeviceInstallsAndDeletesTheCopy) {
  ScriptedHost host;
  host.devices(kOne);
  host.installSays("Performing Push Install\n\tpkg: /data/local/tmp/x.apk\nSuccess\n");
  const InstallOutcome o = installPackage(host, request(10000001));
  EXPECT_TRUE(o.installed);
  EXPECT_EQ(o.serial, "SER1");
  EXPECT_EQ(o.status, "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用");
  EXPECT_EQ(o.command, "C:\\Q\\adb.exe -s SER1 install -r C:\\Temp\\2026010570809.apk");
  EXPECT_EQ(host.statuses, (std::vector<std::string>{"开始安装应用，请稍等...", "安装中, 该文件较大请耐心等待..."}));
  EXPECT_EQ(host.files, (std::set<std::string>{"C:\\pkg\\a.apk"}));
  EXPECT_TRUE(host.offered.empty());
}

TEST(InstallFlow, DeviceChoiceResults) {
  {
    ScriptedHost host;
    host.answers[" devices"] = {AdbRunStatus::CannotRun, ""};
    EXPECT_EQ(installPackage(host, request()).status, "【内部错误】，请重新安装“Quillet”");
  }
  {
    ScriptedHost host;
    host.answers[" devices"] = {AdbRunStatus::CannotStart, ""};
    EXPECT_EQ(installPackage(host, request()).status, "【组件丢失，请重新安装“Quillet”");
  }
  {
    ScriptedHost host;
    host.devices("List of devices attached\nSER9\toffline\n\n");
    EXPECT_EQ(installPackage(host, request()).status, "【错误】没有找到Android设备，请检查USB连接");
  }
  {
    ScriptedHost host;
    host.devices(kTwo);
    const InstallOutcome o = installPackage(host, request());
    EXPECT_EQ(o.status, "【错误】没有选择任何设备，单击【设备管理】重新选择");
    EXPECT_EQ(host.offered, (std::vector<std::string>{"SER1", "SER2"}));
    EXPECT_EQ(host.commands.size(), 1u);  // nothing installed
  }
  {
    // A serial the chooser did not offer never reaches a command line.
    ScriptedHost host;
    host.devices(kTwo);
    host.choice = "SER1 & del";
    EXPECT_EQ(installPackage(host, request()).status, "【错误】没有选择任何设备，单击【设备管理】重新选择");
  }
  {
    ScriptedHost host;
    host.devices(kTwo);
    host.choice = "SER2";
    host.installSays("Success");
    EXPECT_EQ(installPackage(host, request()).serial, "SER2");
  }
}

TEST(InstallFlow, FreeSpaceMustExceedThePackageMegabytes) {
  ScriptedHost host;
  host.devices(kOne);
  host.freeMb = 30;
  EXPECT_EQ(installPackage(host, request(30ull << 20)).status, "【安装失败】当前电脑系统盘剩余空间不足");
  EXPECT_EQ(installPackage(host, request((30ull << 20) - 1)).status, "【安装失败】未知错误");
  // Components need more than 20 MB whatever their size.
  host.freeMb = 20;
  InstallRequest component = request(10);
  component.component = true;
  EXPECT_EQ(installPackage(host, component).status, "【安装失败】当前电脑系统盘剩余空间不足");
}

TEST(InstallFlow, MissingPackageAndFailedCopy) {
  ScriptedHost host;
  host.devices(kOne);
  host.files.clear();
  EXPECT_EQ(installPackage(host, request()).status, "【错误】要安装的APK文件意外丢失");
  host.files.insert("C:\\pkg\\a.apk");
  host.copyWorks = false;
  EXPECT_EQ(installPackage(host, request()).status, "【错误】系统临时文件夹读取失败");
  EXPECT_EQ(host.files.size(), 1u);
}

TEST(InstallFlow, ToolThatCannotStartStillLosesTheCopy) {
  ScriptedHost host;
  host.devices(kOne);
  host.answers[" install "] = {AdbRunStatus::CannotStart, ""};
  EXPECT_EQ(installPackage(host, request()).status, "【错误】组件丢失，请重新安装Quillet...");
  EXPECT_EQ(host.files, (std::set<std::string>{"C:\\pkg\\a.apk"}));
}

TEST(InstallFlow, SdOptionOnlyWhenTickedAllowedAndSdkEight) {
  struct Case {
    bool ticked, allowed;
    const char* sdk;
    bool passed;
  } cases[] = {{true, true, "8\n", true},  {true, true, "7", false},     {false, true, "15", false},
               {true, false, "15", false}, {true, true, "junk", false}, {true, true, "", false}};
  for (const Case& c : cases) {
    ScriptedHost host;
    host.devices(kOne);
    host.answers["getprop ro.build.version.sdk"] = {AdbRunStatus::Ok, c.sdk};
    InstallRequest r = request();
    r.sdTicked = c.ticked;
    r.sdAllowed = c.allowed;
    const InstallOutcome o = installPackage(host, r);
    EXPECT_EQ(o.command.find("install -r -s ") != std::string::npos, c.passed) << o.command;
  }
}

TEST(InstallFlow, QuotesPathsWithBlanks) {
  EXPECT_EQ(packageInstallCommand("C:\\a b\\adb.exe", "S", true, "C:\\t m\\1.apk"),
            "\"C:\\a b\\adb.exe\" -s S install -r -s \"C:\\t m\\1.apk\"");
  EXPECT_EQ(componentInstallCommand("adb", "S", "C:\\t\\1.apk"), "adb -s S install C:\\t\\1.apk");
}

TEST(LaunchPlan, PluginLaunchActivityOrNothing) {
  ManifestInfo m;
  m.packageName = "com.zorvik.TaskMgr";
  m.isPlugin = true;
  m.launchActivity = ".Main";
  const std::string list = "package:com.android.phone\npackage:com.zorvik.TaskMgr\r\n";
  LaunchPlan p = launchPlan(list, m, "任务管理");
  EXPECT_EQ(p.status, "任务管理 已经在手机上运行");
  EXPECT_EQ(p.activity, ".TaskMgr");
  m.isPlugin = false;
  EXPECT_EQ(launchPlan(list, m, "X").activity, ".Main");
  m.launchActivity.clear();
  EXPECT_EQ(launchPlan(list, m, "X").activity, "");
  EXPECT_EQ(launchPlan(list, m, "X").status, "X 已经在手机上运行");
  // A longer name that starts with this one is another package.
  m.packageName = "com.zorvik.Task";
  EXPECT_EQ(launchPlan(list, m, "X").status, "X 您尚未安装，无法运行");
  EXPECT_EQ(launchPlan("", m, "X").status, "X 您尚未安装，无法运行");
  m.packageName.clear();
  EXPECT_EQ(launchPlan("package:\n", m, "X").status, "X 您尚未安装，无法运行");
}

TEST(WebLookups, OnlyForNamesHoldingADot) {
  EXPECT_EQ(marketUrl("http://m/", "com.a.b"), "http://m/store/apps/details?id=com.a.b");
  EXPECT_EQ(siteSearchUrl("http://s/", "www.z.com", "com.a"),
            "http://s/search?q=com.a&ie=gb2312&oe=gb2312&hl=zh-cn&domains=www.z.com&sitesearch=www.z.com");
  EXPECT_EQ(marketUrl("http://m/", "nodot"), "");
  EXPECT_EQ(siteSearchUrl("http://s/", "z", ""), "");
  EXPECT_EQ(marketUrl("http://m/", "a.b&x=\"y\""), "");  // not a package name: never put in an address
}

TEST(Components, PresetsAndStatus) {
  ASSERT_STREQ(components()[9].package, "com.zorvik.Flashlight");
  std::vector<bool> none(kComponentCount, false);
  EXPECT_EQ(presetTicks(Preset::kAll, none), std::vector<bool>(kComponentCount, true));
  const std::vector<bool> installer = presetTicks(Preset::kInstallerOnly, none);
  EXPECT_TRUE(installer[0] && installer[1]);
  EXPECT_EQ(std::count(installer.begin(), installer.end(), true), 2);
  std::vector<bool> mine(kComponentCount, false);
  mine[11] = true;
  EXPECT_EQ(presetTicks(Preset::kCustom, mine), mine);
  const std::vector<bool> installed = installedComponents("package:com.zorvik.RamUp\npackage:com.zorvik.Zorvik\n");
  EXPECT_TRUE(installed[0]);
  EXPECT_TRUE(installed[10]);
  EXPECT_FALSE(installed[1]);
}

TEST(Components, InstallsTickedFilesOnOneDevice) {
  ScriptedHost host;
  host.devices(kTwo);
  host.choice = "SER2";
  host.installSays("Success");
  std::vector<bool> ticked(kComponentCount, false);
  EXPECT_EQ(installComponents(host, "adb", "C:\\Q\\", ticked).status, "【错误】您尚未选择任何要安装的组件");
  ticked[0] = ticked[3] = true;
  EXPECT_EQ(installComponents(host, "adb", "C:\\Q\\", ticked).status, "【错误】卓维克部分组件丢失，请重新安装Quillet来修复");
  host.files.insert("C:\\Q\\com.zorvik.Zorvik.apk");
  host.files.insert("C:\\Q\\com.zorvik.TaskMgr.apk");
  host.commands.clear();
  const InstallOutcome o = installComponents(host, "adb", "C:\\Q\\", ticked);
  EXPECT_EQ(o.status, "【安装成功】“卓维克”已经安装到您的手机中");
  ASSERT_EQ(host.commands.size(), 3u);  // one listing, two installs
  EXPECT_EQ(host.commands[1], "adb -s SER2 install C:\\Temp\\2026010570809.apk");
  EXPECT_EQ(host.files.size(), 3u);  // both copies gone
  host.choice.clear();
  EXPECT_EQ(installComponents(host, "adb", "C:\\Q\\", ticked).status, "【错误】没有选择任何设备，请重新执行安装并选择设备");
}

TEST(Association, FiveEntriesAndExactComparisons) {
  const std::string program = "C:\\Program Files\\Zorvik\\Quillet.exe";
  const auto entries = associationEntries(program);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].subkey, ".apk");
  EXPECT_EQ(entries[0].data, "pkgnest042.apk");
  EXPECT_EQ(entries[1].data, "Android程序安装包 (.apk)");
  EXPECT_EQ(entries[2].subkey, "pkgnest042.apk\\DefaultIcon");
  EXPECT_EQ(entries[2].data, program + ",0");
  EXPECT_EQ(entries[3].data, "\"C:\\Program Files\\Zorvik\\Quillet.exe\" \"%1\"");
  EXPECT_FALSE(entries[4].classes);
  EXPECT_EQ(entries[4].valueName, "Progid");
  EXPECT_TRUE(associationMatches("pkgnest042.apk", entries[3].data, program));
  EXPECT_FALSE(associationMatches("PKGNEST042.apk", entries[3].data, program));
  EXPECT_FALSE(associationMatches("pkgnest042.apk", "\"c:\\program files\\zorvik\\quillet.exe\" \"%1\"", program));
  EXPECT_FALSE(associationMatches("pkgnest042.apk", entries[3].data, "D:\\Moved\\Quillet.exe"));
}

}  // namespace
}  // namespace zorvik
