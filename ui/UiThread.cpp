#include "ui/UiThread.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace zorvik {
namespace {

constexpr UINT kRunWork = WM_APP + 1;
std::mutex g_mutex;
HWND g_queue = nullptr;
// Read by every thread that posts; written once by the UI thread at start.
std::atomic<DWORD> g_uiThread{0};

using Work = std::function<void()>;

LRESULT CALLBACK queueProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kRunWork) {
    std::unique_ptr<Work> work(reinterpret_cast<Work*>(lp));
    if (*work) (*work)();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

bool startUiThreadQueue() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_queue) return true;
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = queueProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZorvikUiQueue";
    return RegisterClassA(&wc) != 0;
  }();
  if (!registered) return false;
  g_queue = CreateWindowExA(0, "ZorvikUiQueue", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  g_uiThread = GetCurrentThreadId();
  return g_queue != nullptr;
}

void stopUiThreadQueue() {
  HWND queue;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    queue = g_queue;
    g_queue = nullptr;
  }
  if (!queue) return;
  // Free the work still queued; it must not run against windows that are gone.
  MSG m;
  while (PeekMessageA(&m, queue, kRunWork, kRunWork, PM_REMOVE))
    delete reinterpret_cast<Work*>(m.lParam);
  DestroyWindow(queue);
}

bool onUiThread() {
  const DWORD ui = g_uiThread.load();
  return ui != 0 && GetCurrentThreadId() == ui;
}

bool postToUi(std::function<void()> fn) {
  if (onUiThread()) {
    std::unique_lock<std::mutex> lock(g_mutex);
    if (!g_queue) return false;
    lock.unlock();
    fn();
    return true;
  }
  auto work = std::make_unique<Work>(std::move(fn));
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_queue) return false;
  if (!PostMessageA(g_queue, kRunWork, 0, reinterpret_cast<LPARAM>(work.get()))) return false;
  work.release();  // owned by the queued message now
  return true;
}

}  // namespace zorvik
