#pragma once
// The screen capture page's choices and the names it saves under (portable: no windows.h).
#include <string>
#include <string_view>

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

}  // namespace zorvik
