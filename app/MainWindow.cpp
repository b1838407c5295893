#include "app/MainWindow.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>

#include "app/PageData.h"
#include "app/StartupArgs.h"
#include "app/UiThread.h"
#include "resource.h"

namespace zorvik {

namespace {

constexpr int kWidth = 900, kHeight = 620;
constexpr int kHeaderHeight = 88, kNavWidth = 150, kToolbarHeight = 36, kBottomHeight = 30;
constexpr int kDragHeight = 50;
constexpr int kMaxPageButtons = 10;
constexpr COLORREF kSkinBlue = RGB(33, 110, 196);
constexpr COLORREF kNavColour = RGB(232, 241, 251);
constexpr COLORREF kBarColour = RGB(242, 246, 250);
constexpr const char* kMakerAddress = "http://www.zorvik.example";

const int kToolbarIds[kToolbarButtons] = {IDC_TOOLBAR_0, IDC_TOOLBAR_1, IDC_TOOLBAR_2, IDC_TOOLBAR_3};

COLORREF stateColour(int state) {
  return state == 1 ? 0x0000FF : state == 2 ? 0x14901D : 0xFF0000;
}

// A font face that exists here: the Windows faces first, then what Wine finds on Linux.
std::string uiFace() {
  static const std::string face = [] {
    const char* faces[] = {"Microsoft YaHei", "SimSun", "WenQuanYi Micro Hei", "Tahoma"};
    HDC dc = GetDC(nullptr);
    std::string found = "Tahoma";
    for (const char* f : faces) {
      LOGFONTA lf{};
      lf.lfCharSet = DEFAULT_CHARSET;
      lstrcpynA(lf.lfFaceName, f, LF_FACESIZE);
      bool exists = false;
      EnumFontFamiliesExA(dc, &lf, [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM p) -> int {
        *reinterpret_cast<bool*>(p) = true;
        return 0;
      }, reinterpret_cast<LPARAM>(&exists), 0);
      if (exists) { found = f; break; }
    }
    ReleaseDC(nullptr, dc);
    return found;
  }();
  return face;
}

HFONT makeFont(int height, int weight, bool underline = false) {
  return CreateFontA(-height, 0, 0, 0, weight, FALSE, underline, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, uiFace().c_str());
}

}  // namespace

std::string trayTooltip() { return std::string("卓维克 [") + kMakerAddress + "]"; }

MainWindow::MainWindow(MainWindowOptions options)
    : Dialog(IDD_MAIN), options_(std::move(options)), hiddenStart_(options_.hiddenStart) {
  for (int g = 0; g < kGroupCount; ++g) lastPage_[static_cast<size_t>(g)] = groupInfo(g).pages[0].id;
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

  map_.on(WM_INITDIALOG, [this](WinMsg& m) { onInit(); m.result = FALSE; });
  map_.on(WM_ERASEBKGND, [this](WinMsg& m) {
    RECT r = clientRectOf(hwnd());
    MemoryDc mem(reinterpret_cast<HDC>(m.wp), r.right, r.bottom);
    paintFrame(mem.get());
    BitBlt(reinterpret_cast<HDC>(m.wp), 0, 0, r.right, r.bottom, mem.get(), 0, 0, SRCCOPY);
    m.result = TRUE;
  });
  // Hidden start: the frame is hidden instead of painted until the tray shows it.
  map_.on(WM_NCPAINT, [this](WinMsg& m) {
    if (hiddenStart_) ShowWindow(hwnd(), SW_HIDE);
    m.handled = hiddenStart_;
  });
  map_.on(WM_WINDOWPOSCHANGING, [this](WinMsg& m) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(m.lp);
    if (hiddenStart_) pos->flags &= ~SWP_SHOWWINDOW;
    m.handled = false;
  });
  map_.on(WM_SIZE, [this](WinMsg& m) { applyRegion(); m.handled = false; });
  map_.on(WM_LBUTTONDOWN, [this](WinMsg& m) {
    if (GET_Y_LPARAM(m.lp) < kDragHeight && !IsZoomed(hwnd())) {
      ReleaseCapture();
      SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
  });
  map_.on(WM_DRAWITEM, [this](WinMsg& m) {
    drawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp));
    m.result = TRUE;
  });
  map_.on(WM_CTLCOLORSTATIC, [this](WinMsg& m) {
    HDC dc = reinterpret_cast<HDC>(m.wp);
    HWND ctl = reinterpret_cast<HWND>(m.lp);
    int id = GetDlgCtrlID(ctl);
    SetBkMode(dc, TRANSPARENT);
    if (id == IDC_CONNECTION_LABEL) SetTextColor(dc, stateColour(connState_));
    else if (id == IDC_DEVICE_MANAGER) SetTextColor(dc, kSkinBlue);
    else SetTextColor(dc, RGB(60, 60, 60));
    m.result = reinterpret_cast<LRESULT>(barBrush_.get());
  });
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    if (reinterpret_cast<HWND>(m.wp) == item(IDC_DEVICE_MANAGER)) {
      SetCursor(LoadCursor(nullptr, IDC_HAND));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });

  // Commands
  map_.on(WM_COMMAND, [this](WinMsg& m) {
    UINT id = m.commandId();
    if (id >= IDC_GROUP_FIRST && id < IDC_GROUP_FIRST + kGroupCount) {
      PostMessageA(hwnd(), kMsgShowGroup, 0, id - IDC_GROUP_FIRST);
    } else if (id >= IDC_PAGE_BUTTON_FIRST && id < IDC_PAGE_BUTTON_FIRST + kMaxPageButtons) {
      PostMessageA(hwnd(), kMsgShowIndex, 0, id - IDC_PAGE_BUTTON_FIRST);
    } else {
      m.handled = false;
    }
  });
  for (int i = 0; i < kToolbarButtons; ++i)
    map_.onCommand(kToolbarIds[i], [this, i](WinMsg&) { runToolbar(i); });
  map_.onCommand(IDOK, [](WinMsg&) {});      // Enter is swallowed
  map_.onCommand(IDCANCEL, [](WinMsg&) {});  // and so is Escape
  map_.onCommand(IDC_CAPTION_CLOSE, [this](WinMsg&) { closeWindow(); });
  map_.onCommand(IDC_CAPTION_MIN, [this](WinMsg&) { ShowWindow(hwnd(), SW_MINIMIZE); });
  map_.onCommand(IDC_CAPTION_MAX, [](WinMsg&) {});  // the window has a fixed size
  map_.onCommand(IDC_DEVICE_MANAGER, [this](WinMsg& m) {
    if (m.commandCode() == STN_CLICKED || m.commandCode() == BN_CLICKED) onAppCommand(0, 0);
  });
  map_.onCommand(IDC_CURRENT_TASKS, [this](WinMsg&) { showPage(0, 5); });
  map_.onCommand(IDM_TRAY_SHOW, [this](WinMsg&) { showFromTray(); });
  map_.onCommand(IDM_TRAY_TASKS, [this](WinMsg&) {
    showPage(0, 5);
    showFromTray();
    ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
  });
  map_.onCommand(IDM_TRAY_SETTINGS, [this](WinMsg&) {
    showPage(0, 3);
    showFromTray();
    ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
  });
  map_.onCommand(IDM_TRAY_EXIT, [this](WinMsg&) { closeWindow(); });
  map_.on(WM_CLOSE, [this](WinMsg&) { closeWindow(); });

  // Navigation messages
  map_.on(kMsgShowPage, [this](WinMsg& m) { showPage(static_cast<int>(m.wp), static_cast<int>(m.lp)); });
  map_.on(kMsgShowGroup, [this](WinMsg& m) {
    int g = static_cast<int>(m.lp);
    if (g >= 0 && g < kGroupCount) showPage(g, lastPage_[static_cast<size_t>(g)]);
  });
  map_.on(kMsgShowIndex, [this](WinMsg& m) {
    int i = static_cast<int>(m.lp);
    if (i >= 0 && i < groupInfo(group_).pageCount) showPage(group_, group_ * 10 + i);
  });
  map_.on(kMsgToolbar, [this](WinMsg& m) {
    int i = static_cast<int>(m.lp);
    if (i < 0 || i >= toolbarCount_) return;  // buttons a page does not have do nothing
    if (Page* p = page(pageId_)) p->onToolbar(i);
  });
  map_.on(kMsgStoreSearch, [this](WinMsg& m) {
    if (Page* p = page(20)) m.result = p->onRouted(kMsgStoreSearch, m.wp, m.lp);
  });
  map_.on(kMsgAppCommand, [this](WinMsg& m) { onAppCommand(m.wp, m.lp); });
  map_.on(kTrayCallback, [this](WinMsg& m) {
    switch (static_cast<UINT>(m.lp)) {
      case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: showFromTray(); break;
      case WM_RBUTTONDOWN: showTrayMenu(); break;
      default: break;
    }
  });
  map_.on(WM_DEVICECHANGE, [this](WinMsg& m) {
    if (options_.onDeviceChange) options_.onDeviceChange(m.wp, m.lp);
    m.result = TRUE;
  });
  map_.on(WM_TIMER, [this](WinMsg& m) {
    if (m.wp != kHomeTimer) { m.handled = false; return; }
    KillTimer(hwnd(), kHomeTimer);
    if (Page* home = page(0)) home->load();  // the home dashboard loads after every connection
  });
  map_.on(WM_DROPFILES, [this](WinMsg& m) {
    // The drop handle goes to the current page, which decides what the files mean.
    if (Page* p = page(pageId_)) SendMessageA(p->hwnd(), kMsgDropFiles, m.wp, 0);
    DragFinish(reinterpret_cast<HDROP>(m.wp));
  });
  for (auto& [msg, handler] : options_.extraMessages) map_.on(msg, handler);
  map_.on(WM_DESTROY, [this](WinMsg& m) {
    tray_.remove();
    m.handled = false;
  });
}

