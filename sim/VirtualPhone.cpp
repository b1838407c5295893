#include "sim/VirtualPhone.h"

#include "devlink/ByteOrder.h"
#include "sim/AdbProtocol.h"
#include "sim/AgentService.h"
#include "sim/ReplyWriter.h"
#include "sim/SimUtil.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
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

std::shared_ptr<Device> VirtualPhone::pickDevice(const std::string& serial, std::string& failure) {
  std::shared_ptr<Device> device;
  if (serial.empty()) {
    if (devices_.empty()) {
      failure = adbFail("no devices/emulators found");
      return nullptr;
    }
    if (devices_.size() > 1) {
      failure = adbFail("more than one device/emulator");
      return nullptr;
    }
    device = devices_.front();
  } else {
    device = findDevice(serial);
    if (!device) {
      failure = adbFail("device '" + serial + "' not found");
      return nullptr;
    }
  }
  if (device->state == "offline") {
    failure = adbFail("device offline");
    return nullptr;
  }
  if (device->state == "unauthorized") {
    failure = adbFail(
        "device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\n"
        "Try 'adb kill-server' if that seems wrong.\nOtherwise check for a confirmation dialog on your device.");
    return nullptr;
  }
  return device;
}

std::string VirtualPhone::deviceList(bool longForm) {
  std::string out;
  for (const auto& d : devices_) {
    if (longForm) {
      std::string line = d->serial;
      line.resize(std::max<size_t>(line.size(), 22), ' ');
      line += " " + d->state;
      if (d->state == "device") {
        std::string model = d->phone.system.model;
        std::replace(model.begin(), model.end(), ' ', '_');
        line += " product:" + d->phone.system.device + " model:" + model + " device:" + d->phone.system.device;
      }
      out += line + " transport_id:" + std::to_string(d->transportId) + "\n";
    } else {
      out += d->serial + "\t" + d->state + "\n";
    }
  }
  return out;
}

std::string VirtualPhone::listForwards() {
  std::string out;
  for (const auto& [port, f] : forwards_)
    out += f.serial + " tcp:" + std::to_string(f.localPort) + " tcp:" + std::to_string(f.remotePort) + "\n";
  return out;
}

std::string VirtualPhone::forwardService(const std::string& serial, const std::string& address, bool norebind) {
  const size_t semi = address.find(';');
  int local = 0, remote = 0;
  if (semi == std::string::npos || !parseTcpAddress(address.substr(0, semi), local) ||
      !parseTcpAddress(address.substr(semi + 1), remote))
    return adbFail("malformed forward address '" + address + "'");
  std::string failure;
  std::shared_ptr<TcpListener> listener;
  {
    std::lock_guard lock(mutex_);
    auto device = pickDevice(serial, failure);
    if (!device) return failure;
    if (switches_.forwardRefused) return adbFail("cannot bind listener: Address already in use");
    auto existing = forwards_.find(local);
    if (existing != forwards_.end()) {
      if (norebind) return adbFail("cannot rebind existing socket");
      existing->second.serial = device->serial;  // same port: only the target changes
      existing->second.remotePort = remote;
      return adbOkay() + adbOkay();
    }
    listener = std::make_shared<TcpListener>();
    if (!listener->listen(static_cast<uint16_t>(local)))
      return adbFail("cannot bind listener: Address already in use");
    const int port = listener->port();
    Forward& f = forwards_[port];
    f.serial = device->serial;
    f.localPort = port;
    f.remotePort = remote;
    f.listener = listener;
    f.acceptThread = std::thread([this, listener, port] { acceptForward(listener, port); });
    if (local == 0) return adbOkay() + adbOkayWithText(std::to_string(port));
  }
  return adbOkay() + adbOkay();
}

std::string VirtualPhone::killForward(const std::string& localAddress) {
  std::vector<Forward> removed;
  {
    std::lock_guard lock(mutex_);
    if (localAddress.empty()) {
      for (auto& [p, f] : forwards_) removed.push_back(std::move(f));
      forwards_.clear();
    } else {
      int local = 0;
      if (!parseTcpAddress(localAddress, local)) return adbFail("malformed forward address '" + localAddress + "'");
      auto it = forwards_.find(local);
      if (it == forwards_.end()) return adbFail("listener '" + localAddress + "' not found");
      removed.push_back(std::move(it->second));
      forwards_.erase(it);
    }
  }
  // Closed outside the lock, so that accept threads that want it can finish.
  for (Forward& f : removed) {
    f.listener->close();
    if (f.acceptThread.joinable()) f.acceptThread.join();
  }
  return adbOkay() + adbOkay();
}

