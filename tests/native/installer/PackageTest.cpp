// Opening a package file from its path: the order of checks and what the page receives.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "AaptDump.h"
#include "installer/BinaryXml.h"
#include "installer/Package.h"

namespace zorvik {
namespace {

using test::fixture;

TEST(OpenPackage, GathersEverythingThePageShows) {
  const PackageInfo p = openPackage(fixture("basic.apk"));
  ASSERT_TRUE(p.valid);
  EXPECT_TRUE(p.installable());
  EXPECT_EQ(p.failure, PackageFailure::kNone);
  EXPECT_EQ(p.manifest.packageName, "com.zorvik.demo");
  EXPECT_EQ(p.manifest.label, "演示程序");
  EXPECT_EQ(p.title(), "演示程序");
  EXPECT_EQ(p.manifest.versionName, "2.5.1-beta");
  EXPECT_EQ(p.iconPath, "res/drawable/icon.png");
  EXPECT_EQ(p.iconBytes, test::member(fixture("basic.apk"), "res/drawable/icon.png"));
  EXPECT_EQ(p.iconBytes.substr(1, 3), "PNG");
  EXPECT_EQ(p.sizeBytes, test::readFile(fixture("basic.apk")).size());
  EXPECT_EQ(p.sizeText, formatByteSize(p.sizeBytes));
  EXPECT_NE(p.sizeText.find("KB"), std::string::npos);
  // The class probe runs after the table and adds to the meta-data findings.
  EXPECT_EQ(p.manifest.advertising, (std::vector<std::string>{"多盟广告", "微云广告"}));
  EXPECT_EQ(p.results()[1].children, (std::vector<std::string>{"多盟广告", "微云广告"}));
}

TEST(OpenPackage, PageFieldsForAValidAndAnInvalidPackage) {
  const PackageFields valid = pageFields(openPackage(fixture("basic.apk")));
  EXPECT_EQ(valid.title, "演示程序");
  EXPECT_EQ(valid.label, "演示程序");
  EXPECT_EQ(valid.version, "2.5.1-beta");
  EXPECT_EQ(valid.packageName, "com.zorvik.demo");
  EXPECT_EQ(valid.minSdk, "Android 2.3.3");
  EXPECT_EQ(valid.sdCard, "该应用支持");
  EXPECT_EQ(valid.size, formatByteSize(test::readFile(fixture("basic.apk")).size()));
  const PackageFields quiet = pageFields(openPackage(fixture("nointernet.apk")));
  EXPECT_EQ(quiet.sdCard, "不支持");
  EXPECT_EQ(quiet.minSdk, "未知版本");
  EXPECT_EQ(quiet.label, "Quiet & Calm");
  const PackageInfo broken = openPackage(fixture("noresources.apk"));
  const PackageFields invalid = pageFields(broken);
  EXPECT_EQ(invalid.title, "【错误】不是有效的APK文件");
  EXPECT_EQ(invalid.size, formatByteSize(test::readFile(fixture("noresources.apk")).size()));
  EXPECT_EQ(invalid.packageName, "");
  EXPECT_EQ(invalid.version, "");
  EXPECT_EQ(invalid.minSdk, "未知版本");
  EXPECT_EQ(invalid.sdCard, "不支持");
  EXPECT_EQ(broken.results()[0].children, std::vector<std::string>{"没有找到"});
}

TEST(OpenPackage, QuotesAndUpperCaseExtensionAreAccepted) {
  const PackageInfo quoted = openPackage("\"" + fixture("basic.apk") + "\"");
  EXPECT_TRUE(quoted.valid);
  EXPECT_EQ(quoted.path, fixture("basic.apk"));
  const PackageInfo upper = openPackage(fixture("upper.APK"));
  EXPECT_TRUE(upper.valid);
  EXPECT_EQ(upper.manifest.label, "演示程序");
}

TEST(OpenPackage, AChinesePathInTheProgramsCodePage) {
  // The path arrives as ANSI text (GBK), as a user's "下载" folder gives it.
  const std::string path = std::filesystem::temp_directory_path().string() + "/测试包.apk";
  test::writeFile(path, test::readFile(fixture("basic.apk")));
  uint64_t written = 0;
  // Wine started without a Linux locale that holds these characters cannot create the file.
  if (!fileSize(path, written)) GTEST_SKIP() << "the file system here cannot hold a Chinese file name";
  const PackageInfo p = openPackage("\"" + path + "\"");
  EXPECT_TRUE(p.valid);
  EXPECT_EQ(p.manifest.label, "演示程序");
  EXPECT_EQ(p.sizeBytes, test::readFile(fixture("basic.apk")).size());
  std::remove(path.c_str());
}

TEST(OpenPackage, EveryFailureMakesThePackageNotValid) {
  struct Case {
    std::string path;
    PackageFailure failure;
  } cases[] = {
      {fixture("basic.zip"), PackageFailure::kBadExtension},
      {fixture("basic"), PackageFailure::kBadExtension},
      {fixture("missing.apk"), PackageFailure::kNotArchive},
      {fixture("nomanifest.apk"), PackageFailure::kNoManifest},
      {fixture("noresources.apk"), PackageFailure::kNoResources},
  };
  for (const auto& c : cases) {
    const PackageInfo p = openPackage(c.path);
    EXPECT_FALSE(p.valid) << c.path;
    EXPECT_FALSE(p.installable());
    EXPECT_EQ(p.failure, c.failure) << c.path;
    EXPECT_EQ(p.title(), "【错误】不是有效的APK文件");
    EXPECT_EQ(p.manifest.packageName, "");  // the emptied fields stay empty
    EXPECT_EQ(p.iconBytes, "");
    EXPECT_STREQ(sdCardText(p.manifest, p.valid), "不支持");
  }
  // A file that is not an archive under the right name.
  const std::string fake = (std::filesystem::temp_directory_path() / "zorvik-not-a-package.apk").string();
  test::writeFile(fake, test::readFile(fixture("basic.xmltree")));
  EXPECT_EQ(openPackage(fake).failure, PackageFailure::kNotArchive);
  std::filesystem::remove(fake);
}

TEST(OpenPackage, ReferencesIntoAnotherPackageStayEmpty) {
  // customperm's own icon has two densities; the densest is taken.
  const PackageInfo p = openPackage(fixture("customperm.apk"));
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(p.iconPath, "res/drawable-hdpi-v4/logo.png");
  EXPECT_FALSE(p.iconBytes.empty());
}

TEST(OpenPackage, EachReferenceIsResolvedInItsOwnPackage) {
  // The label names the framework's package, which this table does not hold; the icon and the
  // version name are the package's own and still resolve.
  const PackageInfo p = openPackage(fixture("frameworkrefs.apk"));
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(p.manifest.labelRef.package, 0x01);
  EXPECT_EQ(p.manifest.label, "");
  EXPECT_EQ(p.manifest.versionName, "4.0-shared");
  EXPECT_EQ(p.iconPath, "res/drawable/icon.png");
  EXPECT_FALSE(p.iconBytes.empty());
}

TEST(PackagePath, ExtensionAndQuotes) {
  EXPECT_TRUE(hasApkExtension("a.apk"));
  EXPECT_TRUE(hasApkExtension("C:\\下载\\游戏.ApK"));
  EXPECT_FALSE(hasApkExtension("a.apk.zip"));
  EXPECT_FALSE(hasApkExtension("apk"));
  EXPECT_FALSE(hasApkExtension("a.apkx"));
  EXPECT_FALSE(hasApkExtension("dir.apk\\file"));
  EXPECT_EQ(stripQuotes("\"C:\\a b.apk\""), "C:\\a b.apk");
  EXPECT_EQ(stripQuotes("plain.apk"), "plain.apk");
  EXPECT_EQ(stripQuotes("\"\""), "");
}

TEST(PackagePath, ByteSizeText) {
  EXPECT_EQ(formatByteSize(0), "0 字节");
  EXPECT_EQ(formatByteSize(1023), "1023 字节");
  EXPECT_EQ(formatByteSize(1024), "1.00 KB");
  EXPECT_EQ(formatByteSize(1536), "1.50 KB");
  EXPECT_EQ(formatByteSize(2679), "2.61 KB");
  EXPECT_EQ(formatByteSize(10 * 1024 + 1023), "10.9 KB");
  EXPECT_EQ(formatByteSize(512 * 1024), "512 KB");
  EXPECT_EQ(formatByteSize(45573370), "43.4 MB");
  EXPECT_EQ(formatByteSize(3ull << 30), "3.00 GB");
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(OpenPackage, PartsOfASplitPackageAreExplained) {
  // aapt2's configuration split (split="config.xxhdpi", no code) and a feature split.
  struct SplitApk {
    const char* apk;
    bool featureFlag;
  };
  for (const SplitApk part : {SplitApk{"modern-xxhdpi.apk", false}, SplitApk{"feature.apk", true}}) {
    SCOPED_TRACE(part.apk);
    const std::string badging = test::readFile(fixture(std::string(part.apk, std::strlen(part.apk) - 4) + ".badging"));
    const PackageInfo p = openPackage(fixture(part.apk));
    EXPECT_FALSE(p.installable());
    EXPECT_EQ(p.failure, PackageFailure::kSplitPart);
    EXPECT_EQ(p.title(), kSplitPartTitle);
    EXPECT_EQ(pageFields(p).title, "【错误】这是拆分安装包的一部分，不能单独安装，请使用完整的安装包");
    EXPECT_EQ(p.manifest.packageName, test::badgingValue(badging, "package:", "name"));
    EXPECT_EQ(p.manifest.splitName, test::badgingValue(badging, "package:", "split"));
    EXPECT_FALSE(p.manifest.splitName.empty());
    ManifestFlags flags;
    ASSERT_TRUE(decodeManifest(test::member(fixture(part.apk), "AndroidManifest.xml"), &flags));
    EXPECT_EQ(flags.featureSplit, part.featureFlag);
  }
  // The base of the same package installs.
  const PackageInfo base = openPackage(fixture("modern.apk"));
  EXPECT_TRUE(base.installable());
  EXPECT_EQ(base.manifest.splitName, "");
}

TEST(OpenPackage, AnObfuscatedManifestReadsAsTheOriginal) {
  // Every attribute name the resource id map names is empty or "a" in the pool.
  const std::string label("l\0a\0b\0e\0l\0", 10);  // as the UTF-16 pool holds it
  ASSERT_NE(test::member(fixture("basic.apk"), "AndroidManifest.xml").find(label), std::string::npos);
  ASSERT_EQ(test::member(fixture("obfuscated.apk"), "AndroidManifest.xml").find(label), std::string::npos);
  const PackageInfo original = openPackage(fixture("basic.apk"));
  const PackageInfo obfuscated = openPackage(fixture("obfuscated.apk"));
  ASSERT_TRUE(obfuscated.valid);
  EXPECT_EQ(obfuscated.manifestText, original.manifestText);
  const PackageFields a = pageFields(original), b = pageFields(obfuscated);
  EXPECT_EQ(std::tie(a.title, a.version, a.packageName, a.minSdk, a.label, a.sdCard),
            std::tie(b.title, b.version, b.packageName, b.minSdk, b.label, b.sdCard));
  EXPECT_EQ(obfuscated.manifest.launchActivity, ".Main");
  EXPECT_EQ(obfuscated.manifest.permissions, original.manifest.permissions);
  EXPECT_EQ(obfuscated.iconBytes, original.iconBytes);
}

}  // namespace
}  // namespace zorvik
