#include "devlink/AdbBridge.h"

#include "devlink/AdbFraming.h"
#include "devlink/AgentCommand.h"
#include "devlink/AgentSession.h"
#include "devlink/DeviceTables.h"
#include "devlink/TcpSocket.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace zorvik {
namespace {

constexpr uint16_t kDefaultAdbServerPort = 5037;
constexpr unsigned kAnswerWaitMs = 15000;

std::atomic<uint16_t>& serverPortSetting() {
  static std::atomic<uint16_t> port{portFromEnvironment("ANDROID_ADB_SERVER_PORT", kDefaultAdbServerPort)};
  return port;
}

std::string lengthPrefixed(std::string_view service, AdbHexCase hexCase) {
  // Built as the tool's callers build it: formatted into a zeroed 256-byte buffer. A request that
  // would not fit is refused instead of being cut.
  if (service.size() + 4 > kAdbRequestMax) return {};
  return adbLengthPrefixed(service, hexCase);
}

}  // namespace

uint16_t adbServerPort() { return serverPortSetting().load(); }
void setAdbServerPort(uint16_t port) { serverPortSetting().store(port); }

std::string adbHostRequest(std::string_view service) { return lengthPrefixed(service, AdbHexCase::Upper); }
std::string adbServiceRequest(std::string_view service) { return lengthPrefixed(service, AdbHexCase::Lower); }

AdbSocketResult adbRequest(TcpSocket& socket, const std::string& request) {
  if (!socket.valid() || request.empty() || !socket.sendAll(request.data(), request.size())) {
    return AdbSocketResult::PortFailure;
  }
  // A server that accepts and never answers must not hold the attempt forever.
  socket.setReceiveTimeout(kAnswerWaitMs);
  // Only the status word is read (a FAIL message is not wanted): "OKAY" decodes whole, "FAIL"
  // asks for its message, anything else is malformed; only the first is Ok.
  char answer[4] = {};
  const size_t got = socket.receiveExactly(answer, sizeof answer);
  socket.setReceiveTimeout(0);
  const AdbFrame frame = decodeAdbAnswer(std::string_view(answer, got));
  return frame.status == AdbDecode::Complete && frame.okay ? AdbSocketResult::Ok : AdbSocketResult::ProtocolFailure;
}

std::string agentForwardService(const std::string& serial) {
  return std::string("host") + "-" + "serial:" + serial + ":forward:tcp:" + std::to_string(agentPort()) +
         ";localabstract:" + kAgentSocketName;
}

AdbSocketResult forwardAgentPort(const std::string& serial) {
  if (serial.empty()) return AdbSocketResult::NoDevice;
  const std::string service = agentForwardService(serial);
  TcpSocket socket = TcpSocket::connectLoopback(adbServerPort(), true);
  if (!socket.valid()) return AdbSocketResult::PortFailure;
  return adbRequest(socket, adbHostRequest(service));
}

AdbSocketResult openTransport(const std::string& serial, TcpSocket& socket) {
  socket.close();
  if (serial.empty()) return AdbSocketResult::NoDevice;
  TcpSocket fresh = TcpSocket::connectLoopback(adbServerPort(), true);
  if (!fresh.valid()) return AdbSocketResult::PortFailure;
  const AdbSocketResult result = adbRequest(fresh, adbHostRequest("host:transport:" + serial));
  if (result == AdbSocketResult::Ok) socket = std::move(fresh);
  return result;
}

// ---------------------------------------------------------------- command lines
// The tool's path is quoted like the package path when it holds a space: unquoted, a program
// folder such as "C:\Program Files\Zorvik" would let "C:\Program.exe" run instead.

std::string quotedArgument(std::string_view word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string_view::npos) return std::string(word);
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled and the quote escaped; others stay as they are.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // before the closing quote
  return quoted + "\"";
}

std::string quotedPath(const std::string& path) { return quotedArgument(path); }

std::string devicesCommand(const std::string& adb) { return quotedPath(adb) + " devices"; }

std::string getpropCommand(const std::string& adb, const std::string& serial) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell getprop";
}

std::string listPackagesCommand(const std::string& adb, const std::string& serial) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell " + "pm" + " " + "list" + " package";
}

std::string startAgentCommand(const std::string& adb, const std::string& serial) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell " + "am" + " start -n " + kAgentPackage + "/" + kAgentActivity;
}

std::string installCommand(const std::string& adb, const std::string& serial, const std::string& apkPath,
                           bool grantAtInstall) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + (grantAtInstall ? " install -r -g " : " install -r ") + quotedPath(apkPath);
}

int sdkLevelFromOutput(std::string_view output) {
  const std::string text = trimmed(output);
  if (text.empty() || text.size() > 9) return -1;
  for (char c : text)
    if (c < '0' || c > '9') return -1;
  return std::atoi(text.c_str());
}

std::string sdkCommand(const std::string& adb, const std::string& serial) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell getprop ro.build.version.sdk";
}

std::string grantCommand(const std::string& adb, const std::string& serial, const std::string& permission) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell " + "pm" + " grant " + kAgentPackage + " " + permission;
}

std::string appOpCommand(const std::string& adb, const std::string& serial, const std::string& op) {
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " shell appops set " + kAgentPackage + " " + op + " allow";
}

std::string uninstallCommand(const std::string& adb, const std::string& package) {
  return quotedPath(adb) + " uninstall " + package;
}

int classifyInstallOutput(std::string_view output) {
  const auto has = [&](const char* word) { return output.find(word) != std::string_view::npos; };
  if (has("Success")) return kInstallSuccess;
  if (has("INSTALL_PARSE_FAILED_INCONSISTENT_CERTIFICATES")) return kInstallBadCertificate;
  if (has("INSTALL_FAILED_INSUFFICIENT_STORAGE")) return kInstallNoSpace;
  return kInstallFailed;
}

int installPackage(const std::string& adb, const std::string& serial, const std::string& apkPath, bool grantAtInstall) {
  uint64_t bytes = 0;
  if (std::FILE* f = std::fopen(apkPath.c_str(), "rb")) {
    if (std::fseek(f, 0, SEEK_END) == 0) {
      const long end = std::ftell(f);
      if (end > 0) bytes = static_cast<uint64_t>(end);
    }
    std::fclose(f);
  }
  const AdbRunResult run = runAdbAndWait(installCommand(adb, serial, apkPath, grantAtInstall), kInstallOutputMax,
                                         adbDeadlineMs(AdbCommandKind::Install, bytes));
  if (run.status != AdbRunStatus::Ok || run.cancelled) return kInstallCannotRun;
  if (run.timedOut) return kInstallTimedOut;
  return classifyInstallOutput(run.output);
}

}  // namespace zorvik
