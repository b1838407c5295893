#include "devlink/SyncTransfer.h"

#include "common/LocalFile.h"
#include "devlink/AdbBridge.h"
#include "devlink/AdbFraming.h"
#include "devlink/TcpSocket.h"

#include <chrono>
#include <cstring>
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

struct SyncTransfer::Planning {
  std::vector<Job> jobs;
  std::set<std::string> seenFolders;  // real paths of the folders entered
  std::set<std::string> localNames;   // PC paths given out, as the file system compares them
  bool tooMany = false;
};

namespace {

bool isDeviceName(std::string stem) {
  // Windows ignores blanks and dots after a device name too ("NUL .txt", "COM1.").
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
  for (char& c : stem)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

}  // namespace

std::string windowsSafeName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return std::string();
  std::string out = name;
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::strchr("<>:\"/\\|?*", c)) c = '_';
  }
  const size_t dot = out.find('.');
  if (isDeviceName(out.substr(0, dot))) out.insert(dot == std::string::npos ? out.size() : dot, "_");
  if (out.back() == '.' || out.back() == ' ') out += '_';
  return out;
}

OverwriteAction OverwriteDecision::decide(const std::string& name, bool toPhone) {
  if (standing_) return *standing_;
  if (!ask_) return OverwriteAction::Replace;
  ++asked_;
  const std::optional<OverwriteChoice> choice = ask_(name, toPhone);
  if (!choice) return OverwriteAction::Stop;
  switch (*choice) {
    case OverwriteChoice::Replace: return OverwriteAction::Replace;
    case OverwriteChoice::Skip: return OverwriteAction::Skip;
    case OverwriteChoice::ReplaceAll: return *(standing_ = OverwriteAction::Replace);
    case OverwriteChoice::SkipAll: return *(standing_ = OverwriteAction::Skip);
  }
  return OverwriteAction::Stop;
}

std::string realPathCommand(const std::string& path) {
  // Single quotes keep every byte but the quote itself, which is closed, escaped and reopened.
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  return "readlink -f -- " + quoted + " && echo " + std::string(kRealPathMarker);
}

std::optional<std::string> parseRealPathReply(std::string_view out) {
  if (out.size() > kRealPathReplyMax) return std::nullopt;
  // An old phone's pseudo-terminal ends lines with CR LF.
  std::string text;
  for (size_t i = 0; i < out.size(); ++i)
    if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) text += out[i];
  const std::string tail = "\n" + std::string(kRealPathMarker) + "\n";
  if (text.size() < tail.size() + 1 || text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return std::nullopt;
  std::string path = text.substr(0, text.size() - tail.size());
  // One path, absolute: anything else (an error text, several lines) is not an answer.
  if (path.empty() || path[0] != '/' || path.find('\n') != std::string::npos || path.find('\0') != std::string::npos)
    return std::nullopt;
  return path;
}

std::string childRealPath(const std::string& parentReal, const std::string& name) {
  return remoteChild(parentReal, name);
}

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

// The phone's own answer through its shell (one short connection to the ADB server, with the
// transfer's deadlines and cancel); nothing when the phone cannot say.
OverwriteAction SyncTransfer::meetExisting(const std::string& name, bool folderThere, bool toPhone,
                                           OverwriteDecision& overwrite, TransferReport& report) {
  if (folderThere) {
    report.failures.push_back({name, toPhone ? "手机上已有同名的文件夹，未上传" : "电脑上已有同名的文件夹，未复制"});
    ++state_.files;
    return OverwriteAction::Skip;
  }
  const OverwriteAction action = overwrite.decide(name, toPhone);
  if (action == OverwriteAction::Skip) {
    ++report.skipped;
    ++state_.files;
    tell(true);
  }
  return action;
}

