// Quillet.exe: the .apk handler. One window for all starts: a later copy leaves its path in the
// section every copy shares and asks the running window to open it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "ui/ImageDecode.h"
#include "ui/UiThread.h"
#include "common/win/CrashHandling.h"
#include "common/win/ModulePath.h"
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"
#include "installer/Package.h"
#include "installer/InstallFlow.h"
#include "installer/win/QuilletWindow.h"
#include "settings/SettingsWin.h"

// The path from the most recent command line, shared by every running copy of the program: a
// writable data section marked shared. The assembler needs the name quoted (it holds a "-"),
// which the section attribute cannot do.
asm(".section \"vko-Quil\",\"dws\"\n"
    ".balign 16\n"
    ".globl quilletSharedPath\n"
    "quilletSharedPath:\n"
    ".space 260\n"
    ".text\n");
extern "C" char quilletSharedPath[260];
#define gSharedPath quilletSharedPath

namespace {

std::string ownPath() { return zorvik::modulePathOf<char>(nullptr); }

LONG WINAPI crashFilter(EXCEPTION_POINTERS*) {
  MessageBoxA(nullptr, "很抱歉，出现点小状况，【Quillet】需要重新启动", "出错了 - www.zorvik.com",
              MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
  // Started again without the package that may have caused it.
  ShellExecuteA(nullptr, "open", ownPath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return EXCEPTION_EXECUTE_HANDLER;
}

BOOL CALLBACK findInstance(HWND hwnd, LPARAM out) {
  if (reinterpret_cast<INT_PTR>(GetPropA(hwnd, zorvik::kInstanceProperty)) == zorvik::kInstanceMark) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The first argument, quotes removed.
std::string firstArgument(const char* commandLine) {
  const std::vector<std::string> words = zorvik::detail::splitCommandLine(commandLine ? commandLine : "");
  return words.empty() ? std::string() : zorvik::stripQuotes(words[0]);
}

std::string sharedPath() {
  char copy[sizeof gSharedPath];
  std::memcpy(copy, gSharedPath, sizeof copy);
  copy[sizeof copy - 1] = '\0';
  return copy;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  zorvik::installCrashHandling(crashFilter);
  const std::string path = firstArgument(commandLine);
  // A path that does not fit is not cut into another file's name, and is not announced: the
  // buffer still holds the previous copy's path.
  const bool shared = !path.empty() && path.size() < sizeof gSharedPath;
  if (shared) std::memcpy(gSharedPath, path.c_str(), path.size() + 1);

  HWND running = nullptr;
  EnumWindows(findInstance, reinterpret_cast<LPARAM>(&running));
  if (running) {
    if (shared) PostMessageA(running, zorvik::kOpenSharedPathMessage, 0, 0);
    ShowWindow(running, SW_SHOWNORMAL);
    SetForegroundWindow(running);
    return 0;
  }

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = 0;
  {
    zorvik::GdiplusSession gdiplus;
    zorvik::startUiThreadQueue();
    zorvik::QuilletOptions options;
    options.adb = zorvik::adbPath();
    options.programPath = ownPath();
    options.initialPath = path;
    options.sharedPath = sharedPath;
    zorvik::applyWebSettings(options);
    zorvik::QuilletWindow window(options);
    rc = window.runModal(nullptr) == -1 ? 1 : 0;
    zorvik::stopUiThreadQueue();
  }
  CoUninitialize();
  return rc;
}
