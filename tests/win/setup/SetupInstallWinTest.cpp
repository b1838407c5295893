#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "installer/ApkArchive.h"
#include "installer/AssociationWin.h"
#include "setup/SetupRules.h"
#include "setup/win/DriverScan.h"
#include "setup/win/SetupInstall.h"

namespace zorvik {
namespace {

std::string tempFolder() {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void removeTree(const std::string& folder) {
  std::string from = folder + '\0';
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

std::string desktopShortcut() {
  char desktop[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
  return std::string(desktop) + "\\卓维克.lnk";
}

class SetupInstall : public ::testing::Test {
protected:
  void SetUp() override {
    base_ = tempFolder() + "zorvik-setup-test-" + std::to_string(GetCurrentProcessId());
    removeTree(base_);
    location_ = base_ + "\\Program Files\\Zorvik";
    payload_ = payloadResource(GetModuleHandleA(nullptr));
    ASSERT_FALSE(payload_.empty());
    ASSERT_TRUE(archive_.openMemory(payload_));
  }
  void TearDown() override { removeTree(base_); }

  InstallOutcome install(const std::string& location, std::string_view payload) {
    progress_.clear();
    return runInstall(location, payload, [this](int v) { progress_.push_back(v); });
  }
  // Every member on disk with the payload's bytes.
  void expectEveryMember() {
    for (const PayloadMember& m : payloadMembers()) {
      const std::string path = memberTargetPath(location_, m.name, m.inDataFolder);
      const auto bytes = archive_.readMember(m.name);
      ASSERT_TRUE(bytes) << m.name;
      EXPECT_EQ(readFile(path), *bytes) << path;
    }
  }

  std::string base_, location_;
  std::string_view payload_;
  ApkArchive archive_;
  std::vector<int> progress_;
};

TEST_F(SetupInstall, FreshInstallLeavesEveryFileAndEntry) {
  DeleteFileA(desktopShortcut().c_str());
  const InstallOutcome out = install(location_, payload_);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.message, kDoneText);
  EXPECT_EQ(out.skipped, 0);
  EXPECT_EQ(progress_, (std::vector<int>{10, 15, 20, 20, 25, 30, 35, 50, 70, 90, 100}));
  expectEveryMember();
  EXPECT_TRUE(isAssociated(location_ + "\\Quillet.exe"));
  EXPECT_TRUE(exists(desktopShortcut()));
  EXPECT_TRUE(exists(tempFolder() + kPayloadTempName));
  // The payload is the build's own programs, not placeholders.
  EXPECT_EQ(readFile(location_ + "\\zorvik.exe").substr(0, 2), "MZ");
  EXPECT_EQ(readFile(location_ + "\\Data\\PageRes.dll").substr(0, 2), "MZ");
}

TEST_F(SetupInstall, SecondInstallReplacesEveryFileAndRewritesTheEntries) {
  ASSERT_TRUE(install(location_, payload_).ok);
  for (const PayloadMember& m : payloadMembers()) {
    std::ofstream(memberTargetPath(location_, m.name, m.inDataFolder), std::ios::binary | std::ios::trunc) << "old";
  }
  ASSERT_TRUE(writeAssociation("C:\\elsewhere\\Quillet.exe"));
  ASSERT_FALSE(isAssociated(location_ + "\\Quillet.exe"));
  const InstallOutcome out = install(location_, payload_);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.skipped, 0);
  expectEveryMember();
  EXPECT_TRUE(isAssociated(location_ + "\\Quillet.exe"));
}

TEST_F(SetupInstall, DriveThatDoesNotExistGivesBadLocation) {
  const DWORD drives = GetLogicalDrives();
  char letter = 0;
  for (char c = 'Q'; c <= 'Y' && !letter; ++c) {
    if (!(drives & (1u << (c - 'A')))) letter = c;
  }
  ASSERT_NE(letter, 0);
  const std::string location = std::string(1, letter) + ":\\Program Files\\Zorvik";
  const InstallOutcome out = install(location, payload_);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, kBadLocationText);
  EXPECT_TRUE(progress_.empty());
  EXPECT_EQ(install("Zorvik", payload_).message, kBadLocationText);  // no drive part at all
}

TEST_F(SetupInstall, LocationTypedWithForwardSlashesInstalls) {
  std::string typed = location_ + "/";
  std::replace(typed.begin(), typed.end(), '\\', '/');
  const InstallOutcome out = install(typed, payload_);
  EXPECT_EQ(out.message, kDoneText);
  expectEveryMember();
}

TEST_F(SetupInstall, FileWhereTheFolderShouldBeIsABadName) {
  CreateDirectoryA(base_.c_str(), nullptr);
  std::ofstream(base_ + "\\taken") << "x";
  const InstallOutcome out = install(base_ + "\\taken", payload_);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, kBadNameText);
  EXPECT_TRUE(progress_.empty());
}

TEST_F(SetupInstall, CutPayloadIsATemporaryFolderErrorAndInstallsNothing) {
  const InstallOutcome out = install(location_, payload_.substr(0, payload_.size() / 2));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, kTempFileText);
  EXPECT_FALSE(exists(location_));
}

