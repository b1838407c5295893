#pragma once
// The main window: a skinned dialog without a system frame holding the group tabs, the page
// buttons, the toolbar, every page (created once, hidden), the status line, the connection
// label and the tray icon.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "app/Page.h"
#include "app/PageTable.h"
#include "app/Tray.h"
#include "devlink/ConnectionListener.h"
#include "ui/Window.h"

namespace zorvik {

// Messages of the main window.
constexpr UINT kMsgShowPage = 0x432;        // wParam group, lParam page id
constexpr UINT kMsgShowGroup = 0x465;       // lParam group 0..5
constexpr UINT kMsgShowIndex = 0x467;       // lParam index within the current group
constexpr UINT kMsgToolbar = 0x466;         // lParam button index 0..3
constexpr UINT_PTR kHomeTimer = kDashboardTimerId;  // the device link starts it on connecting

// 0x7E8 (WM_USER + 1000) carries the frame's own commands (MainWindow.cpp); pages reach them
// through PageHost's typed calls.

struct MainWindowOptions {
  bool hiddenStart = false;
  // Called once the window exists (registers for USB notices, starts the first connection).
  std::function<void(HWND)> onCreated;
  // WM_DEVICECHANGE, passed on whole to the device link.
  std::function<void(WPARAM, LPARAM)> onDeviceChange;
  // Command 1051 / 0x7E8 command 0: the device chooser with "设备管理器 - Zorvik".
  std::function<void(HWND)> openDeviceManager;
  // Before the window goes: stop what talks to it.
  std::function<void()> onClosing;
  // More message-map entries (the device link's chooser request).
  std::vector<std::pair<UINT, MsgHandler>> extraMessages;
};

class MainWindow : public Dialog, public PageHost {
public:
  explicit MainWindow(MainWindowOptions options);
  ~MainWindow() override;

  // PageHost
  HWND mainHwnd() const override { return hwnd(); }
  void setStatusText(const std::string& text) override;
  void showPage(int group, int pageId) override;
  void showPageLater(int group, int pageId) override;
  void openDeviceManager() override;
  void openStoreItem(int32_t item) override;
  void requestDownload() override;
  void redrawNavigation() override;
  // The page in its own group.
  void showPage(PageId pageId) { showPage(groupOfPage(pageId), pageId); }

  // For the device link; safe from any thread (posted to the UI thread).
  // state: 0 information (blue), 1 error (red), 2 success (green).
  void setConnectionStatus(const std::string& text, int state);
  void showBalloon(const std::string& title, const std::string& text);
  void playSound(int resourceId);
  void startHomeTimer(UINT ms);

  int currentGroup() const { return group_; }
  int currentPageId() const { return pageId_; }
  int lastPageOfGroup(int group) const { return lastPage_.at(static_cast<size_t>(group)); }
  Page* page(int pageId) const;
  bool toolbarChecked(int index) const { return toolbarChecked_.at(static_cast<size_t>(index)); }
  int toolbarCount() const { return toolbarCount_; }
  bool hiddenStart() const { return hiddenStart_; }
  // The store search box's edit control.
  HWND searchBox() const;
  int connectionState() const { return connState_; }
  const TrayIcon& tray() const { return tray_; }

private:
  struct Tables;  // the message and command tables (MainWindow.cpp)
  class SearchBox;  // the header's store search edit (MainWindow.cpp)

  MainWindowOptions options_;
  bool hiddenStart_;
  int group_ = 0;
  int pageId_ = 0;
  std::array<int, kGroupCount> lastPage_{};
  std::vector<std::unique_ptr<Page>> pages_;  // one per page of the table, in table order
  std::array<bool, kToolbarButtons> toolbarChecked_{};
  int toolbarCount_ = 0;
  int connState_ = 0;
  TrayIcon tray_;
  UINT taskbarCreated_ = 0;
  UniqueIcon bigIcon_, smallIcon_;
  UniqueBitmap header_, toolbarPicture_;
  UniqueFont titleFont_, uiFont_, underlineFont_;
  UniqueBrush white_, navBrush_, barBrush_;
  HWND tooltip_ = nullptr;
  std::unique_ptr<SearchBox> searchBox_;

  // Message handlers, one per entry of the message table.
  void onInit(WinMsg& m);
  void onEraseBackground(WinMsg& m);
  void onNcPaint(WinMsg& m);
  void onWindowPosChanging(WinMsg& m);
  void onSize(WinMsg& m);
  void onLButtonDown(WinMsg& m);
  void onDrawItem(WinMsg& m);
  void onCtlColorStatic(WinMsg& m);
  void onSetCursor(WinMsg& m);
  void onCommandRange(WinMsg& m);
  void onShowPageMessage(WinMsg& m);
  void onShowGroup(WinMsg& m);
  void onShowIndex(WinMsg& m);
  void onToolbarMessage(WinMsg& m);
  void onStoreSearch(WinMsg& m);
  void onAppCommandMessage(WinMsg& m);
  void onTrayCallback(WinMsg& m);
  void onDeviceChange(WinMsg& m);
  void onTimer(WinMsg& m);
  void onDropFiles(WinMsg& m);
  void onClose(WinMsg& m);
  void onDestroy(WinMsg& m);
  // Command handlers, one per entry of the command table.
  void ignoreCommand() {}
  void minimise();
  void onDeviceManagerLink(WinMsg& m);
  void showTasks();
  void showTasksFromTray();
  void showSettingsFromTray();
  void searchStore();

  void loadSkin();
  void createControls();
  void createSearchBox(HFONT font);
  void createPages();
  void closePages();
  void layoutPageButtons();
  void updateToolbar();
  void runToolbar(int index);
  void paintFrame(HDC dc);
  struct ButtonLook {
    COLORREF fill = RGB(242, 246, 250), ink = RGB(30, 30, 30), border = RGB(190, 205, 225);
    int badge = -1;  // a count drawn after the caption
  };
  ButtonLook buttonLook(int id, bool pressed) const;
  void drawButton(const DRAWITEMSTRUCT& d);
  static void drawCaptionGlyph(HDC dc, int id, const RECT& r);
  void showTrayMenu();
  void showFromTray();
  void bringForward();
  void onAppCommand(WPARAM cmd, LPARAM arg);
  void applyRegion();
  void closeWindow();
};

// The tray tooltip: "卓维克 [maker's address]".
std::string trayTooltip();

}  // namespace zorvik
