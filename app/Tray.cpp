#include "app/Tray.h"

#include <shellapi.h>

#include <cstring>

#include "app/resource.h"

namespace zorvik {

namespace {
template <size_t N>
void copyText(char (&dst)[N], const std::string& src) {
  size_t n = src.size() < N - 1 ? src.size() : N - 1;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

NOTIFYICONDATAA baseData(HWND owner) {
  NOTIFYICONDATAA d{};
  d.cbSize = sizeof d;
  d.hWnd = owner;
  d.uID = IDI_MAIN;
  return d;
}
}  // namespace

bool TrayIcon::add(HWND owner, HICON icon, const std::string& tooltip) {
  owner_ = owner;
  icon_ = icon;
  tooltip_ = tooltip;
  NOTIFYICONDATAA d = baseData(owner);
  d.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  d.uCallbackMessage = kTrayCallback;
  d.hIcon = icon;
  copyText(d.szTip, tooltip);
  // Always NIM_ADD first: a shell that has restarted knows nothing of the icon, so modifying it
  // would fail. Only a shell that still shows the icon refuses the add; it takes the change.
  added_ = Shell_NotifyIconA(NIM_ADD, &d) != FALSE || Shell_NotifyIconA(NIM_MODIFY, &d) != FALSE;
  return added_;
}

bool TrayIcon::addAfterShellRestart(const std::string& tooltip) {
  return owner_ && add(owner_, icon_, tooltip);
}

bool TrayIcon::balloon(const std::string& title, const std::string& text) {
  if (!owner_) return false;
  lastBalloon_ = title + "|" + text;
  NOTIFYICONDATAA d = baseData(owner_);
  d.uFlags = NIF_INFO;
  copyText(d.szInfo, text);
  copyText(d.szInfoTitle, title);
  d.uTimeout = 3;
  d.dwInfoFlags = NIIF_USER;
  d.hIcon = icon_;
  return Shell_NotifyIconA(NIM_MODIFY, &d) != FALSE;
}

void TrayIcon::remove() {
  if (!added_) return;
  NOTIFYICONDATAA d = baseData(owner_);
  Shell_NotifyIconA(NIM_DELETE, &d);
  added_ = false;
}

}  // namespace zorvik
