// The framework pieces under Wine: two-line list, GDI+ decoding, the shared dialogs, the HTML
// host and the UI-thread queue.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "ui/HtmlCtrl.h"
#include "ui/ImageDecode.h"
#include "ui/Notices.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "ui/UiThread.h"
#include "ui/Window.h"
#include "app/resource.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

// A 24-bit BMP file of w x h in one colour, built in memory.
std::vector<uint8_t> bmpFile(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  int row = (w * 3 + 3) & ~3;
  std::vector<uint8_t> f(54 + static_cast<size_t>(row) * h, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t at = 54 + static_cast<size_t>(y) * row + x * 3;
      f[at] = b;
      f[at + 1] = g;
      f[at + 2] = r;
    }
  return f;
}

// A page-like dialog holding one two-line list, which draws and ticks itself, and an owner-drawn
// label the dialog draws with a handler of its own (the two must not displace each other).
class ListHost : public Dialog {
public:
  ListHost() : Dialog(IDD_PAGE) {
    map_.on(WM_INITDIALOG, [this](WinMsg&) {
      HWND lv = createChild(hwnd(), {.className = WC_LISTVIEWA, .style = LVS_REPORT, .width = 500, .height = 300, .id = 100});
      createChild(hwnd(), {.className = "STATIC", .style = SS_OWNERDRAW, .x = 0, .y = 302, .width = 40, .height = 16,
                           .id = 101});
      TwoLineListArgs args;
      args.columns = {{"", 60}, {"名称", 240, LVCFMT_CENTER}, {"大小", 100}, {"", 60}};
      args.imageCapacity = 4096;
      list.attach(lv, args);
    });
    map_.on(WM_DRAWITEM, [this](WinMsg& m) {
      if (reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp)->CtlID == 101) ++labelDraws;
      else ++otherDraws;
      m.result = TRUE;
    });
    map_.onNotify(100, NM_CLICK, [this](WinMsg&) {
      ++clicks;
      if (list.lastClickToggled()) ++toggles;
    });
  }
  TwoLineList list;
  int labelDraws = 0, otherDraws = 0;
  int clicks = 0, toggles = 0;
};

// Pages and HTML dialogs are child windows; tests give them a top-level parent.
class TopWindow : public Window {
public:
  TopWindow() {
    WindowCreateArgs a;
    a.title = "test";
    a.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    a.x = 40;
    a.y = 40;
    a.width = 700;
    a.height = 500;
    create(a);
  }
};

}  // namespace

