// What openPackage reads agrees with what Debian's aapt reads from the same files: package name,
// version code and name, label, icon path, permissions and minimum SDK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "AaptDump.h"
#include "common/TextConv.h"
#include "installer/Package.h"

namespace zorvik {
namespace {

using test::fixture;

uint32_t refId(const ResourceRef& r) {
  return static_cast<uint32_t>(r.package) << 24 | static_cast<uint32_t>(r.type) << 16 | r.entry;
}

std::string densestIcon(const std::string& badging) {
  const std::regex line("(^|\n)application-icon-(\\d+):'([^']*)'");
  std::string best;
  long most = -1;
  for (auto it = std::sregex_iterator(badging.begin(), badging.end(), line); it != std::sregex_iterator(); ++it) {
    const long density = std::stol((*it)[2]);
    if (density < 65534 && density > most) {
      most = density;
      best = (*it)[3];
    }
  }
  return best;
}

// `name` names the dumps; apk may be a rewritten copy of that package (aapt cannot read every form).
void expectAgreement(const std::string& name, const std::string& apk) {
  SCOPED_TRACE(apk);
  const PackageInfo p = openPackage(apk);
  ASSERT_TRUE(p.valid);
  const std::string badging = test::readFile(fixture(name + ".badging"));
  const std::string values = test::readFile(fixture(name + ".resources"));
  ASSERT_FALSE(badging.empty());
  const ManifestInfo& m = p.manifest;
  EXPECT_EQ(m.packageName, test::badgingValue(badging, "package:", "name"));

  XmlTree tree;
  ASSERT_EQ(parseXmlTree(p.manifestText, tree), XmlParseStatus::kOk);
  const std::string* code = tree.elements[0].attribute("versionCode");
  ASSERT_NE(code, nullptr);
  const std::string theirs = test::badgingValue(badging, "package:", "versionCode");
  if (theirs.empty())  // aapt prints nothing for a negative code
    EXPECT_EQ(code->rfind('-', 0), 0u);
  else
    EXPECT_EQ(*code, theirs);

  // Of several configurations we take zh-CN, zh, the default, else the last; the dump names them.
  if (m.versionIsReference)
    EXPECT_EQ(m.versionName, toAnsi(test::preferredResolvedValue(values, refId(m.versionRef))));
  else
    EXPECT_EQ(m.versionName, toAnsi(test::badgingValue(badging, "package:", "versionName")));
  if (m.labelIsReference)
    EXPECT_EQ(m.label, toAnsi(test::preferredResolvedValue(values, refId(m.labelRef))));
  else
    EXPECT_EQ(m.label, toAnsi(test::badgingValue(badging, "application:", "label")));
  // The label aapt resolves for a Chinese user, when it resolves one.
  const std::string chineseLabel = test::badgingPreferredLabel(badging);
  if (!chineseLabel.empty()) {
    EXPECT_EQ(m.label, toAnsi(chineseLabel));
  }
  // The icon: the picture aapt lists for the densest screen (anydpi and nodpi aside).
  if (m.iconType != 0) EXPECT_EQ(p.iconPath, densestIcon(badging));
  else EXPECT_EQ(test::badgingValue(badging, "application:", "icon"), "");
  EXPECT_FALSE(m.label.empty());

  EXPECT_EQ(m.permissions, test::badgingPermissions(badging));
  const size_t sdk = badging.find("\nsdkVersion:'");
  EXPECT_EQ(m.minSdk, sdk == std::string::npos ? -1 : std::atoi(badging.c_str() + sdk + 13));
}

TEST(AaptAgreement, EveryFixture) {
  for (const std::string name :
       {"basic", "utf16", "nointernet", "plugin", "customperm", "locales", "zhonly", "nodefault"})
    expectAgreement(name, fixture(name + ".apk"));
}

TEST(AaptAgreement, PackagesAsCurrentToolsWriteThem) {
  // aapt2's sparse chunks and reference chains, then the same table with 16-bit offsets and
  // compact entries (which Debian's aapt cannot read: the dumps are the original's), and a
  // manifest whose attribute names only the resource id map still gives.
  for (const char* apk : {"modern.apk", "offset16.apk", "compact.apk"}) expectAgreement("modern", fixture(apk));
  expectAgreement("sparse", fixture("sparse.apk"));
  expectAgreement("locales", fixture("locales-compact.apk"));
  expectAgreement("obfuscated", fixture("obfuscated.apk"));
  EXPECT_EQ(openPackage(fixture("compact.apk")).manifest.label, "现代工具");  // through two references
}

TEST(AaptAgreement, TheFrameworkPackage) {
  expectAgreement("framework-res", test::kFramework);
  const PackageInfo p = openPackage(test::kFramework);
  EXPECT_EQ(p.manifest.versionName, "10.0.0");
  EXPECT_EQ(p.manifest.label, "Android 系统");  // zh-CN, not the Traditional Chinese stored after it
  EXPECT_EQ(p.manifest.minSdk, 29);
  EXPECT_EQ(p.iconPath.rfind("res/drawable-", 0), 0u);
  EXPECT_NE(p.iconBytes.size(), 0u);
}

}  // namespace
}  // namespace zorvik
