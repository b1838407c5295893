#include "download/win/DownloadPage.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "ui/Controls.h"
#include "download/win/DownloadSettingsDialog.h"
#include "app/PageTable.h"
#include "settings/SettingsWin.h"
#include "common/ByteSize.h"
#include "common/FormPost.h"
#include "common/Md5.h"
#include "devlink/AdbBridge.h"
#include "devlink/CurrentDevice.h"

namespace zorvik {

namespace {

constexpr COLORREF kGrey = RGB(130, 130, 130);
constexpr COLORREF kKindColour = RGB(40, 130, 255);
constexpr int kTreeWidth = 150;
constexpr int kCheckSide = 13;
constexpr const char* kNoProgress = "N/A";

enum Column { kIconColumn, kTitleColumn, kKindColumn, kProgressColumn, kStateColumn, kCheckColumn };

// The row picture: a green package with "APK" on it, drawn once.
HBITMAP makePicture() {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kRowPictureSize, kRowPictureSize);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, kRowPictureSize, kRowPictureSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  UniqueBrush body(CreateSolidBrush(RGB(120, 190, 40)));
  UniquePen edge(CreatePen(PS_SOLID, 1, RGB(70, 130, 20)));
  HGDIOBJ oldBrush = SelectObject(dc, body.get());
  HGDIOBJ oldPen = SelectObject(dc, edge.get());
  RoundRect(dc, 6, 6, 42, 42, 10, 10);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{6, 6, 42, 42};
  DrawTextA(dc, "APK", -1, &text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

DownloadPage::DownloadPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  DownloadQueueHost& queueHost = *this;
  queue_ = std::make_unique<DownloadQueue>(store_, queueHost);
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    onInit();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.onNotify(kListId, NM_RCLICK, [this](WinMsg&) { showMenu(); });
  map_.onNotify(kTreeId, TVN_SELCHANGEDA, [this](WinMsg& m) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(m.lp);
    if (change->itemNew.hItem) fillList(static_cast<TaskGroup>(change->itemNew.lParam));
  });
}

void DownloadPage::close() {
  // The pages close before the connection does: an install held up by the tool ends now with its
  // process tree (and reads as failed), so the queue's install thread is not waited for until its
  // deadline.
  endAdbRuns();
  closing_ = true;  // a lookup waiting on the service gives up at once
  queue_.reset();   // stops the transfer and waits for the lookup and install threads
  store_.close();
  Page::close();
}

std::string DownloadPage::databasePath() { return dataFolder().folder + "Config.db"; }

void DownloadPage::onInit() {
  // A database that cannot be opened leaves the page working and its list empty.
  store_.open(databasePath());
  if (dataFolder().perUser) {
    std::string folder = dataFolder().folder;
    folder.pop_back();  // shown without its trailing "\"
    host().setStatusText("【提示】任务保存在 " + folder);
  }
  tree_ = createChild(hwnd(), {.className = WC_TREEVIEWA,
                               .style = WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                                        TVS_NOTOOLTIPS,
                               .width = 10, .height = 10, .id = kTreeId, .exStyle = WS_EX_CLIENTEDGE});
  HWND listWindow = createChild(hwnd(), {.className = WC_LISTVIEWA,
                                         .style = WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                         .width = 10, .height = 10, .id = kListId});
  list_.attach(listWindow, {.columns = {{"图标", 60}, {"名称和创建时间", 180}, {"类型", 70, LVCFMT_CENTER},
                                        {"进度和文件大小", 136, LVCFMT_CENTER}, {"状态", 80, LVCFMT_CENTER},
                                        {"选择", 50, LVCFMT_CENTER}},
                            .imageCapacity = 0});
  list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool) { return paintCell(dc, cell, row, column); });
  picture_.reset(makePicture());

  TreeView tree(tree_);
  HTREEITEM unfinished = tree.insert(TVI_ROOT, "未完成的任务 ", static_cast<LPARAM>(TaskGroup::kUnfinished));
  tree.insert(unfinished, "正在下载   ", static_cast<LPARAM>(TaskGroup::kDownloading));
  tree.insert(unfinished, "安装转换   ", static_cast<LPARAM>(TaskGroup::kInstalling));
  HTREEITEM finished = tree.insert(TVI_ROOT, "已完成的任务 ", static_cast<LPARAM>(TaskGroup::kFinished));
  tree.insert(finished, "已经完成   ", static_cast<LPARAM>(TaskGroup::kFinished));
  tree.expandAll(true);
  TreeView_SelectItem(tree_, unfinished);
  fillList(TaskGroup::kUnfinished);
  layout();
}

