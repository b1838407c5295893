// The install flow over a scripted host: what each tool output reads as, which command runs,
// what the user sees while it runs, and that the temporary copy never outlives an install.
#include "installer/InstallFlow.h"
#include "installer/Association.h"
#include "devlink/DeviceTables.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zorvik {
namespace {

class ScriptedHost : public InstallHost {
 public:
  std::map<std::string, AdbRunResult> answers;  // by the command's first words after the serial
  std::vector<std::string> commands, statuses, offered;
  std::vector<unsigned> deadlines;
  std::set<std::string> files{"C:\\pkg\\a.apk"};
  std::string choice;
  uint64_t freeMb = 1000;
  bool copyWorks = true;

  AdbRunResult run(const std::string& commandLine, size_t, unsigned deadlineMs) override {
    deadlines.push_back(deadlineMs);
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
      {"can't find 'C:\\t\\1.apk' to install", "【安装失败】APK文件意外丢失"},
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
      {"Failure [INSTALL_FAILED_VERSION_DOWNGRADE]", "【安装失败】手机中已装的版本更新，不能换成较旧的版本"},
      {"Failure [INSTALL_FAILED_NOT_A_CODE]", "【安装失败】未知错误"},
      {"", "【安装失败】未知错误"},
  };
  for (const auto& [output, text] : rows) EXPECT_EQ(installResultText(output), text) << output;
  // First match wins.
  EXPECT_EQ(installResultText("Failure [INSTALL_FAILED_ALREADY_EXISTS]\nSuccess"), rows[0].second);
  // The phone's code says more than the tool's words around it.
  EXPECT_EQ(installResultText("device not found INSTALL_FAILED_DEXOPT"), "【安装失败】APK文件损坏");
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
    // The tool beside Quillet reaches no server: that is what the user has to mend, not the cable.
    ScriptedHost host;
    host.devices("adb: error: cannot connect to daemon at tcp:5037: Connection refused\n");
    EXPECT_EQ(installPackage(host, request()).status, kNoAdbServerText);
  }
  {
    ScriptedHost host;
    host.devices(kTwo);
    const InstallOutcome o = installPackage(host, request());
    EXPECT_EQ(o.status, "【错误】没有选择任何设备，单击【安装到手机】重新选择");
    EXPECT_EQ(host.offered, (std::vector<std::string>{"SER1", "SER2"}));
    EXPECT_EQ(host.commands.size(), 1u);  // nothing installed
  }
  {
    // A serial the chooser did not offer never reaches a command line.
    ScriptedHost host;
    host.devices(kTwo);
    host.choice = "SER1 & del";
    EXPECT_EQ(installPackage(host, request()).status, "【错误】没有选择任何设备，单击【安装到手机】重新选择");
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
  EXPECT_EQ(p.activity, "com.zorvik.TaskMgr.TaskMgr");
  m.isPlugin = false;
  EXPECT_EQ(launchPlan(list, m, "X").activity, "com.zorvik.TaskMgr.Main");
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

TEST(WebLookups, SiteOfTheConfiguredBase) {
  EXPECT_EQ(siteOfBase("http://www.zorvik.com/"), "www.zorvik.com");
  EXPECT_EQ(siteOfBase("http://127.0.0.1:8080/base/"), "127.0.0.1");
  EXPECT_EQ(siteOfBase("host.example"), "host.example");
  EXPECT_EQ(siteOfBase(""), "");
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

// What the tools really print: a newer adb's failure line names the code after "failed to install",
// our client and newer adb name the missing serial.
TEST(InstallResultText, RealToolLines) {
  const std::pair<const char*, const char*> rows[] = {
      {"Performing Streamed Install\nadb: failed to install C:\\t\\1.apk: Failure [INSTALL_FAILED_ALREADY_EXISTS: "
       "Attempt to re-install com.a without first uninstalling.]",
       "【安装失败】文件已经存在, 请先删除手机上老的版本后再试"},
      {"adb: failed to install 1.apk: Failure [INSTALL_FAILED_DUPLICATE_PERMISSION_GROUP: x]",
       "【安装失败】该软件定义的权限组已被手机中的其他应用定义"},
      {"adb: failed to install 1.apk: Failure [INSTALL_PARSE_FAILED_NOT_APK: Failed to parse]",
       "【安装失败】请选择一个有效的APK文件"},
      {"adb: failed to install 1.apk: cmd: Can't find service: package", "【安装失败】未知错误"},
      {"error: device 'SER1' not found", "【安装失败】请确认手机已经连接到电脑上"},
      {"adb: error: device 'emulator-5554' not found", "【安装失败】请确认手机已经连接到电脑上"},
      {"Performing Push Install\nadb: error: failed to get feature set: device 'SER1' not found",
       "【安装失败】请确认手机已经连接到电脑上"},
      {"Performing Push Install\nadb: error: failed to get feature set: no devices/emulators found",
       "【安装失败】请确认手机已经连接到电脑上"},
      {"error: no devices/emulators found", "【安装失败】请确认手机已经连接到电脑上"},
      {"Performing Push Install\nadb: error: cannot stat 'C:\\t\\1.apk': No such file or directory",
       "【安装失败】APK文件意外丢失"},
      {"adb: failed to stat C:\\t\\1.apk: No such file or directory", "【安装失败】APK文件意外丢失"},
      {"adb: failed to install 1.apk: Failure [INSTALL_ACTIVATION_FAILED: apex]", "【安装失败】手机启用新安装的软件时出错，请重试"},
      {"MY_INSTALL_FAILED_DEXOPT", "【安装失败】未知错误"},
  };
  for (const auto& [output, text] : rows) EXPECT_EQ(installResultText(output), text) << output;
  // Every code the package manager declares reads as words of its own, never the unknown text.
  ASSERT_GE(installFailureCodeCount(), 60u);
  for (size_t i = 0; i < installFailureCodeCount(); ++i) {
    const std::string name = installFailureCodeName(i);
    const std::string text = installResultText("Failure [" + name + "]");
    EXPECT_NE(text, "【安装失败】未知错误") << name;
    EXPECT_EQ(text.rfind("【安装失败】", 0), 0u) << name;
  }
}

// Names from a package reach the phone's shell only when they are names: nothing a shell would
// read as an operator, a substitution or a second word.
TEST(CommandLineNames, HostileNamesStartNothing) {
  EXPECT_EQ(startActivityCommand("adb", "S1", "com.a.b", ".Main"), "adb -s S1 shell am start -n com.a.b/com.a.b.Main");
  EXPECT_EQ(startActivityCommand("adb", "S1", "com.a.b", "Main"), "adb -s S1 shell am start -n com.a.b/com.a.b.Main");
  EXPECT_EQ(startActivityCommand("adb", "S1", "com.a.b", "org.x.Outer$Inner"),
            "adb -s S1 shell am start -n 'com.a.b/org.x.Outer$Inner'");  // $Inner not expanded by the phone
  EXPECT_EQ(startActivityCommand("adb", "S1", "com.a.b", ".$0"), "adb -s S1 shell am start -n 'com.a.b/com.a.b.$0'");
  for (const char* activity : {".Main;reboot", ".M $(reboot)", "a.b`id`", ".M|sh", ".M&&id", "a..b", ".9x", "a.b.",
                               ".M\nid", "a b.C", ".M>x", "\xe4\xb8\xad.A"})
    EXPECT_EQ(startActivityCommand("adb", "S1", "com.a.b", activity), "") << activity;
  for (const char* package : {"com.a;id", "nodot", "com.9a", "com.a b", "com.a$b", ""})
    EXPECT_EQ(startActivityCommand("adb", "S1", package, ".Main"), "") << package;
  for (const char* serial : {"", "\"S\"", "S\tX"})
    EXPECT_EQ(startActivityCommand("adb", serial, "com.a.b", ".Main"), "") << serial;
  // The serial is the tool's own word, never the phone shell's: quoted whole, whatever it holds.
  EXPECT_EQ(startActivityCommand("adb", "my device 1", "com.a.b", ".Main"),
            "adb -s \"my device 1\" shell am start -n com.a.b/com.a.b.Main");
  EXPECT_EQ(packageInstallCommand("adb", "S;id", true, "C:\\my apps\\a.apk"), "adb -s S;id install -r -s \"C:\\my apps\\a.apk\"");
  EXPECT_EQ(componentInstallCommand("adb", "my device 1", "a.apk"), "adb -s \"my device 1\" install a.apk");
  EXPECT_TRUE(isPlainSerial("emulator-5554"));
  EXPECT_TRUE(isPlainSerial("192.168.1.5:5555"));
  EXPECT_FALSE(isJavaClassName(std::string(2000, 'a')));

  ManifestInfo m;
  m.packageName = "com.a.b";
  m.launchActivity = ".Main;reboot";
  const LaunchPlan hostile = launchPlan("package:com.a.b\n", m, "X");
  EXPECT_EQ(hostile.activity, "");
  EXPECT_EQ(hostile.status, std::string("X") + kUnsafeActivityText);
  m.launchActivity = ".Main";
  EXPECT_EQ(launchPlan("package:com.a.b\n", m, "X").activity, "com.a.b.Main");
}

TEST(CommandLineNames, UnsafeSerialRunsNoInstall) {
  ScriptedHost host;
  host.devices("List of devices attached\nS\"x -s Y\tdevice\n");
  const InstallOutcome out = installPackage(host, request());
  EXPECT_EQ(out.status, kUnsafeSerialText);
  for (const std::string& c : host.commands) EXPECT_EQ(c.find(" install"), std::string::npos) << c;
  EXPECT_EQ(host.files.size(), 1u);  // no copy was made
}

TEST(CommandLineNames, ASerialWithBlanksInstallsQuoted) {
  ScriptedHost host;
  host.devices("List of devices attached\nmy device 1\tdevice\n");
  installPackage(host, request());
  bool installed = false;
  for (const std::string& c : host.commands)
    installed = installed || c.find(" -s \"my device 1\" install -r ") != std::string::npos;
  EXPECT_TRUE(installed);
}

TEST(Deadlines, EveryRunHasOneAndATimeoutSaysSo) {
  ScriptedHost host;
  host.devices("List of devices attached\nS1\tdevice\n");
  InstallRequest r = request();
  r.sdTicked = true;
  r.sizeBytes = 80ull << 20;  // ten minutes more than a small package's two
  host.answers[" install "] = {AdbRunStatus::Ok, "Performing Streamed Install", true};
  const InstallOutcome out = installPackage(host, r);
  ASSERT_EQ(host.deadlines.size(), host.commands.size());
  ASSERT_EQ(host.commands.size(), 3u);  // devices, sdk, install
  EXPECT_EQ(host.deadlines[0], kAdbQueryDeadlineMs);
  EXPECT_EQ(host.deadlines[1], kAdbQueryDeadlineMs);
  EXPECT_EQ(host.deadlines[2], 12u * 60000);
  EXPECT_FALSE(out.installed);
  EXPECT_NE(out.status.find("超时"), std::string::npos);
  EXPECT_EQ(host.files.size(), 1u);  // the copy is gone after a timeout too
}

// Two installs in one second: the second copy takes another name, so neither deletes the other's.
TEST(InstallFlow, CopiesInOneSecondKeepApart) {
  ScriptedHost host;
  host.devices("List of devices attached\nS1\tdevice\n");
  host.files.insert("C:\\Temp\\2026010570809.apk");  // another install's copy, same second
  const InstallOutcome out = installPackage(host, request());
  EXPECT_EQ(out.command, "C:\\Q\\adb.exe -s S1 install -r C:\\Temp\\2026010570809_1.apk");
  EXPECT_EQ(host.files.count("C:\\Temp\\2026010570809.apk"), 1u);  // left alone
  EXPECT_EQ(host.files.count("C:\\Temp\\2026010570809_1.apk"), 0u);  // own copy deleted
}

}  // namespace
}  // namespace zorvik
