// The settings values, the Run entry and the download folder in a real registry and file system.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "AgentTestSupport.h"
#include "settings/SettingsWin.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

struct Drives : DriveProbe {
  char fixed = 0;
  std::uint64_t free = 0;
  bool isFixed(char letter) const override { return letter == fixed; }
  std::optional<std::uint64_t> freeBytes(char) const override { return free; }
};

void deleteSetting(const char* name) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
    RegDeleteValueA(h, name);
    RegCloseKey(h);
  }
}

TEST(SettingsRegistry, StartWithWindowsOnAndOffLeavesNothingBehind) {
  const std::string path = programPath();
  ASSERT_TRUE(setStartWithWindows(true, path));
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kRunKey, kRunValue), "\"" + path + "\" /hide");
  EXPECT_TRUE(runValueMatches(readRunValue(), path));
  ASSERT_TRUE(setStartWithWindows(false, path));
  EXPECT_EQ(readRunValue(), std::nullopt);
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kRunKey, kRunValue), "<missing>");
  EXPECT_TRUE(setStartWithWindows(false, path));  // already off
}

TEST(SettingsRegistry, ExitModeReadsZeroUnlessThree) {
  ASSERT_TRUE(writeExitMode(3));
  EXPECT_EQ(readExitMode(), 3u);
  ASSERT_TRUE(writeSettingNumber(kExitModeValue, 7));
  EXPECT_EQ(readExitMode(), 0u);
  ASSERT_TRUE(writeSetting(kExitModeValue, "3"));  // a string is not the number
  EXPECT_EQ(readExitMode(), 0u);
  deleteSetting(kExitModeValue);
  EXPECT_EQ(readExitMode(), 0u);
}

TEST(SettingsRegistry, MissingDownloadFolderIsReplacedByTheDefaultAndStored) {
  char profile[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
  const std::string expected = std::string(profile) + "\\ZorvikDownload";
  RemoveDirectoryA(expected.c_str());
  ASSERT_TRUE(writeSetting(kDownloadPathValue, "C:\\no\\such\\folder"));

  Drives small;  // the only fixed drive has too little space
  small.fixed = 'C';
  small.free = kMinDownloadDriveFree - 1;
  EXPECT_EQ(readDownloadFolder(small), expected);
  EXPECT_TRUE(folderExists(expected));
  EXPECT_EQ(readSetting(kDownloadPathValue), expected);

  // An existing stored folder is kept whatever the drives say.
  Drives big;
  big.fixed = 'C';
  big.free = 1ull << 40;
  EXPECT_EQ(readDownloadFolder(big), expected);
  RemoveDirectoryA(expected.c_str());
  deleteSetting(kDownloadPathValue);
}

TEST(SettingsRegistry, CreateFolderMakesEveryMissingParent) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string base = std::string(temp) + "zorvik_settings_test";
  const std::string deep = base + "\\a\\b";
  EXPECT_TRUE(createFolder(deep));
  EXPECT_TRUE(folderExists(deep));
  EXPECT_FALSE(createFolder(""));
  EXPECT_FALSE(createFolder("Q:\\no drive here"));
  RemoveDirectoryA(deep.c_str());
  RemoveDirectoryA((base + "\\a").c_str());
  RemoveDirectoryA(base.c_str());
}

}  // namespace