TEST_F(SetupInstall, HostileMemberNamesAreNotWrittenOutsideTheFolder) {
  const std::string hostile = readFile(ZORVIK_SETUP_HOSTILE);
  ASSERT_FALSE(hostile.empty());
  const InstallOutcome out = install(location_, hostile);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.skipped, static_cast<int>(payloadMembers().size()) - 1);
  EXPECT_EQ(readFile(location_ + "\\zorvik.exe"), "good");
  for (const char* outside : {"\\Program Files\\x", "\\Program Files\\y", "\\x", "\\zorvik.exe", "\\Program Files\\v"}) {
    EXPECT_FALSE(exists(base_ + outside)) << outside;
  }
  EXPECT_NE(readFile(tempFolder() + "ZorvikSetup.log").find("member(s) skipped"), std::string::npos);
}

// A fake USB enumeration key under the user's hive: one ADB interface with and without "Driver".
class DriverRows : public ::testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, usb_.put(), nullptr),
              ERROR_SUCCESS);
    instance_ = makeInstance("VID_04E8&PID_6860&MI_01\\6&1", "SAMSUNG Android ADB Interface");
    makeInstance("VID_18D1&PID_4EE7\\0123", "Android Composite ADB Interface", true);
    makeInstance("VID_0BB4&PID_0C02\\HT1", "USB Mass Storage Device");
  }
  void TearDown() override {
    instance_.reset();
    usb_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
  }
  UniqueHkey makeInstance(const std::string& path, const std::string& desc, bool withDriver = false) {
    UniqueHkey key;
    RegCreateKeyExA(usb_.get(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    RegSetValueExA(key.get(), "DeviceDesc", 0, REG_SZ, reinterpret_cast<const BYTE*>(desc.c_str()),
                   static_cast<DWORD>(desc.size() + 1));
    if (withDriver) setDriver(key.get());
    return key;
  }
  static void setDriver(HKEY key) {
    const char driver[] = "{3f966bd9-fa04-4ec5-991c-d326973b5128}\\0001";
    RegSetValueExA(key, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver), sizeof driver);
  }
  static constexpr const char* kRoot = "Software\\ZorvikSetupTest\\USB";
  UniqueHkey usb_, instance_;
};

TEST_F(DriverRows, AdbInterfaceWithoutDriverGivesOneRowNamedByVendor) {
  const std::vector<std::string> ids = {"vid_04e8&pid_6860", "vid_18d1&pid_4ee7", "vid_0bb4&pid_0c02",
                                        "vid_1234&pid_0001"};
  EXPECT_EQ(driverRows(ids, usb_.get()), (std::vector<std::string>{"三星 Samsung"}));
}

TEST_F(DriverRows, AdbInterfaceWithDriverGivesNoRow) {
  setDriver(instance_.get());
  EXPECT_TRUE(driverRows({"vid_04e8&pid_6860"}, usb_.get()).empty());
}

}  // namespace
}  // namespace zorvik
