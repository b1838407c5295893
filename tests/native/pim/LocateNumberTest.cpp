// LocateNumber over the program's own prefix table: every rule of the dispatch on length, the
// service tables, and real numbers whose place is public knowledge.
#include <string>

#include <gtest/gtest.h>

#include "LocationTestSupport.h"
#include "pim/LocateNumber.h"
#include "pim/LocationTables.h"

namespace zorvik {
namespace {

class LocateNumberTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder;
    table_ = new PhoneTable(PhoneTableSetup{.folder = folder_->path()});
  }
  static void TearDownTestSuite() {
    delete table_;
    delete folder_;
  }
  static std::string locate(const std::string& number) { return LocateNumber(*table_, number); }

  static test::TempFolder* folder_;
  static PhoneTable* table_;
};
test::TempFolder* LocateNumberTest::folder_ = nullptr;
PhoneTable* LocateNumberTest::table_ = nullptr;

TEST_F(LocateNumberTest, TheProgramTableWasWrittenAndOpened) {
  EXPECT_TRUE(table_->wroteFile());
  EXPECT_TRUE(table_->isOpen());
  EXPECT_EQ(table_->path(), folder_->path() + "phone.db");
}

TEST_F(LocateNumberTest, WithheldAndMissingCallersArePrivate) {
  EXPECT_EQ(locate("-1"), "私有号码");
  EXPECT_EQ(locate("-2"), "私有号码");
  EXPECT_EQ(locate("-13800138000"), "私有号码");
}

TEST_F(LocateNumberTest, CountryPrefixIsDropped) {
  EXPECT_EQ(locate("+8613900000000"), locate("13900000000"));
  EXPECT_NE(locate("13900000000"), "没有记录");
  EXPECT_EQ(locate("+8613800138000"), "北京");
  EXPECT_EQ(locate("+86-138-0013-8000"), "北京");
  // Shorter than the prefix itself: nothing remains.
  EXPECT_EQ(locate("+8"), "未知");
  EXPECT_EQ(locate("+"), "未知");
}

TEST_F(LocateNumberTest, DashesAreRemovedBeforeTheLengthCounts) {
  EXPECT_EQ(locate("010-12345678"), "北京");
  EXPECT_EQ(locate("0755-1234567"), "广东深圳");
  EXPECT_EQ(locate("1-0-0-8-6"), "中国移动");
  EXPECT_EQ(locate("138-0013-8000"), "北京");
}

TEST_F(LocateNumberTest, ThreeDigitServices) {
  EXPECT_EQ(locate("110"), "报警");
  EXPECT_EQ(locate("119"), "火警");
  EXPECT_EQ(locate("120"), "医疗急救");
  EXPECT_EQ(locate("122"), "交通报警");
  EXPECT_EQ(locate("112"), "电话故障");
  EXPECT_EQ(locate("117"), "报时服务");
  EXPECT_EQ(locate("121"), "天气预报");
  EXPECT_EQ(locate("114"), "号码百事通");
  EXPECT_EQ(locate("160"), "信息咨询服务");
  EXPECT_EQ(locate("111"), "未知");
  EXPECT_EQ(locate("1a0"), "未知");
}

TEST_F(LocateNumberTest, FiveDigitServices) {
  EXPECT_EQ(locate("10086"), "中国移动");
  EXPECT_EQ(locate("95588"), "工商银行");
  EXPECT_EQ(locate("12345"), "未知");
  EXPECT_EQ(locate("95598"), "供电服务");
  EXPECT_EQ(locate("10000"), "中国电信");
  EXPECT_EQ(locate("10010"), "中国联通");
  EXPECT_EQ(locate("12315"), "消费者投诉");
  EXPECT_EQ(locate("95533"), "建设银行");
  EXPECT_EQ(locate("95555"), "招商银行");
  EXPECT_EQ(locate("96198"), "农业信用联社");
  EXPECT_EQ(locate("12388"), "纪检监察举报");
}

TEST_F(LocateNumberTest, SixDigits) {
  EXPECT_EQ(locate("100861"), "中国移动自助服务");
  EXPECT_EQ(locate("100862"), "未知");
}

