#pragma once
// The two channels to the phone's debug bridge: requests to the ADB server on 127.0.0.1 (the port
// forward and the device transport) and runs of the adb tool whose output we read.
#include "devlink/TcpSocket.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zorvik {

// ---------------------------------------------------------------- tool and folders

// The folder of the running program, with a trailing separator.
std::string programFolder();
// "adb.exe" in the program's folder when that file exists, else the bare "adb" (the search path).
std::string adbPath();

// ---------------------------------------------------------------- ADB server requests

// 5037, or ANDROID_ADB_SERVER_PORT as the adb tool reads it; tests move it with setAdbServerPort.
uint16_t adbServerPort();
void setAdbServerPort(uint16_t port);

// A request as sent: four hexadecimal digits of the payload length, then the payload. Host
// requests use upper-case digits, the "framebuffer:" service lower-case. Empty when the request
// would not fit the 256-byte buffer the request is built in (255 bytes and a terminator).
std::string adbHostRequest(std::string_view service);
std::string adbServiceRequest(std::string_view service);
constexpr size_t kAdbRequestMax = 255;

enum class AdbSocketResult {
  Ok,
  NoDevice,         // empty serial: "【错误】没有找到Android设备" / "【错误】没有找到设备"
  PortFailure,      // connect or send failed: "【错误】连接端口失败"
  ProtocolFailure,  // the answer was not "OKAY" (a "FAIL" message is not read)
};

// host-serial:<serial>:forward:tcp:<agentPort()>;localabstract:<kAgentSocketName>, one request,
// one 4-byte answer. The agent listens on that abstract socket and serves only adbd's (shell's)
// and root's connections, so other apps on the phone cannot read through it.
AdbSocketResult forwardAgentPort(const std::string& serial);
// The forward request's service text, as forwardAgentPort sends it.
std::string agentForwardService(const std::string& serial);
// "host:transport:<serial>" on a fresh socket; on Ok, socket speaks to the device's services.
AdbSocketResult openTransport(const std::string& serial, TcpSocket& socket);
// Sends one prepared request on an open socket and reads the 4-byte answer: Ok on "OKAY".
AdbSocketResult adbRequest(TcpSocket& socket, const std::string& request);

// ---------------------------------------------------------------- synchronous runs

enum class AdbRunStatus {
  Ok,
  CannotRun,    // no pipe: "【内部错误】，请重新安装"
  CannotStart,  // the tool could not be started: "【组件丢失，请重新安装"
};

struct AdbRunResult {
  AdbRunStatus status = AdbRunStatus::CannotRun;
  std::string output;  // standard output and error, at most the maximum asked for
  bool timedOut = false;   // the deadline passed: the tool's process tree was ended, output is what came before
  bool cancelled = false;  // endAdbRuns() ended it (the program is closing)
  bool finished() const { return status == AdbRunStatus::Ok && !timedOut && !cancelled; }
};

constexpr size_t kDevicesOutputMax = 4096;
constexpr size_t kInstallOutputMax = 4095;

// How long each kind of adb run may take before its process tree is ended. A held-up server or
// phone must never hold a page, the connection or a closing window.
enum class AdbCommandKind {
  Listing,  // "devices": the server answers from memory
  Shell,    // getprop, pm list, pm grant, am start: one command on the phone
  Install,  // install -r, uninstall: scaled by the package's size
};
constexpr unsigned kAdbListingDeadlineMs = 15000;
constexpr unsigned kAdbShellDeadlineMs = 30000;
// An install: 2 minutes, one more for every 8 MB of package, at most 30 minutes.
constexpr unsigned kAdbInstallBaseDeadlineMs = 120000;
constexpr unsigned kAdbInstallMaxDeadlineMs = 30 * 60000;
unsigned adbDeadlineMs(AdbCommandKind kind, uint64_t packageBytes = 0);
// A run whose caller named no kind is still bounded.
constexpr unsigned kAdbDefaultDeadlineMs = kAdbInstallMaxDeadlineMs;

// Runs a command line hidden and waits for the tool to end, draining its output meanwhile so a
// large output cannot block it; keeps the first maxOutput bytes. A tool still running when the
// deadline (ms) passes is ended with every process it started (a Job object on Windows, a
// process group on POSIX), and timedOut is set.
AdbRunResult runAdbAndWait(const std::string& commandLine, size_t maxOutput,
                           unsigned deadlineMs = kAdbDefaultDeadlineMs);

// Ends every adb run of this process in progress now (runAdbAndWait and the runners, with their
// process trees; a run ended so reports cancelled): a closing window never waits for a held-up
// tool. Runs started later are not affected.
void endAdbRuns();
// Counts endAdbRuns() calls; a run is ended when it changes while the run lasts.
uint64_t adbRunGeneration();

// The words a timed-out run's status line uses: "【错误】<what>超时".
std::string adbTimeoutText(const char* what);

// Starts a command line hidden; nothing is waited for or read.
void launchAdb(const std::string& commandLine);

// ---------------------------------------------------------------- asynchronous runs

enum AdbOutputKind : int {
  kAdbOutputChunk = 0,       // a piece of output, at most 255 bytes, not line-aligned
  kAdbOutputEnded = 1,       // the tool ended (text empty)
  kAdbOutputReadFailed = 2,  // reading failed (text empty)
  kAdbOutputTimedOut = 3,    // the deadline passed: the tool's process tree was ended (text empty)
};

// Receives a runner's output on the runner's reader thread.
class AdbOutputSink {
 public:
  virtual ~AdbOutputSink() = default;
  virtual void receive(const std::string& text, int kind) = 0;
};

