#include "UiTestSupport.h"

#include <objidl.h>
#include <algorithm>
namespace Gdiplus { using std::min; using std::max; }
#include <gdiplus.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <vector>

namespace zorvik::test {

void pump(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (std::chrono::steady_clock::now() < end);
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    pump(20);
  }
  return true;
}

static bool pngEncoder(CLSID& out) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<BYTE> buf(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i)
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      out = codecs[i].Clsid;
      return true;
    }
  return false;
}

bool saveWindowPng(HWND hwnd, const std::string& path) {
  // The whole screen: without a window manager Wine's window rectangles and the X window can
  // disagree by the caption, and the screen shows the window with what surrounds it.
  if (!IsWindow(hwnd)) return false;
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  bool ok = false;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);  // counted: fine inside a running session
  {
    Gdiplus::Bitmap image(bmp, nullptr);
    CLSID png;
    std::wstring wpath(path.begin(), path.end());
    ok = pngEncoder(png) && image.Save(wpath.c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  if (token) Gdiplus::GdiplusShutdown(token);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string artifactPath(const std::string& name) {
  const char* dir = std::getenv("ZORVIK_ARTIFACTS");
  std::string base = dir && *dir ? dir : ".";
  CreateDirectoryA(base.c_str(), nullptr);
  return base + "\\" + name;
}

int runningCount(const char* exe) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(entry.szExeFile, exe) == 0) ++count;
  CloseHandle(snapshot);
  return count;
}

}  // namespace zorvik::test