void DownloadPage::layout() {
  if (!tree_) return;
  const RECT client = clientRectOf(hwnd());
  MoveWindow(tree_, 0, 0, kTreeWidth, client.bottom, TRUE);
  MoveWindow(list_.hwnd(), kTreeWidth + 2, 0, client.right - kTreeWidth - 2, client.bottom, TRUE);
}

void DownloadPage::fillList(TaskGroup group) {
  tasks_.clear();
  std::vector<TwoLineRow> rows;
  for (DownloadTask& task : store_.listGroup(group)) {
    TwoLineRow row;
    row.picture = picture_.get();
    row.cells = {"", task.title, taskKindText(task.type), kNoProgress, taskStateText(task.state), ""};
    row.secondLine = task.datetime;
    rows.push_back(std::move(row));
    tasks_.push_back(std::move(task));
  }
  list_.replaceRows(std::move(rows));
  currentProgress_ = kNoProgress;
  count_ = static_cast<int>(tasks_.size());
  host().redrawNavigation();
}

std::string DownloadPage::progressText(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= tasks_.size()) return {};
  return tasks_[static_cast<size_t>(row)].id == currentId_ && currentId_ != -1 ? currentProgress_ : kNoProgress;
}

bool DownloadPage::paintCell(HDC dc, const RECT& cell, int row, int column) {
  if (row < 0 || static_cast<size_t>(row) >= tasks_.size()) return false;
  const DownloadTask& t = tasks_[static_cast<size_t>(row)];
  switch (column) {
    case kTitleColumn:
      drawTwoLines(dc, cell, t.title, t.datetime, DT_LEFT, kGrey);
      return true;
    case kKindColumn:
      drawOneLine(dc, cell, taskKindText(t.type), DT_CENTER, kKindColour);
      return true;
    case kProgressColumn:
      drawTwoLines(dc, cell, progressText(row), t.length, DT_CENTER, kGrey);
      return true;
    case kStateColumn:
      drawOneLine(dc, cell, taskStateText(t.state), DT_CENTER, taskStateColour(t.state));
      return true;
    case kCheckColumn:
      drawCheckBox(dc, cell, list_.row(row).checked, kCheckSide);
      return true;
    default:
      return false;
  }
}

void DownloadPage::refillUnfinished() {
  // Whatever node is selected, a task event shows the unfinished tasks.
  onUi_([this] { fillList(TaskGroup::kUnfinished); });
}

void DownloadPage::downloadStarted(const DownloadTask& task) {
  onUi_([this, id = task.id] {
    currentId_ = id;
    for (DownloadTask& t : tasks_)
      if (t.id == id) t.state = kStateDownloading;
    setCurrentProgress(kNoProgress);
  });
}

void DownloadPage::downloadProgress(int speed, int percent) {
  onUi_([this, speed, percent] {
    char text[32];
    std::snprintf(text, sizeof text, "%d %%", percent);
    setCurrentProgress(text);
    host().setStatusText("下载速度 " + byteSizeText(static_cast<uint64_t>(speed < 0 ? 0 : speed)) + "/秒");
  });
}

void DownloadPage::downloadComplete() {
  onUi_([this] { setCurrentProgress("100 %"); });
}

void DownloadPage::setCurrentProgress(const std::string& text) {
  currentProgress_ = text;
  InvalidateRect(list_.hwnd(), nullptr, FALSE);
}

void DownloadPage::setStatusText(const std::string& text) { host().setStatusText(text); }

std::string DownloadPage::postPackageInfo(const std::string& url, const std::string& json) {
  return FormPostWithin(url, {{"apk", json}}, kFormPostDeadlineMs, [this] { return closing_.load(); }).value_or("");
}

std::string DownloadPage::md5hex(const std::string& bytes) { return zorvik::md5hex(bytes); }
std::string DownloadPage::serviceBase() { return zorvik::serviceBase(); }
std::string DownloadPage::downloadBase() { return zorvik::downloadBase(); }
std::string DownloadPage::downloadFolder() {
  std::string folder = readDownloadFolder();
  if (folder.empty()) {
    // No setting, no drive with room, nothing creatable: in the program's data folder rather
    // than in the root of whatever drive is current.
    folder = dataFolder().folder + kDownloadFolderName;
    createFolder(folder);
  }
  return folder;
}
std::string DownloadPage::adbTool() { return adbTool_.empty() ? adbPath() : adbTool_; }
std::string DownloadPage::deviceSerial() { return currentSerial(); }

