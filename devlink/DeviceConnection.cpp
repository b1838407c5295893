#include "devlink/DeviceConnection.h"

#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "devlink/DeviceTables.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace zorvik {
namespace {

// pm's listing of every package is a few hundred kilobytes at most; more is not a listing.
constexpr size_t kCheckOutputMax = 8 << 20;

constexpr int kPackageMissing = -1;  // beside the install outcomes: nothing to install

bool fileExists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

DeviceConnection::DeviceConnection(ConnectionListener& listener, ConnectionOptions options)
    : listener_(listener),
      adb_(options.adbPath.empty() ? adbPath() : options.adbPath),
      agentPackagePath_(options.agentPackagePath.empty() ? programFolder() + kAgentPackageFile : options.agentPackagePath),
      options_(std::move(options)),
      checkRunner_(*this) {}

DeviceConnection::~DeviceConnection() {
  if (tracker_) tracker_->stop();
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  cancel_.cancel();
  idle_.notify_all();
  // Every adb run of the attempt ends now with its process tree, so the step in progress ends
  // within a poll instead of at its deadline.
  endAdbRuns();
  // Waits for the step in progress (a wait ends at once, a run within a poll).
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return busy_ == 0; });
  if (attemptThread_.joinable()) attemptThread_.join();
  lock.unlock();
  checkRunner_.stop();
}

void DeviceConnection::busy(int delta) {
  std::lock_guard lock(mutex_);
  busy_ += delta;
  if (busy_ == 0) idle_.notify_all();
}

bool DeviceConnection::waitIdle(unsigned timeoutMs) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return busy_ == 0; });
}

bool DeviceConnection::pause(unsigned milliseconds) {
  std::unique_lock lock(mutex_);
  return !idle_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return closing_.load(); });
}

void DeviceConnection::startConnection(bool delayed, bool keepChosen) {
  if (closing_) return;
  bool idle = false;
  if (!attemptRunning_.compare_exchange_strong(idle, true)) return;
  connected_ = false;
  status("连接设备中...", kStateInfo);
  std::lock_guard lock(mutex_);
  if (closing_) {
    attemptRunning_ = false;
    return;
  }
  // An earlier attempt thread has cleared the running mark as its last step: it is ending.
  if (attemptThread_.joinable()) attemptThread_.join();
  ++busy_;
  attemptThread_ = std::thread([this, delayed, keepChosen] {
    attempt(delayed, keepChosen);
    busy(-1);
    attemptRunning_ = false;
  });
}

int DeviceConnection::scanDevices(bool keepChosen) {
  const AdbRunResult run = runAdbAndWait(devicesCommand(adb_), kDevicesOutputMax, options_.listingDeadlineMs);
  if (run.status == AdbRunStatus::CannotRun) return kScanCannotRun;
  if (run.cancelled) return kScanCancelled;
  if (run.timedOut) return kScanTimedOut;
  if (run.status == AdbRunStatus::CannotStart) return kScanCannotStart;
  const std::vector<std::string> serials = parseDevicesListing(run.output);
  if (serials.empty() && adbServerMissing(run.output)) return kScanNoServer;
  if (serials.empty()) {
    // Found but not usable yet is not "not found": the user has something to do on the phone.
    for (const TrackedDevice& d : parseDeviceStates(run.output)) {
      if (d.state == "unauthorized") return kScanUnauthorized;
      if (d.state == "offline") return kScanOffline;
    }
    return kScanNoDevice;
  }
  if (keepChosen) {
    for (const std::string& s : serials)
      if (s == currentSerial()) return kScanOk;
  }
  if (serials.size() == 1) {
    setCurrentSerial(serials.front());
    return kScanOk;
  }
  setCurrentSerial(std::string());
  listener_.chooseDevice(kConnectorCaption);
  return currentSerial().empty() ? kScanNoneChosen : kScanOk;
}

