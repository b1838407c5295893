// Page 3 "Zorvik设置" in the real main window and the "下载设置" dialog: driven by their controls'
// own messages, read back from the controls and the registry, with screenshots.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "AgentTestSupport.h"
#include "UiTestSupport.h"
#include "download/win/DownloadSettingsDialog.h"
#include "app/MainWindow.h"
#include "settings/win/SettingsPage.h"
#include "settings/win/SettingsResource.h"
#include "settings/SettingsWin.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

bool checked(HWND page, int id) { return SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void click(HWND page, int id) {
  SendDlgItemMessageA(page, id, BM_CLICK, 0, 0);
  pump(50);
}
std::string text(HWND page, int id) {
  char buf[512] = {};
  GetDlgItemTextA(page, id, buf, sizeof buf);
  return buf;
}
// The number of a "%d MB" text; -1 when the text is not of that form.
long long megabytesShown(const std::string& shown) {
  long long mb = -1;
  char rest[8] = {};
  return std::sscanf(shown.c_str(), "%lld%7s", &mb, rest) == 2 && std::string(rest) == "MB" ? mb : -1;
}
// Other programs write to the disk meanwhile: the two readings may differ a little.
constexpr double kDiskDrift = 256;

class SettingsPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>(MainWindowOptions{});
    ASSERT_TRUE(window->createModeless(nullptr));
    ShowWindow(window->hwnd(), SW_SHOW);
    PostMessageA(window->hwnd(), kMsgShowPage, 0, 3);
    pump(200);
    page = dynamic_cast<SettingsPage*>(window->page(3));
    ASSERT_NE(page, nullptr);
    hwnd = page->hwnd();
  }
  void TearDown() override {
    setStartWithWindows(false, programPath());
    window.reset();
    pump(50);
  }
  std::unique_ptr<MainWindow> window;
  SettingsPage* page = nullptr;
  HWND hwnd = nullptr;
};

TEST_F(SettingsPageTest, ShownAsPage3WithItsControls) {
  EXPECT_EQ(window->currentPageId(), 3);
  EXPECT_STREQ(page->info().caption, "Zorvik设置");
  EXPECT_TRUE(IsWindowVisible(hwnd));
  for (int id : {IDC_SETTINGS_AUTORUN, IDC_SETTINGS_EXIT_HIDE, IDC_SETTINGS_EXIT_QUIT, IDC_SETTINGS_SHOW_MODE,
                 IDC_SETTINGS_REPAIR, IDC_SETTINGS_REPAIR_RESULT})
    EXPECT_NE(GetDlgItem(hwnd, id), nullptr) << id;
}

TEST_F(SettingsPageTest, StartWithWindowsCheckBoxWritesAndRemovesTheRunValue) {
  ASSERT_FALSE(checked(hwnd, IDC_SETTINGS_AUTORUN));
  click(hwnd, IDC_SETTINGS_AUTORUN);
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_AUTORUN));
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kRunKey, kRunValue), "\"" + programPath() + "\" /hide");
  click(hwnd, IDC_SETTINGS_AUTORUN);
  EXPECT_FALSE(checked(hwnd, IDC_SETTINGS_AUTORUN));
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kRunKey, kRunValue), "<missing>");
}

TEST_F(SettingsPageTest, RunValueOfAnotherProgramLeavesTheBoxUnchecked) {
  ASSERT_TRUE(setStartWithWindows(true, "C:\\Other\\zorvik.exe"));
  page->refresh();
  EXPECT_FALSE(checked(hwnd, IDC_SETTINGS_AUTORUN));
  ASSERT_TRUE(setStartWithWindows(true, programPath()));
  page->refresh();
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_AUTORUN));
}

TEST_F(SettingsPageTest, ExitModeRadioButtonsFollowTheRegistry) {
  ASSERT_TRUE(writeSettingNumber(kExitModeValue, 3));
  page->refresh();
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_EXIT_QUIT));
  EXPECT_FALSE(checked(hwnd, IDC_SETTINGS_EXIT_HIDE));
  ASSERT_TRUE(writeSettingNumber(kExitModeValue, 2));
  page->refresh();
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_EXIT_HIDE));

  click(hwnd, IDC_SETTINGS_EXIT_QUIT);
  EXPECT_EQ(readSettingNumber(kExitModeValue), 3u);
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_EXIT_QUIT));
  EXPECT_FALSE(checked(hwnd, IDC_SETTINGS_EXIT_HIDE));
  click(hwnd, IDC_SETTINGS_EXIT_HIDE);
  EXPECT_EQ(readSettingNumber(kExitModeValue), 0u);
  EXPECT_TRUE(checked(hwnd, IDC_SETTINGS_EXIT_HIDE));
  EXPECT_FALSE(checked(hwnd, IDC_SETTINGS_EXIT_QUIT));
}