TEST_F(LocateNumberTest, EightDigits) {
  EXPECT_EQ(locate("12345678"), "座机");
  EXPECT_EQ(locate("10655123"), "<SP号码>");
  EXPECT_EQ(locate("95105105"), "火车票电话预订");
  EXPECT_EQ(locate("02012345"), "广州");
  EXPECT_EQ(locate("01112345"), "没有记录");
}

TEST_F(LocateNumberTest, NineDigits) {
  EXPECT_EQ(locate("075512345"), "广东深圳");
  EXPECT_EQ(locate("106551234"), "<SP号码>");
  EXPECT_EQ(locate("123456789"), "未知");
}

TEST_F(LocateNumberTest, TenDigitHotLines) {
  EXPECT_EQ(locate("4008517517"), "麦乐送");
  EXPECT_EQ(locate("4008823823"), "肯德基宅急送");
  EXPECT_EQ(locate("4008123123"), "必胜客宅急送");
  EXPECT_EQ(locate("4007787878"), "巴贝拉家家送");
  EXPECT_EQ(locate("4008887272"), "棒约翰外送");
  EXPECT_EQ(locate("400-820-5555"), "招行信用卡");
  EXPECT_EQ(locate("4008205556"), "未知");
}

TEST_F(LocateNumberTest, ElevenDigitsMobileAndFixedLine) {
  EXPECT_EQ(locate("13800138000"), "北京");
  EXPECT_EQ(locate("02087654321"), "广州");
  EXPECT_EQ(locate("07551234567"), "广东深圳");
  // A second character of 3 or more means a three-digit area code.
  EXPECT_EQ(locate("03101234567"), "河北邯郸");
  // A block the table leaves empty, and a prefix whose entry is 0.
  EXPECT_EQ(locate("19912345678"), "没有记录");
  EXPECT_EQ(locate("12912345678"), "没有记录");
  EXPECT_EQ(locate("1abcdefghij"), "没有记录");
}

TEST_F(LocateNumberTest, TwelveDigits) {
  EXPECT_EQ(locate("075512345678"), "广东深圳");
  EXPECT_EQ(locate("106575551234"), "<SP号码>");
  EXPECT_EQ(locate("123456789012"), "未知");
}

TEST_F(LocateNumberTest, FourteenDigits) {
  EXPECT_EQ(locate("10657555123456"), "<SP号码>");
  EXPECT_EQ(locate("13912345678901"), "未知");
}

TEST_F(LocateNumberTest, SixteenDigitsWithADiallingPrefix) {
  EXPECT_EQ(locate("1795113800138000"), "北京");
  EXPECT_EQ(locate("1795101012345678"), "北京");
  EXPECT_EQ(locate("1795107551234567"), "广东深圳");
  EXPECT_EQ(locate("1065755512345678"), "<SP号码>");
  EXPECT_EQ(locate("2795113800138000"), "未知");
}

TEST_F(LocateNumberTest, SeventeenDigits) {
  EXPECT_EQ(locate("17951075512345678"), "广东深圳");
  EXPECT_EQ(locate("17951057112345678"), "浙江杭州");
  EXPECT_EQ(locate("10657555123456789"), "<SP号码>");
  EXPECT_EQ(locate("27951075512345678"), "未知");
}

TEST_F(LocateNumberTest, OtherLengths) {
  EXPECT_EQ(locate(""), "未知");
  EXPECT_EQ(locate("1"), "未知");
  EXPECT_EQ(locate("1065"), "<SP号码>");
  EXPECT_EQ(locate("1234567"), "未知");
  EXPECT_EQ(locate(std::string(200, '9')), "未知");
  EXPECT_EQ(locate("106" + std::string(200, '9')), "<SP号码>");
  EXPECT_EQ(locate("1" + std::string(500, '-')), "未知");
  EXPECT_EQ(locate("10-" + std::string(500, '-') + "086"), "中国移动");
}

