// The manifest analysis over decoded fixture manifests and over small texts.
#include <gtest/gtest.h>

#include <set>

#include "AaptDump.h"
#include "installer/BinaryXml.h"
#include "installer/ManifestAnalysis.h"

namespace zorvik {
namespace {

using test::fixture;
using Children = std::vector<std::string>;

ManifestInfo analysed(const std::string& apk) {
  ManifestInfo info;
  auto text = decodeManifest(test::member(fixture(apk), "AndroidManifest.xml"));
  EXPECT_TRUE(text);
  EXPECT_EQ(analyseManifest(text.value_or(""), info), AnalysisStatus::kOk);
  return info;
}

ManifestInfo analysedText(const std::string& body) {
  ManifestInfo info;
  EXPECT_EQ(analyseManifest("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + body, info), AnalysisStatus::kOk) << body;
  return info;
}

TEST(ManifestAnalysis, MaxSdkVersionIsNoPermission) {
  // aapt-built: BLUETOOTH and BLUETOOTH_ADMIN carry maxSdkVersion="30", as today's tools write them.
  const ManifestInfo m = analysed("locales.apk");
  EXPECT_EQ(m.permissions, (Children{"android.permission.BLUETOOTH", "android.permission.BLUETOOTH_ADMIN",
                                     "android.permission.INTERNET"}));
  EXPECT_EQ(resultTree(m)[0].children,
            (Children{"允许访问已经配对的蓝牙设备", "允许发现和配对蓝牙设备", "[!] --- 访问互联网,将产生GRPS流量"}));
  // An element without a name requests nothing; the name is found wherever it stands.
  const ManifestInfo text = analysedText(
      "<manifest><uses-permission maxSdkVersion=\"android.permission.INTERNET\"></uses-permission>"
      "<uses-permission required=\"\" name=\"android.permission.CAMERA\"></uses-permission></manifest>");
  EXPECT_EQ(text.permissions, Children{"android.permission.CAMERA"});
  EXPECT_FALSE(text.usesInternet);
}

TEST(ManifestAnalysis, ReadsTheBasicPackage) {
  const ManifestInfo m = analysed("basic.apk");
  EXPECT_EQ(m.packageName, "com.zorvik.demo");
  EXPECT_TRUE(m.versionIsReference);
  EXPECT_EQ(m.versionEntry, 1);
  EXPECT_EQ(m.versionName, "");
  EXPECT_TRUE(m.labelIsReference);
  EXPECT_EQ(m.labelType, 3);
  EXPECT_EQ(m.labelEntry, 0);
  EXPECT_EQ(m.labelRef.package, 0x7F);
  EXPECT_EQ(m.iconType, 2);
  EXPECT_EQ(m.iconEntry, 0);
  EXPECT_TRUE(m.sdCardAllowed);  // preferExternal
  EXPECT_EQ(m.minSdk, 10);
  EXPECT_STREQ(minSdkText(m.minSdk), "Android 2.3.3");
  EXPECT_EQ(m.launchActivity, ".Main");  // the second launcher activity is ignored
  EXPECT_FALSE(m.isPlugin);
  EXPECT_TRUE(m.usesInternet);
  EXPECT_EQ(m.permissions, (Children{"android.permission.INTERNET", "android.permission.READ_SMS",
                                     "android.permission.REBOOT", "com.zorvik.demo.permission.OWN",
                                     "android.permission.WAKE_LOCK"}));
  EXPECT_EQ(m.advertising, Children{"多盟广告"});
  EXPECT_EQ(m.statistics, Children{"友盟统计"});

  const auto tree = resultTree(m);
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].text, "请求权限 ");
  EXPECT_EQ(tree[0].children, (Children{"[!] --- 访问互联网,将产生GRPS流量", "[!] --- 读取短信", "[xxx] 重新启动",
                                        "锁屏后仍后台运行"}));  // the package's own permission is listed nowhere
  EXPECT_EQ(tree[1].text, "广告检测");
  EXPECT_EQ(tree[1].children, Children{"多盟广告"});
  EXPECT_EQ(tree[2].text, "统计信息");
  EXPECT_EQ(tree[2].children, Children{"友盟统计"});
  EXPECT_STREQ(sdCardText(m, true), "该应用支持");
  EXPECT_STREQ(sdCardText(m, false), "不支持");
}

TEST(ManifestAnalysis, WithoutInternetNothingIsDetected) {
  const ManifestInfo m = analysed("nointernet.apk");
  EXPECT_FALSE(m.usesInternet);
  EXPECT_EQ(m.statistics, Children{"友盟统计"});  // found, but not shown
  EXPECT_EQ(m.advertising, Children{"AdMob广告"});
  const auto tree = resultTree(m);
  EXPECT_EQ(tree[0].children, Children{"[!] --- 读取联系人"});
  EXPECT_EQ(tree[1].children, Children{"没有找到"});
  EXPECT_EQ(tree[2].children, Children{"没有找到"});
  // Literal texts, internalOnly, an SDK outside the table, no launcher.
  EXPECT_FALSE(m.labelIsReference);
  EXPECT_EQ(m.label, "Quiet & Calm");
  EXPECT_FALSE(m.versionIsReference);
  EXPECT_EQ(m.versionName, "1.0 <alpha> & more");
  EXPECT_FALSE(m.sdCardAllowed);
  EXPECT_STREQ(sdCardText(m, true), "不支持");
  EXPECT_EQ(m.minSdk, 16);
  EXPECT_STREQ(minSdkText(m.minSdk), "未知版本");
  EXPECT_EQ(m.launchActivity, "");
  EXPECT_EQ(m.iconType, 0);
}

TEST(ManifestAnalysis, PluginAndEmptyPermissions) {
  const ManifestInfo m = analysed("plugin.apk");
  EXPECT_TRUE(m.isPlugin);
  EXPECT_EQ(m.launchActivity, ".Home");
  EXPECT_TRUE(m.sdCardAllowed);  // auto
  EXPECT_EQ(m.minSdk, -1);
  EXPECT_STREQ(minSdkText(m.minSdk), "未知版本");
  const auto tree = resultTree(m);
  EXPECT_EQ(tree[0].children, Children{"没有找到"});
  EXPECT_EQ(tree[1].children, Children{"没有找到"});
}

TEST(ManifestAnalysis, AnUnknownPermissionAloneLeavesTheNodeEmpty) {
  const ManifestInfo m = analysed("customperm.apk");
  EXPECT_EQ(m.permissions, Children{"com.zorvik.custom.permission.PRIVATE"});
  EXPECT_TRUE(resultTree(m)[0].children.empty());
  EXPECT_STREQ(minSdkText(m.minSdk), "Android 2.1");
}

TEST(ManifestAnalysis, InstallLocationAsTextOrAsCompiledNumber) {
  EXPECT_FALSE(analysedText("<manifest installLocation=\"internalOnly\">\n</manifest>").sdCardAllowed);
  // aapt compiles the value to its number: 1 is internalOnly.
  EXPECT_FALSE(analysedText("<manifest installLocation=\"1\">\n</manifest>").sdCardAllowed);
  EXPECT_TRUE(analysedText("<manifest installLocation=\"preferExternal\">\n</manifest>").sdCardAllowed);
  EXPECT_TRUE(analysedText("<manifest installLocation=\"0\">\n</manifest>").sdCardAllowed);
  EXPECT_TRUE(analysedText("<manifest>\n</manifest>").sdCardAllowed);
}

TEST(ManifestAnalysis, MinSdkTable) {
  const char* expected[] = {"Android 1.5", "Android 1.6", "Android 2.0", "Android 2.0.1", "Android 2.1",
                            "Android 2.2", "Android 2.3", "Android 2.3.3", "Android 3.0", "Android 3.1",
                            "Android 3.2", "Android 4.0", "Android 4.0.3"};
  for (int sdk = 3; sdk <= 15; ++sdk) EXPECT_STREQ(minSdkText(sdk), expected[sdk - 3]);
  for (int sdk : {-1, 0, 1, 2, 16, 29, 1 << 30}) EXPECT_STREQ(minSdkText(sdk), "未知版本");
}

TEST(ManifestAnalysis, PermissionTableHas57MarkedRows) {
  const auto& table = permissionTable();
  ASSERT_EQ(table.size(), 57u);
  std::set<std::string> keys;
  int risky = 0, dangerous = 0;
  for (const auto& row : table) {
    keys.insert(row.permission);
    EXPECT_NE(std::string(row.description), "");
    risky += isRiskyDescription(row.description);
    dangerous += isDangerousDescription(row.description);
  }
  EXPECT_EQ(keys.size(), 57u);
  EXPECT_EQ(risky, 14);
  EXPECT_EQ(dangerous, 3);
  EXPECT_STREQ(permissionDescription("android.permission.BRICK"), "[xxx] 请求禁止设备，十分危险");
  EXPECT_STREQ(permissionDescription("android.permission.BLUETOOTH"), "允许访问已经配对的蓝牙设备");
  EXPECT_STREQ(permissionDescription("com.android.alarm.permission.SET_ALARM"), "设置闹铃");
  EXPECT_STREQ(permissionDescription("android.permission.MODIFY_PHONE_STATE"), "控制移动网络状态");
  EXPECT_EQ(permissionDescription("android.permission.READ_EXTERNAL_STORAGE"), nullptr);
}

TEST(ManifestAnalysis, LaunchActivityAndPluginMarksComeFromOneFilter) {
  const ManifestInfo m = analysedText(
      "<manifest><application><activity name=\"A\"><intent-filter>\n<action name=\"android.intent.action.MAIN\">\n"
      "</action></intent-filter><intent-filter>\n<category name=\"android.intent.category.LAUNCHER\">\n</category>"
      "</intent-filter></activity><activity name=\"B\"><intent-filter>\n<action name=\"android.intent.action.MAIN\">\n"
      "</action><category name=\"android.intent.category.LAUNCHER\">\n</category></intent-filter></activity>"
      "</application></manifest>");
  EXPECT_EQ(m.launchActivity, "B");
}

TEST(ManifestAnalysis, ReferencesAndTheFirstApplication) {
  const ManifestInfo m = analysedText(
      "<manifest versionName=\"@0x7f0b0012\"><application label=\"@0x7f0a0003\" icon=\"@0x7f090004\">\n"
      "</application><application label=\"Second\" icon=\"@0x7f010001\">\n</application>"
      "<uses-sdk minSdkVersion=\"abc\">\n</uses-sdk></manifest>");
  EXPECT_EQ(m.versionEntry, 0x12);
  EXPECT_EQ(m.versionRef.type, 0x0b);
  EXPECT_EQ(m.labelType, 0x0a);
  EXPECT_EQ(m.labelEntry, 3);
  EXPECT_EQ(m.iconType, 9);
  EXPECT_EQ(m.iconEntry, 4);
  EXPECT_EQ(m.minSdk, -1);
  ResourceRef ref;
  EXPECT_TRUE(parseResourceRef("@0x1040082", 1, ref));
  EXPECT_EQ(ref.package, 1);
  EXPECT_EQ(ref.type, 4);
  EXPECT_EQ(ref.entry, 0x82);
  EXPECT_FALSE(parseResourceRef("@0x", 1, ref));
  EXPECT_FALSE(parseResourceRef("@0x123456789", 1, ref));
  EXPECT_FALSE(parseResourceRef("@0xzz", 1, ref));
}

TEST(ManifestAnalysis, TextTheReaderRefuses) {
  ManifestInfo info;
  info.packageName = "stale";
  EXPECT_EQ(analyseManifest("<manifest package=\"a\">", info), AnalysisStatus::kRefused);
  EXPECT_EQ(info.packageName, "");
  EXPECT_EQ(analyseManifest("<a>&</a>", info), AnalysisStatus::kRefused);
  EXPECT_EQ(analyseManifest("", info), AnalysisStatus::kRefused);
}

TEST(ManifestAnalysis, ProbesAdvertisingClassesIgnoringCase) {
  ManifestInfo m;
  probeClasses({"classes.dex", "NET/youmi/android/A.class", "com/wiyun/ad/a.class", "net/youmi/android/spotad/a.class"},
               m);
  EXPECT_EQ(m.advertising, (Children{"有米广告", "有米广告", "微云广告"}));
}

}  // namespace
}  // namespace zorvik
