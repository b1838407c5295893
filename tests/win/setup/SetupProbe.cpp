// Drives a running setup.exe from outside as a user would: types the folder into field 1003,
// clicks "立即安装", reads and dismisses the message box, then closes the driver wizard.
// usage: setup_probe <folder>; exit 0 when the install reported its done text.
#include <windows.h>

#include <cstdio>
#include <string>

#include "setup/win/SetupInstall.h"
#include "setup/win/SetupResource.h"
#include "setup/win/SetupWizard.h"

namespace {
HWND waitFor(const char* cls, const char* title, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (HWND w = FindWindowA(cls, title)) return w;
    Sleep(100);
  }
  return nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  using namespace zorvik;
  if (argc < 2) return 2;
  HWND wizard = waitFor(nullptr, kSetupTitle, 60);
  if (!wizard) {
    std::puts("no install wizard");
    return 1;
  }
  SetDlgItemTextA(wizard, IDC_SETUP_LOCATION, argv[1]);
  PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDC_SETUP_INSTALL, BN_CLICKED), 0);
  HWND box = waitFor("#32770", kSetupCaption, 120);
  if (!box) {
    std::puts("no message box");
    return 1;
  }
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  const bool done = std::string(text) == kDoneText;
  std::printf("message: %s\n", done ? "done" : text);
  HWND drivers = waitFor(nullptr, kDriverTitle, 30);
  if (!drivers) {
    std::puts("no driver wizard");
    return 1;
  }
  PostMessageA(drivers, WM_COMMAND, IDCANCEL, 0);
  return done ? 0 : 1;
}
