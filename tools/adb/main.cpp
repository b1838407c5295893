// adb: the small ADB client that ships with the suite for machines with no adb.exe of their own.
// It talks to an ADB server already running (a phone's usual server, or the virtual phone) and
// prints what the full tool prints for the commands the suite uses, with the same exit codes:
//   adb [-s SERIAL] [-P PORT] devices [-l] | shell CMD... | install [-r] [-s] [-d] APK |
//       uninstall PKG | push LOCAL REMOTE | forward tcp:A tcp:B | get-state | version
#include "devlink/TcpSocket.h"
#include "tools/adb/AdbClient.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using zorvik::adb::AdbClient;
using zorvik::adb::AdbError;

namespace {

int fail(const AdbError& e) {
  if (e.daemonDown)
    std::fprintf(stderr, "adb: error: %s\n", e.message.c_str());
  else
    std::fprintf(stderr, "error: %s\n", e.message.c_str());
  return 1;
}

void writeOut(const char* data, size_t n) {
  std::fwrite(data, 1, n, stdout);
  std::fflush(stdout);
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int usage() {
  std::fprintf(stderr,
               "usage: adb [-s SERIAL] [-P PORT] COMMAND\n"
               "  devices [-l]            list connected devices\n"
               "  shell COMMAND...        run a shell command on the device\n"
               "  install [-r] [-s] APK   push a package and install it\n"
               "  uninstall PACKAGE       remove a package\n"
               "  push LOCAL REMOTE       copy a file to the device\n"
               "  forward tcp:A tcp:B     forward a local port to the device\n"
               "  get-state | version\n");
  return 1;
}

int push(AdbClient& client, const std::string& local, std::string remote, bool quiet) {
  std::string content;
  if (!zorvik::adb::readLocalFile(local, content)) {
    std::fprintf(stderr, "adb: error: cannot stat '%s': No such file or directory\n", local.c_str());
    return 1;
  }
  AdbError error;
  bool directory = remote.empty() || remote.back() == '/';
  if (!directory && !client.isDirectory(remote, directory, error)) return fail(error);
  if (directory) remote += (remote.empty() || remote.back() == '/' ? "" : "/") + baseName(local);
  const auto start = std::chrono::steady_clock::now();
  if (!client.push(content, remote, error)) {
    std::fprintf(stderr, "adb: error: %s\n", error.message.c_str());
    return 1;
  }
  const double seconds =
      std::max(1e-6, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  if (!quiet)
    std::printf("%s: 1 file pushed, 0 skipped. %.1f MB/s (%zu bytes in %.3fs)\n", local.c_str(),
                content.size() / seconds / (1024.0 * 1024.0), content.size(), seconds);
  std::fflush(stdout);
  return 0;
}

// What every command sees: the client for the chosen server and device, and its words.
struct Tool {
  AdbClient& client;
  const std::string& serial;
  const std::vector<std::string>& args;
  AdbError error;
  // "host:" or "host-serial:SERIAL:", for requests about one device.
  std::string hostPrefix() const { return serial.empty() ? "host:" : "host-serial:" + serial + ":"; }
};

int version(Tool&) {
  std::printf("Android Debug Bridge version 1.0.41\nVersion 29.0.6-zorvik\n");
  return 0;
}

int devices(Tool& t) {
  const bool longForm = !t.args.empty() && t.args[0] == "-l";
  std::string list;
  if (!t.client.hostQuery(longForm ? "host:devices-l" : "host:devices", list, t.error)) return fail(t.error);
  std::printf("List of devices attached\n%s\n", list.c_str());
  return 0;
}

int askDevice(Tool& t, const char* what) {
  std::string answer;
  if (!t.client.hostQuery(t.hostPrefix() + what, answer, t.error)) return fail(t.error);
  std::printf("%s\n", answer.c_str());
  return 0;
}
int getState(Tool& t) { return askDevice(t, "get-state"); }
int getSerialNo(Tool& t) { return askDevice(t, "get-serialno"); }

int shell(Tool& t) {
  std::string line;
  for (size_t k = 0; k < t.args.size(); ++k) line += (k ? " " : "") + t.args[k];
  if (!t.client.shell(line, writeOut, t.error)) return fail(t.error);
  return 0;
}

int pushCommand(Tool& t) {
  if (t.args.size() != 2) return usage();
  return push(t.client, t.args[0], t.args[1], false);
}

int forward(Tool& t) {
  if (t.args.size() != 2) return usage();
  // The server answers OKAY when it takes the request and again once the port is bound.
  if (!t.client.hostCommand(t.hostPrefix() + "forward:" + t.args[0] + ";" + t.args[1], t.error)) return fail(t.error);
  return 0;
}

int install(Tool& t) {
  std::vector<std::string> pmArgs{"install"};
  std::string apk;
  for (const std::string& a : t.args) {
    if (a == "-r" || a == "-s" || a == "-d" || a == "-t" || a == "-g") pmArgs.push_back(a);
    else if (!a.empty() && a[0] != '-') apk = a;
  }
  if (apk.empty()) {
    std::fprintf(stderr, "adb: need APK file on command line\n");
    return 1;
  }
  std::string content;
  if (!zorvik::adb::readLocalFile(apk, content)) {
    std::fprintf(stderr, "adb: failed to stat %s: No such file or directory\n", apk.c_str());
    return 1;
  }
  std::printf("Performing Push Install\n");
  std::fflush(stdout);
  const std::string remote = "/data/local/tmp/" + baseName(apk);
  if (const int rc = push(t.client, apk, remote, false)) return rc;
  std::string pm = "pm";
  pmArgs.push_back(remote);
  for (const std::string& a : pmArgs) pm += " " + zorvik::adb::quoteForShell(a);
  if (!t.client.shell(pm, writeOut, t.error)) return fail(t.error);
  t.client.shell("rm -f " + zorvik::adb::quoteForShell(remote), writeOut, t.error);
  return 0;
}

int uninstall(Tool& t) {
  if (t.args.empty()) return usage();
  std::string pm = "pm 'uninstall'";
  for (const std::string& a : t.args) pm += " " + zorvik::adb::quoteForShell(a);
  if (!t.client.shell(pm, writeOut, t.error)) return fail(t.error);
  return 0;
}

struct Command {
  const char* name;
  int (*run)(Tool&);
};

const Command kCommands[] = {
    {"version", version},     {"devices", devices}, {"get-state", getState}, {"get-serialno", getSerialNo},
    {"shell", shell},         {"push", pushCommand}, {"forward", forward},    {"install", install},
    {"uninstall", uninstall},
};

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // device output keeps its own line ends
#endif
  if (!zorvik::startSockets()) {
    std::fprintf(stderr, "adb: error: cannot start sockets\n");
    return 1;
  }
  std::string serial;
  int port = 5037;
  if (const char* env = std::getenv("ANDROID_ADB_SERVER_PORT")) port = std::atoi(env);
  if (const char* env = std::getenv("ANDROID_SERIAL")) serial = env;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-s" && i + 1 < argc) serial = argv[++i];
    else if (a == "-P" && i + 1 < argc) port = std::atoi(argv[++i]);
    else if (a == "-d" || a == "-e") continue;
    else break;
  }
  if (i >= argc) return usage();
  if (port <= 0 || port > 65535) {
    std::fprintf(stderr, "adb: error: invalid port\n");
    return 1;
  }
  const std::string command = argv[i++];
  const std::vector<std::string> args(argv + i, argv + argc);
  for (const Command& c : kCommands) {
    if (command != c.name) continue;
    AdbClient client(static_cast<uint16_t>(port), serial);
    Tool tool{client, serial, args, {}};
    return c.run(tool);
  }
  std::fprintf(stderr, "adb: unknown command %s\n", command.c_str());
  return 1;
}
