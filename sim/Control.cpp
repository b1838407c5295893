// The control channel's commands: one line in, one line out ("OK ..." or "ERR ..."). The command
// line's --set options run the same commands before the server opens. Each command is one entry
// of kCommands: its verb and subcommand, whether it runs under the server's lock, and a function.
#include "sim/AgentService.h"
#include "sim/DeviceShell.h"
#include "sim/SimUtil.h"
#include "sim/VirtualPhone.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <sstream>

namespace zorvik::sim {

namespace {

using Words = std::vector<std::string>;

bool toInt(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 10);
  return *end == '\0';
}

std::string word(const Words& w, size_t i) { return i < w.size() ? w[i] : std::string(); }

void installAgent(Device& d) {
  Package p;
  p.label = "Zorvik";
  p.name = kAgentPackage;
  p.version = "2.1";
  p.versionCode = 21;
  p.path = std::string("/data/app/") + kAgentPackage + "-1.apk";
  d.phone.packages.push_back(p);
}

void removeAgent(Device& d) {
  auto& pk = d.phone.packages;
  pk.erase(std::remove_if(pk.begin(), pk.end(), [](const Package& x) { return x.name == kAgentPackage; }), pk.end());
  d.agentRunning = false;
}

// A reply fault for one command code, or for none ("off"): noreply and close-mid.
std::string codeSet(std::set<int32_t>& codes, const Words& w) {
  long long code = 0;
  if (word(w, 2) == "off") {
    codes.clear();
    return "OK";
  }
  if (!toInt(word(w, 2), code)) return "ERR reply " + w[1] + " needs a command code or off";
  codes.insert(static_cast<int32_t>(code));
  return "OK";
}

// A refusal reason by its name in the control channel, or by its number.
bool refusalNamed(const std::string& name, AgentRefusal& reason) {
  static const struct {
    const char* name;
    AgentRefusal reason;
  } kNames[] = {
      {"contacts-read", AgentRefusal::ContactsRead}, {"contacts-write", AgentRefusal::ContactsWrite},
      {"sms-read", AgentRefusal::SmsRead},           {"sms-send", AgentRefusal::SmsSend},
      {"sms-not-default", AgentRefusal::SmsNotDefaultApp}, {"call-log-read", AgentRefusal::CallLogRead},
      {"call-log-write", AgentRefusal::CallLogWrite}, {"phone-state", AgentRefusal::PhoneState},
      {"storage", AgentRefusal::Storage},           {"not-served", AgentRefusal::NotServed},
      {"alarms", AgentRefusal::AlarmsNotOffered},   {"bookmarks", AgentRefusal::BookmarksNotOffered},
      {"processes", AgentRefusal::ProcessesNotOffered}, {"setting", AgentRefusal::SettingNotChangeable},
      {"write-settings", AgentRefusal::SystemSettingsAccess}, {"usage", AgentRefusal::UsageAccess},
      {"clean", AgentRefusal::CleanNotOffered},     {"cache-sizes", AgentRefusal::CacheSizesNotOffered},
      {"unknown", AgentRefusal::Unknown},
  };
  for (const auto& n : kNames)
    if (name == n.name) {
      reason = n.reason;
      return true;
    }
  long long v = 0;
  if (!toInt(name, v) || v < INT32_MIN || v > INT32_MAX) return false;
  reason = static_cast<AgentRefusal>(v);
  return true;
}

size_t countOf(const PhoneState& p, const std::string& list, bool& known) {
  known = true;
  if (list == "contacts") return p.contacts.size();
  if (list == "groups") return p.groups.size();
  if (list == "threads") return p.threads.size();
  if (list == "calls") return p.calls.size();
  if (list == "alarms") return p.alarms.size();
  if (list == "bookmarks") return p.bookmarks.size();
  if (list == "packages") return p.packages.size();
  if (list == "processes") return p.processes.size();
  if (list == "files") return p.files.size();
  if (list == "messages") {
    size_t count = 0;
    for (const Thread& t : p.threads) count += t.messages.size();
    return count;
  }
  known = false;
  return 0;
}

}  // namespace

