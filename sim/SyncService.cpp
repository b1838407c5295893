// The sync protocol behind "sync:": a 4-byte id and a little-endian length, for STAT,
// SEND/DATA/DONE, RECV, LIST and QUIT, one table entry each. A pushed file is kept in memory and
// shows up in the file manager's folder.
#include "sim/AdbProtocol.h"
#include "sim/DeviceShell.h"
#include "sim/SimUtil.h"
#include "sim/VirtualPhone.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace zorvik::sim {

namespace {

constexpr size_t kMaxFile = 256 * 1024 * 1024;
// Pushes arrive in receives of this size: several pieces at a time.
constexpr size_t kReceiveSize = 256 * 1024;

// Runs a function on the session's device under the server's lock (not at all once it is gone:
// then false).
using WithDevice = std::function<bool(const std::function<void(Device&)>&)>;

// The bytes of a file from the data set that was never pushed: the same for the same path, so a
// pulled copy can be checked.
char syntheticByte(const std::string& path, uint64_t at) {
  uint32_t h = 2166136261u;
  for (unsigned char c : path) h = (h ^ c) * 16777619u;
  return static_cast<char>((h >> (at % 24)) + at * 131 + (at >> 16));
}

// The link's mode as a phone's STAT gives it.
constexpr uint32_t kLinkMode = 0120777;

class SyncSession {
 public:
  SyncSession(TcpSocket& socket, std::string pending, WithDevice withDevice, std::function<int()> delayMs)
      : socket_(socket), pending_(std::move(pending)), withDevice_(std::move(withDevice)), delayMs_(std::move(delayMs)) {}

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

  // At least n bytes received and not yet taken (false when the connection ends first).
  bool need(size_t n);
  std::string take(size_t n);
  void takeInto(std::string& out, size_t n) {
    out.append(pending_, at_, n);
    at_ += n;
  }
  bool write(const std::string& bytes) { return socket_.sendAll(bytes.data(), bytes.size()); }
  void fail(const std::string& message) {
    std::string out;
    appendAdbSyncText(out, "FAIL", message);
    write(out);
  }
  Next sent(const std::string& bytes) { return write(bytes) ? Next::Continue : Next::Stop; }

