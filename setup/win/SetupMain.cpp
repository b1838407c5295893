// setup.exe: the install wizard, then the USB driver wizard.
#include <windows.h>
#include <commctrl.h>

#include "common/win/Handles.h"
#include "setup/win/DriverScan.h"
#include "setup/win/SetupWizard.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zorvik;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ComScope com;
  SetupWizard wizard;
  if (wizard.runModal(nullptr) != IDOK) return 1;
  UniqueHkey usbEnum = openRegKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB");
  std::vector<std::string> rows;
  if (usbEnum) rows = driverRows(presentUsbIds(), usbEnum.get());
  DriverWizard drivers(std::move(rows));
  drivers.runModal(nullptr);
  return 0;
}
