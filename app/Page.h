#pragma once
// A page of the main window: a child dialog created once with the window and shown by group and
// index. Pages override what they need; see docs/app.md for how a page plugs in.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "app/PageTable.h"
#include "ui/Window.h"
#include "app/resource.h"

namespace zorvik {

// Files dropped on the main window, sent to the page shown: wParam = the HDROP.
constexpr UINT kMsgDropFiles = 0x496;

// What the main window offers its pages (UI thread only, unless said otherwise).
class TwoLineList;

class PageHost {
public:
  virtual ~PageHost() = default;
  virtual HWND mainHwnd() const = 0;
  // The status line (control 1366), e.g. "【X】连接错误". Safe from any thread.
  virtual void setStatusText(const std::string& text) = 0;
  virtual void showPage(int group, int pageId) = 0;
};

class Page : public Dialog {
public:
  Page(const PageInfo& info, PageHost& host, int templateId = IDD_PAGE);

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
  // Messages the main window routes to a page: 0x4FB (store item), 0x4FC (capture), 0x464
  // (store search text), 2024 with command 3 (download request).
  virtual LRESULT onRouted(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/) { return 0; }
  // A number drawn beside the page's button (the download task count); -1 for none.
  virtual int navBadge() const { return -1; }

  // Loads again regardless of the page-data table (the refresh buttons).
  void reload();

protected:
  PageHost& host() { return host_; }
  // For loaders: mark the key loaded or forget it after a failure.
  void markLoaded();
  void markFailed();
  // The usual wiring of the page's two-line list `listId`: WM_DRAWITEM draws it, NM_CLICK ticks
  // rows (unless the page handles clicks itself: tickOnClick false), and the busy cursor shows
  // over it while `busy()` is true.
  void wireList(TwoLineList& list, int listId, std::function<bool()> busy, bool tickOnClick = true);

private:
  const PageInfo& info_;
  PageHost& host_;
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