  // Before each piece of a transfer: the pause tests asked for, and whether the phone is still
  // there (a removed device ends its transfers mid-file, as a pulled cable does).
  bool stillThere() {
    if (const int ms = delayMs_()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return withDevice_([](Device&) {});
  }

  TcpSocket& socket_;
  std::string pending_;  // received bytes; those before at_ are taken
  size_t at_ = 0;
  std::vector<char> chunk_ = std::vector<char>(kReceiveSize);
  WithDevice withDevice_;
  std::function<int()> delayMs_;
};

const SyncSession::Entry SyncSession::kRequests[] = {
    {"STAT", &SyncSession::stat, ""},
    {"SEND", &SyncSession::send, "invalid data message"},
    {"RECV", &SyncSession::receive, ""},
    {"LIST", &SyncSession::list, ""},
};

bool SyncSession::need(size_t n) {
  if (pending_.size() - at_ >= n) return true;
  pending_.erase(0, at_);
  at_ = 0;
  while (pending_.size() < n) {
    const int got = socket_.receive(chunk_.data(), static_cast<int>(chunk_.size()));
    if (got <= 0) return false;
    pending_.append(chunk_.data(), static_cast<size_t>(got));
  }
  return true;
}

std::string SyncSession::take(size_t n) {
  std::string front = pending_.substr(at_, n);
  at_ += n;
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
  // As lstat: the last link is not followed unless the path ends in "/".
  const bool follow = path.size() > 1 && path.back() == '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  withDevice_([&](Device& d) {
    const std::optional<std::string> at = resolvePhonePath(d, path, follow);
    if (!at) return;
    path = *at;
    if (path == "/") {
      mode = 040771;
      return;
    }
    if (auto l = d.links.find(path); l != d.links.end()) {
      mode = kLinkMode;
      size = static_cast<uint32_t>(l->second.size());
      return;
    }
    for (const FileEntry& e : d.phone.files)
      if (e.path == path) {
        mode = e.isDir ? 040771 : 0100644;
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
  uint32_t mtime = 0;
  for (;;) {
    if (!need(kAdbSyncHeaderSize)) return Next::Stop;
    const AdbSyncHeader part = decodeAdbSyncHeader(take(kAdbSyncHeaderSize));
    if (part.is("DONE")) {
      mtime = part.value;
      break;
    }
    if (!part.is("DATA") || part.value > kAdbSyncDataMax || content.size() + part.value > kMaxFile || !need(part.value))
      return Next::Refuse;
    if (!stillThere()) return Next::Stop;
    takeInto(content, part.value);
  }
  if (path.empty() || path[0] != '/') return Next::Refuse;
  const int64_t modified = mtime ? static_cast<int64_t>(mtime) * 1000 : nowMs();
  withDevice_([&](Device& d) {
    auto& files = d.phone.files;
    files.erase(std::remove_if(files.begin(), files.end(), [&](const FileEntry& f) { return f.path == path; }),
                files.end());
    // Folders on the way are made, as the phone's own push does.
    for (std::string dir = parentOf(path); dir.size() > 1; dir = parentOf(dir)) {
      if (std::any_of(files.begin(), files.end(), [&](const FileEntry& f) { return f.path == dir; })) break;
      files.push_back({dir, 1, 4096, modified, 1, 1, 0});
    }
    files.push_back({path, 0, static_cast<int64_t>(content.size()), modified, 1, 1, 0});
    d.pushedFiles[path] = std::make_shared<const std::string>(std::move(content));
  });
  std::string out;
  appendAdbSync(out, "OKAY", 0);
  return sent(out);
}

SyncSession::Next SyncSession::receive(const std::string& asked) {
  std::string path = asked;
  // A pushed file is shared, not copied: a push over it meanwhile replaces the map's pointer only.
  std::shared_ptr<const std::string> pushed;
  std::string made;
  int64_t synthetic = -1;  // a data-set file: its size, its bytes made up as they go
  bool found = false;
  withDevice_([&](Device& d) {
    path = resolvePhonePath(d, asked, true).value_or(std::string());
    if (auto f = d.pushedFiles.find(path); f != d.pushedFiles.end()) {
      pushed = f->second;
      found = true;
    } else if (path == "/system/build.prop") {
      for (const auto& [k, v] : deviceProperties(d)) made += k + "=" + v + "\n";
      found = true;
    } else {
      for (const FileEntry& e : d.phone.files)
        if (e.path == path && !e.isDir) {
          synthetic = e.size;
          found = true;
        }
    }
  });
  if (!found) {
    fail("No such file or directory");  // the session goes on
    return Next::Continue;
  }
  const std::string& content = pushed ? *pushed : made;
  const uint64_t total = synthetic >= 0 ? static_cast<uint64_t>(synthetic) : content.size();
  std::string out;
  for (uint64_t at = 0; at < total; at += kAdbSyncDataMax) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kAdbSyncDataMax, total - at));
    if (!stillThere()) return Next::Stop;
    out.clear();
    appendAdbSync(out, "DATA", static_cast<uint32_t>(n));
    if (synthetic >= 0) {
      for (size_t i = 0; i < n; ++i) out += syntheticByte(path, at + i);
    } else {
      out.append(content, static_cast<size_t>(at), n);
    }
    // The end goes out with the last piece: a lone small write would wait for the client's ack.
    if (at + n < total && !write(out)) return Next::Stop;
  }
  if (total == 0) out.clear();
  appendAdbSync(out, "DONE", 0);
  return sent(out);
}

SyncSession::Next SyncSession::list(const std::string& folder) {
  std::string out;
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  withDevice_([&](Device& d) {
    dir = resolvePhonePath(d, dir, true).value_or(std::string());
    for (const FileEntry& e : d.phone.files) {
      if (e.path == "/" || parentOf(e.path) != dir) continue;
      appendAdbSync(out, "DENT", d.links.count(e.path) ? kLinkMode : e.isDir ? 040771 : 0100644);
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

std::optional<std::string> resolvePhonePath(const Device& d, const std::string& path, bool followLast) {
  std::vector<std::string> todo;  // components still to walk, the next one last
  const auto push = [&todo](const std::string& p) {
    std::vector<std::string> parts;
    for (size_t at = 0; at <= p.size();) {
      const size_t slash = std::min(p.find('/', at), p.size());
      if (slash > at) parts.push_back(p.substr(at, slash - at));
      at = slash + 1;
    }
    todo.insert(todo.end(), parts.rbegin(), parts.rend());
  };
  push(path);
  std::string at;  // resolved so far; empty is the root
  int hops = 0;
  while (!todo.empty()) {
    const std::string part = todo.back();
    todo.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      at = at.empty() ? at : at.substr(0, at.find_last_of('/'));
      continue;
    }
    const std::string next = at + "/" + part;
    const auto link = d.links.find(next);
    if (link == d.links.end() || (todo.empty() && !followLast)) {
      at = next;
      continue;
    }
    if (++hops > 40) return std::nullopt;  // ELOOP
    if (!link->second.empty() && link->second[0] == '/') at.clear();
    push(link->second);
  }
  return at.empty() ? std::string("/") : at;
}

void VirtualPhone::sync(TcpSocket& socket, std::string pending, const std::string& serial) {
  SyncSession session(
      socket, std::move(pending),
      [this, &serial](const std::function<void(Device&)>& fn) {
        std::lock_guard lock(mutex_);
        auto d = findDevice(serial);
        if (d) fn(*d);
        return d != nullptr;
      },
      [this] {
        std::lock_guard lock(mutex_);
        return switches_.syncDelayMs;
      });
  session.run();
}

}  // namespace zorvik::sim
