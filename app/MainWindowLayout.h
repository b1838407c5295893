#pragma once
// The main window's geometry and colours, shared by its message handlers (MainWindow.cpp) and
// its skin (MainWindowSkin.cpp). Internal to the main window.
#include <windows.h>

#include "app/PageTable.h"
#include "app/resource.h"

namespace zorvik::mainwindow {

inline constexpr int kWidth = 900, kHeight = 620;
inline constexpr int kHeaderHeight = 88, kNavWidth = 150, kToolbarHeight = 36, kBottomHeight = 30;
inline constexpr int kDragHeight = 50;
inline constexpr int kMaxPageButtons = 10;
inline constexpr COLORREF kSkinBlue = RGB(33, 110, 196);
inline constexpr COLORREF kNavColour = RGB(232, 241, 251);
inline constexpr COLORREF kBarColour = RGB(242, 246, 250);
inline constexpr const char* kMakerAddress = "http://www.zorvik.example";

inline constexpr int kToolbarIds[kToolbarButtons] = {IDC_TOOLBAR_0, IDC_TOOLBAR_1, IDC_TOOLBAR_2, IDC_TOOLBAR_3};

// The store search box in the header, left of the caption buttons: the one control of the window
// that takes Enter, and its button.
inline constexpr int kSearchEditId = 1060, kSearchButtonId = 1061;
inline constexpr RECT kSearchEditRect{560, 15, 730, 37};
inline constexpr RECT kSearchButtonRect{734, 14, 790, 38};
inline constexpr const char* kSearchButtonText = "搜索";
inline constexpr const char* kSearchHint = "搜索软件、游戏";
// Characters the box takes: in GBK at most two bytes each, so the keyword stays within the
// 255 bytes 0x464 carries.
inline constexpr int kSearchMaxChars = 120;

}  // namespace zorvik::mainwindow
