#include "installer/InstallFlow.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <cstdlib>

#include "devlink/DeviceTables.h"

namespace zorvik {

const char kStartingText[] = "开始安装应用，请稍等...";
const char kNoPackageText[] = "【错误】没有找到要安装的文件,您可以拖入一个APK文件进来";
const char kRefusedPackageText[] = "【错误】不是有效的APK文件，Quillet拒绝安装";
const char kNoComponentTicked[] = "【错误】您尚未选择任何要安装的组件";
const char kComponentMissing[] = "【错误】卓维克部分组件丢失，请重新安装Quillet来修复";
const char kUnsafeSerialText[] = "【错误】设备序列号含有命令行不能使用的字符，Quillet拒绝执行";
const char kUnsafeActivityText[] = " 的启动项名称不合法，Quillet拒绝运行";

namespace {

constexpr const char kSupportContact[] = "support@zorvik.com";
constexpr uint64_t kComponentFreeMegabytes = 20;

// The tool's own words, searched in this order when the output names no failure code.
struct ResultRow {
  const char* key;
  const char* text;
};
const ResultRow kResults[] = {
    {"is not a valid zip file", "【安装失败】请选择一个有效的APK文件"},
    {"not contain", "【安装失败】APK文件已经损坏"},
    {"to install", "【安装失败】APK文件意外丢失"},
    {"device not found", "【安装失败】请确认手机已经连接到电脑上"},
    {"Error: Unknown option: -s", "【安装失败】设备不支持安装到SD卡上"},
    {"failed to copy", "【安装失败】SD卡尚未成功挂载，您可以取消勾选【优先装到SD卡上】选项，将应用安装到手机上"},
};

struct FailureCode {
  const char* name;
  int value;
  const char* text;  // after "【安装失败】"; nullptr: the internal-error text with the support contact
};
const FailureCode kFailureCodes[] = {
#include "installer/data/InstallFailureCodes.inc"
};

bool codeChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// The first failure code of the package manager the output names, whole ("…_PERMISSION" is not
// "…_PERMISSION_GROUP"); nullptr when it names none the table knows.
const FailureCode* namedFailureCode(std::string_view output) {
  for (size_t at = output.find("INSTALL_"); at != std::string_view::npos; at = output.find("INSTALL_", at + 1)) {
    if (at > 0 && codeChar(output[at - 1])) continue;
    size_t end = at;
    while (end < output.size() && codeChar(output[end])) ++end;
    const std::string_view token = output.substr(at, end - at);
    for (const FailureCode& code : kFailureCodes)
      if (token == code.name) return &code;
  }
  return nullptr;
}

// "to install" is the old tool's "can't find '…' to install", which a newer tool says as "cannot
// stat '…'" and our client as "failed to stat …"; "failed to install …" precedes the phone's own
// reason and is not that.
bool rowMatches(std::string_view output, const ResultRow& row) {
  const std::string_view key = row.key;
  if (key == "to install" && (output.find("cannot stat '") != std::string_view::npos ||
                              output.find("failed to stat ") != std::string_view::npos))
    return true;
  for (size_t at = output.find(key); at != std::string_view::npos; at = output.find(key, at + 1)) {
    if (key == "to install" && at >= 7 && output.substr(at - 7, 7) == "failed ") continue;
    return true;
  }
  if (key == "device not found") {
    // Our client and newer tools: "error: device 'SERIAL' not found", and with no phone at all
    // "error: no devices/emulators found".
    if (output.find("no devices/emulators found") != std::string_view::npos) return true;
    const size_t device = output.find("device '");
    return device != std::string_view::npos && output.find("' not found", device + 8) != std::string_view::npos;
  }
  return false;
}

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
  const AdbRunResult listing = host.run(devicesCommand(adb), kDevicesOutputMax, kAdbQueryDeadlineMs);
  if (listing.status == AdbRunStatus::CannotRun) return DeviceChoice::kNoPipe;
  if (listing.status == AdbRunStatus::CannotStart) return DeviceChoice::kCannotStart;
  const std::vector<std::string> serials = parseDevicesListing(trimmed(listing.output));
  if (serials.empty() && adbServerMissing(listing.output)) return DeviceChoice::kNoServer;
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
    case DeviceChoice::kNoServer: return kNoAdbServerText;
    case DeviceChoice::kNoneChosen:
      return component ? "【错误】没有选择任何设备，请重新执行安装并选择设备"
                       : "【错误】没有选择任何设备，单击【安装到手机】重新选择";
  }
  return {};
}

