// The phone's facts (870004): the reader with its end mark, cut bodies and hostile lengths; the
// information list's texts; the dashboard's HTML with escaped phone texts and its battery
// pictures; the dashboard's link commands.
#include "manage/system/PhoneFacts.h"

#include <gtest/gtest.h>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter fullReply(const std::string& model = "MI 2S", const std::string& battery = "80") {
  BodyWriter w = BodyWriter::body();
  w.utf8(model).i64(90061000).utf8("Android 4.0.4").utf8("860000000000001").utf8("460001234567890");
  w.utf8("720x1280").utf8(battery).utf8("ARMv7 1.7GHz").utf8("2 GB").utf8("16 GB").utf8(toUtf8("剩余 3.2 GB"));
  w.i32(1).i32(0).i32(1).i32(7).utf8("CMCC").utf8("home-wifi").i32(128);
  return w;
}

FactsRead parse(const BodyWriter& w, PhoneFacts& f) { return parsePhoneFacts(w.bytes.data(), w.bytes.size(), f); }

TEST(PhoneFacts, RequestIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x46, 0x74};  // 870004
  EXPECT_EQ(phoneFactsRequest(), want);
}

TEST(PhoneFacts, EveryFieldInWireOrder) {
  PhoneFacts f;
  ASSERT_EQ(parse(fullReply(), f), FactsRead::Complete);
  EXPECT_EQ(f.model, "MI 2S");
  EXPECT_EQ(f.uptime, 90061000);
  EXPECT_EQ(f.sd, "剩余 3.2 GB");  // converted to the program's text
  EXPECT_EQ(f.gps, 1);
  EXPECT_EQ(f.bluetooth, 0);
  EXPECT_EQ(f.wifi, 1);
  EXPECT_EQ(f.gravity, 7);
  EXPECT_EQ(f.mobileNetwork, "CMCC");
  EXPECT_EQ(f.wifiNetwork, "home-wifi");
  EXPECT_EQ(f.brightness, 128);
}

TEST(PhoneFacts, EndMarkFirstReadsNothingMore) {
  BodyWriter w = BodyWriter::body();
  w.i32(kAgentListEnd).i64(5).utf8("never read");
  PhoneFacts f;
  f.model = "kept";
  EXPECT_EQ(parse(w, f), FactsRead::Ended);
  EXPECT_EQ(f.model, "kept");
}

TEST(PhoneFacts, EveryCutOfTheBodyIsShortAndChangesNothing) {
  const BodyWriter whole = fullReply();
  for (size_t n = 0; n < whole.bytes.size(); ++n) {
    PhoneFacts f;
    f.model = "kept";
    EXPECT_EQ(parsePhoneFacts(whole.bytes.data(), n, f), FactsRead::Short) << n;
    EXPECT_EQ(f.model, "kept") << n;
  }
}

TEST(PhoneFacts, HostileLengthsAreShort) {
  for (int32_t length : {-1, INT32_MIN, 0x7FFFFFFF, 1 << 20}) {
    BodyWriter w = BodyWriter::body();
    w.utf8("m").i64(1).i32(length).raw("abc");
    PhoneFacts f;
    EXPECT_EQ(parse(w, f), FactsRead::Short) << length;
  }
  BodyWriter first = BodyWriter::body();
  first.i32(-5);
  PhoneFacts f;
  EXPECT_EQ(parse(first, f), FactsRead::Short);
}

TEST(SystemInfoRows, NineteenTypesAndTheirTexts) {
  PhoneFacts f;
  ASSERT_EQ(parse(fullReply(), f), FactsRead::Complete);
  const auto d = systemInfoDetails(f);
  EXPECT_STREQ(kSystemInfoTypes[0], "手机型号");
  EXPECT_STREQ(kSystemInfoTypes[18], "扩展硬件");
  EXPECT_EQ(d[0], "MI 2S");
  EXPECT_EQ(d[1], "1 天 01 小时 01 分 \n");  // 90,061,000 ms
  EXPECT_EQ(d[6], "80 %");
  EXPECT_EQ(d[11], "是");
  EXPECT_EQ(d[12], "已禁用");
  EXPECT_EQ(d[14], "已禁用");  // 7 is not 1
  EXPECT_EQ(d[17], "128 / 255");
  EXPECT_EQ(d[18], "无");
}

TEST(SystemInfoRows, UptimeEdges) {
  EXPECT_EQ(uptimeText(0), "0 天 00 小时 00 分 \n");
  EXPECT_EQ(uptimeText(59999), "0 天 00 小时 00 分 \n");
  EXPECT_EQ(uptimeText(-5000), "0 天 00 小时 00 分 \n");
  EXPECT_EQ(uptimeText(86399000), "0 天 23 小时 59 分 \n");
  // A huge uptime still prints whole days rather than a wrapped number.
  EXPECT_EQ(uptimeText(INT64_MAX).rfind("106751991167 天", 0), 0u);
}

