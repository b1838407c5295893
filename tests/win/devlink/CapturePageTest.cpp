// The screen capture page in a window of its own under Wine, against the native virtual phone:
// what the user sees (resolution label, display size, picture), the files it saves (decoded back
// with GDI+ and compared with the phone's pixels), auto refresh and its stop on a failure.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "app/PageData.h"
#include "devlink/win/ScreenCapturePage.h"
#include "devlink/AdbBridge.h"
#include "devlink/CurrentDevice.h"
#include "devlink/ScreenCaptureChoices.h"

namespace zorvik {
namespace {

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

struct Ports {
  unsigned adb = 0, control = 0;
};

Ports vphonePorts() {
  Ports ports;
  const char* file = std::getenv("ZORVIK_VPHONE_PORTS");
  if (file) std::ifstream(file) >> ports.adb >> ports.control;
  return ports;
}

// One line to the phone's control channel; its answer line.
std::string control(const std::string& line) {
  TcpSocket s = TcpSocket::connectLoopback(static_cast<uint16_t>(vphonePorts().control));
  const std::string text = line + "\n";
  if (!s.valid() || !s.sendAll(text.data(), text.size())) return {};
  std::string answer;
  char c;
  while (s.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

class StubHost : public test::TestHost {
 public:
  using TestHost::TestHost;
};

struct Decoded {
  int width = 0, height = 0;
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  // Red, green, blue of a pixel as 0xRRGGBB.
  uint32_t rgb(int x, int y) const {
    Gdiplus::Color c;
    bitmap->GetPixel(x, y, &c);
    return c.GetValue() & 0xFFFFFF;
  }
};

Decoded decodeFile(const std::string& path) {
  Decoded d;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  d.bitmap.reset(Gdiplus::Bitmap::FromFile(wide));
  if (d.bitmap && d.bitmap->GetLastStatus() == Gdiplus::Ok) {
    d.width = static_cast<int>(d.bitmap->GetWidth());
    d.height = static_cast<int>(d.bitmap->GetHeight());
  }
  return d;
}

// The first luminance quantisation value of a JPEG (10 for quality 70 with the standard tables).
int firstQuantValue(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t i = 2; i + 5 < bytes.size(); ++i) {
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && static_cast<uint8_t>(bytes[i + 1]) == 0xDB) {
      return static_cast<uint8_t>(bytes[i + 5]);  // marker, length(2), precision/table, value 0
    }
  }
  return -1;
}

// Wine's GDI+ writes every JPEG with its default quality (75: first value 8) whatever
// EncoderQuality says; Windows honours it. Under Wine the file must still be that JPEG.
bool underWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

void expectJpegQuality(const std::string& path, int firstValue) {
  if (underWine()) {
    EXPECT_EQ(firstQuantValue(path), 8) << path;
  } else {
    EXPECT_EQ(firstQuantValue(path), firstValue) << path;
  }
}

std::string tempFolder(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

class CapturePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Ports ports = vphonePorts();
    ASSERT_NE(ports.adb, 0u) << "no vphone fixture";
    setAdbServerPort(static_cast<uint16_t>(ports.adb));
    ASSERT_EQ(control("reset").substr(0, 2), "OK");
    ASSERT_EQ(control("framebuffer bpp 32").substr(0, 2), "OK");
    setCurrentSerial(kSerial);
    PageDataTable::instance().forget(kKeyScreenCapture);
    main_ = CreateWindowExA(0, "STATIC", "屏幕截图", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 780, 620,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    host_ = std::make_unique<StubHost>(main_);
    page_ = std::make_unique<ScreenCapturePage>(*findPage(44), *host_);
    ASSERT_TRUE(page_->createModeless(main_));
    MoveWindow(page_->hwnd(), 0, 0, 760, 580, TRUE);
    ShowWindow(page_->hwnd(), SW_SHOW);
  }
  void TearDown() override {
    page_->close();
    page_.reset();
    DestroyWindow(main_);
    control("device add " + std::string(kSerial));
  }
  bool captureOnce() {
    const int before = page_->captureCount();
    page_->load();
    return test::pumpUntil([&] { return !page_->capturing(); }, 15000) && page_->captureCount() == before + 1;
  }
  std::string label(int id) { return Control(page_->hwnd(), id).text(); }
  void selectRotation(int index) {
    ComboBox(page_->hwnd(), IDC_CAPTURE_ROTATION).select(index);
    SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_ROTATION, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page_->hwnd(), IDC_CAPTURE_ROTATION)));
  }

  HWND main_ = nullptr;
  std::unique_ptr<StubHost> host_;
  std::unique_ptr<ScreenCapturePage> page_;
};

