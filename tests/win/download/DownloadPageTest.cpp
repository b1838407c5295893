// The downloads page under Wine against websim (package information and files) and the virtual
// phone (installs through adb.exe): a request becomes a task, downloads and installs (state 3), a
// refused install gives 8, the duplicate dialog with its choices, pause, continue and delete, the
// toolbar's notice, the group tree and the columns. Run through download_vphone.sh.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "app/PageTable.h"
#include "settings/SettingsWin.h"
#include "devlink/AdbBridge.h"
#include "devlink/CurrentDevice.h"
#include "common/FormPost.h"
#include "devlink/TcpSocket.h"
#include "download/win/DownloadPage.h"
#include "app/PageTestSupport.h"

namespace zorvik {
namespace {

using test::phoneControl;
using test::pump;
using test::pumpUntil;
using test::TestHost;

std::string treeText(HWND tree, HTREEITEM item) {
  char text[128] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  TreeView_GetItem(tree, &tv);
  return text;
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DownloadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("ZORVIK_WEBSIM_BASE");
    if (!base) GTEST_SKIP() << "run through download_vphone.sh";
    phoneControl("install outcome Success");
    DeleteFileA(DownloadPage::databasePath().c_str());
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "zorvik dl " + std::to_string(GetTickCount());  // a blank: quoted on the command line
    CreateDirectoryA(folder_.c_str(), nullptr);
    writeSetting(kServiceBaseValue, base);
    writeSetting(kDownloadBaseValue, base);
    writeSetting(kDownloadPathValue, folder_);
    setCurrentSerial("ZRVK0A1B2C3D4E5F");
    ASSERT_TRUE(frame_.create({.title = "Downloads test", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .x = 0, .y = 0,
                               .width = 900, .height = 520}));
    host_ = std::make_unique<TestHost>(frame_.hwnd());
    info_ = findPage(kPageTasks);
    ASSERT_NE(info_, nullptr);
    page_ = std::make_unique<DownloadPage>(*info_, *host_);
    ASSERT_TRUE(page_->createModeless(frame_.hwnd()));
    RECT client = clientRectOf(frame_.hwnd());
    SetWindowPos(page_->hwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  void TearDown() override {
    if (page_) page_->close();
    page_.reset();
    frame_.destroy();
  }
  void request(const std::string& name) {
    addDownloadRequest(name);
    page_->onDownloadRequest();
  }
  // The listed task of a package (after a refill), or null.
  const DownloadTask* task(const std::string& name) {
    for (const DownloadTask& t : page_->tasks())
      if (t.unique_id == name) return &t;
    return nullptr;
  }
  int32_t stateOf(const std::string& name) { return page_->store().findByPackage(name).found ? page_->store().loadTask(page_->store().findByPackage(name).id).state : -1; }
  bool reaches(const std::string& name, int32_t state, int ms = 15000) {
    // A finished task is not in group 1, which every refill shows: its row is checked apart.
    return pumpUntil([&] { return stateOf(name) == state && !page_->queue().installRunning() &&
                                  (state == kStateDone || (task(name) && task(name)->state == state)); }, ms);
  }
  std::string file(const std::string& name) { return folder_ + "\\" + name + ".apk"; }

  Window frame_;
  std::unique_ptr<TestHost> host_;
  const PageInfo* info_ = nullptr;
  std::unique_ptr<DownloadPage> page_;
  std::string folder_;
};

TEST_F(DownloadPageTest, TreeColumnsAndAnEmptyStore) {
  HWND tree = page_->tree();
  HTREEITEM first = TreeView_GetRoot(tree);
  EXPECT_EQ(treeText(tree, first), "未完成的任务 ");
  EXPECT_EQ(treeText(tree, TreeView_GetChild(tree, first)), "正在下载   ");
  EXPECT_EQ(treeText(tree, TreeView_GetNextSibling(tree, TreeView_GetChild(tree, first))), "安装转换   ");
  HTREEITEM second = TreeView_GetNextSibling(tree, first);
  EXPECT_EQ(treeText(tree, second), "已完成的任务 ");
  EXPECT_EQ(treeText(tree, TreeView_GetChild(tree, second)), "已经完成   ");
  EXPECT_EQ(TreeView_GetSelection(tree), first);
  ListView list(page_->list());
  const char* titles[] = {"图标", "名称和创建时间", "类型", "进度和文件大小", "状态", "选择"};
  const int widths[] = {60, 180, 70, 136, 80, 50};
  ASSERT_EQ(list.columnCount(), 6);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(list.columnTitle(c), titles[c]);
    EXPECT_EQ(list.columnWidth(c), widths[c]);
  }
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(page_->navBadge(), 0);
  page_->onToolbar(toolbar::kDeleteChecked);
  EXPECT_EQ(host_->status(), "【提示】勾选复选框后才可删除");
}

int phonePackages() {
  const std::string answer = phoneControl("count packages");
  return std::atoi(answer.substr(answer.find_last_of(' ') + 1).c_str());
}

// An install whose tool never ends: closing the page (as the main window does) ends the tool
// instead of waiting for the install's deadline, and the task is not called installed.
TEST_F(DownloadPageTest, ClosingWhileAnInstallHangsDoesNotWait) {
  page_->setAdbTool(programFolder() + "hangadb.exe");
  request("com.zorvik.demo");
  ASSERT_TRUE(pumpUntil([] { return test::runningCount("hangadb.exe") > 0; }, 20000));
  ASSERT_TRUE(page_->queue().installRunning());
  const auto start = std::chrono::steady_clock::now();
  page_->close();
  const long closeMs = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  RecordProperty("close_ms_with_hung_adb", static_cast<int>(closeMs));
  std::printf("closing the downloads page with a hung adb took %ld ms\n", closeMs);
  EXPECT_LT(closeMs, 3000);
  EXPECT_TRUE(pumpUntil([] { return test::runningCount("hangadb.exe") == 0; }, 2000)) << "the tool outlived the page";
  TaskStore store;
  ASSERT_TRUE(store.open(DownloadPage::databasePath()));
  EXPECT_EQ(store.findByPackage("com.zorvik.demo").found, 1);  // still a task, not a finished one
}

TEST_F(DownloadPageTest, RequestDownloadsAndInstallsThenAFailedInstall) {
  const int before = phonePackages();
  request("com.zorvik.demo");
  ASSERT_TRUE(reaches("com.zorvik.demo", kStateDone)) << stateOf("com.zorvik.demo");
  pump(300);  // the refill the install posted
  EXPECT_EQ(task("com.zorvik.demo"), nullptr);  // refilled with group 1, which leaves out state 3
  page_->fillList(TaskGroup::kFinished);
  const DownloadTask* t = task("com.zorvik.demo");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->title, "测试应用 com.zorvik.demo");
  EXPECT_EQ(t->length, "256.00 KB");
  EXPECT_EQ(host_->status(), "【+】下载 测试应用 com.zorvik.demo");
  EXPECT_TRUE(fileExists(file("com.zorvik.demo")));
  EXPECT_EQ(phonePackages(), before + 1);  // installed on the phone
  ASSERT_EQ(page_->tasks().size(), 1u);
  EXPECT_EQ(ListView(page_->list()).count(), 1);
  EXPECT_EQ(page_->navBadge(), 1);
  pump(300);
  test::saveWindowPng(frame_.hwnd(), test::artifactPath("download_done.png"));

