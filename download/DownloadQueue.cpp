#include "download/DownloadQueue.h"

#include <thread>

#include "download/PackageInfo.h"

namespace zorvik {

int32_t installOutcome(const std::string& output) {
  std::string text = output.substr(0, 4095);
  const size_t first = text.find_first_not_of(" \t\r\n");
  const size_t last = text.find_last_not_of(" \t\r\n");
  text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  return text.find("Success") != std::string::npos ? kStateDone : kStateInstallFailed;
}

DownloadQueue::DownloadQueue(TaskStore& store, DownloadQueueHost& host)
    : store_(store), host_(host), downloader_(*this) {}

DownloadQueue::~DownloadQueue() {
  closing_ = true;
  downloader_.stop();
  std::unique_lock<std::mutex> hold(workersLock_);
  workersDone_.wait(hold, [this] { return workers_ == 0; });
}

void DownloadQueue::beginWorker() {
  std::lock_guard<std::mutex> hold(workersLock_);
  ++workers_;
}

void DownloadQueue::endWorker() {
  std::lock_guard<std::mutex> hold(workersLock_);
  if (--workers_ == 0) workersDone_.notify_all();
}

void DownloadQueue::lookup(const std::string& packageName) {
  if (closing_) return;
  if (lookupRunning_.exchange(true)) {  // one lookup at a time
    host_.setStatusText("【提示】正在查询另一个软件包，请稍后再下载 " + packageName);
    return;
  }
  beginWorker();
  std::thread([this, packageName] {
    runLookup(packageName);
    lookupRunning_ = false;
    endWorker();
  }).detach();
}

void DownloadQueue::runLookup(std::string packageName) {
  const std::string checkSum = packageCheckSum(host_.md5hex(checkSumInput(packageName)));
  const std::string reply = host_.postPackageInfo(packageInfoUrl(host_.serviceBase()), packageInfoJson(checkSum, packageName));
  if (closing_) return;  // the answer of a closing queue is dropped, unsaid
  DownloadTask task;
  if (!taskFromPackageInfo(reply, host_.downloadBase(), host_.downloadFolder(), task)) {
    host_.setStatusText("【错误】查询软件包信息失败，无法下载 " + packageName);
    return;
  }
  if (!store_.addTask(task)) {
    host_.setStatusText("【错误】任务无法保存（Config.db 不可写），无法下载 " + task.title);
    return;
  }
  host_.setStatusText("【+】下载 " + task.title);
  host_.refillUnfinished();
  schedule();
}

void DownloadQueue::schedule() {
  if (closing_) return;
  const int32_t id = store_.nextToDownload();
  if (id != -1) startDownload(id);
  startNextInstall();
}

void DownloadQueue::startDownload(int32_t id) {
  if (downloadRunning_.exchange(true)) return;  // the task waits for its turn
  store_.setState(id, kStateDownloading);
  const DownloadTask task = store_.loadTask(id);
  currentId_ = id;
  if (task.id == -1 || !isPackageName(task.unique_id)) {
    // Deleted meanwhile, or a name that must not become a file name.
    notify(kEventRefused, -1, -1);
    return;
  }
  host_.downloadStarted(task);
  downloader_.setTask(task.url, taskFilePath(task.save_path, task.unique_id));
  downloader_.start();
}

void DownloadQueue::notify(int event, int a, int b) {
  switch (event) {
    case kEventProgress:
      host_.downloadProgress(a, b);
      return;
    case kEventComplete:
      host_.downloadComplete();
      store_.setState(currentId_, kStateInstallApk);
      host_.refillUnfinished();
      downloadRunning_ = false;
      schedule();
      return;
    case kEventStopped:
      downloadRunning_ = false;
      return;
    default:
      if (event < kEventStopped) return;
      store_.setState(currentId_, kStateDownloadFailed);
      host_.refillUnfinished();
      downloadRunning_ = false;
      schedule();
      return;
  }
}

void DownloadQueue::startNextInstall() {
  if (closing_) return;
  const int32_t id = store_.nextToInstall();
  if (id == -1 || installRunning_.exchange(true)) return;
  beginWorker();
  std::thread([this, id] {
    runInstall(id);
    endWorker();
  }).detach();
}

void DownloadQueue::runInstall(int32_t id) {
  const DownloadTask task = store_.loadTask(id);
  const std::string adb = host_.adbTool();
  const std::string serial = host_.deviceSerial();
  int32_t state = kStateInstallFailed;
  // Only a package name may reach the command line; a serial with blanks or quotes neither.
  if (task.id != -1 && isPackageName(task.unique_id) && !serial.empty() &&
      serial.find_first_of(" \t\"&|<>^") == std::string::npos)
    state = installOutcome(host_.runInstall(installCommand(adb, serial, store_.taskFile(id)), store_.taskFile(id)));
  store_.setState(id, state);
  host_.refillUnfinished();
  installRunning_ = false;
  startNextInstall();
}

}  // namespace zorvik
