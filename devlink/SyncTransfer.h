#pragma once
// Copying files and folders between the phone and the PC over the sync service, for the file
// page: pulls keep names, sizes and modification times and never leave half a file behind (a file
// arrives under a temporary name and takes its own only when whole); pushes send mode 0644.
// Runs on a worker; progress is reported through a callback on that worker.
#include "common/LocalFile.h"
#include "devlink/AdbSync.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zorvik {

struct RemoteItem {
  std::string pathUtf8;  // the path on the phone
  bool folder = false;
};

struct TransferProgress {
  uint64_t bytes = 0;
  uint64_t expectedBytes = 0;  // from the sizes the phone listed (32 bits each), so only a guide
  int files = 0;               // files finished, whether they succeeded or not
  int expectedFiles = 0;
};

struct TransferFailure {
  std::string nameUtf8;  // the file or folder as the user knows it
  std::string text;      // why, in the program's ANSI text
};

struct TransferReport {
  int filesCopied = 0;
  uint64_t bytes = 0;
  bool cancelled = false;
  std::vector<TransferFailure> failures;
};

// Folders deeper than this are not entered (a phone that lists a folder inside itself).
inline constexpr int kPullDepthMax = 64;

// Whether a name the phone listed may become a file name on this PC: no separators, not "." or
// "..", nothing the file system refuses.
bool isSafeLocalName(const std::string& utf8Name);

class SyncTransfer {
 public:
  using ProgressFn = std::function<void(const TransferProgress&)>;
  // progress is called at most every kProgressMs and once after every file.
  static constexpr unsigned kProgressMs = 100;

  SyncTransfer(std::string serial, const ExchangeCancel* cancel, ProgressFn progress,
               unsigned idleMs = AdbSyncConnection::kIdleMs);
  ~SyncTransfer();

  // The items, folders recursively, into an existing local folder.
  TransferReport pull(const std::vector<RemoteItem>& items, const std::string& localFolderUtf8);
  // The local files into a folder on the phone, each as folder + "/" + its name.
  TransferReport push(const std::vector<std::string>& localFilesUtf8, const std::string& remoteFolderUtf8);

 private:
  struct Job;
  SyncResult session();
  void plan(const std::string& remote, const std::string& local, const std::string& shownName, int depth,
            std::vector<Job>& jobs, TransferReport& report);
  SyncResult pullFile(const Job& job, TransferReport& report);
  void tell(bool force);
  bool cancelled() const { return cancel_ && cancel_->cancelled(); }

  std::string serial_;
  const ExchangeCancel* cancel_;
  ProgressFn progress_;
  unsigned idleMs_;
  std::unique_ptr<AdbSyncConnection> connection_;
  std::unique_ptr<AdbSyncClient> client_;
  SyncResult lastOpen_ = SyncResult::Ok;
  TransferProgress state_;
  long long lastTold_ = 0;
};

}  // namespace zorvik
