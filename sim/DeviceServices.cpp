// The services a device offers once a client has chosen it with a transport request: shell and
// exec commands (sim/DeviceShell.cpp), the sync protocol for push and pull (sim/SyncService.cpp),
// the framebuffer, and host requests sent on a socket bound to the device.
#include "sim/AdbProtocol.h"
#include "sim/DeviceShell.h"
#include "sim/Framebuffer.h"
#include "sim/SimUtil.h"
#include "sim/VirtualPhone.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <iterator>

namespace zorvik::sim {

namespace {

void answerAndClose(TcpSocket& socket, const std::string& answer) {
  socket.sendAll(answer.data(), answer.size());
  closeGracefully(socket);
}

}  // namespace

void VirtualPhone::deviceServices(TcpSocket& socket, std::string pending, const std::string& serial) {
  // A name ending in ':' is a prefix: what follows is the service's argument ("shell:getprop").
  struct Service {
    const char* name;
    bool prefix;
    void (VirtualPhone::*run)(TcpSocket&, std::string pending, const std::string& serial, const std::string& arg);
  };
  static const Service kServices[] = {
      {"shell:", true, &VirtualPhone::shellService},
      {"exec:", true, &VirtualPhone::shellService},
      {"sync:", false, &VirtualPhone::syncService},
      {"framebuffer:", false, &VirtualPhone::framebufferService},
      {"host:", true, &VirtualPhone::hostServiceOnDevice},
  };
  char chunk[1024];
  AdbFrame request;
  while ((request = decodeAdbRequest(pending)).status == AdbDecode::NeedMore) {
    const int got = socket.receive(chunk, sizeof chunk);
    if (got <= 0) return;
    pending.append(chunk, static_cast<size_t>(got));
  }
  if (request.status == AdbDecode::Malformed) return answerAndClose(socket, adbFail("invalid request"));
  const std::string service(request.text);
  pending.erase(0, request.consumed);
  const auto entry = std::find_if(std::begin(kServices), std::end(kServices), [&](const Service& s) {
    return s.prefix ? startsWith(service, s.name) : service == s.name;
  });
  // Services an older phone does not offer (shell v2, abb, reverse, root, ...).
  if (entry == std::end(kServices)) return answerAndClose(socket, adbFail("closed"));
  const std::string arg = entry->prefix ? service.substr(std::char_traits<char>::length(entry->name)) : std::string();
  (this->*entry->run)(socket, std::move(pending), serial, arg);
}

void VirtualPhone::hostServiceOnDevice(TcpSocket& socket, std::string, const std::string& serial,
                                       const std::string& command) {
  // adb sends its forward this way.
  bool keepOpen = false;
  std::string nextSerial;
  answerAndClose(socket, hostService("host-serial:" + serial + ":" + command, keepOpen, nextSerial, socket));
}

void VirtualPhone::shellService(TcpSocket& socket, std::string, const std::string& serial, const std::string& command) {
  std::string delayPrefix;
  int delayMs = 0;
  {
    std::lock_guard lock(mutex_);
    delayPrefix = switches_.shellDelayPrefix;
    delayMs = switches_.shellDelayMs;
  }
  // A phone that holds a command up ("shell delay"): the wait is outside the lock, and ends early
  // when the server stops or the client goes away.
  if (!delayPrefix.empty() && startsWith(command, delayPrefix.c_str())) {
    for (int waited = 0; waited < delayMs && !stopping_; waited += 50) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      char probe;
      if (::recv(socket.handle(), &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0) return;
    }
  }
  std::string output;
  {
    std::lock_guard lock(mutex_);
    auto device = findDevice(serial);
    if (!device) return answerAndClose(socket, adbFail("device '" + serial + "' not found"));
    device->shellLines.push_back(command);
    if (device->shellLines.size() > kShellRecordLines) device->shellLines.pop_front();
    output = runShell(*device, switches_, command);
  }
  if (command.empty()) output = "shell@" + serial + ":/ $ ";  // an interactive shell: show a prompt, then end
  answerAndClose(socket, adbOkay() + output);
}

void VirtualPhone::syncService(TcpSocket& socket, std::string pending, const std::string& serial, const std::string&) {
  socket.sendAll("OKAY", 4);
  sync(socket, std::move(pending), serial);
}

void VirtualPhone::framebufferService(TcpSocket& socket, std::string, const std::string&, const std::string&) {
  int bpp, width, height;
  {
    std::lock_guard lock(mutex_);
    bpp = switches_.framebufferBpp;
    width = switches_.framebufferWidth;
    height = switches_.framebufferHeight;
  }
  if (width == 0 && height == 0) {
    answerAndClose(socket, adbOkay() + framebufferImage(bpp, base_.system.model));
  } else {
    answerAndClose(socket, adbOkay() + framebufferOfShape(bpp, static_cast<uint32_t>(width), static_cast<uint32_t>(height)));
  }
}

}  // namespace zorvik::sim
