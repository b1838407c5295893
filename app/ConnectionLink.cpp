#include "app/ConnectionLink.h"

#include "app/DeviceChooserDialog.h"
#include "devlink/UsbInterface.h"

namespace zorvik {

namespace {
// The USB device interface class.
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
}  // namespace

ConnectionLink::ConnectionLink(ConnectionOptions options) : options_(std::move(options)) {}

ConnectionLink::~ConnectionLink() { shutdown(); }

MainWindowOptions ConnectionLink::windowOptions(bool hiddenStart) {
  MainWindowOptions o;
  o.hiddenStart = hiddenStart;
  o.onCreated = [this](HWND h) { onCreated(h); };
  o.onDeviceChange = [this](WPARAM e, LPARAM d) { onDeviceChange(e, d); };
  o.openDeviceManager = [this](HWND owner) { runChooser(owner, kDeviceManagerCaption); };
  o.onClosing = [this] {
    if (notify_) UnregisterDeviceNotification(notify_);
    notify_ = nullptr;
  };
  o.extraMessages = {{kMsgChooseDevice, [this](WinMsg& m) {
    runChooser(m.hwnd, reinterpret_cast<const char*>(m.lp));
  }}};
  return o;
}

void ConnectionLink::onCreated(HWND hwnd) {
  hwnd_ = hwnd;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kUsbDeviceInterface;
  notify_ = RegisterDeviceNotificationA(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  connection_ = std::make_unique<DeviceConnection>(*this, options_);
  connection_->startConnection(false);
}

void ConnectionLink::shutdown() {
  hwnd_ = nullptr;
  connection_.reset();  // waits for the attempt; its calls into the gone window fail fast
}

void ConnectionLink::onDeviceChange(WPARAM event, LPARAM data) {
  if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !data || !connection_) return;
  auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(data);
  if (!isAdbUsbInterface(iface->dbcc_name)) return;
  if (event == DBT_DEVICEARRIVAL) connection_->onAdbArrival();
  else connection_->onAdbRemoval();
}

void ConnectionLink::showConnectionStatus(const std::string& text, int state) {
  if (window_) window_->setConnectionStatus(text, state);
}

void ConnectionLink::showBalloon(const std::string& text, const std::string& title) {
  if (window_) window_->showBalloon(title, text);
}

void ConnectionLink::playSound(int resourceId) {
  if (window_) window_->playSound(resourceId);
}

void ConnectionLink::startTimer(int timerId, unsigned milliseconds) {
  if (window_ && timerId == static_cast<int>(kHomeTimer)) window_->startHomeTimer(milliseconds);
}

void ConnectionLink::chooseDevice(const std::string& caption) {
  // Blocks the attempt thread until the dialog closes; fails at once when the window is gone.
  HWND h = hwnd_;
  if (h && IsWindow(h)) SendMessageA(h, kMsgChooseDevice, 0, reinterpret_cast<LPARAM>(caption.c_str()));
}

void ConnectionLink::runChooser(HWND owner, const std::string& caption) {
  DeviceChooserDialog dialog(caption, [this](const std::string& text) {
    if (window_) window_->setStatusText(text);
  }, options_.adbPath);
  dialog.runModal(owner);
}

}  // namespace zorvik
