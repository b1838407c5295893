#pragma once
// The phone's facts (870004), as the system information page and the home dashboard show them:
// the reader, the nineteen rows of the information list and the dashboard's HTML. Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devlink/AgentRequest.h"

namespace zorvik {

struct PhoneFacts {
  std::string model;
  int64_t uptime = 0;  // milliseconds
  std::string systemVersion, imei, imsi, resolution;
  std::string battery;  // percent as decimal text
  std::string cpu, ram, rom, sd;
  int32_t gps = 0, bluetooth = 0, wifi = 0, gravity = 0;  // 1 = on
  std::string mobileNetwork, wifiNetwork;
  int32_t brightness = 0;  // 0..255
};

enum class FactsRead {
  Complete,  // every field read
  Ended,     // the first length was the end mark: the phone has nothing to say, nothing is shown
  Short,     // a field ran past the body (or a negative length): nothing is shown
};

Bytes phoneFactsRequest();
// Reads a reply body (header word first). Texts are converted to the program's ANSI text.
FactsRead parsePhoneFacts(const unsigned char* body, size_t length, PhoneFacts& facts);

// The information list: nineteen rows, "类型" then "详细信息".
constexpr int kSystemInfoRowCount = 19;
extern const char* const kSystemInfoTypes[kSystemInfoRowCount];
std::array<std::string, kSystemInfoRowCount> systemInfoDetails(const PhoneFacts& facts);
// "%d 天 %02d 小时 %02d 分 \n" of the uptime; a negative uptime reads as 0.
std::string uptimeText(int64_t milliseconds);

// The dashboard: the model link for "manufacturer" and the widget list for "info_ul"; phone texts
// are escaped.
std::string dashboardModelHtml(const PhoneFacts& facts);
std::string dashboardWidgetsHtml(const PhoneFacts& facts);
// The battery widget's picture for the battery text. 15 (which falls between the empty and the
// low ranges) shows the low picture: the phone still has charge.
const char* batteryPicture(std::string_view batteryText);

// What a "vko:" link of the dashboard asks for (the text after "vko:", any case).
enum class DashboardAction {
  Refresh, DeviceManager, Store, Nothing, ScreenCapture, SystemInfo, PhoneSettings, StoreItem,
};
struct DashboardCommand {
  DashboardAction action = DashboardAction::Nothing;
  int32_t storeItem = 0;  // for StoreItem
};
// Any other text is a store item number when it is all decimal digits that fit an int32;
// anything else does nothing.
DashboardCommand dashboardCommand(std::string_view text);

}  // namespace zorvik