// The commands; friends of the server, so each reaches its devices and switches directly.
struct ControlCommands {
  using Run = std::string (*)(VirtualPhone&, const Words&);
  struct Entry {
    const char* verb;
    const char* what;   // the second word, or nullptr for any
    const char* usage;  // its words after the verb and subcommand, for help
    bool locked;        // runs under the server's lock
    Run run;
  };
  static const Entry kCommands[];

  static constexpr const char* kNeedsSerial = "ERR device needs a serial";

  // Every entry with its words: "OK commands: device add SERIAL [STATE]; ...".
  static std::string help(VirtualPhone&, const Words&);
  static std::string bye(VirtualPhone&, const Words&) { return "OK bye"; }

  // ---- devices: "device WHAT SERIAL ..."
  static std::string deviceProps(VirtualPhone& v, const Words& w) {
    // Another make of phone: manufacturer, model and SDK level as getprop and the agent tell them.
    long long sdk = 0;
    if (word(w, 2).empty()) return kNeedsSerial;
    if (word(w, 3).empty() || word(w, 4).empty() || !toInt(word(w, 5), sdk))
      return "ERR device props SERIAL MANUFACTURER MODEL SDK";
    auto d = v.findDevice(w[2]);
    if (!d) return "ERR no device " + w[2];
    d->phone.system.manufacturer = w[3];
    d->phone.system.brand = w[3];
    d->phone.system.model = w[4];
    d->phone.system.sdk = static_cast<int32_t>(sdk);
    return "OK";
  }
  // The state a device command names (default "device"); empty with an error when unknown or
  // when the serial is missing.
  static std::string stateOf(const Words& w, std::string& error) {
    if (word(w, 2).empty()) {
      error = kNeedsSerial;
      return {};
    }
    const std::string state = word(w, 3).empty() ? "device" : w[3];
    if (state == "device" || state == "offline" || state == "unauthorized") return state;
    error = "ERR unknown state " + state;
    return {};
  }
  static std::string deviceAdd(VirtualPhone& v, const Words& w) {
    std::string error;
    const std::string state = stateOf(w, error);
    if (state.empty()) return error;
    {
      std::lock_guard lock(v.mutex_);
      if (v.findDevice(w[2])) return "ERR device " + w[2] + " exists";
    }
    v.addDevice(w[2], state);
    return "OK";
  }
  static std::string deviceRemove(VirtualPhone& v, const Words& w) {
    std::string error;
    if (stateOf(w, error).empty()) return error;
    auto d = v.findDevice(w[2]);
    if (!d) return "ERR no device " + w[2];
    v.devices_.erase(std::find(v.devices_.begin(), v.devices_.end(), d));
    return "OK";
  }
  static std::string deviceState(VirtualPhone& v, const Words& w) {
    std::string error;
    const std::string state = stateOf(w, error);
    if (state.empty()) return error;
    auto d = v.findDevice(w[2]);
    if (!d) return "ERR no device " + w[2];
    d->state = state;
    return "OK";
  }

  // ---- the agent: "agent WHAT N [SERIAL]"; without a serial it applies to every device.
  template <class Change>
  static std::string eachDevice(VirtualPhone& v, const Words& w, Change change) {
    long long n = 0;
    if (!toInt(word(w, 2), n)) return "ERR agent " + w[1] + " needs a number";
    const std::string serial = word(w, 3);
    bool any = false;
    for (auto& d : v.devices_)
      if (serial.empty() || d->serial == serial) {
        change(*d, n);
        any = true;
      }
    return any ? "OK" : "ERR no device " + serial;
  }
  static std::string agentInstalled(VirtualPhone& v, const Words& w) {
    return eachDevice(v, w, [](Device& d, long long n) {
      if (n && !d.agentInstalled()) installAgent(d);
      else if (!n && d.agentInstalled()) removeAgent(d);
    });
  }
  static std::string agentRunning(VirtualPhone& v, const Words& w) {
    return eachDevice(v, w, [](Device& d, long long n) { d.agentRunning = n != 0; });
  }
  static std::string agentVersion(VirtualPhone& v, const Words& w) {
    return eachDevice(v, w, [](Device& d, long long n) { d.agentVersion = static_cast<int32_t>(n); });
  }
  static std::string agentInstallVersion(VirtualPhone& v, const Words& w) {
    return eachDevice(v, w, [](Device& d, long long n) { d.installedAgentVersion = static_cast<int32_t>(n); });
  }

