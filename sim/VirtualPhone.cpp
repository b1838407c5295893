#include "sim/VirtualPhone.h"

#include "devlink/ByteOrder.h"
#include "sim/AdbProtocol.h"
#include "sim/AgentService.h"
#include "phone/ReplyWriter.h"
#include "sim/SimUtil.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <sstream>

namespace zorvik::sim {

namespace {

void setReceiveTimeout(TcpSocket& socket, int seconds) {
  timeval tv{seconds, 0};
  ::setsockopt(socket.handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

}  // namespace

void closeGracefully(TcpSocket& socket) {
  if (!socket.valid()) return;
  socket.shutdownSend();
  setReceiveTimeout(socket, 2);
  char sink[512];
  for (int i = 0; i < 64 && socket.receive(sink, sizeof sink) > 0; ++i) {
  }
  socket.close();
}

// ---------------------------------------------------------------- life cycle

VirtualPhone::~VirtualPhone() { stop(); }

void VirtualPhone::addDevice(const std::string& serial, const std::string& state) {
  auto d = std::make_shared<Device>();
  d->serial = serial;
  d->state = state;
  std::lock_guard lock(mutex_);
  d->phone = base_;
  d->transportId = static_cast<int>(devices_.size()) + 1;
  devices_.push_back(std::move(d));
}

bool VirtualPhone::start(uint16_t adbPort, int controlPort, std::string& error) {
  if (!adbListener_.listen(adbPort)) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(adbPort);
    return false;
  }
  if (controlPort >= 0) {
    controlListener_ = std::make_unique<TcpListener>();
    if (!controlListener_->listen(static_cast<uint16_t>(controlPort))) {
      error = "cannot listen on control port " + std::to_string(controlPort);
      adbListener_.close();
      return false;
    }
    controlThread_ = std::thread([this] { acceptControl(); });
  }
  adbThread_ = std::thread([this] { acceptAdb(); });
  return true;
}

void VirtualPhone::requestStop() {
  std::lock_guard lock(stopMutex_);
  stopRequested_ = true;
  stopCv_.notify_all();
}

void VirtualPhone::waitUntilStopped() {
  std::unique_lock lock(stopMutex_);
  stopCv_.wait(lock, [this] { return stopRequested_; });
}

void VirtualPhone::stop() {
  if (joined_) return;
  stopping_ = true;
  adbListener_.close();
  if (controlListener_) controlListener_->close();
  std::vector<std::shared_ptr<TcpListener>> forwardListeners;
  std::vector<std::thread> forwardThreads;
  {
    std::lock_guard lock(mutex_);
    for (auto& [port, f] : forwards_) {
      forwardListeners.push_back(f.listener);
      forwardThreads.push_back(std::move(f.acceptThread));
    }
    forwards_.clear();
    for (NativeSocket s : openSockets_) ::shutdown(s, SHUT_RDWR);
  }
  for (auto& l : forwardListeners) l->close();
  if (adbThread_.joinable()) adbThread_.join();
  if (controlThread_.joinable()) controlThread_.join();
  for (auto& t : forwardThreads)
    if (t.joinable()) t.join();
  {
    std::unique_lock lock(stopMutex_);
    stopCv_.wait(lock, [this] { return activeWorkers_ == 0; });
  }
  joined_ = true;
  requestStop();
}

void VirtualPhone::spawn(std::function<void()> work) {
  // Connection threads are detached; the count of running ones lets stop() wait for them.
  {
    std::lock_guard lock(stopMutex_);
    ++activeWorkers_;
  }
  std::thread([this, work = std::move(work)] {
    work();
    std::lock_guard lock(stopMutex_);
    --activeWorkers_;
    stopCv_.notify_all();
  }).detach();
}

void VirtualPhone::acceptAdb() {
  while (!stopping_) {
    TcpSocket client = adbListener_.accept();
    if (!client.valid()) break;
    auto shared = std::make_shared<TcpSocket>(std::move(client));
    spawn([this, shared] { serveAdb(std::move(*shared)); });
  }
}

void VirtualPhone::acceptControl() {
  while (!stopping_) {
    TcpSocket client = controlListener_->accept();
    if (!client.valid()) break;
    auto shared = std::make_shared<TcpSocket>(std::move(client));
    spawn([this, shared] { serveControl(std::move(*shared)); });
  }
}

void VirtualPhone::acceptForward(std::shared_ptr<TcpListener> listener, int localPort) {
  while (!stopping_) {
    TcpSocket client = listener->accept();
    if (!client.valid()) break;
    auto shared = std::make_shared<TcpSocket>(std::move(client));
    spawn([this, shared, localPort] { serveAgent(std::move(*shared), localPort); });
  }
}

// Keeps a connection's socket known to stop() while it is served.
class SocketRegistration {
 public:
  SocketRegistration(std::mutex& m, std::set<NativeSocket>& set, NativeSocket s) : m_(m), set_(set), s_(s) {
    std::lock_guard lock(m_);
    set_.insert(s_);
  }
  ~SocketRegistration() {
    std::lock_guard lock(m_);
    set_.erase(s_);
  }

