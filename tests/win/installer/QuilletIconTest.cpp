// Quillet under Wine with packages built by current Android tools (fetched from npm by
// install-deps) and with the WebP and adaptive-icon fixtures: the window shows each package's own
// label and the icon drawn from its densest picture. The icon is read back by asking the window to
// paint its icon control into a bitmap of ours, the way it paints it on the screen; a screenshot of
// each window is kept. Exits 77 when the npm packages are not installed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "common/win/Handles.h"
#include "devlink/AdbBridge.h"
#include "installer/ApkArchive.h"
#include "installer/win/QuilletResource.h"
#include "installer/win/QuilletWindow.h"
#include "ui/ImageDecode.h"
#include "ui/UiThread.h"

namespace zorvik {
namespace {

const std::string kFixtures = ZORVIK_QUILLET_FIXTURES;
const std::string kOutside = ZORVIK_TEST_APKS;
const char kSettings[] = "io.appium.settings\\apks\\settings_apk-debug.apk";
const char kServer[] = "appium-uiautomator2-server\\apks\\appium-uiautomator2-server-v10.6.6.apk";
const char kServerTest[] = "appium-uiautomator2-server\\apks\\appium-uiautomator2-server-debug-androidTest.apk";

std::string field(HWND w, int id) {
  char text[512] = {};
  GetDlgItemTextA(w, id, text, sizeof text);
  return text;
}

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;  // top row first
  uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// Paints into a fresh 32-bit bitmap of w x h with paint(dc, rect) and reads it back.
template <typename Paint>
Pixels paintInto(int w, int h, Paint paint) {
  Pixels out;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HBITMAP bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !dc) return out;
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT rect = {0, 0, w, h};
  paint(dc, rect);
  GdiFlush();
  out.width = w;
  out.height = h;
  const auto* p = static_cast<const uint32_t*>(bits);
  out.argb.assign(p, p + static_cast<size_t>(w) * h);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return out;
}

// What the window's icon control shows: its own WM_DRAWITEM painting into our bitmap.
Pixels shownIcon(HWND window) {
  HWND control = GetDlgItem(window, IDC_Q_ICON);
  RECT r;
  GetClientRect(control, &r);
  return paintInto(r.right, r.bottom, [&](HDC dc, const RECT& rect) {
    DRAWITEMSTRUCT d = {};
    d.CtlType = ODT_STATIC;
    d.CtlID = IDC_Q_ICON;
    d.itemAction = ODA_DRAWENTIRE;
    d.hwndItem = control;
    d.hDC = dc;
    d.rcItem = rect;
    SendMessageA(window, WM_DRAWITEM, IDC_Q_ICON, reinterpret_cast<LPARAM>(&d));
  });
}

// Quillet's own icon, drawn where a package has none.
Pixels fallbackIcon(int w, int h) {
  return paintInto(w, h, [&](HDC dc, const RECT& rect) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLET)), w, h, 0, nullptr,
               DI_NORMAL);
  });
}

int channel(uint32_t px, int shift) { return static_cast<int>(px >> shift & 0xFF); }

// The mean difference per channel of two pictures of one size (0 to 255).
double meanDifference(const Pixels& a, const Pixels& b) {
  if (a.argb.size() != b.argb.size() || a.argb.empty()) return 255;
  double sum = 0;
  for (size_t i = 0; i < a.argb.size(); ++i)
    for (int shift : {0, 8, 16}) sum += std::abs(channel(a.argb[i], shift) - channel(b.argb[i], shift));
  return sum / (a.argb.size() * 3.0);
}

class QuilletIcon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    startUiThreadQueue();
    gdiplus_ = new GdiplusSession;
  }
  static void TearDownTestSuite() {
    delete gdiplus_;
    stopUiThreadQueue();
  }
  static GdiplusSession* gdiplus_;
};
GdiplusSession* QuilletIcon::gdiplus_ = nullptr;

struct Shown {
  std::string title, label, package;
  Pixels icon;
};

