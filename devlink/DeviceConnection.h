#pragma once
// Turning an attached phone into a reachable agent: list the devices, settle the current serial,
// check that the agent package is installed (install or upgrade it from the package file beside
// the program), start it, forward the agent port and check the agent's version.
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/ConnectionListener.h"
#include "devlink/DeviceTables.h"
#include "devlink/DeviceTracker.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zorvik {

struct ConnectionOptions {
  std::string adbPath;           // empty: adbPath()
  std::string agentPackagePath;  // empty: "com.zorvik.Zorvik.apk" in the program's folder
  unsigned arrivalDelayMs = 3000;    // a delayed attempt sleeps this long first
  unsigned agentStartWaitMs = 3000;  // between the forward and the version query
  bool trackDevices = true;          // follow host:track-devices (tests with scripted servers: off)
  unsigned listingDeadlineMs = kAdbListingDeadlineMs;  // for "devices"
  unsigned shellDeadlineMs = kAdbShellDeadlineMs;  // for each getprop and grant run around the install
};

// scanDevices results.
enum ScanResult : int {
  kScanOk = 0,
  kScanCannotRun = 1,    // "【内部错误】，请重新安装"
  kScanCannotStart = 2,  // "【组件丢失，请重新安装"
  kScanNoDevice = 3,     // "【错误】没有找到Android设备"
  kScanNoneChosen = 4,   // "【错误】没有选择任何设备"
  kScanUnauthorized = 5, // found, but USB debugging is not allowed yet: kUnauthorizedText
  kScanOffline = 6,      // found, but offline: kOfflineText
  kScanTimedOut = 7,     // "devices" ran past its deadline: "【错误】列出设备超时"
  kScanCancelled = 8,    // the program is closing: nothing is said
  kScanNoServer = 9,     // no ADB server answers the tool: kNoAdbServerText
};

// A phone that is there but cannot be used yet: the user has something to do.
constexpr const char* kUnauthorizedText = "【提示】请在手机上允许USB调试";
constexpr const char* kOfflineText = "【提示】设备离线，请重新插拔数据线";
constexpr const char* kRemovalText = "【提示】检测到一个设备断开";
// The agent package is not beside the program (no build makes it; a real phone needs it).
constexpr const char* kAgentPackageMissingText = "【错误】安装失败：程序目录中没有手机端安装包 com.zorvik.Zorvik.apk";
// Some runtime permissions could not be granted after the install (not fatal: the pages say what
// the phone refuses when it does).
constexpr const char* kGrantNoticeText = "【提示】手机端没有得到全部权限：请在手机上打开「卓维克手机端」，允许它请求的权限";
// The phone did not allow the special access of kAgentAppOps (not fatal either: the files,
// cleaner and phone settings pages say when the phone refuses).
constexpr const char* kAppOpsNoticeText =
    "【提示】手机没有允许「卓维克手机端」访问全部文件、打开应用、读取应用缓存或修改系统设置：请在手机的设置中为它打开“所有文件访问权限”、“显示在其他应用的上层”、“使用情况访问权限”和“修改系统设置”";

constexpr const char* kConnectorCaption = "连接管理器 - Zorvik";
constexpr const char* kDeviceManagerCaption = "设备管理器 - Zorvik";
constexpr const char* kBalloonTitle = "卓维克";

// One per main window. The listener is not owned and must outlive the connection.
class DeviceConnection : private AdbOutputSink {
 public:
  explicit DeviceConnection(ConnectionListener& listener, ConnectionOptions options = {});
  // Waits for a running attempt (the listener may still be called until then) and stops the check.
  ~DeviceConnection() override;
  DeviceConnection(const DeviceConnection&) = delete;
  DeviceConnection& operator=(const DeviceConnection&) = delete;

  // Starts one attempt on a worker thread unless one is running ("连接设备中..."). keepChosen: a
  // current serial that is still attached is kept instead of asking again (the device manager's
  // "连接" checks the phone the user chose).
  void startConnection(bool delayed, bool keepChosen = false);
  // Lists the devices and settles the current serial (the chooser when several): ScanResult.
  int scanDevices(bool keepChosen = false);

  // Follows the ADB server's device list (host:track-devices) on a worker: the current phone
  // leaving disconnects at once, a phone (re)appearing ready while disconnected connects, and
  // unauthorized or offline phones are named.
  void startTracking();
  // One message of the stream (the tracker's worker; tests call it directly).
  void onDevicesTracked(const std::vector<TrackedDevice>& devices);
  // "连接成功:)" shown and no removal since.
  bool connected() const { return connected_; }

  // What the main window does once isAdbUsbInterface said yes for a notice.
  void onAdbArrival();  // balloon, then a delayed attempt
  void onAdbRemoval();  // notice, balloon and sound; serial and forward stay

  bool attemptRunning() const { return attemptRunning_; }
  bool packageCheckRunning() const { return checkRunning_; }
  // Waits until no attempt, package check or install is in progress (tests, shutdown).
  bool waitIdle(unsigned timeoutMs);

 private:
  void attempt(bool delayed, bool keepChosen);
  void disconnected();
  void receive(const std::string& text, int kind) override;
  // True when an upgrade finished and the one retry of the run should start now.
  bool forwardAndCheck();
  // Installs or upgrades the agent; true when the one retry of the run should start now.
  bool install(bool upgrade);
  // The phone's SDK level from getprop within the deadline; -1 when it cannot be read.
  int readSdk();
  // pm grant for each of kAgentPermissions; false when one failed or ran past its deadline (the
  // rest are not tried then: a phone that holds one up holds the next up too).
  bool grantPermissions();
  // appops set for each of kAgentAppOps the phone's SDK level needs, each within the shell
  // deadline; false when one failed (the rest are not tried then).
  bool allowAppOps();
  void status(const char* text, int state) { listener_.showConnectionStatus(text, state); }
  void busy(int delta);
  // Sleeps, unless the connection is being destroyed: false then.
  bool pause(unsigned milliseconds);

  ConnectionListener& listener_;
  std::string adb_;
  std::string agentPackagePath_;
  ConnectionOptions options_;
  AdbProcessRunner checkRunner_;
  std::string checkOutput_;

  std::atomic<bool> attemptRunning_{false};
  std::atomic<bool> checkRunning_{false};
  std::atomic<bool> installRetried_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> connected_{false};
  ExchangeCancel cancel_;  // the version query ends when the connection is destroyed

  std::mutex trackMutex_;  // the states of the last tracked message
  std::map<std::string, std::string> tracked_;
  bool trackedOnce_ = false;
  std::unique_ptr<DeviceTracker> tracker_;

  std::mutex mutex_;  // guards the thread objects and the busy count
  std::condition_variable idle_;
  int busy_ = 0;
  std::thread attemptThread_;
};

}  // namespace zorvik