TEST(Dashboard, BatteryPictureByRange) {
  EXPECT_STREQ(batteryPicture("80"), "w_battery_full.gif");
  EXPECT_STREQ(batteryPicture("70"), "w_battery_full.gif");
  EXPECT_STREQ(batteryPicture("69"), "w_battery_mid.gif");
  EXPECT_STREQ(batteryPicture("31"), "w_battery_mid.gif");
  EXPECT_STREQ(batteryPicture("30"), "w_battery_low.gif");
  EXPECT_STREQ(batteryPicture("20"), "w_battery_low.gif");
  EXPECT_STREQ(batteryPicture("16"), "w_battery_low.gif");
  EXPECT_STREQ(batteryPicture("15"), "w_battery_low.gif");  // the gap: still charged
  EXPECT_STREQ(batteryPicture("14"), "w_battery_none.gif");
  EXPECT_STREQ(batteryPicture("5"), "w_battery_none.gif");
  EXPECT_STREQ(batteryPicture(""), "w_battery_none.gif");
  EXPECT_STREQ(batteryPicture("abc"), "w_battery_none.gif");
  EXPECT_STREQ(batteryPicture("-40"), "w_battery_none.gif");
  EXPECT_STREQ(batteryPicture("99999999999999999999"), "w_battery_full.gif");
}

TEST(Dashboard, ModelLinkAndWidgetsInOrderWithEscapedPhoneTexts) {
  PhoneFacts f;
  ASSERT_EQ(parse(fullReply("<b>X</b>&'", "20"), f), FactsRead::Complete);
  f.systemVersion = "<script>alert(1)</script>";
  EXPECT_EQ(dashboardModelHtml(f), "<a href='vko:device'>&lt;b&gt;X&lt;/b&gt;&amp;&#39;</a>");
  const std::string html = dashboardWidgetsHtml(f);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.rfind("<li><div class='icon'><a href='vko:os'><img src='w_os.gif' alt='' /></a></div>"
                       "<div class='label'><a href='vko:os'>操作系统</a></div><span id='status_os'>&lt;script&gt;",
                       0),
            0u);
  EXPECT_NE(html.find("<img src='w_battery_low.gif' alt='' /></a></div><div class='label'>"
                      "<a href='vko:battery'>电池信息</a></div><span>20 %</span></li>"),
            std::string::npos);
  EXPECT_NE(html.find("<span id='status_space'>剩余 3.2 GB</span></li>"), std::string::npos);
  EXPECT_NE(html.find("GPS状态</a></div><span>开启</span></li>"), std::string::npos);
  EXPECT_NE(html.find("蓝牙状态</a></div><span>已禁用</span></li>"), std::string::npos);
  EXPECT_NE(html.find("重力感应</a></div><span>已禁用</span></li>"), std::string::npos);
  const char* order[] = {"vko:os", "vko:battery", "vko:space", "vko:gps", "vko:bluetooth", "vko:wifi", "vko:gravity"};
  size_t at = 0;
  for (const char* c : order) {
    const size_t next = html.find(c, at);
    ASSERT_NE(next, std::string::npos) << c;
    at = next;
  }
}

TEST(Dashboard, LinkCommands) {
  EXPECT_EQ(dashboardCommand("refresh").action, DashboardAction::Refresh);
  EXPECT_EQ(dashboardCommand("REFRESH").action, DashboardAction::Refresh);
  EXPECT_EQ(dashboardCommand("Device").action, DashboardAction::DeviceManager);
  EXPECT_EQ(dashboardCommand("appstore").action, DashboardAction::Store);
  EXPECT_EQ(dashboardCommand("screenshot").action, DashboardAction::Nothing);
  EXPECT_EQ(dashboardCommand("advanced").action, DashboardAction::ScreenCapture);
  for (const char* c : {"os", "space", "battery"}) EXPECT_EQ(dashboardCommand(c).action, DashboardAction::SystemInfo);
  for (const char* c : {"gps", "bluetooth", "gravity", "WiFi"})
    EXPECT_EQ(dashboardCommand(c).action, DashboardAction::PhoneSettings);
  const DashboardCommand item = dashboardCommand("2220");
  EXPECT_EQ(item.action, DashboardAction::StoreItem);
  EXPECT_EQ(item.storeItem, 2220);
  // Not a number, or one no item can have: nothing happens.
  for (const char* c : {"", "abc", "12a", "-5", "99999999999", "2147483648"})
    EXPECT_EQ(dashboardCommand(c).action, DashboardAction::Nothing) << c;
  EXPECT_EQ(dashboardCommand("2147483647").storeItem, INT32_MAX);
}

}  // namespace
}  // namespace zorvik