// One command at a time with its output streamed to a sink. The sink is not owned and must outlive
// the runner. run() stops an earlier run first; destroying the runner stops it. After stop()
// returns the sink is not called again for that run (unless stop is called from the sink itself).
class AdbProcessRunner {
 public:
  static constexpr unsigned kPollMs = 100;
  static constexpr unsigned kStopWaitMs = 2000;
  static constexpr size_t kChunkMax = 255;

  explicit AdbProcessRunner(AdbOutputSink& sink);
  virtual ~AdbProcessRunner();
  AdbProcessRunner(const AdbProcessRunner&) = delete;
  AdbProcessRunner& operator=(const AdbProcessRunner&) = delete;

  // Ends the tool's process tree, signals the reader thread to finish and waits up to kStopWaitMs
  // for it; a reader still held up after that (inside the sink) is left to end by itself and is
  // never killed. The pipes and the process handle close when the reader lets go of them.
  virtual void stop();
  // Starts the command line; true when the reader thread runs. A tool still running after
  // deadlineMs is ended with its process tree and the sink gets kAdbOutputTimedOut.
  bool run(const std::string& commandLine, unsigned deadlineMs = kAdbDefaultDeadlineMs);
  bool running() const;

  struct State;  // platform part, shared with the reader thread

 private:
  AdbOutputSink& sink_;
  std::shared_ptr<State> state_;
};

// ---------------------------------------------------------------- command lines

constexpr const char* kAgentPackage = "com.zorvik.Zorvik";
constexpr const char* kAgentActivity = ".Zorvik";
constexpr const char* kAgentPackageFile = "com.zorvik.Zorvik.apk";

// One word of a command line, so that the tool reads it back whole: as it is when it holds no
// blank, tab or double quote and is not empty; else in double quotes, a quote inside escaped and
// the backslashes before a quote (or the closing one) doubled, as Windows programs split their
// command lines (and detail::splitCommandLine does). Serials ("my device 1") and paths go so.
std::string quotedArgument(std::string_view word);
// The same for a path (the tool's path as well as the package's).
std::string quotedPath(const std::string& path);

std::string devicesCommand(const std::string& adb);                                 // "%s devices"
std::string getpropCommand(const std::string& adb, const std::string& serial);       // "%s -s %s shell getprop"
std::string listPackagesCommand(const std::string& adb, const std::string& serial);  // "... shell pm list package"
std::string startAgentCommand(const std::string& adb, const std::string& serial);    // "... shell am start -n ..."
// "%s -s %s install -r %s"; with grantAtInstall "install -r -g" (runtime permissions granted at
// install, which pm knows from Android 6 on: kGrantAtInstallSdk).
std::string installCommand(const std::string& adb, const std::string& serial, const std::string& apkPath,
                           bool grantAtInstall = false);
std::string sdkCommand(const std::string& adb, const std::string& serial);  // "... shell getprop ro.build.version.sdk"
// The SDK level from that command's output (a number, trimmed); -1 when there is none.
int sdkLevelFromOutput(std::string_view output);
// "... shell pm grant com.zorvik.Zorvik <permission>"
std::string grantCommand(const std::string& adb, const std::string& serial, const std::string& permission);

constexpr int kGrantAtInstallSdk = 23;
// The runtime permissions the agent's commands need (its manifest declares them), granted after
// an install on phones that know runtime permissions.
constexpr const char* kAgentPermissions[] = {
    "android.permission.READ_CONTACTS", "android.permission.WRITE_CONTACTS", "android.permission.READ_SMS",
    "android.permission.SEND_SMS",      "android.permission.READ_CALL_LOG",  "android.permission.WRITE_CALL_LOG",
    "android.permission.READ_PHONE_STATE",
};
std::string uninstallCommand(const std::string& adb, const std::string& package);    // "%s uninstall %s"

// The special access the PC gives the agent at every connection, from the SDK level that needs
// it: all-files access (Android 11 keeps the shared storage's folders from an app without it) and
// drawing over other apps (Android 10 drops activity starts from an app in the background
// without it, silently: "立即运行" would open nothing), the usage access (other apps' cache sizes
// for the cleaner, from Android 8.0) and the "modify system settings" access (the phone settings
// page's system settings, from Android 6).
struct AgentAppOp {
  const char* op;
  int fromSdk;
};
constexpr AgentAppOp kAgentAppOps[] = {
    {"MANAGE_EXTERNAL_STORAGE", 30}, {"SYSTEM_ALERT_WINDOW", 29}, {"GET_USAGE_STATS", 26}, {"WRITE_SETTINGS", 23}};
// "... shell appops set com.zorvik.Zorvik <op> allow"
std::string appOpCommand(const std::string& adb, const std::string& serial, const std::string& op);

// Install result: 0 "Success"; 2 inconsistent certificates; 3 insufficient storage; 4 anything
// else; 1 when the tool could not be run at all; 5 when it ran past its deadline.
enum InstallResult : int {
  kInstallSuccess = 0,
  kInstallCannotRun = 1,
  kInstallBadCertificate = 2,
  kInstallNoSpace = 3,
  kInstallFailed = 4,
  kInstallTimedOut = 5,  // the deadline for the package's size passed: the tool was ended
};
int classifyInstallOutput(std::string_view output);
// Runs "install -r" (with grantAtInstall "-r -g") synchronously, within the install deadline for
// the package's size, and classifies it.
int installPackage(const std::string& adb, const std::string& serial, const std::string& apkPath,
                   bool grantAtInstall = false);

}  // namespace zorvik