std::string DownloadPage::runInstall(const std::string& commandLine, const std::string& packageFile) {
  // A phone that stops answering mid-install must not hold the install thread for ever; a large
  // package is given the time its size needs.
  WIN32_FILE_ATTRIBUTE_DATA file{};
  const uint64_t bytes = GetFileAttributesExA(packageFile.c_str(), GetFileExInfoStandard, &file)
                             ? (static_cast<uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow
                             : 0;
  const AdbRunResult run = runAdbAndWait(commandLine, kInstallOutputMax, adbDeadlineMs(AdbCommandKind::Install, bytes));
  return run.status == AdbRunStatus::Ok ? run.output : std::string();
}

void DownloadPage::handleRequest() {
  const std::optional<std::string> name = takeDownloadRequest();
  if (!name) return;
  const TaskMatch match = store_.findByPackage(*name);
  if (match.found == 0) {
    queue_->lookup(*name);
    return;
  }
  const bool exists = fileExists(match.file);
  const DuplicateTaskDialog::Choice choice =
      chooser_ ? chooser_(match, exists) : DuplicateTaskDialog(match.title, match.datetime, match.file, exists).run(hwnd());
  if (choice == DuplicateTaskDialog::kRedownload) {
    // From nothing: the package, and the partial file with its validator, which may be stale.
    if (match.id == queue_->currentId()) queue_->stopDownload();
    DeleteFileA(match.file.c_str());
    removeTemporaryFiles(match.file);
    store_.setState(match.id, kStateWaiting);
    queue_->schedule();
  } else if (choice == DuplicateTaskDialog::kReinstall) {
    store_.setState(match.id, kStateInstallApk);
    queue_->startNextInstall();
  }
}

void DownloadPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kResume: queue_->schedule(); break;
    case toolbar::kPauseAll: queue_->stopDownload(); break;
    case toolbar::kDeleteChecked: deleteChecked(); break;
    case toolbar::kSettings: DownloadSettingsDialog().run(hwnd()); break;
    default: break;
  }
}

void DownloadPage::deleteChecked() {
  const std::vector<int> rows = list_.checkedRows();
  if (rows.empty()) {
    host().setStatusText("【提示】勾选复选框后才可删除");
    return;
  }
  for (int row : rows) {
    if (static_cast<size_t>(row) >= tasks_.size()) continue;
    const int32_t id = tasks_[static_cast<size_t>(row)].id;
    if (id == queue_->currentId()) queue_->stopDownload();
    store_.deleteTask(id);
  }
  fillList(TaskGroup::kUnfinished);
}

void DownloadPage::showMenu() {
  const int row = list_.view().selectionMark();
  if (row < 0 || static_cast<size_t>(row) >= tasks_.size()) return;
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, kFindTarget, "查找目标");
  AppendMenuA(menu.get(), MF_STRING, kContinue, "继续下载");
  AppendMenuA(menu.get(), MF_STRING, kPause, "暂停下载");
  AppendMenuA(menu.get(), MF_STRING, kReinstall, "重新安装");
  AppendMenuA(menu.get(), MF_STRING, kDelete, "删除任务");
  POINT at;
  GetCursorPos(&at);
  const int command = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  if (command) menuCommand(command, row);
}

void DownloadPage::menuCommand(int command, int row) {
  if (row < 0 || static_cast<size_t>(row) >= tasks_.size()) return;
  DownloadTask& task = tasks_[static_cast<size_t>(row)];
  const int32_t id = task.id;
  switch (command) {
    case kFindTarget: {
      if (!isPackageName(task.unique_id)) return;
      const std::string file = taskFilePath(task.save_path, task.unique_id);
      if (!fileExists(file)) return;
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      ShellExecuteA(nullptr, "open", "explorer.exe", ("/select, " + file).c_str(), nullptr, SW_SHOWNORMAL);
      return;
    }
    case kContinue:
    case kReinstall:
      store_.setState(id, kStateDownloading);
      fillList(TaskGroup::kUnfinished);
      queue_->schedule();
      return;
    case kPause:
      task.state = kStatePaused;
      if (id == queue_->currentId()) queue_->stopDownload();
      store_.setState(id, kStatePaused);
      fillList(TaskGroup::kUnfinished);
      return;
    case kDelete:
      if (id == queue_->currentId()) queue_->stopDownload();
      store_.deleteTask(id);
      fillList(TaskGroup::kUnfinished);
      return;
    default:
      return;
  }
}

}  // namespace zorvik
