#include "setup/SetupRules.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(InstallFolderFor, AppendsTheProductFolderUnlessAlreadyLast) {
  EXPECT_EQ(installFolderFor("D:\\Tools"), "D:\\Tools\\Zorvik");
  EXPECT_EQ(installFolderFor("D:\\Zorvik"), "D:\\Zorvik");
  EXPECT_EQ(installFolderFor("d:\\apps\\zORVIK"), "d:\\apps\\zORVIK");
  EXPECT_EQ(installFolderFor("D:\\"), "D:\\Zorvik");
  EXPECT_EQ(installFolderFor("D:\\Tools\\"), "D:\\Tools\\Zorvik");
  // Only the whole last component counts.
  EXPECT_EQ(installFolderFor("D:\\MyZorvik"), "D:\\MyZorvik\\Zorvik");
  EXPECT_EQ(installFolderFor("D:\\Zorvik\\Old"), "D:\\Zorvik\\Old\\Zorvik");
}

TEST(MemberTargetPath, PlainNamesLandInTheFolderOrItsDataFolder) {
  EXPECT_EQ(memberTargetPath("C:\\Z", "zorvik.exe", false), "C:\\Z\\zorvik.exe");
  EXPECT_EQ(memberTargetPath("C:\\Z\\", "device.xml", true), "C:\\Z\\Data\\device.xml");
  EXPECT_EQ(memberTargetPath("C:\\Z", "console.exe", false), "C:\\Z\\console.exe");
  EXPECT_EQ(memberTargetPath("C:\\Z", "com10.apk", false), "C:\\Z\\com10.apk");
}

TEST(MemberTargetPath, NamesThatCouldLeaveTheFolderAreRefused) {
  for (const char* name : {"..\\x", "../x", "..", ".", "...", "a\\b", "a/b", "C:x", "C:\\x", "\\\\srv\\x", "x.", "x ",
                           "", "a\tb", "con<", "x|y", "CON", "nul.txt", "Com1.dll", "lpt9"}) {
    EXPECT_EQ(memberTargetPath("C:\\Z", name, false), "") << name;
  }
  EXPECT_EQ(memberTargetPath("", "zorvik.exe", false), "");
}

TEST(PayloadMembers, EveryMemberIsAPlainNameAndProgressRisesToNinety) {
  int last = 0;
  for (const PayloadMember& m : payloadMembers()) {
    EXPECT_NE(memberTargetPath("C:\\Z", m.name, m.inDataFolder), "") << m.name;
    if (m.progressAfter) {
      EXPECT_GE(m.progressAfter, last) << m.name;
      last = m.progressAfter;
    }
  }
  EXPECT_EQ(payloadMembers().size(), 21u);
  EXPECT_EQ(last, 90);
}

// The licence notices go beside the programs, where the help page opens them.
TEST(PayloadMembers, NoticesLandBesideThePrograms) {
  const auto& all = payloadMembers();
  const auto notices = std::find_if(all.begin(), all.end(), [](const PayloadMember& m) {
    return std::string(m.name) == "THIRD-PARTY-NOTICES.txt";
  });
  ASSERT_NE(notices, all.end());
  EXPECT_FALSE(notices->inDataFolder);
}

TEST(UsbIdFromInterfacePath, CutsThePrefixAndTheRest) {
  EXPECT_EQ(usbIdFromInterfacePath("\\\\?\\USB#VID_04E8&PID_6860#R32D1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"),
            "vid_04e8&pid_6860");
  EXPECT_EQ(usbIdFromInterfacePath("\\\\?\\usb#vid_18d1&pid_4ee7"), "");
  EXPECT_EQ(usbIdFromInterfacePath(""), "");
}

TEST(VendorText, ComparesWithoutCaseAndFallsBackToUnknown) {
  EXPECT_EQ(vendorText("04E8"), "三星 Samsung");
  EXPECT_EQ(vendorText("04e8"), "三星 Samsung");
  EXPECT_EQ(vendorText("0B05"), "华硕 Asus");
  EXPECT_EQ(vendorText("19d2"), "中兴 ZTE");
  EXPECT_EQ(vendorText("ffff"), "未知");
  EXPECT_EQ(vendorText(""), "未知");
  EXPECT_EQ(vendorIdOf("vid_04e8&pid_6860"), "04e8");
  EXPECT_EQ(vendorIdOf("vid_04"), "");
}

TEST(DriverSearchUrl, TheMakerAndTheSuffixArePercentEncodedUtf8) {
  // "三星 Samsung" in UTF-8, then " Android手机USB驱动".
  EXPECT_EQ(driverSearchUrl("\xe4\xb8\x89\xe6\x98\x9f Samsung"),
            "https://www.bing.com/search?q=%E4%B8%89%E6%98%9F%20Samsung%20Android%E6%89%8B%E6%9C%BAUSB%E9%A9%B1%E5%8A%A8");
  EXPECT_EQ(driverSearchUrl("A&B=C#"), "https://www.bing.com/search?q=A%26B%3DC%23%20Android%E6%89%8B%E6%9C%BAUSB%E9%A9%B1%E5%8A%A8");
}

}  // namespace
}  // namespace zorvik