// ---------------------------------------------------------------- what may reach a command line

namespace {
bool asciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool asciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr size_t kMaxNameLength = 1024;

// Dotted segments; `first` and `rest` say which characters may start and continue a segment.
template <typename First, typename Rest>
size_t dottedSegments(std::string_view name, First first, Rest rest) {
  if (name.empty() || name.size() > kMaxNameLength) return 0;
  size_t segments = 0;
  size_t start = 0;
  for (;;) {
    const size_t dot = name.find('.', start);
    const std::string_view segment = name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (segment.empty() || !first(segment[0])) return 0;
    for (char c : segment)
      if (!rest(c)) return 0;
    ++segments;
    if (dot == std::string_view::npos) return segments;
    start = dot + 1;
  }
}
}  // namespace

bool isJavaClassName(std::string_view name) {
  const auto first = [](char c) { return asciiLetter(c) || c == '_' || c == '$'; };
  const auto rest = [](char c) { return asciiLetter(c) || asciiDigit(c) || c == '_' || c == '$'; };
  return dottedSegments(name, first, rest) >= 1;
}

bool isCommandPackageName(std::string_view name) {
  const auto rest = [](char c) { return asciiLetter(c) || asciiDigit(c) || c == '_'; };
  return dottedSegments(name, asciiLetter, rest) >= 2;
}

bool isPlainSerial(std::string_view serial) {
  if (serial.empty() || serial.size() > 256) return false;
  // The serial goes quoted (quotedArgument) as one word for the tool itself, never to a shell: only
  // what no listing holds (control characters) or what would end the quotes is refused.
  for (char c : serial)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"') return false;
  return true;
}

std::string resolvedActivityName(const std::string& package, const std::string& activity) {
  std::string full;
  if (!activity.empty() && activity[0] == '.') {
    full = package + activity;
  } else if (activity.find('.') == std::string::npos) {
    full = package + "." + activity;
  } else {
    full = activity;
  }
  return isJavaClassName(full) ? full : std::string();
}

// ---------------------------------------------------------------- the pieces

std::string installResultText(std::string_view output, bool component) {
  // "Success" before everything, so output that also names a failure code still reads as success.
  if (output.find("Success") != std::string_view::npos)
    return component ? "【安装成功】“卓维克”已经安装到您的手机中" : "【安装成功】您可以单击【立即运行】按钮来执行手机上的应用";
  // The phone's own reason, when named, says more than the tool's words around it.
  if (const FailureCode* code = namedFailureCode(output))
    return code->text == nullptr ? std::string("【安装失败】内部错误，请联系") + kSupportContact
                                 : std::string("【安装失败】") + code->text;
  for (const ResultRow& row : kResults)
    if (rowMatches(output, row)) return row.text;
  return "【安装失败】未知错误";
}

size_t installFailureCodeCount() { return sizeof kFailureCodes / sizeof kFailureCodes[0]; }
std::string installFailureCodeName(size_t i) {
  return i < installFailureCodeCount() ? kFailureCodes[i].name : std::string();
}

std::string temporaryCopyPath(const std::string& folder, const std::tm& local, unsigned sequence) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%d%02d%02d%d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  std::string name = folder + stamp;
  if (sequence > 0) name += "_" + std::to_string(sequence);
  return name + ".apk";
}

