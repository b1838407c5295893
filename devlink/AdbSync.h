#pragma once
// The ADB sync service ("sync:" on a device transport): STAT, LIST, RECV and SEND/DATA/DONE, the
// way files travel between the PC and the phone. Paths on the phone are UTF-8.
//
//   request    id + LE32 length + path        (SEND: "path,mode" with the mode in decimal)
//   STAT       "STAT" + mode + size + mtime   (mode 0: no such path; sizes are 32 bits)
//   LIST       "DENT" + mode + size + mtime + LE32 n + n name bytes, ..., "DONE" + 16 bytes
//   RECV       "DATA" + n + n bytes, ..., "DONE" + 4 bytes; or "FAIL" + n + message
//   SEND       "DATA" pieces of at most 64 KiB, "DONE" + mtime; answered "OKAY" + 4 or "FAIL"
//
// Every length read from the phone has a ceiling; a reply that breaks one is Malformed and the
// session is not used again. RECV streams until DONE whatever STAT said, so files of 4 GiB and
// more arrive whole.
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorvik {

enum class SyncResult {
  Ok,
  NoDevice,       // no serial, or the server does not know it
  ConnectFailed,  // no ADB server
  Failed,         // the phone refused this path (FAIL, message kept); the session goes on
  Cut,            // the connection ended or broke mid-reply
  TimedOut,       // no byte within the idle deadline
  Cancelled,
  Malformed,      // a reply no phone sends (unknown id, length over its ceiling)
  LocalFailed,    // the PC side could not read or write its file
};

// Ceilings for what the phone sends.
inline constexpr size_t kSyncFailMessageMax = 4096;
inline constexpr size_t kSyncListEntriesMax = 1000000;

struct SyncStat {
  uint32_t mode = 0, size = 0, mtime = 0;
  bool exists() const { return mode != 0; }
  bool isDirectory() const { return (mode & 0170000) == 0040000; }
  bool isRegular() const { return (mode & 0170000) == 0100000; }
};

struct SyncEntry {
  std::string name;  // UTF-8, as the phone sent it
  SyncStat stat;
};

// The bytes under a session: a socket to the ADB server, or a buffer in tests and fuzzing.
class SyncStream {
 public:
  virtual ~SyncStream() = default;
  // Up to size bytes: Ok with got > 0, or why not (Cut when the peer closed).
  virtual SyncResult receiveSome(char* buffer, size_t size, size_t& got) = 0;
  virtual SyncResult sendAll(const char* data, size_t size) = 0;
};

// A socket to the ADB server switched to one device's sync service, with an idle deadline on
// every wait and cancellation through an ExchangeCancel (noticed within TcpSocket::kPollMs).
class AdbSyncConnection : public SyncStream {
 public:
  static constexpr unsigned kConnectMs = 5000;
  static constexpr unsigned kIdleMs = 15000;

  explicit AdbSyncConnection(const ExchangeCancel* cancel = nullptr, unsigned idleMs = kIdleMs)
      : cancel_(cancel), idleMs_(idleMs) {}
  // host:transport:<serial>, then sync:. A FAIL from the server is NoDevice (its text kept).
  SyncResult open(const std::string& serial);
  const std::string& serverMessage() const { return serverMessage_; }
  void close() { socket_.close(); }

  SyncResult receiveSome(char* buffer, size_t size, size_t& got) override;
  SyncResult sendAll(const char* data, size_t size) override;

 private:
  bool stopped() const { return cancel_ && cancel_->cancelled(); }
  SyncResult receiveExactly(char* buffer, size_t size);
  SyncResult request(const std::string& service);

  const ExchangeCancel* cancel_;
  unsigned idleMs_;
  TcpSocket socket_;
  std::string serverMessage_;
};

// The sync requests over a stream. After any result other than Ok and Failed the stream's place
// in the protocol is lost: usable() turns false and the caller opens a new session.
class AdbSyncClient {
 public:
  static constexpr size_t kInboxSize = 256 * 1024;
  explicit AdbSyncClient(SyncStream& stream) : stream_(stream), inbox_(kInboxSize) {}

  SyncResult stat(const std::string& path, SyncStat& out);
  // The folder's entries without "." and "..".
  SyncResult list(const std::string& path, std::vector<SyncEntry>& out);
  // Streams the file to `write` (false from it: LocalFailed); bytes counts what arrived.
  SyncResult receive(const std::string& path, const std::function<bool(const char*, size_t)>& write,
                     uint64_t& bytes);
  // Sends what `read` gives (bytes into the buffer, 0 at the end, -1 on a read error) as the file
  // at path with the mode and modification time; `sent` is told after every piece.
  SyncResult send(const std::string& path, uint32_t mode, uint32_t mtime,
                  const std::function<long long(char*, size_t)>& read, const std::function<void(uint64_t)>& sent);
  void quit();

  bool usable() const { return usable_; }
  // The phone's FAIL text (UTF-8) after Failed.
  const std::string& failMessage() const { return failMessage_; }

 private:
  SyncResult sendRequest(const char* id, const std::string& arg);
  SyncResult readExactly(char* buffer, size_t size);
  SyncResult readFail(uint32_t length);
  SyncResult broken(SyncResult r) {
    usable_ = false;
    return r;
  }

  SyncStream& stream_;
  bool usable_ = true;
  std::string failMessage_;
  // Replies are read in large receives and taken from here: a header and its piece seldom cost
  // a system call each.
  std::vector<char> inbox_;
  size_t inAt_ = 0, inEnd_ = 0;
};

// The text a page shows for a result (GBK), with the phone's message where it sent one.
std::string syncFailureText(SyncResult result, const std::string& phoneMessageUtf8 = std::string());

}  // namespace zorvik