 private:
  std::mutex& m_;
  std::set<NativeSocket>& set_;
  NativeSocket s_;
};

// ---------------------------------------------------------------- the ADB port

void VirtualPhone::serveAdb(TcpSocket socket) {
  SocketRegistration reg(mutex_, openSockets_, socket.handle());
  setReceiveTimeout(socket, 60);
  std::string buffer;
  char chunk[1024];
  while (!stopping_) {
    const AdbFrame request = decodeAdbRequest(buffer);
    if (request.status == AdbDecode::Malformed) {
      const std::string fail = adbFail("invalid request");
      socket.sendAll(fail.data(), fail.size());
      closeGracefully(socket);
      return;
    }
    if (request.status == AdbDecode::NeedMore) {
      const int got = socket.receive(chunk, sizeof chunk);
      if (got <= 0) return;
      buffer.append(chunk, static_cast<size_t>(got));
      continue;
    }
    const std::string service(request.text);
    buffer.erase(0, request.consumed);
    bool keepOpen = false;
    std::string transportSerial;
    const std::string answer = hostService(service, keepOpen, transportSerial, socket);
    if (!answer.empty() && !socket.sendAll(answer.data(), answer.size())) return;
    if (!transportSerial.empty()) {
      deviceServices(socket, std::move(buffer), transportSerial);
      return;
    }
    if (!keepOpen) {
      closeGracefully(socket);
      if (service == "host:kill") requestStop();
      return;
    }
  }
}

std::shared_ptr<Device> VirtualPhone::findDevice(const std::string& serial) {
  for (auto& d : devices_)
    if (d->serial == serial) return d;
  return nullptr;
}

// ---------------------------------------------------------------- the agent behind a forward

namespace {

// Reads one whole agent request; false when the client leaves first or sends a malformed one.
bool receiveAgentRequest(TcpSocket& socket, std::string& request, RequestFrame& frame) {
  char chunk[4096];
  while ((frame = frameAgentRequest(reinterpret_cast<const unsigned char*>(request.data()), request.size())).status ==
         FrameStatus::NeedMore) {
    const size_t want = std::min(sizeof chunk, frame.wanted - request.size());
    const int got = socket.receive(chunk, want);
    if (got <= 0) return false;
    request.append(chunk, static_cast<size_t>(got));
  }
  return frame.status == FrameStatus::Complete;
}

// Writes a reply as the switches shape it: in pieces with pauses, or cut short (and then closed
// at once, as an agent that dies mid-reply would leave it).
void sendAgentReply(TcpSocket& socket, const std::string& reply, int32_t code, const Switches& sw) {
  size_t limit = reply.size();
  bool cut = false;
  if (auto t = sw.truncateFor.find(code); t != sw.truncateFor.end()) {
    limit = std::min(limit, t->second);
    cut = true;
  }
  if (sw.closeMidFor.count(code)) {
    limit = reply.size() / 2;
    cut = true;
  }
  const size_t piece = sw.replyPiece ? sw.replyPiece : std::max<size_t>(limit, 1);
  for (size_t at = 0; at < limit; at += piece) {
    if (sw.replyDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sw.replyDelayMs));
    if (!socket.sendAll(reply.data() + at, std::min(piece, limit - at))) return;
  }
  if (cut) {
    socket.close();
    return;
  }
  closeGracefully(socket);
}

}  // namespace

std::shared_ptr<Device> VirtualPhone::agentBehind(int localPort) {
  std::lock_guard lock(mutex_);
  auto f = forwards_.find(localPort);
  if (f == forwards_.end()) return nullptr;
  std::shared_ptr<Device> device = findDevice(f->second.serial);
  // Nothing listens on the phone: the forward accepts and the server closes at once.
  // The agent listens on its abstract socket; the TCP port of earlier agents is still accepted.
  const bool toAgent = f->second.remoteAbstract.empty() ? f->second.remotePort == kAgentPort
                                                        : f->second.remoteAbstract == kAgentSocketName;
  if (!device || device->state != "device" || !toAgent || !device->agentInstalled() || !device->agentRunning)
    return nullptr;
  return device;
}

namespace {

// The reply of an agent outside vphone (listening on an abstract unix socket of this host) to one
// request: everything it sends until it closes; false when nothing listens there or it fails.
bool askOutsideAgent(const std::string& name, const std::string& request, std::string& reply) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t n = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), n);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  timeval tv{30, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  char chunk[65536];
  while (ok) {
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got == 0) break;
    if (got < 0 || reply.size() > (size_t{1} << 28)) ok = false;
    else reply.append(chunk, static_cast<size_t>(got));
  }
  ::close(fd);
  return ok;
}

}  // namespace

