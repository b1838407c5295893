#include "setup/win/SetupWizard.h"

#include <shlobj.h>

#include "ui/Controls.h"
#include "common/win/Handles.h"
#include "setup/SetupRules.h"
#include "setup/win/DriverScan.h"
#include "setup/win/SetupInstall.h"
#include "setup/win/SetupResource.h"

namespace zorvik {

namespace {
std::string browseForFolder(HWND owner) {
  ComScope com;
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  if (!chosen) return {};
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  return ok ? path : "";
}
}  // namespace

SetupWizard::SetupWizard() : Dialog(IDD_SETUP) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), kSetupTitle);
    Edit(hwnd(), IDC_SETUP_LOCATION).setLimit(MAX_PATH - 20);
    Edit(hwnd(), IDC_SETUP_LOCATION).setText(kDefaultInstallFolder);
    ProgressBar(hwnd(), IDC_SETUP_PROGRESS).setRange(0, 100);
    m.result = TRUE;
  });
  map_.onCommand(IDC_SETUP_CHANGE, [this](WinMsg&) { changeLocation(); });
  map_.onCommand(IDC_SETUP_INSTALL, [this](WinMsg&) { startInstall(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { close(); });
}

void SetupWizard::changeLocation() {
  const std::string chosen = browseForFolder(hwnd());
  if (!chosen.empty()) Edit(hwnd(), IDC_SETUP_LOCATION).setText(installFolderFor(chosen));
}

void SetupWizard::setBusy(bool busy) {
  installing_ = busy;
  for (int id : {IDC_SETUP_INSTALL, IDC_SETUP_CHANGE, IDC_SETUP_LOCATION}) EnableWindow(item(id), !busy);
}

void SetupWizard::startInstall() {
  if (installing_) return;
  const std::string location = windowText(item(IDC_SETUP_LOCATION));
  ProgressBar(hwnd(), IDC_SETUP_PROGRESS).setPos(0);
  setBusy(true);
  // The worker holds no window: it reaches the bar through the poster, which drops what comes
  // after the dialog closed.
  PageWork::Post post = work_.poster();
  HWND wizard = hwnd();
  work_.run(
      [location, payload = payloadResource(GetModuleHandleA(nullptr)), post, wizard](ExchangeCancel* cancel) {
        return runInstall(
            location, payload,
            [&post, wizard](int value) {
              post([wizard, value] { ProgressBar(wizard, IDC_SETUP_PROGRESS).setPos(value); });
            },
            cancel);
      },
      [this](InstallOutcome& outcome) { finishInstall(std::move(outcome)); });
}

void SetupWizard::finishInstall(InstallOutcome outcome) {
  outcome_ = std::move(outcome);
  setBusy(false);
  MessageBoxA(hwnd(), outcome_.message.c_str(), kSetupCaption, outcome_.ok ? MB_ICONINFORMATION : MB_ICONERROR);
  if (outcome_.ok) end(IDOK);
}

void SetupWizard::close() {
  if (installing_) {
    // The run stops before its next member and undoes itself; a worker stuck in the file system
    // is not waited for without end.
    work_.stop();
    work_.waitForWorkers(kCloseWaitMs);
    installing_ = false;
  }
  end(IDCANCEL);
}

DriverWizard::DriverWizard(std::vector<std::string> rows) : Dialog(IDD_DRIVERS), rows_(std::move(rows)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), kDriverTitle);
    const ListView list(hwnd(), IDC_DRIVER_LIST);
    list.setExtendedStyle(LVS_EX_FULLROWSELECT);
    list.addColumn(0, {"平台", 90});
    list.addColumn(1, {"制造商", 220});
    for (size_t i = 0; i < rows_.size(); ++i) {
      const int row = list.insertRow(static_cast<int>(i), "Android");
      list.setCell(row, 1, rows_[i]);
    }
    m.result = TRUE;
  });
  map_.onCommand(IDC_DRIVER_NEXT, [this](WinMsg&) {
    for (const std::string& maker : rows_) openDriverSearch(maker);
    end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

}  // namespace zorvik
