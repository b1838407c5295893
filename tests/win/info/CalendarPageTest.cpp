// Page 14 "日程管理" in the real main window: shown through the frame's own message, its calendar
// read back from the controls, and a screenshot kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "info/win/CalendarPage.h"
#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

using test::pump;

std::string textOf(HWND hwnd) {
  char buf[512] = {};
  GetWindowTextA(hwnd, buf, sizeof(buf));
  return buf;
}

TEST(CalendarPage, ShownAsPage14OfTheDataGroup) {
  auto window = std::make_unique<MainWindow>(MainWindowOptions{});
  ASSERT_TRUE(window->createModeless(nullptr));
  ShowWindow(window->hwnd(), SW_SHOW);
  pump(100);

  PostMessageA(window->hwnd(), kMsgShowPage, 1, 14);
  pump(100);
  EXPECT_EQ(window->currentPageId(), 14);
  auto* page = dynamic_cast<CalendarPage*>(window->page(14));
  ASSERT_NE(page, nullptr);
  EXPECT_STREQ(page->info().caption, "日程管理");
  EXPECT_EQ(page->pageKey(), kNoPageKey);
  EXPECT_TRUE(IsWindowVisible(page->hwnd()));
  HWND view = page->view().hwnd();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(GetParent(view), page->hwnd());
  EXPECT_EQ(window->toolbarCount(), 0);

  // It starts on today's date.
  const GregorianDate today = LocalToday();
  EXPECT_EQ(page->view().model().date(), today);
  EXPECT_EQ(textOf(GetDlgItem(view, kCalLunarLabel)), LunarLine(today.year, today.month, today.day));

  // Driven inside the frame like on its own: a month chosen, a day clicked in the grid.
  HWND months = GetDlgItem(view, kCalMonthList);
  HWND years = GetDlgItem(view, kCalYearList);
  SendMessageA(years, CB_SETCURSEL, 2012 - kCalendarFirstYear, 0);
  PostMessageA(view, WM_COMMAND, MAKEWPARAM(kCalYearList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(years));
  pump(50);
  SendMessageA(months, CB_SETCURSEL, 0, 0);
  PostMessageA(view, WM_COMMAND, MAKEWPARAM(kCalMonthList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(months));
  pump(50);
  HWND grid = GetDlgItem(view, kCalGrid);
  int x = 0, y = 0;
  GridCellOrigin(2012, 1, 23, x, y);
  PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x + 30, y + 30));
  PostMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(x + 30, y + 30));
  pump(100);
  EXPECT_EQ(page->view().model().date(), (GregorianDate{2012, 1, 23}));
  EXPECT_EQ(textOf(GetDlgItem(view, kCalWeekdayLabel)), "星期一");
  EXPECT_EQ(textOf(GetDlgItem(view, kCalLunarLabel)), "春节 农历: 壬辰 龙年 　正月 初一");

  // The calendar fits the page.
  RECT pageRect{}, viewRect{};
  GetWindowRect(page->hwnd(), &pageRect);
  GetWindowRect(view, &viewRect);
  EXPECT_GE(viewRect.left, pageRect.left);
  EXPECT_LE(viewRect.right, pageRect.right);
  EXPECT_LE(viewRect.bottom, pageRect.bottom);

  test::saveWindowPng(window->hwnd(), test::artifactPath("calendar-page.png"));
  DestroyWindow(window->hwnd());
  pump(50);
}

}  // namespace
}  // namespace zorvik
