#include "devlink/ScreenCaptureChoices.h"

#include <cstdio>

namespace zorvik {

const char* const kCaptureFormatEntries[4] = {"JPG (照片级)", "GIF (256 色)", "PNG (真彩色)", "BMP (元位图)"};
const char* const kCaptureRotationEntries[4] = {"[ 无旋转 ]", "右旋转90度", "左旋转90度", "180 度旋转"};
const char* const kCaptureQualityEntries[7] = {"原始画质", "90% 画质", "85% 画质", "80% 画质",
                                               "70% 画质", "60% 画质", "50% 画质"};

const char* captureFormatExtension(int formatIndex) {
  static const char* const kExtensions[] = {"jpg", "gif", "png", "bmp"};
  return formatIndex >= 0 && formatIndex < 4 ? kExtensions[formatIndex] : "jpg";
}

long captureQuality(int qualityIndex) {
  static const long kQualities[] = {100, 90, 85, 80, 70, 60, 50};
  return qualityIndex >= 0 && qualityIndex < 7 ? kQualities[qualityIndex] : 100;
}

std::string captureMimeType(std::string_view extension) {
  std::string lower(extension);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "bmp") return "image/bmp";
  if (lower == "jpg") return "image/jpeg";
  if (lower == "png") return "image/png";
  if (lower == "gif") return "image/gif";
  return {};
}

std::string pathExtension(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(path.substr(dot + 1));
}

std::string autoSaveFileName(int month, int day, int hour, int minute, int second, const char* extension) {
  char name[64];
  std::snprintf(name, sizeof name, "%02d%02d-%02d%02d%02d.%s", month, day, hour, minute, second, extension);
  return name;
}

std::string resolutionText(int width, int height) {
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", width, height);
  return text;
}

std::string captureFailureText(FramebufferResult result, const FramebufferHeader& claimed) {
  switch (result) {
    case FramebufferResult::Ok:
    case FramebufferResult::Cancelled:
      return {};
    case FramebufferResult::NoDevice: return "【提示】没有连接手机，无法截图";
    case FramebufferResult::ServerFailure:
    case FramebufferResult::RequestFailed:
      return "【错误】截图失败：ADB服务没有响应或手机已断开";
    case FramebufferResult::ServiceRefused: return "【错误】截图失败：手机拒绝读取屏幕";
    case FramebufferResult::ShortHeader:
    case FramebufferResult::ShortPixels:
      return "【错误】截图失败：屏幕数据不完整";
    case FramebufferResult::TimedOut: return "【错误】截图超时：手机没有送来屏幕数据";
    case FramebufferResult::BadHeader: return "【错误】截图失败：手机送来的屏幕数据无效";
    case FramebufferResult::BadShape: {
      char text[128];
      std::snprintf(text, sizeof text, "【错误】截图失败：手机报告的屏幕尺寸 %ux%u 无法显示", claimed.width, claimed.height);
      return text;
    }
  }
  return "【错误】截图失败";
}

std::string captureSavedText(const std::string& path) { return "【提示】截图已保存：" + path; }
std::string captureSaveFailedText(const std::string& path) { return "【错误】截图保存失败：" + path; }

}  // namespace zorvik
