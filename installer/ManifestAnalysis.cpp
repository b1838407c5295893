#include "installer/ManifestAnalysis.h"

#include <cstdlib>
#include <cstring>

namespace zorvik {
namespace {

const char kMain[] = "android.intent.action.MAIN";
const char kLauncher[] = "android.intent.category.LAUNCHER";
const char kDefault[] = "android.intent.category.DEFAULT";
const char kPlugins[] = "com.zorvik.action.Plugins";
const char kInternet[] = "android.permission.INTERNET";
const char kNotFound[] = "没有找到";
// Compiled manifests hold installLocation as its number, which the decoder writes in decimal.
const char kInternalOnlyNumber[] = "1";

const std::vector<PermissionRow> kPermissions = {
    {"android.permission.WRITE_SMS", "编写短信"},
    {"android.permission.WRITE_SETTINGS", "修改系统设置项"},
    {"android.permission.WRITE_SECURE_SETTINGS", "修改系统安全敏感设置项"},
    {"com.android.browser.permission.WRITE_HISTORY_BOOKMARKS", "修改浏览器历史记录"},
    {"android.permission.WRITE_EXTERNAL_STORAGE", "修改SD卡上的文件"},
    {"android.permission.WRITE_CONTACTS", "修改联系人"},
    {"android.permission.WRITE_CALENDAR", "修改日程项"},
    {"android.permission.WRITE_APN_SETTINGS", "设置APN接入点"},
    {"android.permission.WAKE_LOCK", "锁屏后仍后台运行"},
    {"android.permission.VIBRATE", "使用振动"},
    {"android.permission.USE_SIP", "使用SIP VoIP视频通话"},
    {"android.permission.SYSTEM_ALERT_WINDOW", "使用系统窗口"},
    {"android.permission.SET_WALLPAPER", "设置壁纸"},
    {"android.permission.SET_TIME_ZONE", "设置系统时区"},
    {"android.permission.SET_TIME", "设置系统时间"},
    {"com.android.alarm.permission.SET_ALARM", "设置闹铃"},
    {"android.permission.SEND_SMS", "[!] --- 发送短信"},
    {"android.permission.RESTART_PACKAGES", "[!] --- 结束后台任务"},
    {"android.permission.RECORD_AUDIO", "[!] --- 录音"},
    {"android.permission.RECEIVE_SMS", "[!] --- 接收短信"},
    {"android.permission.RECEIVE_MMS", "接收彩信"},
    {"android.permission.RECEIVE_BOOT_COMPLETED", "[!] --- 开机自动启动"},
    {"android.permission.REBOOT", "[xxx] 重新启动"},
    {"android.permission.READ_SMS", "[!] --- 读取短信"},
    {"android.permission.READ_PHONE_STATE", "获取电话状态"},
    {"android.permission.READ_LOGS", "获取系统日志信息"},
    {"com.android.browser.permission.READ_HISTORY_BOOKMARKS", "读取收藏夹历史记录"},
    {"android.permission.READ_FRAME_BUFFER", "允许屏幕截图"},
    {"android.permission.READ_CONTACTS", "[!] --- 读取联系人"},
    {"android.permission.READ_CALENDAR", "[!] --- 读取日程信息"},
    {"android.permission.PROCESS_OUTGOING_CALLS", "处理拨出的电话"},
    {"android.permission.NFC", "NFC移动支付"},
    {"android.permission.MOUNT_FORMAT_FILESYSTEMS", "格式化文件系统"},
    {"android.permission.MODIFY_PHONE_STATE", "控制移动网络状态"},
    {"android.permission.MODIFY_AUDIO_SETTINGS", "修改音频设置"},
    {"android.permission.MASTER_CLEAR", "[xxx] 恢复出厂设置"},
    {"android.permission.KILL_BACKGROUND_PROCESSES", "结束后台进程"},
    {"android.permission.INTERNET", "[!] --- 访问互联网,将产生GRPS流量"},
    {"android.permission.GET_TASKS", "获取系统任务和进程信息"},
    {"android.permission.GET_PACKAGE_SIZE", "获取应用大小"},
    {"android.permission.FLASHLIGHT", "使用摄像头闪光灯"},
    {"android.permission.DUMP", "抓取系统运行信息"},
    {"android.permission.DISABLE_KEYGUARD", "禁用键盘锁"},
    {"android.permission.DEVICE_POWER", "底层电源管理"},
    {"android.permission.DELETE_PACKAGES", "删除第三方应用软件"},
    {"android.permission.CLEAR_APP_USER_DATA", "清除应用的用户数据"},
    {"android.permission.CLEAR_APP_CACHE", "清除应用程序的缓存"},
    {"android.permission.CHANGE_WIFI_STATE", "更改WiFi状态"},
    {"android.permission.CHANGE_NETWORK_STATE", "改变当前网络连接状态"},
    {"android.permission.CAMERA", "[!] --- 使用摄像头拍照或扫描条码"},
    {"android.permission.CALL_PRIVILEGED", "[!] --- 允许拨打任何电话不通过系统界面"},
    {"android.permission.CALL_PHONE", "[!] --- 允许替换系统界面拨打电话"},
    {"android.permission.BRICK", "[xxx] 请求禁止设备，十分危险"},
    {"android.permission.BLUETOOTH_ADMIN", "允许发现和配对蓝牙设备"},
    {"android.permission.BLUETOOTH", "允许访问已经配对的蓝牙设备"},
    {"android.permission.ACCESS_FINE_LOCATION", "[!] --- 访问精确位置信息，将通过GPS全球定位芯片定位"},
    {"android.permission.ACCESS_COARSE_LOCATION", "[!] --- 访问粗略位置信息，如WiFi热点或移动基站"},
};

struct MetaKey {
  const char* key;
  const char* name;
  bool statistics;
};
const MetaKey kMetaKeys[] = {
    {"Market_ID", "哇棒广告", false},      {"Wooboo_PID", "哇棒广告", false},
    {"APP_ID", "亿动智道广告", false},     {"DOMOB_PID", "多盟广告", false},
    {"ADMOB_PUBLISHER_ID", "AdMob广告", false}, {"GH_APPKEY", "果合广告", false},
    {"UMENG_APPKEY", "友盟统计", true},
};

struct ClassFile {
  const char* member;
  const char* name;
};
const ClassFile kClassFiles[] = {
    {"com/adpooh/adscast/AdsWebViewActivity.class", "迷笛广告"},
    {"net/youmi/android/spotad/a.class", "有米广告"},
    {"net/youmi/android/a.class", "有米广告"},
    {"com/wiyun/ad/a.class", "微云广告"},
    {"com/casee/adsdk/a.class", "架势广告"},
};

const char* const kSdkNames[] = {"Android 1.5",   "Android 1.6", "Android 2.0", "Android 2.0.1", "Android 2.1",
                                 "Android 2.2",   "Android 2.3", "Android 2.3.3", "Android 3.0", "Android 3.1",
                                 "Android 3.2",   "Android 4.0", "Android 4.0.3"};
constexpr int32_t kFirstSdk = 3;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  const size_t n = b.size();
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A decimal number as the whole text (surrounding blanks allowed); false otherwise.
bool parseDecimal(const std::string& text, int32_t& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin) return false;
  while (*end == ' ') ++end;
  if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  return true;
}

}  // namespace

