#include "devlink/AdbSync.h"

#include "common/TextConv.h"
#include "devlink/AdbBridge.h"
#include "devlink/AdbFraming.h"

#include <algorithm>
#include <cstring>

namespace zorvik {

// ---------------------------------------------------------------- the socket

SyncResult AdbSyncConnection::open(const std::string& serial) {
  socket_.close();
  serverMessage_.clear();
  if (serial.empty()) return SyncResult::NoDevice;
  bool timedOut = false;
  socket_ = TcpSocket::connectLoopback(adbServerPort(), true, kConnectMs, [this] { return stopped(); }, &timedOut);
  if (stopped()) return SyncResult::Cancelled;
  if (!socket_.valid()) return timedOut ? SyncResult::TimedOut : SyncResult::ConnectFailed;
  SyncResult r = request(adbHostRequest("host:transport:" + serial));
  if (r == SyncResult::Ok) r = request(adbHostRequest("sync:"));
  if (r != SyncResult::Ok) socket_.close();
  return r;
}

// One service request and its answer; a FAIL's text is read (bounded) so the page can show it.
SyncResult AdbSyncConnection::request(const std::string& service) {
  if (service.empty()) return SyncResult::NoDevice;
  SyncResult r = sendAll(service.data(), service.size());
  if (r != SyncResult::Ok) return r;
  char word[8];
  if ((r = receiveExactly(word, 4)) != SyncResult::Ok) return r;
  if (std::memcmp(word, "OKAY", 4) == 0) return SyncResult::Ok;
  if (std::memcmp(word, "FAIL", 4) != 0) return SyncResult::Malformed;
  if ((r = receiveExactly(word + 4, 4)) != SyncResult::Ok) return r;
  const AdbFrame frame = decodeAdbText(std::string_view(word + 4, 4), kSyncFailMessageMax);
  if (frame.status == AdbDecode::Malformed) return SyncResult::Malformed;
  const size_t length = frame.wanted > 4 ? frame.wanted - 4 : 0;
  serverMessage_.assign(length, '\0');
  if (length > 0 && (r = receiveExactly(serverMessage_.data(), length)) != SyncResult::Ok) return r;
  return SyncResult::NoDevice;
}

SyncResult AdbSyncConnection::receiveSome(char* buffer, size_t size, size_t& got) {
  got = 0;
  for (;;) {
    const int n = socket_.receiveAvailable(buffer, size);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return SyncResult::Ok;
    }
    if (n == 0) return SyncResult::Cut;
    if (n != TcpSocket::kWouldBlock) return SyncResult::Cut;
    switch (socket_.waitReadable(idleMs_, [this] { return stopped(); })) {
      case TcpSocket::Wait::Ready: break;
      case TcpSocket::Wait::TimedOut: return SyncResult::TimedOut;
      case TcpSocket::Wait::Stopped: return SyncResult::Cancelled;
      case TcpSocket::Wait::Failed: return SyncResult::Cut;
    }
  }
}

SyncResult AdbSyncConnection::receiveExactly(char* buffer, size_t size) {
  while (size > 0) {
    size_t got = 0;
    const SyncResult r = receiveSome(buffer, size, got);
    if (r != SyncResult::Ok) return r;
    buffer += got;
    size -= got;
  }
  return SyncResult::Ok;
}

SyncResult AdbSyncConnection::sendAll(const char* data, size_t size) {
  if (stopped()) return SyncResult::Cancelled;
  return socket_.sendAll(data, size) ? SyncResult::Ok : SyncResult::Cut;
}

// ---------------------------------------------------------------- the requests

SyncResult AdbSyncClient::readExactly(char* buffer, size_t size) {
  while (size > 0) {
    if (inAt_ == inEnd_) {
      size_t got = 0;
      const SyncResult r = stream_.receiveSome(inbox_.data(), inbox_.size(), got);
      if (r != SyncResult::Ok) return broken(r);
      if (got == 0 || got > inbox_.size()) return broken(SyncResult::Cut);
      inAt_ = 0;
      inEnd_ = got;
    }
    const size_t n = std::min(size, inEnd_ - inAt_);
    std::memcpy(buffer, inbox_.data() + inAt_, n);
    inAt_ += n;
    buffer += n;
    size -= n;
  }
  return SyncResult::Ok;
}

SyncResult AdbSyncClient::sendRequest(const char* id, const std::string& arg) {
  if (!usable_) return SyncResult::Cut;
  if (arg.empty() || arg.size() > kAdbSyncPathMax) return SyncResult::LocalFailed;  // nothing sent
  failMessage_.clear();
  std::string out;
  appendAdbSyncText(out, id, arg);
  const SyncResult r = stream_.sendAll(out.data(), out.size());
  return r == SyncResult::Ok ? r : broken(r);
}

SyncResult AdbSyncClient::readFail(uint32_t length) {
  if (length > kSyncFailMessageMax) return broken(SyncResult::Malformed);
  failMessage_.assign(length, '\0');
  const SyncResult r = readExactly(failMessage_.data(), length);
  return r == SyncResult::Ok ? SyncResult::Failed : r;
}

SyncResult AdbSyncClient::stat(const std::string& path, SyncStat& out) {
  out = SyncStat{};
  SyncResult r = sendRequest("STAT", path);
  if (r != SyncResult::Ok) return r;
  char reply[16];
  if ((r = readExactly(reply, sizeof reply)) != SyncResult::Ok) return r;
  if (std::memcmp(reply, "STAT", 4) != 0) return broken(SyncResult::Malformed);
  out.mode = getLe32(reply + 4);
  out.size = getLe32(reply + 8);
  out.mtime = getLe32(reply + 12);
  return SyncResult::Ok;
}

