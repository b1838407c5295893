#pragma once
// The downloads page ("当前任务"): the group tree, the task list, the toolbar and the context
// menu over the task store, with the queue that downloads and installs. The list and its task
// records are touched on the UI thread only; the queue's workers reach them through the page's poster.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Page.h"
#include "ui/TwoLineList.h"
#include "common/win/Handles.h"
#include "download/DownloadQueue.h"
#include "download/DownloadRequests.h"
#include "download/win/DuplicateTaskDialog.h"
#include "download/TaskStore.h"

namespace zorvik {

class DownloadPage : public Page, public DownloadRequestSink, private DownloadQueueHost {
 public:
  static constexpr int kTreeId = 4501, kListId = 4502;
  // The context menu's entries.
  enum MenuCommand { kFindTarget = 4601, kContinue, kPause, kReinstall, kDelete };

  DownloadPage(const PageInfo& info, PageHost& host);
  // The queue stops (the transfer ends, the lookup and install threads are waited for) and the
  // store closes before the page's work stops.
  void close() override;

  void onToolbar(int index) override;
  void onDownloadRequest() override { handleRequest(); }
  int navBadge() const override { return count_; }
  void handleRequest() override;

  void fillList(TaskGroup group);
  void menuCommand(int command, int row);
  void schedule() { queue_->schedule(); }

  HWND tree() const { return tree_; }
  HWND list() const { return list_.hwnd(); }
  TwoLineList& listControl() { return list_; }
  const std::vector<DownloadTask>& tasks() const { return tasks_; }
  std::string progressText(int row) const;
  TaskStore& store() { return store_; }
  DownloadQueue& queue() { return *queue_; }
  // The duplicate dialog's choice; tests answer in its place.
  using DuplicateChooser = std::function<DuplicateTaskDialog::Choice(const TaskMatch&, bool fileExists)>;
  void setDuplicateChooser(DuplicateChooser chooser) { chooser_ = std::move(chooser); }
  // The tool the installs run; empty (as it starts): adbPath(). Tests put a stand-in here.
  void setAdbTool(std::string tool) { adbTool_ = std::move(tool); }

  // "Config.db" in the program's data folder: beside the program, or in %APPDATA%\Zorvik when
  // the program's folder cannot be written (the page then says where in the status line).
  static std::string databasePath();

 private:
  // DownloadQueueHost, on the queue's threads.
  void refillUnfinished() override;
  void downloadStarted(const DownloadTask& task) override;
  void downloadProgress(int speed, int percent) override;
  void downloadComplete() override;
  void setStatusText(const std::string& text) override;
  std::string postPackageInfo(const std::string& url, const std::string& json) override;
  std::string md5hex(const std::string& bytes) override;
  std::string serviceBase() override;
  std::string downloadBase() override;
  std::string downloadFolder() override;
  std::string adbTool() override;
  std::string deviceSerial() override;
  std::string runInstall(const std::string& commandLine, const std::string& packageFile) override;

  void onInit();
  void layout();
  void deleteChecked();
  void showMenu();
  bool paintCell(HDC dc, const RECT& cell, int row, int column);
  void setCurrentProgress(const std::string& text);

  HWND tree_ = nullptr;
  TwoLineList list_;
  UniqueBitmap picture_;
  UniqueFont font_;
  std::vector<DownloadTask> tasks_;   // one per row, in row order
  int32_t currentId_ = -1;            // the task whose row shows the transfer
  std::string currentProgress_;       // its progress text
  int count_ = 0;
  // The queue's threads reach the page through this: run on the UI thread while the page lives
  // (declared before the queue, so it outlives the queue's threads).
  PageWork::Post onUi_ = work_.poster();
  TaskStore store_;
  std::atomic<bool> closing_{false};  // read by the lookup thread while it waits for the service
  std::unique_ptr<DownloadQueue> queue_;
  DuplicateChooser chooser_;
  std::string adbTool_;
};

}  // namespace zorvik
