// The pure parts of discovery: the devices listing, getprop lines, the version, brand and display
// tables, the command lines and the install result classification.
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"
#include "devlink/DeviceTables.h"
#include "devlink/UsbInterface.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using Serials = std::vector<std::string>;

TEST(DevicesListing, HeaderAndOneDeviceGiveExactlyThatSerial) {
  EXPECT_EQ(parseDevicesListing("List of devices attached\n0123456789ABCDEF\tdevice\n\n"), Serials{"0123456789ABCDEF"});
  // Windows line ends leave a CR that the trim removes.
  EXPECT_EQ(parseDevicesListing("List of devices attached\r\nemulator-5554\tdevice\r\n\r\n"), Serials{"emulator-5554"});
}

TEST(DevicesListing, DevicesInOtherStatesAreNotCounted) {
  EXPECT_EQ(parseDevicesListing("List of devices attached\nAAA\toffline\nBBB\tdevice\nCCC\tunauthorized\n"), Serials{"BBB"});
  EXPECT_EQ(parseDevicesListing("List of devices attached\nAAA\toffline\n\n"), Serials{});
  // A state message that mentions a device page is not the state "device".
  EXPECT_EQ(parseDevicesListing("List of devices attached\nAAA\tno permissions; see [http://developer.android.com/tools/device.html]\n"),
            Serials{});
}

TEST(DevicesListing, SeveralDevicesInOrderAndTheListStopsAtTheFirstEmptyLine) {
  EXPECT_EQ(parseDevicesListing("List of devices attached\nS1\tdevice\nS2\tdevice\n\nS3\tdevice\n"), (Serials{"S1", "S2"}));
}

TEST(DevicesListing, ServerStartNoticesAndEmptyOutputGiveNothing) {
  EXPECT_EQ(parseDevicesListing("* daemon not running; starting now at tcp:5037\n* daemon started successfully\n"
                                "List of devices attached\nS1\tdevice\n"),
            Serials{"S1"});
  EXPECT_EQ(parseDevicesListing(""), Serials{});
  EXPECT_EQ(parseDevicesListing("device\n"), Serials{});  // "device" at the first position: not a device
  EXPECT_EQ(parseDevicesListing("List of devices attached"), Serials{});
}

TEST(DevicesListing, NoServerIsTheToolsWordsNeverASerial) {
  EXPECT_TRUE(adbServerMissing("adb: error: cannot connect to daemon at tcp:5037: Connection refused\n"));
  EXPECT_TRUE(adbServerMissing("* daemon not running; starting now at tcp:5037\r\n* failed to start daemon\r\n"));
  EXPECT_FALSE(adbServerMissing("List of devices attached\n\n"));
  EXPECT_FALSE(adbServerMissing("* daemon not running; starting now at tcp:5037\n* daemon started successfully\n"));
  EXPECT_FALSE(adbServerMissing("List of devices attached\ncannot connect to daemon\tdevice\n"));
}

