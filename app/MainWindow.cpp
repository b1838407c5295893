#include "app/MainWindow.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <windowsx.h>

#include <chrono>
#include <cstdio>

#include "app/MainWindowLayout.h"
#include "app/PageData.h"
#include "app/StartupArgs.h"
#include "ui/Controls.h"
#include "ui/UiThread.h"
#include "app/resource.h"

namespace zorvik {

namespace {
constexpr UINT kMsgAppCommand = WM_USER + 1000;  // 0x7E8: wParam an AppCommand

// The commands of message 0x7E8 (wParam).
enum AppCommand : WPARAM {
  kAppDeviceManager = 0,   // the device chooser
  kAppStoreItem = 1,       // lParam to the store page as 0x4FB
  kAppCapture = 2,         // lParam to the screen-capture page as 0x4FC
  kAppDownloadRequest = 3, // to the tasks page
  kAppRedraw = 4,          // the navigation and the task count again
};
}  // namespace

using namespace mainwindow;

// The store search edit. A dialog turns Enter into IDOK, which the window swallows; this box asks
// for Enter itself (in the modal loop's dialog manager as well as in a plain message loop) and
// runs the search. While empty it shows a grey hint (the edit repaints itself on every change).
class MainWindow::SearchBox : public Window {
public:
  explicit SearchBox(std::function<void()> onEnter) : onEnter_(std::move(onEnter)) {
    map_.on(WM_GETDLGCODE, [this](WinMsg& m) {
      const auto* msg = reinterpret_cast<const MSG*>(m.lp);
      m.result = defaultProc(m);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) m.result |= DLGC_WANTALLKEYS;
    });
    map_.on(WM_KEYDOWN, [this](WinMsg& m) {
      if (m.wp == VK_RETURN) onEnter_();
      else m.handled = false;
    });
    map_.on(WM_CHAR, [](WinMsg& m) {
      if (m.wp == 1) SendMessageA(m.hwnd, EM_SETSEL, 0, -1);  // Ctrl+A: a new keyword replaces the last
      m.handled = m.wp == 1 || m.wp == '\r' || m.wp == '\n';  // no beep
    });
    map_.on(WM_PAINT, [this](WinMsg& m) {
      m.result = defaultProc(m);
      if (GetWindowTextLengthA(m.hwnd) > 0) return;
      WindowDc dc(m.hwnd);
      RECT r{};
      SendMessageA(m.hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
      SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageA(m.hwnd, WM_GETFONT, 0, 0)));
      SetBkMode(dc.get(), TRANSPARENT);
      SetTextColor(dc.get(), GetSysColor(COLOR_GRAYTEXT));
      DrawTextA(dc.get(), kSearchHint, -1, &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    });
  }

private:
  std::function<void()> onEnter_;
};

std::string trayTooltip() { return std::string("卓维克 [") + kMakerAddress + "]"; }

// The window's messages and commands: adding one is one entry here and one handler below.
struct MainWindow::Tables {
  using Handler = void (MainWindow::*)(WinMsg&);
  using Command = void (MainWindow::*)();
  struct MessageEntry { UINT msg; Handler handle; };
  struct CommandEntry { UINT id; Command run; };