// The phone's own pixels, read natively by the same reader, to compare the saved files with.
Frame phoneFrame() {
  FramebufferCapture capture;
  Frame frame;
  capture.capture(kSerial, frame);
  return frame;
}

uint32_t frameRgb(const Frame& f, uint32_t x, uint32_t y) {
  const uint8_t* p = &f.pixels[(static_cast<size_t>(y) * f.width + x) * 4];  // blue, green, red
  return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

TEST_F(CapturePageTest, CaptureShowsThePhoneAndSavesItsPixels) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(captureOnce()) << framebufferResultText(page_->lastResult());
  UpdateWindow(page_->hwnd());
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ capture ] 480x800x32 frame to the painted page: %.1f ms\n", ms);
  EXPECT_EQ(label(IDC_CAPTURE_RESOLUTION), "480x800");
  EXPECT_EQ(page_->displaySize().width, 300);
  EXPECT_EQ(page_->displaySize().height, 500);
  EXPECT_EQ(PageDataTable::instance().state(kKeyScreenCapture), PageDataState::Loaded);
  test::pump(200);
  EXPECT_TRUE(test::saveWindowPng(main_, test::artifactPath("capture_page.png")));
  // The main window's capture request (0x4FC) starts one more capture.
  SendMessageA(page_->hwnd(), 0x4FC, 0, 0);
  EXPECT_TRUE(page_->capturing());
  ASSERT_TRUE(test::pumpUntil([&] { return page_->captureCount() == 2; }, 15000));

  const auto direct = std::chrono::steady_clock::now();
  const Frame phone = phoneFrame();
  std::printf("[ capture ] the frame alone through Winsock: %.1f ms\n",
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - direct).count());
  ASSERT_EQ(phone.width, 480u);
  const std::string folder = tempFolder("zorvik_capture_test");
  const std::string png = folder + "\\shot.png";
  ASSERT_TRUE(page_->saveImageAs(png, 100));
  const Decoded d = decodeFile(png);
  ASSERT_EQ(d.width, 480);
  ASSERT_EQ(d.height, 800);
  int same = 0;
  for (uint32_t y = 0; y < 800; y += 37)
    for (uint32_t x = 0; x < 480; x += 29) same += d.rgb(static_cast<int>(x), static_cast<int>(y)) == frameRgb(phone, x, y);
  EXPECT_EQ(same, 22 * 17) << "PNG pixels differ from the phone's";
  EXPECT_NE(d.rgb(10, 10), d.rgb(240, 400)) << "a drawn screen, not a flat fill";

  // Right 90 degrees: the picture is 800 x 480, shown 500 x 300; BMP and GIF decode to it.
  selectRotation(kRotateRight);
  EXPECT_EQ(page_->imageWidth(), 800);
  EXPECT_EQ(page_->displaySize().width, 500);
  EXPECT_EQ(page_->displaySize().height, 300);
  const std::string bmp = folder + "\\shot.BMP";
  ASSERT_TRUE(page_->saveImageAs(bmp, 100));
  const Decoded r = decodeFile(bmp);
  ASSERT_EQ(r.width, 800);
  ASSERT_EQ(r.height, 480);
  // The top-left of the turned picture is the phone's bottom-left.
  EXPECT_EQ(r.rgb(0, 0), frameRgb(phone, 0, 799));
  EXPECT_EQ(r.rgb(799, 0), frameRgb(phone, 0, 0));
  EXPECT_EQ(r.rgb(123, 45), frameRgb(phone, 45, 799 - 123));
  UpdateWindow(page_->hwnd());
  test::pump(100);
  EXPECT_TRUE(test::saveWindowPng(main_, test::artifactPath("capture_page_right.png")));
  const std::string gif = folder + "\\shot.gif";
  ASSERT_TRUE(page_->saveImageAs(gif, 100));
  const Decoded g = decodeFile(gif);
  ASSERT_EQ(g.width, 800);
  // 252 colours: each channel within half a step of the cube (51 for red and blue, 42 for green).
  for (int x : {0, 123, 400, 799}) {
    const uint32_t a = g.rgb(x, 45), b = r.rgb(x, 45);
    EXPECT_LE(std::abs(int(a >> 16) - int(b >> 16)), 26);
    EXPECT_LE(std::abs(int((a >> 8) & 255) - int((b >> 8) & 255)), 22);
    EXPECT_LE(std::abs(int(a & 255) - int(b & 255)), 26);
  }
  selectRotation(kRotate180);
  const std::string upside = folder + "\\upside.png";
  ASSERT_TRUE(page_->saveImageAs(upside, 100));
  EXPECT_EQ(decodeFile(upside).rgb(0, 0), frameRgb(phone, 479, 799));

  // JPEG at quality index 4 is written with quality 70.
  const std::string jpg70 = folder + "\\q70.jpg", jpg100 = folder + "\\q100.jpg";
  ASSERT_TRUE(page_->saveImageAs(jpg70, 70));
  ASSERT_TRUE(page_->saveImageAs(jpg100, 100));
  expectJpegQuality(jpg70, 10);
  expectJpegQuality(jpg100, 1);
  EXPECT_FALSE(page_->saveImageAs(folder + "\\shot.tiff", 100)) << "no encoder chosen for an unknown extension";
}

