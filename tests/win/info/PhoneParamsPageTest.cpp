// Page 1 "手机参数" in the real main window, on the generated Data/device.xml beside the test: the
// three drop-downs and the parameter list read back from the controls, the search box, a file the
// parser refuses.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "common/win/WideText.h"
#include "info/win/PhoneParamsPage.h"

namespace zorvik {
namespace {

using test::pump;

std::string textOf(HWND hwnd) {
  char buf[512] = {};
  GetWindowTextA(hwnd, buf, sizeof(buf));
  return buf;
}

std::vector<std::string> comboItems(HWND combo) {
  std::vector<std::string> out;
  const int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char buf[512] = {};
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    out.push_back(buf);
  }
  return out;
}

int indexOf(const std::vector<std::string>& items, const std::string& want) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == want) return static_cast<int>(i);
  return -1;
}

void choose(HWND page, int id, int index) {
  HWND combo = GetDlgItem(page, id);
  SendMessageA(combo, CB_SETCURSEL, index, 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string cell(HWND list, int row, int col) {
  char buf[512] = {};
  ListView_GetItemText(list, row, col, buf, sizeof buf);
  return buf;
}

// Closes the message box the page raises, remembering its text.
std::string gBoxText;
VOID CALLBACK closeBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowA("#32770", "Zorvik");
  if (!box) return;
  char buf[256] = {};
  GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
  gBoxText = buf;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  KillTimer(nullptr, id);
}

struct Frame {
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(MainWindowOptions{});
  PhoneParamsPage* page = nullptr;
  Frame() {
    if (!window->createModeless(nullptr)) return;
    ShowWindow(window->hwnd(), SW_SHOW);
    PostMessageA(window->hwnd(), kMsgShowPage, kGroupWelcome, kPagePhoneParams);
    pump(100);
    page = dynamic_cast<PhoneParamsPage*>(window->page(kPagePhoneParams));
  }
  ~Frame() {
    DestroyWindow(window->hwnd());
    pump(50);
  }
};

TEST(PhoneParamsPage, PlatformMakerAndModelFillTheParameterList) {
  Frame f;
  ASSERT_NE(f.page, nullptr);
  EXPECT_EQ(f.window->currentPageId(), kPagePhoneParams);
  HWND page = f.page->hwnd();
  EXPECT_TRUE(IsWindowVisible(page));
  HWND platforms = GetDlgItem(page, kSpecsPlatformList);
  EXPECT_EQ(comboItems(platforms), (std::vector<std::string>{"Android (谷歌)", "Ophone (中国移动)", "Symbian (诺基亚)",
                                                            "iOS (苹果)", "Windows Phone (微软)"}));

  choose(page, kSpecsPlatformList, 0);
  std::vector<std::string> makers = comboItems(GetDlgItem(page, kSpecsMakerList));
  ASSERT_GT(makers.size(), 10u);
  EXPECT_EQ(makers[0], "HTC");  // document order: the maker of the oldest model first
  const int htc = 0;
  choose(page, kSpecsMakerList, htc);
  std::vector<std::string> models = comboItems(GetDlgItem(page, kSpecsModelList));
  const int desire = indexOf(models, "HTC Desire");
  ASSERT_GE(desire, 0);
  choose(page, kSpecsModelList, desire);
  HWND list = GetDlgItem(page, kSpecsParamList);
  ASSERT_EQ(ListView_GetItemCount(list), 18);
  EXPECT_EQ(cell(list, 0, 0), "手机型号");
  EXPECT_EQ(cell(list, 0, 1), "HTC Desire");
  EXPECT_EQ(cell(list, 1, 1), "2010-04-27");
  EXPECT_EQ(cell(list, 5, 0), "屏幕参数");
  EXPECT_EQ(cell(list, 5, 1), "3.7英寸");
  EXPECT_EQ(cell(list, 6, 1), "480x800");
  EXPECT_EQ(cell(list, 7, 0), "网络制式");
  EXPECT_EQ(cell(list, 7, 1), "");  // not in the data: left empty
  EXPECT_EQ(cell(list, 17, 0), "通话时间");
  pump(300);
  test::saveWindowPng(f.window->hwnd(), test::artifactPath("phone-params-page.png"));

  // A current phone from the emulation profiles: its name and resolution, the rest empty.
  const int samsung = indexOf(makers, "SAMSUNG");
  ASSERT_GE(samsung, 0);
  choose(page, kSpecsMakerList, samsung);
  const int s24 = indexOf(comboItems(GetDlgItem(page, kSpecsModelList)), "Galaxy S24");
  ASSERT_GE(s24, 0);
  choose(page, kSpecsModelList, s24);
  ASSERT_EQ(ListView_GetItemCount(list), 18);
  EXPECT_EQ(cell(list, 0, 1), "Galaxy S24");
  EXPECT_EQ(cell(list, 6, 1), "1080x2340");
  EXPECT_EQ(cell(list, 1, 1), "");
  pump(300);
  test::saveWindowPng(f.window->hwnd(), test::artifactPath("phone-params-current.png"));

  // A platform with no phones in the data: empty drop-downs, the list cleared.
  choose(page, kSpecsPlatformList, 1);
  EXPECT_TRUE(comboItems(GetDlgItem(page, kSpecsMakerList)).empty());
  EXPECT_TRUE(comboItems(GetDlgItem(page, kSpecsModelList)).empty());
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  choose(page, kSpecsPlatformList, 3);
  EXPECT_EQ(comboItems(GetDlgItem(page, kSpecsMakerList)), std::vector<std::string>{"Apple"});
}

TEST(PhoneParamsPage, ShortKeywordsAreRefusedAndOthersSearchedEncoded) {
  Frame f;
  ASSERT_NE(f.page, nullptr);
  HWND page = f.page->hwnd();
  std::vector<std::string> opened;
  f.page->setUrlOpener([&](const std::string& url) { opened.push_back(url); });
  auto search = [&](const char* keyword) {
    SetDlgItemTextA(page, kSpecsSearchEdit, keyword);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(kSpecsSearchButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, kSpecsSearchButton)));
  };
  search("a");
  EXPECT_EQ(textOf(GetDlgItem(page, kSpecsStatusLabel)), "您输入的关键词过短");
  EXPECT_TRUE(opened.empty());
  search("ab");
  EXPECT_EQ(textOf(GetDlgItem(page, kSpecsStatusLabel)), "ab");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], std::string(kSpecsSearchPrefix) + "ab");
  search("机");  // one GBK character: two bytes, long enough
  search("x\" --y &z");
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[1], std::string(kSpecsSearchPrefix) + "%BB%FA");
  EXPECT_EQ(opened[2], std::string(kSpecsSearchPrefix) + "x%22%20--y%20%26z");
}

