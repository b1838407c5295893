#include "devlink/DeviceChooser.h"

#include "common/TextConv.h"
#include "devlink/CurrentDevice.h"
#include "devlink/DeviceTables.h"

#include <cstdio>

namespace zorvik {
namespace {

constexpr size_t kGetpropOutputMax = 4 << 20;

}  // namespace

const DeviceChooserColumn kDeviceChooserColumns[4] = {
    {"品牌信息", 104}, {"硬件信息", 200}, {"系统版本", 140}, {"连接方式", 140}};

const char* connectionKindText(int32_t kind) { return kind == 0 ? "USB 数据线" : "WiFi 无线网络"; }

DeviceChooser::DeviceChooser(DeviceChooserView& view, std::string adb)
    : view_(view), adb_(adb.empty() ? adbPath() : std::move(adb)), runner_(*this) {
  connectLink_->chooser = this;
}

DeviceChooser::~DeviceChooser() {
  closing_ = true;
  {
    std::lock_guard lock(connectLink_->mutex);
    connectLink_->chooser = nullptr;
  }
  if (listThread_.joinable()) listThread_.join();
  runner_.stop();
}

void DeviceChooser::open() {
  bool idle = false;
  if (closing_ || !listing_.compare_exchange_strong(idle, true)) return;
  if (listThread_.joinable()) listThread_.join();
  listThread_ = std::thread([this] { listDevices(); });
}

void DeviceChooser::listDevices() {
  view_.setLabel("获取设备信息中,请稍等...");
  const AdbRunResult run = runAdbAndWait(devicesCommand(adb_), kDevicesOutputMax, kAdbListingDeadlineMs);
  if (run.timedOut || run.cancelled) {
    if (run.timedOut) view_.setLabel(adbTimeoutText("列出设备").c_str());
    listing_ = false;
    return;
  }
  if (run.status != AdbRunStatus::Ok) {
    view_.setLabel(run.status == AdbRunStatus::CannotRun ? "【内部错误】，请重新安装" : "【组件丢失，请重新安装");
    listing_ = false;
    return;
  }
  const std::vector<std::string> found = parseDevicesListing(run.output);
  {
    std::lock_guard lock(mutex_);
    serials_ = found;
    rows_.clear();
    deviceIndex_ = 0;
  }
  view_.setLabel(found.empty() && adbServerMissing(run.output) ? std::string(kNoAdbServerText) : currentSerial());
  // The last step of this thread, so a later open() never waits on a view call.
  if (found.empty() || closing_) {
    listing_ = false;
  } else {
    readDevice(0);
  }
}

void DeviceChooser::readDevice(size_t index) {
  std::string serial;
  {
    std::lock_guard lock(mutex_);
    if (index >= serials_.size()) {
      listing_ = false;
      return;
    }
    serial = serials_[index];
    output_.clear();
  }
  if (closing_ || !runner_.run(getpropCommand(adb_, serial), kAdbShellDeadlineMs)) listing_ = false;
}

void DeviceChooser::receive(const std::string& text, int kind) {
  std::unique_lock lock(mutex_);
  if (kind == kAdbOutputChunk) {
    if (output_.size() < kGetpropOutputMax) output_ += text;
    return;
  }
  // A device whose properties could not be read is still listed, so it can be chosen.
  const DeviceProperties properties = parseGetprop(output_);
  DeviceRow row;
  row.info.serial = deviceIndex_ < serials_.size() ? serials_[deviceIndex_] : std::string();
  row.info.versionName = versionNameForSdk(properties.sdkLevel);
  row.info.connectionKind = 0;
  row.info.brandImage = brandImageForManufacturer(properties.manufacturer);
  row.sdkLevel = properties.sdkLevel;
  // The serial tells two phones of the same model apart.
  row.hardwareText = displayManufacturer(toAnsi(properties.manufacturer)) + " [ " +
                     displayModel(toAnsi(properties.model)) + " ] " + row.info.serial;
  char api[32];
  std::snprintf(api, sizeof api, "API Level %d", properties.sdkLevel);
  row.systemText = api;
  rows_.push_back(row);
  const bool first = rows_.size() == 1;
  const bool more = deviceIndex_ + 1 < serials_.size();
  lock.unlock();
  if (closing_) return;
  view_.addRow(row);
  if (first) view_.selectFirstRow();
  if (more) {
    view_.startNextDeviceTimer(kNextDeviceTimerMs);
  } else {
    listing_ = false;
  }
}

void DeviceChooser::onNextDeviceTimer() {
  size_t next;
  {
    std::lock_guard lock(mutex_);
    next = ++deviceIndex_;
  }
  readDevice(next);
}

bool DeviceChooser::connect(int selectedRow) {
  if (closing_ || connecting_) return false;
  std::string serial;
  {
    std::lock_guard lock(mutex_);
    if (selectedRow < 0 || static_cast<size_t>(selectedRow) >= rows_.size()) {
      view_.setLabel(kChooseRowFirstLabel);
      return false;
    }
    serial = rows_[static_cast<size_t>(selectedRow)].info.serial;
  }
  setCurrentSerial(serial);
  connecting_ = true;
  view_.setLabel(kConnectingLabel);
  // Detached: it owns what it uses, and reaches the chooser only through the link.
  std::thread([link = connectLink_, serial] {
    const AdbSocketResult result = forwardAgentPort(serial);
    std::lock_guard lock(link->mutex);
    if (link->chooser) link->chooser->connectEnded(result);
  }).detach();
  return true;
}

void DeviceChooser::connectEnded(AdbSocketResult result) {
  view_.setLabel(currentSerial());
  switch (result) {
    case AdbSocketResult::NoDevice: view_.showStatusLine("【错误】没有找到设备"); break;
    case AdbSocketResult::PortFailure: view_.showStatusLine("【错误】连接端口失败"); break;
    case AdbSocketResult::ProtocolFailure: view_.showStatusLine("【错误】连接协议失败"); break;
    case AdbSocketResult::Ok: view_.showStatusLine("连接协议成功"); break;
  }
  lastConnect_ = result;
  if (result == AdbSocketResult::Ok || !listing_) view_.closeDialog();
  connecting_ = false;
}

std::vector<DeviceRow> DeviceChooser::rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

std::vector<std::string> DeviceChooser::serials() const {
  std::lock_guard lock(mutex_);
  return serials_;
}

}  // namespace zorvik