TEST_F(CapturePageTest, AutomaticSaveNamesTheFileByTheTime) {
  ASSERT_TRUE(captureOnce());
  const std::string folder = tempFolder("zorvik_capture_auto");
  screenShotSetting(&folder);
  Button(page_->hwnd(), IDC_CAPTURE_AUTO_SAVE).setChecked(true);
  const std::string path = page_->saveImage(4, 4);  // "70% 画质"
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(std::regex_match(path, std::regex(".*\\\\[0-9]{4}-[0-9]{6}\\.jpg"))) << path;
  EXPECT_EQ(path.substr(0, folder.size()), folder);
  expectJpegQuality(path, 10);
  EXPECT_EQ(decodeFile(path).width, 480);
  // "复制到剪贴板": a bitmap of the shown picture that any program can paste.
  ASSERT_TRUE(page_->copyToClipboard());
  ASSERT_TRUE(OpenClipboard(nullptr));
  if (HANDLE dib = GetClipboardData(CF_DIB)) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 480);
    EXPECT_EQ(std::abs(header->biHeight), 800);
    GlobalUnlock(dib);
  } else {
    ADD_FAILURE() << "no CF_DIB on the clipboard";
  }
  CloseClipboard();
  const std::string bmp = page_->saveImage(3, 0);
  EXPECT_EQ(bmp.substr(bmp.size() - 4), ".bmp");
  EXPECT_EQ(decodeFile(bmp).height, 800);
  // A saved folder that no longer exists: the documents folder's "卓维克", created on the way.
  const std::string gone = folder + "\\gone";
  screenShotSetting(&gone);
  const std::string fallback = page_->saveImage(2, 0);
  const std::string documents = defaultCaptureFolder();
  ASSERT_FALSE(documents.empty());
  EXPECT_EQ(fallback.substr(0, documents.size()), documents);
  EXPECT_EQ(documents.substr(documents.size() - 6), "卓维克");
  EXPECT_EQ(decodeFile(fallback).width, 480);
  DeleteFileA(fallback.c_str());
}

TEST_F(CapturePageTest, FormatAndQualityChoicesSurviveARestart) {
  auto choose = [&](int id, int index) {
    ComboBox(page_->hwnd(), id).select(index);
    SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page_->hwnd(), id)));
  };
  choose(IDC_CAPTURE_FORMAT, 2);
  choose(IDC_CAPTURE_QUALITY, 4);
  choose(IDC_CAPTURE_ROTATION, 1);
  page_.reset();
  page_ = std::make_unique<ScreenCapturePage>(*findPage(44), *host_);
  ASSERT_TRUE(page_->createModeless(main_));
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_FORMAT).selected(), 2);
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_QUALITY).selected(), 4);
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_ROTATION).selected(), 0);
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_FORMAT).itemText(2), "PNG (真彩色)");
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_QUALITY).count(), 7);
  // A value that names no entry falls back to the first.
  const std::string bad = "9";
  captureSetting(kScreenShotFormatValue, &bad);
  page_.reset();
  page_ = std::make_unique<ScreenCapturePage>(*findPage(44), *host_);
  ASSERT_TRUE(page_->createModeless(main_));
  EXPECT_EQ(ComboBox(page_->hwnd(), IDC_CAPTURE_FORMAT).selected(), 0);
  const std::string zero = "0";
  captureSetting(kScreenShotQualityValue, &zero);
}

