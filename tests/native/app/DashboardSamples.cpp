// Writes the home dashboard as the home page builds it for a virtual-phone data set: the phone's
// 870004 reply, read by the page's own reader and turned into the "manufacturer" and "info_ul"
// fragments by its own builders; and the nineteen rows of the information list on stdout. A second
// variant ("edge") is the same phone with a model carrying markup, a battery of exactly 15 and
// every switch off. The page-render check (app/html/render_samples.py) fills page 660 with them.
// Output: home-<variant>.manufacturer.html and home-<variant>.info_ul.html (GBK) in the folder.
//
//   dashboard_samples <phone.json> <output folder>
#include "manage/system/PhoneFacts.h"
#include "sim/AgentService.h"
#include "sim/PhoneState.h"
#include "support/SimAsk.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

bool writeVariant(zorvik::sim::PhoneState& phone, const std::string& folder, const std::string& name) {
  std::string body;
  if (!zorvik::test::askSim(phone, zorvik::phoneFactsRequest(), body)) return false;
  zorvik::PhoneFacts facts;
  if (zorvik::parsePhoneFacts(reinterpret_cast<const unsigned char*>(body.data()), body.size(), facts) !=
      zorvik::FactsRead::Complete)
    return false;
  const auto rows = zorvik::systemInfoDetails(facts);
  std::printf("[%s]\n", name.c_str());
  for (int r = 0; r < zorvik::kSystemInfoRowCount; ++r)
    std::printf("%s\t%s\n", zorvik::kSystemInfoTypes[r], rows[static_cast<size_t>(r)].c_str());
  const std::string base = folder + "/home-" + name;
  return writeFile(base + ".manufacturer.html", zorvik::dashboardModelHtml(facts)) &&
         writeFile(base + ".info_ul.html", zorvik::dashboardWidgetsHtml(facts));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dashboard_samples <phone.json> <output folder>\n");
    return 2;
  }
  zorvik::sim::PhoneState phone;
  std::string error;
  if (!zorvik::sim::loadPhoneState(argv[1], phone, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!writeVariant(phone, argv[2], "vphone")) {
    std::fprintf(stderr, "the phone's facts reply is malformed\n");
    return 1;
  }
  phone.system.model = "<b>Evil</b> & 'model'";
  phone.system.battery = "15";
  for (int s : {zorvik::sim::kGps, zorvik::sim::kBluetooth, zorvik::sim::kWifi, zorvik::sim::kRotation})
    phone.settings[s] = 0;
  if (!writeVariant(phone, argv[2], "edge")) {
    std::fprintf(stderr, "the edge variant's reply is malformed\n");
    return 1;
  }
  return 0;
}