const std::vector<PermissionRow>& permissionTable() { return kPermissions; }

const char* permissionDescription(const std::string& permission) {
  for (const auto& row : kPermissions)
    if (permission == row.permission) return row.description;
  return nullptr;
}

bool isRiskyDescription(const std::string& description) { return description.rfind("[!] --- ", 0) == 0; }
bool isDangerousDescription(const std::string& description) { return description.rfind("[xxx] ", 0) == 0; }

const char* minSdkText(int32_t minSdk) {
  const int32_t count = static_cast<int32_t>(sizeof kSdkNames / sizeof kSdkNames[0]);
  if (minSdk < kFirstSdk || minSdk >= kFirstSdk + count) return "未知版本";
  return kSdkNames[minSdk - kFirstSdk];
}

bool parseResourceRef(const std::string& text, size_t skip, ResourceRef& out) {
  if (text.size() < skip) return false;
  size_t i = skip;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) i += 2;
  if (i == text.size() || text.size() - i > 8) return false;
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else return false;
    value = value << 4 | digit;
  }
  out.package = static_cast<uint8_t>(value >> 24);
  out.type = static_cast<uint8_t>(value >> 16);
  out.entry = static_cast<uint16_t>(value);
  return true;
}

AnalysisStatus analyseManifest(const std::string& xmlText, ManifestInfo& info) {
  info = ManifestInfo();
  XmlTree tree;
  switch (parseXmlTree(xmlText, tree)) {
    case XmlParseStatus::kOk: break;
    case XmlParseStatus::kRefused: return AnalysisStatus::kRefused;
    case XmlParseStatus::kNoXmlReader: return AnalysisStatus::kNoXmlReader;
  }
  analyseManifestTree(tree, info);
  return AnalysisStatus::kOk;
}

