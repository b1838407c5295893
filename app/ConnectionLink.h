#pragma once
// Wires the device link to the main window: the connection's listener (status label, balloons,
// sounds, the dashboard timer, the chooser), USB notifications, and the device manager command.
#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "devlink/ConnectionListener.h"
#include "devlink/DeviceConnection.h"

namespace zorvik {

// Sent (not posted) by the attempt thread to the main window: run the chooser modally.
// lParam = const char* caption.
constexpr UINT kMsgChooseDevice = WM_APP + 20;

class ConnectionLink : public ConnectionListener {
public:
  explicit ConnectionLink(ConnectionOptions options = {});
  ~ConnectionLink() override;

  // The main window's options with this link's callbacks filled in.
  MainWindowOptions windowOptions(bool hiddenStart);
  void attach(MainWindow& window) { window_ = &window; }
  // After the window is gone: waits for the attempt in progress (its window calls then fail fast).
  void shutdown();
  DeviceConnection* connection() { return connection_.get(); }

  // ConnectionListener (worker threads)
  void showConnectionStatus(const std::string& text, int state) override;
  void showBalloon(const std::string& text, const std::string& title) override;
  void playSound(int resourceId) override;
  void startTimer(int timerId, unsigned milliseconds) override;
  void chooseDevice(const std::string& caption) override;

  // Opens the chooser on the UI thread (command 1051, 0x7E8 command 0).
  void runChooser(HWND owner, const std::string& caption);

private:
  void onCreated(HWND hwnd);
  void onDeviceChange(WPARAM event, LPARAM data);

  MainWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  HDEVNOTIFY notify_ = nullptr;
  ConnectionOptions options_;
  std::unique_ptr<DeviceConnection> connection_;
};

}  // namespace zorvik