  static constexpr MessageEntry kMessages[] = {
      {WM_INITDIALOG, &MainWindow::onInit},
      {WM_ERASEBKGND, &MainWindow::onEraseBackground},
      {WM_NCPAINT, &MainWindow::onNcPaint},
      {WM_WINDOWPOSCHANGING, &MainWindow::onWindowPosChanging},
      {WM_SIZE, &MainWindow::onSize},
      {WM_LBUTTONDOWN, &MainWindow::onLButtonDown},
      {WM_DRAWITEM, &MainWindow::onDrawItem},
      {WM_CTLCOLORSTATIC, &MainWindow::onCtlColorStatic},
      {WM_SETCURSOR, &MainWindow::onSetCursor},
      {WM_COMMAND, &MainWindow::onCommandRange},  // group tabs and page buttons
      {WM_CLOSE, &MainWindow::onClose},
      {kMsgShowPage, &MainWindow::onShowPageMessage},
      {kMsgShowGroup, &MainWindow::onShowGroup},
      {kMsgShowIndex, &MainWindow::onShowIndex},
      {kMsgToolbar, &MainWindow::onToolbarMessage},
      {kMsgStoreSearch, &MainWindow::onStoreSearch},
      {kMsgAppCommand, &MainWindow::onAppCommandMessage},
      {kTrayCallback, &MainWindow::onTrayCallback},
      {WM_DEVICECHANGE, &MainWindow::onDeviceChange},
      {WM_TIMER, &MainWindow::onTimer},
      {WM_DROPFILES, &MainWindow::onDropFiles},
      {WM_DESTROY, &MainWindow::onDestroy},
  };
  static constexpr CommandEntry kCommands[] = {
      {IDOK, &MainWindow::ignoreCommand},      // Enter is swallowed
      {IDCANCEL, &MainWindow::ignoreCommand},  // and so is Escape
      {IDC_CAPTION_CLOSE, &MainWindow::closeWindow},
      {IDC_CAPTION_MIN, &MainWindow::minimise},
      {IDC_CAPTION_MAX, &MainWindow::ignoreCommand},  // the window has a fixed size
      {IDC_CURRENT_TASKS, &MainWindow::showTasks},
      {IDM_TRAY_SHOW, &MainWindow::showFromTray},
      {IDM_TRAY_TASKS, &MainWindow::showTasksFromTray},
      {IDM_TRAY_SETTINGS, &MainWindow::showSettingsFromTray},
      {IDM_TRAY_EXIT, &MainWindow::closeWindow},
  };
};

MainWindow::MainWindow(MainWindowOptions options)
    : Dialog(IDD_MAIN), options_(std::move(options)), hiddenStart_(options_.hiddenStart) {
  for (int g = 0; g < kGroupCount; ++g) lastPage_[static_cast<size_t>(g)] = groupInfo(g).pages[0].id;
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
  for (const Tables::MessageEntry& e : Tables::kMessages)
    map_.on(e.msg, [this, handle = e.handle](WinMsg& m) { (this->*handle)(m); });
  for (const Tables::CommandEntry& e : Tables::kCommands)
    map_.onCommand(e.id, [this, run = e.run](WinMsg&) { (this->*run)(); });
  for (int i = 0; i < kToolbarButtons; ++i)
    map_.onCommand(kToolbarIds[i], [this, i](WinMsg&) { runToolbar(i); });
  map_.onCommand(IDC_DEVICE_MANAGER, [this](WinMsg& m) { onDeviceManagerLink(m); });
  map_.onCommand(kSearchButtonId, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) searchStore();
  });
  for (auto& [msg, handler] : options_.extraMessages) map_.on(msg, handler);
}

MainWindow::~MainWindow() {
  // Destroyed here, while the members its handlers use still exist.
  if (hwnd()) DestroyWindow(hwnd());
  closePages();
}

Page* MainWindow::page(int pageId) const {
  for (const auto& p : pages_)
    if (p->info().id == pageId) return p.get();
  return nullptr;
}

// ---- frame messages

// Hidden start: the frame is hidden instead of painted until the tray shows it.
void MainWindow::onNcPaint(WinMsg& m) {
  if (hiddenStart_) ShowWindow(hwnd(), SW_HIDE);
  m.handled = hiddenStart_;
}

void MainWindow::onWindowPosChanging(WinMsg& m) {
  auto* pos = reinterpret_cast<WINDOWPOS*>(m.lp);
  if (hiddenStart_) pos->flags &= ~SWP_SHOWWINDOW;
  m.handled = false;
}

void MainWindow::onSize(WinMsg& m) {
  applyRegion();
  m.handled = false;
}

void MainWindow::onLButtonDown(WinMsg& m) {
  if (GET_Y_LPARAM(m.lp) < kDragHeight && !IsZoomed(hwnd())) {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  }
}

