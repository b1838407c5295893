#include "devlink/SyncTransfer.h"

#include "common/LocalFile.h"

#include <chrono>
#include <utility>

namespace zorvik {
namespace {

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string remoteChild(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace

struct SyncTransfer::Job {
  std::string remote, local, shown;
  bool folder = false;
  uint32_t mtime = 0;
};

bool isSafeLocalName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == '/' || c == '\\') return false;
#ifdef _WIN32
    if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') return false;
#endif
  }
#ifdef _WIN32
  // The file system drops trailing dots and spaces: two names would become one.
  if (name.back() == '.' || name.back() == ' ') return false;
#endif
  return true;
}

SyncTransfer::SyncTransfer(std::string serial, const ExchangeCancel* cancel, ProgressFn progress, unsigned idleMs)
    : serial_(std::move(serial)), cancel_(cancel), progress_(std::move(progress)), idleMs_(idleMs) {}

SyncTransfer::~SyncTransfer() {
  if (client_) client_->quit();
}

// The open session, or a new one when the last was lost.
SyncResult SyncTransfer::session() {
  if (cancelled()) return SyncResult::Cancelled;
  if (client_ && client_->usable()) return SyncResult::Ok;
  client_.reset();
  connection_ = std::make_unique<AdbSyncConnection>(cancel_, idleMs_);
  lastOpen_ = connection_->open(serial_);
  if (lastOpen_ != SyncResult::Ok) return lastOpen_;
  client_ = std::make_unique<AdbSyncClient>(*connection_);
  return SyncResult::Ok;
}

void SyncTransfer::tell(bool force) {
  if (!progress_) return;
  const long long now = nowMs();
  if (!force && now - lastTold_ < static_cast<long long>(kProgressMs)) return;
  lastTold_ = now;
  progress_(state_);
}

void SyncTransfer::plan(const std::string& remote, const std::string& local, const std::string& shown, int depth,
                        std::vector<Job>& jobs, TransferReport& report) {
  if (session() != SyncResult::Ok) {
    report.failures.push_back({shown, syncFailureText(lastOpen_, connection_ ? connection_->serverMessage() : "")});
    return;
  }
  SyncStat st;
  SyncResult r = client_->stat(remote, st);
  if (r == SyncResult::Ok && !st.exists()) r = SyncResult::Failed;
  if (r != SyncResult::Ok) {
    report.failures.push_back({shown, r == SyncResult::Failed && client_->failMessage().empty()
                                          ? std::string("手机上没有这个文件")
                                          : syncFailureText(r, client_->failMessage())});
    return;
  }
  // Phones answer STAT without following links (/sdcard is often one): a trailing "/" makes the
  // phone resolve it, which says whether it leads to a folder; a link to anything else is read
  // as the file it leads to.
  const bool link = (st.mode & 0170000) == 0120000;
  if (link) {
    SyncStat target;
    if (client_->stat(remote + "/", target) == SyncResult::Ok && target.isDirectory()) st = target;
    else st.mode = 0100644;
  }
  if (st.isRegular()) {
    jobs.push_back({remote, local, shown, false, st.mtime});
    state_.expectedBytes += st.size;
    ++state_.expectedFiles;
    return;
  }
  if (!st.isDirectory()) {
    report.failures.push_back({shown, "不是普通文件，未复制"});
    return;
  }
  if (depth >= kPullDepthMax) {
    report.failures.push_back({shown, "文件夹层次过深，未复制"});
    return;
  }
  jobs.push_back({remote, local, shown, true, st.mtime});
  std::vector<SyncEntry> entries;
  r = client_->list(remote, entries);
  if (r != SyncResult::Ok) {
    report.failures.push_back({shown, syncFailureText(r, client_->failMessage())});
    return;
  }
  for (const SyncEntry& e : entries) {
    if (cancelled()) return;
    const std::string childShown = shown + "/" + e.name;
    if (!isSafeLocalName(e.name)) {
      report.failures.push_back({childShown, "名称不能用作电脑上的文件名，未复制"});
      continue;
    }
    plan(remoteChild(remote, e.name), joinLocalPath(local, e.name), childShown, depth + 1, jobs, report);
  }
}

SyncResult SyncTransfer::pullFile(const Job& job, TransferReport& report) {
  const std::string partial = job.local + kPartialSuffix;
  LocalFile file = LocalFile::create(partial);
  if (!file.valid()) {
    report.failures.push_back({job.shown, "无法在电脑上创建文件"});
    return SyncResult::LocalFailed;
  }
  const uint64_t before = state_.bytes;
  uint64_t got = 0;
  SyncResult r = client_->receive(
      job.remote,
      [&](const char* data, size_t size) {
        if (!file.write(data, size)) return false;
        state_.bytes += size;
        tell(false);
        return true;
      },
      got);
  const bool closed = file.close();
  if (r == SyncResult::Ok && !closed) r = SyncResult::LocalFailed;
  if (r == SyncResult::Ok) {
    setLocalModifiedTime(partial, job.mtime);
    if (!replaceLocalFile(partial, job.local)) r = SyncResult::LocalFailed;
  }
  if (r != SyncResult::Ok) {
    removeLocalFile(partial);
    state_.bytes = before;
    if (r != SyncResult::Cancelled)
      report.failures.push_back({job.shown, r == SyncResult::LocalFailed ? std::string("无法写入电脑上的文件")
                                                                         : syncFailureText(r, client_->failMessage())});
    return r;
  }
  ++report.filesCopied;
  report.bytes += got;
  return r;
}