// A serial is kept as listed: only the state word and its tab go, whatever the serial holds.
TEST(DevicesListing, SerialsAreKeptAsListed) {
  const struct {
    const char* listing;
    Serials serials;
  } cases[] = {
      {"List of devices attached\nmydevice01\tdevice\n", {"mydevice01"}},
      {"List of devices attached\ndevice\tdevice\n", {"device"}},
      {"List of devices attached\ndevices-7\tdevice\n", {"devices-7"}},
      {"List of devices attached\nR58device\toffline\nR58device2\tdevice\r\n", {"R58device2"}},
      {"List of devices attached\nmy device 1\tdevice\n", {"my device 1"}},
      {"List of devices attached\n192.168.1.5:5555\tdevice\n", {"192.168.1.5:5555"}},
      {"List of devices attached\nS1 device\n", {"S1"}},  // no tab: the last blank
      {"List of devices attached\n\tdevice\n", {}},     // no serial at all
      {"List of devices attached\nA\tB\tdevice\nC\rD\tdevice\n", {}},  // control characters
      {"List of devices attached\nS1\tdeviceX\nS2\tmydevice\n", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseDevicesListing(c.listing), c.serials) << c.listing;
}

TEST(Getprop, ValueIsBetweenTheLastBrackets) {
  EXPECT_EQ(getpropValue("[ro.build.version.sdk]: [10]"), "10");
  EXPECT_EQ(getpropValue("[ro.product.model]: [Nexus [S]]"), "S]");  // last "[" and last "]"
  EXPECT_EQ(getpropValue("[ro.product.model]: []"), "");
  EXPECT_EQ(getpropValue("no brackets"), "");
  EXPECT_EQ(getpropValue("]["), "");
  EXPECT_EQ(getpropValue("[unterminated"), "");
}

TEST(Getprop, ReadsTheThreePropertiesFromAFullListing) {
  const DeviceProperties p = parseGetprop(
      "[dalvik.vm.heapsize]: [32m]\r\n[ro.build.version.sdk]: [10]\r\n[ro.product.manufacturer]: [HTC]\r\n"
      "[ro.product.model]: [Desire HD]\r\n[ro.serialno]: [HT0123]\r\n");
  EXPECT_EQ(p.sdkLevel, 10);
  EXPECT_EQ(p.manufacturer, "HTC");
  EXPECT_EQ(p.model, "Desire HD");
  EXPECT_STREQ(versionNameForSdk(p.sdkLevel), "Android 2.3.X");
}

TEST(Getprop, BadSdkValuesGiveZeroOrClampedNumbers) {
  EXPECT_EQ(parseGetprop("[ro.build.version.sdk]: [abc]").sdkLevel, 0);
  EXPECT_EQ(parseGetprop("[ro.build.version.sdk]: [99999999999999999999]").sdkLevel, 2147483647);
  EXPECT_EQ(parseGetprop("[ro.build.version.sdk]: [-99999999999999999999]").sdkLevel, -2147483647 - 1);
  EXPECT_EQ(parseGetprop("[ro.build.version.sdk]: [ 15x]").sdkLevel, 15);
  EXPECT_EQ(parseGetprop("").sdkLevel, 0);
}

TEST(VersionNames, EveryLevelFromThreeToThirtySixIsNamed) {
  const char* expected[] = {
      "Android 1.5", "Android 1.6", "Android 2.0", "Android 2.0.1", "Android 2.1", "Android 2.2",
      "Android 2.3", "Android 2.3.X", "Android 3.0", "Android 3.1", "Android 3.2", "Android 4.0",
      "Android 4.0.3", "Android 4.1", "Android 4.2", "Android 4.3", "Android 4.4", "Android 4.4W",
      "Android 5.0", "Android 5.1", "Android 6.0", "Android 7.0", "Android 7.1", "Android 8.0",
      "Android 8.1", "Android 9", "Android 10", "Android 11", "Android 12", "Android 12L",
      "Android 13", "Android 14", "Android 15", "Android 16"};
  static_assert(sizeof expected / sizeof expected[0] == 36 - 3 + 1, "one name per level 3..36");
  for (int sdk = 3; sdk <= 36; ++sdk) EXPECT_STREQ(versionNameForSdk(sdk), expected[sdk - 3]) << sdk;
  for (int sdk : {-2147483647 - 1, -1, 0, 1, 2, 37, 2147483647})
    EXPECT_STREQ(versionNameForSdk(sdk), "未知版本") << sdk;
}

TEST(BrandImages, LowerCasedSubstringInTableOrder) {
  EXPECT_EQ(brandImageForManufacturer("HTC"), 21015);
  EXPECT_EQ(brandImageForManufacturer("acer"), 21000);
  EXPECT_EQ(brandImageForManufacturer("Apple Inc."), 21002);
  EXPECT_EQ(brandImageForManufacturer("Dopod"), 21003);
  EXPECT_EQ(brandImageForManufacturer("Google"), 21004);
  EXPECT_EQ(brandImageForManufacturer("LENOVO"), 21006);
  EXPECT_EQ(brandImageForManufacturer("Motorola"), 21008);
  EXPECT_EQ(brandImageForManufacturer("Meizu"), 21007);
  EXPECT_EQ(brandImageForManufacturer("Nokia"), 21009);
  EXPECT_EQ(brandImageForManufacturer("Philips"), 21010);
  EXPECT_EQ(brandImageForManufacturer("samsung"), 21011);
  EXPECT_EQ(brandImageForManufacturer("SHARP"), 21012);
  EXPECT_EQ(brandImageForManufacturer("SonyEricsson"), 21013);
  EXPECT_EQ(brandImageForManufacturer("ZTE"), 21014);
  // Order decides: "motorola" comes before "meizu", "htc" before "zte".
  EXPECT_EQ(brandImageForManufacturer("meizu-motorola"), 21008);
  EXPECT_EQ(brandImageForManufacturer("zte htc"), 21015);
  EXPECT_EQ(brandImageForManufacturer("Xiaomi"), 21004);
  EXPECT_EQ(brandImageForManufacturer(""), 21004);
}

TEST(DisplayNames, MeizuAndMotorolaAreCaseSensitiveAndOnlyTheFirstRuleApplies) {
  EXPECT_EQ(displayManufacturer("motorola"), "摩托罗拉");
  EXPECT_EQ(displayManufacturer("Motorola"), "Motorola");
  EXPECT_EQ(displayManufacturer("meizu"), "魅族");
  EXPECT_EQ(displayManufacturer("meizu motorola"), "魅族 motorola");
  EXPECT_EQ(displayManufacturer("HTC"), "HTC");
  EXPECT_EQ(displayModel("meizu_M9"), "M9");
  EXPECT_EQ(displayModel("meizu_meizu_x"), "x");
  EXPECT_EQ(displayModel("Meizu_M9"), "Meizu_M9");
  // GBK bytes, as the dialog draws them.
  EXPECT_EQ(displayManufacturer("meizu"), "\xf7\xc8\xd7\xe5");
}

TEST(CommandLines, EveryLineOfTheTable) {
  EXPECT_EQ(devicesCommand("adb"), "adb devices");
  EXPECT_EQ(getpropCommand("C:\\Zorvik\\adb.exe", "S1"), "C:\\Zorvik\\adb.exe -s S1 shell getprop");
  EXPECT_EQ(listPackagesCommand("adb", "S1"), "adb -s S1 shell pm list package");
  EXPECT_EQ(startAgentCommand("adb", "S1"), "adb -s S1 shell am start -n com.zorvik.Zorvik/.Zorvik");
  EXPECT_EQ(installCommand("adb", "S1", "C:\\Zorvik\\com.zorvik.Zorvik.apk"), "adb -s S1 install -r C:\\Zorvik\\com.zorvik.Zorvik.apk");
  EXPECT_EQ(installCommand("adb", "S1", "C:\\Program Files\\Zorvik\\a.apk"), "adb -s S1 install -r \"C:\\Program Files\\Zorvik\\a.apk\"");
  EXPECT_EQ(uninstallCommand("adb", "com.example"), "adb uninstall com.example");
  // From Android 6: runtime permissions granted at install, then one grant each.
  EXPECT_EQ(installCommand("adb", "S1", "C:\\Program Files\\Zorvik\\a.apk", true),
            "adb -s S1 install -r -g \"C:\\Program Files\\Zorvik\\a.apk\"");
  EXPECT_EQ(sdkCommand("adb", "S1"), "adb -s S1 shell getprop ro.build.version.sdk");
  EXPECT_EQ(grantCommand("adb", "S1", "android.permission.READ_SMS"),
            "adb -s S1 shell pm grant com.zorvik.Zorvik android.permission.READ_SMS");
}

TEST(CommandLines, AToolPathWithASpaceIsQuotedSoNoOtherProgramRuns) {
  const std::string tool = "C:\\Program Files\\Zorvik\\adb.exe";
  const std::string quoted = "\"" + tool + "\"";
  EXPECT_EQ(devicesCommand(tool), quoted + " devices");
  EXPECT_EQ(getpropCommand(tool, "S1"), quoted + " -s S1 shell getprop");
  EXPECT_EQ(listPackagesCommand(tool, "S1"), quoted + " -s S1 shell pm list package");
  EXPECT_EQ(startAgentCommand(tool, "S1"), quoted + " -s S1 shell am start -n com.zorvik.Zorvik/.Zorvik");
  EXPECT_EQ(installCommand(tool, "S1", "a.apk"), quoted + " -s S1 install -r a.apk");
  EXPECT_EQ(uninstallCommand(tool, "p"), quoted + " uninstall p");
}

// A serial or path with blanks, quotes or backslashes reaches the tool as the one word it was,
// on every command line that addresses a phone.
TEST(CommandLines, SerialsAndPathsComeBackWhole) {
  using W = std::vector<std::string>;
  const std::string serial = "my device 1";
  for (const std::string& line :
       {getpropCommand("adb", serial), listPackagesCommand("adb", serial), startAgentCommand("adb", serial),
        installCommand("adb", serial, "a.apk"), sdkCommand("adb", serial), grantCommand("adb", serial, "p"),
        appOpCommand("adb", serial, "o")}) {
    const W words = detail::splitCommandLine(line);
    ASSERT_GE(words.size(), 3u) << line;
    EXPECT_EQ(words[1], "-s") << line;
    EXPECT_EQ(words[2], serial) << line;
  }
  EXPECT_EQ(getpropCommand("adb", serial), "adb -s \"my device 1\" shell getprop");
  for (const char* word : {"my device 1", "", "a\tb", "say \"hi\"", "C:\\Program Files\\", "x\\\"y", "\\\\srv\\a b\\c",
                           "plain", "C:\\dir\\"}) {
    EXPECT_EQ(detail::splitCommandLine("adb " + quotedArgument(word) + " end"), (W{"adb", word, "end"})) << word;
  }
  EXPECT_EQ(detail::splitCommandLine(installCommand("C:\\Program Files\\Zorvik\\adb.exe", serial, "C:\\my apps\\a.apk")),
            (W{"C:\\Program Files\\Zorvik\\adb.exe", "-s", serial, "install", "-r", "C:\\my apps\\a.apk"}));
}

TEST(CommandLines, SplitLikeWindowsPrograms) {
  using W = std::vector<std::string>;
  EXPECT_EQ(detail::splitCommandLine("adb -s S1 install -r \"C:\\Program Files\\a.apk\""),
            (W{"adb", "-s", "S1", "install", "-r", "C:\\Program Files\\a.apk"}));
  EXPECT_EQ(detail::splitCommandLine("  a\t b  "), (W{"a", "b"}));
  EXPECT_EQ(detail::splitCommandLine("a \"\" b"), (W{"a", "", "b"}));
  EXPECT_EQ(detail::splitCommandLine(""), W{});
  // Backslashes escape only a quote: 2n before one are n, 2n+1 are n and the quote itself.
  EXPECT_EQ(detail::splitCommandLine("a\\b \"c\\\\\" \"d\\\"e\""), (W{"a\\b", "c\\", "d\"e"}));
}

TEST(InstallResult, FirstMatchingRuleWins) {
  EXPECT_EQ(classifyInstallOutput("\t1234 KB/s (5678 bytes in 0.1s)\r\n\tpkg: /data/local/tmp/a.apk\r\nSuccess\r\n"), 0);
  EXPECT_EQ(classifyInstallOutput("Failure [INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES]"), 2);
  EXPECT_EQ(classifyInstallOutput("Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]"), 3);
  EXPECT_EQ(classifyInstallOutput("Success\nFailure [INSTALL_FAILED_INSUFFICIENT_STORAGE]"), 0);
  EXPECT_EQ(classifyInstallOutput("Failure [INSTALL_FAILED_ALREADY_EXISTS]"), 4);
  EXPECT_EQ(classifyInstallOutput("error: device not found"), 4);
  EXPECT_EQ(classifyInstallOutput(""), 4);
}

TEST(UsbInterfacePath, TheDeviceIdBetweenPrefixAndHash) {
  EXPECT_EQ(usbIdFromInterfacePath("\\\\?\\USB#VID_18D1&PID_4E12#0123456789ABCDEF#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"),
            "vid_18d1&pid_4e12");
  EXPECT_EQ(usbIdFromInterfacePath("\\\\?\\usb#vid_0bb4&pid_0c02&mi_01#7&1a2b&0&0001#{guid}"), "vid_0bb4&pid_0c02&mi_01");
  EXPECT_EQ(usbIdFromInterfacePath("\\\\?\\USB"), "");
  EXPECT_EQ(usbIdFromInterfacePath(""), "");
}

}  // namespace
}  // namespace zorvik