namespace {
// The copies of this process's installs in flight, and a name already on disk (another process's
// copy) is stepped over: one install never overwrites or deletes another's copy.
std::mutex copiesMutex;
std::set<std::string> copiesInFlight;
constexpr unsigned kCopyNameTries = 1000;

class ReservedCopy {
 public:
  ReservedCopy(InstallHost& host, const std::string& folder) {
    const std::tm local = host.localTime();
    std::lock_guard<std::mutex> lock(copiesMutex);
    for (unsigned sequence = 0; sequence < kCopyNameTries; ++sequence) {
      std::string candidate = temporaryCopyPath(folder, local, sequence);
      if (copiesInFlight.count(candidate) || host.fileExists(candidate)) continue;
      path_ = std::move(candidate);
      copiesInFlight.insert(path_);
      return;
    }
  }
  ~ReservedCopy() {
    if (path_.empty()) return;
    std::lock_guard<std::mutex> lock(copiesMutex);
    copiesInFlight.erase(path_);
  }
  ReservedCopy(const ReservedCopy&) = delete;
  ReservedCopy& operator=(const ReservedCopy&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
}  // namespace

const char* copyingText(uint64_t sizeBytes) {
  return sizeBytes > kLargePackageBytes ? "安装中, 该文件较大请耐心等待..." : "安装中,请稍等...";
}

bool installToSd(bool ticked, bool allowed, int sdkLevel) { return ticked && allowed && sdkLevel >= 8; }

std::string packageInstallCommand(const std::string& adb, const std::string& serial, bool toSd,
                                  const std::string& path) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " install -r" + (toSd ? " -s" : "") + " " + quotedPath(path);
}

std::string componentInstallCommand(const std::string& adb, const std::string& serial, const std::string& path) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " install " + quotedPath(path);
}

std::string startActivityCommand(const std::string& adb, const std::string& serial, const std::string& package,
                                 const std::string& activity) {
  if (!isPlainSerial(serial) || !isCommandPackageName(package)) return {};
  const std::string full = resolvedActivityName(package, activity);
  if (full.empty()) return {};
  std::string component = package + "/" + full;
  // '$' is allowed in a class name (a nested class) but the phone's shell would expand what
  // follows it: such a name goes in single quotes, which no valid name holds.
  if (component.find('$') != std::string::npos) component = "'" + component + "'";
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell am start -n " + component;
}

// ---------------------------------------------------------------- installing

InstallOutcome installOnDevice(InstallHost& host, const InstallRequest& request, const std::string& serial) {
  InstallOutcome outcome;
  outcome.serial = serial;
  if (!isPlainSerial(serial)) {
    outcome.status = kUnsafeSerialText;
    return outcome;
  }
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
  const ReservedCopy reserved(host, folder);
  const std::string& copy = reserved.path();
  if (copy.empty()) {
    outcome.status = "【错误】系统临时文件夹读取失败";
    return outcome;
  }
  host.status(request.component ? "安装中,请稍等..." : copyingText(request.sizeBytes));
  const bool copied = host.copyFile(request.path, copy);
  bool toSd = false;
  if (!request.component && request.sdTicked && request.sdAllowed) {
    const AdbRunResult sdk = host.run(sdkCommand(request.adb, serial), kDevicesOutputMax, kAdbQueryDeadlineMs);
    toSd = installToSd(true, true, sdk.status == AdbRunStatus::Ok ? sdkLevelFromOutput(sdk.output) : -1);
    if (sdk.cancelled) {  // the window is closing: no install starts now
      host.deleteFile(copy);
      return outcome;
    }
  }
  if (!copied || !host.fileExists(copy)) {
    host.deleteFile(copy);  // a cut copy is not left behind
    outcome.status = "【错误】系统临时文件夹读取失败";
    return outcome;
  }
  outcome.command = request.component ? componentInstallCommand(request.adb, serial, copy)
                                      : packageInstallCommand(request.adb, serial, toSd, copy);
  const AdbRunResult run =
      host.run(outcome.command, kInstallOutputMax, adbDeadlineMs(AdbCommandKind::Install, request.sizeBytes));
  host.deleteFile(copy);
  if (run.status != AdbRunStatus::Ok) {
    outcome.status = "【错误】组件丢失，请重新安装Quillet...";
    return outcome;
  }
  outcome.output = trimmed(run.output);
  if (run.timedOut) {
    outcome.status = "【安装失败】安装超时，手机没有在规定时间内答复";
    return outcome;
  }
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
  std::string activity;
  if (manifest.isPlugin && dot != std::string::npos) {
    activity = manifest.packageName.substr(dot);
  } else {
    activity = manifest.launchActivity;
  }
  if (activity.empty()) return plan;
  plan.activity = isCommandPackageName(manifest.packageName)
                      ? resolvedActivityName(manifest.packageName, activity) : std::string();
  if (plan.activity.empty()) plan.status = label + kUnsafeActivityText;
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

std::string siteOfBase(const std::string& base) {
  size_t start = base.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  const size_t end = base.find_first_of("/:?#", start);
  return base.substr(start, end == std::string::npos ? std::string::npos : end - start);
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
