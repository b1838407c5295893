// The main window driven through its real messages, read back from its controls.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "app/StartupArgs.h"
#include "app/resource.h"
#include "app/MainWindowLayout.h"
#include "manage/apps/win/StorePage.h"
#include "settings/SettingsWin.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

std::atomic<int> g_contactLoads{0};
std::atomic<int> g_placeholderToolbar{0};
std::atomic<int> g_captureRequests{0};

// A page with a loader, as the contacts page will have: counts its loads, marks its key loaded
// from a worker, and reloads from its first toolbar button.
class CountingPage : public Page {
public:
  using Page::Page;
  void load() override {
    ++g_contactLoads;
    std::thread([this] { markLoaded(); }).detach();
  }
  void onToolbar(int index) override {
    if (index == toolbar::kRefetch) reload();
  }
};

// Pages 31..36 keep their placeholder behaviour; this one only records toolbar calls.
class RecordingPage : public Page {
public:
  using Page::Page;
  void onToolbar(int) override { ++g_placeholderToolbar; }
};

// Work no cancel reaches (a fetch inside the platform's web session, say), held until released.
std::atomic<bool> g_releaseStuck{false};
class StuckPage : public Page {
public:
  using Page::Page;
  void startStuck() {
    work_.run([](ExchangeCancel*) {
      while (!g_releaseStuck) Sleep(20);
      return 0;
    }, [](int&) {});
  }
};

std::atomic<int> g_homeLoads{0};
std::string g_droppedFile;
class HomePage : public Page {
public:
  using Page::Page;
  // Reached through the frame's 0x496 and the page's own handler of it.
  void onDropFiles(HDROP drop) override {
    char name[MAX_PATH] = {};
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 1) DragQueryFileA(drop, 0, name, sizeof name);
    g_droppedFile = name;
  }
  void load() override { ++g_homeLoads; }
};

class CapturePage : public Page {
public:
  CapturePage(const PageInfo& info, PageHost& host) : Page(info, host) {
    map_.on(kMsgCapture, [](WinMsg&) { ++g_captureRequests; });
  }
};

template <typename P>
PageFactory factory() {
  return [](const PageInfo& i, PageHost& h) -> std::unique_ptr<Page> { return std::make_unique<P>(i, h); };
}

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    PageDataTable::instance().clear();
    g_contactLoads = 0;
    g_placeholderToolbar = 0;
    g_captureRequests = 0;
    setPageFactory(10, factory<CountingPage>());
    for (int id = 31; id <= 36; ++id) setPageFactory(id, factory<RecordingPage>());
    setPageFactory(44, factory<CapturePage>());
    setPageFactory(0, factory<HomePage>());
    g_homeLoads = 0;
  }
  void TearDown() override {
    if (window && window->hwnd()) DestroyWindow(window->hwnd());
    pump(50);
    setPageFactory(kPageStore, nullptr);
  }
  void open(bool hidden = false) {
    MainWindowOptions o;
    o.hiddenStart = hidden;
    o.openDeviceManager = [this](HWND) { ++deviceManagerOpened; };
    o.onClosing = [this] { ++closing; };
    window = std::make_unique<MainWindow>(std::move(o));
    ASSERT_TRUE(window->createModeless(nullptr));
    ShowWindow(window->hwnd(), SW_SHOW);
    pump(100);
  }
  HWND h() const { return window->hwnd(); }
  std::string text(int id) const {
    char buf[256] = {};
    GetDlgItemTextA(h(), id, buf, sizeof buf);
    return buf;
  }
  bool visible(int id) const { return IsWindowVisible(GetDlgItem(h(), id)) != FALSE; }
  void post(UINT msg, WPARAM wp, LPARAM lp) {
    PostMessageA(h(), msg, wp, lp);
    pump(60);
  }
  void click(int id) {
    SendMessageA(GetDlgItem(h(), id), BM_CLICK, 0, 0);
    pump(60);
  }
  // Only the current page's window is visible.
  void expectOnlyPageVisible(int pageId) {
    for (int g = 0; g < kGroupCount; ++g)
      for (int i = 0; i < groupInfo(g).pageCount; ++i) {
        int id = groupInfo(g).pages[i].id;
        ASSERT_NE(window->page(id), nullptr) << id;
        EXPECT_EQ(IsWindowVisible(window->page(id)->hwnd()) != FALSE, id == pageId) << id;
      }
  }

  std::unique_ptr<MainWindow> window;
  int deviceManagerOpened = 0;
  int closing = 0;
};

}  // namespace

