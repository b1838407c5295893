#pragma once
// Wires the device link to the main window: the connection's listener (status label, balloons,
// sounds, the dashboard timer, the chooser), USB notifications, the device tracker, and the device
// manager command.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "devlink/ConnectionListener.h"
#include "devlink/DeviceConnection.h"
#include "devlink/UsbInterface.h"

namespace zorvik {

class ConnectionLink : public ConnectionListener {
public:
  explicit ConnectionLink(ConnectionOptions options = {});
  ~ConnectionLink() override;

  // The main window's options with this link's callbacks filled in.
  MainWindowOptions windowOptions(bool hiddenStart);
  // UI thread; the window is only ever touched there.
  void attach(MainWindow& window) { window_ = &window; }
  // After the window is gone: waits for the attempt in progress (its calls are dropped by then).
  void shutdown();
  DeviceConnection* connection() { return connection_.get(); }

  // ConnectionListener: called on worker threads, each posted to the UI thread.
  void showConnectionStatus(const std::string& text, int state) override;
  void showBalloon(const std::string& text, const std::string& title) override;
  void playSound(int resourceId) override;
  void startTimer(int timerId, unsigned milliseconds) override;
  // Runs the chooser on the UI thread and waits for it; gives up when the window is closing.
  void chooseDevice(const std::string& caption) override;

  // Opens the chooser on the UI thread (command 1051, 0x7E8 command 0). After the user's "连接"
  // from the device manager, the chosen phone gets the same check as an automatic connection.
  void runChooser(HWND owner, const std::string& caption);

private:
  void onCreated(HWND hwnd);
  void onClosing();
  // Runs fn on the UI thread while this link still exists.
  void onUi(std::function<void()> fn);

  MainWindow* window_ = nullptr;  // UI thread only
  UsbNotification notify_;
  ConnectionOptions options_;
  std::atomic<bool> closing_{false};
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::unique_ptr<DeviceConnection> connection_;
};

}  // namespace zorvik