void MainWindow::onSetCursor(WinMsg& m) {
  if (reinterpret_cast<HWND>(m.wp) == item(IDC_DEVICE_MANAGER)) {
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    m.result = TRUE;
  } else {
    m.handled = false;
  }
}

void MainWindow::onClose(WinMsg&) { closeWindow(); }

void MainWindow::onDestroy(WinMsg& m) {
  tray_.remove();
  closePages();
  m.handled = false;
}

// Every page's work stops and its window goes while the page is whole; the objects go with the
// main window.
void MainWindow::closePages() {
  for (const auto& p : pages_) p->stopWork();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Page::kCloseWaitMs);
  for (const auto& p : pages_) {
    p->closeBy(end);
    p->close();
  }
}

// ---- commands

void MainWindow::onCommandRange(WinMsg& m) {
  UINT id = m.commandId();
  if (id >= IDC_GROUP_FIRST && id < IDC_GROUP_FIRST + kGroupCount) {
    PostMessageA(hwnd(), kMsgShowGroup, 0, id - IDC_GROUP_FIRST);
  } else if (id >= IDC_PAGE_BUTTON_FIRST && id < IDC_PAGE_BUTTON_FIRST + kMaxPageButtons) {
    PostMessageA(hwnd(), kMsgShowIndex, 0, id - IDC_PAGE_BUTTON_FIRST);
  } else {
    m.handled = false;
  }
}

void MainWindow::minimise() { ShowWindow(hwnd(), SW_MINIMIZE); }

void MainWindow::onDeviceManagerLink(WinMsg& m) {
  if (m.commandCode() == STN_CLICKED || m.commandCode() == BN_CLICKED) onAppCommand(kAppDeviceManager, 0);
}

void MainWindow::showTasks() { showPage(kPageTasks); }

void MainWindow::showTasksFromTray() {
  showPage(kPageTasks);
  bringForward();
}

void MainWindow::showSettingsFromTray() {
  showPage(kPageSettings);
  bringForward();
}

// ---- navigation and routed messages

void MainWindow::onShowPageMessage(WinMsg& m) { showPage(static_cast<int>(m.wp), static_cast<int>(m.lp)); }

void MainWindow::onShowGroup(WinMsg& m) {
  int g = static_cast<int>(m.lp);
  if (g >= 0 && g < kGroupCount) showPage(g, lastPage_[static_cast<size_t>(g)]);
}

void MainWindow::onShowIndex(WinMsg& m) {
  int i = static_cast<int>(m.lp);
  if (i >= 0 && i < groupInfo(group_).pageCount) showPage(group_, pageIdOf(group_, i));
}

void MainWindow::onToolbarMessage(WinMsg& m) {
  int i = static_cast<int>(m.lp);
  if (i < 0 || i >= toolbarCount_) return;  // buttons a page does not have do nothing
  if (Page* p = page(pageId_)) p->onToolbar(i);
}

void MainWindow::onStoreSearch(WinMsg& m) {
  Page* store = page(kPageStore);
  if (!store) return;
  m.result = store->onRouted(kMsgStoreSearch, m.wp, m.lp);
  // The results are on the store page. The search has marked its key loaded, so showing it
  // does not open the store home over them.
  if (m.result) showPage(kPageStore);
}

HWND MainWindow::searchBox() const { return searchBox_ ? searchBox_->hwnd() : nullptr; }

void MainWindow::createSearchBox(HFONT font) {
  searchBox_ = std::make_unique<SearchBox>([this] { searchStore(); });
  const RECT& r = kSearchEditRect;
  WindowCreateArgs args;
  args.className = "EDIT";
  args.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
  args.exStyle = WS_EX_CLIENTEDGE;
  args.x = r.left;
  args.y = r.top;
  args.width = r.right - r.left;
  args.height = r.bottom - r.top;
  args.parent = hwnd();
  args.menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSearchEditId));
  if (!searchBox_->create(args)) return;
  SendMessageA(searchBox_->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  Edit(searchBox_->hwnd()).setLimit(kSearchMaxChars);
}

