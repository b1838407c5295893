#pragma once
// Turning an attached phone into a reachable agent: list the devices, settle the current serial,
// check that the agent package is installed (install or upgrade it from the package file beside
// the program), start it, forward the agent port and check the agent's version.
#include "devlink/AdbBridge.h"
#include "devlink/ConnectionListener.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace zorvik {

struct ConnectionOptions {
  std::string adbPath;           // empty: adbPath()
  std::string agentPackagePath;  // empty: "com.zorvik.Zorvik.apk" in the program's folder
  unsigned arrivalDelayMs = 3000;    // a delayed attempt sleeps this long first
  unsigned agentStartWaitMs = 3000;  // between the forward and the version query
};

// scanDevices results.
enum ScanResult : int {
  kScanOk = 0,
  kScanCannotRun = 1,    // "【内部错误】，请重新安装"
  kScanCannotStart = 2,  // "【组件丢失，请重新安装"
  kScanNoDevice = 3,     // "【错误】没有找到Android设备"
  kScanNoneChosen = 4,   // "【错误】没有选择任何设备"
};

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

  // Starts one attempt on a worker thread unless one is running ("连接设备中...").
  void startConnection(bool delayed);
  // Lists the devices and settles the current serial (the chooser when several): ScanResult.
  int scanDevices();

  // What the main window does once isAdbUsbInterface said yes for a notice.
  void onAdbArrival();  // balloon, then a delayed attempt
  void onAdbRemoval();  // notice, balloon and sound; serial and forward stay

  bool attemptRunning() const { return attemptRunning_; }
  bool packageCheckRunning() const { return checkRunning_; }
  // Waits until no attempt, package check or install is in progress (tests, shutdown).
  bool waitIdle(unsigned timeoutMs);

 private:
  void attempt(bool delayed);
  void receive(const std::string& text, int kind) override;
  // True when an upgrade finished and the one retry of the run should start now.
  bool forwardAndCheck();
  // Installs or upgrades the agent; true when the one retry of the run should start now.
  bool install(bool upgrade);
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

  std::mutex mutex_;  // guards the thread objects and the busy count
  std::condition_variable idle_;
  int busy_ = 0;
  std::thread attemptThread_;
};

}  // namespace zorvik
