#pragma once
// Copying files and folders between the phone and the PC over the sync service, for the file
// page: pulls keep names, sizes and modification times and never leave half a file behind (a file
// arrives under a temporary name and takes its own only when whole); pushes send mode 0644.
// Before a file of the same name is replaced, on either side, the user is asked (once per
// transfer when they answer "全部…"). Pulls follow folder links, each real folder once.
// Runs on a worker; progress and questions go through callbacks on that worker.
#include "common/LocalFile.h"
#include "devlink/AdbSync.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
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
  bool planning = false;       // a pull still learning what it will copy
  int planned = 0;             // entries seen so far while planning
};

struct TransferFailure {
  std::string nameUtf8;  // the file or folder as the user knows it
  std::string text;      // why, in the program's ANSI text
};

struct TransferReport {
  int filesCopied = 0;
  uint64_t bytes = 0;
  bool cancelled = false;
  int skipped = 0;       // files the user chose not to replace
  int renamed = 0;       // names changed to ones the PC can hold
  bool tooMany = false;  // the pull was larger than kPullPlanMax entries: nothing copied
  std::vector<TransferFailure> failures;
};

// Folders deeper than this are not entered (a phone that lists a folder inside itself).
inline constexpr int kPullDepthMax = 64;

// A pull that would hold more entries than this (a folder like /sys through its links) is not
// started: planning stops there and nothing is copied.
inline constexpr int kPullPlanMax = 100000;

// Whether a name the phone listed may become a file name on this PC: no separators, not "." or
// "..", nothing the file system refuses.
bool isSafeLocalName(const std::string& utf8Name);

// The name a phone file takes on Windows, the same for the same name: characters Windows refuses
// (<>:"/\|?* and controls) become "_"; a device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 in
// any case, alone or before an extension) gets "_" after its stem ("nul.txt" -> "nul_.txt"); a
// name ending in dots or blanks gets "_" after them. Empty for "", "." and "..".
std::string windowsSafeName(const std::string& utf8Name);

// ---------------------------------------------------------------- replacing files

enum class OverwriteChoice { Replace, Skip, ReplaceAll, SkipAll };
enum class OverwriteAction { Replace, Skip, Stop };

// Asked on the worker when a file of that name exists on the target side (the phone when toPhone);
// no answer (nullopt) when none will come: the transfer was cancelled or its page closed.
using OverwriteAsk = std::function<std::optional<OverwriteChoice>(const std::string& nameUtf8, bool toPhone)>;

// One transfer's answers: asks until an answer for all, then keeps to it. Without a way to ask
// (tools, tests) files are replaced.
class OverwriteDecision {
 public:
  explicit OverwriteDecision(OverwriteAsk ask = nullptr) : ask_(std::move(ask)) {}
  OverwriteAction decide(const std::string& nameUtf8, bool toPhone);
  int asked() const { return asked_; }

 private:
  OverwriteAsk ask_;
  std::optional<OverwriteAction> standing_;
  int asked_ = 0;
};

// ---------------------------------------------------------------- folder links

// The shell line that prints a phone path's real path (every link resolved) followed by a line
// kRealPathMarker, and only on success.
inline constexpr std::string_view kRealPathMarker = "ZVOK";
std::string realPathCommand(const std::string& pathUtf8);
// The real path from that command's output (at most kRealPathReplyMax bytes are read): an
// absolute path, or nothing when the phone could not tell.
inline constexpr size_t kRealPathReplyMax = 8192;
std::optional<std::string> parseRealPathReply(std::string_view output);
// The real path of a folder's child that is not a link.
std::string childRealPath(const std::string& parentReal, const std::string& name);

class SyncTransfer {
 public:
  using ProgressFn = std::function<void(const TransferProgress&)>;
  // progress is called at most every kProgressMs and once after every file.
  static constexpr unsigned kProgressMs = 100;

  SyncTransfer(std::string serial, const ExchangeCancel* cancel, ProgressFn progress,
               unsigned idleMs = AdbSyncConnection::kIdleMs);
  ~SyncTransfer();

  // Who is asked before a file is replaced (unset: replaced without asking).
  void setOverwriteAsk(OverwriteAsk ask) { ask_ = std::move(ask); }
  // Whether names are made safe for Windows (on by default there); tests elsewhere turn it on.
  void useWindowsNames(bool on) { windowsNames_ = on; }
  // The cap on a pull's entries (kPullPlanMax unless a test wants a small one).
  void setPlanLimit(int entries) { planMax_ = entries; }

  // The items, folders recursively, into an existing local folder.
  TransferReport pull(const std::vector<RemoteItem>& items, const std::string& localFolderUtf8);
  // The local files into a folder on the phone, each as folder + "/" + its name.
  TransferReport push(const std::vector<std::string>& localFilesUtf8, const std::string& remoteFolderUtf8);

 private:
  struct Job;
  SyncResult session();
  struct Planning;
  void plan(const std::string& remote, const std::string& real, const std::string& local,
            const std::string& shownName, int depth, Planning& planning, TransferReport& report);
  std::optional<std::string> realPath(const std::string& remote);
  // The local name in localFolder for a name the phone lists, one no other item of this pull
  // took (on Windows "A.txt" and "a.txt", or "a?b" and "a*b", would be one file); empty when it
  // cannot be one.
  std::string localName(const std::string& phoneName, const std::string& localFolder, Planning& planning,
                        TransferReport& report) const;
  SyncResult pullFile(const Job& job, TransferReport& report);
  // A name the target side already holds: a folder there is reported and the file not copied; a
  // file there is replaced, skipped or the transfer stopped, as `overwrite` answers.
  OverwriteAction meetExisting(const std::string& name, bool folderThere, bool toPhone, OverwriteDecision& overwrite,
                               TransferReport& report);
  void tell(bool force);
  bool cancelled() const { return cancel_ && cancel_->cancelled(); }

  std::string serial_;
  const ExchangeCancel* cancel_;
  ProgressFn progress_;
  unsigned idleMs_;
  OverwriteAsk ask_;
  int planMax_ = kPullPlanMax;
#ifdef _WIN32
  bool windowsNames_ = true;
#else
  bool windowsNames_ = false;
#endif
  std::unique_ptr<AdbSyncConnection> connection_;
  std::unique_ptr<AdbSyncClient> client_;
  SyncResult lastOpen_ = SyncResult::Ok;
  TransferProgress state_;
  long long lastTold_ = 0;
};

}  // namespace zorvik