// Enter in the box or its button: the keyword, as typed, to the store page through 0x464 (the
// store page refuses one that is too short).
void MainWindow::searchStore() {
  if (!postStoreSearch(hwnd(), windowText(searchBox()))) setStatusText("【错误】关键字太长，请换个短些的");
}

void MainWindow::onAppCommandMessage(WinMsg& m) { onAppCommand(m.wp, m.lp); }

void MainWindow::onTrayCallback(WinMsg& m) {
  switch (static_cast<UINT>(m.lp)) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: showFromTray(); break;
    case WM_RBUTTONDOWN: showTrayMenu(); break;
    default: break;
  }
}

void MainWindow::onDeviceChange(WinMsg& m) {
  if (options_.onDeviceChange) options_.onDeviceChange(m.wp, m.lp);
  m.result = TRUE;
}

void MainWindow::onTimer(WinMsg& m) {
  if (m.wp != kHomeTimer) {
    m.handled = false;
    return;
  }
  KillTimer(hwnd(), kHomeTimer);
  if (Page* home = page(kPageMyPhone)) home->load();  // the home dashboard loads after every connection
}

void MainWindow::onDropFiles(WinMsg& m) {
  // The drop handle goes to the current page (Page::onDropFiles), which decides what the files
  // mean; the window frees it afterwards.
  if (Page* p = page(pageId_)) SendMessageA(p->hwnd(), kMsgDropFiles, m.wp, 0);
  DragFinish(reinterpret_cast<HDROP>(m.wp));
}

// ---- creation

void MainWindow::onInit(WinMsg& m) {
  m.result = FALSE;
  HWND h = hwnd();
  SetPropA(h, kInstanceProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kInstanceMark)));
  // A message registered by the shell is not a constant, so it goes into the map here.
  map_.on(taskbarCreated_, [this](WinMsg&) { tray_.addAfterShellRestart(kTrayTooltipAfterShellRestart); });
  // A second start: shown as from the tray, even when this one was started hidden.
  map_.on(RegisterWindowMessageA(kRevealMessageName), [this](WinMsg& m) {
    bringForward();
    m.result = 1;
  });
  loadSkin();

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
  showPage(kPageMyPhone);
  if (options_.onCreated) options_.onCreated(h);
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
    case kAppDeviceManager:
      if (options_.openDeviceManager) options_.openDeviceManager(hwnd());
      break;
    case kAppStoreItem:
      showPage(kPageStore);
      if (Page* p = page(kPageStore)) SendMessageA(p->hwnd(), kMsgStoreItem, 0, arg);
      break;
    case kAppCapture:
      showPage(kPageScreenCapture);
      if (Page* p = page(kPageScreenCapture)) SendMessageA(p->hwnd(), kMsgCapture, 0, arg);
      break;
    case kAppDownloadRequest:
      if (Page* p = page(kPageTasks)) p->onDownloadRequest();
      break;
    case kAppRedraw: {
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

void MainWindow::showPageLater(int group, int pageId) { PostMessageA(hwnd(), kMsgShowPage, group, pageId); }
void MainWindow::openDeviceManager() { PostMessageA(hwnd(), kMsgAppCommand, kAppDeviceManager, 0); }
void MainWindow::openStoreItem(int32_t item) { PostMessageA(hwnd(), kMsgAppCommand, kAppStoreItem, item); }
void MainWindow::requestDownload() { PostMessageA(hwnd(), kMsgAppCommand, kAppDownloadRequest, 0); }
void MainWindow::redrawNavigation() { PostMessageA(hwnd(), kMsgAppCommand, kAppRedraw, 0); }

void MainWindow::showFromTray() {
  hiddenStart_ = false;
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
}

void MainWindow::bringForward() {
  showFromTray();
  ShowWindow(hwnd(), SW_RESTORE);
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

}  // namespace zorvik
