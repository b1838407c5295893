#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "setup/win/SetupInstall.h"
#include "setup/win/SetupResource.h"
#include "setup/win/SetupWizard.h"
#include "ui/UiThread.h"

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
    startUiThreadQueue();
  }
};

// Answers the install's message box from another thread: its text, and the bar's value then.
class BoxAnswer {
public:
  explicit BoxAnswer(HWND wizard)
      : thread_([this, wizard] {
          for (int i = 0; i < 1200 && !stop_; ++i) {
            if (HWND box = FindWindowA("#32770", kSetupCaption)) {
              text_ = text(GetDlgItem(box, 0xFFFF));
              bar_ = ProgressBar(wizard, IDC_SETUP_PROGRESS).pos();
              PostMessageA(box, WM_COMMAND, IDOK, 0);
              break;
            }
            Sleep(50);
          }
          done_ = true;
        }) {}
  ~BoxAnswer() {
    stop_ = true;
    thread_.join();
  }
  bool done() const { return done_; }
  const std::string& message() const { return text_; }
  int bar() const { return bar_; }

private:
  std::atomic<bool> stop_{false}, done_{false};
  std::string text_;
  int bar_ = -1;
  std::thread thread_;
};

std::string freshFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "zorvik-setup-ui-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(GetTickCount());
}

void removeTree(const std::string& folder) {
  std::string from = folder + '\0';
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

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
  {
    BoxAnswer answer(wizard.hwnd());
    wizard.startInstall();
    ASSERT_TRUE(test::pumpUntil([&] { return answer.done() && !wizard.installing(); }, 60000));
    EXPECT_EQ(answer.message(), kBadLocationText);
  }
  EXPECT_FALSE(wizard.lastOutcome().ok);
  EXPECT_TRUE(IsWindowEnabled(wizard.item(IDC_SETUP_INSTALL)));
  wizard.end(IDCANCEL);
}

// The click returns at once with the install running on a worker (the buttons held, the window
// answering); the bar reaches 100 before the done text comes, and the dialog then ends.
TEST_F(Wizards, InstallRunsOnAWorkerAndReportsWhenDone) {
  const std::string folder = freshFolder();
  SetupWizard wizard;
  ASSERT_TRUE(wizard.createModeless(nullptr));
  SetWindowTextA(wizard.item(IDC_SETUP_LOCATION), (folder + "\\Zorvik").c_str());
  BoxAnswer answer(wizard.hwnd());
  wizard.startInstall();
  EXPECT_TRUE(wizard.installing());
  EXPECT_FALSE(IsWindowEnabled(wizard.item(IDC_SETUP_INSTALL)));
  EXPECT_FALSE(IsWindowEnabled(wizard.item(IDC_SETUP_CHANGE)));
  DWORD_PTR answered = 0;
  EXPECT_NE(SendMessageTimeoutA(wizard.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answered), 0);
  ASSERT_TRUE(test::pumpUntil([&] { return answer.done() && !wizard.installing(); }, 120000));
  EXPECT_EQ(answer.message(), kDoneText);
  EXPECT_EQ(answer.bar(), 100);
  EXPECT_TRUE(wizard.lastOutcome().ok);
  EXPECT_EQ(wizard.hwnd(), nullptr);  // ended with IDOK
  removeTree(folder);
}

// Closing while the install runs cancels it: no message box, the run's folders gone, and the
// close bounded by the wizard's wait.
TEST_F(Wizards, ClosingDuringTheInstallCancelsItWithinTheWait) {
  const std::string folder = freshFolder();
  SetupWizard wizard;
  ASSERT_TRUE(wizard.createModeless(nullptr));
  SetWindowTextA(wizard.item(IDC_SETUP_LOCATION), (folder + "\\Zorvik").c_str());
  wizard.startInstall();
  const auto start = std::chrono::steady_clock::now();
  SendMessageA(wizard.hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(SetupWizard::kCloseWaitMs + 2000));
  EXPECT_EQ(wizard.hwnd(), nullptr);
  test::pump(300);
  EXPECT_EQ(FindWindowA("#32770", kSetupCaption), nullptr);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  removeTree(folder);
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
