// zorvik.exe: process start-up, the one main window run modally, and the clean-up after it.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/ConnectionLink.h"
#include "common/win/CrashHandling.h"
#include "ui/ImageDecode.h"
#include "app/MainWindow.h"
#include "app/PageRegistry.h"
#include "app/StartupArgs.h"
#include "ui/UiThread.h"

namespace {

LONG WINAPI crashFilter(EXCEPTION_POINTERS*) {
  MessageBoxA(nullptr, zorvik::kCrashMessage, "卓维克", MB_OK | MB_ICONERROR | MB_TOPMOST);
  return EXCEPTION_EXECUTE_HANDLER;  // the process ends; it is not restarted
}

// An earlier instance marks its main window with the property "Zorvik" = 1103.
BOOL CALLBACK findInstance(HWND hwnd, LPARAM out) {
  if (reinterpret_cast<INT_PTR>(GetPropA(hwnd, zorvik::kInstanceProperty)) == zorvik::kInstanceMark) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  zorvik::installCrashHandling(crashFilter);
  bool hidden = zorvik::isHiddenStart(commandLine ? commandLine : "");

  HWND earlier = nullptr;
  EnumWindows(findInstance, reinterpret_cast<LPARAM>(&earlier));
  if (earlier) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(earlier, RegisterWindowMessageA(zorvik::kRevealMessageName), 0, 0,
                        SMTO_ABORTIFHUNG | SMTO_BLOCK, zorvik::kRevealWaitMs, &ignored);
    ShowWindow(earlier, SW_SHOWNORMAL);
    SetForegroundWindow(earlier);
    return 0;
  }

  // OLE (which initialises COM) also lets the dialogs host ActiveX controls.
  if (FAILED(OleInitialize(nullptr))) return 1;
  WSADATA wsa{};
  bool sockets = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = 0;
  {
    zorvik::GdiplusSession gdiplus;
    zorvik::startUiThreadQueue();
    zorvik::registerPages();
    zorvik::ConnectionLink link;
    zorvik::MainWindow window(link.windowOptions(hidden));
    link.attach(window);
    rc = window.runModal(nullptr) == -1 ? 1 : 0;
    link.shutdown();  // the attempt in progress ends before the queue and the window object go
    zorvik::stopUiThreadQueue();
  }
  if (sockets) WSACleanup();
  OleUninitialize();
  return rc;
}
