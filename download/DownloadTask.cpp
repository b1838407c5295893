#include "download/DownloadTask.h"

namespace zorvik {
namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const char* taskKindText(int32_t kind) {
  static const char* const kTexts[] = {"应用", "音乐", "铃声", "视频", "小说", "壁纸"};
  if (kind < 0 || kind >= static_cast<int32_t>(sizeof kTexts / sizeof kTexts[0])) return "未知";
  return kTexts[kind];
}

const char* taskStateText(int32_t state) {
  static const char* const kTexts[] = {"等待开始", "下载中..", "暂停下载", "下载完成", "下载失败",
                                       "安装APK",  "安装XAP",  "视频转换", "安装失败"};
  if (state < 0 || state >= static_cast<int32_t>(sizeof kTexts / sizeof kTexts[0])) return "未知";
  return kTexts[state];
}

uint32_t taskStateColour(int32_t state) {
  switch (state) {
    case kStateDownloading:
    case kStateDone:
      return rgb(0, 128, 0);
    case kStatePaused:
      return rgb(228, 111, 7);
    case kStateDownloadFailed:
      return rgb(255, 0, 0);
    default:
      return state >= kStateInstallApk ? rgb(255, 0, 255) : rgb(0, 0, 0);
  }
}

std::string taskFilePath(const std::string& savePath, const std::string& packageName) {
  return savePath + "\\" + packageName + ".apk";
}

bool isPackageName(const std::string& name) {
  if (name.empty() || name.size() > 128) return false;
  int segments = 0;
  size_t i = 0;
  while (true) {
    if (i >= name.size() || !isLetter(name[i])) return false;
    ++i;
    while (i < name.size() && (isLetter(name[i]) || isDigit(name[i]))) ++i;
    ++segments;
    if (i == name.size()) break;
    if (name[i] != '.') return false;
    ++i;
  }
  return segments >= 2;
}

}  // namespace zorvik
