#pragma once
// Page 44, "屏幕截图": the phone's screen read through the ADB server's framebuffer service,
// shown 300 pixels wide, rotated as chosen, and saved as JPEG, GIF, PNG or BMP through GDI+.
// Every capture runs on a worker, one at a time; the picture is built and painted on the UI
// thread. Auto refresh captures again 100 ms after each frame and stops at the first failure.
// Failures of a capture, a save or a copy are said in the main window's status line.
#include <windows.h>

#include <memory>
#include <string>

#include "common/win/Handles.h"
#include "app/Page.h"
#include "devlink/Framebuffer.h"
#include "devlink/FramebufferCapture.h"

namespace Gdiplus {
class Bitmap;
}

namespace zorvik {

// The control ids on the page.
enum : int {
  IDC_CAPTURE_FORMAT = 4401,
  IDC_CAPTURE_ROTATION,
  IDC_CAPTURE_QUALITY,
  IDC_CAPTURE_AUTO_REFRESH,
  IDC_CAPTURE_AUTO_SAVE,
  IDC_CAPTURE_RESOLUTION,
  IDC_CAPTURE_COPY,
};

// The page's values under HKEY_CURRENT_USER\Software\Zorvik (the one place that touches them):
// "screen_shot" the save folder, and beside it "screen_shot_format" and "screen_shot_quality"
// (the choice indexes, so they survive a restart). Read, or written when newValue is given;
// empty when the value is missing.
constexpr const char* kScreenShotFolderValue = "screen_shot";
constexpr const char* kScreenShotFormatValue = "screen_shot_format";
constexpr const char* kScreenShotQualityValue = "screen_shot_quality";
std::string captureSetting(const char* name, const std::string* newValue = nullptr);
inline std::string screenShotSetting(const std::string* newFolder = nullptr) {
  return captureSetting(kScreenShotFolderValue, newFolder);
}
// The documents folder's "卓维克", created when missing.
std::string defaultCaptureFolder();

class ScreenCapturePage : public Page {
 public:
  ScreenCapturePage(const PageInfo& info, PageHost& host);
  ~ScreenCapturePage() override;  // where Gdiplus::Bitmap is complete
  // A capture in progress is cancelled (its socket shut down at once) before the work stops.
  void close() override;

  // First show and "刷新屏幕": one capture on a worker (ignored while one runs).
  void load() override;
  void onToolbar(int index) override;

  // Saves the current image: automatic save gives a time-stamped name in the capture folder,
  // otherwise the save dialog asks. Returns the path written, empty when nothing was saved; the
  // status line says where the file went or why it was not written (a cancelled dialog says
  // nothing).
  std::string saveImage(int formatIndex, int qualityIndex);
  // Saves to a path whose extension picks the encoder; false when nothing was written.
  bool saveImageAs(const std::string& path, long quality);
  void chooseFolder();
  void openFolder();
  // Puts the shown (rotated) picture on the clipboard as a bitmap.
  bool copyToClipboard();

  // What the page shows (tests and the window's own use).
  bool capturing() const { return capturing_; }
  bool hasImage() const { return !lastFrame_.pixels.empty(); }
  int imageWidth() const;
  int imageHeight() const;
  DisplaySize displaySize() const { return display_; }
  bool autoRefresh() const { return autoRefresh_; }
  int captureCount() const { return captures_; }
  FramebufferResult lastResult() const { return lastResult_; }
  const std::string& folder() const { return folder_; }

 private:
  struct Result;
  void startCapture();
  void finishCapture(Result& result);
  void showFrame();
  void showScaled(Frame& scaled);
  bool ensureImage();
  void stopAutoRefresh();
  // The status line, remembering whether it now holds this page's failure.
  void showStatus(const std::string& text);
  void paint(HDC dc);
  RECT pictureRect() const;
  int choice(int id) const;

  // The full picture for saving, built from the last frame when first needed after a capture.
  std::unique_ptr<Gdiplus::Bitmap> image_;
  UniqueBitmap shown_;  // the display-size copy that painting copies to the screen
  Frame lastFrame_;     // the raw pixels of the last capture, colours in order, not rotated
  Frame turned_;        // reused for the rotation
  DisplaySize display_;
  int rotation_ = kRotateNone;
  int previousRotation_ = kRotateNone;
  bool autoRefresh_ = false;
  bool capturing_ = false;
  bool statusShown_ = false;
  int captures_ = 0;
  FramebufferResult lastResult_ = FramebufferResult::Ok;
  std::string folder_;
  std::shared_ptr<FramebufferCapture> capture_;
};

}  // namespace zorvik