  // ---- outcomes and faults
  static std::string installPackage(VirtualPhone& v, const Words& w) {
    // The name the next installs register, for packages copied under a temporary file name.
    v.switches_.installPackage = word(w, 2) == "auto" ? std::string() : word(w, 2);
    return "OK";
  }
  static std::string installOutcome(VirtualPhone& v, const Words& w) {
    const std::string outcome = word(w, 2);
    if (outcome != "Success" && outcome.compare(0, 8, "INSTALL_") != 0) return "ERR outcome is Success or INSTALL_...";
    v.switches_.installOutcome = outcome;
    return "OK";
  }
  static std::string installText(VirtualPhone& v, const Words& w) {
    // The rest of the line, as the tool's own messages read ("off" ends it).
    std::string text;
    for (size_t i = 2; i < w.size(); ++i) text += (i > 2 ? " " : "") + w[i];
    if (text.empty()) return "ERR install text TEXT|off";
    v.switches_.installText = text == "off" ? std::string() : text;
    return "OK";
  }
  static std::string forwardRefuse(VirtualPhone& v, const Words& w) {
    long long n = 0;
    if (!toInt(word(w, 2), n)) return "ERR forward refuse 0|1";
    v.switches_.forwardRefused = n != 0;
    return "OK";
  }
  static std::string replyPieces(VirtualPhone& v, const Words& w) {
    long long n = 0, delay = 0;
    if (!toInt(word(w, 2), n) || n < 0 || (!word(w, 3).empty() && !toInt(w[3], delay)) || delay < 0 || delay > 10000)
      return "ERR reply pieces BYTES [DELAY_MS]";
    v.switches_.replyPiece = static_cast<size_t>(n);
    v.switches_.replyDelayMs = static_cast<int>(delay);
    return "OK";
  }
  // ---- files: "file link PATH TARGET [SERIAL]", "file add PATH SIZE [SERIAL]",
  // "file remove PATH [SERIAL]"; without a serial on every device. Paths are absolute; the
  // folders on the way must exist.
  template <class Change>
  static std::string eachDeviceFile(VirtualPhone& v, const Words& w, size_t serialWord, Change change) {
    const std::string path = word(w, 2);
    if (path.size() < 2 || path[0] != '/' || path.back() == '/') return "ERR file needs an absolute path";
    const std::string serial = word(w, serialWord);
    bool any = false;
    for (auto& d : v.devices_)
      if (serial.empty() || d->serial == serial) {
        const auto& files = d->phone.files;
        const std::string parent = parentOf(path);
        if (parent != "/" && std::none_of(files.begin(), files.end(), [&](const FileEntry& f) {
              return f.path == parent && f.isDir;
            }))
          return "ERR no folder " + parent;
        change(*d, path);
        any = true;
      }
    return any ? "OK" : "ERR no device " + serial;
  }
  static void removeFile(Device& d, const std::string& path) {
    auto& files = d.phone.files;
    const auto under = [&](const std::string& p) { return p == path || p.rfind(path + "/", 0) == 0; };
    files.erase(std::remove_if(files.begin(), files.end(), [&](const FileEntry& f) { return under(f.path); }),
                files.end());
    for (auto it = d.links.begin(); it != d.links.end();) it = under(it->first) ? d.links.erase(it) : std::next(it);
    for (auto it = d.pushedFiles.begin(); it != d.pushedFiles.end();)
      it = under(it->first) ? d.pushedFiles.erase(it) : std::next(it);
  }
  static std::string fileLink(VirtualPhone& v, const Words& w) {
    const std::string target = word(w, 3);
    if (target.empty()) return "ERR file link PATH TARGET [SERIAL]";
    return eachDeviceFile(v, w, 4, [&](Device& d, const std::string& path) {
      removeFile(d, path);
      // Listed by the agent as a folder, as a phone's file manager shows a link to one.
      d.phone.files.push_back({path, 1, 4096, nowMs(), 1, 1, 0});
      d.links[path] = target;
    });
  }
  static std::string fileAdd(VirtualPhone& v, const Words& w) {
    long long size = 0;
    if (!toInt(word(w, 3), size) || size < 0 || size > (1LL << 31)) return "ERR file add PATH SIZE [SERIAL]";
    return eachDeviceFile(v, w, 4, [&](Device& d, const std::string& path) {
      removeFile(d, path);
      d.phone.files.push_back({path, 0, size, nowMs(), 1, 1, 0});
    });
  }
  static std::string fileRemove(VirtualPhone& v, const Words& w) {
    return eachDeviceFile(v, w, 3, [](Device& d, const std::string& path) { removeFile(d, path); });
  }