TEST_F(SettingsPageTest, RepairButtonReportsDoneAndTheShortcutExists) {
  char desktop[MAX_PATH] = {}, system[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string shortcut = std::string(desktop) + "\\卓维克.lnk";
  DeleteFileA(shortcut.c_str());
  click(hwnd, IDC_SETTINGS_REPAIR);
  EXPECT_EQ(text(hwnd, IDC_SETTINGS_REPAIR_RESULT), "修复完成,仍然存在问题请尝试重装 Zorvik");
  EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_SETTINGS_REPAIR_PROGRESS, PBM_GETPOS, 0, 0), 100);
  EXPECT_NE(GetFileAttributesA(shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
  pump(200);
  saveWindowPng(window->hwnd(), artifactPath("settings-page.png"));

  const std::string dll = std::string(system) + "\\ZorvikAgent.dll";
  using Fn = HRESULT(WINAPI*)();
  if (HMODULE m = LoadLibraryA(dll.c_str())) {
    if (auto un = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, "DllUnregisterServer")))) un();
    FreeLibrary(m);
  }
  DeleteFileA(dll.c_str());
  DeleteFileA(shortcut.c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "Zorvik");
}

TEST(DownloadSettingsDialogTest, OkCreatesTheFolderAndStoresIt) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string base = std::string(temp) + "zorvik_dl_test";
  const std::string folder = base + "\\下载\\apk";
  DownloadSettingsDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  ShowWindow(dialog.hwnd(), SW_SHOW);
  pump(100);
  char caption[64] = {};
  GetWindowTextA(dialog.hwnd(), caption, sizeof caption);
  EXPECT_STREQ(caption, "下载设置");
  // Opening it settles a folder (stored or default) and shows its drive's space.
  EXPECT_FALSE(dialog.folder().empty());
  EXPECT_NEAR(megabytesShown(text(dialog.hwnd(), IDC_DOWNLOAD_FREE)),
              freeMegabytes(folderFreeBytes(dialog.folder())), kDiskDrift);

  dialog.choose(folder);
  EXPECT_EQ(text(dialog.hwnd(), IDC_DOWNLOAD_FOLDER), folder);
  // Not made yet: its drive's space all the same.
  EXPECT_NEAR(megabytesShown(text(dialog.hwnd(), IDC_DOWNLOAD_FREE)), freeMegabytes(folderFreeBytes(temp)),
              kDiskDrift);
  EXPECT_GT(megabytesShown(text(dialog.hwnd(), IDC_DOWNLOAD_FREE)), 0);
  pump(100);
  saveWindowPng(dialog.hwnd(), artifactPath("download-settings.png"));
  EXPECT_TRUE(dialog.accept());
  EXPECT_TRUE(folderExists(folder));
  EXPECT_EQ(readSetting(kDownloadPathValue), folder);

  // Folders that cannot be made or would depend on the working folder: OK says why under the
  // field, the dialog stays, nothing is stored or made.
  const std::string file = base + "\\a-file";
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const struct {
    std::string typed, said;
  } refused[] = {
      {"Q:\\nowhere", kDownloadFolderNotMadeText + std::string("Q:\\nowhere")},
      {file + "\\sub", kDownloadFolderNotMadeText + file + "\\sub"},
      {"zorvik_relative_dl", kDownloadFolderNotFullText},
      {"", kDownloadFolderNotFullText},
  };
  for (const auto& r : refused) {
    dialog.choose(r.typed);
    EXPECT_EQ(dialog.message(), "");
    if (r.typed.rfind("Q:", 0) == 0) {
      EXPECT_EQ(text(dialog.hwnd(), IDC_DOWNLOAD_FREE), "0 MB");
    }
    SendMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowVisible(dialog.hwnd())) << r.typed;
    EXPECT_EQ(dialog.message(), r.said) << r.typed;
    EXPECT_EQ(readSetting(kDownloadPathValue), folder) << r.typed;
  }
  EXPECT_FALSE(folderExists("zorvik_relative_dl"));
  pump(100);
  saveWindowPng(dialog.hwnd(), artifactPath("download-settings-refused.png"));
  dialog.end(IDCANCEL);
  DeleteFileA(file.c_str());
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA((base + "\\下载").c_str());
  RemoveDirectoryA(base.c_str());
}

// "打开目录" opens the stored folder, and says so when it is not there (nothing opened).
TEST(DownloadSettingsDialogTest, OpenFolderOpensTheStoredFolderOrSaysItIsMissing) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "zorvik_dl_open";
  ASSERT_TRUE(createFolder(folder));
  ASSERT_TRUE(writeSetting(kDownloadPathValue, folder));
  std::vector<std::string> opened;
  DownloadSettingsDialog dialog([&](const std::string& f) { opened.push_back(f); });
  ASSERT_TRUE(dialog.createModeless(nullptr));
  EXPECT_EQ(text(dialog.hwnd(), IDC_DOWNLOAD_OPEN), "打开目录");
  click(dialog.hwnd(), IDC_DOWNLOAD_OPEN);
  EXPECT_EQ(opened, std::vector<std::string>{folder});
  EXPECT_EQ(dialog.message(), "");
  RemoveDirectoryA(folder.c_str());
  click(dialog.hwnd(), IDC_DOWNLOAD_OPEN);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(dialog.message(), kDownloadFolderMissingText);
  dialog.end(IDCANCEL);
}

}  // namespace