TEST_F(CapturePageTest, SixteenBitFrameIsShown) {
  ASSERT_EQ(control("framebuffer bpp 16").substr(0, 2), "OK");
  ASSERT_TRUE(captureOnce()) << framebufferResultText(page_->lastResult());
  EXPECT_EQ(label(IDC_CAPTURE_RESOLUTION), "480x800");
  const std::string png = tempFolder("zorvik_capture_test") + "\\shot565.png";
  ASSERT_TRUE(page_->saveImageAs(png, 100));
  ASSERT_EQ(control("framebuffer bpp 32").substr(0, 2), "OK");
  const Frame phone = phoneFrame();
  const Decoded d = decodeFile(png);
  ASSERT_EQ(d.width, 480);
  // 5/6/5 bits: each channel within the lost low bits of the 32-bit picture.
  const uint32_t a = d.rgb(240, 400), b = frameRgb(phone, 240, 400);
  for (int shift : {0, 8, 16}) EXPECT_LE(std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)), 8);
}

TEST_F(CapturePageTest, WithoutDeviceThePictureStaysAndTheStatusLineSaysWhy) {
  ASSERT_TRUE(captureOnce());
  setCurrentSerial("");
  page_->load();
  ASSERT_TRUE(test::pumpUntil([&] { return !page_->capturing(); }));
  EXPECT_EQ(page_->lastResult(), FramebufferResult::NoDevice);
  EXPECT_TRUE(page_->hasImage());
  EXPECT_EQ(page_->captureCount(), 1);
  EXPECT_FALSE(PageDataTable::instance().contains(kKeyScreenCapture));
  EXPECT_EQ(host_->status(), "【提示】没有连接手机，无法截图");
  // The next frame clears the page's own failure.
  setCurrentSerial(kSerial);
  ASSERT_TRUE(captureOnce());
  EXPECT_EQ(host_->status(), "");
}