TEST(ImageDecode, DecodesFromMemoryAndRefusesGarbage) {
  auto bmp = bmpFile(10, 6, 200, 30, 40);
  UniqueBitmap out = decodeImageToBitmap(bmp.data(), bmp.size(), 48, 48);
  ASSERT_TRUE(out);
  BITMAP info{};
  GetObjectA(out.get(), sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 48);
  EXPECT_EQ(info.bmHeight, 48);
  const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(decodeImageToBitmap(junk, sizeof junk, 48, 48));
  EXPECT_FALSE(decodeImageToBitmap(nullptr, 0, 48, 48));
  // A picture cut short is refused, not read past its end.
  EXPECT_FALSE(decodeImageToBitmap(bmp.data(), 40, 48, 48));
  // A WebP header over bytes that are no picture goes to libwebp, which refuses it.
  const uint8_t webp[] = {'R', 'I', 'F', 'F', 24, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L',
                          12, 0, 0, 0, 0x2f, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  EXPECT_FALSE(decodeImageToBitmap(webp, sizeof webp, 48, 48));
}

TEST(TwoLineList, RowsDrawWithPicturesAndAClickTogglesTheCheckColumn) {
  TopWindow top;
  ListHost host;
  ASSERT_TRUE(host.createModeless(top.hwnd()));
  SetWindowPos(host.hwnd(), nullptr, 0, 0, 520, 320, SWP_NOZORDER);
  ShowWindow(host.hwnd(), SW_SHOW);
  auto pic = bmpFile(8, 8, 30, 120, 220);
  TwoLineRow a;
  a.image = pic;
  a.cells = {"", "微信", "12 MB", ""};
  a.secondLine = "com.tencent.mm  版本 4.0";
  EXPECT_TRUE(host.list.addRow(std::move(a)));
  TwoLineRow big;  // larger than the list's capacity: kept, without its picture
  big.image.assign(5000, 0x42);
  big.cells = {"", "大图标", "1 KB", ""};
  EXPECT_FALSE(host.list.addRow(std::move(big)));
  EXPECT_EQ(host.list.count(), 2);
  EXPECT_TRUE(host.list.row(1).image.empty());
  ListView view(host.list.hwnd());
  EXPECT_EQ(view.count(), 2);
  EXPECT_EQ(view.cell(0, 1), "微信");
  EXPECT_EQ(view.cell(1, 2), "1 KB");
  EXPECT_EQ(view.columnTitle(1), "名称");
  UpdateWindow(host.list.hwnd());
  InvalidateRect(GetDlgItem(host.hwnd(), 101), nullptr, TRUE);
  pump(100);
  EXPECT_TRUE(host.list.row(0).decoded);  // the list drew itself: decoded with GDI+ when first drawn
  EXPECT_GT(host.labelDraws, 0);          // and the dialog's own drawing still reaches the label
  EXPECT_EQ(host.otherDraws, 0);
  // Row height fits the 48 x 48 picture.
  RECT r0{};
  ListView_GetItemRect(host.list.hwnd(), 0, &r0, LVIR_BOUNDS);
  EXPECT_GE(r0.bottom - r0.top, 48);
  // A real click in the check column of row 1 toggles it; a click elsewhere does not.
  RECT cell{};
  ListView_GetSubItemRect(host.list.hwnd(), 1, 3, LVIR_BOUNDS, &cell);
  LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  SendMessageA(host.list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(host.list.hwnd(), WM_LBUTTONUP, 0, at);
  pump(50);
  EXPECT_EQ(host.list.checkedRows(), std::vector<int>{1});
  ListView_GetSubItemRect(host.list.hwnd(), 0, 1, LVIR_BOUNDS, &cell);
  at = MAKELPARAM(cell.left + 10, (cell.top + cell.bottom) / 2);
  SendMessageA(host.list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(host.list.hwnd(), WM_LBUTTONUP, 0, at);
  pump(50);
  EXPECT_EQ(host.list.checkedRows(), std::vector<int>{1});
  EXPECT_EQ(host.toggles, 1);
  EXPECT_EQ(host.clicks, 2);  // both clicks went on to the dialog's own handler
  // Replacing the rows keeps nothing of the old ones.
  TwoLineRow c;
  c.cells = {"", "新行", "1 B", ""};
  std::vector<TwoLineRow> rows;
  rows.push_back(std::move(c));
  host.list.replaceRows(std::move(rows));
  EXPECT_EQ(host.list.count(), 1);
  EXPECT_EQ(view.count(), 1);
  EXPECT_EQ(view.cell(0, 1), "新行");
  EXPECT_TRUE(host.list.checkedRows().empty());
  saveWindowPng(host.hwnd(), artifactPath("two-line-list.png"));
}

TEST(MessageMap, NewestHandlerFirstAndAPassedMessageReachesTheOneBefore) {
  MessageMap map;
  std::vector<int> ran;
  map.on(WM_USER, [&](WinMsg& m) { ran.push_back(1); m.result = 1; });
  map.on(WM_USER, [&](WinMsg& m) {
    ran.push_back(2);
    m.handled = m.wp != 0;  // consumes only when asked to
    m.result = 2;
  });
  EXPECT_EQ(map.handlerCount(WM_USER), 2u);
  WinMsg pass{nullptr, WM_USER, 0, 0};
  EXPECT_TRUE(map.dispatch(pass));
  EXPECT_EQ(ran, (std::vector<int>{2, 1}));
  EXPECT_EQ(pass.result, 1);
  ran.clear();
  WinMsg keep{nullptr, WM_USER, 1, 0};
  EXPECT_TRUE(map.dispatch(keep));
  EXPECT_EQ(ran, std::vector<int>{2});
  EXPECT_EQ(keep.result, 2);
  // A command nobody consumes falls to the WM_COMMAND handlers, then to the default procedure.
  map.onCommand(7, [&](WinMsg& m) { ran.push_back(7); m.handled = false; });
  map.on(WM_COMMAND, [&](WinMsg& m) { ran.push_back(8); m.handled = false; });
  ran.clear();
  WinMsg command{nullptr, WM_COMMAND, 7, 0};
  EXPECT_FALSE(map.dispatch(command));
  EXPECT_EQ(ran, (std::vector<int>{7, 8}));
  WinMsg none{nullptr, WM_USER + 1, 0, 0};
  EXPECT_FALSE(map.dispatch(none));
}

namespace {
// Waits on another thread for a top-level window with this caption, reads its text control,
// then presses a button.
std::thread pressWhenShown(const char* caption, int button, std::string* textOut) {
  return std::thread([caption, button, textOut] {
    HWND dlg = nullptr;
    for (int i = 0; i < 300 && !(dlg && IsWindowVisible(dlg)); ++i) {
      dlg = FindWindowA(nullptr, caption);
      Sleep(10);
    }
    if (!dlg) return;
    char buf[256] = {};
    GetDlgItemTextA(dlg, IDC_NOTICE_TEXT, buf, sizeof buf);
    *textOut = buf;
    Sleep(200);
    saveWindowPng(dlg, artifactPath(button == IDC_NOTICE_HELP ? "check-first-notice.png" : "notice.png"));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  });
}
}  // namespace

TEST(SharedDialogs, CheckFirstNoticeAndDeleteConfirmation) {
  std::string text;
  auto t = pressWhenShown("提示 - Zorvik", IDOK, &text);
  EXPECT_FALSE(CheckFirstNotice(nullptr));
  t.join();
  EXPECT_EQ(text, "请先勾选每项最后的复选框后，再执行删除操作");

  t = pressWhenShown("提示 - Zorvik", IDC_NOTICE_HELP, &text);
  EXPECT_TRUE(CheckFirstNotice(nullptr));
  t.join();

  t = pressWhenShown("删除确认 - Zorvik", IDOK, &text);
  EXPECT_TRUE(DeleteConfirmDialog(nullptr, "您真的要删除选择的【 3 】条联系人吗？"));
  t.join();
  EXPECT_EQ(text, "您真的要删除选择的【 3 】条联系人吗？");
  t = pressWhenShown("删除确认 - Zorvik", IDCANCEL, &text);
  EXPECT_FALSE(DeleteConfirmDialog(nullptr, "x"));
  t.join();
}

namespace {
class RecordingHtml : public CHtmlCtrlBase {
public:
  void OnAppCmd(const std::string& command) override { commands.push_back(command); }
  std::vector<std::string> commands;
};

class HtmlDialog : public Dialog {
public:
  HtmlDialog() : Dialog(IDD_HTML_PAGE) {
    map_.on(WM_INITDIALOG, [this](WinMsg&) { created = html.CreateFromStatic(IDC_HTML_PLACEHOLDER, hwnd(), this); });
  }
  RecordingHtml html;
  bool created = false;
};
}  // namespace

TEST(HtmlCtrl, HostsTheBrowserAndTurnsVkoLinksIntoCommands) {
  TopWindow top;
  HtmlDialog dlg;
  ASSERT_TRUE(dlg.createModeless(top.hwnd()));
  ShowWindow(dlg.hwnd(), SW_SHOW);
  ASSERT_TRUE(dlg.created);
  EXPECT_TRUE(dlg.html.createdFromStatic());
  EXPECT_EQ(dlg.html.owner(), &dlg);
  // The control took the placeholder's id and place; the placeholder is gone.
  EXPECT_EQ(GetDlgItem(dlg.hwnd(), IDC_HTML_PLACEHOLDER), dlg.html.hwnd());
  ASSERT_NE(dlg.html.browser(), nullptr);
  EXPECT_TRUE(dlg.html.LoadFromResource(IDR_HTML_HOME));
  pump(300);
  // The browser reports the navigation; a "VKO:" address becomes a command and goes nowhere.
  dlg.html.commands.clear();
  EXPECT_TRUE(dlg.html.Navigate2("VKO:refresh"));
  pumpUntil([&] { return !dlg.html.commands.empty(); }, 3000);
  ASSERT_EQ(dlg.html.commands.size(), 1u);
  EXPECT_EQ(dlg.html.commands[0], "refresh");
  // Direct calls follow the same rule.
  bool cancel = false;
  dlg.html.OnBeforeNavigate2("vko:109", cancel);
  EXPECT_TRUE(cancel);
  cancel = false;
  dlg.html.OnBeforeNavigate2("http://127.0.0.1/", cancel);
  EXPECT_FALSE(cancel);
  // Without Gecko there is no document: nothing is registered and element replacement says no.
  EXPECT_EQ(dlg.html.documentCookie(), 0u);
  EXPECT_FALSE(setElementHtml(dlg.html.documentCookie(), "block", "x"));
}

TEST(HtmlCtrl, APlaceholderThatDoesNotExistFails) {
  TopWindow top;
  HtmlDialog dlg;
  ASSERT_TRUE(dlg.createModeless(top.hwnd()));
  RecordingHtml other;
  EXPECT_FALSE(other.CreateFromStatic(4711, dlg.hwnd()));
}

TEST(HtmlCtrl, DestroyingTheDialogDoesNotEndTheProgram) {
  {
    TopWindow top;
    HtmlDialog dlg;
    ASSERT_TRUE(dlg.createModeless(top.hwnd()));
    ASSERT_TRUE(dlg.created);
    DestroyWindow(dlg.hwnd());
    pump(100);
    EXPECT_EQ(dlg.html.hwnd(), nullptr);
    EXPECT_EQ(dlg.html.browser(), nullptr);
  }
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  // The loop still runs work.
  std::atomic<bool> ran{false};
  std::thread([&] { postToUi([&] { ran = true; }); }).join();
  EXPECT_TRUE(pumpUntil([&] { return ran.load(); }, 2000));
}

TEST(UiThread, WorkersPostOntoTheUiThreadAndLateWorkIsDropped) {
  DWORD ui = GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  std::atomic<int> inline_{0};
  std::thread([&] { EXPECT_TRUE(postToUi([&] { ranOn = GetCurrentThreadId(); })); }).join();
  EXPECT_TRUE(pumpUntil([&] { return ranOn.load() != 0; }, 2000));
  EXPECT_EQ(ranOn.load(), ui);
  EXPECT_TRUE(postToUi([&] { ++inline_; }));  // on the UI thread: runs at once
  EXPECT_EQ(inline_, 1);
  // Queued but not yet run when the queue stops: freed, never run.
  std::atomic<int> late{0};
  std::thread([&] { postToUi([&] { ++late; }); }).join();
  stopUiThreadQueue();
  std::atomic<bool> posted{true};
  std::thread([&] { posted = postToUi([&] { ++late; }); }).join();
  EXPECT_FALSE(posted);
  pump(100);
  EXPECT_EQ(late, 0);
  ASSERT_TRUE(startUiThreadQueue());  // for the tests after this one
}

// A worker's result reaches the UI thread only while the owner has not stopped; cancel reaches
// work that waits; a poster of a stopped owner posts nothing; and once stopped, every worker ends
// and none is left running.
TEST(PageWork, StopDropsResultsCancelsWaitingWorkAndLeavesNoWorker) {
  const DWORD ui = GetCurrentThreadId();
  PageWork work;
  std::atomic<DWORD> doneOn{0};
  work.run([](ExchangeCancel*) { return 42; }, [&](int& v) { doneOn = v == 42 ? GetCurrentThreadId() : 1; });
  ASSERT_TRUE(pumpUntil([&] { return doneOn.load() != 0; }, 2000));
  EXPECT_EQ(doneOn.load(), ui);
  EXPECT_TRUE(work.waitForWorkers(2000));

  // Two workers held until released, one waiting for its cancel.
  std::atomic<bool> release{false}, sawCancel{false};
  std::atomic<int> results{0}, posted{0};
  for (int i = 0; i < 2; ++i)
    work.run([&](ExchangeCancel*) {
      while (!release) Sleep(5);
      return 0;
    }, [&](int&) { ++results; });
  work.run([&](ExchangeCancel* cancel) {
    for (int i = 0; i < 1000 && !cancel->cancelled(); ++i) Sleep(5);
    sawCancel = cancel->cancelled();
    return 0;
  }, [&](int&) { ++results; });
  EXPECT_EQ(work.liveWorkers(), 3);
  PageWork::Post post = work.poster();
  std::thread([&] { post([&] { ++posted; }); }).join();
  ASSERT_TRUE(pumpUntil([&] { return posted.load() == 1; }, 2000));  // before stop: runs

  work.stop();
  EXPECT_TRUE(work.stopped());
  std::thread([&] { post([&] { ++posted; }); }).join();
  release = true;
  const auto t0 = GetTickCount();
  ASSERT_TRUE(work.waitForWorkers(3000));
  EXPECT_LT(GetTickCount() - t0, 1000u);  // the waiting one ended at its cancel, not its 5 s
  EXPECT_EQ(work.liveWorkers(), 0);
  EXPECT_TRUE(sawCancel);
  pump(200);
  EXPECT_EQ(results, 0);  // the three results were dropped
  EXPECT_EQ(posted, 1);   // and so was what was posted after stop

  // Work started afterwards finds itself cancelled at once; its result is dropped too.
  std::atomic<bool> cancelledAtOnce{false};
  work.run([&](ExchangeCancel* cancel) {
    cancelledAtOnce = cancel->cancelled();
    return 0;
  }, [&](int&) { ++results; });
  ASSERT_TRUE(work.waitForWorkers(2000));
  pump(100);
  EXPECT_TRUE(cancelledAtOnce);
  EXPECT_EQ(results, 0);
}

TEST(PageWork, GoingOutOfScopeStopsTheWorkAndNothingRunsAfterwards) {
  std::atomic<int> results{0};
  std::atomic<bool> ended{false};
  PageWork::Post post;
  {
    PageWork work;
    post = work.poster();
    work.run([&](ExchangeCancel* cancel) {
      while (!cancel->cancelled()) Sleep(5);
      ended = true;
      return 0;
    }, [&](int&) { ++results; });
  }
  ASSERT_TRUE(pumpUntil([&] { return ended.load(); }, 2000));
  post([&] { ++results; });
  pump(200);
  EXPECT_EQ(results, 0);
}