  static std::string syncDelay(VirtualPhone& v, const Words& w) {
    long long delay = 0;
    if (!toInt(word(w, 2), delay) || delay < 0 || delay > 10000) return "ERR sync delay MS";
    v.switches_.syncDelayMs = static_cast<int>(delay);
    return "OK";
  }
  static std::string replyNoReply(VirtualPhone& v, const Words& w) { return codeSet(v.switches_.noReplyFor, w); }
  static std::string replyCloseMid(VirtualPhone& v, const Words& w) { return codeSet(v.switches_.closeMidFor, w); }
  // "reply truncate CODE BYTES", "reply truncate CODE off" (that code only), "reply truncate off" (all).
  static std::string replyTruncate(VirtualPhone& v, const Words& w) {
    auto& truncateFor = v.switches_.truncateFor;
    long long code = 0, n = 0;
    if (word(w, 2) == "off") {
      truncateFor.clear();
      return "OK";
    }
    if (!toInt(word(w, 2), code)) return "ERR reply truncate needs a command code or off";
    if (word(w, 3) == "off") {
      truncateFor.erase(static_cast<int32_t>(code));
      return "OK";
    }
    if (!toInt(word(w, 3), n) || n < 0) return "ERR reply truncate CODE BYTES|off";
    truncateFor[static_cast<int32_t>(code)] = static_cast<size_t>(n);
    return "OK";
  }
  // "reply refuse CODE REASON", "reply refuse CODE off", "reply refuse off" (every code).
  static std::string replyRefuse(VirtualPhone& v, const Words& w) {
    auto& refuseFor = v.switches_.refuseFor;
    long long code = 0;
    AgentRefusal reason{};
    if (word(w, 2) == "off") {
      refuseFor.clear();
      return "OK";
    }
    if (!toInt(word(w, 2), code)) return "ERR reply refuse needs a command code or off";
    if (word(w, 3) == "off") {
      refuseFor.erase(static_cast<int32_t>(code));
      return "OK";
    }
    if (!refusalNamed(word(w, 3), reason)) return "ERR reply refuse CODE REASON|off (sms-read, call-log-read, ... or a number)";
    refuseFor[static_cast<int32_t>(code)] = reason;
    return "OK";
  }
  // "agent outside NAME|off": agent requests go to the abstract unix socket NAME of this host.
  static std::string agentOutside(VirtualPhone& v, const Words& w) {
    const std::string name = word(w, 2);
    if (name.empty() || name.size() > 100) return "ERR agent outside NAME|off";
    v.switches_.outsideAgent = name == "off" ? std::string() : name;
    return "OK";
  }
  // "shell delay MS PREFIX..." (command lines starting with PREFIX wait MS first), "shell delay off".
  static std::string shellDelay(VirtualPhone& v, const Words& w) {
    long long ms = 0;
    if (word(w, 2) == "off") {
      v.switches_.shellDelayPrefix.clear();
      v.switches_.shellDelayMs = 0;
      return "OK";
    }
    std::string prefix;
    for (size_t i = 3; i < w.size(); ++i) prefix += (i > 3 ? " " : "") + w[i];
    if (!toInt(word(w, 2), ms) || ms < 0 || ms > 600000 || prefix.empty()) return "ERR shell delay MS PREFIX...|off";
    v.switches_.shellDelayPrefix = prefix;
    v.switches_.shellDelayMs = static_cast<int>(ms);
    return "OK";
  }
  // "agent grants [SERIAL]": what the agent was given: "OK install-g=0|1 [PERMISSION...] [OP=MODE...]".
  static std::string agentGrants(VirtualPhone& v, const Words& w) {
    const std::string serial = word(w, 2);
    std::shared_ptr<Device> d =
        serial.empty() ? (v.devices_.empty() ? nullptr : v.devices_.front()) : v.findDevice(serial);
    if (!d) return "ERR no device";
    std::string out = std::string("OK install-g=") + (d->grantedAtInstall ? "1" : "0");
    for (const std::string& g : d->grants) out += " " + g;
    for (const auto& [op, mode] : d->appops) out += " " + op + "=" + mode;
    return out;
  }
  static std::string framebufferBpp(VirtualPhone& v, const Words& w) {
    long long n = 0;
    if (!toInt(word(w, 2), n) || (n != 16 && n != 32)) return "ERR framebuffer bpp 16|32";
    v.switches_.framebufferBpp = static_cast<int>(n);
    return "OK";
  }
  // "framebuffer shape W H": a plain frame of that shape (either side 0..8192, at most 16 M
  // pixels); "framebuffer shape off": the home screen again.
  static std::string framebufferShape(VirtualPhone& v, const Words& w) {
    long long width = 0, height = 0;
    if (word(w, 2) == "off") {
      v.switches_.framebufferWidth = v.switches_.framebufferHeight = 0;
      return "OK";
    }
    if (!toInt(word(w, 2), width) || !toInt(word(w, 3), height) || width < 0 || height < 0 || width > 8192 ||
        height > 8192 || width * height > 16 * 1024 * 1024 || width + height == 0) {
      return "ERR framebuffer shape W H|off";
    }
    v.switches_.framebufferWidth = static_cast<int>(width);
    v.switches_.framebufferHeight = static_cast<int>(height);
    return "OK";
  }
  // The faults go; where the agent answers from ("agent outside") is wiring and stays.
  static std::string reset(VirtualPhone& v, const Words&) {
    std::string outside = std::move(v.switches_.outsideAgent);
    v.switches_ = Switches{};
    v.switches_.outsideAgent = std::move(outside);
    return "OK";
  }