  phoneControl("install outcome INSTALL_FAILED_OLDER_SDK");
  request("com.zorvik.older");
  EXPECT_TRUE(reaches("com.zorvik.older", kStateInstallFailed)) << stateOf("com.zorvik.older");
  EXPECT_STREQ(taskStateText(task("com.zorvik.older")->state), "安装失败");
  pump(300);
  test::saveWindowPng(frame_.hwnd(), test::artifactPath("download_install_failed.png"));
}

// A package service that takes the request and never answers: closing the page does not wait
// for it (the lookup's answer is dropped, nothing is said).
TEST_F(DownloadPageTest, ClosingDoesNotWaitForASilentPackageService) {
  TcpListener silent;
  ASSERT_TRUE(silent.listen(0));  // connections wait in its backlog, unanswered
  writeSetting(kServiceBaseValue, "http://127.0.0.1:" + std::to_string(silent.port()) + "/");
  request("com.zorvik.demo");
  ASSERT_TRUE(page_->queue().lookupRunning());
  pump(1000);  // the request is out and waiting
  ASSERT_TRUE(page_->queue().lookupRunning());
  host_->setStatusText("");
  const auto start = std::chrono::steady_clock::now();
  page_->close();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ downloads ] close with a lookup waiting on a silent service: %.2f s\n", seconds);
  EXPECT_LT(seconds, 3.0);
  page_.reset();
  pump(300);
  EXPECT_EQ(host_->status(), "");
  // Without a stop, the deadline ends the wait.
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_FALSE(FormPostWithin("http://127.0.0.1:" + std::to_string(silent.port()) + "/", {{"apk", "{}"}}, 500, {}));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count(), 2.0);
}