TEST_F(MainWindowTest, FrameCarriesItsTextsMarkAndShape) {
  open();
  EXPECT_EQ(windowText(h()), "卓维克");
  EXPECT_EQ(reinterpret_cast<INT_PTR>(GetPropA(h(), "Zorvik")), 1103);
  const char* tabs[] = {"欢迎使用", "资料管理", "资源下载", "手机管理", "系统工具", "内存整理"};
  for (int g = 0; g < 6; ++g) EXPECT_EQ(text(IDC_GROUP_FIRST + g), tabs[g]);
  EXPECT_EQ(text(IDC_DEVICE_MANAGER), "设备管理器");
  EXPECT_EQ(text(IDC_CURRENT_TASKS), "当前任务");
  EXPECT_NE(GetDlgItem(h(), IDC_STATUS_LINE), nullptr);
  for (int id : {IDC_CAPTION_CLOSE, IDC_CAPTION_MIN, IDC_CAPTION_MAX}) EXPECT_TRUE(visible(id)) << id;
  // Fixed size, no system frame, rounded region.
  RECT r{};
  GetWindowRect(h(), &r);
  EXPECT_EQ(r.right - r.left, 900);
  EXPECT_EQ(r.bottom - r.top, 620);
  EXPECT_EQ(GetWindowLongA(h(), GWL_STYLE) & WS_CAPTION, 0);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(h(), rgn), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));     // the corner is cut off
  EXPECT_TRUE(PtInRegion(rgn, 450, 300));
  DeleteObject(rgn);
  // Centred on the work area.
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - (work.left + work.right) / 2), 1);
  // Starts on the first page of the first group, its eight page buttons shown (the weather last).
  EXPECT_EQ(window->currentPageId(), 0);
  EXPECT_EQ(text(IDC_PAGE_BUTTON_FIRST + 6), "使用帮助");
  EXPECT_EQ(text(IDC_PAGE_BUTTON_FIRST + 7), "天气预报");
  EXPECT_TRUE(visible(IDC_PAGE_BUTTON_FIRST + 7));
  EXPECT_FALSE(visible(IDC_PAGE_BUTTON_FIRST + 8));
  EXPECT_TRUE(window->tray().added());
  EXPECT_EQ(window->tray().tooltip().rfind("卓维克 [", 0), 0u);
}

// Closing with several pages whose workers are held up waits once, not once per page.
TEST_F(MainWindowTest, ClosingWaitsOnceForAllHeldUpPages) {
  for (int id = 31; id <= 34; ++id) setPageFactory(id, factory<StuckPage>());
  g_releaseStuck = false;
  open();
  for (int id = 31; id <= 34; ++id) static_cast<StuckPage*>(window->page(id))->startStuck();
  const auto start = std::chrono::steady_clock::now();
  DestroyWindow(h());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ frame ] close with four held-up pages: %.2f s\n", seconds);
  EXPECT_LT(seconds, Page::kCloseWaitMs / 1000.0 + 0.8);
  EXPECT_GE(seconds, Page::kCloseWaitMs / 1000.0 - 0.1);  // it did give them their moment
  for (int id = 31; id <= 34; ++id) EXPECT_EQ(window->page(id)->workersRunning(), 1) << id;
  g_releaseStuck = true;
  for (int id = 31; id <= 34; ++id) EXPECT_TRUE(pumpUntil([&] { return window->page(id)->workersRunning() == 0; }, 3000));
}

