// setup.exe: the install wizard, then the USB driver wizard.
#include <windows.h>
#include <commctrl.h>

#include "common/win/Handles.h"
#include "setup/win/DriverScan.h"
#include "setup/win/SetupWizard.h"
#include "ui/UiThread.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zorvik;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ComScope com;
  // The install runs on a worker and hands its progress and outcome back through the queue.
  if (!startUiThreadQueue()) return 1;
  SetupWizard wizard;
  const INT_PTR installed = wizard.runModal(nullptr);
  stopUiThreadQueue();
  if (installed != IDOK) return 1;
  UniqueHkey usbEnum = openRegKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB");
  std::vector<std::string> rows;
  if (usbEnum) rows = driverRows(presentUsbIds(), usbEnum.get());
  DriverWizard drivers(std::move(rows));
  drivers.runModal(nullptr);
  return 0;
}
