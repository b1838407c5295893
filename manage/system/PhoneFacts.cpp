#include "manage/system/PhoneFacts.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "common/HtmlEscape.h"
#include "devlink/FieldReader.h"

namespace zorvik {

const char* const kSystemInfoTypes[kSystemInfoRowCount] = {
    "手机型号", "运行时间", "系统版本", "IMEI串号", "IMSI网络", "主分辨率", "电池信息",
    "CPU 信息", "RAM 信息", "ROM 信息", "SD 信息", "GPS 状态", "蓝牙状态", "WiFi状态",
    "重力感应", "移动网络", "WiFi网络", "屏幕亮度", "扩展硬件",
};

Bytes phoneFactsRequest() { return bareRequest(AgentCommand::SystemInfo); }

FactsRead parsePhoneFacts(const unsigned char* body, size_t length, PhoneFacts& facts) {
  FieldReader r(body, length);
  PhoneFacts f;
  std::optional<std::string> model = r.readListTextOrEnd();
  if (r.listEnded()) return FactsRead::Ended;
  if (!model) return FactsRead::Short;
  f.model = std::move(*model);
  f.uptime = r.readInt64();
  for (std::string* s : {&f.systemVersion, &f.imei, &f.imsi, &f.resolution, &f.battery, &f.cpu, &f.ram,
                         &f.rom, &f.sd})
    *s = r.readText();
  for (int32_t* v : {&f.gps, &f.bluetooth, &f.wifi, &f.gravity}) *v = r.readInt32();
  f.mobileNetwork = r.readText();
  f.wifiNetwork = r.readText();
  f.brightness = r.readInt32();
  if (!r.ok()) return FactsRead::Short;
  facts = std::move(f);
  return FactsRead::Complete;
}

std::string uptimeText(int64_t milliseconds) {
  const long long s = milliseconds > 0 ? milliseconds / 1000 : 0;
  const long long days = s / 86400;
  const long long hours = s / 3600 - 24 * days;
  const long long minutes = s / 60 - 60 * (s / 3600);
  char text[96];
  std::snprintf(text, sizeof text, "%lld 天 %02lld 小时 %02lld 分 \n", days, hours, minutes);
  return text;
}

namespace {
const char* onOff(int32_t v) { return v == 1 ? "是" : "已禁用"; }
}  // namespace

std::array<std::string, kSystemInfoRowCount> systemInfoDetails(const PhoneFacts& f) {
  char brightness[32];
  std::snprintf(brightness, sizeof brightness, "%d / 255", static_cast<int>(f.brightness));
  return {f.model, uptimeText(f.uptime), f.systemVersion, f.imei, f.imsi, f.resolution, f.battery + " %",
          f.cpu, f.ram, f.rom, f.sd, onOff(f.gps), onOff(f.bluetooth), onOff(f.wifi), onOff(f.gravity),
          f.mobileNetwork, f.wifiNetwork, brightness, "无"};
}

const char* batteryPicture(std::string_view text) {
  // The decimal value of the text's leading number (spaces and a sign allowed); no number is 0.
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    if (v < 1000) v = v * 10 + (text[i] - '0');  // anything past 100 is full either way
  if (negative) v = -v;
  if (v < 15) return "w_battery_none.gif";
  if (v <= 30) return "w_battery_low.gif";
  if (v <= 69) return "w_battery_mid.gif";
  return "w_battery_full.gif";
}

std::string dashboardModelHtml(const PhoneFacts& f) {
  return "<a href='vko:device'>" + htmlEscape(f.model) + "</a>";
}

namespace {
// One widget: its icon and label link to `command`; `valueId` names the value's span when the
// page refers to it.
void addWidget(std::string& out, const char* command, const char* picture, const char* label,
               const char* valueId, const std::string& value) {
  out += "<li><div class='icon'><a href='vko:";
  out += command;
  out += "'><img src='";
  out += picture;
  out += "' alt='' /></a></div><div class='label'><a href='vko:";
  out += command;
  out += "'>";
  out += label;
  out += "</a></div><span";
  if (valueId) {
    out += " id='";
    out += valueId;
    out += "'";
  }
  out += ">";
  out += value;
  out += "</span></li>";
}

std::string switchText(int32_t v) { return v == 1 ? "开启" : "已禁用"; }
}  // namespace

std::string dashboardWidgetsHtml(const PhoneFacts& f) {
  std::string out;
  out.reserve(15000);
  addWidget(out, "os", "w_os.gif", "操作系统", "status_os", htmlEscape(f.systemVersion));
  addWidget(out, "battery", batteryPicture(f.battery), "电池信息", nullptr, htmlEscape(f.battery) + " %");
  addWidget(out, "space", "w_space.gif", "剩余空间", "status_space", htmlEscape(f.sd));
  addWidget(out, "gps", "w_gps.gif", "GPS状态", nullptr, switchText(f.gps));
  addWidget(out, "bluetooth", "w_bluetooth.gif", "蓝牙状态", nullptr, switchText(f.bluetooth));
  addWidget(out, "wifi", "w_wifi.gif", "WiFi状态", nullptr, switchText(f.wifi));
  addWidget(out, "gravity", "w_gravity.gif", "重力感应", nullptr, switchText(f.gravity));
  return out;
}

namespace {
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

DashboardCommand dashboardCommand(std::string_view text) {
  struct Named { const char* name; DashboardAction action; };
  static const Named kNamed[] = {
      {"refresh", DashboardAction::Refresh},         {"device", DashboardAction::DeviceManager},
      {"appstore", DashboardAction::Store},          {"screenshot", DashboardAction::Nothing},
      {"advanced", DashboardAction::ScreenCapture},  {"os", DashboardAction::SystemInfo},
      {"space", DashboardAction::SystemInfo},        {"battery", DashboardAction::SystemInfo},
      {"gps", DashboardAction::PhoneSettings},       {"bluetooth", DashboardAction::PhoneSettings},
      {"gravity", DashboardAction::PhoneSettings},   {"wifi", DashboardAction::PhoneSettings},
  };
  for (const Named& n : kNamed)
    if (equalsIgnoringCase(text, n.name)) return {n.action, 0};
  if (text.empty() || text.size() > 10) return {};
  long long v = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
    v = v * 10 + (c - '0');
  }
  if (v > INT32_MAX) return {};
  return {DashboardAction::StoreItem, static_cast<int32_t>(v)};
}

}  // namespace zorvik
