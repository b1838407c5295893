#pragma once
// The screen capture page's choices and the names it saves under (portable: no windows.h).
#include <string>
#include <string_view>

#include "devlink/Framebuffer.h"

namespace zorvik {

// The three choice lists, index 0 first.
extern const char* const kCaptureFormatEntries[4];
extern const char* const kCaptureRotationEntries[4];
extern const char* const kCaptureQualityEntries[7];

// Format index -> "jpg", "gif", "png", "bmp" (any other index "jpg").
const char* captureFormatExtension(int formatIndex);
// Quality index -> 100, 90, 85, 80, 70, 60, 50 (any other index 100).
long captureQuality(int qualityIndex);
// "bmp", "jpg", "png", "gif" in any case -> the encoder's MIME type; empty for anything else.
std::string captureMimeType(std::string_view extension);
// The extension of a path (after the last '.' of its last component), empty when none.
std::string pathExtension(std::string_view path);
// The automatic save name: "%02d%02d-%02d%02d%02d" (month, day, hour, minute, second), ".", ext.
std::string autoSaveFileName(int month, int day, int hour, int minute, int second, const char* extension);

// The resolution label: "%dx%d".
std::string resolutionText(int width, int height);

// What the status line says when a capture ends without a picture (the last picture stays);
// `claimed` is the header a refused frame announced. Empty for Ok and Cancelled.
std::string captureFailureText(FramebufferResult result, const FramebufferHeader& claimed);
// The status line after a save: where the file went, or that it could not be written there.
std::string captureSavedText(const std::string& path);
std::string captureSaveFailedText(const std::string& path);
// Saving or copying before any capture, and a clipboard that refused the picture.
constexpr const char* kCaptureNothingToSave = "【提示】还没有截图，请先刷新屏幕";
constexpr const char* kCaptureCopyFailed = "【错误】复制截图到剪贴板失败";

}  // namespace zorvik
