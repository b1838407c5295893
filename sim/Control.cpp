// The control channel's commands: one line in, one line out ("OK ..." or "ERR ..."). The command
// line's --set options run the same commands before the server opens.
#include "sim/AgentService.h"
#include "sim/VirtualPhone.h"

#include <sstream>

namespace zorvik::sim {

namespace {

bool toInt(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 10);
  return *end == '\0';
}

const char* kHelp =
    "OK commands: device add|remove|state SERIAL [device|offline|unauthorized]; "
    "agent installed|running 0|1 [SERIAL]; agent version|install-version N [SERIAL]; "
    "install outcome Success|INSTALL_...; forward refuse 0|1; reply pieces BYTES DELAY_MS; "
    "reply noreply CODE|off; reply truncate CODE BYTES|off; reply close-mid CODE|off; "
    "framebuffer bpp 16|32; count LIST [SERIAL]; reset; status; quit";

}  // namespace

std::string VirtualPhone::control(const std::string& line) {
  const std::vector<std::string> w = splitShellWords(line);
  if (w.empty()) return "ERR empty command";
  const std::string& verb = w[0];
  auto arg = [&](size_t i) { return i < w.size() ? w[i] : std::string(); };
  long long n = 0;

  if (verb == "help") return kHelp;
  if (verb == "quit" || verb == "kill") return "OK bye";
  if (verb == "device") {
    const std::string what = arg(1), serial = arg(2);
    const std::string state = arg(3).empty() ? "device" : arg(3);
    if (serial.empty()) return "ERR device needs a serial";
    if (state != "device" && state != "offline" && state != "unauthorized") return "ERR unknown state " + state;
    if (what == "add") {
      {
        std::lock_guard lock(mutex_);
        if (findDevice(serial)) return "ERR device " + serial + " exists";
      }
      addDevice(serial, state);
      return "OK";
    }
    std::lock_guard lock(mutex_);
    auto d = findDevice(serial);
    if (!d) return "ERR no device " + serial;
    if (what == "remove") {
      devices_.erase(std::find(devices_.begin(), devices_.end(), d));
      return "OK";
    }
    if (what == "state") {
      d->state = state;
      return "OK";
    }
    return "ERR unknown device command";
  }

  std::lock_guard lock(mutex_);
  // Device commands take an optional serial as their last word; without it they apply to all.
  auto eachDevice = [&](const std::string& serial, auto fn) -> std::string {
    bool any = false;
    for (auto& d : devices_)
      if (serial.empty() || d->serial == serial) {
        fn(*d);
        any = true;
      }
    return any ? "OK" : "ERR no device " + serial;
  };
  if (verb == "agent") {
    const std::string what = arg(1);
    if (!toInt(arg(2), n)) return "ERR agent " + what + " needs a number";
    if (what == "installed")
      return eachDevice(arg(3), [&](Device& d) {
        const bool has = d.agentInstalled();
        if (n && !has) {
          Package p;
          p.label = "Zorvik";
          p.name = kAgentPackage;
          p.version = "2.1";
          p.versionCode = 21;
          p.path = std::string("/data/app/") + kAgentPackage + "-1.apk";
          d.phone.packages.push_back(p);
        } else if (!n && has) {
          auto& pk = d.phone.packages;
          pk.erase(std::remove_if(pk.begin(), pk.end(), [](const Package& x) { return x.name == kAgentPackage; }), pk.end());
          d.agentRunning = false;
        }
      });
    if (what == "running") return eachDevice(arg(3), [&](Device& d) { d.agentRunning = n != 0; });
    if (what == "version") return eachDevice(arg(3), [&](Device& d) { d.agentVersion = static_cast<int32_t>(n); });
    if (what == "install-version")
      return eachDevice(arg(3), [&](Device& d) { d.installedAgentVersion = static_cast<int32_t>(n); });
    return "ERR unknown agent command";
  }
  if (verb == "install" && arg(1) == "outcome") {
    const std::string outcome = arg(2);
    if (outcome != "Success" && outcome.compare(0, 8, "INSTALL_") != 0) return "ERR outcome is Success or INSTALL_...";
    switches_.installOutcome = outcome;
    return "OK";
  }
  if (verb == "forward" && arg(1) == "refuse" && toInt(arg(2), n)) {
    switches_.forwardRefused = n != 0;
    return "OK";
  }
  if (verb == "reply") {
    const std::string what = arg(1);
    long long code = 0;
    const bool off = arg(2) == "off";
    if (what == "pieces") {
      long long delay = 0;
      if (!toInt(arg(2), n) || n < 0 || (!arg(3).empty() && !toInt(arg(3), delay)) || delay < 0 || delay > 10000)
        return "ERR reply pieces BYTES [DELAY_MS]";
      switches_.replyPiece = static_cast<size_t>(n);
      switches_.replyDelayMs = static_cast<int>(delay);
      return "OK";
    }
    if (!off && !toInt(arg(2), code)) return "ERR reply " + what + " needs a command code or off";
    if (what == "noreply") {
      if (off) switches_.noReplyFor.clear(); else switches_.noReplyFor.insert(static_cast<int32_t>(code));
      return "OK";
    }
    if (what == "truncate") {
      if (off) {
        switches_.truncateFor.clear();
        return "OK";
      }
      if (!toInt(arg(3), n) || n < 0) return "ERR reply truncate CODE BYTES";
      switches_.truncateFor[static_cast<int32_t>(code)] = static_cast<size_t>(n);
      return "OK";
    }
    if (what == "close-mid") {
      if (off) switches_.closeMidFor.clear(); else switches_.closeMidFor.insert(static_cast<int32_t>(code));
      return "OK";
    }
    return "ERR unknown reply command";
  }
  if (verb == "framebuffer" && arg(1) == "bpp" && toInt(arg(2), n) && (n == 16 || n == 32)) {
    switches_.framebufferBpp = static_cast<int>(n);
    return "OK";
  }
  if (verb == "reset") {
    switches_ = Switches{};
    return "OK";
  }
  if (verb == "count") {
    std::shared_ptr<Device> d = arg(2).empty() ? (devices_.empty() ? nullptr : devices_.front()) : findDevice(arg(2));
    if (!d) return "ERR no device";
    const PhoneState& p = d->phone;
    const std::string list = arg(1);
    size_t count = 0;
    if (list == "contacts") count = p.contacts.size();
    else if (list == "groups") count = p.groups.size();
    else if (list == "threads") count = p.threads.size();
    else if (list == "messages") for (const Thread& t : p.threads) count += t.messages.size();
    else if (list == "calls") count = p.calls.size();
    else if (list == "alarms") count = p.alarms.size();
    else if (list == "bookmarks") count = p.bookmarks.size();
    else if (list == "packages") count = p.packages.size();
    else if (list == "processes") count = p.processes.size();
    else if (list == "files") count = p.files.size();
    else return "ERR unknown list " + list;
    return "OK " + std::to_string(count);
  }
  if (verb == "status") {
    std::ostringstream out;
    out << "OK";
    for (const auto& d : devices_)
      out << " " << d->serial << ":" << d->state << ":agent=" << (d->agentInstalled() ? (d->agentRunning ? "running" : "stopped") : "absent")
          << ":v" << d->agentVersion;
    out << " forwards=" << forwards_.size() << " install=" << switches_.installOutcome;
    return out.str();
  }
  return "ERR unknown command (try help)";
}

}  // namespace zorvik::sim