std::string VirtualPhone::hostService(const std::string& request, bool& keepOpen, std::string& transportSerial,
                                      TcpSocket& socket) {
  keepOpen = false;
  std::string serial, command;
  if (startsWith(request, "host-serial:")) {
    if (!splitSerialRequest(request.substr(12), serial, command)) return adbFail("unknown host service");
  } else if (startsWith(request, "host-usb:") || startsWith(request, "host-any:")) {
    command = request.substr(9);
  } else if (startsWith(request, "host-local:")) {
    return adbFail("no emulators found");
  } else if (startsWith(request, "host:")) {
    command = request.substr(5);
  } else {
    // A device service without a transport: the server picks the only device.
    std::string failure;
    std::lock_guard lock(mutex_);
    auto device = pickDevice("", failure);
    if (!device) return failure;
    transportSerial = device->serial;
    return std::string();  // deviceServices sees the request again
  }

  if (command == "version") return adbOkayWithText("0029");
  if (command == "features" || command == "host-features") return adbOkayWithText("");
  if (command == "devices" || command == "devices-l") {
    std::lock_guard lock(mutex_);
    return adbOkayWithText(deviceList(command == "devices-l"));
  }
  if (command == "kill") return adbOkay();
  if (startsWith(command, "wait-for-")) {
    // "wait-for-any-device", "wait-for-usb-device", ...: answered once a device (the named one,
    // when a serial was given) is ready; the second OKAY is the status adb waits for.
    const std::string want = command.substr(command.rfind('-') + 1);
    for (int i = 0; i < 600 && !stopping_; ++i) {
      {
        std::lock_guard lock(mutex_);
        for (const auto& d : devices_)
          if ((serial.empty() || d->serial == serial) && (d->state == want || want == "any"))
            return adbOkay() + adbOkay();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return adbFail("timeout expired while waiting for device");
  }
  if (command == "track-devices") {
    // The list now and after every change, until the client goes away.
    if (!socket.sendAll("OKAY", 4)) return std::string();
    std::string last;
    bool first = true;
    while (!stopping_) {
      std::string list;
      {
        std::lock_guard lock(mutex_);
        list = deviceList(false);
      }
      if (first || list != last) {
        const std::string message = adbLengthPrefixed(list);
        if (!socket.sendAll(message.data(), message.size())) break;
        last = list;
        first = false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return std::string();
  }
  if (command == "list-forward") {
    std::lock_guard lock(mutex_);
    return adbOkayWithText(listForwards());
  }
  if (command == "killforward-all") return killForward("");
  if (startsWith(command, "killforward:")) return killForward(command.substr(12));
  if (startsWith(command, "forward:norebind:")) return forwardService(serial, command.substr(17), true);
  if (startsWith(command, "forward:")) return forwardService(serial, command.substr(8), false);
  if (command == "get-state" || command == "get-serialno" || command == "get-devpath") {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Device> d = serial.empty() ? (devices_.size() == 1 ? devices_.front() : nullptr) : findDevice(serial);
    if (!d) return adbFail(devices_.empty() ? "no devices/emulators found" : "device not found");
    if (command == "get-state") return adbOkayWithText(d->state);
    if (command == "get-serialno") return adbOkayWithText(d->serial);
    return adbOkayWithText("usb:1-1");
  }
  if (command == "transport-any" || command == "transport-usb" || startsWith(command, "transport:") ||
      startsWith(command, "tport:")) {
    std::string wanted;
    if (startsWith(command, "transport:")) wanted = command.substr(10);
    if (startsWith(command, "tport:serial:")) wanted = command.substr(13);
    std::string failure;
    std::lock_guard lock(mutex_);
    auto device = pickDevice(wanted, failure);
    if (!device) return failure;
    transportSerial = device->serial;
    if (startsWith(command, "tport:")) {
      std::string answer = adbOkay();
      putLe32(answer, static_cast<uint32_t>(device->transportId));
      putLe32(answer, 0);
      return answer;
    }
    return adbOkay();
  }
  return adbFail("unknown host service");
}

// ---------------------------------------------------------------- the agent behind a forward

void VirtualPhone::serveAgent(TcpSocket socket, int localPort) {
  SocketRegistration reg(mutex_, openSockets_, socket.handle());
  std::shared_ptr<Device> device;
  int remote = 0;
  {
    std::lock_guard lock(mutex_);
    auto f = forwards_.find(localPort);
    if (f != forwards_.end()) {
      device = findDevice(f->second.serial);
      remote = f->second.remotePort;
    }
    // Nothing listens on the phone: the forward accepts and the server closes at once.
    if (!device || device->state != "device" || remote != 50505 || !device->agentInstalled() || !device->agentRunning)
      device = nullptr;
  }
  if (!device) return;
  setReceiveTimeout(socket, 30);
  std::string request;
  char chunk[4096];
  RequestFrame frame;
  while ((frame = frameAgentRequest(reinterpret_cast<const unsigned char*>(request.data()), request.size())).status ==
         FrameStatus::NeedMore) {
    const size_t want = std::min(sizeof chunk, frame.wanted - request.size());
    const int got = socket.receive(chunk, want);
    if (got <= 0) return;
    request.append(chunk, static_cast<size_t>(got));
  }
  if (frame.status == FrameStatus::Malformed) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(request.data());
  const int32_t code = requestCode(bytes, request.size());
  std::string reply;
  Switches sw;
  {
    std::lock_guard lock(mutex_);
    sw = switches_;
    if (sw.noReplyFor.count(code)) {
      reply = statusWord(kAgentNoReply);
    } else {
      reply = answerAgentRequest(device->phone, bytes, frame.size, device->agentVersion);
    }
  }
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
