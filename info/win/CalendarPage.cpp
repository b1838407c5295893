#include "info/win/CalendarPage.h"

namespace zorvik {

namespace {
// The calendar's place on the page.
constexpr int kLeft = 16, kTop = 1;
}  // namespace

CalendarPage::CalendarPage(const PageInfo& info, PageHost& host) : Page(info, host), view_(LocalToday()) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    view_.create(hwnd(), kLeft, kTop);
    m.result = TRUE;
  });
}

}  // namespace zorvik
