#pragma once
// The main window's notification-area icon: tooltip, balloons, and its re-adding after the
// shell restarts.
#include <windows.h>

#include <string>

namespace zorvik {

constexpr UINT kTrayCallback = 0x40A;
// The tooltip of the icon once the shell has restarted ("TaskbarCreated").
constexpr const char* kTrayTooltipAfterShellRestart = "Zorvik 卓维克";

class TrayIcon {
public:
  TrayIcon() = default;
  ~TrayIcon() { remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  bool add(HWND owner, HICON icon, const std::string& tooltip);
  // The shell restarted and lost every icon: add this one again (with its icon) under tooltip.
  bool addAfterShellRestart(const std::string& tooltip);
  // Balloon with the time-out value 3 and the user icon.
  bool balloon(const std::string& title, const std::string& text);
  void remove();
  bool added() const { return added_; }
  const std::string& tooltip() const { return tooltip_; }
  // The last balloon shown, as "title|text" (what the notification area was asked to show).
  const std::string& lastBalloon() const { return lastBalloon_; }

private:
  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
  std::string tooltip_;
  std::string lastBalloon_;
  bool added_ = false;
};

}  // namespace zorvik