MainWindow::~MainWindow() {
  // Destroyed here, while the members its handlers use still exist.
  if (hwnd()) DestroyWindow(hwnd());
}

Page* MainWindow::page(int pageId) const {
  for (const auto& p : pages_)
    if (p->info().id == pageId) return p.get();
  return nullptr;
}

void MainWindow::onInit() {
  HWND h = hwnd();
  SetPropA(h, kInstanceProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kInstanceMark)));
  // A message registered by the shell is not a constant, so it goes into the map here.
  map_.on(taskbarCreated_, [this](WinMsg&) { tray_.addAfterShellRestart(kTrayTooltipAfterShellRestart); });

  white_.reset(CreateSolidBrush(RGB(255, 255, 255)));
  navBrush_.reset(CreateSolidBrush(kNavColour));
  barBrush_.reset(CreateSolidBrush(kBarColour));
  titleFont_.reset(makeFont(16, FW_BOLD));
  uiFont_.reset(makeFont(13, FW_NORMAL));
  underlineFont_.reset(makeFont(13, FW_NORMAL, true));
  header_.reset(static_cast<HBITMAP>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDB_SKIN_HEADER), IMAGE_BITMAP, 0, 0, 0)));
  toolbarPicture_.reset(static_cast<HBITMAP>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0)));
  bigIcon_.reset(static_cast<HICON>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 32, 32, 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 16, 16, 0)));

  tray_.add(h, smallIcon_.get(), trayTooltip());
  tray_.balloon("欢迎使用", trayTooltip());

  SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  SetWindowTextA(h, "卓维克");
  SetWindowPos(h, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  createControls();
  createPages();
  DragAcceptFiles(h, TRUE);
  applyRegion();
  // Centre on the work area.
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(h, nullptr, work.left + (work.right - work.left - kWidth) / 2,
               work.top + (work.bottom - work.top - kHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  showPage(0, 0);
  if (options_.onCreated) options_.onCreated(h);
}

void MainWindow::createControls() {
  HWND h = hwnd();
  auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int hgt, int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, hgt, h,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), appInstance(), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
    return c;
  };
  // Caption buttons with their tooltips.
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, h,
                             nullptr, appInstance(), nullptr);
  struct { int id; const char* tip; int x; } caps[] = {
    {IDC_CAPTION_MIN, "最小化", kWidth - 96}, {IDC_CAPTION_MAX, "最大化", kWidth - 66},
    {IDC_CAPTION_CLOSE, "关闭", kWidth - 36},
  };
  for (auto& c : caps) {
    HWND b = child("BUTTON", "", BS_OWNERDRAW, c.x, 4, 28, 22, c.id);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = h;
    ti.uId = reinterpret_cast<UINT_PTR>(b);
    ti.lpszText = const_cast<char*>(c.tip);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
  // Group tabs and "内存整理".
  for (int g = 0; g < kGroupCount - 1; ++g)
    child("BUTTON", groupInfo(g).caption, BS_OWNERDRAW, 170 + g * 100, 52, 96, 36, IDC_GROUP_FIRST + g);
  child("BUTTON", groupInfo(kGroupCount - 1).caption, BS_OWNERDRAW, kWidth - 112, 56, 96, 28,
        IDC_GROUP_FIRST + kGroupCount - 1);
  for (int i = 0; i < kMaxPageButtons; ++i)
    child("BUTTON", "", BS_OWNERDRAW, 8, kHeaderHeight + 10 + i * 40, kNavWidth - 16, 34, IDC_PAGE_BUTTON_FIRST + i);
  for (int i = 0; i < kToolbarButtons; ++i)
    child("BUTTON", "", BS_OWNERDRAW, kNavWidth + 8 + i * 130, kHeaderHeight + 4, 124, 28, kToolbarIds[i]);
  int y = kHeight - kBottomHeight + 7;
  child("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 10, y, 430, 18, IDC_STATUS_LINE);
  child("STATIC", "", SS_LEFT | SS_NOPREFIX, 450, y, 230, 18, IDC_CONNECTION_LABEL);
  HWND link = child("STATIC", "设备管理器", SS_NOTIFY | SS_CENTER, kWidth - 206, y, 80, 18, IDC_DEVICE_MANAGER);
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(underlineFont_.get()), FALSE);
  child("BUTTON", "当前任务", BS_OWNERDRAW, kWidth - 114, kHeight - kBottomHeight + 3, 104, 24, IDC_CURRENT_TASKS);
}