  // ---- questions
  static std::string count(VirtualPhone& v, const Words& w) {
    const std::string serial = word(w, 2);
    std::shared_ptr<Device> d =
        serial.empty() ? (v.devices_.empty() ? nullptr : v.devices_.front()) : v.findDevice(serial);
    if (!d) return "ERR no device";
    bool known = false;
    const size_t n = countOf(d->phone, word(w, 1), known);
    return known ? "OK " + std::to_string(n) : "ERR unknown list " + word(w, 1);
  }
  // "shell ran SERIAL TEXT...": how many of the command lines the device's shell was given hold TEXT.
  static std::string shellRan(VirtualPhone& v, const Words& w) {
    std::string text;
    for (size_t i = 3; i < w.size(); ++i) text += (i > 3 ? " " : "") + w[i];
    std::shared_ptr<Device> d = v.findDevice(word(w, 2));
    if (!d) return "ERR no device";
    if (text.empty()) return "ERR shell ran SERIAL TEXT...";
    size_t n = 0;
    for (const std::string& line : d->shellLines) n += line.find(text) != std::string::npos;
    return "OK " + std::to_string(n);
  }
  static std::string status(VirtualPhone& v, const Words&) {
    std::ostringstream out;
    out << "OK";
    for (const auto& d : v.devices_)
      out << " " << d->serial << ":" << d->state
          << ":agent=" << (d->agentInstalled() ? (d->agentRunning ? "running" : "stopped") : "absent") << ":v"
          << d->agentVersion;
    out << " forwards=" << v.forwards_.size() << " install=" << v.switches_.installOutcome;
    if (!v.switches_.outsideAgent.empty()) out << " outside=" << v.switches_.outsideAgent;
    return out.str();
  }
};

