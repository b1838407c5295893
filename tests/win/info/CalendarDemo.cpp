// Shows the calendar page in a plain top-level window: info_calendar_demo.exe [YYYY-MM-DD].
#include <windows.h>

#include <cstdio>

#include "info/win/CalendarView.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  zorvik::GregorianDate date = zorvik::LocalToday();
  unsigned y = 0, m = 0, d = 0;
  if (std::sscanf(commandLine, "%u-%u-%u", &y, &m, &d) == 3)
    date = {static_cast<uint16_t>(y), static_cast<uint16_t>(m), static_cast<uint16_t>(d)};

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(h, msg, wp, lp);
  };
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "ZorvikCalendarDemo";
  RegisterClassExA(&wc);
  RECT r{0, 0, zorvik::CalendarView::kWidth, zorvik::CalendarView::kHeight};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND top = CreateWindowExA(0, wc.lpszClassName, "日程管理", WS_OVERLAPPEDWINDOW, 20, 20, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  zorvik::CalendarView view(date);
  if (!top || !view.create(top, 0, 0)) return 1;
  ShowWindow(top, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(top, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
