#include "app/ConnectionLink.h"

#include <chrono>
#include <future>

#include "app/DeviceChooserDialog.h"
#include "ui/UiThread.h"
#include "devlink/AgentSession.h"

namespace zorvik {

ConnectionLink::ConnectionLink(ConnectionOptions options) : options_(std::move(options)) {}

ConnectionLink::~ConnectionLink() { shutdown(); }

MainWindowOptions ConnectionLink::windowOptions(bool hiddenStart) {
  MainWindowOptions o;
  o.hiddenStart = hiddenStart;
  o.onCreated = [this](HWND h) { onCreated(h); };
  o.onDeviceChange = [this](WPARAM e, LPARAM d) {
    if (connection_) handleDeviceChange(*connection_, e, reinterpret_cast<const void*>(d));
  };
  o.openDeviceManager = [this](HWND owner) { runChooser(owner, kDeviceManagerCaption); };
  o.onClosing = [this] { onClosing(); };
  return o;
}

void ConnectionLink::onCreated(HWND hwnd) {
  notify_ = registerUsbNotifications(hwnd);
  connection_ = std::make_unique<DeviceConnection>(*this, options_);
  connection_->startConnection(false);
  if (options_.trackDevices) connection_->startTracking();
}

void ConnectionLink::onClosing() {
  closing_ = true;
  notify_ = UsbNotification();
  // Exchanges blocked on a silent phone end now, so the program can go.
  cancelAllExchanges();
}

void ConnectionLink::shutdown() {
  closing_ = true;
  alive_.reset();
  connection_.reset();  // stops the tracker, waits for the attempt; its window calls are dropped
  window_ = nullptr;
}

void ConnectionLink::onUi(std::function<void()> fn) {
  std::weak_ptr<int> alive = alive_;
  postToUi([alive, fn = std::move(fn)] {
    if (!alive.expired()) fn();
  });
}

void ConnectionLink::showConnectionStatus(const std::string& text, int state) {
  onUi([this, text, state] {
    if (window_) window_->setConnectionStatus(text, state);
  });
}

void ConnectionLink::showBalloon(const std::string& text, const std::string& title) {
  onUi([this, text, title] {
    if (window_) window_->showBalloon(title, text);
  });
}

void ConnectionLink::playSound(int resourceId) {
  onUi([this, resourceId] {
    if (window_) window_->playSound(resourceId);
  });
}

void ConnectionLink::startTimer(int timerId, unsigned milliseconds) {
  if (timerId != kDashboardTimerId) return;
  onUi([this, milliseconds] {
    if (window_) window_->startHomeTimer(milliseconds);
  });
}

void ConnectionLink::chooseDevice(const std::string& caption) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> chosen = done->get_future();
  // Work dropped unrun (the queue stopped) destroys the promise, which also makes the future ready.
  onUi([this, caption, done] {
    if (!closing_ && window_) runChooser(window_->hwnd(), caption);
    done->set_value();
  });
  while (chosen.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (closing_) return;
  }
}

void ConnectionLink::runChooser(HWND owner, const std::string& caption) {
  DeviceChooserDialog dialog(caption, [this](const std::string& text) {
    onUi([this, text] {
      if (window_) window_->setStatusText(text);
    });
  }, options_.adbPath);
  dialog.runModal(owner);
  // The attempt that opened the connector goes on by itself; the device manager's "连接" checks
  // the agent before the label turns green.
  if (dialog.connected() && caption == kDeviceManagerCaption && connection_ && !closing_)
    connection_->startConnection(false, true);
}

}  // namespace zorvik
