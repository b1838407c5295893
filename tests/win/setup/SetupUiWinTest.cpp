#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "setup/win/SetupInstall.h"
#include "setup/win/SetupResource.h"
#include "setup/win/SetupWizard.h"

namespace zorvik {
namespace {

std::string text(HWND hwnd) {
  char buffer[512] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

class Wizards : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
  }
};

TEST_F(Wizards, InstallPageShowsTheDefaultFolderAndAMissingDriveIsRefused) {
  SetupWizard wizard;
  ASSERT_TRUE(wizard.createModeless(nullptr));
  ShowWindow(wizard.hwnd(), SW_SHOW);
  test::pump(300);
  EXPECT_EQ(text(wizard.hwnd()), kSetupTitle);
  EXPECT_EQ(text(wizard.item(1003)), "C:\\Program Files\\Zorvik");
  EXPECT_EQ(text(wizard.item(IDC_SETUP_CHANGE)), "更改位置");
  test::saveWindowPng(wizard.hwnd(), test::artifactPath("setup-wizard.png"));

  // A drive that does not exist: the message box names the product and says why.
  const DWORD drives = GetLogicalDrives();
  char letter = 'Q';
  while (letter < 'Y' && (drives & (1u << (letter - 'A')))) ++letter;
  SetWindowTextA(wizard.item(1003), (std::string(1, letter) + ":\\Zorvik").c_str());
  std::atomic<bool> stop{false};
  std::string seen;
  std::thread closer([&] {
    while (!stop) {
      HWND box = FindWindowA("#32770", kSetupCaption);
      if (box) {
        seen = text(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  EXPECT_FALSE(wizard.install());
  stop = true;
  closer.join();
  EXPECT_EQ(seen, kBadLocationText);
  wizard.end(IDCANCEL);
}

TEST_F(Wizards, DriverPageListsEachPhoneWithItsMaker) {
  DriverWizard drivers({"三星 Samsung", "未知"});
  ASSERT_TRUE(drivers.createModeless(nullptr));
  ShowWindow(drivers.hwnd(), SW_SHOW);
  test::pump(300);
  EXPECT_EQ(text(drivers.hwnd()), kDriverTitle);
  const ListView list(drivers.hwnd(), IDC_DRIVER_LIST);
  ASSERT_EQ(list.columnCount(), 2);
  EXPECT_EQ(list.columnTitle(0), "平台");
  EXPECT_EQ(list.columnTitle(1), "制造商");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.cell(0, 0), "Android");
  EXPECT_EQ(list.cell(0, 1), "三星 Samsung");
  test::saveWindowPng(drivers.hwnd(), test::artifactPath("setup-drivers.png"));
  drivers.end(IDCANCEL);
}

}  // namespace
}  // namespace zorvik
