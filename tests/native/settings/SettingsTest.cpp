#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace zorvik;

namespace {

struct FakeDrives : DriveProbe {
  std::map<char, std::optional<std::uint64_t>> fixed;  // letter -> free bytes
  bool isFixed(char letter) const override { return fixed.count(letter) > 0; }
  std::optional<std::uint64_t> freeBytes(char letter) const override {
    auto it = fixed.find(letter);
    return it == fixed.end() ? std::nullopt : it->second;
  }
};

TEST(SettingsTest, ExitModeIsExitOnlyForThree) {
  EXPECT_EQ(exitModeFrom(3u), 3u);
  EXPECT_EQ(exitModeFrom(std::nullopt), 0u);
  EXPECT_EQ(exitModeFrom(1u), 0u);
  EXPECT_EQ(exitModeFrom(0xFFFFFFFFu), 0u);
}

TEST(SettingsTest, RunValueQuotesThePathAndStartsHidden) {
  EXPECT_EQ(runCommandFor("C:\\Program Files\\Zorvik\\zorvik.exe"), "\"C:\\Program Files\\Zorvik\\zorvik.exe\" /hide");
  EXPECT_TRUE(runValueMatches(std::string("\"c:\\PROGRAM FILES\\zorvik\\ZORVIK.EXE\" /HIDE"),
                              "C:\\Program Files\\Zorvik\\zorvik.exe"));
  EXPECT_FALSE(runValueMatches(std::nullopt, "C:\\zorvik.exe"));
  EXPECT_FALSE(runValueMatches(std::string("\"C:\\zorvik.exe\""), "C:\\zorvik.exe"));
  EXPECT_FALSE(runValueMatches(std::string("\"D:\\zorvik.exe\" /hide"), "C:\\zorvik.exe"));
}

TEST(SettingsTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
  // "臮" is c5 55 and "舥" is c5 75 in GBK: their trail bytes are 'U' and 'u'.
  const std::string upperTrail = "\xc5\x55", lowerTrail = "\xc5\x75";
  EXPECT_FALSE(equalsIgnoreCaseGbk(upperTrail, lowerTrail));
  EXPECT_TRUE(equalsIgnoreCaseGbk("A" + upperTrail + "b", "a" + upperTrail + "B"));
  EXPECT_TRUE(equalsIgnoreCaseGbk(runCommandFor("C:\\卓维克\\zorvik.exe"), runCommandFor("c:\\卓维克\\ZORVIK.exe")));
  EXPECT_FALSE(equalsIgnoreCaseGbk("abc", "abcd"));
  EXPECT_TRUE(equalsIgnoreCaseGbk("ab\xc5", "AB\xc5"));  // a lead byte cut off at the end
}

TEST(SettingsTest, DownloadDriveIsTheFixedOneWithMostSpace) {
  FakeDrives d;
  d.fixed = {{'C', 20 * kMegabyte * 1024}, {'D', 80 * kMegabyte * 1024}, {'E', 30 * kMegabyte * 1024}};
  EXPECT_EQ(chooseDownloadDrive(d), 'D');
  EXPECT_EQ(defaultDownloadFolder(d, "C:\\Users\\me"), "D:\\ZorvikDownload");
}

TEST(SettingsTest, LaterLetterWinsOnEqualSpace) {
  FakeDrives d;
  d.fixed = {{'C', 900 * kMegabyte}, {'F', 900 * kMegabyte}, {'E', 900 * kMegabyte}};
  EXPECT_EQ(chooseDownloadDrive(d), 'F');
}

TEST(SettingsTest, DrivesBelowFiveHundredMegabytesOrUnreadableAreSkipped) {
  FakeDrives d;
  d.fixed = {{'C', kMinDownloadDriveFree - 1}, {'D', std::nullopt}};
  EXPECT_EQ(chooseDownloadDrive(d), std::nullopt);
  d.fixed['E'] = kMinDownloadDriveFree;
  EXPECT_EQ(chooseDownloadDrive(d), 'E');
}

TEST(SettingsTest, OnlySmallDriveFallsBackToTheProfile) {
  FakeDrives d;
  d.fixed = {{'C', 100 * kMegabyte}};
  EXPECT_EQ(defaultDownloadFolder(d, "C:\\Users\\me"), "C:\\Users\\me\\ZorvikDownload");
  EXPECT_EQ(defaultDownloadFolder(d, "C:\\Users\\me\\"), "C:\\Users\\me\\ZorvikDownload");
}

// The program's own folder when writable; else %APPDATA%\Zorvik when that is; else its own all
// the same. Only the folders the rule needs are probed.
TEST(SettingsTest, DataFolderFallsBackToTheUserFolderOnlyWhenNeeded) {
  const std::string own = "C:\\Program Files\\Zorvik\\", user = "C:\\Users\\me\\AppData\\Roaming\\Zorvik\\";
  struct Case {
    std::string program, appData;
    std::set<std::string> writable;
    std::string folder;
    bool perUser;
    std::vector<std::string> probed;
  } cases[] = {
      {"C:\\Program Files\\Zorvik", "C:\\Users\\me\\AppData\\Roaming", {own, user}, own, false, {own}},
      {own, "C:\\Users\\me\\AppData\\Roaming\\", {user}, user, true, {own, user}},
      {own, "C:\\Users\\me\\AppData\\Roaming", {}, own, false, {own, user}},
      {own, "", {user}, own, false, {own}},
      {"", "C:\\Users\\me\\AppData\\Roaming", {user}, user, true, {user}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> probed;
    const DataFolder chosen = chooseDataFolder(c.program, c.appData, [&](const std::string& folder) {
      probed.push_back(folder);
      return c.writable.count(folder) > 0;
    });
    EXPECT_EQ(chosen.folder, c.folder) << c.program << " | " << c.appData;
    EXPECT_EQ(chosen.perUser, c.perUser) << c.program << " | " << c.appData;
    EXPECT_EQ(probed, c.probed) << c.program << " | " << c.appData;
  }
}

TEST(SettingsTest, FreeMegabytes) {
  EXPECT_EQ(freeMegabytes(std::nullopt), 0);
  EXPECT_EQ(freeMegabytes(kMegabyte * 3 - 1), 2);
  EXPECT_EQ(freeMegabytes(~std::uint64_t{0}), 2147483647);
}

TEST(SettingsTest, ServiceAddressesFallBackUnlessUsable) {
  EXPECT_EQ(serviceBaseFrom(std::nullopt, kDefaultServiceBase), kDefaultServiceBase);
  EXPECT_EQ(serviceBaseFrom(std::string("http://127.0.0.1:8089"), kDefaultServiceBase), "http://127.0.0.1:8089/");
  EXPECT_EQ(serviceBaseFrom(std::string("https://a.example/b/"), kDefaultStoreBase), "https://a.example/b/");
  // A value a program would paste into a command line or request line must not get through.
  for (const char* bad : {"", "http://", "ftp://x/", "file:///C:/", "http://a b/", "http://a/\"\r\nX: 1"})
    EXPECT_EQ(serviceBaseFrom(std::string(bad), kDefaultStoreBase), kDefaultStoreBase) << bad;
  EXPECT_EQ(weatherHostFrom(std::string("127.0.0.1:8089")), "127.0.0.1:8089");
  for (const char* bad : {"", "a:1:2", "a/b", "a b", "a\r\n"})
    EXPECT_EQ(weatherHostFrom(std::string(bad)), kDefaultWeatherHost) << bad;
}

}  // namespace

TEST(SettingsTest, OnlyFoldersFromADriveOrAShareAreFullPaths) {
  const struct {
    const char* typed;
    bool full;
  } cases[] = {
      {"D:\\下载", true}, {"c:/x", true},          {"\\\\server\\share", true}, {"D:", false},
      {"D:x", false},     {"下载\\apk", false},     {"\\x", false},             {"\\\\\\x", false},
      {"", false},        {"1:\\x", false},         {"\xD5\x5C:\\", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isFullFolderPath(c.typed), c.full) << c.typed;
}
