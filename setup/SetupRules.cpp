#include "setup/SetupRules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace zorvik {

namespace {
std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

struct Vendor {
  const char* id;
  const char* text;
};
constexpr Vendor kVendors[] = {
    {"0502", "宏碁 Acer"},   {"0b05", "华硕 Asus"},          {"413c", "戴尔 Dell"},        {"0489", "富士康 Foxconn"},
    {"04c5", "富士 Fujitsu"}, {"091e", "Garmin Asus"},        {"18d1", "谷歌 Google"},      {"109b", "海信 Hisense"},
    {"0bb4", "HTC"},          {"12d1", "华为 Huawei"},         {"24e3", "天宇 K-Touch"},     {"2116", "KT Tech"},
    {"0482", "京瓷 Kyocera"}, {"17ef", "联想 Lenovo"},         {"1004", "LG"},               {"22b8", "摩托罗拉 Motorola"},
    {"0409", "NEC"},          {"2080", "Nook"},               {"0955", "英伟达 Nvidia"},    {"2257", "OTGV"},
    {"10a9", "Pantech"},      {"1d4d", "Pegatron"},           {"0471", "飞利浦 Philips"},   {"04da", "PMC-Sierra"},
    {"05c6", "高通 Qualcomm"}, {"1f53", "SK Telesys"},        {"04e8", "三星 Samsung"},     {"04dd", "夏普 Sharp"},
    {"054c", "索尼 Sony"},    {"0fce", "索爱 Sony Ericsson"},  {"2340", "Teleepoch"},        {"0930", "东芝 Toshiba"},
    {"19d2", "中兴 ZTE"},
};
}  // namespace

std::string installFolderFor(std::string chosen) {
  while (chosen.size() > 3 && (chosen.back() == '\\' || chosen.back() == '/')) chosen.pop_back();
  const size_t slash = chosen.find_last_of("\\/");
  const std::string last = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
  if (lower(last) == lower(kProductFolderName)) return chosen;
  if (!chosen.empty() && chosen.back() != '\\') chosen += '\\';
  return chosen + kProductFolderName;
}

const std::vector<PayloadMember>& payloadMembers() {
  static const std::vector<PayloadMember> members = {
      {"device.xml", true, 0},
      {"PageRes.dll", true, 0},
      {"sqlite3.dll", false, 20},
      {"zorvik.exe", false, 20},
      {"Quillet.exe", false, 25},
      {"THIRD-PARTY-NOTICES.txt", false, 0},
      {"adb.exe", false, 30},
      {"AdbWinApi.dll", false, 0},
      {"AdbWinUsbApi.dll", false, 35},
      {"com.zorvik.AppsMgr.apk", false, 0},
      {"com.zorvik.Barcode.apk", false, 0},
      {"com.zorvik.BootMgr.apk", false, 0},
      {"com.zorvik.Cleaner.apk", false, 50},
      {"com.zorvik.CutMgr.apk", false, 0},
      {"com.zorvik.FavMgr.apk", false, 0},
      {"com.zorvik.FileMgr.apk", false, 0},
      {"com.zorvik.Flashlight.apk", false, 70},
      {"com.zorvik.Zorvik.apk", false, 0},
      {"com.zorvik.RamUp.apk", false, 0},
      {"com.zorvik.SysInfo.apk", false, 0},
      {"com.zorvik.TaskMgr.apk", false, 90},
  };
  return members;
}

std::string memberTargetPath(const std::string& folder, std::string_view name, bool inDataFolder) {
  if (name.empty() || name == "." || name == ".." || folder.empty()) return {};
  for (unsigned char c : name) {
    if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return {};
  }
  // Trailing dots and blanks are dropped by the file system: "..." or "a. " could name the parent.
  if (name.back() == '.' || name.back() == ' ') return {};
  // Device names (with any extension) open the device, not a file in the folder.
  const std::string stem = lower(name.substr(0, name.find('.')));
  for (const char* device : {"con", "prn", "aux", "nul"}) {
    if (stem == device) return {};
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
      stem[3] <= '9')
    return {};
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  if (inDataFolder) path += std::string(kDataFolderName) + "\\";
  return path + std::string(name);
}

std::string usbIdFromInterfacePath(std::string_view path) {
  std::string text = lower(path);
  const std::string prefix = "\\\\?\\usb#";
  if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
  const size_t hash = text.find('#');
  if (hash == std::string::npos) return {};
  return text.substr(0, hash);
}

std::string vendorIdOf(std::string_view usbId) {
  const size_t at = usbId.find("vid_");
  if (at == std::string_view::npos || usbId.size() < at + 8) return {};
  return std::string(usbId.substr(at + 4, 4));
}

std::string vendorText(std::string_view vendorId) {
  const std::string id = lower(vendorId);
  for (const Vendor& v : kVendors) {
    if (id == v.id) return v.text;
  }
  return "未知";
}

std::string driverSearchUrl(std::string_view makerUtf8) {
  // The suffix in UTF-8 whatever the build's narrow charset: the query is UTF-8 on the wire.
  const std::string query = std::string(makerUtf8) +
                            " Android\xe6\x89\x8b\xe6\x9c\xba" "USB\xe9\xa9\xb1\xe5\x8a\xa8";
  std::string url = "https://www.bing.com/search?q=";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : query) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

}  // namespace zorvik