TEST_F(MainWindowTest, CaptionButtonsHaveTheirTooltips) {
  open();
  HWND tips = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0) *reinterpret_cast<HWND*>(p) = w;
    return TRUE;
  }, reinterpret_cast<LPARAM>(&tips));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
  struct { int id; const char* tip; } expected[] = {{IDC_CAPTION_MIN, "最小化"}, {IDC_CAPTION_MAX, "最大化"},
                                                     {IDC_CAPTION_CLOSE, "关闭"}};
  for (auto& e : expected) {
    char buf[80] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = h();
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(h(), e.id));
    ti.lpszText = buf;
    SendMessageA(tips, TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(buf, e.tip);
  }
}

TEST_F(MainWindowTest, VisitingContactsTwiceLoadsOnceAndRefreshLoadsAgain) {
  open();
  post(kMsgShowPage, 1, 10);
  EXPECT_EQ(window->currentPageId(), 10);
  EXPECT_EQ(g_contactLoads, 1);
  ASSERT_TRUE(pumpUntil([] { return PageDataTable::instance().state(kKeyContacts) == PageDataState::Loaded; }));
  post(kMsgShowPage, 0, 0);
  post(kMsgShowPage, 1, 10);
  EXPECT_EQ(g_contactLoads, 1);
  // The toolbar of the page, and its refresh button.
  EXPECT_EQ(window->toolbarCount(), 4);
  EXPECT_EQ(text(IDC_TOOLBAR_0), "重新获取");
  EXPECT_EQ(text(IDC_TOOLBAR_1), "添加联系人");
  EXPECT_EQ(text(IDC_TOOLBAR_2), "分组管理");
  EXPECT_EQ(text(IDC_TOOLBAR_3), "删除选择的");
  click(IDC_TOOLBAR_0);
  EXPECT_EQ(g_contactLoads, 2);
  EXPECT_TRUE(window->toolbarChecked(0));
  click(IDC_TOOLBAR_2);
  EXPECT_FALSE(window->toolbarChecked(0));  // the other buttons lose their checked look
  EXPECT_TRUE(window->toolbarChecked(2));
  EXPECT_FALSE(window->toolbarChecked(1));
  EXPECT_FALSE(window->toolbarChecked(3));
  EXPECT_EQ(g_contactLoads, 2);
}

TEST_F(MainWindowTest, ChoosingAGroupShowsItsLastPage) {
  open();
  post(kMsgShowPage, 1, 12);
  post(kMsgShowGroup, 0, 4);
  EXPECT_EQ(window->currentPageId(), 40);
  EXPECT_EQ(text(IDC_PAGE_BUTTON_FIRST), "系统信息");
  post(kMsgShowIndex, 0, 3);  // index within the current group
  EXPECT_EQ(window->currentPageId(), 43);
  click(IDC_GROUP_FIRST + 1);  // the "资料管理" tab
  EXPECT_EQ(window->currentPageId(), 12);
  EXPECT_EQ(text(IDC_PAGE_BUTTON_FIRST + 6), "Web收藏夹");
  expectOnlyPageVisible(12);
  click(IDC_GROUP_FIRST + 4);
  EXPECT_EQ(window->currentPageId(), 43);
  click(IDC_PAGE_BUTTON_FIRST + 5);
  EXPECT_EQ(window->currentPageId(), 45);
  EXPECT_EQ(text(IDC_TOOLBAR_1), "结束选择的");
}

TEST_F(MainWindowTest, Message0x432WithGroup4Page44ShowsScreenCapture) {
  open();
  post(0x432, 4, 44);
  EXPECT_EQ(window->currentGroup(), 4);
  EXPECT_EQ(window->currentPageId(), 44);
  expectOnlyPageVisible(44);
  EXPECT_EQ(text(IDC_TOOLBAR_3), "打开保存目录");
  // A page id outside the group, or unknown, changes nothing.
  post(0x432, 1, 44);
  post(0x432, 3, 39);
  EXPECT_EQ(window->currentPageId(), 44);
  // 0x7E8 command 2 shows the page and asks it to capture.
  post(kMsgShowPage, 0, 0);
  post(0x7E8, 2, 0);
  EXPECT_EQ(window->currentPageId(), 44);
  EXPECT_EQ(g_captureRequests, 1);
}

