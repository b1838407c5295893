#include "installer/InstallFlow.h"

#include <cstdio>
#include <cstdlib>

#include "devlink/DeviceTables.h"

namespace zorvik {

const char kStartingText[] = "开始安装应用，请稍等...";
const char kNoPackageText[] = "【错误】没有找到要安装的文件,您可以拖入一个APK文件进来";
const char kRefusedPackageText[] = "【错误】不是有效的APK文件，Quillet拒绝安装";
const char kNoComponentTicked[] = "【错误】您尚未选择任何要安装的组件";
const char kComponentMissing[] = "【错误】卓维克部分组件丢失，请重新安装Quillet来修复";

namespace {

constexpr const char kSupportContact[] = "support@zorvik.com";
constexpr uint64_t kComponentFreeMegabytes = 20;

struct ResultRow {
  const char* key;
  const char* text;
};

// First match wins: "Success" before everything, so output that also names a failure code still
// reads as success.
const ResultRow kResults[] = {
    {"Success", "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用"},
    {"is not a valid zip file", "【安装失败】请选择一个有效的APK文件"},
    {"not contain", "【安装失败】APK文件已经损坏"},
    {"to install", "【安装失败】APK文件意外丢失"},
    {"device not found", "【安装失败】请确认手机已经连接到电脑上"},
    {"Error: Unknown option: -s", "【安装失败】设备不支持安装到SD卡上"},
    {"failed to copy", "【安装失败】SD卡尚未成功挂载，您可以取消勾选【优先装到SD卡上】选项，将应用安装到手机上"},
    {"INSTALL_FAILED_CONTAINER_ERROR", "【安装失败】请确认手机已经连接到电脑上"},
    {"INSTALL_FAILED_ALREADY_EXISTS", "【安装失败】文件已经存在, 请先删除手机上老的版本后再试"},
    {"INSTALL_FAILED_CONFLICTING_PROVIDER", "【安装失败】Provider验证错误"},
    {"INSTALL_FAILED_DEXOPT", "【安装失败】APK文件损坏"},
    {"INSTALL_FAILED_DUPLICATE_PACKAGE", "【安装失败】Package冲突, 请联系APK文件的开发商"},
    {"INSTALL_FAILED_INSUFFICIENT_STORAGE", "【安装失败】手机内存已满"},
    {"INSTALL_FAILED_INVALID_APK", "【安装失败】无效的APK文件"},
    {"INSTALL_FAILED_INVALID_URI", nullptr},  // carries the support contact
    {"INSTALL_FAILED_MISSING_SHARED_LIBRARY", "【安装失败】共享库丢失, 请联系APK文件的开发商"},
    {"INSTALL_FAILED_NO_SHARED_USER", "【安装失败】没有该共享用户, 请联系APK文件的开发商"},
    {"INSTALL_FAILED_OLDER_SDK", "【安装失败】该软件版本过老, 请联系APK文件的开发商"},
    {"INSTALL_FAILED_REPLACE_COULDNT_DELETE", "【安装失败】替换时无法删除老版本文件"},
    {"INSTALL_FAILED_SHARED_USER_INCOMPATIBLE", "【安装失败】APK签名不兼容, 请联系APK文件的开发商"},
    {"INSTALL_FAILED_UPDATE_INCOMPATIBLE", "【安装失败】更新内容不兼容, 请联系APK文件的开发商"},
    {"INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES",
     "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
    {"INSTALL_PARSE_FAILED_NO_CERTIFICATES",
     "【安装失败】将安装的APK文件和手机中已装版本签名不同，请先卸载手机中的版本后再试"},
};

const Component kComponents[kComponentCount] = {
    {"卓维克", "com.zorvik.Zorvik", "651 KB", "卓维克基础框架,提供Zorvik基础运行时库和系统快捷设置面板"},
    {"应用管理", "com.zorvik.AppsMgr", "192 KB", "在手机上管理APK文件批量安装、批量卸载"},
    {"文件管理", "com.zorvik.FileMgr", "522 KB", "最好的安卓手机文件管理器，支持Root权限删除系统自带应用功能"},
    {"任务管理", "com.zorvik.TaskMgr", "108 KB", "结束任务，查看软件运行占用内存和每个应用的CPU占用率，强烈推荐"},
    {"系统清理", "com.zorvik.Cleaner", "119 KB", "自动扫描应用缓存使用，一键清理应用缓存"},
    {"启动管理", "com.zorvik.BootMgr", "105 KB", "高级启动检查模式，数百项启动检测方式更彻底。"},
    {"书签管理", "com.zorvik.FavMgr", "107 KB", "编辑浏览器书签，批量删除系统浏览器收藏夹项"},
    {"桌面管理", "com.zorvik.CutMgr", "241 KB", "修改、创建来电、短信、应用快捷方式，批量删除桌面图标"},
    {"条码扫描", "com.zorvik.Barcode", "268 KB", "扫描一维条码、QR二维条码，轻松下载Zorvik软件从电脑上"},
    {"手电筒", "com.zorvik.Flashlight", "82 KB", "控制屏幕背光，摄像头LED闪光灯作为手电筒"},
    {"内存整理", "com.zorvik.RamUp", "49 KB", "一键释放内存，兼容任务管理的忽略列表"},
    {"系统信息", "com.zorvik.SysInfo", "160 KB", "全面深入了解Android设备系统信息，支持OpenGL和感应器列表查看"},
};

}  // namespace

const char* const kComponentColumns[6] = {"图标", "应用名称和描述", "分类", "状态", "版本", "选择"};
const char* const kPresetNames[4] = {"全部功能", "必备组件", "仅安装器", "自定义"};

// ---------------------------------------------------------------- device choice

DeviceChoice chooseInstallDevice(InstallHost& host, const std::string& adb, std::string& serial) {
  serial.clear();
  const AdbRunResult listing = host.run(devicesCommand(adb), kDevicesOutputMax);
  if (listing.status == AdbRunStatus::CannotRun) return DeviceChoice::kNoPipe;
  if (listing.status == AdbRunStatus::CannotStart) return DeviceChoice::kCannotStart;
  const std::vector<std::string> serials = parseDevicesListing(trimmed(listing.output));
  if (serials.empty()) return DeviceChoice::kNoDevice;
  if (serials.size() == 1) {
    serial = serials[0];
    return DeviceChoice::kChosen;
  }
  serial = host.chooseDevice(serials);
  // Only a serial that was offered is used: it goes into a command line.
  for (const std::string& s : serials)
    if (s == serial) return DeviceChoice::kChosen;
  serial.clear();
  return DeviceChoice::kNoneChosen;
}

std::string deviceChoiceText(DeviceChoice choice, bool component) {
  switch (choice) {
    case DeviceChoice::kChosen: return {};
    case DeviceChoice::kNoPipe: return "【内部错误】，请重新安装“Quillet”";
    case DeviceChoice::kCannotStart: return "【组件丢失，请重新安装“Quillet”";
    case DeviceChoice::kNoDevice: return "【错误】没有找到Android设备，请检查USB连接";
    case DeviceChoice::kNoneChosen:
      return component ? "【错误】没有选择任何设备，请重新执行安装并选择设备"
                       : "【错误】没有选择任何设备，单击【设备管理】重新选择";
  }
  return {};
}

// ---------------------------------------------------------------- the pieces

std::string installResultText(std::string_view output, bool component) {
  for (const ResultRow& row : kResults) {
    if (output.find(row.key) == std::string_view::npos) continue;
    if (row.text == nullptr) return std::string("【安装失败】内部错误，请联系") + kSupportContact;
    if (component && row.key == kResults[0].key) return "【安装成功】“卓维克”已经安装到您的手机中";
    return row.text;
  }
  return "【安装失败】未知错误";
}

std::string temporaryCopyPath(const std::string& folder, const std::tm& local) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%d%02d%02d%d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return folder + stamp + ".apk";
}

const char* copyingText(uint64_t sizeBytes) {
  return sizeBytes > kLargePackageBytes ? "安装中, 该文件较大请耐心等待..." : "安装中,请稍等...";
}

bool installToSd(bool ticked, bool allowed, int sdkLevel) { return ticked && allowed && sdkLevel >= 8; }

std::string packageInstallCommand(const std::string& adb, const std::string& serial, bool toSd,
                                  const std::string& path) {
  return quotedPath(adb) + " -s " + serial + " install -r" + (toSd ? " -s" : "") + " " + quotedPath(path);
}

std::string componentInstallCommand(const std::string& adb, const std::string& serial, const std::string& path) {
  return quotedPath(adb) + " -s " + serial + " install " + quotedPath(path);
}

std::string startActivityCommand(const std::string& adb, const std::string& serial, const std::string& package,
                                 const std::string& activity) {
  return quotedPath(adb) + " -s " + serial + " shell am start -n " + package + "/" + activity;
}

// ---------------------------------------------------------------- installing

InstallOutcome installOnDevice(InstallHost& host, const InstallRequest& request, const std::string& serial) {
  InstallOutcome outcome;
  outcome.serial = serial;
  const std::string folder = host.temporaryFolder();
  const uint64_t free = host.freeMegabytes(folder);
  const uint64_t needed = request.component ? kComponentFreeMegabytes : (request.sizeBytes >> 20);
  if (free <= needed) {
    outcome.status = "【安装失败】当前电脑系统盘剩余空间不足";
    return outcome;
  }
  if (!host.fileExists(request.path)) {
    outcome.status = "【错误】要安装的APK文件意外丢失";
    return outcome;
  }
  const std::string copy = temporaryCopyPath(folder, host.localTime());
  host.status(request.component ? "安装中,请稍等..." : copyingText(request.sizeBytes));
  const bool copied = host.copyFile(request.path, copy);
  bool toSd = false;
  if (!request.component && request.sdTicked && request.sdAllowed) {
    const AdbRunResult sdk = host.run(sdkCommand(request.adb, serial), kDevicesOutputMax);
    toSd = installToSd(true, true, sdk.status == AdbRunStatus::Ok ? sdkLevelFromOutput(sdk.output) : -1);
  }
  if (!copied || !host.fileExists(copy)) {
    host.deleteFile(copy);  // a cut copy is not left behind
    outcome.status = "【错误】系统临时文件夹读取失败";
    return outcome;
  }
  outcome.command = request.component ? componentInstallCommand(request.adb, serial, copy)
                                      : packageInstallCommand(request.adb, serial, toSd, copy);
  const AdbRunResult run = host.run(outcome.command, kInstallOutputMax);
  host.deleteFile(copy);
  if (run.status != AdbRunStatus::Ok) {
    outcome.status = "【错误】组件丢失，请重新安装Quillet...";
    return outcome;
  }
  outcome.output = trimmed(run.output);
  outcome.installed = outcome.output.find("Success") != std::string::npos;
  outcome.status = installResultText(outcome.output, request.component);
  return outcome;
}

InstallOutcome installPackage(InstallHost& host, const InstallRequest& request) {
  host.status(kStartingText);
  std::string serial;
  const DeviceChoice choice = chooseInstallDevice(host, request.adb, serial);
  if (choice != DeviceChoice::kChosen) {
    InstallOutcome outcome;
    outcome.choiceFailed = true;
    outcome.status = deviceChoiceText(choice, request.component);
    return outcome;
  }
  return installOnDevice(host, request, serial);
}

// ---------------------------------------------------------------- running it

bool packageListHolds(std::string_view packageList, std::string_view name) {
  if (name.empty()) return false;
  for (const std::string& line : splitLines(packageList)) {
    const std::string text = trimmed(line);
    if (text.size() == name.size() + 8 && text.compare(0, 8, "package:") == 0 && text.compare(8, name.size(), name) == 0)
      return true;
  }
  return false;
}

LaunchPlan launchPlan(std::string_view packageList, const ManifestInfo& manifest, const std::string& label) {
  LaunchPlan plan;
  if (!packageListHolds(packageList, manifest.packageName)) {
    plan.status = label + " 您尚未安装，无法运行";
    return plan;
  }
  plan.status = label + " 已经在手机上运行";
  const size_t dot = manifest.packageName.rfind('.');
  if (manifest.isPlugin && dot != std::string::npos) {
    plan.activity = manifest.packageName.substr(dot);
  } else {
    plan.activity = manifest.launchActivity;
  }
  return plan;
}

// ---------------------------------------------------------------- web lookups

namespace {
// Names go into an address: only the characters a package name may hold are kept as they are.
bool plainPackageName(const std::string& name) {
  if (name.find('.') == std::string::npos) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}
}  // namespace

std::string siteSearchUrl(const std::string& searchBase, const std::string& site, const std::string& packageName) {
  if (!plainPackageName(packageName)) return {};
  return searchBase + "search?q=" + packageName + "&ie=gb2312&oe=gb2312&hl=zh-cn" + "&domains=" + site +
         "&sitesearch=" + site;
}

std::string marketUrl(const std::string& marketBase, const std::string& packageName) {
  if (!plainPackageName(packageName)) return {};
  return marketBase + "store/apps/details?id=" + packageName;
}

// ---------------------------------------------------------------- components

const Component* components() { return kComponents; }

std::vector<bool> presetTicks(Preset preset, const std::vector<bool>& current) {
  std::vector<bool> ticks(kComponentCount, false);
  switch (preset) {
    case Preset::kAll:
      ticks.assign(kComponentCount, true);
      break;
    case Preset::kEssential:
      // The base framework and the managers the main program's pages rely on.
      for (size_t i : {0, 1, 2, 3, 4, 5, 6}) ticks[i] = true;
      break;
    case Preset::kInstallerOnly:
      ticks[0] = true;
      ticks[1] = true;
      break;
    case Preset::kCustom:
      if (current.size() == kComponentCount) ticks = current;
      break;
  }
  return ticks;
}

std::vector<bool> installedComponents(std::string_view packageList) {
  std::vector<bool> installed(kComponentCount, false);
  for (size_t i = 0; i < kComponentCount; ++i) installed[i] = packageListHolds(packageList, kComponents[i].package);
  return installed;
}

const char* componentStatusText(bool installed) { return installed ? "已安装" : "未安装"; }

InstallOutcome installComponents(InstallHost& host, const std::string& adb, const std::string& folder,
                                 const std::vector<bool>& ticked) {
  InstallOutcome outcome;
  std::vector<std::string> files;
  for (size_t i = 0; i < kComponentCount && i < ticked.size(); ++i)
    if (ticked[i]) files.push_back(folder + kComponents[i].package + ".apk");
  if (files.empty()) {
    outcome.status = kNoComponentTicked;
    return outcome;
  }
  for (const std::string& file : files) {
    if (!host.fileExists(file)) {
      outcome.status = kComponentMissing;
      return outcome;
    }
  }
  host.status(kStartingText);
  std::string serial;
  const DeviceChoice choice = chooseInstallDevice(host, adb, serial);
  if (choice != DeviceChoice::kChosen) {
    outcome.choiceFailed = true;
    outcome.status = deviceChoiceText(choice, true);
    return outcome;
  }
  for (const std::string& file : files) {
    InstallRequest request;
    request.adb = adb;
    request.path = file;
    request.component = true;
    outcome = installOnDevice(host, request, serial);
    if (!outcome.installed) return outcome;
    host.status(outcome.status);
  }
  return outcome;
}

}  // namespace zorvik
