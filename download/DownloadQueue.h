#pragma once
// The downloads queue: a requested package becomes a task (through the package-information
// service), tasks are downloaded one at a time and installed one at a time with the adb tool.
// Portable: the page (or a test) supplies what the queue needs through DownloadQueueHost.
//
// Threads: the caller's (the page's UI thread), one lookup thread, the downloader's transfer
// thread (which calls notify) and one install thread. The queue itself only reads and writes
// the store and its flags; every change to the list goes through the host, which carries it to
// the UI thread.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "devlink/AdbBridge.h"
#include "download/HttpDownloader.h"
#include "download/TaskStore.h"

namespace zorvik {

class DownloadQueueHost {
 public:
  virtual ~DownloadQueueHost() = default;
  // Called on worker threads; the host posts them to its UI thread.
  virtual void refillUnfinished() = 0;                 // list group 1 again
  virtual void downloadStarted(const DownloadTask&) = 0;  // event 0: the current row's cells
  virtual void downloadProgress(int speed, int percent) = 0;
  virtual void downloadComplete() = 0;                 // event 2: the current row shows "100 %"
  virtual void setStatusText(const std::string& text) = 0;
  // Called on the lookup / install threads; blocking is fine.
  virtual std::string postPackageInfo(const std::string& url, const std::string& json) = 0;
  virtual std::string md5hex(const std::string& bytes) = 0;
  virtual std::string serviceBase() = 0;
  virtual std::string downloadBase() = 0;
  virtual std::string downloadFolder() = 0;
  // The adb tool and the serial of the phone in use, read when an install starts.
  virtual std::string adbTool() = 0;
  virtual std::string deviceSerial() = 0;
  // Runs "<adb> -s <serial> install -r <path>" and returns what it wrote; empty on failure.
  // `packageFile` is the path it installs (its size sets the run's deadline).
  virtual std::string runInstall(const std::string& commandLine, const std::string& packageFile) = 0;
};

// The install's state from its output: the first 4095 bytes, trimmed, containing "Success" → 3, else 8.
int32_t installOutcome(const std::string& output);

class DownloadQueue : private DownloadListener {
 public:
  DownloadQueue(TaskStore& store, DownloadQueueHost& host);
  ~DownloadQueue();  // stops the transfer and waits for every worker
  DownloadQueue(const DownloadQueue&) = delete;
  DownloadQueue& operator=(const DownloadQueue&) = delete;

  // Looks the package up on a new thread and adds its task. While another lookup runs the request
  // is dropped and the status line says so; a failed lookup or a task the store could not keep
  // says so too.
  void lookup(const std::string& packageName);
  void schedule();
  void startDownload(int32_t id);
  void startNextInstall();
  // Stops the transfer (its task keeps its state).
  void stopDownload() { downloader_.stop(); }
  // The id of the task being downloaded; -1 when none.
  int32_t currentId() const { return downloadRunning_ ? currentId_.load() : -1; }
  bool lookupRunning() const { return lookupRunning_; }
  bool downloadRunning() const { return downloadRunning_; }
  bool installRunning() const { return installRunning_; }
  HttpDownloader& downloader() { return downloader_; }

 private:
  void notify(int event, int a, int b) override;
  void runLookup(std::string packageName);
  void runInstall(int32_t id);
  void beginWorker();
  void endWorker();

  TaskStore& store_;
  DownloadQueueHost& host_;
  HttpDownloader downloader_;
  std::atomic<bool> closing_{false};  // set first by the destructor: nothing new starts
  std::atomic<bool> lookupRunning_{false};
  std::atomic<bool> downloadRunning_{false};
  std::atomic<bool> installRunning_{false};
  std::atomic<int32_t> currentId_{-1};
  std::mutex workersLock_;
  std::condition_variable workersDone_;
  int workers_ = 0;
};

}  // namespace zorvik
