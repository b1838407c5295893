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
  map_.onCommand(IDC_SETUP_INSTALL, [this](WinMsg&) {
    if (install()) end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

void SetupWizard::changeLocation() {
  const std::string chosen = browseForFolder(hwnd());
  if (!chosen.empty()) Edit(hwnd(), IDC_SETUP_LOCATION).setText(installFolderFor(chosen));
}

bool SetupWizard::install() {
  const std::string location = windowText(item(IDC_SETUP_LOCATION));
  const ProgressBar bar(hwnd(), IDC_SETUP_PROGRESS);
  EnableWindow(item(IDC_SETUP_INSTALL), FALSE);
  const InstallOutcome outcome = runInstall(location, payloadResource(GetModuleHandleA(nullptr)), [&](int value) {
    bar.setPos(value);
    UpdateWindow(bar.hwnd());
  });
  EnableWindow(item(IDC_SETUP_INSTALL), TRUE);
  MessageBoxA(hwnd(), outcome.message.c_str(), kSetupCaption, outcome.ok ? MB_ICONINFORMATION : MB_ICONERROR);
  return outcome.ok;
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