void MainWindow::createPages() {
  RECT area{kNavWidth, kHeaderHeight + kToolbarHeight, kWidth, kHeight - kBottomHeight};
  for (int g = 0; g < kGroupCount; ++g) {
    const GroupInfo& gi = groupInfo(g);
    for (int i = 0; i < gi.pageCount; ++i) {
      std::unique_ptr<Page> p = pageFactory(gi.pages[i].id)(gi.pages[i], *this);
      if (!p || !p->createModeless(hwnd())) continue;
      SetWindowPos(p->hwnd(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
      pages_.push_back(std::move(p));
    }
  }
}

void MainWindow::showPage(int group, int pageId) {
  const PageInfo* info = findPage(pageId);
  if (!info || groupOfPage(pageId) != group) return;
  group_ = group;
  pageId_ = pageId;
  lastPage_[static_cast<size_t>(group)] = pageId;
  for (const auto& p : pages_)
    if (p->info().id != pageId) ShowWindow(p->hwnd(), SW_HIDE);
  layoutPageButtons();
  updateToolbar();
  Page* p = page(pageId);
  if (p) {
    ShowWindow(p->hwnd(), SW_SHOW);
    // The loader runs only while the page's key is absent; the table is marked before the call
    // so a second visit during the load does not start another.
    if (p->pageKey() != kNoPageKey && PageDataTable::instance().beginLoad(p->pageKey())) p->load();
    p->onShown();
  }
  for (int g = 0; g < kGroupCount; ++g) InvalidateRect(item(IDC_GROUP_FIRST + g), nullptr, FALSE);
  RECT nav{0, kHeaderHeight, kNavWidth, kHeight - kBottomHeight};
  InvalidateRect(hwnd(), &nav, TRUE);
}

void MainWindow::layoutPageButtons() {
  const GroupInfo& gi = groupInfo(group_);
  bool single = gi.pageCount == 1;  // "内存整理" has no page buttons
  for (int i = 0; i < kMaxPageButtons; ++i) {
    HWND b = item(IDC_PAGE_BUTTON_FIRST + i);
    bool used = !single && i < gi.pageCount;
    if (used) SetWindowTextA(b, gi.pages[i].caption);
    ShowWindow(b, used ? SW_SHOWNA : SW_HIDE);
    if (used) InvalidateRect(b, nullptr, FALSE);
  }
}

void MainWindow::updateToolbar() {
  const PageInfo* info = findPage(pageId_);
  toolbarCount_ = info ? toolbarButtonCount(*info) : 0;
  for (int i = 0; i < kToolbarButtons; ++i) {
    HWND b = item(kToolbarIds[i]);
    toolbarChecked_[static_cast<size_t>(i)] = false;
    bool used = i < toolbarCount_;
    SetWindowTextA(b, used ? info->toolbar[static_cast<size_t>(i)] : "");
    ShowWindow(b, used ? SW_SHOWNA : SW_HIDE);
  }
}

void MainWindow::runToolbar(int index) {
  for (int i = 0; i < kToolbarButtons; ++i) {
    toolbarChecked_[static_cast<size_t>(i)] = i == index;
    InvalidateRect(item(kToolbarIds[i]), nullptr, FALSE);
  }
  PostMessageA(hwnd(), kMsgToolbar, 0, index);
}

void MainWindow::onAppCommand(WPARAM cmd, LPARAM arg) {
  switch (cmd) {
    case 0:
      if (options_.openDeviceManager) options_.openDeviceManager(hwnd());
      break;
    case 1:
      showPage(2, 20);
      if (Page* p = page(20)) SendMessageA(p->hwnd(), kMsgStoreItem, 0, arg);
      break;
    case 2:
      showPage(4, 44);
      if (Page* p = page(44)) SendMessageA(p->hwnd(), kMsgCapture, 0, arg);
      break;
    case 3:
      if (Page* p = page(5)) p->onRouted(kMsgAppCommand, cmd, arg);
      break;
    case 4: {
      RECT nav{0, kHeaderHeight, kNavWidth, kHeight - kBottomHeight};
      InvalidateRect(hwnd(), &nav, TRUE);
      InvalidateRect(item(IDC_CURRENT_TASKS), nullptr, FALSE);
      for (int i = 0; i < kMaxPageButtons; ++i) InvalidateRect(item(IDC_PAGE_BUTTON_FIRST + i), nullptr, FALSE);
      RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      break;
    }
    default:
      break;
  }
}

void MainWindow::showFromTray() {
  hiddenStart_ = false;
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
}

void MainWindow::showTrayMenu() {
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, IDM_TRAY_SHOW, "显示控制中心");
  AppendMenuA(menu.get(), MF_STRING, IDM_TRAY_TASKS, "当前下载任务");
  AppendMenuA(menu.get(), MF_STRING, IDM_TRAY_SETTINGS, "Zorvik 设置");
  AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu.get(), MF_STRING, IDM_TRAY_EXIT, "退出 Zorvik");
  POINT pt{};
  GetCursorPos(&pt);
  SetForegroundWindow(hwnd());  // so the menu closes when the user clicks elsewhere
  TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
  PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void MainWindow::applyRegion() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  HRGN rgn = CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, 4, 4);
  if (!SetWindowRgn(hwnd(), rgn, TRUE)) DeleteObject(rgn);  // the window owns it on success
}