// Shapes no screen has, served by the phone: a message, the last picture kept, the page alive
// (1 x 8192 once asked the compact layout for a 2.9 GB picture).
TEST_F(CapturePageTest, OddFrameShapesAreRefusedWithAMessage) {
  ASSERT_TRUE(captureOnce());
  const struct {
    const char* shape;
    const char* status;
  } cases[] = {
      {"1 8192", "【错误】截图失败：手机报告的屏幕尺寸 1x8192 无法显示"},
      {"8192 1", "【错误】截图失败：手机报告的屏幕尺寸 8192x1 无法显示"},
      {"0 8192", "【错误】截图失败：手机送来的屏幕数据无效"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(control(std::string("framebuffer shape ") + c.shape).substr(0, 2), "OK");
    page_->load();
    ASSERT_TRUE(test::pumpUntil([&] { return !page_->capturing(); }, 15000)) << c.shape;
    EXPECT_EQ(host_->status(), c.status) << c.shape;
    EXPECT_EQ(page_->captureCount(), 1) << c.shape;
    EXPECT_EQ(label(IDC_CAPTURE_RESOLUTION), "480x800") << c.shape;
    EXPECT_EQ(page_->displaySize().height, 500) << c.shape;
  }
  // The last proportions a screen may have are shown, at a bounded size.
  ASSERT_EQ(control("framebuffer shape 200 800").substr(0, 2), "OK");
  ASSERT_TRUE(captureOnce()) << framebufferResultText(page_->lastResult());
  EXPECT_EQ(page_->displaySize().height, 1200);
  EXPECT_EQ(host_->status(), "");
}

// A save that cannot be written says so with the path; one that is written says where.
TEST_F(CapturePageTest, SaveFailuresAndSuccessesAreInTheStatusLine) {
  Button(page_->hwnd(), IDC_CAPTURE_AUTO_SAVE).setChecked(true);
  EXPECT_EQ(page_->saveImage(2, 0), "");
  EXPECT_EQ(host_->status(), "【提示】还没有截图，请先刷新屏幕");
  ASSERT_TRUE(captureOnce());
  const std::string folder = tempFolder("zorvik_capture_blocked");
  screenShotSetting(&folder);
  // Folders in the place of the next few seconds' file names: the encoder cannot write there.
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  for (int s = 0; s < 5; ++s) {
    ULARGE_INTEGER later = t;
    later.QuadPart += static_cast<ULONGLONG>(s) * 10000000ull;
    FILETIME lf{later.LowPart, later.HighPart};
    SYSTEMTIME st;
    FileTimeToSystemTime(&lf, &st);
    const std::string name = folder + "\\" + autoSaveFileName(st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, "png");
    CreateDirectoryA(name.c_str(), nullptr);
  }
  EXPECT_EQ(page_->saveImage(2, 0), "");
  const std::string failed = host_->status();
  EXPECT_EQ(failed.rfind("【错误】截图保存失败：" + folder + "\\", 0), 0u) << failed;
  const std::string path = page_->saveImage(3, 0);  // bmp: a name no folder holds
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(host_->status(), "【提示】截图已保存：" + path);
  DeleteFileA(path.c_str());
}

TEST_F(CapturePageTest, AutoRefreshKeepsCapturingAndStopsOnAFailure) {
  Button box(page_->hwnd(), IDC_CAPTURE_AUTO_REFRESH);
  box.click();  // turning it on captures at once
  ASSERT_TRUE(page_->autoRefresh());
  const auto start = std::chrono::steady_clock::now();
  test::pump(3000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int frames = page_->captureCount();
  std::printf("[ capture ] auto refresh, 480x800x32: %d frames in %.2f s = %.1f fps\n", frames, seconds, frames / seconds);
  EXPECT_GE(frames, 5);
  ASSERT_EQ(control("device remove " + std::string(kSerial)).substr(0, 2), "OK");
  ASSERT_TRUE(test::pumpUntil([&] { return !page_->autoRefresh(); }, 10000));
  EXPECT_FALSE(box.checked());
  const int after = page_->captureCount();
  test::pump(500);
  EXPECT_EQ(page_->captureCount(), after) << "refresh went on after the failure";
  EXPECT_TRUE(page_->hasImage()) << "the last picture stays";
}

// An ADB server of our own serving a 1080 x 1920 RGBA frame on every connection, to measure the
// path from the socket to the painted page with a large frame.
class FullHdServer {
 public:
  FullHdServer() {
    const uint32_t w = 1080, h = 1920;
    auto word = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) frame_.push_back(static_cast<char>(v >> (8 * i)));
    };
    for (uint32_t v : {1u, 32u, w * h * 4, w, h, 0u, 8u, 16u, 8u, 8u, 8u, 24u, 8u}) word(v);
    frame_.resize(frame_.size() + static_cast<size_t>(w) * h * 4);
    for (size_t i = 52; i < frame_.size(); ++i) frame_[i] = static_cast<char>((i / 4096) * 37 + (i % 4) * 60);
    listener_.listen(0);
    thread_ = std::thread([this] {
      for (;;) {
        TcpSocket client = listener_.accept();
        if (!client.valid()) return;
        char request[64];
        client.receive(request, sizeof request);  // host:transport:...
        client.sendAll("OKAY", 4);
        client.receive(request, sizeof request);  // framebuffer:
        client.sendAll("OKAY", 4);
        client.sendAll(frame_.data(), frame_.size());
        client.shutdownSend();
        while (client.receive(request, sizeof request) > 0) {
        }
      }
    });
  }
  ~FullHdServer() {
    listener_.close();
    thread_.join();
  }
  uint16_t port() const { return listener_.port(); }

 private:
  std::string frame_;
  TcpListener listener_;
  std::thread thread_;
};

TEST_F(CapturePageTest, FullHdFrameTimings) {
  FullHdServer server;
  setAdbServerPort(server.port());
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(captureOnce()) << framebufferResultText(page_->lastResult());
    UpdateWindow(page_->hwnd());
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  EXPECT_EQ(label(IDC_CAPTURE_RESOLUTION), "1080x1920");
  EXPECT_EQ(page_->displaySize().height, 533);
  std::printf("[ capture ] 1080x1920x32 frame to the painted page: best of 3 %.1f ms\n", best);
  FramebufferCapture direct;
  Frame frame;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(direct.capture(kSerial, frame), FramebufferResult::Ok);
  std::printf("[ capture ] 1080x1920x32 frame alone through Winsock: %.1f ms\n",
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  Button(page_->hwnd(), IDC_CAPTURE_AUTO_REFRESH).click();
  const int before = page_->captureCount();
  const auto refresh = std::chrono::steady_clock::now();
  test::pump(3000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - refresh).count();
  const int frames = page_->captureCount() - before;
  std::printf("[ capture ] auto refresh, 1080x1920x32: %d frames in %.2f s = %.1f fps\n", frames, seconds, frames / seconds);
  EXPECT_GE(frames, 3);
  Button(page_->hwnd(), IDC_CAPTURE_AUTO_REFRESH).click();
  EXPECT_FALSE(page_->autoRefresh());
}

}  // namespace
}  // namespace zorvik