SyncResult AdbSyncClient::list(const std::string& path, std::vector<SyncEntry>& out) {
  out.clear();
  SyncResult r = sendRequest("LIST", path);
  if (r != SyncResult::Ok) return r;
  for (;;) {
    char head[20];
    if ((r = readExactly(head, kAdbSyncHeaderSize)) != SyncResult::Ok) return r;
    const AdbSyncHeader h = decodeAdbSyncHeader(std::string_view(head, kAdbSyncHeaderSize));
    if (h.is("FAIL")) return readFail(h.value);
    if (!h.is("DENT") && !h.is("DONE")) return broken(SyncResult::Malformed);
    if ((r = readExactly(head + 8, 12)) != SyncResult::Ok) return r;
    if (h.is("DONE")) return SyncResult::Ok;
    const uint32_t nameLength = getLe32(head + 16);
    if (nameLength == 0 || nameLength > kAdbSyncPathMax || out.size() >= kSyncListEntriesMax)
      return broken(SyncResult::Malformed);
    SyncEntry e;
    e.stat.mode = h.value;
    e.stat.size = getLe32(head + 8);
    e.stat.mtime = getLe32(head + 12);
    e.name.assign(nameLength, '\0');
    if ((r = readExactly(e.name.data(), nameLength)) != SyncResult::Ok) return r;
    if (e.name != "." && e.name != "..") out.push_back(std::move(e));
  }
}

SyncResult AdbSyncClient::receive(const std::string& path, const std::function<bool(const char*, size_t)>& write,
                                  uint64_t& bytes) {
  bytes = 0;
  SyncResult r = sendRequest("RECV", path);
  if (r != SyncResult::Ok) return r;
  std::vector<char> piece(kAdbSyncDataMax);
  for (;;) {
    char head[kAdbSyncHeaderSize];
    if ((r = readExactly(head, sizeof head)) != SyncResult::Ok) return r;
    const AdbSyncHeader h = decodeAdbSyncHeader(std::string_view(head, sizeof head));
    if (h.is("DONE")) return SyncResult::Ok;
    if (h.is("FAIL")) return readFail(h.value);
    if (!h.is("DATA") || h.value > kAdbSyncDataMax) return broken(SyncResult::Malformed);
    if ((r = readExactly(piece.data(), h.value)) != SyncResult::Ok) return r;
    bytes += h.value;
    // The rest of the file is still on its way: the session cannot be reused.
    if (!write(piece.data(), h.value)) return broken(SyncResult::LocalFailed);
  }
}

SyncResult AdbSyncClient::send(const std::string& path, uint32_t mode, uint32_t mtime,
                               const std::function<long long(char*, size_t)>& read,
                               const std::function<void(uint64_t)>& sent) {
  SyncResult r = sendRequest("SEND", path + "," + std::to_string(mode));
  if (r != SyncResult::Ok) return r;
  std::vector<char> piece(kAdbSyncHeaderSize + kAdbSyncDataMax);
  uint64_t total = 0;
  for (;;) {
    const long long n = read(piece.data() + kAdbSyncHeaderSize, kAdbSyncDataMax);
    // A file that cannot be read any further: the connection is dropped without DONE, so the
    // phone discards what it received instead of keeping half a file.
    if (n < 0 || static_cast<unsigned long long>(n) > kAdbSyncDataMax) return broken(SyncResult::LocalFailed);
    if (n == 0) break;
    std::memcpy(piece.data(), "DATA", 4);
    std::string word;
    putLe32(word, static_cast<uint32_t>(n));
    std::memcpy(piece.data() + 4, word.data(), 4);
    r = stream_.sendAll(piece.data(), kAdbSyncHeaderSize + static_cast<size_t>(n));
    if (r != SyncResult::Ok) break;
    total += static_cast<uint64_t>(n);
    if (sent) sent(total);
  }
  if (r == SyncResult::Ok) {
    std::string done;
    appendAdbSync(done, "DONE", mtime);
    r = stream_.sendAll(done.data(), done.size());
  }
  if (r == SyncResult::Cancelled) return broken(r);
  // After a failed send the phone may still have said why (a FAIL before closing): read it.
  char head[kAdbSyncHeaderSize];
  const SyncResult got = readExactly(head, sizeof head);
  if (got != SyncResult::Ok) return r != SyncResult::Ok ? broken(r) : got;
  const AdbSyncHeader h = decodeAdbSyncHeader(std::string_view(head, sizeof head));
  if (h.is("FAIL")) {
    const SyncResult f = readFail(h.value);
    if (r != SyncResult::Ok) usable_ = false;
    return f;
  }
  if (r != SyncResult::Ok) return broken(r);
  return h.is("OKAY") ? SyncResult::Ok : broken(SyncResult::Malformed);
}

void AdbSyncClient::quit() {
  if (!usable_) return;
  std::string out;
  appendAdbSync(out, "QUIT", 0);
  stream_.sendAll(out.data(), out.size());
  usable_ = false;
}

std::string syncFailureText(SyncResult result, const std::string& phoneMessageUtf8) {
  switch (result) {
    case SyncResult::Ok: return "";
    case SyncResult::NoDevice: return "没有找到设备";
    case SyncResult::ConnectFailed: return "无法连接ADB服务";
    case SyncResult::Failed:
      return phoneMessageUtf8.empty() ? "手机拒绝了该文件" : "手机拒绝：" + toAnsi(phoneMessageUtf8);
    case SyncResult::Cut: return "连接中断";
    case SyncResult::TimedOut: return "连接超时：手机没有响应";
    case SyncResult::Cancelled: return "已取消";
    case SyncResult::Malformed: return "手机的回复无法识别";
    case SyncResult::LocalFailed: return "电脑上的文件无法读写";
  }
  return "";
}

}  // namespace zorvik