std::optional<std::string> SyncTransfer::realPath(const std::string& remote) {
  const auto stop = [this] { return cancelled(); };
  TcpSocket socket = TcpSocket::connectLoopback(adbServerPort(), true, AdbSyncConnection::kConnectMs, stop);
  if (!socket.valid()) return std::nullopt;
  std::string reply;
  const auto answered = [&](const std::string& request) {
    if (request.empty() || !socket.sendAll(request.data(), request.size())) return false;
    char word[4];
    size_t got = 0;
    while (got < sizeof word) {
      const int n = socket.receiveAvailable(word + got, sizeof word - got);
      if (n > 0) {
        got += static_cast<size_t>(n);
      } else if (n != TcpSocket::kWouldBlock || socket.waitReadable(idleMs_, stop) != TcpSocket::Wait::Ready) {
        return false;
      }
    }
    return std::memcmp(word, "OKAY", 4) == 0;
  };
  if (!answered(encodeAdbRequest("host:transport:" + serial_, AdbHexCase::Upper)) ||
      !answered(encodeAdbRequest("shell:" + realPathCommand(remote), AdbHexCase::Upper)))
    return std::nullopt;
  char buffer[1024];
  for (;;) {
    const int n = socket.receiveAvailable(buffer, sizeof buffer);
    if (n == 0) break;
    if (n > 0) {
      reply.append(buffer, static_cast<size_t>(n));
      if (reply.size() > kRealPathReplyMax) return std::nullopt;
      continue;
    }
    if (n != TcpSocket::kWouldBlock || socket.waitReadable(idleMs_, stop) != TcpSocket::Wait::Ready) return std::nullopt;
  }
  return parseRealPathReply(reply);
}

std::string SyncTransfer::localName(const std::string& phoneName, const std::string& localFolder,
                                    Planning& planning, TransferReport& report) const {
  const std::string safe = windowsNames_ ? windowsSafeName(phoneName) : phoneName;
  if (safe.empty() || !isSafeLocalName(safe)) return std::string();
  // Windows compares names without case (ASCII letters here; that covers the usual clashes).
  const auto key = [this, &localFolder](const std::string& name) {
    std::string k = joinLocalPath(localFolder, name);
    if (windowsNames_)
      for (char& c : k)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return k;
  };
  std::string name = safe;
  const size_t dot = safe.rfind('.');
  const size_t stemEnd = dot == std::string::npos || dot == 0 ? safe.size() : dot;
  for (int n = 2; !planning.localNames.insert(key(name)).second; ++n)
    name = safe.substr(0, stemEnd) + "_" + std::to_string(n) + safe.substr(stemEnd);
  if (name != phoneName) ++report.renamed;
  return name;
}

