#include "sim/DeviceShell.h"

#include "installer/ApkArchive.h"
#include "installer/BinaryXml.h"
#include "installer/ManifestAnalysis.h"
#include "sim/SimUtil.h"

#include <algorithm>
#include <climits>
#include <cctype>
#include <optional>
#include <string_view>

namespace zorvik::sim {

namespace {

using Words = std::vector<std::string>;

// What one command sees: the device, the test's switches, and the output so far.
struct Shell {
  Device& device;
  PhoneState& phone;
  const Switches& switches;
  std::string& out;
};

// A command, or a subcommand of pm and am. A subcommand that returns false prints its tool's usage.
using Command = void (*)(Shell&, const Words&);
using Subcommand = bool (*)(Shell&, const Words&);

// What the phone's package manager reads from a package: its name, and its versionCode and
// versionName when the manifest carries them (0 and empty otherwise).
struct PackageFacts {
  std::string name;
  int32_t versionCode = 0;
  std::string versionName;
};

// The decoded manifest's versionCode attribute ("android:versionCode=\"21\""), or 0.
int32_t versionCodeIn(const std::string& xml) {
  size_t at = xml.find("versionCode=\"");
  // Not platformBuildVersionCode and kin: the attribute's own name.
  while (at != std::string::npos && at > 0 && xml[at - 1] != ' ' && xml[at - 1] != ':')
    at = xml.find("versionCode=\"", at + 1);
  if (at == std::string::npos) return 0;
  long long v = 0;
  for (size_t i = at + 13; i < xml.size() && i < at + 23 && std::isdigit(static_cast<unsigned char>(xml[i])); ++i)
    v = v * 10 + (xml[i] - '0');
  return v > 0 && v <= INT32_MAX ? static_cast<int32_t>(v) : 0;
}

// From the compiled manifest, as the phone's package manager reads it; a file the decoder cannot
// read (tests push bare zip files) is named after its file name.
PackageFacts packageFactsOf(const std::string& apkBytes, const std::string& path) {
  PackageFacts facts;
  zorvik::ApkArchive archive;
  if (archive.openMemory(apkBytes)) {
    if (auto manifest = archive.readMember("AndroidManifest.xml")) {
      if (auto xml = zorvik::decodeManifest(*manifest)) {
        zorvik::ManifestInfo info;
        if (zorvik::analyseManifest(*xml, info) == zorvik::AnalysisStatus::kOk && !info.packageName.empty()) {
          facts.name = info.packageName;
          facts.versionCode = versionCodeIn(*xml);
          if (!info.versionIsReference) facts.versionName = info.versionName;
          return facts;
        }
      }
    }
  }
  facts.name = path.substr(path.find_last_of('/') + 1);
  if (facts.name.size() > 4 && facts.name.compare(facts.name.size() - 4, 4, ".apk") == 0)
    facts.name.resize(facts.name.size() - 4);
  return facts;
}

// Runtime permissions (granted with install -g or pm grant) came with Android 6.
constexpr int32_t kRuntimePermissionSdk = 23;

// The old phone's shell runs on a pseudo-terminal: lines end with CR LF.
std::string lines(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void endProcessesOf(PhoneState& p, const std::string& package) {
  p.processes.erase(std::remove_if(p.processes.begin(), p.processes.end(),
                                   [&](const Process& r) { return r.package == package; }),
                    p.processes.end());
}

// ---------------------------------------------------------------- commands

void getprop(Shell& sh, const Words& w) {
  const auto props = deviceProperties(sh.device);
  if (w.size() < 2) {
    for (const auto& [k, v] : props) sh.out += "[" + k + "]: [" + v + "]\n";
    return;
  }
  auto it = props.find(w[1]);
  sh.out += (it == props.end() ? (w.size() >= 3 ? w[2] : std::string()) : it->second) + "\n";
}

bool pmList(Shell& sh, const Words& w) {
  if (w.size() < 3 || (w[2] != "package" && w[2] != "packages")) return false;
  bool withPath = false, onlySystem = false, onlyThird = false;
  std::string filter;
  for (size_t i = 3; i < w.size(); ++i) {
    if (w[i] == "-f") withPath = true;
    else if (w[i] == "-s") onlySystem = true;
    else if (w[i] == "-3") onlyThird = true;
    else if (w[i][0] != '-') filter = w[i];
  }
  for (const Package& pkg : sh.phone.packages) {
    if ((onlySystem && !pkg.system) || (onlyThird && pkg.system)) continue;
    if (!filter.empty() && pkg.name.find(filter) == std::string::npos) continue;
    sh.out += "package:" + (withPath ? pkg.path + "=" : std::string()) + pkg.name + "\n";
  }
  return true;
}

bool pmPath(Shell& sh, const Words& w) {
  if (w.size() < 3) return false;
  if (const Package* pkg = sh.phone.findPackage(w[2])) sh.out += "package:" + pkg->path + "\n";
  return true;
}

// Why an install of the pushed file at path fails, or empty when it can go ahead.
std::string installFailure(const Shell& sh, const std::string& path) {
  auto file = sh.device.pushedFiles.find(path);
  if (path.empty() || file == sh.device.pushedFiles.end()) return "INSTALL_FAILED_INVALID_URI";
  if (file->second->compare(0, 2, "PK") != 0) return "INSTALL_FAILED_INVALID_APK";
  if (sh.switches.installOutcome != "Success") return sh.switches.installOutcome;
  return {};
}

bool pmInstall(Shell& sh, const Words& w) {
  bool replace = false, sdcard = false, grant = false;
  std::string path;
  for (size_t i = 2; i < w.size(); ++i) {
    if (w[i] == "-r") replace = true;
    else if (w[i] == "-s") sdcard = true;
    else if (w[i] == "-g") grant = true;
    else if (w[i][0] != '-') path = w[i];
  }
  if (grant && sh.phone.system.sdk < kRuntimePermissionSdk) {
    // An older pm knows no -g.
    sh.out += "Error: Unknown option: -g\n";
    return true;
  }
  sh.out += "\tpkg: " + path + "\n";
  if (!sh.switches.installText.empty()) {
    sh.out += sh.switches.installText + "\n";
    return true;
  }
  if (const std::string failure = installFailure(sh, path); !failure.empty()) {
    sh.out += "Failure [" + failure + "]\n";
    return true;
  }
  const std::string& bytes = *sh.device.pushedFiles.at(path);
  const PackageFacts facts = packageFactsOf(bytes, path);
  const std::string name = sh.switches.installPackage.empty() ? facts.name : sh.switches.installPackage;
  PhoneState& p = sh.phone;
  Package* existing = nullptr;
  for (Package& pkg : p.packages)
    if (pkg.name == name) existing = &pkg;
  if (existing && !replace) {
    sh.out += "Failure [INSTALL_FAILED_ALREADY_EXISTS]\n";
    return true;
  }
  if (!existing) {
    p.packages.push_back({});
    existing = &p.packages.back();
    existing->name = name;
    existing->label = name.substr(name.find_last_of('.') + 1);
    existing->version = "1.0";
    existing->versionCode = 1;
  }
  if (facts.versionCode > 0) existing->versionCode = facts.versionCode;
  if (!facts.versionName.empty()) existing->version = facts.versionName;
  existing->size = static_cast<int64_t>(bytes.size());
  existing->installTime = nowMs();
  existing->path = sdcard ? "/mnt/asec/" + name + "-1/pkg.apk" : "/data/app/" + name + "-1.apk";
  if (name == kAgentPackage) {
    // A new agent replaces the old one, which stops: it answers again once started, with the
    // version its package carries (the test's install-version for a package that carries none).
    if (facts.versionCode > 0) sh.device.installedAgentVersion = facts.versionCode;
    sh.device.agentVersion = sh.device.installedAgentVersion;
    sh.device.agentRunning = false;
    sh.device.grantedAtInstall = grant;
  }
  endProcessesOf(p, name);
  sh.out += "Success\n";
  return true;
}

bool pmUninstall(Shell& sh, const Words& w) {
  if (w.size() < 3) return false;
  PhoneState& p = sh.phone;
  const std::string& name = w.back();
  auto it = std::find_if(p.packages.begin(), p.packages.end(), [&](const Package& pkg) { return pkg.name == name; });
  if (it == p.packages.end() || it->system) {
    sh.out += "Failure\n";
    return true;
  }
  p.packages.erase(it);
  endProcessesOf(p, name);
  p.cache.erase(std::remove_if(p.cache.begin(), p.cache.end(), [&](const CacheEntry& c) { return c.package == name; }),
                p.cache.end());
  if (name == kAgentPackage) sh.device.agentRunning = false;
  sh.out += "Success\n";
  return true;
}

bool amStart(Shell& sh, const Words& w) {
  PhoneState& p = sh.phone;
  std::string component;
  for (size_t i = 2; i + 1 < w.size(); ++i)
    if (w[i] == "-n") component = w[i + 1];
  const size_t slash = component.find('/');
  const std::string pkgName = component.substr(0, slash);
  if (slash == std::string::npos || !p.findPackage(pkgName)) {
    sh.out += "Starting: Intent { cmp=" + component + " }\nError type 3\nError: Activity class {" + component +
              "} does not exist.\n";
    return true;
  }
  sh.out += "Starting: Intent { act=android.intent.action.MAIN cat=[android.intent.category.LAUNCHER] cmp=" +
            component + " }\n";
  if (pkgName == kAgentPackage) sh.device.agentRunning = true;
  if (std::none_of(p.processes.begin(), p.processes.end(), [&](const Process& r) { return r.package == pkgName; })) {
    int32_t pid = 100;
    for (const Process& r : p.processes) pid = std::max(pid, r.pid);
    p.processes.push_back({pid + 11, pkgName, pkgName, p.findPackage(pkgName)->label, 100, 2, 16 * 1024 * 1024, 0});
  }
  return true;
}

// pm grant PKG PERMISSION: recorded for the agent; an older phone has no runtime permissions.
bool pmGrant(Shell& sh, const Words& w) {
  if (w.size() < 4) return false;
  if (sh.phone.system.sdk < kRuntimePermissionSdk) {
    sh.out += "Operation not allowed: java.lang.SecurityException: Permission " + w[3] +
              " is not a changeable permission type\n";
    return true;
  }
  if (!sh.phone.findPackage(w[2])) {
    sh.out += "Exception occurred while executing 'grant':\njava.lang.IllegalArgumentException: Unknown package: " +
              w[2] + "\n";
    return true;
  }
  if (w[2] == kAgentPackage) sh.device.grants.insert(w[3]);
  return true;
}

struct SubcommandEntry {
  const char* name;
  Subcommand run;
};

// Runs w[1] from a tool's table; an unknown or incomplete subcommand prints the usage.
void runSubcommand(Shell& sh, const Words& w, std::initializer_list<SubcommandEntry> table, const char* usage) {
  for (const SubcommandEntry& e : table)
    if (w.size() >= 2 && w[1] == e.name && e.run(sh, w)) return;
  sh.out += usage;
}

void pm(Shell& sh, const Words& w) {
  runSubcommand(sh, w,
                {{"list", pmList}, {"path", pmPath}, {"install", pmInstall}, {"uninstall", pmUninstall}, {"grant", pmGrant}},
                "usage: pm list packages [-f] [-d] [-e] [-s] [-3] [-i] [-u] [FILTER]\n");
}

void am(Shell& sh, const Words& w) { runSubcommand(sh, w, {{"start", amStart}}, "usage: am [subcommand] [options]\n"); }

// appops set PKG OP MODE: recorded for the agent.
bool appopsSet(Shell& sh, const Words& w) {
  if (w.size() < 5) return false;
  if (!sh.phone.findPackage(w[2])) {
    sh.out += "Error: Unknown package: " + w[2] + "\n";
    return true;
  }
  if (w[2] == kAgentPackage) sh.device.appops[w[3]] = w[4];
  return true;
}

void appops(Shell& sh, const Words& w) {
  runSubcommand(sh, w, {{"set", appopsSet}}, "usage: appops set [--user <USER_ID>] <PACKAGE> <OP> <MODE>\n");
}

void rm(Shell& sh, const Words& w) {
  PhoneState& p = sh.phone;
  bool force = false;
  for (size_t i = 1; i < w.size(); ++i) {
    if (w[i][0] == '-') {
      force = force || w[i].find('f') != std::string::npos;
      continue;
    }
    const bool existed = sh.device.pushedFiles.erase(w[i]) > 0;
    const size_t before = p.files.size();
    p.files.erase(std::remove_if(p.files.begin(), p.files.end(),
                                 [&](const FileEntry& f) { return f.path == w[i] && !f.isDir; }),
                  p.files.end());
    if (!existed && before == p.files.size() && !force) sh.out += "rm failed for " + w[i] + ", No such file or directory\n";
  }
}

void ls(Shell& sh, const Words& w) {
  const std::string dir = w.size() >= 2 ? w.back() : "/";
  for (const FileEntry& f : sh.phone.files)
    if (parentOf(f.path) == dir && f.path != "/") sh.out += baseName(f.path) + "\n";
}

// "readlink [-f] [--] PATH": the link's target, or with -f the real path of something that
// exists; nothing (a failure) otherwise.
void readlink(Shell& sh, const Words& w) {
  bool full = false;
  std::string path;
  for (size_t i = 1; i < w.size(); ++i) {
    if (w[i] == "-f") full = true;
    else if (w[i] != "--") path = w[i];
  }
  if (path.empty() || path[0] != '/') return;
  if (!full) {
    if (auto l = sh.device.links.find(path); l != sh.device.links.end()) sh.out += l->second + "\n";
    return;
  }
  const std::optional<std::string> real = resolvePhonePath(sh.device, path, true);
  if (!real) return;
  const bool exists = *real == "/" || std::any_of(sh.phone.files.begin(), sh.phone.files.end(),
                                                  [&](const FileEntry& f) { return f.path == *real; });
  if (exists) sh.out += *real + "\n";
}

void echo(Shell& sh, const Words& w) {
  for (size_t i = 1; i < w.size(); ++i) sh.out += (i > 1 ? " " : "") + w[i];
  sh.out += "\n";
}

void id(Shell& sh, const Words&) {
  sh.out +=
      "uid=2000(shell) gid=2000(shell) groups=1003(graphics),1004(input),1007(log),1009(mount),1011(adb),"
      "1015(sdcard_rw),3001(net_bt_admin),3002(net_bt),3003(inet)\n";
}

void nothing(Shell&, const Words&) {}

struct CommandEntry {
  const char* name;
  Command run;
};

const CommandEntry kCommands[] = {
    {"getprop", getprop}, {"pm", pm},     {"am", am},     {"appops", appops}, {"rm", rm},          {"ls", ls},
    {"echo", echo},       {"id", id},     {"readlink", readlink},     {"exit", nothing}, {"true", nothing},
};

// Command lists ("a; b", "a && b"), split outside quotes.
std::vector<std::string> commandList(const std::string& line) {
  std::vector<std::string> parts;
  std::string cur;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      if (c == quote) quote = 0;
      cur += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      cur += c;
    } else if (c == ';' || (c == '&' && i + 1 < line.size() && line[i + 1] == '&')) {
      if (c == '&') ++i;
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

// Redirections ("</dev/null", "2>&1") are the shell's business, not the command's.
bool isRedirection(const std::string& word) {
  return !word.empty() && (word[0] == '<' || word[0] == '>' ||
                           (word.size() > 1 && std::isdigit(static_cast<unsigned char>(word[0])) && word[1] == '>'));
}

}  // namespace

std::string runShell(Device& device, const Switches& switches, const std::string& commandLine) {
  std::string out;
  Shell sh{device, device.phone, switches, out};
  for (const std::string& part : commandList(commandLine)) {
    Words w = splitShellWords(part);
    w.erase(std::remove_if(w.begin(), w.end(), isRedirection), w.end());
    if (w.empty()) continue;
    const auto entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandEntry& e) { return w[0] == e.name; });
    if (entry == std::end(kCommands)) {
      out += w[0] + ": not found\n";
      continue;
    }
    entry->run(sh, w);
  }
  return lines(out);
}

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

std::map<std::string, std::string> deviceProperties(const Device& d) {
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

}  // namespace zorvik::sim