// Opens the package in a Quillet window, waits for its fields, reads them and the icon, and keeps
// a screenshot under the given name.
Shown show(const std::string& path, const std::string& packageName, const std::string& shot) {
  QuilletOptions o;
  o.adb = adbPath();
  o.programPath = programFolder() + "Quillet.exe";
  o.initialPath = path;
  QuilletWindow window(std::move(o));
  Shown s;
  EXPECT_TRUE(window.createModeless(nullptr));
  ShowWindow(window.hwnd(), SW_SHOW);
  EXPECT_TRUE(test::pumpUntil([&] { return field(window.hwnd(), IDC_Q_PACKAGE) == packageName; }, 20000))
      << path << ": " << field(window.hwnd(), IDC_Q_PACKAGE);
  test::pump(300);
  s.title = field(window.hwnd(), IDC_Q_TITLE);
  s.label = field(window.hwnd(), IDC_Q_LABEL);
  s.package = field(window.hwnd(), IDC_Q_PACKAGE);
  s.icon = shownIcon(window.hwnd());
  EXPECT_TRUE(test::saveWindowPng(window.hwnd(), test::artifactPath(shot)));
  DestroyWindow(window.hwnd());
  return s;
}

// The member decoded on its own (GDI+ for PNG) at the control's size on white.
Pixels expectedPicture(const std::string& apk, const std::string& member, int w, int h) {
  ApkArchive archive;
  EXPECT_TRUE(archive.openFile(apk));
  const std::string bytes = archive.readMember(member).value_or("");
  EXPECT_FALSE(bytes.empty()) << member;
  UniqueBitmap bmp = decodeImageToBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), w, h);
  return paintInto(w, h, [&](HDC dc, const RECT&) {
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, bmp.get());
    BitBlt(dc, 0, 0, w, h, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
  });
}

TEST_F(QuilletIcon, AppiumSettingsShowsItsLabelAndItsDensestIcon) {
  const std::string apk = kOutside + "\\" + kSettings;
  const Shown s = show(apk, "io.appium.settings", "quillet-appium-settings.png");
  EXPECT_EQ(s.title, "Appium Settings");
  EXPECT_EQ(s.label, "Appium Settings");
  ASSERT_FALSE(s.icon.argb.empty());
  const Pixels want = expectedPicture(apk, "res/drawable-xxxhdpi-v4/ic_launcher.png", s.icon.width, s.icon.height);
  EXPECT_LT(meanDifference(s.icon, want), 8.0);
  EXPECT_GT(meanDifference(s.icon, fallbackIcon(s.icon.width, s.icon.height)), 20.0);
}

TEST_F(QuilletIcon, ServerPackagesWithoutAnIconShowQuilletsOwn) {
  // Neither the test server nor its instrumentation package declares a label or an icon on its
  // application: the fields stay empty and Quillet draws its own icon.
  for (const char* name : {kServer, kServerTest}) {
    const std::string apk = kOutside + "\\" + name;
    const bool test = name == kServerTest;
    const Shown s = show(apk, test ? "io.appium.uiautomator2.server.test" : "io.appium.uiautomator2.server",
                         test ? "quillet-uiautomator2-test.png" : "quillet-uiautomator2-server.png");
    EXPECT_EQ(s.label, "") << name;
    ASSERT_FALSE(s.icon.argb.empty());
    EXPECT_LT(meanDifference(s.icon, fallbackIcon(s.icon.width, s.icon.height)), 1.0) << name;
  }
}

TEST_F(QuilletIcon, WebpIconsFromDensitiesAndAdaptiveLayers) {
  struct Case {
    const char* apk;
    const char* package;
    uint32_t rgb;  // the colour the fixture's picture was drawn in
  };
  const Case cases[] = {
      {"densities.apk", "com.zorvik.densities", 0x800080},  // the xxxhdpi WebP, purple
      {"adaptive.apk", "com.zorvik.adaptive", 0x0000FF},    // the foreground's xxhdpi WebP, blue
  };
  for (const Case& c : cases) {
    const Shown s = show(kFixtures + "\\" + c.apk, c.package, std::string("quillet-") + c.package + ".png");
    ASSERT_FALSE(s.icon.argb.empty()) << c.apk;
    const uint32_t centre = s.icon.at(s.icon.width / 2, s.icon.height / 2);
    for (int shift : {0, 8, 16})
      EXPECT_NEAR(channel(centre, shift), channel(c.rgb, shift), 2) << c.apk << std::hex << " " << centre;
  }
}

}  // namespace
}  // namespace zorvik

int main(int argc, char** argv) {
  const std::string settings = zorvik::kOutside + "\\" + zorvik::kSettings;
  if (GetFileAttributesA(settings.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("the npm test packages are not installed (scripts/install-deps.sh): skipped\n");
    return 77;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
