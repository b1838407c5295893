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

}  // namespace zorvik::mainwindow
