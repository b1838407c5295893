#include "settings/win/SettingsPage.h"

#include <commctrl.h>

#include "ui/Controls.h"
#include "settings/RegistrationWin.h"
#include "settings/win/SettingsResource.h"
#include "settings/SettingsWin.h"

namespace zorvik {

SettingsPage::SettingsPage(const PageInfo& info, PageHost& host) : Page(info, host, IDD_SETTINGS_PAGE) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    ProgressBar(hwnd(), IDC_SETTINGS_REPAIR_PROGRESS).setRange(0, 100);
    refresh();
    m.result = TRUE;
  });
  map_.onCommand(IDC_SETTINGS_AUTORUN, [this](WinMsg& m) {
    if (m.commandCode() != BN_CLICKED) return;
    setStartWithWindows(Button(hwnd(), IDC_SETTINGS_AUTORUN).checked(), programPath());
    refresh();
  });
  auto exitMode = [this](int button, int other, std::uint32_t mode) {
    map_.onCommand(button, [this, button, other, mode](WinMsg& m) {
      if (m.commandCode() != BN_CLICKED) return;
      Button(hwnd(), other).setChecked(false);
      Button(hwnd(), button).setChecked(true);
      writeExitMode(mode);
      refresh();
    });
  };
  exitMode(IDC_SETTINGS_EXIT_HIDE, IDC_SETTINGS_EXIT_QUIT, kExitModeHide);
  exitMode(IDC_SETTINGS_EXIT_QUIT, IDC_SETTINGS_EXIT_HIDE, kExitModeExit);
  map_.onCommand(IDC_SETTINGS_SHOW_MODE, [this](WinMsg&) {
    MessageBoxA(hwnd(), readExitMode() == kExitModeExit ? "exit" : "hide", "卓维克", MB_OK);
  });
  map_.onCommand(IDC_SETTINGS_REPAIR, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) runRepairNow();
  });
}

void SettingsPage::refresh() {
  Button(hwnd(), IDC_SETTINGS_AUTORUN).setChecked(runValueMatches(readRunValue(), programPath()));
  const bool quit = readExitMode() == kExitModeExit;
  Button(hwnd(), IDC_SETTINGS_EXIT_QUIT).setChecked(quit);
  Button(hwnd(), IDC_SETTINGS_EXIT_HIDE).setChecked(!quit);
}

void SettingsPage::runRepairNow() {
  const ProgressBar bar(hwnd(), IDC_SETTINGS_REPAIR_PROGRESS);
  Label(hwnd(), IDC_SETTINGS_REPAIR_RESULT).setText("");
  const std::string text = runRepair([&bar](int percent) {
    bar.setPos(percent);
    UpdateWindow(bar.hwnd());
  });
  Label(hwnd(), IDC_SETTINGS_REPAIR_RESULT).setText(text);
}

}  // namespace zorvik
