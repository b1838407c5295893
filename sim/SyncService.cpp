// The sync protocol behind "sync:": a 4-byte id and a little-endian length, for STAT,
// SEND/DATA/DONE, RECV, LIST and QUIT, one table entry each. A pushed file is kept in memory and
// shows up in the file manager's folder.
#include "sim/AdbProtocol.h"
#include "sim/DeviceShell.h"
#include "sim/SimUtil.h"
#include "sim/VirtualPhone.h"

#include <algorithm>
#include <functional>

namespace zorvik::sim {

namespace {

constexpr size_t kMaxFile = 256 * 1024 * 1024;

// Runs a function on the session's device under the server's lock (not at all once it is gone).
using WithDevice = std::function<void(const std::function<void(Device&)>&)>;

class SyncSession {
 public:
  SyncSession(TcpSocket& socket, std::string pending, WithDevice withDevice)
      : socket_(socket), pending_(std::move(pending)), withDevice_(std::move(withDevice)) {}

  void run();

 private:
  // What a request leaves the session to do next.
  enum class Next { Continue, Stop, Refuse };
  using Handler = Next (SyncSession::*)(const std::string& arg);
  struct Entry {
    const char* id;
    Handler run;
    const char* refusal;  // the FAIL message when the handler refuses
  };
  static const Entry kRequests[];

  Next stat(const std::string& path);
  Next send(const std::string& pathAndMode);
  Next receive(const std::string& path);
  Next list(const std::string& folder);

  bool need(size_t n);
  std::string take(size_t n);
  bool write(const std::string& bytes) { return socket_.sendAll(bytes.data(), bytes.size()); }
  void fail(const std::string& message) {
    std::string out;
    appendAdbSyncText(out, "FAIL", message);
    write(out);
  }
  Next sent(const std::string& bytes) { return write(bytes) ? Next::Continue : Next::Stop; }

  TcpSocket& socket_;
  std::string pending_;
  WithDevice withDevice_;
};

const SyncSession::Entry SyncSession::kRequests[] = {
    {"STAT", &SyncSession::stat, ""},
    {"SEND", &SyncSession::send, "invalid data message"},
    {"RECV", &SyncSession::receive, ""},
    {"LIST", &SyncSession::list, ""},
};

bool SyncSession::need(size_t n) {
  char chunk[16384];
  while (pending_.size() < n) {
    const int got = socket_.receive(chunk, sizeof chunk);
    if (got <= 0) return false;
    pending_.append(chunk, static_cast<size_t>(got));
  }
  return true;
}

std::string SyncSession::take(size_t n) {
  std::string front = pending_.substr(0, n);
  pending_.erase(0, n);
  return front;
}

void SyncSession::run() {
  for (;;) {
    if (!need(kAdbSyncHeaderSize)) return;
    const AdbSyncHeader header = decodeAdbSyncHeader(take(kAdbSyncHeaderSize));
    if (header.is("QUIT")) break;
    if (header.value > kAdbSyncPathMax || !need(header.value)) {
      fail("invalid sync request");
      break;
    }
    const std::string arg = take(header.value);
    const auto entry = std::find_if(std::begin(kRequests), std::end(kRequests),
                                    [&](const Entry& e) { return header.is(e.id); });
    if (entry == std::end(kRequests)) {
      fail("unknown sync request");
      break;
    }
    const Next next = (this->*entry->run)(arg);
    if (next == Next::Stop) return;
    if (next == Next::Refuse) {
      fail(entry->refusal);
      break;
    }
  }
  closeGracefully(socket_);
}

SyncSession::Next SyncSession::stat(const std::string& arg) {
  uint32_t mode = 0, size = 0, mtime = 0;
  std::string path = arg;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  withDevice_([&](Device& d) {
    if (auto f = d.pushedFiles.find(path); f != d.pushedFiles.end()) {
      mode = 0100644;
      size = static_cast<uint32_t>(f->second.size());
      mtime = static_cast<uint32_t>(nowMs() / 1000);
      return;
    }
    for (const FileEntry& e : d.phone.files)
      if (e.path == path || path == "/") {
        mode = (path == "/" || e.isDir) ? 040771 : 0100644;
        size = static_cast<uint32_t>(e.size);
        mtime = static_cast<uint32_t>(e.modified / 1000);
        return;
      }
  });
  std::string out;
  appendAdbSync(out, "STAT", mode);
  putLe32(out, size);
  putLe32(out, mtime);
  return sent(out);
}

SyncSession::Next SyncSession::send(const std::string& arg) {
  const std::string path = arg.substr(0, arg.find_last_of(','));
  std::string content;
  for (;;) {
    if (!need(kAdbSyncHeaderSize)) return Next::Stop;
    const AdbSyncHeader part = decodeAdbSyncHeader(take(kAdbSyncHeaderSize));
    if (part.is("DONE")) break;
    if (!part.is("DATA") || part.value > kAdbSyncDataMax || content.size() + part.value > kMaxFile || !need(part.value))
      return Next::Refuse;
    content += take(part.value);
  }
  withDevice_([&](Device& d) {
    auto& files = d.phone.files;
    files.erase(std::remove_if(files.begin(), files.end(), [&](const FileEntry& f) { return f.path == path; }),
                files.end());
    files.push_back({path, 0, static_cast<int64_t>(content.size()), nowMs(), 1, 1, 0});
    d.pushedFiles[path] = std::move(content);
  });
  std::string out;
  appendAdbSync(out, "OKAY", 0);
  return sent(out);
}

SyncSession::Next SyncSession::receive(const std::string& path) {
  std::string content;
  bool found = false;
  withDevice_([&](Device& d) {
    if (auto f = d.pushedFiles.find(path); f != d.pushedFiles.end()) {
      content = f->second;
      found = true;
    } else if (path == "/system/build.prop") {
      for (const auto& [k, v] : deviceProperties(d)) content += k + "=" + v + "\n";
      found = true;
    }
  });
  if (!found) {
    fail("No such file or directory");  // the session goes on
    return Next::Continue;
  }
  std::string out;
  for (size_t at = 0; at < content.size(); at += kAdbSyncDataMax)
    appendAdbSyncText(out, "DATA", std::string_view(content).substr(at, kAdbSyncDataMax));
  appendAdbSync(out, "DONE", 0);
  return sent(out);
}

SyncSession::Next SyncSession::list(const std::string& folder) {
  std::string out;
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  withDevice_([&](Device& d) {
    for (const FileEntry& e : d.phone.files) {
      if (e.path == "/" || parentOf(e.path) != dir) continue;
      appendAdbSync(out, "DENT", e.isDir ? 040771 : 0100644);
      putLe32(out, static_cast<uint32_t>(e.size));
      putLe32(out, static_cast<uint32_t>(e.modified / 1000));
      const std::string name = baseName(e.path);
      putLe32(out, static_cast<uint32_t>(name.size()));
      out += name;
    }
  });
  appendAdbSync(out, "DONE", 0);
  for (int i = 0; i < 3; ++i) putLe32(out, 0);
  return sent(out);
}

}  // namespace

void VirtualPhone::sync(TcpSocket& socket, std::string pending, const std::string& serial) {
  SyncSession session(socket, std::move(pending), [this, &serial](const std::function<void(Device&)>& fn) {
    std::lock_guard lock(mutex_);
    if (auto d = findDevice(serial)) fn(*d);
  });
  session.run();
}

}  // namespace zorvik::sim