// `real` is the folder's path with every link resolved, as far as the phone could tell: a
// folder met again by that path (a link to a folder above, or two links to one folder) is not
// entered twice.
void SyncTransfer::plan(const std::string& remote, const std::string& real, const std::string& local,
                        const std::string& shown, int depth, Planning& planning, TransferReport& report) {
  if (planning.tooMany || cancelled()) return;
  if (++state_.planned > planMax_) {
    planning.tooMany = true;
    return;
  }
  tell(false);
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
  std::string realFolder = real;
  if (link) {
    SyncStat target;
    if (client_->stat(remote + "/", target) == SyncResult::Ok && target.isDirectory()) {
      st = target;
      // Where it leads decides whether it was entered already; a link the phone cannot resolve
      // is not followed (it could lead anywhere, round again included).
      std::optional<std::string> resolved = realPath(remote);
      if (!resolved) {
        if (depth > 0) {
          report.failures.push_back({shown, "无法确定文件夹链接指向哪里，未复制"});
          return;
        }
        resolved = real;  // a folder the user picked is entered whatever it is
      }
      realFolder = *resolved;
    } else {
      st.mode = 0100644;
    }
  }
  if (st.isRegular()) {
    planning.jobs.push_back({remote, local, shown, false, st.mtime});
    state_.expectedBytes += st.size;
    ++state_.expectedFiles;
    return;
  }
  if (!st.isDirectory()) {
    report.failures.push_back({shown, "不是普通文件，未复制"});
    return;
  }
  if (depth == 0 && !link) {
    // A folder the user picked may lie under a link itself (/sdcard/DCIM): its links are
    // compared with where it really is.
    if (std::optional<std::string> resolved = realPath(remote)) realFolder = *resolved;
  }
  if (!planning.seenFolders.insert(realFolder).second) {
    report.failures.push_back({shown, "文件夹链接绕回已复制的文件夹，未重复复制"});
    return;
  }
  if (depth >= kPullDepthMax) {
    report.failures.push_back({shown, "文件夹层次过深，未复制"});
    return;
  }
  planning.jobs.push_back({remote, local, shown, true, st.mtime});
  std::vector<SyncEntry> entries;
  r = client_->list(remote, entries);
  if (r != SyncResult::Ok) {
    report.failures.push_back({shown, syncFailureText(r, client_->failMessage())});
    return;
  }
  if (static_cast<size_t>(state_.planned) + entries.size() > static_cast<size_t>(planMax_)) {
    planning.tooMany = true;
    return;
  }
  for (const SyncEntry& e : entries) {
    if (cancelled() || planning.tooMany) return;
    const std::string childShown = shown + "/" + e.name;
    const std::string name = localName(e.name, local, planning, report);
    if (name.empty()) {
      report.failures.push_back({childShown, "名称不能用作电脑上的文件名，未复制"});
      continue;
    }
    plan(remoteChild(remote, e.name), childRealPath(realFolder, e.name), joinLocalPath(local, name), childShown,
         depth + 1, planning, report);
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
  state_.planning = true;
  Planning planning;
  for (const RemoteItem& item : items) {
    if (cancelled() || planning.tooMany) break;
    std::string remote = item.pathUtf8;
    while (remote.size() > 1 && remote.back() == '/') remote.pop_back();
    size_t slash = remote.find_last_of('/');
    const std::string phoneName = slash == std::string::npos ? remote : remote.substr(slash + 1);
    const std::string name = localName(phoneName, localFolder, planning, report);
    if (name.empty()) {
      report.failures.push_back({remote, "名称不能用作电脑上的文件名，未复制"});
      continue;
    }
    plan(remote, remote, joinLocalPath(localFolder, name), phoneName, 0, planning, report);
  }
  state_.planning = false;
  if (planning.tooMany) {
    // Half a plan would copy an arbitrary part of what was picked: nothing is copied.
    report = TransferReport{};
    report.tooMany = true;
    report.cancelled = cancelled();
    return report;
  }
  std::vector<Job>& jobs = planning.jobs;
  tell(true);
  OverwriteDecision overwrite(ask_);
  for (size_t i = 0; i < jobs.size() && !cancelled(); ++i) {
    const Job& job = jobs[i];
    if (job.folder) {
      if (!makeLocalFolder(job.local)) report.failures.push_back({job.shown, "无法在电脑上创建文件夹"});
      continue;
    }
    if (localPathExists(job.local)) {
      const OverwriteAction action = meetExisting(job.shown, localFolderExists(job.local), false, overwrite, report);
      if (action == OverwriteAction::Stop) break;
      if (action == OverwriteAction::Skip) continue;
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
  OverwriteDecision overwrite(ask_);
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
    SyncResult open = session();
    const std::string remote = remoteChild(remoteFolder, name);
    // What the phone holds under that name, asked before anything is sent.
    SyncStat there;
    SyncResult statResult = SyncResult::Ok;
    if (open == SyncResult::Ok && (statResult = client_->stat(remote, there)) != SyncResult::Ok &&
        statResult != SyncResult::Failed) {
      open = session();  // the STAT broke the session: the send below reopens it or reports why
    }
    if (open != SyncResult::Ok) {
      if (open == SyncResult::Cancelled) break;
      // The phone is gone: the files not sent are named once, with the reason.
      const size_t left = localFiles.size() - static_cast<size_t>(&path - localFiles.data());
      report.failures.push_back({name, (left > 1 ? "以及其余 " + std::to_string(left - 1) + " 个文件未上传：" : std::string()) +
                                           syncFailureText(open, connection_ ? connection_->serverMessage() : "")});
      break;
    }
    if (statResult == SyncResult::Ok && there.exists()) {
      const OverwriteAction action = meetExisting(name, there.isDirectory(), true, overwrite, report);
      if (action == OverwriteAction::Stop) break;
      if (action == OverwriteAction::Skip) continue;
    } else if (statResult != SyncResult::Ok) {
      // The phone did not say whether the name is taken: not replaced unasked.
      report.failures.push_back({name, syncFailureText(statResult, client_->failMessage())});
      ++state_.files;
      continue;
    }
    const int64_t mtime = localModifiedTime(path);
    const uint64_t before = state_.bytes;
    uint64_t sentBytes = 0;
    const SyncResult r = client_->send(
        remote, 0644, mtime > 0 ? static_cast<uint32_t>(mtime) : 0,
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
