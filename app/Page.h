#pragma once
// A page of the main window: a child dialog created once with the window and shown by group and
// index. Pages override what they need; see docs/app.md for how a page plugs in.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/PageTable.h"
#include "ui/PageWork.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"
#include "app/resource.h"

namespace zorvik {

// What the main window sends its pages. Files dropped on the window go to the page shown
// (wParam the HDROP); the store page opens an item (lParam) and searches (0x464 reaches it through
// onRouted, lParam a ticket for the text: postStoreSearch); the screen-capture page captures.
constexpr UINT kMsgDropFiles = 0x496;
constexpr UINT kMsgStoreSearch = 0x464;
constexpr UINT kMsgStoreItem = 0x4FB;
constexpr UINT kMsgCapture = 0x4FC;

// Asks the main window (any thread) to search the store for the keyword: 0x464 with a ticket of
// StoreSearchText.h in lParam. False when the keyword is too long or the message was not posted.
bool postStoreSearch(HWND mainWindow, const std::string& keyword);

// What the main window offers its pages (UI thread only, unless said otherwise).
class TwoLineList;

class PageHost {
public:
  virtual ~PageHost() = default;
  virtual HWND mainHwnd() const = 0;
  // The status line (control 1366), e.g. "【X】连接错误". Safe from any thread.
  virtual void setStatusText(const std::string& text) = 0;
  virtual void showPage(int group, int pageId) = 0;
  // What pages ask of the frame. Each is queued to the frame's next turn, so a page asking from a
  // browser event or a list click has returned before the frame acts.
  virtual void showPageLater(int group, int pageId) = 0;
  virtual void openDeviceManager() = 0;            // the device chooser ("设备管理器 - Zorvik")
  virtual void openStoreItem(int32_t item) = 0;    // the store page on that item
  virtual void requestDownload() = 0;              // a store page queued a download request
  virtual void redrawNavigation() = 0;             // the page buttons and the task count again
};

class Page : public Dialog {
public:
  Page(const PageInfo& info, PageHost& host, int templateId = IDD_PAGE);
  // A page the owner did not close is closed here, as far as the base can: its work stops and its
  // window goes (a derived page's members are gone by then, so owners call close() first).
  ~Page() override;

  // The owner calls this before deleting the page: the page's work stops (waiting exchanges end,
  // late results are dropped), its workers are given a moment to end, and the window goes while
  // every member its handlers use still exists. A page with more to end (a process runner, a
  // queue) overrides it and calls Page::close() last. Safe to call twice.
  virtual void close();
  static constexpr unsigned kCloseWaitMs = 2000;
  // A frame closing all its pages stops the work of every page first, then closes each with one
  // shared end to the wait, so pages whose workers are held up do not add their waits up.
  void stopWork() { work_.stop(); }
  void closeBy(std::chrono::steady_clock::time_point end) { closeBy_ = end; }
  // The page's workers that have not ended yet.
  int workersRunning() const { return work_.liveWorkers(); }

  const PageInfo& info() const { return info_; }
  int pageKey() const { return info_.pageKey; }

  // The loader: called by the show routine on the UI thread after it has put the page key into
  // the page-data table as "loading". Start the worker here; mark the key loaded when done (or
  // forget it on failure, so the next visit tries again). Never called for kNoPageKey.
  virtual void load() {}
  // A toolbar button of this page was pressed (index 0..3, message 0x466).
  virtual void onToolbar(int /*index*/) {}
  // Shown by the show routine (after any load call).
  virtual void onShown() {}
  // Files dropped on the main window while this page is shown (message 0x496 carries the HDROP;
  // the page must not free it).
  virtual void onDropFiles(HDROP /*drop*/) {}
  // Messages the main window routes to a page: 0x464 (store search text).
  virtual LRESULT onRouted(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/) { return 0; }
  // A number drawn beside the page's button (the download task count); -1 for none.
  virtual int navBadge() const { return -1; }
  // The tasks page: a store page queued a download request (PageHost::requestDownload).
  virtual void onDownloadRequest() {}

  // Loads again regardless of the page-data table (the refresh buttons).
  void reload();

protected:
  PageHost& host() { return host_; }
  // For loaders: mark the key loaded or forget it after a failure.
  void markLoaded();
  void markFailed();
  // The one ending of every load. A finished load (Ok, or the agent's NoReply: an empty answer)
  // runs `show()`, which replaces what the page shows, clears the status line and marks the key
  // loaded; returns true. Anything else keeps what the page showed: the status line says why
  // (agentFailureText; empty for a cancelled load), the key is forgotten so the next visit or a
  // refresh loads again, and false is returned.
  // A load that is not the page's keyed one (a sub-folder, say) passes forKey false: the same
  // policy without the key.
  template <typename Show>
  bool finishLoad(AgentResult result, Show&& show, bool forKey = true) {
    if (result != AgentResult::Ok && result != AgentResult::NoReply) {
      const char* failure = agentFailureText(result);
      host_.setStatusText(failure ? failure : "");
      if (forKey) markFailed();
      return false;
    }
    show();
    host_.setStatusText("");
    if (forKey) markLoaded();
    return true;
  }
  bool finishLoad(AgentResult result) {
    return finishLoad(result, [] {});
  }
  // The failing half of finishLoad, for loads that end in more than one step.
  void failLoad(AgentResult result);
  // The busy cursor over the child `control()` while `busy()` is true (a two-line list has its
  // own: TwoLineList::setBusy).
  void busyCursorOver(std::function<HWND()> control, std::function<bool()> busy);

  // Every exchange the page runs; stopped by close().
  PageWork work_;

private:
  const PageInfo& info_;
  PageHost& host_;
  bool closed_ = false;
  std::optional<std::chrono::steady_clock::time_point> closeBy_;
};

// A page without content of its own yet: an empty page with no toolbar.
class PlaceholderPage : public Page {
public:
  using Page::Page;
};

using PageFactory = std::function<std::unique_ptr<Page>(const PageInfo&, PageHost&)>;

// The page registry: one factory per page id; ids without a factory get a PlaceholderPage. The
// program fills it before it creates the main window (registerPages in PageRegistry.h, which
// belongs to the executable: the app library knows no page class); tests may replace an entry.
PageFactory pageFactory(int pageId);
void setPageFactory(int pageId, PageFactory factory);

// The factory of a page class with the usual constructor.
template <typename P>
PageFactory makePage() {
  return [](const PageInfo& info, PageHost& host) -> std::unique_ptr<Page> { return std::make_unique<P>(info, host); };
}

}  // namespace zorvik