TEST_F(MainWindowTest, Pages31To36ShowNothingAndTheirButtonsDoNothing) {
  open();
  for (int id = 31; id <= 36; ++id) {
    post(kMsgShowPage, 3, id);
    EXPECT_EQ(window->currentPageId(), id);
    EXPECT_EQ(window->toolbarCount(), 0);
    for (int b : {IDC_TOOLBAR_0, IDC_TOOLBAR_1, IDC_TOOLBAR_2, IDC_TOOLBAR_3}) EXPECT_FALSE(visible(b));
    for (int i = 0; i < 4; ++i) post(kMsgToolbar, 0, i);
    EXPECT_EQ(GetWindow(window->page(id)->hwnd(), GW_CHILD), nullptr);  // an empty page
  }
  EXPECT_EQ(g_placeholderToolbar, 0);
}

TEST_F(MainWindowTest, CommandsAndKeysOfTheFrame) {
  open();
  click(IDC_CURRENT_TASKS);
  EXPECT_EQ(window->currentPageId(), 5);
  EXPECT_EQ(text(IDC_TOOLBAR_3), "相关设置");
  post(0x7E8, 0, 0);
  EXPECT_EQ(deviceManagerOpened, 1);
  SendMessageA(h(), WM_COMMAND, MAKEWPARAM(IDC_DEVICE_MANAGER, STN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(h(), IDC_DEVICE_MANAGER)));
  EXPECT_EQ(deviceManagerOpened, 2);
  // Escape and Enter do not close the window; "最大化" does nothing.
  post(WM_COMMAND, IDCANCEL, 0);
  post(WM_COMMAND, IDOK, 0);
  click(IDC_CAPTION_MAX);
  ASSERT_TRUE(IsWindow(h()));
  EXPECT_FALSE(IsZoomed(h()));
  click(IDC_CAPTION_MIN);
  EXPECT_TRUE(IsIconic(h()));
  ShowWindow(h(), SW_RESTORE);
  HWND hw = h();
  click(IDC_CAPTION_CLOSE);
  EXPECT_FALSE(IsWindow(hw));
  EXPECT_EQ(closing, 1);
}

TEST_F(MainWindowTest, StatusLineAndConnectionLabelFromWorkerThreads) {
  open();
  std::thread([this] {
    window->setStatusText("【X】连接错误");
    window->setConnectionStatus("连接成功:)", 2);
  }).join();
  ASSERT_TRUE(pumpUntil([this] { return text(IDC_CONNECTION_LABEL) == "连接成功:)"; }));
  EXPECT_EQ(text(IDC_STATUS_LINE), "【X】连接错误");
  EXPECT_EQ(window->connectionState(), 2);
  // The label's colour follows the state.
  HDC dc = GetDC(h());
  SendMessageA(h(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(h(), IDC_CONNECTION_LABEL)));
  EXPECT_EQ(GetTextColor(dc), 0x14901Du);
  window->setConnectionStatus("【错误】没有找到Android设备", 1);
  SendMessageA(h(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(h(), IDC_CONNECTION_LABEL)));
  EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
  ReleaseDC(h(), dc);
  saveWindowPng(h(), artifactPath("mainwindow-status.png"));
}