void analyseManifestTree(const XmlTree& tree, ManifestInfo& info) {
  info = ManifestInfo();
  const auto& elements = tree.elements;

  // 1. The first manifest element.
  for (const auto& e : elements) {
    if (e.name != "manifest") continue;
    for (const auto& [name, value] : e.attributes) {
      if (name == "versionName") {
        if (!value.empty() && value[0] == '@') {
          info.versionIsReference = true;
          parseResourceRef(value, 1, info.versionRef);
          info.versionEntry = info.versionRef.entry;
        } else {
          info.versionName = value;
        }
      } else if (name == "package") {
        info.packageName = value;
      } else if (name == "split") {
        info.splitName = value;
      } else if (name == "installLocation" && (value == "internalOnly" || value == kInternalOnlyNumber)) {
        info.sdCardAllowed = false;
      }
    }
    break;
  }

  // 2, 3. Permissions and meta-data keys, in document order.
  for (const auto& e : elements) {
    if (e.name == "uses-permission") {
      // Only the name: newer manifests add maxSdkVersion and the like, which are no permissions.
      if (const std::string* name = e.attribute("name")) {
        info.permissions.push_back(*name);
        if (*name == kInternet) info.usesInternet = true;
      }
    } else if (e.name == "meta-data") {
      for (const auto& attribute : e.attributes)
        for (const auto& key : kMetaKeys)
          if (attribute.second == key.key) (key.statistics ? info.statistics : info.advertising).push_back(key.name);
    }
  }

  // 4, 5. The first application and uses-sdk under the root manifest element.
  const bool rootIsManifest = !elements.empty() && elements[0].name == "manifest";
  for (size_t i = 1; rootIsManifest && i < elements.size(); ++i) {
    if (elements[i].name != "application") continue;
    if (const std::string* label = elements[i].attribute("label")) {
      if (!label->empty() && (*label)[0] == '@') {
        info.labelIsReference = true;
        parseResourceRef(*label, 1, info.labelRef);
        info.labelType = info.labelRef.type;
        info.labelEntry = info.labelRef.entry;
      } else {
        info.label = *label;
      }
    }
    if (const std::string* icon = elements[i].attribute("icon")) {
      // The value is "@0x" and the id; a literal value names nothing.
      if (icon->rfind("@0x", 0) == 0 && parseResourceRef(*icon, 3, info.iconRef)) {
        info.iconType = info.iconRef.type;
        info.iconEntry = info.iconRef.entry;
      }
    }
    break;
  }
  for (size_t i = 1; rootIsManifest && i < elements.size(); ++i) {
    if (elements[i].name != "uses-sdk") continue;
    if (const std::string* sdk = elements[i].attribute("minSdkVersion")) {
      int32_t value = -1;
      if (parseDecimal(*sdk, value)) info.minSdk = value;
    }
    break;
  }

  // 6. Intent filters: the first one with MAIN and LAUNCHER names the launch activity.
  for (const auto& filter : elements) {
    if (filter.name != "intent-filter") continue;
    int launch = 0, plugin = 0;
    for (size_t child : filter.children) {
      for (const auto& attribute : elements[child].attributes) {
        const std::string& v = attribute.second;
        if (v == kMain || v == kLauncher) ++launch;
        if (v == kDefault || v == kPlugins) ++plugin;
      }
    }
    if (plugin >= 2) info.isPlugin = true;
    if (launch >= 2) {
      if (filter.parent != XmlElement::kNoParent)
        if (const std::string* name = elements[filter.parent].attribute("name")) info.launchActivity = *name;
      break;
    }
  }
}

void probeClasses(const std::function<bool(std::string_view)>& holds, ManifestInfo& info) {
  for (const auto& cls : kClassFiles)
    if (holds(cls.member)) info.advertising.push_back(cls.name);
}

void probeClasses(const std::vector<std::string>& memberNames, ManifestInfo& info) {
  probeClasses(
      [&](std::string_view name) {
        for (const auto& member : memberNames)
          if (equalsIgnoringCase(member, name)) return true;
        return false;
      },
      info);
}

std::vector<ResultNode> resultTree(const ManifestInfo& info) {
  std::vector<ResultNode> roots{{"请求权限 ", {}}, {"广告检测", {}}, {"统计信息", {}}};
  for (const auto& permission : info.permissions)
    if (const char* description = permissionDescription(permission)) roots[0].children.push_back(description);
  if (info.permissions.empty()) roots[0].children.push_back(kNotFound);
  // Without network access no advertising or statistics component can do anything.
  const std::vector<std::string>* lists[] = {&info.advertising, &info.statistics};
  for (int i = 0; i < 2; ++i) {
    auto& node = roots[static_cast<size_t>(i) + 1];
    if (info.usesInternet) node.children = *lists[i];
    if (node.children.empty()) node.children.push_back(kNotFound);
  }
  return roots;
}

const char* sdCardText(const ManifestInfo& info, bool valid) {
  return info.sdCardAllowed && valid ? "该应用支持" : "不支持";
}

}  // namespace zorvik
