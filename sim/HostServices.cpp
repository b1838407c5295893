// The ADB server's host services: the device list, port forwards, waiting for a device and
// choosing one for a transport. Each request is one entry of HostCommands::kCommands.
#include "sim/AdbProtocol.h"
#include "sim/SimUtil.h"
#include "sim/VirtualPhone.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

namespace zorvik::sim {

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
    out += f.serial + " tcp:" + std::to_string(f.localPort) + " " +
           (f.remoteAbstract.empty() ? "tcp:" + std::to_string(f.remotePort) : "localabstract:" + f.remoteAbstract) +
           "\n";
  return out;
}

std::string VirtualPhone::forwardService(const std::string& serial, const std::string& address, bool norebind) {
  const size_t semi = address.find(';');
  int local = 0, remote = 0;
  // The device side is a port or an abstract unix socket ("localabstract:NAME", where the agent
  // listens).
  std::string abstract;
  const std::string target = semi == std::string::npos ? std::string() : address.substr(semi + 1);
  if (startsWith(target, "localabstract:")) abstract = target.substr(14);
  if (semi == std::string::npos || !parseTcpAddress(address.substr(0, semi), local) ||
      (abstract.empty() && !parseTcpAddress(target, remote)))
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
      existing->second.remoteAbstract = abstract;
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
    f.remoteAbstract = abstract;
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

// The host requests; friends of the server, so each reaches its devices and forwards directly.
struct HostCommands {
  // A request after its "host:" (or "host-serial:SERIAL:") prefix.
  struct Call {
    const std::string& serial;   // named by host-serial, else empty
    const std::string& command;  // "forward:tcp:0;tcp:50505", ...
    std::string& transportSerial;
    TcpSocket& socket;
  };
  using Run = std::string (*)(VirtualPhone&, Call&);
  struct Entry {
    const char* name;
    bool prefix;  // the name starts the command, which goes on with arguments
    Run run;
  };
  static const Entry kCommands[];

  static std::string version(VirtualPhone&, Call&) { return adbOkayWithText("0029"); }
  static std::string features(VirtualPhone&, Call&) { return adbOkayWithText(""); }
  static std::string kill(VirtualPhone&, Call&) { return adbOkay(); }
  static std::string devices(VirtualPhone& v, Call& c) {
    std::lock_guard lock(v.mutex_);
    return adbOkayWithText(v.deviceList(c.command == "devices-l"));
  }
  static std::string listForward(VirtualPhone& v, Call&) {
    std::lock_guard lock(v.mutex_);
    return adbOkayWithText(v.listForwards());
  }
  static std::string killForwardAll(VirtualPhone& v, Call&) { return v.killForward(""); }
  static std::string killForward(VirtualPhone& v, Call& c) { return v.killForward(c.command.substr(12)); }
  static std::string forwardNoRebind(VirtualPhone& v, Call& c) {
    return v.forwardService(c.serial, c.command.substr(17), true);
  }
  static std::string forward(VirtualPhone& v, Call& c) { return v.forwardService(c.serial, c.command.substr(8), false); }

  static std::string waitFor(VirtualPhone& v, Call& c) {
    // "wait-for-any-device", "wait-for-usb-device", ...: answered once a device (the named one,
    // when a serial was given) is ready; the second OKAY is the status adb waits for.
    const std::string want = c.command.substr(c.command.rfind('-') + 1);
    for (int i = 0; i < 600 && !v.stopping_; ++i) {
      {
        std::lock_guard lock(v.mutex_);
        for (const auto& d : v.devices_)
          if ((c.serial.empty() || d->serial == c.serial) && (d->state == want || want == "any"))
            return adbOkay() + adbOkay();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return adbFail("timeout expired while waiting for device");
  }

  static std::string trackDevices(VirtualPhone& v, Call& c) {
    // The list now and after every change, until the client goes away.
    if (!c.socket.sendAll("OKAY", 4)) return std::string();
    std::string last;
    bool first = true;
    while (!v.stopping_) {
      std::string list;
      {
        std::lock_guard lock(v.mutex_);
        list = v.deviceList(false);
      }
      if (first || list != last) {
        const std::string message = adbLengthPrefixed(list);
        if (!c.socket.sendAll(message.data(), message.size())) break;
        last = list;
        first = false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return std::string();
  }

  static std::string aboutDevice(VirtualPhone& v, Call& c) {
    std::lock_guard lock(v.mutex_);
    std::shared_ptr<Device> d =
        c.serial.empty() ? (v.devices_.size() == 1 ? v.devices_.front() : nullptr) : v.findDevice(c.serial);
    if (!d) return adbFail(v.devices_.empty() ? "no devices/emulators found" : "device not found");
    if (c.command == "get-state") return adbOkayWithText(d->state);
    if (c.command == "get-serialno") return adbOkayWithText(d->serial);
    return adbOkayWithText("usb:1-1");
  }

  static std::string transport(VirtualPhone& v, Call& c) {
    std::string wanted;
    if (startsWith(c.command, "transport:")) wanted = c.command.substr(10);
    if (startsWith(c.command, "tport:serial:")) wanted = c.command.substr(13);
    std::string failure;
    std::lock_guard lock(v.mutex_);
    auto device = v.pickDevice(wanted, failure);
    if (!device) return failure;
    c.transportSerial = device->serial;
    if (!startsWith(c.command, "tport:")) return adbOkay();
    std::string answer = adbOkay();
    putLe32(answer, static_cast<uint32_t>(device->transportId));
    putLe32(answer, 0);
    return answer;
  }
};

const HostCommands::Entry HostCommands::kCommands[] = {
    {"version", false, version},
    {"features", false, features},
    {"host-features", false, features},
    {"devices", false, devices},
    {"devices-l", false, devices},
    {"kill", false, kill},
    {"wait-for-", true, waitFor},
    {"track-devices", false, trackDevices},
    {"list-forward", false, listForward},
    {"killforward-all", false, killForwardAll},
    {"killforward:", true, killForward},
    {"forward:norebind:", true, forwardNoRebind},
    {"forward:", true, forward},
    {"get-state", false, aboutDevice},
    {"get-serialno", false, aboutDevice},
    {"get-devpath", false, aboutDevice},
    {"transport-any", false, transport},
    {"transport-usb", false, transport},
    {"transport:", true, transport},
    {"tport:", true, transport},
};

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
  const auto& table = HostCommands::kCommands;
  const auto entry = std::find_if(std::begin(table), std::end(table), [&](const HostCommands::Entry& e) {
    return e.prefix ? startsWith(command, e.name) : command == e.name;
  });
  if (entry == std::end(table)) return adbFail("unknown host service");
  HostCommands::Call call{serial, command, transportSerial, socket};
  return entry->run(*this, call);
}

}  // namespace zorvik::sim