void MainWindow::closeWindow() {
  if (options_.onClosing) options_.onClosing();
  options_.onClosing = nullptr;
  // Ends the modal loop (or the modeless window in tests) on the next turn, never inside a handler
  // of a page that is about to go.
  HWND h = hwnd();
  if (isModal()) EndDialog(h, IDOK);
  else DestroyWindow(h);
}

// ---- status areas, safe from any thread

void MainWindow::setStatusText(const std::string& text) {
  postToUi([this, text] { SetDlgItemTextA(hwnd(), IDC_STATUS_LINE, text.c_str()); });
}

void MainWindow::setConnectionStatus(const std::string& text, int state) {
  postToUi([this, text, state] {
    connState_ = state;
    HWND label = item(IDC_CONNECTION_LABEL);
    SetWindowTextA(label, text.c_str());
    RECT r = childRect(label);
    InvalidateRect(hwnd(), &r, TRUE);
  });
}

void MainWindow::showBalloon(const std::string& title, const std::string& text) {
  postToUi([this, title, text] { tray_.balloon(title, text); });
}

void MainWindow::playSound(int resourceId) {
  PlaySoundA(MAKEINTRESOURCEA(resourceId), appInstance(), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void MainWindow::startHomeTimer(UINT ms) {
  postToUi([this, ms] { SetTimer(hwnd(), kHomeTimer, ms, nullptr); });
}

// ---- skin

void MainWindow::paintFrame(HDC dc) {
  RECT all = clientRectOf(hwnd());
  FillRect(dc, &all, white_.get());
  RECT header{0, 0, all.right, kHeaderHeight};
  if (header_) {
    BITMAP bm{};
    GetObjectA(header_.get(), sizeof bm, &bm);
    HDC mem = CreateCompatibleDC(dc);
    {
      SelectObjectScope sel(mem, header_.get());
      StretchBlt(dc, 0, 0, header.right, header.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    }
    DeleteDC(mem);
  } else {
    UniqueBrush blue(CreateSolidBrush(kSkinBlue));
    FillRect(dc, &header, blue.get());
  }
  DrawIconEx(dc, 12, 8, bigIcon_.get(), 32, 32, 0, nullptr, DI_NORMAL);
  SetBkMode(dc, TRANSPARENT);
  {
    SelectObjectScope font(dc, titleFont_.get());
    SetTextColor(dc, RGB(255, 255, 255));
    RECT title{52, 8, 400, 40};
    DrawTextA(dc, "卓维克 PC版 1.0", -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  RECT nav{0, kHeaderHeight, kNavWidth, all.bottom - kBottomHeight};
  FillRect(dc, &nav, navBrush_.get());
  RECT bar{kNavWidth, kHeaderHeight, all.right, kHeaderHeight + kToolbarHeight};
  FillRect(dc, &bar, barBrush_.get());
  RECT bottom{0, all.bottom - kBottomHeight, all.right, all.bottom};
  FillRect(dc, &bottom, barBrush_.get());
  UniquePen edge(CreatePen(PS_SOLID, 1, RGB(200, 212, 228)));
  SelectObjectScope pen(dc, edge.get());
  MoveToEx(dc, 0, bottom.top, nullptr);
  LineTo(dc, all.right, bottom.top);
  MoveToEx(dc, kNavWidth - 1, kHeaderHeight, nullptr);
  LineTo(dc, kNavWidth - 1, bottom.top);
  MoveToEx(dc, kNavWidth, bar.bottom - 1, nullptr);
  LineTo(dc, all.right, bar.bottom - 1);
  // The frame's outline, inside the rounded region.
  UniquePen outline(CreatePen(PS_SOLID, 1, RGB(20, 80, 150)));
  SelectObjectScope pen2(dc, outline.get());
  SelectObjectScope hollow(dc, GetStockObject(HOLLOW_BRUSH));
  RoundRect(dc, 0, 0, all.right, all.bottom, 4, 4);
}

void MainWindow::drawButton(const DRAWITEMSTRUCT& d) {
  HDC dc = d.hDC;
  RECT r = d.rcItem;
  int id = static_cast<int>(d.CtlID);
  bool pressed = (d.itemState & ODS_SELECTED) != 0;
  std::string text = windowText(d.hwndItem);
  COLORREF fill = kBarColour, ink = RGB(30, 30, 30), border = RGB(190, 205, 225);
  if (id >= IDC_GROUP_FIRST && id < IDC_GROUP_FIRST + kGroupCount) {
    bool current = id - IDC_GROUP_FIRST == group_;
    fill = current ? RGB(255, 255, 255) : RGB(52, 130, 214);
    ink = current ? kSkinBlue : RGB(255, 255, 255);
    border = current ? RGB(255, 255, 255) : RGB(90, 155, 225);
  } else if (id >= IDC_PAGE_BUTTON_FIRST && id < IDC_PAGE_BUTTON_FIRST + kMaxPageButtons) {
    int pageId = group_ * 10 + (id - IDC_PAGE_BUTTON_FIRST);
    bool current = pageId == pageId_;
    fill = current ? kSkinBlue : kNavColour;
    ink = current ? RGB(255, 255, 255) : RGB(30, 30, 30);
    border = current ? kSkinBlue : kNavColour;
    if (Page* p = page(pageId); p && p->navBadge() >= 0) text += "(" + std::to_string(p->navBadge()) + ")";
  } else if (id == IDC_CAPTION_CLOSE || id == IDC_CAPTION_MIN || id == IDC_CAPTION_MAX) {
    fill = pressed ? RGB(20, 80, 150) : RGB(40, 118, 204);
    border = fill;
    ink = RGB(255, 255, 255);
  } else {
    for (int i = 0; i < kToolbarButtons; ++i)
      if (id == kToolbarIds[i] && toolbarChecked_[static_cast<size_t>(i)]) fill = RGB(214, 230, 248);
    if (id == IDC_CURRENT_TASKS) {
      if (Page* p = page(5); p && p->navBadge() > 0) text += "(" + std::to_string(p->navBadge()) + ")";
    }
  }
  if (pressed) fill = RGB(196, 218, 244);
  UniqueBrush brush(CreateSolidBrush(fill));
  UniquePen pen(CreatePen(PS_SOLID, 1, border));
  {
    SelectObjectScope b(dc, brush.get());
    SelectObjectScope p(dc, pen.get());
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 6, 6);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  SelectObjectScope font(dc, uiFont_.get());
  if (id == IDC_CAPTION_CLOSE || id == IDC_CAPTION_MIN || id == IDC_CAPTION_MAX) {
    // Drawn glyphs rather than letters, so any font will do.
    UniquePen white(CreatePen(PS_SOLID, 2, RGB(255, 255, 255)));
    SelectObjectScope p(dc, white.get());
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    if (id == IDC_CAPTION_CLOSE) {
      MoveToEx(dc, cx - 5, cy - 5, nullptr); LineTo(dc, cx + 5, cy + 5);
      MoveToEx(dc, cx + 5, cy - 5, nullptr); LineTo(dc, cx - 5, cy + 5);
    } else if (id == IDC_CAPTION_MIN) {
      MoveToEx(dc, cx - 5, cy + 4, nullptr); LineTo(dc, cx + 6, cy + 4);
    } else {
      SelectObjectScope hollow(dc, GetStockObject(HOLLOW_BRUSH));
      Rectangle(dc, cx - 5, cy - 5, cx + 6, cy + 5);
    }
    return;
  }
  bool toolbar = false;
  for (int i = 0; i < kToolbarButtons; ++i) toolbar |= id == kToolbarIds[i];
  if (toolbar && toolbarPicture_) {
    // The toolbar picture: one 20 x 20 cell per button index.
    int index = 0;
    for (int i = 0; i < kToolbarButtons; ++i) if (id == kToolbarIds[i]) index = i;
    HDC mem = CreateCompatibleDC(dc);
    {
      SelectObjectScope sel(mem, toolbarPicture_.get());
      TransparentBlt(dc, r.left + 6, (r.top + r.bottom - 20) / 2, 20, 20, mem, index * 20, 0, 20, 20, RGB(255, 0, 255));
    }
    DeleteDC(mem);
    r.left += 28;
    DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return;
  }
  DrawTextA(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace zorvik
