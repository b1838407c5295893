#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
#include "settings/SettingsWin.h"

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

  InstallOutcome install(const std::string& location, std::string_view payload, const ExchangeCancel* cancel = nullptr) {
    progress_.clear();
    return runInstall(location, payload, [this](int v) { progress_.push_back(v); onProgress(v); }, cancel);
  }
  // Every member's file holding "old", the association pointing elsewhere: an earlier install.
  void installOld() {
    ASSERT_TRUE(install(location_, payload_).ok);
    for (const PayloadMember& m : payloadMembers()) {
      std::ofstream(memberTargetPath(location_, m.name, m.inDataFolder), std::ios::binary | std::ios::trunc) << "old";
    }
    ASSERT_TRUE(writeAssociation("C:\\elsewhere\\Quillet.exe"));
  }
  // A failed run: its message names `members` (all of them, in order) and nothing claims done.
  void expectNotWritten(const InstallOutcome& out, const std::vector<std::string>& members) {
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.notWritten, members);
    EXPECT_EQ(out.message.rfind(kNotWrittenText, 0), 0u) << out.message;
    for (const std::string& m : members) EXPECT_NE(out.message.find(m), std::string::npos) << m;
    EXPECT_EQ(std::count(progress_.begin(), progress_.end(), 100), 0);
  }
  std::function<void(int)> onProgress = [](int) {};
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
  EXPECT_TRUE(out.notWritten.empty());
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
  installOld();
  ASSERT_FALSE(isAssociated(location_ + "\\Quillet.exe"));
  const InstallOutcome out = install(location_, payload_);
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.notWritten.empty());
  expectEveryMember();
  EXPECT_TRUE(isAssociated(location_ + "\\Quillet.exe"));
}

// Upgrading while zorvik.exe runs: the run fails naming it, and no other file of the earlier
// install is replaced nor its association rewritten.
TEST_F(SetupInstall, MemberInUseFailsTheRunAndReplacesNothing) {
  installOld();
  {
    UniqueFileHandle running(CreateFileA((location_ + "\\zorvik.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running);
    DeleteFileA((tempFolder() + "ZorvikSetup.log").c_str());
    expectNotWritten(install(location_, payload_), {"zorvik.exe"});
  }
  for (const PayloadMember& m : payloadMembers()) {
    EXPECT_EQ(readFile(memberTargetPath(location_, m.name, m.inDataFolder)), "old") << m.name;
  }
  EXPECT_FALSE(isAssociated(location_ + "\\Quillet.exe"));
  EXPECT_NE(readFile(tempFolder() + "ZorvikSetup.log").find("not written: zorvik.exe"), std::string::npos);
  // Once the program has ended the same install goes through.
  EXPECT_TRUE(install(location_, payload_).ok);
  expectEveryMember();
}

TEST_F(SetupInstall, CancelledRunRemovesTheFoldersItMade) {
  CreateDirectoryA(base_.c_str(), nullptr);
  ExchangeCancel cancel;
  onProgress = [&](int v) {
    if (v == 50) cancel.cancel();
  };
  const InstallOutcome out = install(location_, payload_, &cancel);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, kCancelledText);
  EXPECT_EQ(progress_.back(), 50);
  EXPECT_FALSE(exists(base_ + "\\Program Files"));
  EXPECT_TRUE(exists(base_));  // there before the run
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

// Only zorvik.exe has a usable name: the others are missing, so nothing is called complete and
// the folders the run made (the whole test folder) go again with the one file written.
TEST_F(SetupInstall, HostileMemberNamesAreNotWrittenOutsideTheFolder) {
  const std::string hostile = readFile(ZORVIK_SETUP_HOSTILE);
  ASSERT_FALSE(hostile.empty());
  std::vector<std::string> missing;
  for (const PayloadMember& m : payloadMembers()) {
    if (std::string(m.name) != "zorvik.exe") missing.push_back(m.name);
  }
  expectNotWritten(install(location_, hostile), missing);
  EXPECT_FALSE(exists(base_));
  EXPECT_TRUE(exists(tempFolder()));
}

// setup.exe asks for administrator rights before it starts (its default folder is under
// Program Files).
TEST(SetupManifest, SetupExeRequiresAdministrator) {
  UniqueModule exe(LoadLibraryExA(ZORVIK_SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(exe) << ZORVIK_SETUP_EXE;
  HRSRC found = FindResourceA(exe.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(exe.get(), found)));
  const std::string manifest(bytes, SizeofResource(exe.get(), found));
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""), std::string::npos);
}

// In a folder no one may write (ZORVIK_READONLY_FOLDER, made by readonly-folder.sh).
class SetupReadOnly : public SetupInstall {
protected:
  void SetUp() override {
    const char* folder = std::getenv("ZORVIK_READONLY_FOLDER");
    if (!folder) GTEST_SKIP() << "run through readonly-folder.sh";
    readOnly_ = folder;
    SetupInstall::SetUp();
  }
  std::string readOnly_;
};

TEST_F(SetupReadOnly, NewFolderInsideIsRefusedAndNothingIsMade) {
  const InstallOutcome out = install(readOnly_ + "\\Zorvik", payload_);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, kNoAccessText);
  EXPECT_TRUE(progress_.empty());
  EXPECT_FALSE(exists(readOnly_ + "\\Zorvik"));
}

TEST_F(SetupReadOnly, ExistingFolderFailsNamingEveryMember) {
  std::vector<std::string> all;
  for (const PayloadMember& m : payloadMembers()) all.push_back(m.name);
  expectNotWritten(install(readOnly_, payload_), all);
  EXPECT_FALSE(exists(readOnly_ + "\\Data"));
}

// The program's data goes to the application-data folder when its own folder is this one.
TEST_F(SetupReadOnly, DataFolderFallsBackToTheUserFolder) {
  EXPECT_FALSE(folderWritable(readOnly_));
  const DataFolder chosen = chooseDataFolder(readOnly_, base_, folderWritable);
  EXPECT_TRUE(chosen.perUser);
  EXPECT_EQ(chosen.folder, base_ + "\\Zorvik\\");
  EXPECT_TRUE(exists(chosen.folder));
  EXPECT_EQ(chooseDataFolder(base_, readOnly_, folderWritable).folder, base_ + "\\");
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