void VirtualPhone::serveAgent(TcpSocket socket, int localPort) {
  SocketRegistration reg(mutex_, openSockets_, socket.handle());
  const std::shared_ptr<Device> device = agentBehind(localPort);
  if (!device) {
    // Closed with the request unread, the socket would end with a reset or a clean end as the
    // request happened to arrive; the PC then reads either a connection error or a cut reply.
    // A phone without its agent always ends the call cleanly.
    closeGracefully(socket);
    return;
  }
  setReceiveTimeout(socket, 30);
  std::string request;
  RequestFrame frame;
  if (!receiveAgentRequest(socket, request, frame)) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(request.data());
  const int32_t code = requestCode(bytes, request.size());
  std::string reply;
  Switches sw;
  {
    std::lock_guard lock(mutex_);
    sw = switches_;
    const auto refused = sw.refuseFor.find(code);
    if (sw.noReplyFor.count(code)) {
      reply = phone::statusWord(kAgentNoReply);
    } else if (refused != sw.refuseFor.end() || sw.outsideAgent.empty()) {
      reply = answerAgentRequest(device->phone, bytes, frame.size, device->agentVersion,
                                 refused != sw.refuseFor.end() ? refused->second : AgentRefusal::Unknown);
    }
  }
  // Another agent answers in vphone's place (the package's native code in a desktop harness).
  const bool outside = reply.empty() && !sw.outsideAgent.empty();
  if (outside && !askOutsideAgent(sw.outsideAgent, request.substr(0, frame.size), reply)) return;
  sendAgentReply(socket, reply, code, sw);
}

// ---------------------------------------------------------------- the control channel

void VirtualPhone::serveControl(TcpSocket socket) {
  SocketRegistration reg(mutex_, openSockets_, socket.handle());
  std::string buffer;
  char chunk[512];
  while (!stopping_) {
    const size_t nl = buffer.find('\n');
    if (nl == std::string::npos) {
      if (buffer.size() > 4096) return;
      const int got = socket.receive(chunk, sizeof chunk);
      if (got <= 0) return;
      buffer.append(chunk, static_cast<size_t>(got));
      continue;
    }
    std::string line = buffer.substr(0, nl);
    buffer.erase(0, nl + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string answer = control(line) + "\n";
    if (!socket.sendAll(answer.data(), answer.size())) return;
    if (line == "quit" || line == "kill") {
      closeGracefully(socket);
      requestStop();
      return;
    }
  }
}

}  // namespace zorvik::sim
