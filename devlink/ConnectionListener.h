#pragma once
// Everything the connection shows, as events: the main window draws them, the tests record them.
// Methods are called on worker threads (the attempt thread and the runner's reader thread); an
// implementation that touches windows posts to its UI thread.
#include <cstdint>
#include <string>

namespace zorvik {

// The connection status label's states and their text colours (COLORREF, 0x00BBGGRR).
enum ConnectionState : int {
  kStateInfo = 0,     // blue
  kStateError = 1,    // red
  kStateSuccess = 2,  // green
};
constexpr uint32_t connectionStateColor(int state) {
  return state == kStateError ? 0x0000FFu : state == kStateSuccess ? 0x14901Du : 0xFF0000u;
}

constexpr int kSoundConnected = 656;
constexpr int kSoundDisconnected = 657;
constexpr int kDashboardTimerId = 1;  // its first tick loads the home dashboard and stops it
constexpr unsigned kDashboardTimerMs = 50;

class ConnectionListener {
 public:
  virtual ~ConnectionListener() = default;
  // The coloured connection status label.
  virtual void showConnectionStatus(const std::string& text, int state) = 0;
  // A tray balloon (the title is always "卓维克").
  virtual void showBalloon(const std::string& text, const std::string& title) = 0;
  // A sound resource of the program, played asynchronously.
  virtual void playSound(int resourceId) = 0;
  // SetTimer on the main window.
  virtual void startTimer(int timerId, unsigned milliseconds) = 0;
  // Shows the device choice dialog modally with this caption and returns once it is closed; the
  // dialog sets the current serial when the user connects a device. Called on the attempt thread.
  virtual void chooseDevice(const std::string& caption) = 0;
};

}  // namespace zorvik