TEST(PhoneParamsPage, AFileTheParserRefusesIsReportedAndTheListsKeepWhatTheyHeld) {
  Frame f;
  ASSERT_NE(f.page, nullptr);
  HWND page = f.page->hwnd();
  choose(page, kSpecsPlatformList, 3);
  const std::vector<std::string> before = comboItems(GetDlgItem(page, kSpecsMakerList));
  ASSERT_FALSE(before.empty());

  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string bad = std::string(temp) + "zorvik-bad-device.xml";
  std::ofstream(bad, std::ios::binary) << "<main date='x'><android-device><htc manufacturer='HTC'></android-device>";
  f.page->setDataPath(toWide(bad));
  gBoxText.clear();
  SetTimer(nullptr, 0, 200, closeBox);
  choose(page, kSpecsPlatformList, 0);
  EXPECT_EQ(gBoxText, "参数-xml文件存在问题");
  EXPECT_EQ(comboItems(GetDlgItem(page, kSpecsMakerList)), before);

  // A missing file is reported the same way.
  f.page->setDataPath(L"C:\\no\\such\\folder\\device.xml");
  gBoxText.clear();
  SetTimer(nullptr, 0, 200, closeBox);
  choose(page, kSpecsPlatformList, 0);
  EXPECT_EQ(gBoxText, "参数-xml文件存在问题");
  DeleteFileA(bad.c_str());
}

TEST(PhoneParamsPage, PlatformsOutsideTheTableAreNeverListedAndEmptyMakersGiveNoModels) {
  Frame f;
  ASSERT_NE(f.page, nullptr);
  HWND page = f.page->hwnd();
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "zorvik-meego-device.xml";
  std::ofstream(file, std::ios::binary)
      << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><main date=\"2010-01-17\">"
         "<meego-device><nokia manufacturer=\"Nokia\"><item device=\"N9\"/></nokia></meego-device>"
         "<android-device><htc manufacturer=\"HTC\"/><moto manufacturer=\"Motorola\"><item device=\"Milestone\">"
         "<device>Milestone</device><cpu>OMAP</cpu></item></moto></android-device></main>";
  f.page->setDataPath(toWide(file));
  EXPECT_EQ(comboItems(GetDlgItem(page, kSpecsPlatformList)).size(), 5u);
  choose(page, kSpecsPlatformList, 0);
  EXPECT_EQ(comboItems(GetDlgItem(page, kSpecsMakerList)), (std::vector<std::string>{"HTC", "Motorola"}));
  choose(page, kSpecsMakerList, 0);
  EXPECT_TRUE(comboItems(GetDlgItem(page, kSpecsModelList)).empty());
  choose(page, kSpecsMakerList, 1);
  choose(page, kSpecsModelList, 0);
  HWND list = GetDlgItem(page, kSpecsParamList);
  ASSERT_EQ(ListView_GetItemCount(list), 18);
  EXPECT_EQ(cell(list, 9, 1), "OMAP");
  EXPECT_EQ(cell(list, 1, 1), "");  // an item without pub_date
  DeleteFileA(file.c_str());
}

}  // namespace
}  // namespace zorvik
