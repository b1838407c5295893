#pragma once
// The pure parts of device discovery: the devices listing, getprop lines, and the tables that
// turn an SDK level into a version name and a manufacturer into a brand picture and a display name.
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

// The serials of "adb devices" output: lines up to the first empty one; a line whose last word
// (after its tab, or its last blank when it has no tab) is exactly "device" is a device, and its
// serial is the text before that word, trimmed, kept as listed. The header and lines in other
// states (offline, unauthorized, no permissions ...) are not devices.
std::vector<std::string> parseDevicesListing(std::string_view output);

// True when the tool's output says no ADB server answers on its port: the suite's own client
// ("adb: error: cannot connect to daemon at tcp:5037: ...") and the platform tools' adb, which
// could not start one ("* failed to start daemon", "error: cannot connect to daemon"). Such a
// listing is not an empty one: the phone may well be there.
bool adbServerMissing(std::string_view output);
// What the user reads then (the connection label, the chooser, Quillet): the tool beside the
// program is a client only and needs the platform tools' server.
constexpr const char* kNoAdbServerText =
    "【错误】没有可用的ADB服务：请安装Android平台工具（platform-tools）中的adb，"
    "或把它的adb.exe、AdbWinApi.dll和AdbWinUsbApi.dll放到本程序所在的文件夹";

// Properties read from "getprop" output.
struct DeviceProperties {
  int sdkLevel = 0;          // ro.build.version.sdk, through atoi
  std::string manufacturer;  // ro.product.manufacturer
  std::string model;         // ro.product.model
};
constexpr const char* kPropSdk = "ro.build.version.sdk";
constexpr const char* kPropManufacturer = "ro.product.manufacturer";
constexpr const char* kPropModel = "ro.product.model";

// The value of one getprop line: the text between the last "[" and the last "]"; empty when the
// line holds no such pair.
std::string getpropValue(std::string_view line);
DeviceProperties parseGetprop(std::string_view output);

// "Android 1.5" ... "Android 16" for SDK 3 to 36, else "未知版本".
const char* versionNameForSdk(int sdk);

// Brand picture ids (bitmaps in "Data/PageRes.dll").
constexpr int kBrandImageFirst = 21000;
constexpr int kBrandImageDefault = 21004;
// The first key of the brand table found in the lower-cased manufacturer; 21004 when none.
int brandImageForManufacturer(std::string_view manufacturer);

// "meizu_" removed from the model.
std::string displayModel(std::string model);
// "meizu" → "魅族", otherwise "motorola" → "摩托罗拉"; case-sensitive, first matching rule only.
std::string displayManufacturer(std::string manufacturer);

// Helpers shared by the parsers.
std::vector<std::string> splitLines(std::string_view text);  // at "\n"; the pieces keep any "\r"
std::string trimmed(std::string_view text);                   // both ends, spaces/tabs/CR/LF
std::string asciiLower(std::string_view text);                // A-Z only: GBK bytes stay as they are

}  // namespace zorvik