void DeviceConnection::attempt(bool delayed, bool keepChosen) {
  if (delayed && !pause(options_.arrivalDelayMs)) return;
  switch (scanDevices(keepChosen)) {
    case kScanCannotRun: return status("【内部错误】，请重新安装", kStateError);
    case kScanCannotStart: return status("【组件丢失，请重新安装", kStateError);
    case kScanNoDevice: return status("【错误】没有找到Android设备", kStateError);
    case kScanNoneChosen: return status("【错误】没有选择任何设备", kStateError);
    case kScanUnauthorized: return status(kUnauthorizedText, kStateInfo);
    case kScanOffline: return status(kOfflineText, kStateInfo);
    case kScanTimedOut: return status(adbTimeoutText("列出设备").c_str(), kStateError);
    case kScanNoServer:
      // The label shows the start of it; the balloon has room for what to do.
      status(kNoAdbServerText, kStateError);
      return listener_.showBalloon(kNoAdbServerText, kBalloonTitle);
    case kScanCancelled: return;
    default: break;
  }
  bool idle = false;
  if (closing_ || !checkRunning_.compare_exchange_strong(idle, true)) return;
  checkRunner_.stop();
  checkOutput_.clear();
  busy(+1);
  if (!checkRunner_.run(listPackagesCommand(adb_, currentSerial()), kAdbShellDeadlineMs)) {
    checkRunning_ = false;
    status("【组件丢失，请重新安装", kStateError);
    busy(-1);
  }
  // The rest of the attempt happens in receive(), on the runner's thread.
}

void DeviceConnection::receive(const std::string& text, int kind) {
  if (kind == kAdbOutputChunk) {
    if (checkOutput_.size() < kCheckOutputMax) checkOutput_ += text;
    return;
  }
  bool retry = false;
  if (kind == kAdbOutputTimedOut && !closing_) status(adbTimeoutText("检查手机端").c_str(), kStateError);
  if (kind == kAdbOutputEnded && !closing_) {
    bool installed = false;
    for (const std::string& line : splitLines(checkOutput_)) {
      if (trimmed(line).find(kAgentPackage) != std::string::npos) installed = true;
    }
    if (installed) {
      launchAdb(startAgentCommand(adb_, currentSerial()));
      retry = forwardAndCheck();
    } else {
      retry = install(false);
    }
  }
  // Cleared before the retry starts, so the retry's own check is not refused as still running.
  checkRunning_ = false;
  if (retry) startConnection(false);
  busy(-1);
}

bool DeviceConnection::forwardAndCheck() {
  switch (forwardAgentPort(currentSerial())) {
    case AdbSocketResult::NoDevice: status("【错误】没有找到Android设备", kStateError); return false;
    case AdbSocketResult::PortFailure: status("【错误】连接端口失败", kStateError); return false;
    case AdbSocketResult::ProtocolFailure: status("【错误】连接协议失败", kStateError); return false;
    case AdbSocketResult::Ok: break;
  }
  if (!pause(options_.agentStartWaitMs)) return false;
  const int32_t version = queryAgentVersion(agentPort(), &cancel_);
  if (version < 1) {
    status("【错误】连接手机端失败", kStateError);
    return false;
  }
  if (version < kAgentMinimumVersion) return install(true);
  if (!allowAppOps()) {
    status(kAppOpsNoticeText, kStateInfo);
    listener_.showBalloon(kAppOpsNoticeText, kBalloonTitle);
  }
  connected_ = true;
  status("连接成功:)", kStateSuccess);
  listener_.startTimer(kDashboardTimerId, kDashboardTimerMs);
  listener_.playSound(kSoundConnected);
  return false;
}

int DeviceConnection::readSdk() {
  const AdbRunResult run = runAdbAndWait(sdkCommand(adb_, currentSerial()), 256, options_.shellDeadlineMs);
  return run.status == AdbRunStatus::Ok && !run.timedOut ? sdkLevelFromOutput(run.output) : -1;
}

bool DeviceConnection::grantPermissions() {
  for (const char* permission : kAgentPermissions) {
    if (closing_) return false;
    const AdbRunResult run =
        runAdbAndWait(grantCommand(adb_, currentSerial(), permission), 4096, options_.shellDeadlineMs);
    if (run.status != AdbRunStatus::Ok || run.timedOut) return false;
    // pm grant says nothing when it grants; anything it prints is why it did not.
    if (!trimmed(run.output).empty()) return false;
  }
  return true;
}

