// Quillet on a system without MSXML (this run disables Wine's MSXML libraries): the package is not
// read, the user is told once, with the window as the owner, and the window stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "UiTestSupport.h"
#include "installer/XmlTree.h"
#include "installer/win/QuilletResource.h"
#include "installer/win/QuilletWindow.h"
#include "ui/ImageDecode.h"
#include "ui/UiThread.h"

namespace zorvik {
namespace {

std::atomic<int> told{0};
std::atomic<HWND> toldOwner{nullptr};
void tell(HWND owner) {
  toldOwner = owner;
  ++told;
}

std::string field(HWND w, int id) {
  char text[512] = {};
  GetDlgItemTextA(w, id, text, sizeof text);
  return text;
}

TEST(QuilletWithoutMsxml, TellsTheUserOnceAndShowsNothingOfThePackage) {
  XmlTree probe;
  ASSERT_EQ(parseXmlTree("<manifest/>", probe), XmlParseStatus::kNoXmlReader)
      << "an MSXML document could be made: run with Wine's msxml3, msxml4 and msxml6 disabled";
  startUiThreadQueue();
  {
    GdiplusSession gdiplus;
    QuilletOptions o;
    o.adb = "adb.exe";
    o.initialPath = std::string(ZORVIK_QUILLET_FIXTURES) + "\\basic.apk";
    o.noXmlReader = tell;
    QuilletWindow window(o);
    ASSERT_TRUE(window.createModeless(nullptr));
    ShowWindow(window.hwnd(), SW_SHOW);
    ASSERT_TRUE(test::pumpUntil([] { return told > 0; }, 20000));
    test::pump(300);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(toldOwner, window.hwnd());
    EXPECT_EQ(field(window.hwnd(), IDC_Q_TITLE), "【错误】不是有效的APK文件");
    EXPECT_EQ(field(window.hwnd(), IDC_Q_PACKAGE), "");
    window.startInstall();  // nothing read, nothing installed
    EXPECT_EQ(field(window.hwnd(), IDC_Q_TITLE), "【错误】不是有效的APK文件，Quillet拒绝安装");
    DestroyWindow(window.hwnd());
  }
  stopUiThreadQueue();
}

}  // namespace
}  // namespace zorvik
