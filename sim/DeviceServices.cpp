// The services a device offers once a client has chosen it with a transport request: shell and
// exec commands (an older phone's getprop, pm, am, rm, ls), the sync protocol for push and pull,
// and the framebuffer.
#include "sim/AdbProtocol.h"
#include "sim/Framebuffer.h"
#include "sim/VirtualPhone.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>

namespace zorvik::sim {

namespace {

bool startsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void finish(TcpSocket& socket) {
  socket.shutdownSend();
  timeval tv{2, 0};
  ::setsockopt(socket.handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char sink[512];
  for (int i = 0; i < 64 && socket.receive(sink, sizeof sink) > 0; ++i) {
  }
  socket.close();
}

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

// The old phone's shell runs on a pseudo-terminal: lines end with CR LF.
std::string lines(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::map<std::string, std::string> properties(const Device& d) {
  const SystemFacts& f = d.phone.system;
  std::string model = f.model;
  return {
      {"ro.build.version.sdk", std::to_string(f.sdk)},
      {"ro.build.version.release", f.release},
      {"ro.build.version.incremental", "JLB18.0"},
      {"ro.build.id", f.buildId},
      {"ro.build.display.id", f.buildId + " release-keys"},
      {"ro.build.type", "user"},
      {"ro.build.tags", "release-keys"},
      {"ro.build.fingerprint", f.brand + "/" + f.device + "/" + f.device + ":" + f.release + "/" + f.buildId + "/JLB18.0:user/release-keys"},
      {"ro.product.model", model},
      {"ro.product.manufacturer", f.manufacturer},
      {"ro.product.brand", f.brand},
      {"ro.product.name", f.device},
      {"ro.product.device", f.device},
      {"ro.product.board", "MSM8960"},
      {"ro.product.cpu.abi", "armeabi-v7a"},
      {"ro.product.cpu.abi2", "armeabi"},
      {"ro.product.locale.language", "zh"},
      {"ro.product.locale.region", "CN"},
      {"ro.serialno", d.serial},
      {"ro.secure", "1"},
      {"ro.debuggable", "0"},
      {"ro.sf.lcd_density", "320"},
      {"ro.carrier", "unknown"},
      {"persist.sys.timezone", "Asia/Shanghai"},
      {"persist.sys.language", "zh"},
      {"persist.sys.country", "CN"},
      {"persist.sys.usb.config", "mtp,adb"},
      {"gsm.operator.alpha", "CHINA MOBILE"},
      {"gsm.operator.numeric", "46000"},
      {"gsm.sim.operator.numeric", "46000"},
      {"gsm.sim.state", "READY"},
      {"gsm.network.type", "UMTS"},
      {"dalvik.vm.heapsize", "256m"},
      {"dalvik.vm.heapgrowthlimit", "96m"},
      {"net.hostname", "android-" + d.serial.substr(0, std::min<size_t>(8, d.serial.size()))},
      {"wifi.interface", "wlan0"},
      {"init.svc.adbd", "running"},
      {"sys.boot_completed", "1"},
      {"sys.usb.state", "mtp,adb"},
  };
}

}  // namespace

std::vector<std::string> splitShellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else if (c == '\\' && quote == '"' && i + 1 < line.size()) {
        word += line[++i];
      } else {
        word += c;
      }
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

void VirtualPhone::deviceServices(TcpSocket& socket, std::string pending, const std::string& serial) {
  char chunk[1024];
  AdbRequest request;
  while ((request = parseAdbRequest(pending.data(), pending.size())).status == AdbRequest::NeedMore) {
    const int got = socket.receive(chunk, sizeof chunk);
    if (got <= 0) return;
    pending.append(chunk, static_cast<size_t>(got));
  }
  if (request.status == AdbRequest::Malformed) {
    const std::string fail = adbFail("invalid request");
    socket.sendAll(fail.data(), fail.size());
    finish(socket);
    return;
  }
  pending.erase(0, request.consumed);
  const std::string& service = request.payload;
  if (startsWith(service, "host:")) {
    // A host request on a socket bound to this device (adb sends its forward this way).
    bool keepOpen = false;
    std::string nextSerial;
    const std::string answer =
        hostService("host-serial:" + serial + ":" + service.substr(5), keepOpen, nextSerial, socket);
    socket.sendAll(answer.data(), answer.size());
    finish(socket);
    return;
  }
  std::string command;
  if (startsWith(service, "shell:")) {
    command = service.substr(6);
  } else if (startsWith(service, "exec:")) {
    command = service.substr(5);
  } else if (service == "sync:") {
    socket.sendAll("OKAY", 4);
    sync(socket, std::move(pending), serial);
    return;
  } else if (service == "framebuffer:") {
    int bpp;
    {
      std::lock_guard lock(mutex_);
      bpp = switches_.framebufferBpp;
    }
    const std::string image = framebuffer(bpp);
    if (socket.sendAll("OKAY", 4)) socket.sendAll(image.data(), image.size());
    finish(socket);
    return;
  } else {
    // Services an older phone does not offer (shell v2, abb, reverse, root, ...).
    const std::string fail = adbFail("closed");
    socket.sendAll(fail.data(), fail.size());
    finish(socket);
    return;
  }
  std::string output;
  {
    std::lock_guard lock(mutex_);
    auto device = findDevice(serial);
    if (!device) {
      const std::string fail = adbFail("device '" + serial + "' not found");
      socket.sendAll(fail.data(), fail.size());
      finish(socket);
      return;
    }
    output = shell(*device, command);
  }
  if (command.empty()) output = "shell@" + serial + ":/ $ ";  // an interactive shell: show a prompt, then end
  if (socket.sendAll("OKAY", 4)) socket.sendAll(output.data(), output.size());
  finish(socket);
}

// Runs one shell command line on the device (the caller holds the lock). Only the commands an
// adb client and this suite send are known; the rest answer as sh does for a missing program.
std::string VirtualPhone::shell(Device& d, const std::string& commandLine) {
  std::string out;
  // Command lists ("a; b", "a && b") run one after another.
  std::vector<std::string> parts;
  {
    std::string cur;
    char quote = 0;
    for (size_t i = 0; i < commandLine.size(); ++i) {
      const char c = commandLine[i];
      if (quote) {
        if (c == quote) quote = 0;
        cur += c;
      } else if (c == '\'' || c == '"') {
        quote = c;
        cur += c;
      } else if (c == ';' || (c == '&' && i + 1 < commandLine.size() && commandLine[i + 1] == '&')) {
        if (c == '&') ++i;
        parts.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    parts.push_back(cur);
  }
  PhoneState& p = d.phone;
  for (const std::string& part : parts) {
    std::vector<std::string> w;
    for (std::string& word : splitShellWords(part)) {
      // Redirections ("</dev/null", "2>&1") are the shell's business, not the command's.
      const bool redirect = !word.empty() && (word[0] == '<' || word[0] == '>' ||
                                              (word.size() > 1 && std::isdigit(static_cast<unsigned char>(word[0])) && word[1] == '>'));
      if (!redirect) w.push_back(std::move(word));
    }
    if (w.empty()) continue;
    const std::string& cmd = w[0];
    if (cmd == "getprop") {
      const auto props = properties(d);
      if (w.size() >= 2) {
        auto it = props.find(w[1]);
        out += (it == props.end() ? (w.size() >= 3 ? w[2] : std::string()) : it->second) + "\n";
      } else {
        for (const auto& [k, v] : props) out += "[" + k + "]: [" + v + "]\n";
      }
    } else if (cmd == "pm" && w.size() >= 2 && w[1] == "list" && w.size() >= 3 &&
               (w[2] == "package" || w[2] == "packages")) {
      bool withPath = false, onlySystem = false, onlyThird = false;
      std::string filter;
      for (size_t i = 3; i < w.size(); ++i) {
        if (w[i] == "-f") withPath = true;
        else if (w[i] == "-s") onlySystem = true;
        else if (w[i] == "-3") onlyThird = true;
        else if (w[i][0] != '-') filter = w[i];
      }
      for (const Package& pkg : p.packages) {
        if ((onlySystem && !pkg.system) || (onlyThird && pkg.system)) continue;
        if (!filter.empty() && pkg.name.find(filter) == std::string::npos) continue;
        out += "package:" + (withPath ? pkg.path + "=" : std::string()) + pkg.name + "\n";
      }
    } else if (cmd == "pm" && w.size() >= 2 && w[1] == "path" && w.size() >= 3) {
      if (const Package* pkg = p.findPackage(w[2])) out += "package:" + pkg->path + "\n";
    } else if (cmd == "pm" && w.size() >= 2 && w[1] == "install") {
      bool replace = false, sdcard = false;
      std::string path;
      for (size_t i = 2; i < w.size(); ++i) {
        if (w[i] == "-r") replace = true;
        else if (w[i] == "-s") sdcard = true;
        else if (w[i][0] != '-') path = w[i];
      }
      out += "\tpkg: " + path + "\n";
      auto file = d.pushedFiles.find(path);
      if (path.empty() || file == d.pushedFiles.end()) {
        out += "Failure [INSTALL_FAILED_INVALID_URI]\n";
        continue;
      }
      if (file->second.compare(0, 2, "PK") != 0) {
        out += "Failure [INSTALL_FAILED_INVALID_APK]\n";
        continue;
      }
      if (switches_.installOutcome != "Success") {
        out += "Failure [" + switches_.installOutcome + "]\n";
        continue;
      }
      // The package name comes from the file name until the manifest decoder is in the project.
      std::string name = baseName(path);
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".apk") == 0) name.resize(name.size() - 4);
      Package* existing = nullptr;
      for (Package& pkg : p.packages)
        if (pkg.name == name) existing = &pkg;
      if (existing && !replace) {
        out += "Failure [INSTALL_FAILED_ALREADY_EXISTS]\n";
        continue;
      }
      if (!existing) {
        p.packages.push_back({});
        existing = &p.packages.back();
        existing->name = name;
        existing->label = name.substr(name.find_last_of('.') + 1);
        existing->version = "1.0";
        existing->versionCode = 1;
      }
      existing->size = static_cast<int64_t>(file->second.size());
      existing->installTime = nowMs();
      existing->path = sdcard ? "/mnt/asec/" + name + "-1/pkg.apk" : "/data/app/" + name + "-1.apk";
      if (name == kAgentPackage) {
        // A new agent replaces the old one, which stops: it answers again once started.
        d.agentVersion = d.installedAgentVersion;
        d.agentRunning = false;
      }
      p.processes.erase(std::remove_if(p.processes.begin(), p.processes.end(),
                                       [&](const Process& r) { return r.package == name; }),
                        p.processes.end());
      out += "Success\n";
    } else if (cmd == "pm" && w.size() >= 3 && w[1] == "uninstall") {
      const std::string& name = w.back();
      auto it = std::find_if(p.packages.begin(), p.packages.end(), [&](const Package& pkg) { return pkg.name == name; });
      if (it == p.packages.end() || it->system) {
        out += "Failure\n";
        continue;
      }
      p.packages.erase(it);
      p.processes.erase(std::remove_if(p.processes.begin(), p.processes.end(),
                                       [&](const Process& r) { return r.package == name; }),
                        p.processes.end());
      p.cache.erase(std::remove_if(p.cache.begin(), p.cache.end(), [&](const CacheEntry& c) { return c.package == name; }),
                    p.cache.end());
      if (name == kAgentPackage) d.agentRunning = false;
      out += "Success\n";
    } else if (cmd == "pm") {
      out += "usage: pm list packages [-f] [-d] [-e] [-s] [-3] [-i] [-u] [FILTER]\n";
    } else if (cmd == "am" && w.size() >= 2 && w[1] == "start") {
      std::string component;
      for (size_t i = 2; i + 1 < w.size(); ++i)
        if (w[i] == "-n") component = w[i + 1];
      const size_t slash = component.find('/');
      const std::string pkgName = component.substr(0, slash);
      if (slash == std::string::npos || !p.findPackage(pkgName)) {
        out += "Starting: Intent { cmp=" + component + " }\nError type 3\nError: Activity class {" + component +
               "} does not exist.\n";
        continue;
      }
      out += "Starting: Intent { act=android.intent.action.MAIN cat=[android.intent.category.LAUNCHER] cmp=" + component + " }\n";
      if (pkgName == kAgentPackage) d.agentRunning = true;
      if (std::none_of(p.processes.begin(), p.processes.end(), [&](const Process& r) { return r.package == pkgName; })) {
        int32_t pid = 100;
        for (const Process& r : p.processes) pid = std::max(pid, r.pid);
        p.processes.push_back({pid + 11, pkgName, pkgName, p.findPackage(pkgName)->label, 100, 2, 16 * 1024 * 1024, 0});
      }
    } else if (cmd == "am") {
      out += "usage: am [subcommand] [options]\n";
    } else if (cmd == "rm") {
      bool force = false;
      for (size_t i = 1; i < w.size(); ++i) {
        if (w[i][0] == '-') {
          force = force || w[i].find('f') != std::string::npos;
          continue;
        }
        const bool existed = d.pushedFiles.erase(w[i]) > 0;
        const size_t before = p.files.size();
        p.files.erase(std::remove_if(p.files.begin(), p.files.end(),
                                     [&](const FileEntry& f) { return f.path == w[i] && !f.isDir; }),
                      p.files.end());
        if (!existed && before == p.files.size() && !force) out += "rm failed for " + w[i] + ", No such file or directory\n";
      }
    } else if (cmd == "ls") {
      const std::string dir = w.size() >= 2 ? w.back() : "/";
      for (const FileEntry& f : p.files)
        if (parentOf(f.path) == dir && f.path != "/") out += baseName(f.path) + "\n";
    } else if (cmd == "echo") {
      for (size_t i = 1; i < w.size(); ++i) out += (i > 1 ? " " : "") + w[i];
      out += "\n";
    } else if (cmd == "id") {
      out += "uid=2000(shell) gid=2000(shell) groups=1003(graphics),1004(input),1007(log),1009(mount),1011(adb),1015(sdcard_rw),3001(net_bt_admin),3002(net_bt),3003(inet)\n";
    } else if (cmd == "exit" || cmd == "true") {
    } else {
      out += cmd + ": not found\n";
    }
  }
  return lines(out);
}

// The sync protocol: 4-byte id and a little-endian length, for STAT, SEND/DATA/DONE, RECV, LIST
// and QUIT. A pushed file is kept in memory and shows up in the file manager's folder.
void VirtualPhone::sync(TcpSocket& socket, std::string pending, const std::string& serial) {
  constexpr size_t kMaxPath = 1024;
  constexpr size_t kMaxData = 64 * 1024;
  constexpr size_t kMaxFile = 256 * 1024 * 1024;
  char chunk[16384];
  auto need = [&](size_t n) {
    while (pending.size() < n) {
      const int got = socket.receive(chunk, sizeof chunk);
      if (got <= 0) return false;
      pending.append(chunk, static_cast<size_t>(got));
    }
    return true;
  };
  auto fail = [&](const std::string& message) {
    std::string out = "FAIL";
    putLe32(out, static_cast<uint32_t>(message.size()));
    out += message;
    socket.sendAll(out.data(), out.size());
  };
  for (;;) {
    if (!need(8)) return;
    const std::string id = pending.substr(0, 4);
    const uint32_t length = getLe32(reinterpret_cast<const unsigned char*>(pending.data() + 4));
    pending.erase(0, 8);
    if (id == "QUIT") {
      finish(socket);
      return;
    }
    if (length > kMaxPath || !need(length)) {
      fail("invalid sync request");
      finish(socket);
      return;
    }
    const std::string arg = pending.substr(0, length);
    pending.erase(0, length);
    if (id == "STAT") {
      std::string out = "STAT";
      uint32_t mode = 0, size = 0, mtime = 0;
      std::lock_guard lock(mutex_);
      if (auto d = findDevice(serial)) {
        std::string path = arg;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (auto f = d->pushedFiles.find(path); f != d->pushedFiles.end()) {
          mode = 0100644;
          size = static_cast<uint32_t>(f->second.size());
          mtime = static_cast<uint32_t>(nowMs() / 1000);
        } else {
          for (const FileEntry& e : d->phone.files)
            if (e.path == path || path == "/") {
              mode = (path == "/" || e.isDir) ? 040771 : 0100644;
              size = static_cast<uint32_t>(e.size);
              mtime = static_cast<uint32_t>(e.modified / 1000);
              break;
            }
        }
      }
      putLe32(out, mode);
      putLe32(out, size);
      putLe32(out, mtime);
      if (!socket.sendAll(out.data(), out.size())) return;
    } else if (id == "SEND") {
      const size_t comma = arg.find_last_of(',');
      const std::string path = arg.substr(0, comma);
      std::string content;
      bool ok = true;
      for (;;) {
        if (!need(8)) return;
        const std::string part = pending.substr(0, 4);
        const uint32_t n = getLe32(reinterpret_cast<const unsigned char*>(pending.data() + 4));
        pending.erase(0, 8);
        if (part == "DONE") break;
        if (part != "DATA" || n > kMaxData || content.size() + n > kMaxFile || !need(n)) {
          ok = false;
          break;
        }
        content.append(pending, 0, n);
        pending.erase(0, n);
      }
      if (!ok) {
        fail("invalid data message");
        finish(socket);
        return;
      }
      {
        std::lock_guard lock(mutex_);
        if (auto d = findDevice(serial)) {
          d->phone.files.erase(std::remove_if(d->phone.files.begin(), d->phone.files.end(),
                                              [&](const FileEntry& f) { return f.path == path; }),
                               d->phone.files.end());
          d->phone.files.push_back({path, 0, static_cast<int64_t>(content.size()), nowMs(), 1, 1, 0});
          d->pushedFiles[path] = std::move(content);
        }
      }
      std::string out = "OKAY";
      putLe32(out, 0);
      if (!socket.sendAll(out.data(), out.size())) return;
    } else if (id == "RECV") {
      std::string content;
      bool found = false;
      {
        std::lock_guard lock(mutex_);
        if (auto d = findDevice(serial)) {
          if (auto f = d->pushedFiles.find(arg); f != d->pushedFiles.end()) {
            content = f->second;
            found = true;
          } else if (arg == "/system/build.prop") {
            for (const auto& [k, v] : properties(*d)) content += k + "=" + v + "\n";
            found = true;
          }
        }
      }
      if (!found) {
        fail("No such file or directory");
        continue;
      }
      std::string out;
      for (size_t at = 0; at < content.size(); at += kMaxData) {
        const size_t n = std::min(kMaxData, content.size() - at);
        out += "DATA";
        putLe32(out, static_cast<uint32_t>(n));
        out.append(content, at, n);
      }
      out += "DONE";
      putLe32(out, 0);
      if (!socket.sendAll(out.data(), out.size())) return;
    } else if (id == "LIST") {
      std::string out;
      std::string dir = arg;
      while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
      {
        std::lock_guard lock(mutex_);
        if (auto d = findDevice(serial)) {
          for (const FileEntry& e : d->phone.files) {
            if (e.path == "/" || parentOf(e.path) != dir) continue;
            const std::string name = baseName(e.path);
            out += "DENT";
            putLe32(out, e.isDir ? 040771 : 0100644);
            putLe32(out, static_cast<uint32_t>(e.size));
            putLe32(out, static_cast<uint32_t>(e.modified / 1000));
            putLe32(out, static_cast<uint32_t>(name.size()));
            out += name;
          }
        }
      }
      out += "DONE";
      for (int i = 0; i < 4; ++i) putLe32(out, 0);
      if (!socket.sendAll(out.data(), out.size())) return;
    } else {
      fail("unknown sync request");
      finish(socket);
      return;
    }
  }
}

std::string VirtualPhone::framebuffer(int bpp) { return framebufferImage(bpp, base_.system.model); }

}  // namespace zorvik::sim