const ControlCommands::Entry ControlCommands::kCommands[] = {
    {"help", nullptr, "", false, help},
    {"quit", nullptr, "", false, bye},
    {"kill", nullptr, "", false, bye},
    // Adding a device takes the lock itself, as addDevice does.
    {"device", "add", "SERIAL [device|offline|unauthorized]", false, deviceAdd},
    {"device", "remove", "SERIAL", true, deviceRemove},
    {"device", "state", "SERIAL device|offline|unauthorized", true, deviceState},
    {"device", "props", "SERIAL MANUFACTURER MODEL SDK", true, deviceProps},
    {"agent", "installed", "0|1 [SERIAL]", true, agentInstalled},
    {"agent", "running", "0|1 [SERIAL]", true, agentRunning},
    {"agent", "version", "N [SERIAL]", true, agentVersion},
    {"agent", "install-version", "N [SERIAL]", true, agentInstallVersion},
    {"agent", "outside", "NAME|off", true, agentOutside},
    {"agent", "grants", "[SERIAL]", true, agentGrants},
    {"install", "package", "NAME|auto", true, installPackage},
    {"install", "outcome", "Success|INSTALL_...", true, installOutcome},
    {"install", "text", "TEXT...|off", true, installText},
    {"forward", "refuse", "0|1", true, forwardRefuse},
    {"reply", "pieces", "BYTES [DELAY_MS]", true, replyPieces},
    {"sync", "delay", "MS", true, syncDelay},
    {"file", "link", "PATH TARGET [SERIAL]", true, fileLink},
    {"file", "add", "PATH SIZE [SERIAL]", true, fileAdd},
    {"file", "remove", "PATH [SERIAL]", true, fileRemove},
    {"reply", "noreply", "CODE|off", true, replyNoReply},
    {"reply", "truncate", "CODE BYTES|off", true, replyTruncate},
    {"reply", "close-mid", "CODE|off", true, replyCloseMid},
    {"reply", "refuse", "CODE REASON|off", true, replyRefuse},
    {"shell", "delay", "MS PREFIX...|off", true, shellDelay},
    {"shell", "ran", "SERIAL TEXT...", true, shellRan},
    {"framebuffer", "bpp", "16|32", true, framebufferBpp},
    {"framebuffer", "shape", "W H|off", true, framebufferShape},
    {"reset", nullptr, "", true, reset},
    {"count", nullptr, "LIST [SERIAL]", true, count},
    {"status", nullptr, "", true, status},
};

std::string ControlCommands::help(VirtualPhone&, const Words&) {
  std::string out = "OK commands:";
  for (const Entry& e : kCommands) {
    out += std::string(&e == kCommands ? " " : "; ") + e.verb;
    if (e.what) out += std::string(" ") + e.what;
    if (*e.usage) out += std::string(" ") + e.usage;
  }
  return out;
}

std::string VirtualPhone::control(const std::string& line) {
  const Words w = splitShellWords(line);
  if (w.empty()) return "ERR empty command";
  const std::string what = word(w, 1);
  const auto& table = ControlCommands::kCommands;
  const auto entry = std::find_if(std::begin(table), std::end(table), [&](const ControlCommands::Entry& e) {
    return w[0] == e.verb && (!e.what || what == e.what);
  });
  if (entry == std::end(table)) {
    const bool knownVerb = std::any_of(std::begin(table), std::end(table),
                                       [&](const ControlCommands::Entry& e) { return w[0] == e.verb; });
    return knownVerb ? "ERR unknown " + w[0] + " command" : "ERR unknown command (try help)";
  }
  if (!entry->locked) return entry->run(*this, w);
  std::lock_guard lock(mutex_);
  return entry->run(*this, w);
}

}  // namespace zorvik::sim
