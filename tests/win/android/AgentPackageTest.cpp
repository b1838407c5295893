// The built phone-side package as Quillet's reader sees it under Wine: the package page shows the
// agent's real name, label, version and permissions, and its icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "installer/Package.h"

namespace zorvik {
namespace {

bool has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(AgentPackage, QuilletReadsWhatThePhoneInstalls) {
  const PackageInfo p = openPackage(ZORVIK_AGENT_PACKAGE_PATH);
  ASSERT_TRUE(p.valid) << static_cast<int>(p.failure);
  EXPECT_EQ(p.manifest.packageName, "com.zorvik.Zorvik");
  EXPECT_EQ(p.manifest.label, "卓维克手机端");
  EXPECT_EQ(p.title(), "卓维克手机端");
  EXPECT_EQ(p.manifest.versionName, ZORVIK_AGENT_VERSION_NAME);
  EXPECT_NE(p.manifestText.find("versionCode=\"" ZORVIK_AGENT_VERSION_CODE "\""), std::string::npos);
  EXPECT_EQ(p.manifest.minSdk, ZORVIK_AGENT_MIN_SDK);
  // What the connection starts: com.zorvik.Zorvik/.Zorvik.
  EXPECT_EQ(p.manifest.launchActivity, ".Zorvik");
  for (const char* permission : {"android.permission.READ_CONTACTS", "android.permission.WRITE_CONTACTS",
                                 "android.permission.READ_SMS", "android.permission.SEND_SMS",
                                 "android.permission.READ_CALL_LOG", "android.permission.WRITE_CALL_LOG",
                                 "android.permission.READ_EXTERNAL_STORAGE", "android.permission.MANAGE_EXTERNAL_STORAGE"})
    EXPECT_TRUE(has(p.manifest.permissions, permission)) << permission;
  EXPECT_FALSE(p.manifest.usesInternet);
  EXPECT_TRUE(p.manifest.advertising.empty());
  ASSERT_GE(p.iconBytes.size(), 8u);
  EXPECT_EQ(p.iconBytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
}  // namespace zorvik