// Provincial capitals: their landlines in the forms phones store, and mobile numbers from the
// well-known segments 139-0 followed by the area code.
TEST_F(LocateNumberTest, RealNumbersOfTheProvincialCapitals) {
  const struct {
    const char* landline;
    const char* mobile;
    const char* place;
  } capitals[] = {
      {"0311-87654321", "13903111234", "河北石家庄"}, {"0351-4045678", "13903511234", "山西太原"},
      {"0471-6965678", "13904711234", "内蒙古呼和浩特"}, {"024-23456789", "13940012345", "辽宁沈阳"},
      {"0431-88765432", "13904311234", "吉林长春"},   {"0451-86123456", "13904511234", "黑龙江哈尔滨"},
      {"025-84561234", "13951012345", "江苏南京"},    {"0571-87001234", "13905711234", "浙江杭州"},
      {"0551-62651234", "13905511234", "安徽合肥"},   {"0591-87531234", "13905911234", "福建福州"},
      {"0791-86251234", "13907911234", "江西南昌"},   {"0531-86061234", "13905311234", "山东济南"},
      {"0371-65501234", "13903711234", "河南郑州"},   {"027-87654321", "13971012345", "湖北武汉"},
      {"0731-84401234", "13907311234", "湖南长沙"},   {"020-83331234", "13808812345", "广州"},
      {"0771-28091234", "13907711234", "广西南宁"},   {"0898-65301234", "13976012345", "海南海口"},
      {"028-86601234", "13880012345", "四川成都"},    {"0851-85881234", "13908511234", "贵州贵阳"},
      {"0871-63611234", "13908711234", "云南昆明"},   {"0891-6321234", "13908911234", "西藏拉萨"},
      {"029-87291234", "13509181234", "陕西西安"},    {"0931-8921234", "13909311234", "甘肃兰州"},
      {"0971-8481234", "13909711234", "青海西宁"},    {"0951-6671234", "13909511234", "宁夏银川"},
      {"0991-2381234", "13909911234", "新疆乌鲁木齐"}, {"010-65123456", "13800138000", "北京"},
      {"021-63211234", "13916012345", "上海"},        {"022-23031234", "13920012345", "天津"},
      {"023-63851234", "13983012345", "重庆"},
  };
  for (const auto& c : capitals) {
    EXPECT_EQ(locate(c.landline), c.place) << c.landline;
    EXPECT_EQ(locate(c.mobile), c.place) << c.mobile;
  }
  // Landlines dialled with an IP prefix and stored with twelve digits.
  EXPECT_EQ(locate("17951057187001234"), "浙江杭州");
  EXPECT_EQ(locate("043188765432"), "吉林长春");
}

// A landline can only name its area code's main city, but a mobile number's place is known:
// cities that share an area code show their own name for their mobile numbers.
TEST_F(LocateNumberTest, MobileNumbersOfCitiesSharingAnAreaCodeShowTheirOwnCity) {
  const struct {
    const char* mobile;
    const char* place;
    const char* landline;  // the area code they share
    const char* mainCity;
  } shared[] = {
      {"13509101234", "陕西咸阳", "029-33211234", "陕西西安"},
      {"13991012345", "陕西咸阳", "029-33211234", "陕西西安"},
      {"13508041234", "四川资阳", "0832-2211234", "四川内江"},
      {"13507331234", "湖南株洲", "0731-22211234", "湖南长沙"},
      {"13507321234", "湖南湘潭", "0731-52211234", "湖南长沙"},
      {"13508071234", "四川眉山", "028-38111234", "四川成都"},
      {"13519791234", "青海海西", "0977-8221234", "青海德令哈"},
  };
  for (const auto& c : shared) {
    EXPECT_EQ(locate(c.mobile), c.place) << c.mobile;
    EXPECT_EQ(locate(c.landline), c.mainCity) << c.landline;
  }
  // The main cities keep their own mobile numbers.
  EXPECT_EQ(locate("13509181234"), "陕西西安");
  EXPECT_EQ(locate("13507311234"), "湖南长沙");
  EXPECT_EQ(locate("13518201234"), "四川成都");
  EXPECT_EQ(locate("13508051234"), "四川内江");
  EXPECT_EQ(locate("18616012345"), "上海");
}

}  // namespace
}  // namespace zorvik
