#pragma once
// What the pages' UI tests share: a page host that records the status line, a page created in a
// plain frame as the main window would create it, vphone's control channel, short agent
// deadlines, and driving modal dialogs and list clicks from inside their message loops.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "app/Page.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"

namespace zorvik::test {

class TestHost : public PageHost {
public:
  explicit TestHost(HWND main) : main_(main) {}
  HWND mainHwnd() const override { return main_; }
  void setStatusText(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = text;
    statuses_.push_back(text);
  }
  void showPage(int, int) override {}
  // The frame's typed calls, recorded in order as "showPage 3 20", "deviceManager",
  // "storeItem 1001", "download", "redraw".
  void showPageLater(int group, int pageId) override {
    record("showPage " + std::to_string(group) + " " + std::to_string(pageId));
  }
  void openDeviceManager() override { record("deviceManager"); }
  void openStoreItem(int32_t item) override { record("storeItem " + std::to_string(item)); }
  void requestDownload() override { record("download"); }
  void redrawNavigation() override { record("redraw"); }
  std::string status() {
    std::lock_guard<std::mutex> lock(mu_);
    return status_;
  }
  // Every status text since the last call, in order (a later one may replace a text at once).
  std::vector<std::string> takeStatuses() {
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(statuses_, {});
  }
  std::vector<std::string> takeCalls() {
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(calls_, {});
  }

private:
  void record(std::string call) {
    std::lock_guard<std::mutex> lock(mu_);
    calls_.push_back(std::move(call));
  }
  HWND main_;
  std::mutex mu_;
  std::string status_;
  std::vector<std::string> statuses_;
  std::vector<std::string> calls_;
};

// A page of type P (constructed from its PageInfo and a host) in a visible frame, sized to the
// frame's client area. close() waits for the page's work to end, then closes and deletes the
// page as the main window does.
template <typename P>
struct PageUnderTest {
  Window frame;
  std::unique_ptr<TestHost> host;
  const PageInfo* info = nullptr;
  std::unique_ptr<P> page;

  bool open(int pageId, const char* title, int width = 1000, int height = 640) {
    if (!frame.create({.title = title, .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .x = 0, .y = 0, .width = width,
                       .height = height}))
      return false;
    host = std::make_unique<TestHost>(frame.hwnd());
    info = findPage(pageId);
    if (!info) return false;
    page = std::make_unique<P>(*info, *host);
    if (!page->createModeless(frame.hwnd())) return false;
    RECT client = clientRectOf(frame.hwnd());
    SetWindowPos(page->hwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
    return true;
  }
  // A load as the page's first showing does it (the page's data forgotten first); true once the
  // page is idle again.
  bool reloadAndWait(int timeoutMs = 20000) {
    PageDataTable::instance().forget(info->pageKey);
    page->reload();
    return pumpUntil([&] { return !page->busy(); }, timeoutMs);
  }
  void close(int timeoutMs = 10000) {
    if (page) {
      pumpUntil([&] { return !page->busy(); }, timeoutMs);
      page->close();
    }
    page.reset();
    frame.destroy();
  }
  ~PageUnderTest() { close(0); }
};

// One command on vphone's control channel (ZORVIK_TEST_CONTROL_PORT); its answer line, empty
// when there is no channel.
inline std::string phoneControl(const std::string& command) {
  const char* port = std::getenv("ZORVIK_TEST_CONTROL_PORT");
  if (!port) return "";
  TcpSocket s = TcpSocket::connectLoopback(static_cast<uint16_t>(std::atoi(port)));
  std::string line = command + "\n", answer;
  if (!s.sendAll(line.data(), line.size())) return "";
  char c;
  while (s.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

// Deadlines of a second, so a silent phone costs the test seconds, not minutes.
struct ShortDeadlines {
  ShortDeadlines() : saved(agentDeadlines()) { setAgentDeadlines({2000, 1000}); }
  ~ShortDeadlines() { setAgentDeadlines(saved); }
  AgentDeadlines saved;
};

// Work done inside the next modal loop: a thread timer fires there and runs `step` once the
// window titled `title` is shown.
struct ModalStep {
  std::string title;
  std::function<void(HWND)> step;
  bool done = false;
};
inline ModalStep* g_modalStep = nullptr;

inline void CALLBACK modalStepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_modalStep || g_modalStep->done) return;
  HWND w = FindWindowA(nullptr, g_modalStep->title.c_str());
  if (!w || !IsWindowVisible(w)) return;
  g_modalStep->done = true;
  KillTimer(nullptr, id);
  g_modalStep->step(w);
}

// Runs `action` (which opens a modal window) with `step` done on the window titled `title`;
// true when the window came and the step ran.
inline bool withModal(const std::string& title, std::function<void(HWND)> step, const std::function<void()>& action) {
  ModalStep s{title, std::move(step)};
  g_modalStep = &s;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, modalStepTimer);
  action();
  if (!s.done) KillTimer(nullptr, timer);
  g_modalStep = nullptr;
  return s.done;
}

// A button click as the dialog receives it.
inline void click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A click in the middle of one cell of a report list, as its parent receives it.
inline void clickListCell(HWND parent, HWND list, int listId, int row, int column) {
  RECT cell{};
  ListView_GetSubItemRect(list, row, column, LVIR_BOUNDS, &cell);
  NMITEMACTIVATE n{};
  n.hdr.hwndFrom = list;
  n.hdr.idFrom = static_cast<UINT_PTR>(listId);
  n.hdr.code = NM_CLICK;
  n.iItem = row;
  n.iSubItem = column;
  n.ptAction = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  SendMessageA(parent, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&n));
}

}  // namespace zorvik::test
