// The calendar page's window under Wine: created in a plain top-level window, driven with the
// messages a user's actions send, and read back from its controls and its drawn grid.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "info/win/CalendarView.h"
#include "info/LunarCalendar.h"

namespace zorvik {
namespace {

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string textOf(HWND hwnd) {
  char buf[512] = {};
  GetWindowTextA(hwnd, buf, sizeof(buf));
  return buf;
}

std::string comboText(HWND combo) {
  const LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR) return "<none>";
  char buf[64] = {};
  SendMessageA(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(buf));
  return buf;
}

int comboCount(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)); }

// A plain top-level window hosts the page, as any parent would. It is shared by the tests (Wine
// takes a second or two to unmap a top-level window without a window manager); each test gets a
// fresh page.
class CalendarWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "ZorvikCalendarTestHost";
    RegisterClassExA(&wc);
    host_ = CreateWindowExA(0, wc.lpszClassName, "calendar", WS_OVERLAPPEDWINDOW, 0, 0, 480, 520, nullptr,
                            nullptr, wc.hInstance, nullptr);
    ShowWindow(host_, SW_SHOW);
    pump();
  }
  static void TearDownTestSuite() {
    if (host_) DestroyWindow(host_);
    host_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(host_, nullptr);
    ASSERT_TRUE(view_.create(host_, 0, 0));
    pump();
  }

  HWND control(int id) const { return GetDlgItem(view_.hwnd(), id); }
  // What a user's choice in a drop-down sends: the selection, then CBN_SELCHANGE to the parent.
  void choose(int id, int index) {
    SendMessageA(control(id), CB_SETCURSEL, index, 0);
    PostMessageA(view_.hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control(id)));
    pump();
  }
  void click(int id) {
    PostMessageA(view_.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
    pump();
  }
  void clickGrid(int x, int y) {
    PostMessageA(control(kCalGrid), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(control(kCalGrid), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    pump();
  }
  std::string weekday() const { return textOf(control(kCalWeekdayLabel)); }
  std::string lunar() const { return textOf(control(kCalLunarLabel)); }
  LRESULT gridDate() const { return SendMessageA(control(kCalGrid), kMsgGridGetDate, 0, 0); }

  static HWND host_;
  CalendarView view_{GregorianDate{2012, 1, 23}};
};
HWND CalendarWindowTest::host_ = nullptr;

LRESULT packed(int y, int m, int d) { return (static_cast<LRESULT>(y) << 16) | (m << 8) | d; }

TEST_F(CalendarWindowTest, ShowsTheChosenDate) {
  EXPECT_EQ(comboCount(control(kCalYearList)), 68);
  EXPECT_EQ(comboCount(control(kCalMonthList)), 12);
  EXPECT_EQ(comboCount(control(kCalDayList)), 31);
  EXPECT_EQ(comboText(control(kCalYearList)), "2012");
  EXPECT_EQ(comboText(control(kCalMonthList)), "一月");
  EXPECT_EQ(comboText(control(kCalDayList)), "23");
  EXPECT_EQ(weekday(), "星期一");
  EXPECT_EQ(lunar(), "春节 农历: 壬辰 龙年 　正月 初一");
  EXPECT_EQ(textOf(control(kCalPrevButton)), "< 向前");
  EXPECT_EQ(textOf(control(kCalNextButton)), "向后 >");
  EXPECT_EQ(textOf(control(kCalTodayButton)), "转到今日");
  EXPECT_EQ(gridDate(), packed(2012, 1, 23));
  RECT r;
  GetClientRect(control(kCalGrid), &r);
  EXPECT_EQ(r.right, 421);
  EXPECT_EQ(r.bottom, 26 + 6 * 60 + 1);
}

TEST_F(CalendarWindowTest, DropDownsRefillTheDays) {
  choose(kCalMonthList, 1);  // 二月
  EXPECT_EQ(comboCount(control(kCalDayList)), 29);
  EXPECT_EQ(comboText(control(kCalDayList)), "23");
  EXPECT_EQ(weekday(), "星期四");
  EXPECT_EQ(lunar(), "农历: 壬辰 龙年 　二月 初二");
  choose(kCalDayList, 28);  // the 29th
  choose(kCalYearList, 2013 - 1970);
  EXPECT_EQ(comboText(control(kCalYearList)), "2013");
  EXPECT_EQ(comboCount(control(kCalDayList)), 28);
  EXPECT_EQ(comboText(control(kCalDayList)), "28");
  EXPECT_EQ(gridDate(), packed(2013, 2, 28));
  choose(kCalMonthList, 10);  // 十一月
  choose(kCalDayList, 2);     // the 3rd
  EXPECT_EQ(comboCount(control(kCalDayList)), 30);
  EXPECT_EQ(lunar(), "VKO 农历: 癸巳 蛇年 　十月 初一");
  EXPECT_EQ(weekday(), "星期日");
}

TEST_F(CalendarWindowTest, ButtonsStepAndGoToToday) {
  click(kCalPrevButton);
  EXPECT_EQ(comboText(control(kCalDayList)), "22");
  EXPECT_EQ(weekday(), "星期日");
  EXPECT_EQ(lunar(), "农历: 辛卯 兔年 十二月 廿九");
  click(kCalNextButton);
  click(kCalNextButton);
  EXPECT_EQ(gridDate(), packed(2012, 1, 24));
  view_.goTo({2012, 1, 31});
  click(kCalNextButton);
  EXPECT_EQ(comboText(control(kCalMonthList)), "二月");
  EXPECT_EQ(comboText(control(kCalDayList)), "1");
  EXPECT_EQ(comboCount(control(kCalDayList)), 29);
  view_.goTo({1970, 1, 1});
  click(kCalPrevButton);  // the year list starts here
  EXPECT_EQ(gridDate(), packed(1970, 1, 1));
  EXPECT_EQ(comboText(control(kCalYearList)), "1970");

  click(kCalTodayButton);
  const GregorianDate today = LocalToday();
  EXPECT_EQ(gridDate(), packed(today.year, today.month, today.day));
  EXPECT_EQ(lunar(), LunarLine(today.year, today.month, today.day));
  EXPECT_EQ(weekday(), WeekdayName(Weekday(today.year, today.month, today.day)));
}

TEST_F(CalendarWindowTest, AClickInTheGridSelectsADay) {
  // January 2012 starts on a Sunday: the 6th is row 0, column 5; the 21st row 2, column 6.
  clickGrid(5 * 60 + 30, 26 + 30);
  EXPECT_EQ(comboText(control(kCalDayList)), "6");
  EXPECT_EQ(lunar(), "农历: [小寒] 辛卯 兔年 十二月 十三");
  EXPECT_EQ(weekday(), "星期五");
  clickGrid(6 * 60 + 1, 26 + 2 * 60 + 59);
  EXPECT_EQ(comboText(control(kCalDayList)), "21");
  EXPECT_EQ(lunar(), "农历: [大寒] 辛卯 兔年 十二月 廿八");
  // The header row, the strip right of the last column and the empty cells pick nothing.
  clickGrid(60, 10);
  clickGrid(420, 26 + 30);
  clickGrid(4 * 60, 26 + 5 * 60 + 30);
  EXPECT_EQ(comboText(control(kCalDayList)), "21");
  EXPECT_EQ(gridDate(), packed(2012, 1, 21));
}

// The grid as drawn: rendered through WM_PRINTCLIENT into a 32-bit DIB and read pixel by pixel.
class GridPixels {
 public:
  explicit GridPixels(HWND grid) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kGridWidth;
    bi.bmiHeader.biHeight = -kGridHeight;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageA(grid, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    GdiFlush();
  }
  ~GridPixels() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF at(int x, int y) const {
    const uint32_t p = bits_[y * kGridWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Counts the pixels of a rectangle that `match`.
  template <typename Match>
  int count(int x0, int y0, int w, int h, Match match) const {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) n += match(at(x, y));
    return n;
  }
  int count(int x0, int y0, int w, int h, COLORREF colour) const {
    return count(x0, y0, w, h, [colour](COLORREF c) { return c == colour; });
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  const uint32_t* bits_ = nullptr;
};

TEST_F(CalendarWindowTest, TheGridIsDrawnAsSpecified) {
  view_.goTo({2012, 11, 3});  // a Saturday; November 2012 starts on Thursday
  GridPixels px(control(kCalGrid));
  const COLORREF white = RGB(255, 255, 255);
  // Text is smoothed, so its pixels are counted by hue: red ink, dark (black) ink.
  const auto red = [](COLORREF c) { return GetRValue(c) > 0xC0 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80; };
  const auto black = [](COLORREF c) { return GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60; };
  const COLORREF selected = static_cast<COLORREF>(kGridSelectedColour);
  EXPECT_EQ(selected, RGB(0xD4, 0xED, 0xFE));
  int x = 0, y = 0;
  GridCellOrigin(2012, 11, 3, x, y);
  EXPECT_EQ(x, 6 * 60);
  EXPECT_EQ(y, 26);
  EXPECT_EQ(px.at(x + 3, y + 3), selected);
  EXPECT_EQ(px.at(x + 57, y + 57), selected);
  EXPECT_GT(px.count(x, y, 60, 46, RGB(255, 0, 0)), 5) << "Saturday's day number in pure red";
  EXPECT_EQ(px.count(x, y, 60, 60, black), 0);
  EXPECT_GT(px.count(x, y + 40, 60, 20, red), 5) << "the cell text (VKO) in red";
  // The 2nd (Friday): white, black text and no red.
  GridCellOrigin(2012, 11, 2, x, y);
  EXPECT_EQ(px.at(x + 3, y + 3), white);
  EXPECT_GT(px.count(x, y, 60, 46, black), 5);
  EXPECT_GT(px.count(x, y + 40, 60, 20, black), 5);
  EXPECT_EQ(px.count(x, y, 60, 60, red), 0);
  EXPECT_EQ(px.count(x, y, 60, 60, selected), 0);
  // The 4th (Sunday): red.
  GridCellOrigin(2012, 11, 4, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_GT(px.count(x, y, 60, 60, red), 10);
  // Empty leading cells stay white; the header has red captions at both ends only.
  EXPECT_EQ(px.count(61, 27, 58, 58, white), 58 * 58);
  EXPECT_GT(px.count(0, 0, 60, 26, red), 5);
  EXPECT_GT(px.count(360, 0, 60, 26, red), 5);
  EXPECT_EQ(px.count(60, 0, 300, 26, red), 0);
  EXPECT_GT(px.count(60, 0, 300, 26, black), 20);
}

}  // namespace
}  // namespace zorvik