TEST_F(MainWindowTest, HiddenStartShowsOnlyTheTrayUntilATrayClick) {
  open(true);
  EXPECT_FALSE(IsWindowVisible(h()));
  EXPECT_TRUE(window->tray().added());
  ShowWindow(h(), SW_SHOW);  // what the modal loop does at start
  pump(50);
  EXPECT_FALSE(IsWindowVisible(h()));
  post(0x40A, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(IsWindowVisible(h()));
  EXPECT_FALSE(window->hiddenStart());
}

TEST_F(MainWindowTest, HomeTimerLoadsTheDashboardOnceAndStops) {
  open();
  EXPECT_EQ(g_homeLoads, 0);  // the home page has no page key: nothing loads it at start
  window->startHomeTimer(10);
  pump(200);
  EXPECT_EQ(g_homeLoads, 1);
  // The timer is gone: KillTimer on it fails.
  EXPECT_FALSE(KillTimer(h(), kHomeTimer));
}

TEST_F(MainWindowTest, DroppedFilesReachTheCurrentPagesOnDropFiles) {
  open();
  EXPECT_NE(GetWindowLongPtrA(h(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);  // DragAcceptFiles
  g_droppedFile.clear();
  const char file[] = "C:\\users\\me\\app.apk";
  // A drop handle as the shell builds it: DROPFILES, the names, and an empty name at the end.
  HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof file + 1);
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), file, sizeof file);
  GlobalUnlock(mem);
  SendMessageA(h(), WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);  // the window frees it
  EXPECT_EQ(g_droppedFile, file);
}

// The store search box as the user meets it: typed into, Enter pressed through the dialog
// manager as in the modal loop, the button; the store page then shows the search.
TEST_F(MainWindowTest, SearchBoxSendsTheKeywordToTheStorePage) {
  using namespace zorvik::mainwindow;
  setPageFactory(kPageStore, makePage<StorePage>());
  open();
  auto* store = static_cast<StorePage*>(window->page(kPageStore));
  ASSERT_NE(store, nullptr);
  HWND box = window->searchBox();
  ASSERT_EQ(box, GetDlgItem(h(), kSearchEditId));
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_EQ(text(kSearchButtonId), "搜索");
  EXPECT_EQ(childRect(box).left, kSearchEditRect.left);
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), kSearchMaxChars);
  pump(100);
  saveWindowPng(h(), artifactPath("mainwindow-search-hint.png"));
  // A message loop as the modal one runs it: the dialog manager sees every message first.
  auto dialogPump = [this](int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (GetTickCount() < end) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(h(), &m)) {
          TranslateMessage(&m);
          DispatchMessageA(&m);
        }
      Sleep(5);
    }
  };
  // Too short, by the button: said in the status line, no page change, no navigation.
  SetWindowTextA(box, "a");
  click(kSearchButtonId);
  pump(100);
  EXPECT_EQ(text(IDC_STATUS_LINE), "关键字【a】过短，请换个长些的");
  EXPECT_EQ(window->currentPageId(), 0);
  EXPECT_EQ(store->lastAddress(), "");
  // Ctrl+A, a new keyword over the old, Enter: each key through the dialog manager first.
  SetFocus(box);
  PostMessageA(box, WM_CHAR, 1, 1);
  for (char c : std::string("ab-cd")) PostMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
  PostMessageA(box, WM_KEYDOWN, VK_RETURN, 1);
  dialogPump(300);
  EXPECT_EQ(windowText(box), "ab-cd");
  EXPECT_EQ(window->currentPageId(), kPageStore);
  EXPECT_EQ(window->currentGroup(), groupOfPage(kPageStore));
  EXPECT_EQ(store->lastAddress(), storeBase() + "search.php?keywords=abcd&key=e6fce676");
  EXPECT_EQ(PageDataTable::instance().state(kKeyStore), PageDataState::Loaded);
  EXPECT_EQ(text(IDC_STATUS_LINE), "");
  EXPECT_TRUE(IsWindow(h()));  // Enter in the box is no IDOK
  saveWindowPng(h(), artifactPath("mainwindow-search.png"));
  post(kMsgShowPage, 0, 0);
  // 0x464 from elsewhere with an address in lParam: nothing happens.
  const char* foreign = "zz-top";
  post(kMsgStoreSearch, 0, reinterpret_cast<LPARAM>(foreign));
  EXPECT_EQ(window->currentPageId(), 0);
}
