#pragma once
// The bookmark page (Web收藏夹): the phone browser's bookmarks in a two-line list (870701) with a
// "显示类型" selector that does not filter, "同步书签" and "更新缓存"; add and change through the
// bookmark editor (870702, 870703), delete the checked ones (870705), and "立即访问", which opens
// a row's http or https address in the PC's browser, maximised.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "manage/alarms/BookmarkWire.h"
#include "manage/alarms/win/PhoneListPage.h"

namespace zorvik {

class BookmarksPage : public PhoneListPage {
public:
  static constexpr int kListId = 4860;
  static constexpr int kKindId = 4861;
  static constexpr int kSyncId = 4862;
  static constexpr int kCacheId = 4863;
  static constexpr const char* kVisitText = "立即访问";
  static constexpr const char* kNotWebText = "【提示】该书签的网址不是http或https网址，没有打开";
  static constexpr const char* kOpenFailedText = "【错误】无法用电脑上的浏览器打开该网址";
  static constexpr const char* kChooseFirstText = "【提示】请先点选要修改的书签";

  // Opens an address in the PC's browser; true when it was handed over.
  using UrlOpener = std::function<bool(const std::string& url)>;

  BookmarksPage(const PageInfo& info, PageHost& host);
  ~BookmarksPage() override;

  void load() override;
  void onToolbar(int index) override;
  void addBookmark();
  // The editor filled from the row last clicked.
  void changeClicked();
  void deleteChecked();
  // "立即访问" of a row.
  void visit(int row);
  void showSync();

  // Tests replace the browser.
  void setUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }
  const std::vector<BookmarkRow>& rows() const { return rows_; }
  HWND kindSelector() const { return kind_; }
  int lastClicked() const { return lastClicked_; }
  void setLastClicked(int row) { lastClicked_ = row; }

private:
  struct Loaded;
  void fill(Loaded& loaded);
  void onListClick(const NMITEMACTIVATE& click);
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);
  void layout();

  std::vector<BookmarkRow> rows_;
  HWND kind_ = nullptr, sync_ = nullptr, cache_ = nullptr, kindLabel_ = nullptr;  // children of the page
  UniqueFont linkFont_;
  int lastClicked_ = -1;
  UrlOpener opener_;
};

}  // namespace zorvik