bool DeviceConnection::allowAppOps() {
  const int sdk = readSdk();
  for (const AgentAppOp& a : kAgentAppOps) {
    if (closing_) return false;
    if (sdk < a.fromSdk) continue;  // an unreadable level (-1) asks for nothing
    const AdbRunResult run = runAdbAndWait(appOpCommand(adb_, currentSerial(), a.op), 4096, options_.shellDeadlineMs);
    if (run.status != AdbRunStatus::Ok || run.timedOut) return false;
    // appops set says nothing when it sets; anything it prints is why it did not.
    if (!trimmed(run.output).empty()) return false;
  }
  return true;
}

bool DeviceConnection::install(bool upgrade) {
  status(upgrade ? "【提示】正在升级手机端..." : "【提示】正在安装手机端...", kStateInfo);
  const bool present = fileExists(agentPackagePath_);
  // Runtime permissions exist from Android 6 on; an older pm refuses -g and knows no grants.
  const bool runtimePermissions = present && readSdk() >= kGrantAtInstallSdk;
  const int outcome =
      present ? installPackage(adb_, currentSerial(), agentPackagePath_, runtimePermissions) : kPackageMissing;
  switch (outcome) {
    case kPackageMissing: status(kAgentPackageMissingText, kStateError); break;
    case kInstallSuccess:
      status("安装成功", kStateSuccess);
      if (runtimePermissions && !grantPermissions()) {
        status(kGrantNoticeText, kStateInfo);
        listener_.showBalloon(kGrantNoticeText, kBalloonTitle);
      }
      break;
    case kInstallCannotRun: status("【错误】组件丢失，请到官网重下", kStateError); break;
    case kInstallTimedOut: status(adbTimeoutText("安装手机端").c_str(), kStateError); break;
    case kInstallBadCertificate: status("【错误】签名错误，先卸载老版本", kStateError); break;
    case kInstallNoSpace: status("【错误】安装失败，手机空间不足", kStateError); break;
    default: status("【错误】安装失败，请到官网重下", kStateError); break;
  }
  bool retried = false;
  return installRetried_.compare_exchange_strong(retried, true);
}

void DeviceConnection::onAdbArrival() {
  listener_.showBalloon("检测到Android设备，正在尝试连接...", kBalloonTitle);
  startConnection(true);
}

void DeviceConnection::onAdbRemoval() {
  connected_ = false;
  status(kRemovalText, kStateInfo);
  listener_.showBalloon("Android设备已经断开USB连接", kBalloonTitle);
  listener_.playSound(kSoundDisconnected);
}

// The phone in use is gone: exchanges waiting on it end now instead of at their deadline.
void DeviceConnection::disconnected() {
  onAdbRemoval();
  cancelAllExchanges();
}

void DeviceConnection::startTracking() {
  if (closing_) return;
  if (!tracker_) tracker_ = std::make_unique<DeviceTracker>([this](const std::vector<TrackedDevice>& d) { onDevicesTracked(d); });
  tracker_->start();
}

void DeviceConnection::onDevicesTracked(const std::vector<TrackedDevice>& devices) {
  if (closing_) return;
  std::map<std::string, std::string> now;
  for (const TrackedDevice& d : devices) now[d.serial] = d.state;
  std::map<std::string, std::string> before;
  bool first;
  {
    std::lock_guard lock(trackMutex_);
    before.swap(tracked_);
    tracked_ = now;
    first = !trackedOnce_;
    trackedOnce_ = true;
  }
  // The first message is what the start-up attempt already sees.
  if (first) return;
  const auto stateIn = [](const std::map<std::string, std::string>& m, const std::string& serial) {
    auto it = m.find(serial);
    return it == m.end() ? std::string() : it->second;
  };
  const std::string current = currentSerial();
  if (!current.empty() && stateIn(before, current) == "device" && stateIn(now, current) != "device") {
    disconnected();
  }
  bool appeared = false;
  for (const auto& [serial, state] : now) {
    const std::string was = stateIn(before, serial);
    if (state == was) continue;
    if (state == "device") appeared = true;
    else if (state == "unauthorized") status(kUnauthorizedText, kStateInfo);
    else if (state == "offline") status(kOfflineText, kStateInfo);
  }
  if (appeared && !connected_) {
    listener_.showBalloon("检测到Android设备，正在尝试连接...", kBalloonTitle);
    startConnection(false);
  }
}

}  // namespace zorvik