TransferReport SyncTransfer::pull(const std::vector<RemoteItem>& items, const std::string& localFolder) {
  TransferReport report;
  state_ = TransferProgress{};
  std::vector<Job> jobs;
  for (const RemoteItem& item : items) {
    if (cancelled()) break;
    std::string remote = item.pathUtf8;
    while (remote.size() > 1 && remote.back() == '/') remote.pop_back();
    size_t slash = remote.find_last_of('/');
    const std::string name = slash == std::string::npos ? remote : remote.substr(slash + 1);
    if (!isSafeLocalName(name)) {
      report.failures.push_back({remote, "名称不能用作电脑上的文件名，未复制"});
      continue;
    }
    plan(remote, joinLocalPath(localFolder, name), name, 0, jobs, report);
  }
  tell(true);
  for (size_t i = 0; i < jobs.size() && !cancelled(); ++i) {
    const Job& job = jobs[i];
    if (job.folder) {
      if (!makeLocalFolder(job.local)) report.failures.push_back({job.shown, "无法在电脑上创建文件夹"});
      continue;
    }
    const SyncResult open = session();
    if (open != SyncResult::Ok) {
      if (open == SyncResult::Cancelled) break;
      // The phone is gone: one line for the rest rather than one for every file.
      int left = 0;
      for (size_t j = i; j < jobs.size(); ++j) left += jobs[j].folder ? 0 : 1;
      report.failures.push_back({job.shown, "以及其余 " + std::to_string(left - 1) + " 个文件未复制：" +
                                                syncFailureText(open, connection_ ? connection_->serverMessage() : "")});
      break;
    }
    pullFile(job, report);
    ++state_.files;
    tell(true);
  }
  // Folders take their times last: writing files into them moved their times.
  for (auto it = jobs.rbegin(); it != jobs.rend(); ++it)
    if (it->folder && localFolderExists(it->local)) setLocalModifiedTime(it->local, it->mtime);
  report.cancelled = cancelled();
  return report;
}

TransferReport SyncTransfer::push(const std::vector<std::string>& localFiles, const std::string& remoteFolder) {
  TransferReport report;
  state_ = TransferProgress{};
  state_.expectedFiles = static_cast<int>(localFiles.size());
  for (const std::string& path : localFiles) {
    LocalFile f = LocalFile::openRead(path);
    if (f.valid() && f.size() > 0) state_.expectedBytes += static_cast<uint64_t>(f.size());
  }
  tell(true);
  for (const std::string& path : localFiles) {
    if (cancelled()) break;
    const std::string name = localBaseName(path);
    LocalFile file = LocalFile::openRead(path);
    if (!file.valid() || name.empty()) {
      report.failures.push_back({name.empty() ? path : name, localFolderExists(path) ? "文件夹不能上传，请选择文件"
                                                                                     : "无法读取电脑上的文件"});
      ++state_.files;
      continue;
    }
    const SyncResult open = session();
    if (open != SyncResult::Ok) {
      if (open == SyncResult::Cancelled) break;
      // The phone is gone: the files not sent are named once, with the reason.
      const size_t left = localFiles.size() - static_cast<size_t>(&path - localFiles.data());
      report.failures.push_back({name, (left > 1 ? "以及其余 " + std::to_string(left - 1) + " 个文件未上传：" : std::string()) +
                                           syncFailureText(open, connection_ ? connection_->serverMessage() : "")});
      break;
    }
    const int64_t mtime = localModifiedTime(path);
    const uint64_t before = state_.bytes;
    uint64_t sentBytes = 0;
    const SyncResult r = client_->send(
        remoteChild(remoteFolder, name), 0644, mtime > 0 ? static_cast<uint32_t>(mtime) : 0,
        [&](char* buffer, size_t size) { return file.read(buffer, size); },
        [&](uint64_t total) {
          sentBytes = total;
          state_.bytes = before + total;
          tell(false);
        });
    if (r == SyncResult::Ok) {
      ++report.filesCopied;
      report.bytes += sentBytes;
    } else {
      state_.bytes = before;
      if (r != SyncResult::Cancelled)
        report.failures.push_back({name, r == SyncResult::LocalFailed ? std::string("无法读取电脑上的文件")
                                                                      : syncFailureText(r, client_->failMessage())});
    }
    ++state_.files;
    tell(true);
  }
  report.cancelled = cancelled();
  return report;
}

}  // namespace zorvik