TEST_F(DownloadPageTest, DuplicateRequestAsksAndEachChoiceActs) {
  request("com.zorvik.twice");
  ASSERT_TRUE(reaches("com.zorvik.twice", kStateDone));
  // The real dialog: its texts, "重新安装" shown because the file is there; "取消" changes nothing.
  bool sawDialog = false;
  page_->setDuplicateChooser([&](const TaskMatch& m, bool exists) {
    EXPECT_EQ(m.found, 2);
    EXPECT_TRUE(exists);
    DuplicateTaskDialog dialog(m.title, m.datetime, m.file, exists);
    static DuplicateTaskDialog* shown;
    static bool* saw;
    shown = &dialog;
    saw = &sawDialog;
    SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      HWND d = shown->hwnd();
      char text[256];
      GetWindowTextA(d, text, sizeof text);
      *saw = std::string(text) == "重复的任务" && IsWindowVisible(GetDlgItem(d, IDC_DUP_REINSTALL)) &&
             IsWindowVisible(GetDlgItem(d, IDC_DUP_REDOWNLOAD));
      GetWindowTextA(GetDlgItem(d, IDC_DUP_TITLE), text, sizeof text);
      *saw = *saw && std::string(text) == "测试应用 com.zorvik.twice";
      test::saveWindowPng(d, test::artifactPath("download_duplicate.png"));
      PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    return dialog.run(page_->hwnd());
  });
  request("com.zorvik.twice");
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(stateOf("com.zorvik.twice"), kStateDone);
  EXPECT_EQ(page_->store().listGroup(TaskGroup::kFinished).size(), 1u);  // no second task

  // "重新安装": state 5, installed again.
  page_->setDuplicateChooser([](const TaskMatch&, bool) { return DuplicateTaskDialog::kReinstall; });
  request("com.zorvik.twice");
  EXPECT_EQ(stateOf("com.zorvik.twice"), kStateInstallApk);
  EXPECT_TRUE(reaches("com.zorvik.twice", kStateDone));
  // "重新下载": the package deleted, downloaded and installed again.
  page_->setDuplicateChooser([](const TaskMatch&, bool) { return DuplicateTaskDialog::kRedownload; });
  request("com.zorvik.twice");
  EXPECT_TRUE(reaches("com.zorvik.twice", kStateDone));
  EXPECT_TRUE(fileExists(file("com.zorvik.twice")));
  EXPECT_EQ(page_->store().listGroup(TaskGroup::kFinished).size(), 1u);
}

TEST_F(DownloadPageTest, PauseContinueAndDelete) {
  request("com.zorvik.slow");
  ASSERT_TRUE(pumpUntil([&] { return page_->queue().currentId() != -1 && task("com.zorvik.slow") &&
                                     fileExists(folder_ + "\\com.zorvik.slow.tmp"); }, 10000));
  pump(1500);  // past the first second: progress shows
  const auto row = [&] {
    for (size_t i = 0; i < page_->tasks().size(); ++i)
      if (page_->tasks()[i].unique_id == "com.zorvik.slow") return static_cast<int>(i);
    return -1;
  };
  EXPECT_NE(page_->progressText(row()).find('%'), std::string::npos) << page_->progressText(row());
  EXPECT_EQ(host_->status().rfind("下载速度 ", 0), 0u) << host_->status();
  test::saveWindowPng(frame_.hwnd(), test::artifactPath("download_progress.png"));
  page_->menuCommand(DownloadPage::kPause, row());
  EXPECT_TRUE(pumpUntil([&] { return !page_->queue().downloadRunning(); }, 3000));
  EXPECT_EQ(stateOf("com.zorvik.slow"), kStatePaused);
  EXPECT_STREQ(taskStateText(page_->tasks()[row()].state), "暂停下载");
  EXPECT_TRUE(fileExists(folder_ + "\\com.zorvik.slow.tmp"));
  EXPECT_FALSE(fileExists(file("com.zorvik.slow")));
  // "全部暂停" leaves the state; "继续任务" does not pick a paused task.
  page_->onToolbar(toolbar::kResume);
  pump(300);
  EXPECT_FALSE(page_->queue().downloadRunning());
  page_->menuCommand(DownloadPage::kContinue, row());
  EXPECT_TRUE(pumpUntil([&] { return page_->queue().downloadRunning(); }, 3000));
  page_->onToolbar(toolbar::kPauseAll);
  EXPECT_TRUE(pumpUntil([&] { return !page_->queue().downloadRunning(); }, 3000));
  EXPECT_EQ(stateOf("com.zorvik.slow"), kStateDownloading);
  page_->onToolbar(toolbar::kResume);
  EXPECT_TRUE(reaches("com.zorvik.slow", kStateDone, 20000)) << stateOf("com.zorvik.slow");
  page_->fillList(TaskGroup::kFinished);
  ASSERT_EQ(page_->tasks().size(), 1u);
  page_->menuCommand(DownloadPage::kDelete, 0);
  EXPECT_EQ(page_->store().findByPackage("com.zorvik.slow").found, 0);
  EXPECT_TRUE(fileExists(file("com.zorvik.slow")));  // the row goes; the file stays
}

}  // namespace
}  // namespace zorvik
